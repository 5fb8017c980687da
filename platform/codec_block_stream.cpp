#include "platform/codec_block_stream.h"

#include <algorithm>
#include <limits>

namespace {

// count x blockOut, cut to what 32 bits hold.
std::uint32_t Blocks(std::uint32_t bytes, std::uint32_t blockIn, std::uint32_t blockOut) {
    if (blockIn == 0) return 0;
    const std::uint64_t total = std::uint64_t{bytes / blockIn} * blockOut;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

WAVEFORMATEX Pcm16FormatOf(const WAVEFORMATEX& source) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = source.nChannels;
    pcm.nSamplesPerSec = source.nSamplesPerSec;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<std::uint16_t>(2 * source.nChannels);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * source.nSamplesPerSec;
    pcm.cbSize = 0;
    return pcm;
}

bool IsPcm16FormatOf(const WAVEFORMATEX& source, const WAVEFORMATEX& destination) {
    return destination.wFormatTag == WAVE_FORMAT_PCM && destination.wBitsPerSample == 16 &&
           destination.nChannels == source.nChannels && destination.nSamplesPerSec == source.nSamplesPerSec;
}

std::uint32_t CBlockDecoderStream::DestinationBytesFor(std::uint32_t sourceBytes) const {
    return Blocks(sourceBytes, sourceBlock_, destinationBlock_);
}

std::uint32_t CBlockDecoderStream::SourceBytesFor(std::uint32_t destinationBytes) const {
    return Blocks(destinationBytes, destinationBlock_, sourceBlock_);
}

bool CBlockDecoderStream::Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                                  std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                                  std::uint32_t* destinationUsed) {
    *sourceUsed = 0;
    *destinationUsed = 0;
    if (sourceBlock_ == 0 || destinationBlock_ == 0) return false;
    const std::uint32_t blocks = std::min(sourceBytes / sourceBlock_, destinationBytes / destinationBlock_);
    if (blocks > 0) DecodeBlocks(source, destination, blocks);
    *sourceUsed = blocks * sourceBlock_;
    *destinationUsed = blocks * destinationBlock_;
    return true;
}

const char* CDecoderDriver::TagName(std::uint16_t formatTag) const {
    for (const TTag& tag : tags_) {
        if (tag.formatTag == formatTag) return tag.name;
    }
    return nullptr;
}

bool CDecoderDriver::Decodes(const WAVEFORMATEX* source) const {
    return TagName(source->wFormatTag) != nullptr && source->nSamplesPerSec > 0 &&
           source->nSamplesPerSec <= kMaxCodecRate;
}

std::unique_ptr<ICodecStream> CDecoderDriver::Open(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) {
    if (!Decodes(source) || !IsPcm16FormatOf(*source, *destination)) return nullptr;
    return MakeDecoder(source);
}

bool CDecoderDriver::SuggestPCM(const WAVEFORMATEX* source, WAVEFORMATEX* destination) const {
    if (!Decodes(source) || !MakeDecoder(source)) return false;
    *destination = Pcm16FormatOf(*source);
    return true;
}
