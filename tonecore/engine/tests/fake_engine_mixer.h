#pragma once
// A stand-in for the engine's current mixer: it answers Play with a set
// result and does nothing else. Tests derive from it to look closer.

#include <cstdint>

#include "tonecore/engine/engine_mixer.h"

class CAnswerMixer : public IEngineMixer {
public:
    int Play(CAudioAtom* root, std::int32_t offset, int flags) override {
        (void)root;
        (void)offset;
        (void)flags;
        return answer;
    }
    void Idle() override {}
    int Playing() override { return 0; }
    int Recording() override { return 0; }
    int ContinueRecording() override { return 0; }
    int Mix() override { return 0; }
    int IsOpen() override { return 0; }
    void Close() override {}

    int answer = 1;
};
