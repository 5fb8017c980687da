#include "tonecore/convert/conv2mp3.h"

#include <algorithm>
#include <new>

#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conversion_errors.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/convert/mp3_format_rules.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

template <typename T>
bool Bind(void* module, const char* name, T* entry) {
    *entry = reinterpret_cast<T>(GetModuleSymbol(module, name));
    return *entry != nullptr;
}

// Two channels to one: the average, which cannot leave the 16-bit range.
std::int16_t MixToMono(std::int32_t left, std::int32_t right) {
    return static_cast<std::int16_t>((left + right) / 2);
}

std::int32_t SampleAt(const std::uint8_t* pcm, std::size_t index, int bits) {
    if (bits == 8) return WidenSample8(pcm[index]);
    return static_cast<std::int16_t>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

}  // namespace

CConv2MP3::CConv2MP3() {
    conversionType_ = FILE_CONVERSION_MP3;
    formatType_ = WAVE_FORMAT_MPEGLAYER3;
    defaultExt_ = "mp3";
}

CConv2MP3::~CConv2MP3() {
    CloseEncoderStream();
    FreeBuffers();
}

bool CConv2MP3::GetEncoderDll() { return EncoderModule() != nullptr; }

void* CConv2MP3::EncoderModule() { return LoadMP3EncoderLibrary(GetMP3EncoderType()); }

bool CConv2MP3::BindEntryPoints(void* module) {
    return Bind(module, "beInitStream", &entries_.init) && Bind(module, "beEncodeChunk", &entries_.encode) &&
           Bind(module, "beDeinitStream", &entries_.deinit) && Bind(module, "beCloseStream", &entries_.close);
}

void CConv2MP3::SetupConfig(const CConv2FileFormat* /*target*/, const WAVEFORMATEX* /*source*/) {}

bool CConv2MP3::AfterStreamFinished(const char* /*path*/) { return true; }

int CConv2MP3::Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) {
    if (target == nullptr || source == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!GetEncoderDll()) return 0;
    if (!BindEntryPoints(EncoderModule())) {
        SetLastError(TONECORE_ERR_MP3_ENCODER);
        return 0;
    }
    // The encoder takes 8-bit or 16-bit PCM as this converter widens it;
    // anything else would be encoded as noise.
    WAVEFORMATEX pcmSource = *source;
    if (::ValidateFormat(&pcmSource, WAVE_FORMAT_PCM) == 0) {
        SetLastError(TONECORE_ERR_UNSUPPORTED_FORMAT);
        return 0;
    }
    CloseEncoderStream();
    FreeBuffers();
    if (CFileObj::Create(path) == 0) return 0;
    config_.reset(new (std::nothrow) TEncoderConfig{});
    if (config_ == nullptr) {
        CFileObj::Close();
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    SetupConfig(target, &pcmSource);
    source_ = pcmSource;
    targetMode_ = target->mode;
    if (entries_.init(config_.get(), &samplesPerChunk_, &outputBytes_, &stream_) != ENCODER_OK ||
        samplesPerChunk_ == 0) {
        CFileObj::Close();
        FreeBuffers();
        SetLastError(TONECORE_ERR_MP3_ENCODER);
        return 0;
    }
    streamOpen_ = true;
    // About half a second of the target's PCM per write, in whole chunks.
    const std::uint32_t values = (target->nAvgBytesPerSec / 2 / samplesPerChunk_ + 1) * samplesPerChunk_;
    try {
        output_.assign(outputBytes_, 0);
        pending_.reserve(values + samplesPerChunk_);
    } catch (const std::bad_alloc&) {
        CloseEncoderStream();
        CFileObj::Close();
        FreeBuffers();
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    bufferBytes_ = static_cast<std::int32_t>(values * 2);
    return 1;
}

std::int32_t CConv2MP3::GetDesiredBufferSize() { return bufferBytes_; }

void CConv2MP3::AppendEncoderValues(const std::uint8_t* pcm, std::size_t bytes) {
    const int bits = source_.wBitsPerSample;
    const std::size_t channels = source_.nChannels;
    const std::size_t frames = bytes / (channels * static_cast<std::size_t>(bits / 8));
    const bool monoTarget = targetMode_ == kMP3ModeMono;
    const std::size_t perFrame = monoTarget ? 1 : 2;
    pending_.reserve(pending_.size() + frames * perFrame);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::int32_t left = SampleAt(pcm, f * channels, bits);
        const std::int32_t right = channels == 2 ? SampleAt(pcm, f * channels + 1, bits) : left;
        if (monoTarget) {
            pending_.push_back(MixToMono(left, right));
        } else {
            // A mono source in a stereo stream: the same sample on both sides.
            pending_.push_back(static_cast<std::int16_t>(left));
            pending_.push_back(static_cast<std::int16_t>(right));
        }
    }
}

std::int64_t CConv2MP3::EncodeChunk(const std::int16_t* values, std::uint32_t count) {
    std::uint32_t produced = 0;
    if (entries_.encode(stream_, count, values, output_.data(), &produced) != ENCODER_OK ||
        produced > output_.size()) {
        CloseEncoderStream();
        SetLastError(TONECORE_ERR_MP3_ENCODER);
        return -1;
    }
    if (produced == 0) return 0;
    if (Write(output_.data(), produced) != static_cast<std::int64_t>(produced)) {
        CloseEncoderStream();
        if (GetLastError() == ERROR_SUCCESS) SetLastError(TONECORE_ERR_SHORT_WRITE);
        return -1;
    }
    return produced;
}

std::int64_t CConv2MP3::WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) {
    if (accepted != nullptr) *accepted = 0;
    if (config_ == nullptr || !streamOpen_ || pcm == nullptr || bytes < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    AppendEncoderValues(static_cast<const std::uint8_t*>(pcm), static_cast<std::size_t>(bytes));
    std::int64_t written = 0;
    std::size_t encoded = 0;
    while (encoded + samplesPerChunk_ <= pending_.size()) {
        const std::int64_t chunkBytes = EncodeChunk(pending_.data() + encoded, samplesPerChunk_);
        if (chunkBytes < 0) return -1;
        written += chunkBytes;
        encoded += samplesPerChunk_;
    }
    // The values short of a whole chunk wait for the next block, or for the
    // end of the stream.
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(encoded));
    if (accepted != nullptr) *accepted = bytes;
    return written;
}

std::int64_t CConv2MP3::EndWriteStream() { return 0; }

std::int64_t CConv2MP3::FinalData(const char* path, const char* /*text*/, int* done, TMusicInfo* /*info*/) {
    if (done != nullptr) *done = 0;
    if (config_ == nullptr || !streamOpen_) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::int64_t written = 0;
    // The last values, less than a chunk: the stream's final moments.
    if (!pending_.empty()) {
        written = EncodeChunk(pending_.data(), static_cast<std::uint32_t>(pending_.size()));
        if (written < 0) return -1;
        pending_.clear();
    }
    std::uint32_t produced = 0;
    if (entries_.deinit(stream_, output_.data(), &produced) != ENCODER_OK || produced > output_.size()) {
        CloseEncoderStream();
        SetLastError(TONECORE_ERR_MP3_ENCODER);
        return -1;
    }
    const bool complete = Write(output_.data(), produced) == static_cast<std::int64_t>(produced);
    CloseEncoderStream();
    FreeBuffers();
    if (!complete) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(TONECORE_ERR_SHORT_WRITE);
        return -1;
    }
    written += produced;
    AfterStreamFinished(path != nullptr ? path : FilePath());
    if (done != nullptr) *done = 1;
    return written;
}

void CConv2MP3::CloseEncoderStream() {
    if (!streamOpen_) return;
    streamOpen_ = false;
    entries_.close(stream_);
}

void CConv2MP3::FreeBuffers() {
    config_.reset();
    std::vector<std::uint8_t>().swap(output_);
    std::vector<std::int16_t>().swap(pending_);
    bufferBytes_ = -1;
}

bool CConv2MP3::SupportsMPEGVersion(std::int32_t version) const {
    switch (version) {
        case kMPEGVersion1:
            return SupportsMPEG1();
        case kMPEGVersion2:
            return SupportsMPEG2();
        case kMPEGVersion2_5:
            return SupportsMPEG2_5();
        default:
            return false;
    }
}
