#include "platter/image_write_job.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "filekit/log.h"
#include "platter/audio_fifo.h"
#include "platter/errors.h"
#include "platter/track_source.h"

namespace {

// Sectors moved at a time: one second of audio at single speed.
constexpr std::int32_t kChunkSectors = PLATTER_SECTORS_PER_SECOND;

class CWriteRun {
public:
    explicit CWriteRun(const TImageWriteJob& job)
        : job_(job), plan_(*job.plan), total_(std::max<std::int64_t>(plan_.TotalSectors(), 1)),
          buffer_(static_cast<std::size_t>(kChunkSectors) * PLATTER_SECTOR_BYTES) {}

    TImageWriteResult Run() {
        Emit(EVENT_COMPILE_CUESHEET_START);
        Emit(EVENT_COMPILE_CUESHEET_END);
        Emit(EVENT_RECORD_LEADIN_START);
        Emit(EVENT_RECORD_LEADIN_END);
        Emit(EVENT_RECORD_GAP_START);
        Emit(EVENT_RECORD_USERDATA_START);
        startMs_ = job_.clock->NowMs();
        for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
            const TPlannedTrack& track = plan_.tracks[i];
            const auto number = static_cast<std::int32_t>(i + 1);
            Emit(EVENT_RECORD_TRACK_START, number, track.sectors + track.gapSectors);
            if (!InjectFault(number) || !WriteTrack(i) || !WriteSilence(track.gapSectors)) return result_;
            Emit(EVENT_RECORD_TRACK_END, number);
        }
        Emit(EVENT_RECORD_USERDATA_END);
        Emit(EVENT_RECORD_LEADOUT_START);
        Emit(EVENT_RECORD_LEADOUT_END);
        return result_;
    }

private:
    void Emit(std::int32_t code, std::int32_t track = 0, std::int32_t blocks = 0) {
        if (plan_.eventCallback == nullptr) return;
        TBurnEvent event;
        event.code = code;
        event.trackNumber = track;
        event.blocksToRecord = blocks;
        plan_.eventCallback(plan_.eventContext, &event);
    }

    bool Fail(std::int32_t code, std::string text) {
        result_.code = code;
        result_.text = std::move(text);
        return false;
    }

    bool InjectFault(std::int32_t number) {
        if (job_.fault.kind == TImageFaultKind::kNone || job_.fault.track != number) return true;
        const std::string where = " at track " + std::to_string(number) + ".";
        switch (job_.fault.kind) {
            case TImageFaultKind::kUnderrun:
                if (job_.burnProofActive) {
                    LogFmt("PLATTER_CImageDrive::WriteDisc - Buffer underrun at track %d recovered by burn-proof writing", number);
                    return true;
                }
                return Fail(PLATTER_WRITE_UNDERRUN, "Buffer underrun" + where);
            case TImageFaultKind::kWriteError: return Fail(PLATTER_WRITE_FAILED, "Write error" + where);
            case TImageFaultKind::kDiscFull: return Fail(PLATTER_WRITE_DISC_TOO_SMALL, "The disc is full" + where);
            case TImageFaultKind::kMediaRemoved:
                result_.mediaRemoved = true;
                return Fail(PLATTER_WRITE_FAILED, "The disc was removed" + where);
            case TImageFaultKind::kNone: break;
        }
        return true;
    }

    // Fills count sectors of the buffer with track i's audio; the last
    // sector of the track is padded with silence.
    bool FillFromTrack(std::size_t i, std::int32_t count) {
        const std::size_t bytes = static_cast<std::size_t>(count) * PLATTER_SECTOR_BYTES;
        std::size_t got = 0;
        if (plan_.onTheFly) {
            got = job_.fifo->Pop(buffer_.data(), bytes);
            // The queue runs dry only once the callback has returned: a
            // rendering that failed must not become a disc of silence.
            if (got < bytes && job_.renderResult != nullptr && job_.renderResult->load() == 0)
                return Fail(PLATTER_WRITE_FAILED, "The audio for track " + std::to_string(i + 1) + " could not be rendered.");
            if (got < bytes && !shortRenderLogged_) {
                LogFmt("PLATTER_CImageDrive::WriteDisc - The rendered audio ended early in track %zu; the rest is silence", i + 1);
                shortRenderLogged_ = true;
            }
        } else if (job_.out != nullptr) {
            const std::int64_t read = (*job_.sources)[i]->Read(buffer_.data(), static_cast<std::int64_t>(bytes));
            if (read < 0) return Fail(PLATTER_WRITE_FAILED, "The track file " + plan_.tracks[i].path + " could not be read.");
            got = static_cast<std::size_t>(read);
        }
        std::memset(buffer_.data() + got, 0, bytes - got);
        return true;
    }

    bool WriteTrack(std::size_t i) {
        for (std::int32_t left = plan_.tracks[i].sectors; left > 0;) {
            const std::int32_t count = std::min(left, kChunkSectors);
            if (!FillFromTrack(i, count) || !Put(count)) return false;
            left -= count;
        }
        return true;
    }

    bool WriteSilence(std::int32_t sectors) {
        std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
        for (std::int32_t left = sectors; left > 0;) {
            const std::int32_t count = std::min(left, kChunkSectors);
            if (!Put(count)) return false;
            left -= count;
        }
        return true;
    }

    // Writes count sectors of the buffer, then waits as long as a drive at
    // the chosen speed would still be busy with them.
    bool Put(std::int32_t count) {
        if (job_.abort != nullptr && job_.abort->load()) return Fail(PLATTER_WRITE_FAILED, "The write was aborted.");
        const std::size_t bytes = static_cast<std::size_t>(count) * PLATTER_SECTOR_BYTES;
        if (job_.out != nullptr && std::fwrite(buffer_.data(), 1, bytes, job_.out) != bytes)
            return Fail(PLATTER_WRITE_FAILED, std::string("The image could not be written: ") + std::strerror(errno));
        written_ += count;
        if (job_.progress) job_.progress(static_cast<std::int32_t>(written_ * 100 / total_));
        if (job_.paced) {
            const std::int64_t due = startMs_ + written_ * 1000 / (std::int64_t{PLATTER_SECTORS_PER_SECOND} * job_.speedX);
            job_.clock->SleepMs(due - job_.clock->NowMs());
        }
        return true;
    }

    const TImageWriteJob& job_;
    const TWritePlan& plan_;
    const std::int64_t total_;
    std::vector<std::uint8_t> buffer_;
    TImageWriteResult result_;
    std::int64_t startMs_ = 0;
    std::int64_t written_ = 0;
    bool shortRenderLogged_ = false;
};

}  // namespace

TImageWriteResult RunImageWriteJob(const TImageWriteJob& job) {
    CWriteRun run(job);
    TImageWriteResult result = run.Run();
    // Whatever the renderer still has to say, the disc is done: it stops.
    if (job.fifo != nullptr) job.fifo->Close();
    return result;
}
