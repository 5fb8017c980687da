#include "tonecore/load/wma_object.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/log.h"
#include "mediacore/mediacore_exports.h"
#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "tonecore/load/wm_release.h"
#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/engine/tonecore_strings.h"
#include "tonecore/load/wma_buffer.h"
#include "tonecore/load/wma_errors.h"
#include "utilities/unicode.h"

namespace {

// The reader restarts this long before a seek target (100 ms), so the
// decoder has settled by the time the target's samples come out.
constexpr std::uint64_t kSeekPreroll = 100 * WMAObject::kUnitsPerMs;
// Seek-map and minimum sizes shared with the MP3 object: at least 2048
// source bytes a read, and entries stepped 4 bytes back.
constexpr std::int64_t kMinimumSourceBytes = 2048;
constexpr std::int64_t kSourceOffsetStepBack = 4;
// Bytes of a format text the template may fill, and the text used when the
// keyed text file's template does not take a number and a text.
constexpr int kFormatTemplateBytes = 32;
constexpr const char* kBuiltInFormat = "WMA %d kbps %s";

// 16-bit PCM at the source's channels and rate.
WAVEFORMATEX PcmDestination(const WAVEFORMATEX* source) {
    WAVEFORMATEX destination{};
    destination.wFormatTag = WAVE_FORMAT_PCM;
    destination.nChannels = source != nullptr ? source->nChannels : 2;
    destination.nSamplesPerSec = source != nullptr ? source->nSamplesPerSec : 44100;
    destination.wBitsPerSample = 16;
    ValidateFormat(&destination, WAVE_FORMAT_PCM);
    return destination;
}

}  // namespace

WMAObject::WMAObject(const WAVEFORMATEX* source, std::uint32_t use) : ACMObject(source, use) {
    const WAVEFORMATEX destination = PcmDestination(source);
    ACMObject::SetDestFormat(&destination);
}

WMAObject::WMAObject(const WMAObject& other)
    : ACMObject(other),
      fileName_(other.fileName_),
      duration_(other.duration_),
      audioOutput_(other.audioOutput_),
      queue_(other.queue_),
      maxBufferOverload_(other.maxBufferOverload_),
      fileBytes_(other.fileBytes_) {}

WMAObject::~WMAObject() { Close(); }

ACMObject* WMAObject::Copy() { return new (std::nothrow) WMAObject(*this); }

int WMAObject::SetDestFormat(const WAVEFORMATEX* destination) {
    if (destination == nullptr) return 0;
    WAVEFORMATEX copy{};
    std::memcpy(&copy, destination, sizeof copy);
    ValidateFormat(&copy, WAVE_FORMAT_PCM);
    // The base refuses while its codec stream is open; this object has none.
    return ACMObject::SetDestFormat(&copy);
}

int WMAObject::GetSrcFormatStr(char* out, std::int32_t size) {
    if (out == nullptr || size <= 0) return 0;
    const WAVEFORMATEX* source = GetSrcFormat();
    char pattern[kFormatTemplateBytes];
    ToneCoreLoadString("FS_WMA_FORMAT", pattern, sizeof pattern);
    // The template comes from an editable file: only a number and a text
    // may be asked of it.
    const char* use = FormatTemplateFits(pattern, "ds") ? pattern : kBuiltInFormat;
    char channels[64];
    ToneCoreLoadString(source != nullptr && source->nChannels == 2 ? "FS_STEREO" : "FS_MONO", channels,
                       sizeof channels);
    std::snprintf(out, static_cast<std::size_t>(size), use,
                  static_cast<int>(FindMostNaturalWMABitRate(GetBitRate() / 1000)), channels);
    return 1;
}

int WMAObject::EnableStream(int on) {
    if (!on) return 1;
    return Open(nullptr) ? 1 : 0;
}

std::int32_t WMAObject::SizingBitRate() const {
    if (GetBitRate() > 0) return GetBitRate();
    const std::int64_t ms = static_cast<std::int64_t>(duration_ / kUnitsPerMs);
    if (fileBytes_ > 0 && ms > 0) {
        const std::int64_t estimate = fileBytes_ * 8 * 1000 / ms;
        if (estimate > 0 && estimate < INT32_MAX) return static_cast<std::int32_t>(estimate);
    }
    const WAVEFORMATEX* destination = const_cast<WMAObject*>(this)->GetDestFormat();
    const std::int64_t pcm = destination != nullptr ? std::int64_t{destination->nAvgBytesPerSec} * 8 : 0;
    return pcm > 0 ? static_cast<std::int32_t>(std::min<std::int64_t>(pcm, INT32_MAX)) : 1411200;
}

double WMAObject::GetConvertedBufferSize(std::int64_t sourceBytes) {
    const WAVEFORMATEX* destination = GetDestFormat();
    if (destination == nullptr) return 0.0;
    // The playing time of the bytes at the bit rate, in decoded bytes.
    return static_cast<double>(sourceBytes) * 8.0 / SizingBitRate() * 1000.0 * destination->nAvgBytesPerSec * 0.001;
}

std::int64_t WMAObject::GetSourceBufferSize(std::int64_t decodedBytes) {
    if (decodedBytes <= 0) return 0;
    const WAVEFORMATEX* destination = GetDestFormat();
    const std::int64_t block = BlockSize(GetSrcFormat());
    if (destination == nullptr || destination->nAvgBytesPerSec == 0) return block;
    const std::int64_t sourceRate = SizingBitRate() / 8;
    const std::int64_t bytes = sourceRate * decodedBytes / destination->nAvgBytesPerSec / block * block;
    return bytes > 0 ? bytes : block;
}

std::int32_t WMAObject::BlockSize(const WAVEFORMATEX* format) {
    // Without a "Bitrate" attribute the file's own rate sizes the blocks, so
    // a block is never 0 bytes.
    const std::int64_t align = format != nullptr ? format->nBlockAlign : 4;
    const std::int64_t block = align * SizingBitRate() / 1000;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(block, 1, INT32_MAX));
}

void WMAObject::CheckMinimumSrcSize(std::int64_t* sourceBytes) {
    if (sourceBytes != nullptr && *sourceBytes < kMinimumSourceBytes) *sourceBytes = kMinimumSourceBytes;
}

void WMAObject::AdjustSrcOffset(std::int64_t* sourceOffset) {
    if (sourceOffset == nullptr) return;
    *sourceOffset = *sourceOffset > kSourceOffsetStepBack ? *sourceOffset - kSourceOffsetStepBack : 0;
}

CACMBuffer* WMAObject::NewBuffer(CACMBuffer& other) {
    auto* wma = dynamic_cast<CWMABuffer*>(&other);
    return wma != nullptr ? new (std::nothrow) CWMABuffer(*wma) : new (std::nothrow) CWMABuffer(other.GetSeekMap());
}

CACMBuffer* WMAObject::NewBuffer(CSeekMap* seekMap) { return new (std::nothrow) CWMABuffer(seekMap); }

std::int64_t WMAObject::GetDataSize() const {
    // MulDiv, rounded to the nearest, on a product that cannot overflow,
    // and held at the largest size rather than wrapped negative.
    const auto ms = static_cast<__int128>(duration_ / kUnitsPerMs);
    const __int128 product = ms * GetBitRate();
    const __int128 size = (product + (product >= 0 ? 4000 : -4000)) / 8000;
    return static_cast<std::int64_t>(std::clamp<__int128>(size, INT64_MIN, INT64_MAX));
}

bool WMAObject::OpenReader(CRefObj* source) {
    if (open_) return true;
    endOfFile_ = false;
    void* module = LoadLibraryWMADecoder();
    if (module == nullptr) {
        SetLastError(TONECORE_ERR_WMA_EXPORT_MISSING);
        return false;
    }
    const auto create = reinterpret_cast<PFN_WMCreateReader>(GetModuleSymbol(module, "Marovelle_WMCreateReader"));
    if (create == nullptr) {
        SetLastError(TONECORE_ERR_WMA_EXPORT_MISSING);
        return false;
    }
    // The reader opens the song by its name: a stream that is no file, or a
    // file the reader refuses (a damaged or oversized header, say), fails
    // with the reader's code.
    if (source != nullptr) {
        auto* file = dynamic_cast<CFileObj*>(source);
        if (file == nullptr) {
            SetLastError(TONECORE_ERR_WMA_READER);
            return false;
        }
        fileName_ = file->FilePath();
        fileBytes_ = source->Size();
    }
    if (fileName_.empty()) {
        SetLastError(TONECORE_ERR_WMA_READER);
        return false;
    }

    IWMReader* reader = nullptr;
    IWMReaderAdvanced2* advanced = nullptr;
    if (create(nullptr, 0, &reader, &advanced) < 0 || reader == nullptr) {
        ReleaseInterface(advanced);
        ReleaseInterface(reader);
        SetLastError(TONECORE_ERR_WMA_READER);
        return false;
    }
    // Decoding is pulled on the caller's thread: only the reader's pull
    // interface is kept.
    void* sync = nullptr;
    const HRESULT asked = reader->QueryInterface(IID_IWMSyncReader, &sync);
    ReleaseInterface(advanced);
    ReleaseInterface(reader);
    if (asked < 0 || sync == nullptr) {
        SetLastError(TONECORE_ERR_WMA_READER);
        return false;
    }
    reader_ = static_cast<IWMSyncReader*>(sync);
    const std::u16string wide = Utf8ToUtf16(fileName_);
    if (reader_->Open(wide.c_str()) < 0) {
        SetLastError(TONECORE_ERR_WMA_READER);
        return false;
    }
    open_ = true;
    return true;
}

bool WMAObject::Open(CRefObj* source) {
    if (open_) return true;
    if (!OpenReader(source)) {
        Close();
        return false;
    }
    lastSampleTime_ = 0;
    return true;
}

void WMAObject::ReleaseReader() {
    ReleaseInterface(headerInfo_);
    ReleaseInterface(reader_);
}

bool WMAObject::Close() {
    const bool wasOpen = open_;
    open_ = false;
    Stop();
    HRESULT result = S_OK;
    if (reader_ != nullptr && wasOpen) result = reader_->Close();
    ReleaseReader();
    return result >= 0 && !started_;
}

HRESULT WMAObject::Start(std::uint64_t start) {
    if (reader_ == nullptr) return E_FAIL;
    queue_.RemoveEverything();
    lastSampleTime_ = start;
    endOfFile_ = false;
    const HRESULT result = reader_->SetRange(start, 0);
    if (result == S_OK) started_ = true;
    return result;
}

HRESULT WMAObject::Stop() {
    if (reader_ != nullptr && started_) {
        started_ = false;
        queue_.RemoveEverything();
        skipCount_ = 0;
        seekTarget_ = 0;
        seekPending_ = false;
    }
    return started_ ? E_FAIL : S_OK;
}

bool WMAObject::Seek(double milliseconds) {
    if (Stop() != S_OK) return false;
    const auto target = static_cast<std::uint64_t>(std::max(milliseconds, 0.0) * static_cast<double>(kUnitsPerMs));
    if (target > duration_) {
        seekTarget_ = 0;
        seekPending_ = false;
        return false;
    }
    const bool endOfFile = endOfFile_;
    endOfFile_ = false;
    skipCount_ = 0;
    seekTarget_ = target;
    seekPending_ = true;
    const HRESULT started = Start(target > kSeekPreroll ? target - kSeekPreroll : 0);
    if (started >= 0) return true;
    endOfFile_ = endOfFile;
    seekPending_ = false;
    seekTarget_ = 0;
    return false;
}

void WMAObject::QueueSample(const BYTE* bytes, std::uint32_t length, std::uint64_t sampleTime) {
    if (!open_ || !started_) return;
    const WAVEFORMATEX* destination = GetDestFormat();
    if (seekPending_ && destination != nullptr) {
        // A first sample that starts after the target has nothing before the
        // target to drop.
        // The bytes before the target, to the nearest whole frame of the
        // exact time difference (a byte count truncated first could fall
        // half a frame short and lose a sample).
        std::uint64_t skip = 0;
        if (seekTarget_ > sampleTime) {
            constexpr std::uint64_t kUnitsPerSecond = 1000 * kUnitsPerMs;
            const std::uint64_t frames =
                ((seekTarget_ - sampleTime) * destination->nSamplesPerSec + kUnitsPerSecond / 2) / kUnitsPerSecond;
            skip = frames * destination->nBlockAlign;
        }
        skipCount_ = skip;
        seekTarget_ = 0;
        seekPending_ = false;
    }
    if (skipCount_ < length) queue_.AddData(bytes + skipCount_, static_cast<std::uint32_t>(length - skipCount_));
    skipCount_ = skipCount_ > length ? skipCount_ - length : 0;
    lastSampleTime_ = sampleTime;
}

bool WMAObject::PullSample() {
    if (reader_ == nullptr || !started_) return false;
    INSSBuffer* sample = nullptr;
    QWORD time = 0;
    QWORD duration = 0;
    DWORD flags = 0;
    DWORD output = 0;
    WORD stream = 0;
    const HRESULT result = reader_->GetNextSample(0, &sample, &time, &duration, &flags, &output, &stream);
    if (result == NS_E_NO_MORE_SAMPLES) {
        endOfFile_ = true;
        return false;
    }
    if (result < 0 || sample == nullptr) {
        LogFmt("WMAObject: the reader failed with 0x%08x\n", static_cast<unsigned>(result));
        return false;
    }
    BYTE* bytes = nullptr;
    DWORD length = 0;
    const HRESULT got = output == audioOutput_ ? sample->GetBufferAndLength(&bytes, &length) : S_OK;
    if (got >= 0 && bytes != nullptr && length > 0) QueueSample(bytes, length, time);
    sample->Release();
    return got >= 0;
}

void WMAObject::FillQueue(std::uint32_t wanted) {
    while (queue_.TotalBytesAvailable() < wanted && !endOfFile_) {
        if (!PullSample()) break;
    }
}

std::int64_t WMAObject::Convert(const std::uint8_t* /*source*/, std::int64_t& sourceBytes,
                                std::uint8_t*& destination, std::int64_t destinationBytes, TConversionFlag flag,
                                int /*last*/) {
    sourceBytes = 0;
    if (flag == kConversionFirst) {
        if (open_) Close();
        if (!Open(nullptr)) {
            Close();
            return -1;
        }
    }
    if (!started_) {
        if (flag != kConversionFirst || Start(0) != S_OK) {
            Close();
            return -1;
        }
    }
    if (destination == nullptr || destinationBytes <= 0) return 0;
    const auto capacity = static_cast<std::uint32_t>(std::min<std::int64_t>(destinationBytes, UINT32_MAX));
    FillQueue(capacity);
    const std::uint32_t taken = queue_.GetData(destination, capacity);
    if (taken == 0 && !endOfFile_) return -1;
    sourceBytes = GetSourceBufferSize(taken);
    return taken;
}
