#include "tonecore/pcm/pcm_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "pcm_test_formats.h"

using pcmtest::Bytes16;
using pcmtest::Pcm;

TEST(PCMBlock, SplitsChannelsAtEveryPrecisionOnTheSixteenBitScale) {
    const WAVEFORMATEX stereo8 = Pcm(22050, 2, 8);
    const std::uint8_t bytes[] = {0x80, 0xFF, 0x00, 0x81, 0x7F};  // the fifth byte is no frame
    _bufferType* split = CopyToNewBuffer(&stereo8, bytes, sizeof bytes, kPrecisionInt16);
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(split->frames, 2u);
    EXPECT_EQ(split->size, 4u);
    EXPECT_EQ(split->used, 4u);
    EXPECT_EQ(split->format->wBitsPerSample, 16);
    EXPECT_EQ(split->format->nBlockAlign, 2);
    EXPECT_EQ(split->format->nAvgBytesPerSec, 16u * 2 * 22050 / 8);
    const auto* left = static_cast<const std::int16_t*>(split->data);
    const auto* right = static_cast<const std::int16_t*>(split->data2);
    EXPECT_EQ(left[0], 0);
    EXPECT_EQ(left[1], -32768);
    EXPECT_EQ(right[0], 127 * 256);
    EXPECT_EQ(right[1], 256);

    // Other precisions keep the same values; a copy owns everything.
    const WAVEFORMATEX mono16 = Pcm(44100, 1, 16);
    const auto samples = Bytes16({-32768, 32767, 5});
    _bufferType source;
    source.format = &mono16;
    source.data = const_cast<std::uint8_t*>(samples.data());
    source.size = static_cast<std::uint32_t>(samples.size());
    _bufferType* ints = CopyToNewBuffer(&source, kPrecisionInt32);
    _bufferType* floats = CopyToNewBuffer(&source, kPrecisionFloat);
    _bufferType* doubles = CopyToNewBuffer(&source, kPrecisionDouble);
    ASSERT_TRUE(ints && floats && doubles);
    EXPECT_EQ(ints->data2, nullptr);
    EXPECT_EQ(static_cast<std::int32_t*>(ints->data)[0], -32768);
    EXPECT_EQ(static_cast<float*>(floats->data)[1], 32767.0f);
    EXPECT_EQ(static_cast<double*>(doubles->data)[2], 5.0);
    EXPECT_EQ(doubles->size, 24u);

    _bufferType* copy = CopyToNewBuffer(split);
    DeleteBufferPtr(split);
    EXPECT_EQ(split, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->format, &copy->ownFormat);
    EXPECT_EQ(static_cast<std::int16_t*>(copy->data2)[1], 256);

    EXPECT_EQ(CopyToNewBuffer(&source, kPrecisionInterleaved), nullptr);
    for (_bufferType* b : {ints, floats, doubles, copy}) DeleteBufferPtr(b);
    _bufferType* none = nullptr;
    DeleteBufferPtr(none);
}

TEST(PCMBlock, InterleavedCopiesChangeWidth) {
    struct TCase {
        WAVEFORMATEX from, to;
        std::vector<std::uint8_t> in, out;
    };
    const TCase cases[] = {
        {Pcm(8000, 1, 16), Pcm(8000, 1, 8), Bytes16({300, -300, 32767}), {129, 126, 255}},
        {Pcm(8000, 1, 8), Pcm(8000, 1, 16), {0x81, 0x00}, Bytes16({256, -32768})},
        {Pcm(8000, 2, 8), Pcm(8000, 2, 8), {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const TCase& c : cases) {
        _bufferType from;
        from.format = &c.from;
        from.data = const_cast<std::uint8_t*>(c.in.data());
        from.frames = static_cast<std::uint32_t>(c.in.size() / c.from.nBlockAlign);
        std::vector<std::uint8_t> out(c.out.size() + 2, 0xEE);
        _bufferType to;
        to.format = &c.to;
        to.data = out.data();
        to.size = static_cast<std::uint32_t>(c.out.size());
        CopyBufferData(&from, &to);
        EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + c.out.size()), c.out);
        EXPECT_EQ(out[c.out.size()], 0xEE);  // nothing past the destination
        EXPECT_EQ(to.used, c.out.size());
    }
    // No source data: the destination is cleared.
    const WAVEFORMATEX f = Pcm(8000, 1, 16);
    std::vector<std::uint8_t> out(4, 0xEE);
    _bufferType from, to;
    from.format = &f;
    to.format = &f;
    to.precision = kPrecisionInt16;
    to.data = out.data();
    to.size = 4;
    to.used = 9;
    CopyBufferData(&from, &to);
    EXPECT_EQ(out, std::vector<std::uint8_t>(4, 0));
    EXPECT_EQ(to.used, 0u);
}
