#include "songsmith/burner/burner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "filekit/log.h"
#include "platter/types.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"
#include "utilities/keyed_text.h"

namespace {

// Lead-in and lead-out the drive writes around the audio.
constexpr int kLeadInOutMs = 16000;

bool IsWriter(const PLATTER_CDevice* device) {
    return device != nullptr && (device->capabilities & PLATTER_CAP_WRITER) != 0;
}

std::string Field(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

void Describe(const PLATTER_CDevice& device, bool withRevision, char* out, std::size_t size) {
    std::string text = Field(device.vendor, sizeof device.vendor) + " " + Field(device.product, sizeof device.product);
    if (withRevision) text += " " + Field(device.revision, sizeof device.revision);
    std::snprintf(out, size, "%s", text.c_str());
}

bool IsWriteState(int state) { return state == kBurnStateTesting || state == kBurnStateBurning; }

// The logo's mode for a state the poll shows; -1 leaves the logo alone.
int LogoModeFor(int state) {
    switch (state) {
        case kBurnStateBlankDisc: return 1;
        case kBurnStateBurntDisc:
        case kBurnStateBurnt: return 4;
        case kBurnStateTesting:
        case kBurnStateBurning: return 2;
        case kBurnStateNoDisc:
        case kBurnStateUnwritableDisc:
        case kBurnStateUnknownDisc: return 0;
        default: return -1;
    }
}

}  // namespace

CBurner::CBurner(IBurnerDrives& drives, CPreferences& prefs, IBurnerHost& host, IPlatterClock* clock,
                 TBurnTiming timing)
    : drives_(drives),
      prefs_(prefs),
      host_(host),
      clock_(clock != nullptr ? clock : PlatterSystemClock()),
      timing_(timing) {}

int CBurner::Initialize() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    Log("Initializing burner object...");
    errorIndex.store(3);
    initialised = 0;
    // A writer chosen before is chosen again only if the saved address
    // still names it.
    device_ = nullptr;
    if (!drives_.Ready()) return 0;
    const TBurnerPrefs& saved = prefs_.BurnerPrefs;
    if (saved[kBurnerWriterSecond] >= 0) {
        PLATTER_CDevice* found = drives_.FindDeviceByParams(saved[kBurnerWriterFirst], saved[kBurnerWriterSecond],
                                                            saved[kBurnerWriterThird]);
        if (IsWriter(found)) device_ = found;
    }
    if (device_ == nullptr) {
        PLATTER_CDevice* first = drives_.NumWriters(false, true) == 0 ? nullptr : FirstWriter();
        if (first == nullptr) return 0;
        device_ = first;
        KeepWriterAddress(*first);
    }
    errorIndex.store(0);
    LogWriter();
    host_.FindWriterPage(device_->driveText);
    initialised = 1;
    return 1;
}

PLATTER_CDevice* CBurner::FirstWriter() {
    const std::int32_t count = drives_.GetDevices();
    for (std::int32_t i = 0; i < count; ++i)
        if (PLATTER_CDevice* device = drives_.GetDevice(i); IsWriter(device)) return device;
    return nullptr;
}

void CBurner::KeepWriterAddress(const PLATTER_CDevice& writer) {
    prefs_.BurnerPrefs[kBurnerWriterFirst] = writer.hostAdapter;
    prefs_.BurnerPrefs[kBurnerWriterSecond] = writer.target;
    prefs_.BurnerPrefs[kBurnerWriterThird] = writer.lun;
}

void CBurner::LogWriter() {
    LogFmt("CD-Recorder device found...HA #%u - SCSI ID #%u - %-8s %-16s %-4s",
           static_cast<unsigned>(device_->hostAdapter), static_cast<unsigned>(device_->scsiId),
           Field(device_->vendor, sizeof device_->vendor).c_str(),
           Field(device_->product, sizeof device_->product).c_str(),
           Field(device_->revision, sizeof device_->revision).c_str());
    if (drives_.Engine() == 0) LogFmt("Max Write Speed = %d X", GetSpeedOfIndex(GetMaxSpeed()));
}

bool CBurner::GetStateText(char* out, int size) const {
    if (size <= 0) return false;
    out[0] = '\0';
    const char* key = BurnStateKey(state.load());
    if (key == nullptr) return false;
    MyLoadString(key, out, size);
    return out[0] != '\0';
}

void CBurner::GetWriterDescription(char* out, std::size_t size, int index, bool withRevision) {
    if (index == -1) {
        if (device_ != nullptr) Describe(*device_, withRevision, out, size);
        return;
    }
    if (index < 0) return;
    int adapter = 0, id = 0, lun = 0;
    GetWriterByIndex(index, out, size, &adapter, &id, &lun, withRevision);
}

int CBurner::GetWriterByIndex(int index, char* out, std::size_t size, int* adapter, int* id, int* lun,
                              bool withRevision) {
    if (size > 0) out[0] = '\0';
    const std::int32_t count = drives_.GetDevices();
    int seen = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        PLATTER_CDevice* device = drives_.GetDevice(i);
        if (!IsWriter(device)) continue;
        if (seen++ != index) continue;
        Describe(*device, withRevision, out, size);
        *adapter = device->hostAdapter;
        *id = device->scsiId;
        *lun = device->lun;
        return 1;
    }
    return 0;
}

bool CBurner::SupportsCDText() const { return device_ != nullptr && (device_->capabilities & PLATTER_CAP_CDTEXT) != 0; }
bool CBurner::SupportsBurnProof() const {
    return device_ != nullptr && (device_->capabilities & PLATTER_CAP_BURNPROOF) != 0;
}
int CBurner::GetMinSpeed() const { return device_ != nullptr ? device_->lowestSpeed : 0; }
int CBurner::GetMaxSpeed() const { return device_ != nullptr ? device_->highestSpeed : 0; }
int CBurner::GetSpeedOfIndex(int number) const {
    return device_ != nullptr ? device_->GetSpeedOfSpeedNumber(number) : 0;
}

int CBurner::GetWriteSpeed() const {
    int number = prefs_.BurnerPrefs[kBurnerWriteSpeed];
    if (number == 255) number = GetMaxSpeed();
    // The Zent engine numbers its speeds by their multiple of 1X.
    if (drives_.Engine() == 1) return number;
    return GetSpeedOfIndex(number);
}

int CBurner::GetNumCDRBurnSpeeds() const { return device_ != nullptr ? device_->GetNumWriteSpeeds() : 0; }
int CBurner::GetCDRBurnSpeed(int index) const { return device_ != nullptr ? device_->GetWriteSpeed(index) : 0; }
int CBurner::GetClosestSpeed(int speed) const {
    return device_ != nullptr ? device_->GetClosestSupportedSpeed(speed) : speed;
}

int CBurner::MaxMilsPerCD(bool askDevice) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    // A ripping page has the drive: keep what is known.
    if (host_.WriterPageRipping()) return storedCapacity.load();
    if (device_ == nullptr) return 0;
    if (!writing.load() && !host_.AnyPageRipping()) {
        int capacity = prefs_.iDefaultMediaSize * 60000 - 10;
        // Every engine reads the disc in the drive: a disc too small for a
        // layout is then laid out for what it holds.
        if ((prefs_.bAutoDetectMediaSize != 0 || askDevice) && device_->IsDiscReady())
            capacity = device_->GetCapacity(1);
        if (capacity > 0) storedCapacity.store(capacity);
    }
    return storedCapacity.load();
}

int CBurner::DiscCapacityMs() { return MaxMilsPerCD(false); }

bool CBurner::BurnOrRipRunning() { return threadRunning.load() || host_.AnyPageRipping(); }

int CBurner::RefreshMediaStatus() {
    device_->RefreshStatus();
    if (device_->mediaStatus.load() == 0) device_->RefreshStatus();
    return device_->mediaStatus.load();
}

// The drive answers "ready" for any disc; only a blank one can be written.
bool CBurner::BlankDiscReady() {
    if (!device_->IsDiscReady()) return false;
    const int status = device_->mediaStatus.load();
    return status == PLATTER_MEDIA_BLANK_CDR || status == PLATTER_MEDIA_BLANK_CDRW;
}

int CBurner::NextIdleState(int current, int status, bool blank) const {
    // The library reports an empty drive as "no disc"; 0 means the same.
    if (status == 0 || status == PLATTER_MEDIA_NONE) return kBurnStateNoDisc;
    if (current != kBurnStateBurnt && status == PLATTER_MEDIA_WRITTEN) return kBurnStateUnwritableDisc;
    return blank ? kBurnStateBlankDisc : current;
}

void CBurner::PollDriveState() {
    if (prefs_.bRefreshCDStateWhenIdle == 0) return;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (device_ == nullptr || host_.WriterPageRipping()) return;
    const int current = state.load();
    if (!(current >= kBurnStateWaiting && current <= kBurnStateBurning) && !writing.load()) {
        const int status = RefreshMediaStatus();
        state.store(NextIdleState(current, status, BlankDiscReady()));
    }
    if (state.load() != shownState) ShowState(state.load());
}

void CBurner::ShowState(int newState) {
    char text[256];
    GetStateText(text, sizeof text);
    host_.SetStateText(text);
    if (const int logo = LogoModeFor(newState); logo >= 0) host_.SetLogoMode(logo);
    if (newState == kBurnStateBlankDisc)
        MaxMilsPerCD(false);
    else if (newState >= kBurnStateNoDisc && newState <= kBurnStateUnknownDisc)
        storedCapacity.store(kBurnDefaultCapacityMs);
    host_.RefreshTotalsAndTitle();
    shownState = newState;
}

void CBurner::SetRequest(int value) {
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        request.store(value);
    }
    WakeWaiters();
}

bool CBurner::RequestIs(int value) const {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return request.load() == value;
}

void CBurner::SetState(int value) {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    state.store(value);
}

bool CBurner::IsDiscReady() {
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (writing.load() || device_ == nullptr) return false;
    return BlankDiscReady();
}

double CBurner::CurrentSpeed() const {
    if (measuredSpeedValid.load()) return measuredSpeed.load();
    return GetWriteSpeed();
}

int CBurner::GetTimeRemaining() {
    const int current = state.load();
    if (IsWriteState(current)) {
        const double speed = CurrentSpeed();
        if (ZentEngine() && drives_.PercentDone() >= 1) return drives_.CalcBurnTimeRemaining();
        if (!ZentEngine() && writeStart.load() == kNoWriteStart) return 0;
        if (!(speed > 0)) return kUnknownTimeLeft;
        const double writeMs = totalBurnLength.load() / speed;
        if (ZentEngine()) return static_cast<int>(writeMs);
        const double elapsed = static_cast<double>(Now() - writeStart.load());
        if (elapsed < writeMs) return static_cast<int>(writeMs - elapsed);
        // Slower than estimated: the tracks written so far give the pace.
        const int written = msWritten.load();
        if (written <= 0 || !(elapsed > 0)) return kUnknownTimeLeft;
        const double pace = written / elapsed;
        return static_cast<int>(std::max(0, totalBurnLength.load() - written) / pace);
    }
    if (current == kBurnStateConverting) {
        const std::int64_t elapsed = Now() - conversionStart.load();
        const int converted = msConverted.load();
        // Nothing converted or no time passed: no rate to go by.
        if (elapsed <= 0 || converted <= 0) return 0;
        const double rate = static_cast<double>(converted) / static_cast<double>(elapsed);
        prefs_.waveConvertRate.store(rate);
        return static_cast<int>(std::max(0, msToConvert.load() - converted) / rate);
    }
    return 0;
}

double CBurner::GetProgress() {
    const int current = state.load();
    double progress = 0.0;
    if (IsWriteState(current) && writeStart.load() != kNoWriteStart) {
        if (ZentEngine()) {
            progress = drives_.PercentDone() * 0.01;
        } else {
            const double speed = CurrentSpeed();
            const int writeMs = speed > 0 ? static_cast<int>(totalBurnLength.load() / speed) : 0;
            if (writeMs > 0) progress = static_cast<double>(Now() - writeStart.load()) / writeMs;
        }
    } else if (current == kBurnStateConverting && msToConvert.load() > 0) {
        progress = static_cast<double>(msConverted.load()) / msToConvert.load();
    }
    return std::clamp(progress, 0.0, 1.0);
}

int CBurner::EstimateBurnTime(int lengthMs, int speed, bool convertFirst) const {
    const double rate = prefs_.waveConvertRate.load();
    const bool rateKnown = std::isfinite(rate) && rate > 0;
    const int conversion = convertFirst && rateKnown ? static_cast<int>(lengthMs / rate) : 0;
    return conversion + (lengthMs + kLeadInOutMs) / std::max(speed, 1);
}
