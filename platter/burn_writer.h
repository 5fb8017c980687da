#pragma once
// Writing a disc through libburn. The drive is grabbed only to learn what
// it writes (once, when the engine lists it), for a media query, a write or
// an eject, and released at once afterwards, so readers can open it the
// rest of the time; the device keeps them off while it is held (its medium
// lock).
//
// A write checks everything before the first event: the disc (none 2,
// written and not rewritable 4, rewritable and not allowed 11), the length
// (10; before a written rewritable disc that is allowed is fast-blanked)
// and libburn's own precheck (3, with its reasons). Then libburn writes from
// our sources on its threads while our write thread polls its status,
// reports the burn events and the percent done, and waits until libburn is
// idle again; the caller waits for that thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platter/clock.h"
#include "platter/write_plan.h"

class CTrackSource;

// What the drive is, from one grab.
struct TBurnDriveFacts {
    std::uint32_t capabilities = 0;  // PLATTER_CAP_* bits
    // Write speeds in X, and libburn's kB/s for each, slowest first.
    std::vector<std::int32_t> speedsX;
    std::vector<std::int32_t> speedsKbs;
};

struct TBurnWriteJob {
    TWritePlan* plan = nullptr;  // measured; titles read when CD-Text is asked for
    std::vector<std::unique_ptr<CTrackSource>>* sources = nullptr;  // file tracks
    bool cdTextCapable = false;  // the drive's PLATTER_CAP_CDTEXT
    std::int32_t speedKbs = 0;   // 0: the drive's fastest
    std::atomic<std::int32_t>* percentDone = nullptr;
    std::atomic<std::int32_t>* startTick = nullptr;
    IPlatterClock* clock = nullptr;      // the tick for startTick
};

struct TBurnWriteResult {
    std::int32_t code = 0;
    std::string text;
};

class CBurnWriter {
public:
    // address: a device node ("/dev/sr0"), or libburn's "stdio:" form.
    explicit CBurnWriter(std::string address);
    ~CBurnWriter();
    CBurnWriter(const CBurnWriter&) = delete;
    CBurnWriter& operator=(const CBurnWriter&) = delete;

    // False when the drive cannot be grabbed or writes no CD-R.
    bool Probe(TBurnDriveFacts& facts, std::string& why);
    // Milliseconds of audio the disc in the drive takes: a blank one, or a
    // written rewritable one (blanked before a write that allows it); 0
    // for none or a written CD-R.
    std::int32_t BlankCapacityMs();
    bool Eject(std::string& why);
    TBurnWriteResult Write(const TBurnWriteJob& job);
    // Ends a running write through libburn's cancel; Write returns once
    // libburn is idle.
    void Cancel() { cancel_.store(true); }

    // How often the write thread polls libburn.
    static constexpr int kPollMs = 150;

private:
    const std::string address_;
    std::atomic<bool> cancel_{false};
    struct TUse;
    std::unique_ptr<TUse> use_;
};
