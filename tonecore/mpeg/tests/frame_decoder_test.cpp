#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"

using namespace decodertest;

namespace {

struct TStandIn {
    int calls = 0;
    int abortOnCall = -1;
};

// A layer decoder stand-in: a constant in subband 0 (left positive, right
// negative) for every slot of the layer.
void DecodeStandIn(void* state, TMpegLayerFrame& frame) {
    auto* standIn = static_cast<TStandIn*>(state);
    if (++standIn->calls == standIn->abortOnCall) DecoderAbortFrame(frame.control);
    float left[32] = {0.25f};
    float right[32] = {-0.25f};
    const int slots = MpegLayer(*frame.header) == 1 ? 12 : 36;
    for (int s = 0; s < slots; ++s) frame.output->Slot(left, right);
}

}  // namespace

// The codec's frame step over the decoder's input, with layer decoders
// plugged in: PCM layout, output record, aborted frames and unknown layers.
TEST(MpegFrameDecoder, DecodesThroughPluggedLayerDecodersAndSurvivesAnAbort) {
    std::mt19937 rng(8);
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 3; ++i) AppendFrame(stream, kMpeg1Layer2_192k_48000, rng);
    AppendFrame(stream, kMpeg1Layer3_128k_44100, rng);  // no layer III decoder plugged in
    for (int i = 0; i < 2; ++i) AppendFrame(stream, kMpeg1Layer1_384k_32000, rng);

    std::unique_ptr<DecoderControl, decltype(&DecoderDelete)> decoder(MakeDecoder(MemoryInputModuleGetMethods),
                                                                    DecoderDelete);
    CMpegFrameDecoder frames;
    TStandIn standIn;
    standIn.abortOnCall = 2;
    frames.SetLayerDecoder(1, {&standIn, DecodeStandIn, nullptr});
    frames.SetLayerDecoder(2, {&standIn, DecodeStandIn, nullptr});
    TestCodec().decode = [&](DecoderOutputBuffer* output, DecoderStreamInfo*) {
        return frames.DecodeFrame(TestCodec().control, output);
    };
    ASSERT_EQ(DecoderInputNew(decoder.get(), StaticName(stream).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    const DecoderOutputBuffer& output = *decoder->outputBuffer;

    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(output.samplesPerChannel, 1152u);
    EXPECT_EQ(output.channels, 2u);
    EXPECT_EQ(output.sampleRate, 48000u);
    EXPECT_EQ(output.changeFlags, 7u);
    // Interleaved: after the filter's start-up, left is positive and right
    // the mirror image.
    for (std::uint32_t i = 600; i < 1152; ++i) {
        ASSERT_GT(output.pcm[2 * i], 8000) << i;
        ASSERT_EQ(output.pcm[2 * i + 1], -output.pcm[2 * i]) << i;
    }

    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_NO_FRAME);  // aborted by the layer decoder
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(output.changeFlags, 0u);
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_NO_FRAME);  // layer III: nothing plugged in
    EXPECT_EQ(MpegLayer(frames.LastHeader()), 3u);

    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(output.samplesPerChannel, 384u);
    EXPECT_EQ(output.channels, 1u);
    EXPECT_EQ(output.sampleRate, 32000u);
    EXPECT_EQ(output.changeFlags, DECODER_CHANGED_CHANNELS | DECODER_CHANGED_RATE);
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_END_OF_INPUT);
    EXPECT_EQ(standIn.calls, 5);

    // Half rate halves the samples and the rate.
    frames.SetRateReduction(1);
    frames.Reset();
    ASSERT_EQ(decoder->services.SeekInput(decoder.get(), 0), 0);
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(output.samplesPerChannel, 576u);
    EXPECT_EQ(output.sampleRate, 24000u);
}
