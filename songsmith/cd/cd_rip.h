#pragma once
// CCdRip: one rip of a CD page's marked tracks into song files, on a thread
// of its own (owned and always joined). The drive library extracts one
// track after another and calls back on that thread: a track's start opens
// its file, blocks of 44100 Hz 16-bit stereo PCM go through one buffer into
// the converter, and its end finishes, tags and publishes the file.
//
// A file is written under a temporary name beside its final one and takes
// the final name only when it is whole and tagged, so a failed or cancelled
// track leaves nothing behind and an older file of that name stays until the
// new one replaces it.
//
// The rip never touches widgets and never waits for the main thread: what
// the page shows is handed to the events below, which post.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platter/types.h"
#include "songsmith/cd/rip_names.h"
#include "songsmith/cd/rip_settings.h"
#include "tonecore/tags/music_info.h"

class CConv2FileObj;
class PLATTER_CDevice;
struct TSVT_Song;

// One row to rip, copied from the page when the rip starts.
struct TRipTrack {
    int row = -1;
    // The track's number on the disc (what the drive extracts).
    std::int32_t discTrack = 0;
    // Its length in frames (1/75 s), for the overall progress.
    std::int32_t frames = 0;
    TONECORE_CMusicInfo info;
};

// What the rip tells its page, called on the rip thread; each returns at
// once (the page posts to itself).
struct TRipEvents {
    // A row's status and percent changed.
    std::function<void(int row, int status, int percent)> rowChanged;
    // A row's file is finished at path (status ripped, 100 %).
    std::function<void(int row, const std::string& path)> rowRipped;
    // The overall percentage changed.
    std::function<void(int percent)> progress;
    // A track's file could not be made: the track is skipped.
    std::function<void(const std::string& path, int code)> createFailed;
    // A track's file could not be written whole: the rip ends.
    std::function<void(const std::string& path)> writeFailed;
    // The library's song of this path goes, ahead of the new song.
    std::function<void(const std::string& path)> deleteLibrarySong;
    // A finished song for the library.
    std::function<void(std::unique_ptr<TSVT_Song> song)> trackDone;
    // The worker ends (its last call).
    std::function<void()> finished;
};

// What the rip used that tests replace.
struct TRipServices {
    // NewCConv2FileObj unless set.
    std::function<CConv2FileObj*(_tFileConversionTypedef type, int encoder)> newConverter;
};

// Why a track's file could not be made, in the words the page shows.
enum class ERipCreateCause {
    kNone,
    // The format cannot be written here (WMA without the media module).
    kFormatUnavailable,
    // The folder may not be written to, or is missing.
    kNotWritable,
    kDiskFull,
    // Any other error; its code is kept.
    kOther,
};

// How a rip ended.
struct TRipResult {
    // No track failed (one whose file could not be made counts: it is
    // skipped and the next goes on, but the rip did not do what was asked).
    bool success = true;
    // Tracks whose file could not be made, and the first of them: its path,
    // the error code and its cause.
    int createFailures = 0;
    std::string createFailedPath;
    std::int32_t createFailedCode = 0;
    ERipCreateCause createFailedCause = ERipCreateCause::kNone;
    // A failed extraction's code (other than 0 and -100), text and disc
    // track, for the rip error dialog; code 0: none.
    std::int32_t errorCode = 0;
    std::string errorText;
    std::int32_t errorTrack = 0;
};

class CCdRip {
public:
    CCdRip(PLATTER_CDevice& drive, TRipSettings settings, std::vector<TRipTrack> tracks, TRipEvents events,
           TRipServices services = {});
    // Stops and joins the worker.
    ~CCdRip();
    CCdRip(const CCdRip&) = delete;
    CCdRip& operator=(const CCdRip&) = delete;

    // Starts the worker; false when the thread could not be made.
    bool Start();
    // Clears the run flag, aborts the extraction and joins the worker; the
    // track being ripped is cancelled (userCancel) or failed, its file gone.
    void Stop(bool userCancel);
    // The worker is running or ended but not joined yet.
    bool Joinable() const { return worker_.joinable(); }
    // Joins a worker that ended (or is ending).
    void Join();
    // The overall percentage, from any thread.
    int Percent() const { return percent_.load(); }
    // After the worker ended.
    TRipResult Result() const;

    // The extraction's callbacks (context: the rip).
    static std::int32_t RipEventCallback(void* context, TExtractEvent* event);
    static std::int32_t RipDataCallback(void* context, const void* data, std::int32_t count, std::int32_t size);

private:
    // How the current track's file stands.
    enum class ETrackFile { kNone, kWriting, kCreateFailed, kWriteFailed, kFinished };

    void RipWorkerThread();
    // False when the rip ends after this track.
    bool RipOneTrack(std::size_t index);
    // Notes a track whose file could not be made (rip thread); formatKnown:
    // the settings name a format this program writes.
    void NoteCreateFailure(int code, bool formatKnown);
    void StartTrack(std::int32_t frames);
    void OnRipProgress(std::int32_t frames);
    void EndTrack();
    std::int32_t OnData(const std::uint8_t* data, std::size_t bytes);
    // Hands the buffer to the converter; false unless all of it was taken
    // and written.
    bool WriteBuffer();
    // The track's file could not be written whole: it goes, and the
    // extraction stops.
    void FailWrite();
    // Closes the converter and deletes the temporary file.
    void DiscardFile();
    void ReleaseConverter();
    std::string TrackFolder(const TRipTrack& track) const;
    std::unique_ptr<TSVT_Song> SongRecord(const TRipTrack& track, const TMusicInfo& tag) const;
    void SetRow(const TRipTrack& track, int status, int percent);
    bool Running() const { return run_.load(); }

    PLATTER_CDevice& drive_;
    const TRipSettings settings_;
    std::vector<TRipTrack> tracks_;
    TRipEvents events_;
    TRipServices services_;
    TExtractParams params_;
    CRipNames names_;

    std::atomic<bool> run_{false};
    std::atomic<bool> userCancel_{false};
    std::atomic<int> percent_{0};
    std::thread worker_;
    mutable std::mutex resultLock_;
    TRipResult result_;

    // The rip thread's own state.
    std::size_t current_ = 0;
    ETrackFile file_ = ETrackFile::kNone;
    CConv2FileObj* conv_ = nullptr;
    TRipTarget target_;
    std::vector<std::uint8_t> buffer_;
    std::size_t fill_ = 0;
    std::string tempPath_;
    std::string finalPath_;
    std::int32_t trackFrames_ = 0;
    std::int32_t trackDone_ = 0;
    std::int64_t totalFrames_ = 0;
    std::int64_t totalDone_ = 0;
    int rowPercent_ = 0;
};
