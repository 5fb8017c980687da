#include "tonecore/load/wma_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "filekit/ref_obj.h"
#include "tonecore/load/wma_object.h"

namespace {

// A read's passes at most: each pass asks for what is still wanted, so only
// a song that ends mid-read needs more than one or two.
constexpr int kMaxReadPasses = 1000;

}  // namespace

CPCMBuffer* CWMABuffer::Copy() { return new (std::nothrow) CWMABuffer(*this); }

WMAObject* CWMABuffer::Decoder() const { return dynamic_cast<WMAObject*>(GetACMObject()); }

int CWMABuffer::Seek(std::int64_t position) {
    DropLeftover();
    WMAObject* decoder = Decoder();
    CRefObj* stream = GetReferenceObject();
    const WAVEFORMATEX* destination = decoder != nullptr ? decoder->GetDestFormat() : nullptr;
    if (stream == nullptr || destination == nullptr || destination->nAvgBytesPerSec == 0 || position < 0) return 0;
    std::int64_t sourcePosition = decoder->GetSourceBufferSize(position);
    if (sourcePosition > decoder->GetDataSize()) sourcePosition = 0;
    stream->Seek(sourcePosition, 0);
    conversionStarted_ = 1;
    // A reader closed at the song's end stays closed: the song is not
    // started over unless its sound opens it again.
    if (!decoder->Seek(static_cast<double>(position) * 1000.0 / destination->nAvgBytesPerSec)) return 0;
    decodedPosition_ = position;
    return 1;
}

CWMABuffer::TPass CWMABuffer::ReadPass(BYTE* destination, std::uint32_t room, std::int64_t wanted) {
    TPass pass;
    pass.failed = true;
    WMAObject* decoder = Decoder();
    CRefObj* stream = GetReferenceObject();
    std::int64_t sourceBytes = 0;
    std::int64_t decodedSize = BufferSanityAdjust(wanted, sourceBytes);
    const std::int64_t dataSize = decoder->GetDataSize();
    if (sourceBytes > dataSize) {
        sourceBytes = dataSize;
        decodedSize = static_cast<std::int64_t>(decoder->GetConvertedBufferSize(dataSize));
    }
    if (decodedSize <= 0 || !decoder->EnableStream(1)) return pass;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(decodedSize));
    std::uint8_t* out = block.data();
    std::int64_t consumed = sourceBytes;
    const std::int64_t produced = decoder->Convert(nullptr, consumed, out, decodedSize, kConversionNext, 0);
    if (produced <= 0) return pass;
    pass.failed = false;
    // The stream follows the song by the source bytes of what was decoded.
    stream->Seek(consumed, 1);
    pass.delivered = static_cast<std::uint32_t>(std::min<std::int64_t>(produced, room));
    std::memcpy(destination, block.data(), pass.delivered);
    if (produced > pass.delivered) {
        leftover_.assign(block.begin() + pass.delivered, block.begin() + produced);
        leftoverAt_ = 0;
        pass.full = true;
    }
    return pass;
}

std::int64_t CWMABuffer::ReadData(BYTE* destination, std::uint32_t n) {
    WMAObject* decoder = Decoder();
    CRefObj* stream = GetReferenceObject();
    if (decoder == nullptr || stream == nullptr) return 0;
    if (!decoder->IsOpen()) {
        stream->Seek(0, 2);
        return 0;
    }
    if (!conversionStarted_) {
        conversionStarted_ = 1;
        stream->SeekToData(0);
    }
    std::uint32_t delivered = ServeLeftover(destination, n);
    const std::int64_t wanted = n - delivered;
    for (int pass = 0; pass < kMaxReadPasses && delivered < n; ++pass) {
        const TPass result = ReadPass(destination + delivered, n - delivered, wanted);
        delivered += result.delivered;
        if (result.full) break;
        if (decoder->IsEOF() && decoder->BytesAvailable() == 0) {
            if (stream->DataMode() != CRefObj::kLoopData) {
                stream->Seek(stream->GetDataEnd(), 0);
                decoder->Close();
                break;
            }
            stream->SeekToData(0);
            if (!decoder->Seek(0.0)) break;
            continue;
        }
        if (result.failed) break;
    }
    decodedPosition_ += delivered;
    return delivered;
}
