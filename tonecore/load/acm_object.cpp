#include "tonecore/load/acm_object.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "tonecore/load/acm_buffer.h"
#include "tonecore/engine/engine_codecs.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

// The longest tag name handed to the format text.
constexpr std::size_t kTagNameChars = 128;

std::vector<std::uint8_t> CopyFormat(const WAVEFORMATEX* format, std::uint32_t available) {
    WAVEFORMATEX head{};
    if (format == nullptr) available = 0;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(format);
    if (available > 0) std::memcpy(&head, raw, std::min<std::size_t>(available, sizeof head));
    // Only the extension bytes that are there are copied; the copy's
    // cbSize says how many that was.
    const std::uint32_t present = available > sizeof head ? available - static_cast<std::uint32_t>(sizeof head) : 0;
    head.cbSize = static_cast<std::uint16_t>(std::min<std::uint32_t>(head.cbSize, present));
    std::vector<std::uint8_t> bytes(sizeof head + head.cbSize);
    std::memcpy(bytes.data(), &head, sizeof head);
    if (head.cbSize > 0) std::memcpy(bytes.data() + sizeof head, raw + sizeof head, head.cbSize);
    return bytes;
}

std::uint32_t WholeRecordBytes(const WAVEFORMATEX* format) {
    return format == nullptr ? 0 : static_cast<std::uint32_t>(sizeof(WAVEFORMATEX)) + format->cbSize;
}

std::uint32_t Cut32(std::int64_t value) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

ACMObject::ACMObject(const WAVEFORMATEX* source, std::uint32_t use)
    : ACMObject(source, WholeRecordBytes(source), use) {}

ACMObject::ACMObject(const WAVEFORMATEX* source, std::uint32_t formatBytes, std::uint32_t use)
    : use_(use), source_(CopyFormat(source, formatBytes)) {
    // The engine's own drivers must be there before any stream is opened,
    // whether or not the engine was started.
    RegisterEngineCodecs();
    frequency_ = static_cast<std::int32_t>(GetSrcFormat()->nSamplesPerSec);
}

ACMObject::ACMObject(const ACMObject& other)
    : use_(other.use_),
      source_(other.source_),
      destination_(other.destination_),
      bitRate_(other.bitRate_),
      frequency_(other.frequency_),
      bestBitRate_(other.bestBitRate_) {}

ACMObject::~ACMObject() {
    // Not through the virtual table: a derived object's part is gone here.
    ACMObject::EnableStream(0);
    ACMObject::ActivateDriver(0);
}

ACMObject* ACMObject::Copy() { return new (std::nothrow) ACMObject(*this); }

int ACMObject::IsACM() { return 1; }

int ACMObject::ACMDriverInstalled() { return driverInstalled_; }

int ACMObject::ActivateDriver(int) { return 1; }

int ACMObject::SuggestPCMFormat() {
    if (stream_ != nullptr) return 0;
    destination_.assign(sizeof(WAVEFORMATEX), 0);
    GetDestFormat()->wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(GetSrcFormat(), GetDestFormat(), sizeof(WAVEFORMATEX), ACM_FORMATSUGGESTF_WFORMATTAG) !=
        MMSYSERR_NOERROR) {
        destination_.clear();
        return 0;
    }
    return 1;
}

int ACMObject::SetDestFormat(const WAVEFORMATEX* destination) {
    if (stream_ != nullptr) return 0;
    destination_ = destination == nullptr ? std::vector<std::uint8_t>{}
                                          : CopyFormat(destination, WholeRecordBytes(destination));
    return 1;
}

int ACMObject::GetSrcFormatStr(char* out, std::int32_t size) {
    if (out == nullptr || size <= 0) return 0;
    HACMDRIVER driver = nullptr;
    if (acmDriverOpen(&driver, driverId_) != MMSYSERR_NOERROR) return 0;
    TCodecTagDetails details;
    details.formatTag = GetSrcFormat()->wFormatTag;
    const bool named = acmFormatTagDetails(driver, &details, ACM_FORMATTAGDETAILSF_FORMATTAG) == MMSYSERR_NOERROR;
    if (named) {
        char name[kTagNameChars + 1] = {};
        std::strncpy(name, details.name, kTagNameChars);
        SoundFormatToString(GetSrcFormat(), out, static_cast<std::size_t>(size), name);
    }
    acmDriverClose(driver);
    return named ? 1 : 0;
}

int ACMObject::EnableStream(int on) {
    if (!on) {
        if (stream_ != nullptr) acmStreamClose(stream_);
        stream_ = nullptr;
        driverId_ = 0;
        return 1;
    }
    if (stream_ != nullptr) return 1;
    if (GetDestFormat() == nullptr) return 0;
    HACMSTREAM opened = nullptr;
    if (acmStreamOpen(&opened, GetSrcFormat(), GetDestFormat()) != MMSYSERR_NOERROR) return 0;
    stream_ = opened;
    acmDriverID(stream_, &driverId_);
    return 1;
}

std::uint32_t ACMObject::StreamSize(std::uint32_t input, std::uint32_t flags) {
    const bool wasOpen = stream_ != nullptr;
    if (!wasOpen && !EnableStream(1)) return 0;
    std::uint32_t output = 0;
    if (acmStreamSize(stream_, input, &output, flags) != MMSYSERR_NOERROR) output = 0;
    if (!wasOpen) EnableStream(0);
    return output;
}

double ACMObject::GetConvertedBufferSize(std::int64_t sourceBytes) {
    if (sourceBytes <= 0) return 0.0;
    // The codec answers whole blocks only: a small count is sized 1024 times
    // over and divided back.
    const std::int64_t scale = sourceBytes < 1024 ? 1024 : 1;
    return static_cast<double>(StreamSize(Cut32(scale * sourceBytes), ACM_STREAMSIZEF_SOURCE)) /
           static_cast<double>(scale);
}

std::int64_t ACMObject::GetSourceBufferSize(std::int64_t decodedBytes) {
    if (decodedBytes <= 0) return 0;
    const std::int64_t scale = decodedBytes < 8192 ? 8192 : 1;
    return StreamSize(Cut32(scale * decodedBytes), ACM_STREAMSIZEF_DESTINATION) / scale;
}

std::int32_t ACMObject::BlockSize(const WAVEFORMATEX* format) { return format == nullptr ? 0 : format->nBlockAlign; }

std::int64_t ACMObject::Convert(const std::uint8_t* source, std::int64_t& sourceBytes, std::uint8_t*& destination,
                                std::int64_t destinationBytes, TConversionFlag, int) {
    TCodecStreamHeader header;
    header.source = source;
    header.sourceBytes = Cut32(sourceBytes);
    header.destination = destination;
    header.destinationBytes = Cut32(destinationBytes);
    if (stream_ == nullptr || acmStreamPrepareHeader(stream_, &header) != MMSYSERR_NOERROR) return 0;
    const MMRESULT converted = acmStreamConvert(stream_, &header, 0);
    sourceBytes = converted == MMSYSERR_NOERROR ? header.sourceUsed : 0;
    acmStreamUnprepareHeader(stream_, &header);
    return converted == MMSYSERR_NOERROR ? header.destinationUsed : 0;
}

int ACMObject::FirstFrameDecodesToCDQuality() {
    const WAVEFORMATEX* destination = GetDestFormat();
    return destination != nullptr && destination->nSamplesPerSec == 44100 && destination->nChannels == 2 ? 1 : 0;
}

void ACMObject::CheckMinimumSrcSize(std::int64_t*) {}

int ACMObject::GetInitialNumOffsetsInRev() { return 0; }

void ACMObject::AdjustSrcOffset(std::int64_t*) {}

bool ACMObject::Resume() { return true; }

bool ACMObject::Pause() { return true; }

CACMBuffer* ACMObject::NewBuffer(CACMBuffer& other) { return new (std::nothrow) CACMBuffer(other); }

CACMBuffer* ACMObject::NewBuffer(CSeekMap* seekMap) { return new (std::nothrow) CACMBuffer(seekMap); }

int IsPCMOrACM(ACMObject* decoder) { return decoder == nullptr ? 1 : (decoder->IsACM() != 0 ? 1 : 0); }

std::int32_t BlockSize(const WAVEFORMATEX* format, ACMObject* decoder) {
    if (decoder == nullptr) return format == nullptr ? 0 : format->nBlockAlign;
    return decoder->BlockSize(format);
}
