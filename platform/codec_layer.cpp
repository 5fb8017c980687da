#include "platform/codec_layer.h"

#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/codec_drivers.h"

struct TCodecStreamHandle {
    std::unique_ptr<ICodecStream> stream;
    HACMDRIVERID driverId = 0;
};

struct TCodecDriverHandle {
    ICodecDriver* driver = nullptr;
};

namespace {

// Header status bit: the header was prepared on a stream.
constexpr std::uint32_t kHeaderPrepared = 0x00020000;

// The process's drivers, the built-in ones first. Drivers are never removed,
// so a pointer taken under the lock stays valid after it is released.
class CDriverTable {
public:
    CDriverTable() {
        drivers_.push_back(MakeG711CodecDriver());
        drivers_.push_back(MakeImaAdpcmCodecDriver());
        drivers_.push_back(MakeMsAdpcmCodecDriver());
        drivers_.push_back(MakeGsmCodecDriver());
    }

    HACMDRIVERID Add(std::unique_ptr<ICodecDriver> driver) {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < drivers_.size(); ++i) {
            if (std::string_view(drivers_[i]->Name()) == driver->Name()) return static_cast<HACMDRIVERID>(i + 1);
        }
        drivers_.push_back(std::move(driver));
        return static_cast<HACMDRIVERID>(drivers_.size());
    }

    // The drivers as they stand now, in order.
    std::vector<ICodecDriver*> Snapshot() {
        std::lock_guard lock(mutex_);
        std::vector<ICodecDriver*> out;
        for (const auto& driver : drivers_) out.push_back(driver.get());
        return out;
    }

    ICodecDriver* ById(HACMDRIVERID id) {
        std::lock_guard lock(mutex_);
        if (id == 0 || id > drivers_.size()) return nullptr;
        return drivers_[id - 1].get();
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<ICodecDriver>> drivers_;
};

CDriverTable& Drivers() {
    static CDriverTable table;
    return table;
}

}  // namespace

HACMDRIVERID CodecLayerAddDriver(std::unique_ptr<ICodecDriver> driver) {
    if (!driver) return 0;
    return Drivers().Add(std::move(driver));
}

MMRESULT acmStreamOpen(HACMSTREAM* stream, const WAVEFORMATEX* source, const WAVEFORMATEX* destination) {
    if (stream == nullptr || source == nullptr || destination == nullptr) return MMSYSERR_INVALPARAM;
    *stream = nullptr;
    const std::vector<ICodecDriver*> drivers = Drivers().Snapshot();
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        std::unique_ptr<ICodecStream> opened = drivers[i]->Open(source, destination);
        if (!opened) continue;
        auto* handle = new (std::nothrow) TCodecStreamHandle;
        if (handle == nullptr) return MMSYSERR_NOMEM;
        handle->stream = std::move(opened);
        handle->driverId = static_cast<HACMDRIVERID>(i + 1);
        *stream = handle;
        return MMSYSERR_NOERROR;
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamClose(HACMSTREAM stream) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    delete stream;
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverID(HACMSTREAM stream, HACMDRIVERID* driverId) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (driverId == nullptr) return MMSYSERR_INVALPARAM;
    *driverId = stream->driverId;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM stream, std::uint32_t input, std::uint32_t* output, std::uint32_t flags) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (output == nullptr) return MMSYSERR_INVALPARAM;
    if (flags != ACM_STREAMSIZEF_SOURCE && flags != ACM_STREAMSIZEF_DESTINATION) return MMSYSERR_INVALFLAG;
    *output = flags == ACM_STREAMSIZEF_SOURCE ? stream->stream->DestinationBytesFor(input)
                                              : stream->stream->SourceBytesFor(input);
    return *output == 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, TCodecStreamHeader* header) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->source == nullptr || header->destination == nullptr ||
        header->sourceBytes == 0 || header->destinationBytes == 0) {
        return MMSYSERR_INVALPARAM;
    }
    header->status |= kHeaderPrepared;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, TCodecStreamHeader* header, std::uint32_t flags) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if (flags != 0) return MMSYSERR_INVALFLAG;
    if ((header->status & kHeaderPrepared) == 0) return ACMERR_UNPREPARED;
    header->sourceUsed = 0;
    header->destinationUsed = 0;
    if (!stream->stream->Convert(header->source, header->sourceBytes, header->destination,
                                 header->destinationBytes, &header->sourceUsed, &header->destinationUsed)) {
        return MMSYSERR_ERROR;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, TCodecStreamHeader* header) {
    if (stream == nullptr) return MMSYSERR_INVALHANDLE;
    if (header == nullptr) return MMSYSERR_INVALPARAM;
    if ((header->status & kHeaderPrepared) == 0) return ACMERR_UNPREPARED;
    header->status &= ~kHeaderPrepared;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(const WAVEFORMATEX* source, WAVEFORMATEX* destination,
                          std::uint32_t destinationSize, std::uint32_t flags) {
    if (source == nullptr || destination == nullptr || destinationSize < sizeof(WAVEFORMATEX)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & ~ACM_FORMATSUGGESTF_WFORMATTAG) != 0) return MMSYSERR_INVALFLAG;
    // Only PCM is ever suggested, so a kept tag must be PCM's.
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) != 0 && destination->wFormatTag != WAVE_FORMAT_PCM) {
        return ACMERR_NOTPOSSIBLE;
    }
    for (ICodecDriver* driver : Drivers().Snapshot()) {
        WAVEFORMATEX suggested{};
        if (!driver->SuggestPCM(source, &suggested)) continue;
        std::memset(destination, 0, destinationSize);
        *destination = suggested;
        return MMSYSERR_NOERROR;
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID driverId) {
    if (driver == nullptr) return MMSYSERR_INVALPARAM;
    *driver = nullptr;
    ICodecDriver* found = Drivers().ById(driverId);
    if (found == nullptr) return MMSYSERR_INVALHANDLE;
    auto* handle = new (std::nothrow) TCodecDriverHandle;
    if (handle == nullptr) return MMSYSERR_NOMEM;
    handle->driver = found;
    *driver = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER driver) {
    if (driver == nullptr) return MMSYSERR_INVALHANDLE;
    delete driver;
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagDetails(HACMDRIVER driver, TCodecTagDetails* details, std::uint32_t flags) {
    if (driver == nullptr) return MMSYSERR_INVALHANDLE;
    if (details == nullptr) return MMSYSERR_INVALPARAM;
    if (flags != ACM_FORMATTAGDETAILSF_FORMATTAG) return MMSYSERR_INVALFLAG;
    const char* name = driver->driver->TagName(details->formatTag);
    if (name == nullptr) return ACMERR_NOTPOSSIBLE;
    std::strncpy(details->name, name, kCodecTagNameChars - 1);
    details->name[kCodecTagNameChars - 1] = '\0';
    return MMSYSERR_NOERROR;
}
