#include "platter/image_drive.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "filekit/log.h"
#include "platter/audio_fifo.h"
#include "platter/cdio_image.h"
#include "platter/errors.h"
#include "platter/image_cue.h"
#include "platter/image_write_job.h"
#include "platter/platter.h"
#include "platter/paranoia_reader.h"
#include "platter/track_source.h"
#include "platter/write_plan.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCueName = "disc.cue";
constexpr const char* kBinName = "disc.bin";
constexpr const char* kSpoiltName = "disc.spoilt";
constexpr const char* kPartSuffix = ".part";
// Write speeds the image drive offers, in X.
const std::vector<std::int32_t> kImageSpeeds = {1, 2, 4, 8, 12, 16, 20, 24, 32, 40, 48};
// The queue between the renderer and the writer on the fly: six seconds.
constexpr std::size_t kFifoBytes = 6 * PLATTER_BYTES_PER_SECOND;

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void RemoveQuietly(const std::string& path) {
    std::error_code error;
    fs::remove(path, error);
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The configured unreadable sector in front of the device's own hook, as
// a scratched disc would not read.
TPlatterReadHook BadSectorHook(std::int32_t badLsn, TPlatterReadHook inner) {
    if (badLsn < 0) return inner;
    return [badLsn, inner](std::int32_t lsn, long count, void* out, const TPlatterRawRead& drive) -> long {
        if (badLsn >= lsn && badLsn < lsn + count) return -1;
        return inner ? inner(lsn, count, out, drive) : drive(lsn, count, out);
    };
}

// A CUE text whose data file is now called binName.
std::string RenamedCue(const std::string& cue, const std::string& binName) {
    const std::string from = std::string("FILE \"") + kBinName + "\"";
    std::string out = cue;
    const std::size_t at = out.find(from);
    if (at != std::string::npos) out.replace(at, from.size(), "FILE \"" + binName + "\"");
    return out;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool flushed = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    return std::fclose(file) == 0 && written && flushed;
}

}  // namespace

PLATTER_CImageDrive::PLATTER_CImageDrive(PLATTER_CPlatter& engine, const TImageDriveConfig& config,
                                         std::string trayFolder, std::int32_t index)
    : engine_(engine), config_(config), clock_(engine.Clock()), tray_(WithSlash(std::move(trayFolder))) {
    hostAdapter = kHostAdapter;
    target = index;
    lun = 0;
    scsiId = index;
    capabilities = PLATTER_CAP_WRITER | PLATTER_CAP_CDTEXT | PLATTER_CAP_BURNPROOF;
    SetIdentity("Trackpress", "Image Writer", "1.0");
    SetWriteSpeeds(kImageSpeeds, engine.burningEngine.load());
    driveText = tray_ + kCueName;
    trayEmpty_ = config_.freshMedia == PLATTER_MEDIA_NONE;
    std::error_code error;
    fs::create_directories(tray_, error);
    RefreshStatus();
}

void PLATTER_CImageDrive::AbortExtraction() { abortExtraction_.store(true); }

void PLATTER_CImageDrive::AbortWrite() { abortWrite_.store(true); }

std::int32_t PLATTER_CImageDrive::CurrentStatusLocked() {
    const bool written = Exists(TrayFile(kCueName));
    if (written && writtenAtMs_ >= 0 && config_.swapDelayMs > 0 &&
        clock_->NowMs() - writtenAtMs_ >= config_.swapDelayMs) {
        LogFmt("PLATTER_CImageDrive::RefreshStatus - The written disc in %s is swapped for a fresh one", tray_.c_str());
        EjectLocked();
        return CurrentStatusLocked();
    }
    if (written || Exists(TrayFile(kSpoiltName))) return PLATTER_MEDIA_WRITTEN;
    if (trayEmpty_) return PLATTER_MEDIA_NONE;
    return config_.freshMedia == PLATTER_MEDIA_BLANK_CDRW ? PLATTER_MEDIA_BLANK_CDRW : PLATTER_MEDIA_BLANK_CDR;
}

void PLATTER_CImageDrive::EjectLocked() {
    const std::string cue = TrayFile(kCueName);
    if (Exists(cue)) {
        // The next free number keeps every disc written before.
        int number = 1;
        char stem[32];
        for (;; ++number) {
            std::snprintf(stem, sizeof stem, "ejected-%03d", number);
            if (!Exists(tray_ + stem + ".cue") && !Exists(tray_ + stem + ".bin")) break;
        }
        std::error_code error;
        fs::rename(TrayFile(kBinName), tray_ + stem + ".bin", error);
        // Our own CUE files are short; one that is not (laid in by hand) is
        // moved as it is rather than read into memory.
        std::ifstream in(cue, std::ios::binary);
        std::string text(static_cast<std::size_t>(kMaxCueBytes) + 1, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        in.close();
        if (text.size() > static_cast<std::size_t>(kMaxCueBytes))
            fs::rename(cue, tray_ + stem + ".cue", error);
        else if (WriteTextFile(tray_ + stem + ".cue", RenamedCue(text, std::string(stem) + ".bin")))
            RemoveQuietly(cue);
        LogFmt("PLATTER_CImageDrive::Eject - Disc in %s kept as %s", tray_.c_str(), stem);
    }
    RemoveQuietly(TrayFile(kSpoiltName));
    writtenAtMs_ = -1;
    trayEmpty_ = config_.freshMedia == PLATTER_MEDIA_NONE;
}

bool PLATTER_CImageDrive::Eject() {
    std::lock_guard<std::mutex> hold(stateLock_);
    EjectLocked();
    mediaStatus.store(CurrentStatusLocked());
    ClearDiscInfo();
    return true;
}

void PLATTER_CImageDrive::RefreshStatus() {
    std::lock_guard<std::mutex> hold(stateLock_);
    mediaStatus.store(CurrentStatusLocked());
}

bool PLATTER_CImageDrive::IsDiscReady() {
    RefreshStatus();
    return mediaStatus.load() != PLATTER_MEDIA_NONE;
}

std::int32_t PLATTER_CImageDrive::GetCapacity(std::int32_t /*kind*/) {
    RefreshStatus();
    const std::int32_t status = mediaStatus.load();
    if (status != PLATTER_MEDIA_BLANK_CDR && status != PLATTER_MEDIA_BLANK_CDRW) return 0;
    return config_.capacityMinutes * 60 * 1000;
}

bool PLATTER_CImageDrive::ReadDeviceInfo() {
    const auto medium = TryLockMediumForRead();
    if (!medium.owns_lock()) return false;
    ClearDiscInfo();
    RefreshStatus();
    if (!Exists(TrayFile(kCueName))) {
        SetError(PLATTER_ERR_OPEN, mediaStatus.load() == PLATTER_MEDIA_NONE ? "There is no disc in the drive."
                                                                            : "The disc holds no tracks.");
        return false;
    }
    CCdioImage image;
    std::int32_t code = 0;
    std::string text;
    if (!image.Open(TrayFile(kCueName), code, text)) {
        SetError(code, text);
        return false;
    }
    SetDiscInfo(image.Toc());
    ClearError();
    return true;
}

bool PLATTER_CImageDrive::ExtractTrack(TExtractParams* params) {
    abortExtraction_.store(false);
    const auto medium = LockForExtraction(params);
    if (!medium.owns_lock()) return false;
    CCdioImage image;
    std::int32_t code = 0;
    std::string text;
    if (!image.Open(TrayFile(kCueName), code, text)) {
        SetError(code, Exists(TrayFile(kCueName)) ? text : "There is no readable disc in the drive.");
        return false;
    }
    TParanoiaRip rip;
    rip.cdio = image.Handle();
    rip.toc = &image.Toc();
    rip.abort = &abortExtraction_;
    rip.hook = BadSectorHook(config_.badSectorLba, ReadHook());
    rip.logName = "PLATTER_CImageDrive";
    return RunRip(rip, *params);
}

std::int32_t PLATTER_CImageDrive::Refuse(std::int32_t code, const std::string& text) {
    LogFmt("PLATTER_CImageDrive::WriteDisc - Refused (%d): %s", code, text.c_str());
    SetError(code, text);
    engine_.NoteWriteFailure(*this);
    return code;
}

std::int32_t PLATTER_CImageDrive::WriteDisc(const TWriteDiscParams* params) {
    std::lock_guard<std::mutex> oneWrite(MediumLock());
    abortWrite_.store(false);
    ClearError();
    if (params == nullptr) return Refuse(PLATTER_WRITE_REFUSED, "No write block was given.");
    TWritePlan plan;
    std::string why;
    if (!CopyWriteBlock(*params, plan, why)) return Refuse(PLATTER_WRITE_REFUSED, why);

    RefreshStatus();
    const std::int32_t status = mediaStatus.load();
    if (status == PLATTER_MEDIA_NONE) return Refuse(PLATTER_WRITE_NO_DISC, "");
    if (status == PLATTER_MEDIA_WRITTEN) return Refuse(PLATTER_WRITE_NOT_BLANK, "");
    if (status == PLATTER_MEDIA_BLANK_CDRW && !plan.allowRewritable) return Refuse(PLATTER_WRITE_REWRITABLE, "");

    std::vector<std::unique_ptr<CTrackSource>> sources;
    if (!MeasurePlanTracks(plan, engine_.GetAudioDecoder(), sources, why)) return Refuse(PLATTER_WRITE_REFUSED, why);
    const std::int64_t capacity = std::int64_t{config_.capacityMinutes} * 60 * PLATTER_SECTORS_PER_SECOND;
    if (plan.TotalSectors() > capacity)
        return Refuse(PLATTER_WRITE_DISC_TOO_SMALL, "The tracks need " + std::to_string(plan.TotalSectors()) +
                                                        " sectors; the disc holds " + std::to_string(capacity) + ".");
    // A disc already full at the first track holds none of the session: a
    // drive finds that out before it writes, as for a session too long.
    if (config_.fault.kind == TImageFaultKind::kDiscFull && config_.fault.track <= 1)
        return Refuse(PLATTER_WRITE_DISC_TOO_SMALL, "The disc is full at track 1.");
    if (plan.cdText) ReadCueSheetTitles(plan);
    if (status == PLATTER_MEDIA_BLANK_CDRW) LogFmt("PLATTER_CImageDrive::WriteDisc - Erasing the rewritable disc in %s", tray_.c_str());

    const std::int32_t code = RunWrite(plan, sources);
    if (code != PLATTER_WRITE_OK) {
        char text[256];
        GetLastError(text, sizeof text);
        LogFmt("PLATTER_CImageDrive::WriteDisc - Failed (%d): %s", code, text);
    }
    return code;
}

std::int32_t PLATTER_CImageDrive::RunWrite(const TWritePlan& plan, std::vector<std::unique_ptr<CTrackSource>>& sources) {
    const std::string part = TrayFile(kBinName) + kPartSuffix;
    std::FILE* out = nullptr;
    if (!plan.testWrite) {
        out = std::fopen(part.c_str(), "wb");
        if (out == nullptr) return Refuse(PLATTER_WRITE_FAILED, "The image " + part + " cannot be created.");
    }
    std::int32_t speedX = GetSpeedOfSpeedNumber(plan.speedNumber);
    if (speedX < kImageSpeeds.front() || speedX > kImageSpeeds.back()) speedX = kImageSpeeds.back();

    CAudioFifo fifo(kFifoBytes);
    std::atomic<std::int32_t> renderResult{-1};
    TImageWriteJob job;
    job.plan = &plan;
    job.sources = &sources;
    job.fifo = plan.onTheFly ? &fifo : nullptr;
    job.renderResult = &renderResult;
    job.out = out;
    job.clock = clock_;
    job.speedX = speedX;
    job.paced = config_.paced;
    job.fault = config_.fault;
    job.burnProofActive = plan.burnProof && (capabilities & PLATTER_CAP_BURNPROOF) != 0;
    job.abort = &abortWrite_;
    job.progress = [this](std::int32_t percent) { engine_.percentDone.store(percent); };

    engine_.percentDone.store(0);
    engine_.burnStartTick.store(static_cast<std::int32_t>(clock_->NowMs()));
    TImageWriteResult result;
    // The events and the audio go through the program's callbacks on our
    // own threads while the caller waits here, as with a real drive.
    std::thread writer([&] {
        std::thread renderer;
        if (plan.onTheFly) renderer = StartRendering(plan.audioCallback, plan.audioContext, fifo, renderResult);
        result = RunImageWriteJob(job);
        if (renderer.joinable()) renderer.join();
    });
    writer.join();
    sources.clear();

    std::string why;
    if (out != nullptr) {
        const bool closed = std::fflush(out) == 0 && fsync(fileno(out)) == 0 && std::fclose(out) == 0;
        if (result.code == PLATTER_WRITE_OK && !closed)
            result = TImageWriteResult{PLATTER_WRITE_FAILED, "The image could not be completed.", false};
        if (result.code == PLATTER_WRITE_OK && !PublishImage(plan, why))
            result = TImageWriteResult{PLATTER_WRITE_FAILED, why, false};
        if (result.code != PLATTER_WRITE_OK) RemoveQuietly(part);
    }
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        if (result.mediaRemoved) trayEmpty_ = true;
        else if (result.code != PLATTER_WRITE_OK && !plan.testWrite) SpoilDisc();
        else if (result.code == PLATTER_WRITE_OK && !plan.testWrite) writtenAtMs_ = clock_->NowMs();
        mediaStatus.store(CurrentStatusLocked());
    }
    if (result.code != PLATTER_WRITE_OK) {
        SetError(result.code, result.text);
        // Outside the drive's state lock: the engine takes its own lock,
        // which it holds while it asks its drives their state.
        engine_.NoteWriteFailure(*this);
        return result.code;
    }
    engine_.percentDone.store(100);
    return PLATTER_WRITE_OK;
}

bool PLATTER_CImageDrive::PublishImage(const TWritePlan& plan, std::string& why) {
    const std::string cuePart = TrayFile(kCueName) + kPartSuffix;
    if (!WriteTextFile(cuePart, MakeImageCue(plan, kBinName))) {
        RemoveQuietly(cuePart);
        why = "The image's CUE file cannot be written.";
        return false;
    }
    std::error_code error;
    fs::rename(TrayFile(kBinName) + kPartSuffix, TrayFile(kBinName), error);
    if (!error) fs::rename(cuePart, TrayFile(kCueName), error);
    if (error) {
        RemoveQuietly(cuePart);
        RemoveQuietly(TrayFile(kBinName));
        why = "The image cannot be put in place: " + error.message();
        return false;
    }
    return true;
}

void PLATTER_CImageDrive::SpoilDisc() {
    if (!WriteTextFile(TrayFile(kSpoiltName), "This disc was spoilt by a failed write.\n"))
        LogFmt("PLATTER_CImageDrive::WriteDisc - Cannot mark the disc in %s as spoilt", tray_.c_str());
}
