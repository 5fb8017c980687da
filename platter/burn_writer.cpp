#include "platter/burn_writer.h"

#include <libburn/libburn.h>

#include <chrono>
#include <thread>

#include "filekit/log.h"
#include "platter/audio_fifo.h"
#include "platter/burn_events.h"
#include "platter/burn_feed.h"
#include "platter/burn_layout.h"
#include "platter/burn_library.h"
#include "platter/errors.h"
#include "platter/track_source.h"
#include "platter/types.h"

using namespace burn;

namespace {

constexpr const char* kWho = "CBurnWriter::Write";
// libburn's profile number of a CD-RW.
constexpr int kProfileCdRw = 0x0a;
// The queue between the renderer and libburn on the fly: six seconds.
constexpr std::size_t kFifoBytes = 6 * PLATTER_BYTES_PER_SECOND;

// A drive grabbed for one operation, released (without eject) when done.
class CGrab {
public:
    ~CGrab() { Release(false); }
    bool Take(const std::string& address, std::string& why) {
        std::string adr = address;
        // Never load: a grab must not pull in a tray the user opened.
        const int result = burn_drive_scan_and_grab(&infos_, adr.data(), 0);
        DrainBurnMessages("CBurnWriter::Grab");
        if (result != 1) {
            infos_ = nullptr;
            const std::string said = LastBurnComplaint();
            why = "The drive " + address + " cannot be used for writing" + (said.empty() ? "." : ": " + said);
            return false;
        }
        return true;
    }
    burn_drive* Drive() const { return infos_ != nullptr ? infos_[0].drive : nullptr; }
    const burn_drive_info& Info() const { return infos_[0]; }
    void Release(bool eject) {
        if (infos_ == nullptr) return;
        burn_drive_release(infos_[0].drive, eject ? 1 : 0);
        burn_drive_info_free(infos_);
        infos_ = nullptr;
        DrainBurnMessages("CBurnWriter::Release");
    }

private:
    burn_drive_info* infos_ = nullptr;
};

class COpts {
public:
    explicit COpts(burn_drive* drive) : opts_(burn_write_opts_new(drive)) {}
    ~COpts() {
        if (opts_ != nullptr) burn_write_opts_free(opts_);
    }
    burn_write_opts* Get() const { return opts_; }

private:
    burn_write_opts* opts_;
};

TBurnWriteResult Result(std::int32_t code, std::string text) {
    if (text.empty()) text = PlatterCodeReason(code);
    return TBurnWriteResult{code, std::move(text)};
}

// Sectors the disc takes from the first track's audio on: the last
// possible start of its lead-out from the disc's own ATIP (the first pregap
// lies before it), blank or written; -1 when unknown.
std::int64_t AtipSectors(burn_drive* drive) {
    int start = 0;
    int end = 0;
    return burn_drive_get_start_end_lba(drive, &start, &end, 0) == 1 && end > 0 ? end : -1;
}

// The same for a blank disc, from libburn's free space when the ATIP says
// nothing.
std::int64_t BlankSectors(burn_drive* drive, burn_write_opts* opts) {
    const std::int64_t atip = AtipSectors(drive);
    if (atip >= 0) return atip;
    const off_t bytes = burn_disc_available_space(drive, opts);
    // libburn counts the space in 2048-byte data blocks.
    return bytes > 0 ? static_cast<std::int64_t>(bytes / 2048) : -1;
}

// Waits for libburn to finish a blank, polling as a write does.
bool WaitIdle(burn_drive* drive) {
    while (burn_drive_get_status(drive, nullptr) != BURN_DRIVE_IDLE)
        std::this_thread::sleep_for(std::chrono::milliseconds(CBurnWriter::kPollMs));
    DrainBurnMessages(kWho);
    return burn_drive_wrote_well(drive) == 1;
}

}  // namespace

struct CBurnWriter::TUse {
    CBurnLibraryUse library;
};

CBurnWriter::CBurnWriter(std::string address) : address_(std::move(address)), use_(std::make_unique<TUse>()) {}

CBurnWriter::~CBurnWriter() = default;

bool CBurnWriter::Probe(TBurnDriveFacts& facts, std::string& why) {
    facts = TBurnDriveFacts{};
    CGrab grab;
    if (!use_->library.Ready() || !grab.Take(address_, why)) return false;
    const burn_drive_info& info = grab.Info();
    if (info.write_cdr == 0) {
        why = "The drive " + address_ + " writes no CD-R.";
        return false;
    }
    facts.capabilities |= PLATTER_CAP_WRITER;
    // CD-Text goes into the lead-in of an SAO session.
    if ((info.sao_block_types & BURN_BLOCK_SAO) != 0) facts.capabilities |= PLATTER_CAP_CDTEXT;
    COpts opts(grab.Drive());
    if (opts.Get() != nullptr && burn_write_opts_set_underrun_proof(opts.Get(), 1) == 1)
        facts.capabilities |= PLATTER_CAP_BURNPROOF;
    burn_speed_descriptor* list = nullptr;
    if (burn_drive_get_speedlist(grab.Drive(), &list) == 1) {
        for (const burn_speed_descriptor* at = list; at != nullptr; at = at->next) {
            if (at->write_speed <= 0) continue;
            // kB/s (1000 bytes) over single speed's 176.4 kB/s, to the nearest X.
            const std::int32_t x = static_cast<std::int32_t>((at->write_speed * 10 + 882) / 1764);
            bool known = false;
            for (std::int32_t have : facts.speedsX) known = known || have == x;
            if (known || x < 1) continue;
            facts.speedsX.push_back(x);
            facts.speedsKbs.push_back(at->write_speed);
        }
        burn_drive_free_speedlist(&list);
    }
    // Slowest first, the two lists side by side.
    for (std::size_t i = 1; i < facts.speedsX.size(); ++i)
        for (std::size_t k = i; k > 0 && facts.speedsX[k - 1] > facts.speedsX[k]; --k) {
            std::swap(facts.speedsX[k - 1], facts.speedsX[k]);
            std::swap(facts.speedsKbs[k - 1], facts.speedsKbs[k]);
        }
    return true;
}

std::int32_t CBurnWriter::BlankCapacityMs() {
    CGrab grab;
    std::string why;
    if (!use_->library.Ready() || !grab.Take(address_, why)) return 0;
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(grab.Drive(), &profile, profileName);
    const enum burn_disc_status status = burn_disc_get_status(grab.Drive());
    // A written rewritable disc is blanked before a write that allows it.
    const bool blankable = profile == kProfileCdRw && burn_disc_erasable(grab.Drive()) != 0;
    const bool written = status == BURN_DISC_FULL || status == BURN_DISC_APPENDABLE;
    if (status != BURN_DISC_BLANK && !(written && blankable)) return 0;
    COpts opts(grab.Drive());
    const std::int64_t sectors = status == BURN_DISC_BLANK ? BlankSectors(grab.Drive(), opts.Get())
                                                           : AtipSectors(grab.Drive());
    if (sectors <= 0) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(sectors * 1000 / PLATTER_SECTORS_PER_SECOND, INT32_MAX));
}

bool CBurnWriter::Eject(std::string& why) {
    CGrab grab;
    if (!use_->library.Ready() || !grab.Take(address_, why)) return false;
    grab.Release(true);
    return true;
}

namespace {

// The disc checks, in the order their codes rank. needsBlank: a written
// rewritable disc the write may blank.
TBurnWriteResult CheckDisc(burn_drive* drive, const TWritePlan& plan, bool& needsBlank) {
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(drive, &profile, profileName);
    const enum burn_disc_status status = burn_disc_get_status(drive);
    if (status == BURN_DISC_EMPTY || status == BURN_DISC_UNREADY) return Result(PLATTER_WRITE_NO_DISC, "");
    const bool rewritable = profile == kProfileCdRw;
    if (rewritable && !plan.allowRewritable) return Result(PLATTER_WRITE_REWRITABLE, "");
    if (status == BURN_DISC_BLANK) return Result(PLATTER_WRITE_OK, "");
    if (!rewritable || burn_disc_erasable(drive) == 0) return Result(PLATTER_WRITE_NOT_BLANK, "");
    needsBlank = true;
    return Result(PLATTER_WRITE_OK, "");
}

TBurnWriteResult BlankFast(burn_drive* drive) {
    LogFmt("%s - Blanking the rewritable disc (fast)", kWho);
    burn_disc_erase(drive, 1);
    TBurnWriteResult result = Result(PLATTER_WRITE_OK, "");
    if (!WaitIdle(drive) || burn_disc_get_status(drive) != BURN_DISC_BLANK)
        result = Result(PLATTER_WRITE_FAILED, "The rewritable disc could not be blanked. " + LastBurnComplaint());
    return result;
}

std::string TrimmedReasons(const char* reasons) {
    std::string text = reasons;
    while (!text.empty() && (text.back() == ' ' || text.back() == ',')) text.pop_back();
    return text;
}

// The feeds of the plan's tracks, one reference each.
std::vector<burn_source*> MakeFeeds(const TBurnWriteJob& job, CAudioFifo& fifo,
                                    const std::atomic<std::int32_t>& renderResult) {
    std::vector<burn_source*> feeds;
    const TWritePlan& plan = *job.plan;
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const std::int32_t sectors = plan.tracks[i].sectors;
        feeds.push_back(plan.onTheFly
                            ? NewStreamTrackFeed(fifo, renderResult, sectors, static_cast<std::int32_t>(i + 1))
                            : NewFileTrackFeed(*(*job.sources)[i], sectors));
    }
    return feeds;
}

void EmitAll(const TWritePlan& plan, const std::vector<TBurnEvent>& events) {
    if (plan.eventCallback == nullptr) return;
    for (TBurnEvent event : events) plan.eventCallback(plan.eventContext, &event);
}

}  // namespace

TBurnWriteResult CBurnWriter::Write(const TBurnWriteJob& job) {
    cancel_.store(false);
    ForgetBurnComplaint();
    TWritePlan& plan = *job.plan;
    std::string why;
    CGrab grab;
    if (!use_->library.Ready()) return Result(PLATTER_WRITE_REFUSED, "libburn could not be started.");
    if (!grab.Take(address_, why)) return Result(PLATTER_WRITE_REFUSED, why);
    burn_drive* drive = grab.Drive();

    bool needsBlank = false;
    const TBurnWriteResult checked = CheckDisc(drive, plan, needsBlank);
    if (checked.code != PLATTER_WRITE_OK) return checked;

    COpts opts(drive);
    if (opts.Get() == nullptr) return Result(PLATTER_WRITE_REFUSED, "libburn could not set up the write.");
    // The length is checked before a blank, so no disc is blanked for a
    // write that cannot fit.
    const std::int64_t capacity = needsBlank ? AtipSectors(drive) : BlankSectors(drive, opts.Get());
    const std::int64_t needed = plan.TotalSectors();
    if (capacity >= 0 && needed > capacity)
        return Result(PLATTER_WRITE_DISC_TOO_SMALL, "The tracks need " + std::to_string(needed) +
                                                        " sectors; the disc holds " + std::to_string(capacity) + ".");
    if (needsBlank) {
        const TBurnWriteResult blank = BlankFast(drive);
        if (blank.code != PLATTER_WRITE_OK) return blank;
    }

    burn_write_opts_set_write_type(opts.Get(), BURN_WRITE_SAO, BURN_BLOCK_SAO);
    burn_write_opts_set_simulate(opts.Get(), plan.testWrite ? 1 : 0);
    const bool protection = plan.burnProof && burn_write_opts_set_underrun_proof(opts.Get(), 1) == 1;
    if (!protection) burn_write_opts_set_underrun_proof(opts.Get(), 0);
    burn_drive_set_speed(drive, 0, job.speedKbs);

    const bool withCdText = plan.cdText && job.cdTextCapable;
    if (withCdText) ReadCueSheetTitles(plan);
    CAudioFifo fifo(kFifoBytes);
    std::atomic<std::int32_t> renderResult{-1};
    CBurnLayout layout;
    if (!layout.Build(plan, MakeFeeds(job, fifo, renderResult), withCdText))
        return Result(PLATTER_WRITE_REFUSED, "libburn refused the disc layout. " + LastBurnComplaint());
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(opts.Get(), layout.Disc(), reasons, 0) <= 0) {
        DrainBurnMessages(kWho);
        return Result(PLATTER_WRITE_REFUSED, "libburn refused the write: " + TrimmedReasons(reasons));
    }
    if (cancel_.load()) return Result(PLATTER_WRITE_FAILED, "The write was aborted.");

    TBurnOutcome outcome;
    outcome.underrunProtection = protection;
    outcome.began = true;
    if (job.percentDone != nullptr) job.percentDone->store(0);
    if (job.startTick != nullptr && job.clock != nullptr)
        job.startTick->store(static_cast<std::int32_t>(job.clock->NowMs()));
    const auto started = std::chrono::steady_clock::now();
    std::int64_t sectorsDone = 0;

    // libburn writes on its own threads; ours polls it and reports, and the
    // program renders into the queue on a third when it renders on the fly.
    std::thread writer([&] {
        std::thread renderer;
        if (plan.onTheFly) renderer = StartRendering(plan.audioCallback, plan.audioContext, fifo, renderResult);
        CBurnEventTracker tracker(plan);
        burn_disc_write(opts.Get(), layout.Disc());
        bool cancelSent = false;
        for (;;) {
            burn_progress progress{};
            const enum burn_drive_status status = burn_drive_get_status(drive, &progress);
            DrainBurnMessages(kWho);
            if (status == BURN_DRIVE_IDLE) break;
            const TBurnPoll poll{status, progress.track, progress.sector, progress.sectors};
            EmitAll(plan, tracker.Update(poll));
            if (job.percentDone != nullptr) job.percentDone->store(CBurnEventTracker::Percent(poll));
            // The lowest fill the drive's buffer has had in this write
            // (all ones until a buffer's worth went through): 0 means it ran
            // empty at least once.
            if (status == BURN_DRIVE_WRITING && progress.buffer_min_fill == 0) outcome.driveBufferEmptied = true;
            sectorsDone = progress.sector;
            if (cancel_.load() && !cancelSent) {
                LogFmt("%s - Cancelling the write", kWho);
                burn_drive_cancel(drive);
                // A reader waiting for audio must not hold libburn up.
                fifo.Close();
                cancelSent = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        outcome.wroteWell = burn_drive_wrote_well(drive) == 1;
        outcome.cancelled = cancel_.load() && !outcome.wroteWell;
        EmitAll(plan, tracker.Finish(outcome.wroteWell));
        // Whatever the renderer still has to say, the disc is done.
        fifo.Close();
        if (renderer.joinable()) renderer.join();
        outcome.fifoRanDry = plan.onTheFly && fifo.RanDry();
    });
    writer.join();
    DrainBurnMessages(kWho);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (outcome.wroteWell) {
        sectorsDone = plan.TotalSectors();
        if (job.percentDone != nullptr) job.percentDone->store(100);
    }
    if (seconds > 0)
        LogFmt("%s - Achieved speed %.2fX (%lld sectors in %.1f s)", kWho,
               static_cast<double>(sectorsDone) / PLATTER_SECTORS_PER_SECOND / seconds,
               static_cast<long long>(sectorsDone), seconds);
    const TBurnCode code = BurnResultCode(outcome);
    const std::string said = LastBurnComplaint();
    TBurnWriteResult result = Result(code.code, code.code == PLATTER_WRITE_OK || said.empty()
                                                    ? std::string(code.reason)
                                                    : std::string(code.reason) + " libburn: " + said);
    if (code.code == PLATTER_WRITE_OK) result.text.clear();
    return result;
}
