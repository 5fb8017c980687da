#include "tonecore/acm_object.h"

#include <cstring>
#include <new>

ACMObject::ACMObject(const WAVEFORMATEX* source, std::uint32_t use)
    : use_(use), source_(FormatBytes(source)), frequency_(source != nullptr ? static_cast<std::int32_t>(source->nSamplesPerSec) : 0) {}

ACMObject::ACMObject(const ACMObject& other)
    : use_(other.use_),
      source_(other.source_),
      destination_(other.destination_),
      bitRate_(other.bitRate_),
      frequency_(other.frequency_),
      bestBitRate_(other.bestBitRate_) {}

ACMObject& ACMObject::operator=(const ACMObject& other) {
    if (this == &other) return *this;
    driverId_ = other.driverId_;
    streamOpen_ = false;  // a stream belongs to the object that opened it
    use_ = other.use_;
    driverInstalled_ = other.driverInstalled_;
    source_ = other.source_;
    destination_ = other.destination_;
    bitRate_ = other.bitRate_;
    frequency_ = other.frequency_;
    bestBitRate_ = other.bestBitRate_;
    return *this;
}

ACMObject::~ACMObject() = default;

ACMObject* ACMObject::Copy() { return new (std::nothrow) ACMObject(*this); }

std::vector<std::uint8_t> ACMObject::FormatBytes(const WAVEFORMATEX* format) {
    if (format == nullptr) return {};
    // Formats are handed around as 18 + cbSize bytes; callers that build
    // one allocate that much (a "fmt " chunk is read into max(size, 18)
    // bytes and its cbSize clamped to what was read).
    const std::size_t bytes = sizeof(WAVEFORMATEX) + format->cbSize;
    std::vector<std::uint8_t> out(bytes);
    std::memcpy(out.data(), format, bytes);
    return out;
}

int ACMObject::SuggestPCMFormat() { return 0; }

int ACMObject::SetDestFormat(const WAVEFORMATEX* format) {
    if (streamOpen_ || format == nullptr) return 0;
    destination_ = FormatBytes(format);
    return 1;
}

int ACMObject::GetSrcFormatStr(char* /*out*/, std::int32_t /*size*/) { return 0; }

int ACMObject::EnableStream(int on) {
    if (on == 0) {
        streamOpen_ = false;
        driverId_ = 0;
        return 1;
    }
    return streamOpen_ ? 1 : 0;
}

double ACMObject::GetConvertedBufferSize(std::int64_t /*sourceBytes*/) { return 0.0; }

std::int64_t ACMObject::GetSourceBufferSize(std::int64_t /*decodedBytes*/) { return 0; }

std::int64_t ACMObject::BlockSize(const WAVEFORMATEX* format) { return format != nullptr ? format->nBlockAlign : 0; }

void ACMObject::ParseScanAndBuild(TScanRequest& /*request*/) {}

std::int64_t ACMObject::Convert(const std::uint8_t* /*src*/, std::int64_t& srcLen, std::vector<std::uint8_t>& /*dst*/,
                                TConversionFlag /*flag*/, int /*last*/) {
    srcLen = 0;
    return 0;
}

int ACMObject::FirstFrameDecodesToCDQuality() {
    const WAVEFORMATEX* destination = GetDestFormat();
    return destination != nullptr && destination->nSamplesPerSec == 44100 && destination->nChannels == 2 ? 1 : 0;
}

void ACMObject::SetBitRate(std::int32_t bitsPerSecond) {
    bitRate_ = bitsPerSecond;
    bestBitRate_ = bitsPerSecond;
}
