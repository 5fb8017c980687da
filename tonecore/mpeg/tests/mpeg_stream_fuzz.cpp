// Fuzz target over whole-stream decoding through the decoder's public
// interface: the MPEG codec module with the real layer decoders, fed by
// the streaming memory input in pieces of random size (drawn from the first
// byte), with the routing and rate reduction drawn from it too. Any
// sanitizer report, a call that neither consumes input nor reports its
// state, a frame larger than the codec promises, or an error other than
// "no frame" or "need data" is a fault; after "no frame" decoding goes on.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tonecore/mpeg/tests/mpeg_test_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    const std::uint8_t* stream = data + 1;
    const std::size_t streamBytes = size - 1;

    // One decoder for the process, as a player keeps one for song after
    // song: each input is a new stream on it, so its codec and its large
    // buffers are made once, and a stream's state must not reach the next.
    static const mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* raw = decoder.get();
    if (raw == nullptr) std::abort();
    if (DecoderInputNew(raw, "", -1) != 0 || DecoderInputOpen(raw) != 0) std::abort();
    DecoderOutputSettings settings;
    settings.channelRouting = control % 4;
    settings.rateReduction = (control / 4) % 3;
    raw->codec->module->codec.setOutputSettings(raw->codec->instance, &settings, 3);

    // Exactly the largest frame the codec promises: an overrun shows.
    std::vector<std::int16_t> pcm(4608 / 2);
    std::uint32_t pieces = control * 2654435761u + 1;
    std::size_t pushed = 0;
    std::size_t calls = 0;
    const std::size_t limit = 4 * size + 64;
    for (;;) {
        if (++calls > limit) std::abort();
        const std::int32_t result = DecoderDecode(raw, pcm.data());
        if (result == 0) {
            const DecoderOutputBuffer& out = *raw->outputBuffer;
            if (out.samplesPerChannel * out.channels > pcm.size()) std::abort();
            continue;
        }
        if (result == DECODER_ERR_NO_FRAME) continue;  // the next call goes on
        if (result != DECODER_ERR_NEED_DATA) std::abort();
        if (pushed == streamBytes) break;
        pieces = pieces * 1103515245u + 12345u;
        std::size_t piece = 1 + (pieces >> 16) % 5000;
        if (piece > streamBytes - pushed) piece = streamBytes - pushed;
        const std::int32_t taken = DecoderInputSendMessage(raw, MEMORY_INPUT_APPEND, stream + pushed,
                                                           static_cast<std::uint32_t>(piece));
        if (taken <= 0) std::abort();  // the decoder read everything it had, so there is room
        pushed += static_cast<std::size_t>(taken);
    }
    if (DecoderInputDelete(raw) != 0) std::abort();
    return 0;
}
