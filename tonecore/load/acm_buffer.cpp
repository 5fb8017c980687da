#include "tonecore/load/acm_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "filekit/ref_obj.h"
#include "tonecore/load/read_once_scope.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/peaks/seek_map.h"

namespace {

// One read decodes to about this many bytes at most.
constexpr std::int64_t kMaxDecodedPerRead = 600000;
// Source bytes added per sizing round when the source has no blocks.
constexpr std::int64_t kByteSourceStep = 512;
// Sizing rounds in a row that may bring no more decoded bytes before the
// codec's answers are taken as final (a codec that sizes everything as 0),
// and the largest step a round may add.
constexpr int kMaxIdleSizingRounds = 40;
constexpr std::int64_t kMaxSourceStep = std::int64_t{1} << 40;
// A read's passes at most, and the source blocks a seek reads at a time.
constexpr int kMaxReadPasses = 1000;
constexpr std::int64_t kSeekReadBlocks = 16;
// The block size in which a decoder is emptied before a looped window wraps.
constexpr std::size_t kDrainBlockBytes = 65536;

}  // namespace

CACMBuffer::CACMBuffer(CSeekMap* seekMap) : seekMap_(seekMap) {
    if (seekMap_ != nullptr) seekMap_->AddReference();
}

CACMBuffer::CACMBuffer(const CACMBuffer& other) : CPCMBuffer(other), seekMap_(other.seekMap_) {
    if (seekMap_ != nullptr) seekMap_->AddReference();
}

CACMBuffer::~CACMBuffer() { ReleaseSeekMap(&seekMap_); }

void CACMBuffer::SetSeekMap(CSeekMap* seekMap) {
    if (seekMap != nullptr) seekMap->AddReference();
    ReleaseSeekMap(&seekMap_);
    seekMap_ = seekMap;
}

CPCMBuffer* CACMBuffer::Copy() { return new (std::nothrow) CACMBuffer(*this); }

void CACMBuffer::LowActivityMode() {
    sourceBlock_.clear();
    sourceBlock_.shrink_to_fit();
    CPCMBuffer::LowActivityMode();
}

std::int64_t CACMBuffer::BufferSanityAdjust(std::int64_t wanted, std::int64_t& sourceBytes) {
    sourceBytes = 0;
    if (decoder_ == nullptr) return 0;
    const std::int64_t block = decoder_->BlockSize(decoder_->GetSrcFormat());
    if (block < 1) return 0;
    sourceBytes = decoder_->GetSourceBufferSize(wanted) / block * block;
    decoder_->CheckMinimumSrcSize(&sourceBytes);
    auto decoded = static_cast<std::int64_t>(decoder_->GetConvertedBufferSize(sourceBytes));
    std::int64_t step = std::max<std::int64_t>(sourceBytes / block, 1);
    std::int64_t byteStep = kByteSourceStep;
    std::int64_t previous = sourceBytes;
    std::int64_t best = decoded;
    int idleRounds = 0;
    while (decoded < wanted && idleRounds < kMaxIdleSizingRounds) {
        sourceBytes += block == 1 ? byteStep : step * block;
        decoded = static_cast<std::int64_t>(decoder_->GetConvertedBufferSize(sourceBytes));
        sourceBytes = decoder_->GetSourceBufferSize(decoded);
        if (sourceBytes <= previous) {
            // No more source was asked for: larger steps. Without blocks the
            // step grows too, since a codec whose frames exceed it would
            // otherwise be sized back to the same bytes for ever.
            step = std::min(step * 2, kMaxSourceStep / block);
            byteStep = std::min(byteStep * 2, kMaxSourceStep);
        }
        previous = sourceBytes;
        idleRounds = decoded > best ? 0 : idleRounds + 1;
        best = std::max(best, decoded);
    }
    if (decoded > kMaxDecodedPerRead) {
        sourceBytes = sourceBytes * kMaxDecodedPerRead / decoded;
        return static_cast<std::int64_t>(decoder_->GetConvertedBufferSize(sourceBytes));
    }
    return decoded;
}

std::uint32_t CACMBuffer::ServeLeftover(BYTE* destination, std::uint32_t n) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(n, LeftoverBytes()));
    if (count > 0) std::memcpy(destination, leftover_.data() + leftoverAt_, count);
    leftoverAt_ += count;
    if (LeftoverBytes() == 0) DropLeftover();
    return count;
}

void CACMBuffer::DropLeftover() {
    leftover_.clear();
    leftoverAt_ = 0;
}

std::uint32_t CACMBuffer::DrainDecoder(BYTE* destination, std::uint32_t n) {
    // An MPEG decoding object keeps the decoded bytes that did not fit a
    // block and hands them over with its next conversion; at the end of the
    // data that is a conversion of nothing. Codec-layer streams keep
    // nothing.
    if (!conversionStarted_ || n == 0 || decoder_->IsACM() != 0) return 0;
    std::int64_t none = 0;
    std::uint8_t* out = destination;
    const std::int64_t produced = decoder_->Convert(nullptr, none, out, n, kConversionNext, 1);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(produced, 0, n));
}

void CACMBuffer::DrainDecoderInto(std::vector<std::uint8_t>& decoded) {
    if (!conversionStarted_ || decoder_->IsACM() != 0) return;
    // Conversions of nothing with last set hand over what the decoder holds,
    // a block at a time, until it holds nothing.
    std::vector<std::uint8_t> block(kDrainBlockBytes);
    for (;;) {
        std::int64_t none = 0;
        std::uint8_t* out = block.data();
        const std::int64_t produced = decoder_->Convert(
            nullptr, none, out, static_cast<std::int64_t>(block.size()), kConversionNext, 1);
        if (produced <= 0) return;
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(produced, static_cast<std::int64_t>(block.size())));
        decoded.insert(decoded.end(), block.begin(),
                       block.begin() + static_cast<std::ptrdiff_t>(count));
    }
}

int CACMBuffer::NextFlag() {
    if (conversionStarted_) return kConversionNext;
    conversionStarted_ = 1;
    return kConversionFirst;
}

std::int64_t CACMBuffer::ReadData(BYTE* destination, std::uint32_t n) {
    const std::uint32_t leftoverServed = ServeLeftover(destination, n);
    std::uint32_t delivered = leftoverServed;
    CRefObj* stream = GetReferenceObject();
    if (decoder_ == nullptr || stream == nullptr) {
        decodedPosition_ += delivered;
        return delivered;
    }
    const std::int64_t block = std::max(decoder_->BlockSize(decoder_->GetSrcFormat()), 1);
    const int dataMode = stream->DataMode();
    for (int pass = 0; pass < kMaxReadPasses && delivered < n; ++pass) {
        std::int64_t sourceBytes = 0;
        std::int64_t decodedSize = BufferSanityAdjust(n - leftoverServed, sourceBytes);
        const std::int64_t dataSize = stream->DataSize();
        if (sourceBytes > dataSize) {
            sourceBytes = dataSize;
            decodedSize = static_cast<std::int64_t>(decoder_->GetConvertedBufferSize(dataSize));
        }
        if (sourceBytes <= 0 || decodedSize <= 0) break;
        if (static_cast<std::int64_t>(sourceBlock_.size()) < sourceBytes) {
            sourceBlock_.resize(static_cast<std::size_t>(sourceBytes));
        }
        if (!decoder_->EnableStream(1)) break;
        std::int64_t got = 0;
        {
            CReadOnceScope readOnce(stream);
            got = stream->ReadData(sourceBlock_.data(), sourceBytes);
        }
        if (got <= 0) {
            delivered += DrainDecoder(destination + delivered, n - delivered);
            break;
        }
        const bool lastPass = got < sourceBytes;
        const auto flag = static_cast<TConversionFlag>(NextFlag());
        const int last = lastPass || stream->Tell() == stream->GetDataEnd() ? 1 : 0;
        std::vector<std::uint8_t> decodedBlock(static_cast<std::size_t>(decodedSize));
        std::uint8_t* decoded = decodedBlock.data();
        std::int64_t consumed = got;
        std::int64_t produced = std::max<std::int64_t>(
            decoder_->Convert(sourceBlock_.data(), consumed, decoded, decodedSize, flag, last), 0);
        const bool atWindowEnd = stream->Tell() == stream->GetDataStart() + dataSize;
        // What the codec did not take is read again, also at the end of a
        // looped window: it belongs before the wrap. Only a tail the codec
        // neither takes nor decodes anything from is left behind.
        const bool stepBack = consumed < got && (!atWindowEnd || consumed > 0 || produced > 0);
        if (stepBack) {
            stream->Seek(consumed - got, 1);
        } else if (dataMode == CRefObj::kLoopData && atWindowEnd) {
            // The window loops: the decoder gives up everything it still
            // holds for this round, then the next conversion restarts it at
            // the top.
            decodedBlock.resize(static_cast<std::size_t>(produced));
            DrainDecoderInto(decodedBlock);
            produced = static_cast<std::int64_t>(decodedBlock.size());
            conversionStarted_ = 0;
            stream->Seek(stream->GetDataStart(), 0);
        }
        const auto copied = static_cast<std::uint32_t>(std::min<std::int64_t>(produced, n - delivered));
        std::memcpy(destination + delivered, decodedBlock.data(), copied);
        delivered += copied;
        sourceBlockCount_ += got / block;
        if (produced > copied) {
            leftover_.assign(decodedBlock.begin() + copied, decodedBlock.begin() + produced);
            leftoverAt_ = 0;
            break;
        }
        // A codec that neither takes nor makes anything would be asked again
        // for ever. After a step back the data goes on.
        if ((lastPass && !stepBack) || (consumed <= 0 && produced == 0)) break;
    }
    decodedPosition_ += delivered;
    return delivered;
}

int CACMBuffer::Seek(std::int64_t position) {
    conversionStarted_ = 0;
    DropLeftover();
    CRefObj* stream = GetReferenceObject();
    if (decoder_ == nullptr || stream == nullptr) return 0;
    decoder_->EnableStream(0);

    const std::int64_t block = decoder_->BlockSize(decoder_->GetSrcFormat());
    const double perBlock = decoder_->GetConvertedBufferSize(block);
    // Without a decoded size per block no position can be found.
    if (block < 1 || perBlock <= 0.0 || position < 0) return 0;
    const double blocks = static_cast<double>(position) / perBlock;
    const auto sourceBlocks = static_cast<std::int64_t>(blocks);
    std::int64_t sourceOffset = sourceBlocks * block;

    if (seekMap_ != nullptr && seekMap_->Count() > 0) {
        const std::int64_t lastKey = seekMap_->SeekMapKeyAt(seekMap_->Count() - 1);
        const std::int64_t target = lastKey > 0 ? position % lastKey : 0;
        const std::int64_t wraps = lastKey > 0 ? position / lastKey : 0;
        std::int64_t value = 0;
        // The decoder says how many entries to move: negative goes back (an
        // MPEG object starts two frames early for its bit reservoir).
        const std::int64_t key = seekMap_->SeekMapFind(target, &value, nullptr, decoder_->GetInitialNumOffsetsInRev());
        sourceOffset = value;
        decoder_->AdjustSrcOffset(&sourceOffset);
        decodedPosition_ = key + (position != target ? wraps * lastKey : 0);
        sourceBlockCount_ = static_cast<std::int64_t>(static_cast<double>(decodedPosition_) / perBlock);
    } else {
        const std::int64_t dataSize = stream->DataSize();
        if (dataSize <= 0) return 0;
        if (sourceOffset > dataSize) sourceOffset = ((sourceOffset % dataSize) / block) * block;
        const WAVEFORMATEX* destination = decoder_->GetDestFormat();
        const std::int64_t align = destination != nullptr ? std::max<std::int64_t>(destination->nBlockAlign, 1) : 1;
        // The decoded position of the block the source is placed at; the
        // decoding below walks on from there to the exact position.
        decodedPosition_ = static_cast<std::int64_t>(static_cast<double>(sourceBlocks) * perBlock) / align * align;
        sourceBlockCount_ = sourceBlocks;
    }

    const int result = stream->Seek(stream->GetDataStart() + sourceOffset, 0);
    decoder_->EnableStream(1);

    std::int64_t readSize = kSeekReadBlocks * block;
    const std::int64_t decodedSize =
        BufferSanityAdjust(static_cast<std::int64_t>(perBlock * static_cast<double>(kSeekReadBlocks)), readSize);
    if (readSize <= 0 || decodedSize <= 0) return 0;
    std::vector<std::uint8_t> sourceBlock(static_cast<std::size_t>(readSize));
    std::vector<std::uint8_t> decodedBlock(static_cast<std::size_t>(decodedSize));
    std::int64_t unproductive = 0;
    while (decodedPosition_ < position) {
        const std::int64_t got = stream->ReadData(sourceBlock.data(), readSize);
        if (got <= 0) break;
        const auto flag = static_cast<TConversionFlag>(NextFlag());
        std::int64_t consumed = got;
        std::uint8_t* decoded = decodedBlock.data();
        const std::int64_t produced = decoder_->Convert(sourceBlock.data(), consumed, decoded, decodedSize, flag, 0);
        if (produced == -1) return 0;
        // What the codec did not take is read again, whatever it made.
        if (consumed < got) stream->Seek(consumed - got, 1);
        if (produced <= 0) {
            // A codec that takes nothing, or takes a whole round of a looped
            // window without making anything, will never get there.
            unproductive += got;
            if (consumed <= 0 || unproductive > stream->DataSize()) return 0;
            continue;
        }
        unproductive = 0;
        if (decodedPosition_ + produced > position) {
            const std::int64_t used = position - decodedPosition_;
            leftover_.assign(decodedBlock.begin() + used, decodedBlock.begin() + produced);
            leftoverAt_ = 0;
            decodedPosition_ = position;
        } else {
            decodedPosition_ += produced;
        }
        sourceBlockCount_ += kSeekReadBlocks;
    }
    return result;
}
