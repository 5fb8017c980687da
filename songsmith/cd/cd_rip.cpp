#include "songsmith/cd/cd_rip.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "filekit/log.h"
#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "platform/wave_format.h"
#include "platter/device.h"
#include "platter/errors.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/library/tag_fields.h"
#include "songvault/records.h"
#include "titlefetch/track_pos.h"
#include "tonecore/convert/conv2file_obj.h"
#include "tonecore/convert/converter_factory.h"

namespace {

// The PCM the drive library delivers.
constexpr std::uint32_t kCdRate = 44100;
constexpr std::uint16_t kCdChannels = 2;
constexpr std::uint16_t kCdBits = 16;
constexpr std::uint16_t kCdBlockAlign = 4;
// One second of it: the buffer when the converter wishes for none.
constexpr std::int32_t kDefaultBufferBytes = 176400;

WAVEFORMATEX CdSourceFormat() {
    WAVEFORMATEX source{};
    source.wFormatTag = WAVE_FORMAT_PCM;
    source.nChannels = kCdChannels;
    source.nSamplesPerSec = kCdRate;
    source.nAvgBytesPerSec = kCdRate * kCdBlockAlign;
    source.nBlockAlign = kCdBlockAlign;
    source.wBitsPerSample = kCdBits;
    return source;
}

// A name no other rip, program or song uses, beside the final file.
std::string TemporaryPathIn(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, ".songsmith-rip-%ld-%u.part", static_cast<long>(getpid()),
                  counter.fetch_add(1) + 1);
    return folder + name;
}

bool IsFolder(const std::string& path) {
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string_view Text(const char* field, std::size_t size) { return FieldText(field, size); }

}  // namespace

CCdRip::CCdRip(PLATTER_CDevice& drive, TRipSettings settings, std::vector<TRipTrack> tracks, TRipEvents events,
               TRipServices services)
    : drive_(drive),
      settings_(std::move(settings)),
      tracks_(std::move(tracks)),
      events_(std::move(events)),
      services_(std::move(services)) {
    if (!services_.newConverter) services_.newConverter = NewCConv2FileObj;
    for (const TRipTrack& track : tracks_) totalFrames_ += std::max(track.frames, 0);
}

CCdRip::~CCdRip() { Stop(false); }

bool CCdRip::Start() {
    if (worker_.joinable()) return false;
    run_.store(true);
    try {
        worker_ = std::thread([this] { RipWorkerThread(); });
    } catch (const std::system_error&) {
        run_.store(false);
        return false;
    }
    return true;
}

void CCdRip::Stop(bool userCancel) {
    if (userCancel) userCancel_.store(true);
    run_.store(false);
    // The worker also aborts from its own callbacks, so an abort that lands
    // between two tracks is not lost when the next extraction begins.
    if (worker_.joinable()) drive_.AbortExtraction();
    Join();
}

void CCdRip::Join() {
    if (worker_.joinable()) worker_.join();
}

TRipResult CCdRip::Result() const {
    std::lock_guard<std::mutex> lock(resultLock_);
    return result_;
}

void CCdRip::SetRow(const TRipTrack& track, int status, int percent) {
    if (events_.rowChanged) events_.rowChanged(track.row, status, percent);
}

void CCdRip::RipWorkerThread() {
    Log("CCDTab::RipWorkerThread - Starting rip worker thread");
    for (const TRipTrack& track : tracks_) SetRow(track, kCdRowRipping, 0);

    params_.eventCallback = &CCdRip::RipEventCallback;
    params_.dataCallback = &CCdRip::RipDataCallback;
    params_.eventContext = this;
    params_.dataContext = this;
    params_.jitterCorrection = settings_.jitter;
    params_.errorCorrection = settings_.errorMode;
    params_.retryCount = settings_.retries;
    params_.spindleSpeed = settings_.speed;
    LogFmt("   Jitter correction: %d", params_.jitterCorrection);
    LogFmt("   Error correction: %d", params_.errorCorrection);
    LogFmt("   Retry count: %d", params_.retryCount);
    LogFmt("   Spindle speed: %d", params_.spindleSpeed);

    bool goOn = true;
    for (std::size_t i = 0; i < tracks_.size() && Running() && goOn; ++i) goOn = RipOneTrack(i);
    // Rows never reached go back to ready at the finish.
    Log("CCDTab::RipWorkerThread - No more tracks, sending WM_RIP_FINISHED");
    if (events_.finished) events_.finished();
}

bool CCdRip::RipOneTrack(std::size_t index) {
    const TRipTrack& track = tracks_[index];
    current_ = index;
    file_ = ETrackFile::kNone;
    LogFmt("CCDTab::RipWorkerThread - Starting library rip on track %02d", track.discTrack);
    params_.trackNumber = track.discTrack;
    const bool extracted = drive_.ExtractTrack(&params_);
    if (extracted && file_ == ETrackFile::kWriting) EndTrack();
    if (file_ == ETrackFile::kFinished) return true;
    // A file that could not be made skips its track: the row says so and the
    // next track goes on (the rip as a whole has failed).
    if (file_ == ETrackFile::kCreateFailed) return true;
    DiscardFile();
    if (!extracted) Log("CCDTab::RipWorkerThread - Library rip failed!");
    int status = kCdRowFailed;
    std::lock_guard<std::mutex> lock(resultLock_);
    result_.success = false;
    if (file_ != ETrackFile::kWriteFailed) {
        char text[1024] = {};
        const std::int32_t code = extracted ? 0 : drive_.GetLastError(text, sizeof text);
        if (code != 0 && code != PLATTER_ERR_CANCELLED) {
            result_.errorCode = code;
            result_.errorText = text;
            result_.errorTrack = track.discTrack;
        } else if (userCancel_.load()) {
            status = kCdRowCancelled;
        }
    }
    SetRow(track, status, 0);
    return false;
}

void CCdRip::NoteCreateFailure(int code, bool formatKnown) {
    ERipCreateCause cause = ERipCreateCause::kOther;
    if (!formatKnown || (target_.type == FILE_CONVERSION_WMA && ConversionToWMAAllowed() == 0))
        cause = ERipCreateCause::kFormatUnavailable;
    else if (code == static_cast<int>(ERROR_ACCESS_DENIED) || code == static_cast<int>(ERROR_FILE_NOT_FOUND))
        cause = ERipCreateCause::kNotWritable;
    else if (code == static_cast<int>(ERROR_DISK_FULL))
        cause = ERipCreateCause::kDiskFull;
    std::lock_guard<std::mutex> lock(resultLock_);
    result_.success = false;
    if (result_.createFailures++ > 0) return;
    result_.createFailedPath = finalPath_;
    result_.createFailedCode = code;
    result_.createFailedCause = cause;
}

std::int32_t CCdRip::RipEventCallback(void* context, TExtractEvent* event) {
    auto* rip = static_cast<CCdRip*>(context);
    if (rip == nullptr || event == nullptr) return 1;
    switch (event->code) {
        case EVENT_EXTRACT_AUDIO_START:
            Log("Rip Callback - Received EVENT_EXTRACT_AUDIO_START");
            rip->StartTrack(event->value2 - event->value1);
            break;
        case EVENT_EXTRACT_AUDIO_PROGRESS:
            rip->OnRipProgress(event->value2);
            break;
        case EVENT_EXTRACT_AUDIO_END:
            Log("Rip Callback - Received EVENT_EXTRACT_AUDIO_END");
            rip->EndTrack();
            break;
        default:
            break;
    }
    return 1;
}

std::int32_t CCdRip::RipDataCallback(void* context, const void* data, std::int32_t count, std::int32_t size) {
    auto* rip = static_cast<CCdRip*>(context);
    // The block is count blocks of size bytes, each a 16-bit number.
    const std::size_t bytes = static_cast<std::size_t>(static_cast<std::uint16_t>(count)) *
                              static_cast<std::uint16_t>(size);
    if (rip == nullptr || data == nullptr) return size;
    return rip->OnData(static_cast<const std::uint8_t*>(data), bytes);
}

std::string CCdRip::TrackFolder(const TRipTrack& track) const {
    if (settings_.destTemp) return settings_.tempFolder;
    const std::string_view artist = Text(track.info.artist, sizeof track.info.artist);
    const std::string_view album = Text(track.info.album, sizeof track.info.album);
    if (!settings_.artistSubfolder || artist.empty()) return settings_.ripPath;
    const std::string name = RipArtistFolderFitting(settings_.ripPath, artist, album);
    if (name.empty()) return settings_.ripPath;
    std::string folder = settings_.ripPath + name;
    if (!IsFolder(folder) && mkdir(folder.c_str(), 0777) != 0 && !IsFolder(folder)) return settings_.ripPath;
    return folder + '/';
}

void CCdRip::StartTrack(std::int32_t frames) {
    if (current_ >= tracks_.size()) return;
    const TRipTrack& track = tracks_[current_];
    const std::string folder = TrackFolder(track);
    const TRipNameRules rules{settings_.useArtist, settings_.useAlbum, settings_.useTrack};
    const std::string base =
        RipFileBaseName(rules, Text(track.info.artist, sizeof track.info.artist),
                        Text(track.info.album, sizeof track.info.album),
                        Text(track.info.title, sizeof track.info.title), track.info.trackNumber);
    target_ = TRipTarget();
    const bool known = MakeRipTarget(settings_, track.info.tagType, target_);
    finalPath_ = names_.Take(folder, base, target_.extension);
    LogFmt("CCDTab::StartTrack - Creating output file: %s", finalPath_.c_str());
    LogFmt("CDDTab::StartTrack - Creating rip file with format: %d %d %s",
           static_cast<int>(target_.format.nSamplesPerSec), static_cast<int>(target_.format.wBitsPerSample),
           target_.format.nChannels == 2 ? "Stereo" : "Mono");

    ReleaseConverter();
    SetLastError(0);
    conv_ = known ? services_.newConverter(target_.type, target_.encoder) : nullptr;
    tempPath_ = TemporaryPathIn(folder);
    const WAVEFORMATEX source = CdSourceFormat();
    if (conv_ != nullptr && target_.type == FILE_CONVERSION_MP3) {
        // The MP3 converter takes its tag type and the encoder's limits from
        // the fitting of the target to the CD's PCM.
        CConv2FileFormat fitted(WAVE_FORMAT_MPEGLAYER3);
        conv_->GetTargetFormat(&fitted, &target_.format, &source, nullptr, nullptr);
        target_.format = fitted;
    }
    bool made = conv_ != nullptr && conv_->Create(tempPath_.c_str(), &target_.format, &source) == 1;
    if (made) {
        Log("CCDTab::StartTrack - Creating buffer");
        std::int32_t size = conv_->GetDesiredBufferSize();
        if (size <= 0) size = kDefaultBufferBytes;
        buffer_.assign(static_cast<std::size_t>(size), 0);
        fill_ = 0;
        made = target_.type != FILE_CONVERSION_MP3 || conv_->ReserveTagSpace() >= 0;
    }
    trackDone_ = 0;
    rowPercent_ = 0;
    if (made) {
        file_ = ETrackFile::kWriting;
        trackFrames_ = std::max(frames, 0);
        SetRow(track, kCdRowRipping, 0);
        return;
    }
    const auto code = static_cast<int>(GetLastError());
    DiscardFile();
    file_ = ETrackFile::kCreateFailed;
    trackFrames_ = 0;
    NoteCreateFailure(code, known);
    if (events_.createFailed) events_.createFailed(finalPath_, code);
    Log("CDDTab::StartTrack - Rip file creation failed, advancing to next track.");
    SetRow(track, kCdRowFailed, 0);
    drive_.AbortExtraction();
}

std::int32_t CCdRip::OnData(const std::uint8_t* data, std::size_t bytes) {
    if (!Running()) {
        drive_.AbortExtraction();
        return 0;
    }
    if (file_ != ETrackFile::kWriting || buffer_.empty()) return static_cast<std::int32_t>(bytes);
    std::size_t copied = 0;
    while (bytes - copied > buffer_.size() - fill_) {
        const std::size_t room = buffer_.size() - fill_;
        std::memcpy(buffer_.data() + fill_, data + copied, room);
        copied += room;
        fill_ = buffer_.size();
        if (!WriteBuffer()) {
            FailWrite();
            return 0;
        }
    }
    const std::size_t rest = bytes - copied;
    std::memcpy(buffer_.data() + fill_, data + copied, rest);
    fill_ += rest;
    return static_cast<std::int32_t>(rest);
}

bool CCdRip::WriteBuffer() {
    const auto bytes = static_cast<std::int64_t>(fill_);
    fill_ = 0;
    if (bytes == 0) return true;
    std::int64_t accepted = 0;
    const std::int64_t written = conv_->WriteStreamData(buffer_.data(), bytes, &accepted);
    return written >= 0 && accepted == bytes;
}

void CCdRip::FailWrite() {
    if (file_ != ETrackFile::kWriting) return;
    file_ = ETrackFile::kWriteFailed;
    LogFmt("CCDTab::RipDataCallback - Writing %s failed.", finalPath_.c_str());
    DiscardFile();
    if (events_.writeFailed) events_.writeFailed(finalPath_);
    drive_.AbortExtraction();
}

void CCdRip::OnRipProgress(std::int32_t frames) {
    if (!Running()) drive_.AbortExtraction();
    if (current_ >= tracks_.size() || frames <= 0) return;
    trackDone_ += frames;
    totalDone_ += frames;
    // Nothing is divided by a length of 0 (a track whose file failed).
    if (file_ == ETrackFile::kWriting && trackFrames_ > 0) {
        const int percent = std::clamp(static_cast<int>(trackDone_ * 100.0 / trackFrames_), 0, 100);
        if (percent != rowPercent_) {
            rowPercent_ = percent;
            SetRow(tracks_[current_], kCdRowRipping, percent);
        }
    }
    const int overall = totalFrames_ > 0 ? static_cast<int>(std::min<std::int64_t>(totalDone_ * 100 / totalFrames_, 100)) : 0;
    if (overall != percent_.load()) {
        percent_.store(overall);
        if (events_.progress) events_.progress(overall);
    }
}

void CCdRip::EndTrack() {
    // An aborted track's end is not a finished file.
    if (file_ != ETrackFile::kWriting || current_ >= tracks_.size() || !Running()) return;
    TRipTrack& track = tracks_[current_];
    if (!WriteBuffer() || conv_->EndWriteStream() < 0) {
        FailWrite();
        return;
    }
    buffer_.clear();
    buffer_.shrink_to_fit();

    CopyToField(settings_.encodedBy, track.info.encodedBy);
    auto tag = std::make_unique<TMusicInfo>();
    track.info.CopyToTMusicInfo(*tag);
    track.info.tagType = target_.tagType;
    tag->tagType = target_.tagType;
    // The converter ends its stream; a WAV file's texts go in here.
    int done = 0;
    const bool ended = conv_->FinalData(tempPath_.c_str(), settings_.encodedBy.c_str(), &done,
                                        target_.tagType != 0 ? tag.get() : nullptr) >= 0;
    conv_->Close();
    const bool tagged =
        target_.tagType == 0 || conv_->WriteTag(tempPath_.c_str(), settings_.encodedBy.c_str(), tag.get(), nullptr) >= 0;
    if (!ended || done != 1 || !tagged) {
        FailWrite();
        return;
    }
    // The library forgets its song of this path before the new file takes
    // its place; the new song is posted after it. A path longer than the
    // library's record holds stays out of the library.
    const bool forLibrary = !settings_.destTemp && finalPath_.size() < sizeof(TSVT_Song::path);
    if (!forLibrary && !settings_.destTemp)
        LogFmt("CCDTab::EndTrack - Path too long for the library: %s", finalPath_.c_str());
    if (forLibrary && events_.deleteLibrarySong) events_.deleteLibrarySong(finalPath_);
    std::error_code error;
    std::filesystem::rename(tempPath_, finalPath_, error);
    if (error) {
        FailWrite();
        return;
    }
    ReleaseConverter();
    tempPath_.clear();
    file_ = ETrackFile::kFinished;
    CopyToField(finalPath_, track.info.path);
    if (forLibrary && events_.trackDone) events_.trackDone(SongRecord(track, *tag));
    if (events_.rowRipped) events_.rowRipped(track.row, finalPath_);
}

std::unique_ptr<TSVT_Song> CCdRip::SongRecord(const TRipTrack& track, const TMusicInfo& tag) const {
    auto song = std::make_unique<TSVT_Song>();
    std::memset(song.get(), 0, sizeof(TSVT_Song));
    // A blank title is shown as the file's name, as imported songs are.
    const std::string_view title = TrimBlanks(Text(track.info.title, sizeof track.info.title));
    if (!title.empty()) {
        CopyToField(Text(track.info.title, sizeof track.info.title), song->title);
    } else {
        const std::string name = std::filesystem::path(finalPath_).stem().string();
        CopyToField(name, song->title);
    }
    CopyToField(Text(track.info.artist, sizeof track.info.artist), song->artist);
    CopyToField(Text(track.info.album, sizeof track.info.album), song->album);
    // The CD identifier fills its 8 bytes without a terminator.
    const std::size_t idLength = std::min<std::size_t>(tag.cdIdentifierLength, SVT_CDID_BYTES);
    std::memcpy(song->cdId, tag.cdIdentifier, idLength);
    CopyToField(Text(track.info.comment, sizeof track.info.comment), song->comment);
    CopyToField(finalPath_, song->path);
    song->genre = static_cast<std::int16_t>(track.info.genreIndex);
    song->year = static_cast<std::int16_t>(track.info.year);
    song->track = static_cast<std::int16_t>(track.info.trackNumber);
    song->trackCount = static_cast<std::int16_t>(track.info.trackCount);
    song->lengthMs = static_cast<std::int32_t>(std::int64_t{track.frames} * 1000 / kFramesPerSecond);
    song->tagType = target_.tagType;
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    song->createDate = now;
    song->changeDate = now;
    song->format = target_.songFormat;
    // What field queries ask of a song: its rate and bit rate.
    song->sampleRateHz = static_cast<std::int32_t>(target_.format.nSamplesPerSec);
    song->bitRateKbps = target_.type == FILE_CONVERSION_WAV
                            ? static_cast<std::int32_t>(target_.format.nAvgBytesPerSec * 8 / 1000)
                            : target_.format.bitrate;
    return song;
}

void CCdRip::ReleaseConverter() {
    if (conv_ == nullptr) return;
    DeleteRefObject(&conv_);
    conv_ = nullptr;
}

void CCdRip::DiscardFile() {
    buffer_.clear();
    fill_ = 0;
    if (conv_ != nullptr && conv_->IsOpen() != 0) {
        conv_->EndWriteStream();
        conv_->Close();
    }
    ReleaseConverter();
    if (!tempPath_.empty()) {
        std::error_code error;
        std::filesystem::remove(tempPath_, error);
        tempPath_.clear();
    }
}
