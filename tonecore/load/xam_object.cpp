#include "tonecore/load/xam_object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "filekit/file_obj.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/load/mp3_source_format.h"
#include "tonecore/mpeg/file_input.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_codec_module.h"
#include "tonecore/load/mpeg_frame_pcm.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/peaks/peak_accumulator.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/scan_finish.h"
#include "tonecore/load/scan_progress.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/text_copy.h"

namespace {

// The 16-bit PCM destination at the source's channels and rate.
std::vector<std::uint8_t> PcmDestinationFor(const WAVEFORMATEX* source) {
    std::vector<std::uint8_t> bytes(sizeof(WAVEFORMATEX), 0);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    if (source != nullptr) {
        format.nChannels = source->nChannels;
        format.nSamplesPerSec = source->nSamplesPerSec;
    }
    format.wBitsPerSample = 16;
    ValidateFormat(&format, WAVE_FORMAT_PCM);
    std::memcpy(bytes.data(), &format, sizeof format);
    return bytes;
}

// Used when the keyed text file's template does not take the five values:
// kbit/s, version word, layer, channel word, VBR word.
constexpr const char* kBuiltInMp3Template = "%d kbit/s, %s Layer %d, %s%s";
constexpr const char* kMp3TemplateConversions = "dsdss";

std::string LoadText(const char* key, int size) {
    std::string text(static_cast<std::size_t>(size), '\0');
    ToneCoreLoadString(key, text.data(), size);
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

XAMObject::XAMObject(const WAVEFORMATEX* source, std::uint32_t use) : ACMObject(source, use) {
    const std::vector<std::uint8_t> destination = PcmDestinationFor(source);
    ACMObject::SetDestFormat(reinterpret_cast<const WAVEFORMATEX*>(destination.data()));
}

XAMObject::XAMObject(const XAMObject& other)
    : ACMObject(other),
      vbr_(other.vbr_),
      version_(other.version_),
      layer_(other.layer_),
      averageFrameSize_(other.averageFrameSize_),
      firstFrameCDQuality_(other.firstFrameCDQuality_) {}

XAMObject::~XAMObject() = default;

ACMObject* XAMObject::Copy() {
    return new (std::nothrow) XAMObject(*this);
}

int XAMObject::SetDestFormat(const WAVEFORMATEX* format) {
    if (format == nullptr) return 0;
    // The stream is the object's own decoder, never the codec layer's, so
    // the base class takes the format while it runs too.
    WAVEFORMATEX destination;
    std::memcpy(&destination, format, sizeof destination);
    ValidateFormat(&destination, WAVE_FORMAT_PCM);
    destination.cbSize = 0;
    return ACMObject::SetDestFormat(&destination);
}

int XAMObject::GetSrcFormatStr(char* out, std::int32_t size) {
    if (out == nullptr || size <= 0) return 1;
    static constexpr const char* kModeKeys[] = {"FS_STEREO", "FS_JSTEREO", "FS_DUAL_CHANNEL",
                                                "FS_MONO"};
    const std::string channels = LoadText(kModeKeys[mode_ >= 0 && mode_ <= 3 ? mode_ : 0], 32);
    const std::string vbr = vbr_ != 0 ? LoadText("FS_VBR", 32) : std::string();
    const std::string pattern = LoadText("FS_MP3_FORMAT", 32);
    const char* versionKey = "IDS_MPEG2";
    if (static_cast<int>(version_) == 1) {
        versionKey = "IDS_MPEG1";
    } else if (static_cast<int>(version_ * 10.0f) % 10 != 0) {
        versionKey = "IDS_MPEG2_5";
    }
    const std::string version = LoadText(versionKey, 16);
    const char* used = FormatTemplateFits(pattern.c_str(), kMp3TemplateConversions)
                           ? pattern.c_str()
                           : kBuiltInMp3Template;
    char line[256];
    std::snprintf(line, sizeof line, used, GetBitRate() / 1000, version.c_str(),
                  static_cast<int>(layer_), channels.c_str(), vbr.c_str());
    textcopy::CopyTextCut(line, out, static_cast<std::size_t>(size));
    return 1;
}

XAMObject::TDecoder XAMObject::MakeDecoder(std::int32_t (*getInput)(DecoderInputModuleMethods*),
                                           DecoderInputModuleMethods* table) {
    DecoderControl* control = nullptr;
    if (DecoderNew(&control) != 0) return TDecoder();
    TDecoder decoder(control);
    DecoderCodecModuleMethods codec;
    MpegCodecModuleGetMethods(&codec);
    DecoderCodecModuleRegister(control, &codec);
    getInput(table);
    DecoderInputModuleRegister(control, table);
    return decoder;
}

int XAMObject::EnableStream(int on) {
    if (on == 0 || streamEnabled_ != 0) return 1;
    TDecoder decoder = MakeDecoder(MemoryInputModuleGetMethods, &memoryInput_);
    if (!decoder) return 0;
    // An empty name asks the memory input for its streaming ring.
    if (DecoderInputNew(decoder.get(), "", -1) != 0) return 0;
    if (DecoderInputOpen(decoder.get()) != 0) {
        DecoderInputDelete(decoder.get());
        return 0;
    }
    decoder_ = std::move(decoder);
    converter_.Reset();
    streamEnabled_ = 1;
    return 1;
}

double XAMObject::MilsPerFrame() const {
    // Milliseconds of one frame: 384 samples in layer I, 1152 in layers II
    // and III (ISO/IEC 11172-3, 2.4.2.1), at the MPEG 1 sample rates.
    const std::int32_t rate = GetFrequency();
    const int column = rate == 44100 ? 0 : rate == 48000 ? 1 : rate == 32000 ? 2 : -1;
    if (column < 0) return 0.0;
    static constexpr double kLayer1[] = {8.707483, 8.0, 12.0};
    static constexpr double kLayer23[] = {26.12245, 24.0, 36.0};
    if (layer_ == 1) return kLayer1[column];
    if (layer_ == 2 || layer_ == 3) return kLayer23[column];
    return 0.0;
}

std::int32_t XAMObject::LastFrameDecoded() const {
    return decoder_ && decoder_->timing != nullptr ? decoder_->timing->hundredths : 0;
}

std::int32_t XAMObject::BlockSize(const WAVEFORMATEX* format) {
    if (format == nullptr) return 0;
    // The block size field lies 6 bytes into the layer-3 extension.
    constexpr std::size_t kBlockSizeOffset = offsetof(TMp3SourceFormat, nBlockSize);
    if (format->cbSize + sizeof(WAVEFORMATEX) < kBlockSizeOffset + 2) return format->nBlockAlign;
    std::int16_t block = 0;
    std::memcpy(&block, reinterpret_cast<const std::uint8_t*>(format) + kBlockSizeOffset,
                sizeof block);
    return block;
}

double XAMObject::GetConvertedBufferSize(std::int64_t sourceBytes) {
    const WAVEFORMATEX* source = GetSrcFormat();
    const WAVEFORMATEX* destination = GetDestFormat();
    if (source == nullptr || destination == nullptr) return 0.0;
    const double mils = MilsPerFrame();
    const std::int64_t block = BlockSize(source);
    // A format without a frame size is sized by bytes per second, as a rate
    // without a frame duration is.
    if (mils != 0.0 && block > 0) {
        const std::int64_t frames = sourceBytes / block;
        return static_cast<double>(frames) * mils * destination->nAvgBytesPerSec * 0.001;
    }
    if (source->nAvgBytesPerSec == 0) return 0.0;
    return static_cast<double>(sourceBytes * destination->nAvgBytesPerSec /
                               source->nAvgBytesPerSec);
}

std::int64_t XAMObject::GetSourceBufferSize(std::int64_t decodedBytes) {
    if (decodedBytes == 0) return 0;
    const WAVEFORMATEX* source = GetSrcFormat();
    const WAVEFORMATEX* destination = GetDestFormat();
    if (source == nullptr || destination == nullptr) return 0;
    const std::int64_t block = std::max<std::int64_t>(1, BlockSize(source));
    if (destination->nAvgBytesPerSec == 0) return block;
    std::int64_t bytes =
        std::int64_t{source->nAvgBytesPerSec} * decodedBytes / destination->nAvgBytesPerSec;
    bytes = bytes / block * block;
    return bytes == 0 ? block : bytes;
}

void XAMObject::CheckMinimumSrcSize(std::int64_t* sourceBytes) {
    if (sourceBytes != nullptr && *sourceBytes < kMinimumSourceBytes)
        *sourceBytes = kMinimumSourceBytes;
}

void XAMObject::AdjustSrcOffset(std::int64_t* sourceOffset) {
    if (sourceOffset != nullptr) *sourceOffset = *sourceOffset > 4 ? *sourceOffset - 4 : 0;
}

std::int64_t XAMObject::Convert(const std::uint8_t* source, std::int64_t& sourceBytes,
                                std::uint8_t*& destination, std::int64_t destinationBytes,
                                TConversionFlag flag, int last) {
    if (!decoder_) {
        sourceBytes = 0;
        return 0;
    }
    if (flag == kConversionFirst) {
        // A new stream (after a seek): the ring is emptied, the codec starts
        // over and so does the rate conversion; bytes of the old stream go.
        DecoderInputClose(decoder_.get());
        DecoderInputOpen(decoder_.get());
        converter_.Reset();
        decoded_.clear();
        decodedAt_ = 0;
    }
    const std::int32_t taken =
        source != nullptr && sourceBytes > 0
            ? DecoderInputSendMessage(
                  decoder_.get(), MEMORY_INPUT_APPEND, source,
                  static_cast<std::uint32_t>(std::min<std::int64_t>(sourceBytes, INT32_MAX)))
            : 0;
    sourceBytes = std::max<std::int32_t>(taken, 0);
    const std::size_t capacity = destination != nullptr && destinationBytes > 0
                                     ? static_cast<std::size_t>(destinationBytes)
                                     : 0;
    DecodeFrames(capacity, last);
    const std::size_t copied = std::min(capacity, decoded_.size() - decodedAt_);
    if (copied != 0) std::memcpy(destination, decoded_.data() + decodedAt_, copied);
    decodedAt_ += copied;
    return static_cast<std::int64_t>(copied);
}

void XAMObject::DecodeFrames(std::size_t room, int last) {
    if (decodedAt_ != 0) {
        decoded_.erase(decoded_.begin(),
                       decoded_.begin() + static_cast<std::ptrdiff_t>(decodedAt_));
        decodedAt_ = 0;
    }
    const WAVEFORMATEX destination = *GetDestFormat();
    std::size_t frameBytes = 0;
    std::int64_t lastBadAt = -1;
    for (;;) {
        // Without last, only while one more frame of the last size fits.
        if (last == 0 && frameBytes != 0 && decoded_.size() + frameBytes > room) return;
        const std::int32_t result = DecoderDecode(decoder_.get(), nullptr);
        if (result == DECODER_ERR_NO_FRAME) {
            // A corrupt frame is skipped, as long as the input moves on.
            const std::int64_t at = decoder_->input->position;
            if (at == lastBadAt) return;
            lastBadAt = at;
            continue;
        }
        if (result != 0) return;  // the pushed bytes are used up
        const std::size_t before = decoded_.size();
        const std::size_t put =
            PutMpegFrame(*decoder_->outputBuffer, destination, converter_, decoded_, before);
        decoded_.resize(before + put);
        frameBytes = put;
    }
}

void XAMObject::ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks,
                                  std::int32_t* lengthMs, std::int64_t* bytesDone,
                                  std::int64_t dataStart, std::int64_t dataEnd,
                                  int cancelledOnEntry, int scanA, int buildPeaks, int buildSeekMap,
                                  std::int32_t msPerPeak, int /*scanB*/, int peaksToFile,
                                  TScanProgress callback, void* context) {
    if (scanA == 0 && buildPeaks == 0 && buildSeekMap == 0) return;
    if (dataStart < 0 || dataEnd <= dataStart) return;
    if (source == nullptr || EnableStream(1) == 0) return;
    CSeekMap* map = nullptr;
    if (buildSeekMap != 0) {
        map = new (std::nothrow) CSeekMap();
        seekMap = map;
        if (map == nullptr) {
            if (lengthMs != nullptr) *lengthMs = 0;
            return;
        }
    }
    CPeaks* built = nullptr;
    int toFile = peaksToFile;
    if (buildPeaks != 0) {
        built = new (std::nothrow) CPeaks(static_cast<std::uint32_t>(msPerPeak), -1);
        peaks = built;
        if (built != nullptr) built->InitStreamPeaksFromParse(&toFile, source);
    }
    if (source->Seek(dataStart, 0) == 0) return;

    // The scan reads the song file by its path with a decoder of its own.
    if (source->Type() != CFileObj::kFileType) return;
    const char* path = static_cast<CFileObj*>(source)->FilePath();
    DecoderInputModuleMethods fileInput{};
    TDecoder scanner = MakeDecoder(FileInputModuleGetMethods, &fileInput);
    if (!scanner || DecoderInputNew(scanner.get(), path, -1) != 0) return;
    if (DecoderInputOpen(scanner.get()) != 0) return;

    const WAVEFORMATEX destination = *GetDestFormat();
    std::unique_ptr<CPeakAccumulator> accumulator;
    if (built != nullptr && msPerPeak > 0)
        accumulator =
            std::make_unique<CPeakAccumulator>(destination, static_cast<std::uint32_t>(msPerPeak));
    CScanProgress progress(callback, context);
    CPCMStreamConverter converter;
    std::vector<std::uint8_t> pcm;
    // Source bytes from the data start; the input stands at the audio after
    // opening (behind an ID3 tag).
    std::int64_t position = std::max<std::int64_t>(0, scanner->input->position - dataStart);
    std::int64_t decodedTotal = 0;
    bool cancelled = cancelledOnEntry != 0;
    while (!cancelled) {
        std::int32_t result = DecoderDecode(scanner.get(), nullptr);
        std::int64_t lastBadAt = -1;
        while (result == DECODER_ERR_NO_FRAME) {
            if (built != nullptr) built->SetHasBadFrames(1);
            // A run of corrupt frames ends the scan when the input stops
            // moving: nothing more will come of it.
            const std::int64_t at = scanner->input->position;
            if (at == lastBadAt) break;
            lastBadAt = at;
            result = DecoderDecode(scanner.get(), nullptr);
        }
        if (result != 0) break;
        const DecoderOutputBuffer& frame = *scanner->outputBuffer;
        // Measured in destination bytes, converted or not, so that the
        // length and the seek map's keys describe what Convert delivers.
        if (built != nullptr && !MpegFrameMatches(frame, destination))
            built->SetHasNonCDQualityFrames(1);
        const std::size_t bytes = PutMpegFrame(frame, destination, converter, pcm, 0);
        if (accumulator) accumulator->Add(pcm.data(), bytes, *built, toFile);
        if (map != nullptr && bytes != 0) map->SeekMapAdd(position, decodedTotal);
        decodedTotal += static_cast<std::int64_t>(bytes);
        const std::int64_t next = std::max(position, scanner->input->position - dataStart);
        const std::int64_t consumed = next - position;
        position = next;
        if (bytesDone != nullptr) *bytesDone += consumed;
        if (consumed > 0 && !progress.Report(static_cast<std::uint32_t>(consumed)))
            cancelled = true;
    }
    // Only peaks this scan built are finished; a cancel deletes whatever the
    // outs hold.
    FinishDecodeScan(cancelled, decodedTotal, destination, seekMap, cancelled ? peaks : built,
                     accumulator ? accumulator->Count() : 0u, toFile, lengthMs);
    if (cancelled) peaks = nullptr;
}
