#include "platter/fake/fake_device.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "platter/errors.h"
#include "platter/read_policy.h"
#include "platter/track_extractor.h"

namespace {

// Sectors of the scripted disc: a pattern known to the test.
class CPatternReader {
public:
    explicit CPatternReader(const std::set<std::int32_t>& bad) : bad_(bad) {}
    bool ReadSectors(std::int32_t lsn, std::int32_t count, std::uint8_t* out) {
        for (std::int32_t s = 0; s < count; ++s) {
            if (bad_.count(lsn + s) != 0) return false;
            for (std::int32_t i = 0; i < PLATTER_SECTOR_BYTES; ++i)
                out[static_cast<std::size_t>(s) * PLATTER_SECTOR_BYTES + static_cast<std::size_t>(i)] =
                    PLATTER_CFakeDevice::PatternByte(lsn + s, i);
        }
        return true;
    }

private:
    const std::set<std::int32_t>& bad_;
};

struct TPullState {
    std::vector<std::uint8_t>* audio;
    std::int64_t limit;
};

std::int32_t CollectAudio(void* buffer, std::int32_t& length, void* context) {
    auto* state = static_cast<TPullState*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::int64_t take = length;
    if (state->limit >= 0)
        take = std::min<std::int64_t>(take, state->limit - static_cast<std::int64_t>(state->audio->size()));
    if (take > 0) state->audio->insert(state->audio->end(), bytes, bytes + take);
    length = static_cast<std::int32_t>(std::max<std::int64_t>(take, 0));
    return state->limit >= 0 && static_cast<std::int64_t>(state->audio->size()) >= state->limit ? 1 : 0;
}

}  // namespace

PLATTER_CFakeDevice::PLATTER_CFakeDevice(IPlatterClock* clock)
    : clock_(clock != nullptr ? clock : PlatterSystemClock()) {
    hostAdapter = 2;
    target = 0;
    lun = 0;
    capabilities = PLATTER_CAP_WRITER | PLATTER_CAP_CDTEXT | PLATTER_CAP_BURNPROOF;
    SetIdentity("Fake", "Scripted Drive", "1");
    SetWriteSpeeds({4, 8, 16, 24}, 1);
    driveText = "fake0";
    mediaStatus.store(PLATTER_MEDIA_BLANK_CDR);
}

std::uint8_t PLATTER_CFakeDevice::PatternByte(std::int32_t lsn, std::int32_t i) {
    return static_cast<std::uint8_t>((lsn * 31 + i * 7 + (i >> 8)) & 0xFF);
}

void PLATTER_CFakeDevice::ScriptStatuses(std::vector<std::int32_t> statuses) {
    std::lock_guard<std::mutex> hold(lock_);
    statuses_.assign(statuses.begin(), statuses.end());
}

void PLATTER_CFakeDevice::ScriptWrite(TFakeWrite write) {
    std::lock_guard<std::mutex> hold(lock_);
    writes_.push_back(std::move(write));
}

void PLATTER_CFakeDevice::ScriptDisc(TDiscToc toc) {
    std::lock_guard<std::mutex> hold(lock_);
    disc_ = std::move(toc);
    hasDisc_ = true;
}

void PLATTER_CFakeDevice::ScriptExtractFailure(std::int32_t code, std::string text) {
    std::lock_guard<std::mutex> hold(lock_);
    extractFailure_ = code;
    extractFailureText_ = std::move(text);
}

std::vector<TFakeWriteRecord> PLATTER_CFakeDevice::Writes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return records_;
}

void PLATTER_CFakeDevice::RefreshStatus() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!statuses_.empty()) {
        mediaStatus.store(statuses_.front());
        if (statuses_.size() > 1) statuses_.pop_front();
    }
}

bool PLATTER_CFakeDevice::IsDiscReady() {
    RefreshStatus();
    return mediaStatus.load() != PLATTER_MEDIA_NONE;
}

bool PLATTER_CFakeDevice::Eject() {
    ++ejectCalls;
    return true;
}

bool PLATTER_CFakeDevice::ReadDeviceInfo() {
    TDiscToc disc;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!hasDisc_) {
            ClearDiscInfo();
            SetError(PLATTER_ERR_OPEN, "There is no disc in the drive.");
            return false;
        }
        disc = disc_;
    }
    std::string why;
    if (!ValidateToc(disc, why)) {
        ClearDiscInfo();
        SetError(PLATTER_ERR_BAD_TOC, why);
        return false;
    }
    SetDiscInfo(disc);
    // A drive of the program's original kind, whose Enhanced CD lengths
    // need the CD audio reader's correction.
    if (lengthsNeedCorrection.load()) correctionNotNeeded = 0;
    ClearError();
    return true;
}

bool PLATTER_CFakeDevice::ExtractTrack(TExtractParams* params) {
    abortExtraction_.store(false);
    TDiscToc disc;
    std::set<std::int32_t> bad;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (extractFailure_ != 0) {
            SetError(extractFailure_, extractFailureText_);
            extractFailure_ = 0;
            return false;
        }
        disc = disc_;
        bad = badSectors_;
    }
    if (params == nullptr || !hasDisc_) {
        SetError(params == nullptr ? PLATTER_ERR_BAD_PARAMS : PLATTER_ERR_OPEN, "");
        return false;
    }
    CPatternReader pattern(bad);
    TExtractFailure failure;
    std::int32_t start = 0;
    std::int32_t end = 0;
    if (!ResolveAudioTrack(disc, *params, start, end, failure)) {
        SetError(failure.code, failure.text);
        return false;
    }
    CSectorReadPolicy policy(*params, start, end, abortExtraction_,
                             [&pattern](std::int32_t lsn, std::int32_t count, std::uint8_t* out) {
                                 return pattern.ReadSectors(lsn, count, out);
                             });
    CPolicySectorReader reader(policy);
    if (!ExtractTrackAudio(disc, *params, reader, abortExtraction_, failure)) {
        SetError(failure.code, failure.text);
        return false;
    }
    ClearError();
    return true;
}

TFakeWrite PLATTER_CFakeDevice::NextWrite() {
    std::lock_guard<std::mutex> hold(lock_);
    if (writes_.empty()) return TFakeWrite{};
    TFakeWrite next = std::move(writes_.front());
    writes_.pop_front();
    return next;
}

void PLATTER_CFakeDevice::RunWriteScript(const TFakeWrite& script, const TWriteDiscParams& block,
                                         TFakeWriteRecord& record) {
    std::thread renderer;
    TPullState pull{&record.audio, script.pullBytes};
    if (block.onTheFly != 0 && block.audioCallback != nullptr)
        renderer = std::thread([&] { block.audioCallback(block.audioContext, &CollectAudio, &pull); });
    for (const TFakeTimedEvent& timed : script.events) {
        clock_->SleepMs(timed.afterMs);
        if (block.eventCallback == nullptr) continue;
        TBurnEvent event;
        event.code = timed.code;
        event.trackNumber = timed.track;
        event.blocksToRecord = timed.blocks;
        block.eventCallback(block.eventContext, &event);
    }
    if (renderer.joinable()) renderer.join();
}

std::int32_t PLATTER_CFakeDevice::WriteDisc(const TWriteDiscParams* params) {
    abortWrite_.store(false);
    if (params == nullptr) {
        SetError(PLATTER_WRITE_REFUSED, "No write block was given.");
        return PLATTER_WRITE_REFUSED;
    }
    // The program may free its paths once the call returns; keep copies and
    // point the kept block at them.
    TFakeWriteRecord record;
    record.block = *params;
    const int count = std::min<int>(params->trackCount, PLATTER_MAX_TRACKS);
    for (int i = 0; i < count; ++i)
        record.paths.emplace_back(params->tracks[i].path != nullptr ? params->tracks[i].path : "");
    // The kept block holds no pointers into the program: paths has the texts.
    for (int i = 0; i < count; ++i) record.block.tracks[i].path = nullptr;
    if (params->cueSheetPath[0] != '\0' && std::memchr(params->cueSheetPath, '\0', MAX_PATH) != nullptr) {
        std::ifstream in(params->cueSheetPath, std::ios::binary);
        record.cueSheet.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    const TFakeWrite script = NextWrite();
    // The events and the audio pull run on the drive's own thread, as the
    // program meets them with a real drive.
    std::thread drive([&] { RunWriteScript(script, *params, record); });
    drive.join();
    {
        std::lock_guard<std::mutex> hold(lock_);
        records_.push_back(std::move(record));
    }
    if (script.result != 0) SetError(script.result, script.errorText);
    else ClearError();
    return script.result;
}
