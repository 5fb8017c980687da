#pragma once
// The burn events of a libburn write, made from what polling its status
// shows. Polls may miss whole phases (a short track passes between two of
// them), so every step fills in what it skipped: the program always sees
// the drive's order, the same as the image drive's: 43, 44 (cue sheet),
// 28, 29 (lead-in), 20, 23, then 25 and 27 for each track, 24, 30, 31
// (lead-out). A write that fails stops the events where it failed.

#include <cstdint>
#include <vector>

#include "platter/types.h"
#include "platter/write_plan.h"

// One poll: libburn's drive status and the progress fields we use.
struct TBurnPoll {
    int driveStatus = 0;   // enum burn_drive_status
    int track = 0;         // 0-based track being written
    int sector = 0;        // sectors done of ...
    int sectors = 0;       // ... the whole write
};

class CBurnEventTracker {
public:
    explicit CBurnEventTracker(const TWritePlan& plan) : plan_(plan) {}

    // The events a poll brings, in order.
    std::vector<TBurnEvent> Update(const TBurnPoll& poll);
    // The events that end the write: the rest of the order after a write
    // the drive finished well, nothing after a failure.
    std::vector<TBurnEvent> Finish(bool wroteWell);
    // Percent of the write's sectors done, 0 to 100.
    static std::int32_t Percent(const TBurnPoll& poll);

private:
    enum class EStage { kStart, kLeadIn, kTracks, kLeadOut, kDone };
    void EnterLeadIn(std::vector<TBurnEvent>& out);
    void EnterTracks(std::vector<TBurnEvent>& out);
    void AdvanceToTrack(int track, std::vector<TBurnEvent>& out);
    void EnterLeadOut(std::vector<TBurnEvent>& out);
    void Emit(std::vector<TBurnEvent>& out, std::int32_t code, std::int32_t track = 0, std::int32_t blocks = 0);

    const TWritePlan& plan_;
    EStage stage_ = EStage::kStart;
    int current_ = -1;  // 0-based track whose start was reported
};

// What a finished write looked like, for its result code.
struct TBurnOutcome {
    bool began = false;            // libburn started the write (it passed its checks)
    bool cancelled = false;        // the write was aborted
    bool wroteWell = false;        // libburn's own verdict
    bool driveBufferEmptied = false;  // the drive's buffer ran empty (minimum fill 0)
    bool fifoRanDry = false;       // our queue made the writer wait (on the fly)
    bool underrunProtection = false;
};

struct TBurnCode {
    std::int32_t code = 0;
    const char* reason = "";
};

// The write's code (PLATTER_WRITE_*) and why; see the table in burn_events.cpp.
TBurnCode BurnResultCode(const TBurnOutcome& outcome);
