// Fuzz target over the MPEG frame reader and the synthesis behind it. The
// input is a byte stream that arrives in pieces (sizes drawn from the first
// byte), the way the memory input receives it; a stand-in layer decoder
// reads every frame's bits, asks for layer III main data with values taken
// from the stream, and feeds the synthesis. Any overrun, endless loop or
// frame larger than the decoder's output buffer is a fault.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"

namespace {

struct TArrivingStream {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t available = 0;
    std::size_t position = 0;

    static std::int32_t Read(void* context, std::uint8_t* buffer, std::uint32_t count) {
        auto* self = static_cast<TArrivingStream*>(context);
        if (count > self->size - self->position) {
            return self->available == self->size ? DECODER_ERR_END_OF_INPUT : DECODER_ERR_NEED_DATA;
        }
        if (count > self->available - self->position) return DECODER_ERR_NEED_DATA;
        for (std::uint32_t i = 0; i < count; ++i) buffer[i] = self->data[self->position + i];
        self->position += count;
        return 0;
    }
};

void FeedSlots(TMpegLayerFrame& frame, int slots) {
    CBitReader& bits = frame.reader->Bits();
    float left[32];
    float right[32];
    for (int s = 0; s < slots; ++s) {
        for (int k = 0; k < 32; ++k) {
            left[k] = static_cast<float>(static_cast<std::int16_t>(bits.ReadBits(16))) / 8192.0f;
            right[k] = -left[k];
        }
        if (bits.Overrun() && s % 3 == 0) {
            frame.output->SilentSlot();
        } else {
            frame.output->Slot(left, right);
        }
    }
}

void DecodeLayerOneOrTwo(void*, TMpegLayerFrame& frame) {
    FeedSlots(frame, MpegLayer(*frame.header) == 1 ? 12 : 36);
}

void DecodeLayerThree(void*, TMpegLayerFrame& frame) {
    CBitReader& bits = frame.reader->Bits();
    const bool lowRate = MpegIsLowSampleRate(*frame.header);
    const std::uint32_t mainDataBegin = bits.ReadBits(lowRate ? 8 : 9);
    const std::uint32_t bitCount = bits.ReadBits(12) * (lowRate ? 2u : 4u);
    const int granules = lowRate ? 1 : 2;
    switch (frame.reader->MainData(mainDataBegin, bitCount)) {
        case EMpegMainData::Missing:
            for (int s = 0; s < 18 * granules; ++s) frame.output->SilentSlot();
            return;
        case EMpegMainData::Corrupt:
            return;  // a real decoder abandons the frame here
        case EMpegMainData::Ready:
            FeedSlots(frame, 18 * granules);
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    TArrivingStream stream{data + 1, size - 1, 0, 0};
    std::uint32_t pieces = data[0] * 2654435761u + 1;

    CMpegFrameDecoder decoder;
    decoder.SetLayerDecoder(1, {nullptr, DecodeLayerOneOrTwo, nullptr});
    decoder.SetLayerDecoder(2, {nullptr, DecodeLayerOneOrTwo, nullptr});
    decoder.SetLayerDecoder(3, {nullptr, DecodeLayerThree, nullptr});
    decoder.SetChannelRouting(data[0] % 4);
    decoder.SetRateReduction(data[0] % 3 == 0 ? (data[0] / 3) % 3 : 0);

    // Exactly the largest frame the codec promises: an overrun shows.
    std::vector<std::int16_t> pcm(4608 / 2);
    DecoderOutputBuffer output;
    output.pcm = pcm.data();
    const TMpegByteSource source{&stream, TArrivingStream::Read};

    // Each call consumes input or reports its state; bound the loop so a
    // call that does neither is caught.
    std::size_t calls = 0;
    const std::size_t limit = 4 * size + 64;
    for (;;) {
        if (++calls > limit) std::abort();
        const std::int32_t result = decoder.DecodeFrame(nullptr, source, &output);
        if (result == 0) {
            if (output.samplesPerChannel * output.channels > pcm.size()) std::abort();
            continue;
        }
        if (result == DECODER_ERR_NO_FRAME) continue;
        if (result == DECODER_ERR_END_OF_INPUT) break;
        if (result != DECODER_ERR_NEED_DATA) std::abort();
        if (stream.available == stream.size) std::abort();  // no more data yet it asks for some
        pieces = pieces * 1103515245u + 12345u;
        stream.available += 1 + (pieces >> 16) % 3000;
        if (stream.available > stream.size) stream.available = stream.size;
        if (calls % 7 == 0) decoder.Reset();  // a seek in the middle of anything
    }
    return 0;
}
