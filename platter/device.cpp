#include "platter/device.h"

#include <algorithm>
#include <cstring>

#include "platter/disc_toc.h"
#include "platter/errors.h"
#include "platter/paranoia_reader.h"

void PlatterCopyText(const std::string& text, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) return;
    std::size_t n = std::min(text.size(), outSize - 1);
    // Back off continuation bytes so no character is cut in half.
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

PLATTER_CDevice::PLATTER_CDevice() = default;

PLATTER_CDevice::~PLATTER_CDevice() { ClearDiscInfo(); }

std::int32_t PLATTER_CDevice::GetSpeedOfSpeedNumber(std::int32_t number) {
    if (speedsX_.empty()) return 0;
    if (number == PLATTER_SPEED_MAXIMUM) return speedsX_.back();
    if (engine_ == 0) {
        if (number < 0 || number >= static_cast<std::int32_t>(speedsX_.size())) return 0;
        return speedsX_[static_cast<std::size_t>(number)];
    }
    return number;
}

std::int32_t PLATTER_CDevice::GetNumWriteSpeeds() { return static_cast<std::int32_t>(speedsX_.size()); }

std::int32_t PLATTER_CDevice::GetWriteSpeed(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(speedsX_.size())) return PLATTER_SPEED_UNUSABLE;
    return engine_ == 0 ? index : speedsX_[static_cast<std::size_t>(index)];
}

std::int32_t PLATTER_CDevice::GetClosestSupportedSpeed(std::int32_t speed) {
    if (speed == PLATTER_SPEED_MAXIMUM || speedsX_.empty()) return speed;
    const auto count = static_cast<std::int32_t>(speedsX_.size());
    if (engine_ == 0) return std::clamp(speed, 0, count - 1);
    std::int32_t best = speedsX_.front();
    for (std::int32_t x : speedsX_)
        if (x <= speed) best = x;
    return best;
}

std::int32_t PLATTER_CDevice::GetLastError(char* text, std::size_t textSize) const {
    std::lock_guard<std::mutex> hold(errorLock_);
    PlatterCopyText(errorText_, text, textSize);
    return errorCode_;
}

std::int32_t PLATTER_CDevice::GetNumDataTracks() const {
    std::int32_t data = 0;
    for (std::int32_t i = 0; i < trackCount && i < PLATTER_MAX_TRACKS; ++i)
        if (trackTable[i].dataTrack != 0) ++data;
    return data;
}

void PLATTER_CDevice::SetIdentity(const char* vendorText, const char* productText, const char* revisionText) {
    PlatterCopyText(vendorText, vendor, sizeof vendor);
    PlatterCopyText(productText, product, sizeof product);
    PlatterCopyText(revisionText, revision, sizeof revision);
    name_ = std::string(vendor) + " " + product;
}

void PLATTER_CDevice::SetWriteSpeeds(std::vector<std::int32_t> speedsX, std::int32_t engine) {
    std::sort(speedsX.begin(), speedsX.end());
    speedsX_ = std::move(speedsX);
    engine_ = engine == 0 ? 0 : 1;
    if (speedsX_.empty()) {
        lowestSpeed = highestSpeed = 0;
    } else if (engine_ == 0) {
        lowestSpeed = 0;
        highestSpeed = static_cast<std::int32_t>(speedsX_.size()) - 1;
    } else {
        lowestSpeed = speedsX_.front();
        highestSpeed = speedsX_.back();
    }
}

void PLATTER_CDevice::SetError(std::int32_t code, const std::string& text) {
    std::lock_guard<std::mutex> hold(errorLock_);
    errorCode_ = code;
    errorText_ = text.empty() ? PlatterCodeReason(code) : text;
}

void PLATTER_CDevice::ClearError() {
    std::lock_guard<std::mutex> hold(errorLock_);
    errorCode_ = 0;
    errorText_.clear();
}

std::unique_lock<std::mutex> PLATTER_CDevice::TryLockMediumForRead() {
    std::unique_lock<std::mutex> hold(mediumLock_, std::try_to_lock);
    if (!hold.owns_lock()) SetError(PLATTER_ERR_BUSY, "");
    return hold;
}

std::unique_lock<std::mutex> PLATTER_CDevice::LockForExtraction(const TExtractParams* params) {
    if (params == nullptr) {
        SetError(PLATTER_ERR_BAD_PARAMS, "");
        return std::unique_lock<std::mutex>();
    }
    return TryLockMediumForRead();
}

bool PLATTER_CDevice::RunRip(const TParanoiaRip& rip, const TExtractParams& params) {
    TExtractFailure failure;
    if (!RipTrackThroughParanoia(rip, params, failure)) {
        SetError(failure.code, failure.text);
        return false;
    }
    ClearError();
    return true;
}

void PLATTER_CDevice::ClearDiscInfo() {
    for (PLATTER_TTrackPos* pos : trackPositions) delete pos;
    trackPositions.Empty();
    trackCount = 0;
    discId = 0;
    correctionNotNeeded = 0;
    for (auto& row : trackTable) row = PLATTER_TTrackInfo{};
}

void PLATTER_CDevice::SetDiscInfo(const TDiscToc& toc) {
    ClearDiscInfo();
    for (std::size_t i = 0; i < toc.tracks.size() && i < PLATTER_MAX_TRACKS; ++i) {
        const std::int32_t start = toc.tracks[i].lsn + kLeadInFrames;
        const std::int32_t length = TrackEndLsn(toc, i) - toc.tracks[i].lsn;
        PLATTER_TTrackInfo& row = trackTable[i];
        row.startFrame = start;
        row.lengthFrames = length;
        row.minutes = length / kFramesPerMinute;
        row.seconds = length / kFramesPerSecond % 60;
        row.frames = length % kFramesPerSecond;
        row.dataTrack = toc.tracks[i].data ? 1 : 0;

        auto* pos = new PLATTER_TTrackPos;
        pos->lengthMinutes = row.minutes;
        pos->lengthSeconds = row.seconds;
        pos->lengthFrames = row.frames;
        pos->positionMinutes = start / kFramesPerMinute;
        pos->positionSeconds = start / kFramesPerSecond % 60;
        pos->positionFrames = start % kFramesPerSecond;
        pos->frameOffset = start;
        if (!trackPositions.Append(pos)) delete pos;
    }
    trackCount = static_cast<std::int32_t>(toc.tracks.size());
    discId = ComputeDiscId(toc);
    correctionNotNeeded = 1;
}
