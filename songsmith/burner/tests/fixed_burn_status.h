#pragma once
// A burn controller whose state and disc capacity the test sets; it has no
// state texts. Read on the test's own thread only.

#include "songsmith/burn/burn_status.h"

class CFixedBurnStatus : public IBurnStatus {
public:
    int BurnState() const override { return state; }
    int DiscCapacityMs() override { return capacityMs; }
    bool GetStateText(char*, int) const override { return false; }

    int state = 0;
    int capacityMs = 0;
};
