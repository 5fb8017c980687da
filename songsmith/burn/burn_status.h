#pragma once
// What the rest of the program reads of the burn controller: its state (the
// main window's "drive state" that the CD pages and the session list keep
// still by), the capacity of the disc in the writer, and the state's text.
// The controller answers it; tests answer it with set values.

#include "songsmith/burner/burner_tables.h"

class IBurnStatus {
public:
    virtual ~IBurnStatus() = default;
    // 0..4 the disc in the idle writer, 5..9 a burn step, 10 the last write
    // succeeded; -1 after a test until the next poll reads the drive.
    virtual int BurnState() const = 0;
    // The disc's capacity in ms (0 without a writer), without asking the
    // drive unless the preferences say to detect it.
    virtual int DiscCapacityMs() = 0;
    // The state's text; false and an empty text for a state without one.
    virtual bool GetStateText(char* out, int size) const = 0;
    // The running burn step's progress, 0 to 1; 0 without one.
    virtual double BurnProgress() { return 0.0; }
};

// The drive state read through a controller; 0 (no disc in the writer)
// while none is bound. The main window and the CD pages both read it so.
inline int DriveStateOf(const IBurnStatus* status) { return status == nullptr ? 0 : status->BurnState(); }

// A burn step runs (waiting, testing, converting, compiling the cue sheet or
// burning): the session's edits, the CD pages' disc timers and the CD menu
// keep still.
inline bool IsBurnStepState(int state) { return state >= kBurnStateWaiting && state <= kBurnStateBurning; }
