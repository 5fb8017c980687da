#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_frame_reader.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"

using namespace decodertest;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A byte source over a buffer of which only the first `available` bytes have
// arrived: reads beyond them fail whole with DECODER_ERR_NEED_DATA, and past
// the end of the buffer with DECODER_ERR_END_OF_INPUT.
struct TArrivingBytes {
    const TBytes* bytes = nullptr;
    std::size_t available = 0;
    std::size_t position = 0;

    static std::int32_t Read(void* context, std::uint8_t* buffer, std::uint32_t count) {
        auto* self = static_cast<TArrivingBytes*>(context);
        if (self->position + count > self->bytes->size()) return DECODER_ERR_END_OF_INPUT;
        if (self->position + count > self->available) return DECODER_ERR_NEED_DATA;
        std::copy_n(self->bytes->begin() + static_cast<std::ptrdiff_t>(self->position), count, buffer);
        self->position += count;
        return 0;
    }
    TMpegByteSource Source() { return {this, Read}; }
};

struct TFrame {
    std::uint32_t length;
    TBytes body;  // everything after the header, main data included
    bool operator==(const TFrame&) const = default;
};

TFrame Capture(CMpegFrameReader& reader, const MpegFrameHeader& header) {
    TFrame frame{MpegFrameLength(header), TBytes(reader.FrameBytes().begin(), reader.FrameBytes().end())};
    const TBytes main = reader.FrameMainBytes();
    frame.body.insert(frame.body.end(), main.begin(), main.end());
    return frame;
}

// The frames as they were put into the stream.
std::vector<TFrame> FramesAt(const TBytes& stream, const std::vector<std::size_t>& starts) {
    std::vector<TFrame> frames;
    for (std::size_t start : starts) {
        const std::uint32_t word = (std::uint32_t{stream[start]} << 24) | (std::uint32_t{stream[start + 1]} << 16) |
                                   (std::uint32_t{stream[start + 2]} << 8) | stream[start + 3];
        const std::uint32_t length = MpegFrameLength(MpegParseHeader(word));
        frames.push_back({length, TBytes(stream.begin() + static_cast<std::ptrdiff_t>(start + 4),
                                         stream.begin() + static_cast<std::ptrdiff_t>(start + length))});
    }
    return frames;
}

// Garbage, then frames of every layer, with and without CRC and padding.
TBytes MixedStream(std::vector<std::size_t>& starts, std::mt19937& rng, std::size_t garbage = 300) {
    TBytes stream;
    for (std::size_t i = 0; i < garbage; ++i) stream.push_back(static_cast<std::uint8_t>(rng() % 255));
    const std::uint32_t words[] = {kMpeg1Layer3_128k_44100, 0xFFFB9264, 0xFFFA9064, kMpeg2Layer3_64k_22050,
                                   kMpeg25Layer3_32k_11025, kMpeg1Layer2_192k_48000, kMpeg1Layer1_384k_32000,
                                   0xFFFBE464 /* 320k 48k */};
    for (int i = 0; i < 60; ++i) {
        starts.push_back(stream.size());
        AppendFrame(stream, words[rng() % std::size(words)], rng);
    }
    return stream;
}

// Every frame the reader delivers until the end of the input; -700 results
// are counted.
std::vector<TFrame> ReadAll(const TBytes& stream, int* dropped = nullptr) {
    TArrivingBytes input{&stream, stream.size()};
    CMpegFrameReader reader;
    std::vector<TFrame> frames;
    MpegFrameHeader header;
    for (;;) {
        const std::int32_t result = reader.NextFrame(input.Source(), header);
        if (result == DECODER_ERR_END_OF_INPUT) break;
        if (result == DECODER_ERR_NO_FRAME) {
            if (dropped != nullptr) ++*dropped;
            continue;
        }
        EXPECT_EQ(result, 0);
        if (result != 0) break;
        frames.push_back(Capture(reader, header));
    }
    return frames;
}

}  // namespace

TEST(MpegFrameReader, FindsEveryFrameAfterGarbage) {
    std::mt19937 rng(11);
    std::vector<std::size_t> starts;
    const TBytes stream = MixedStream(starts, rng);
    int dropped = 0;
    EXPECT_EQ(ReadAll(stream, &dropped), FramesAt(stream, starts));
    EXPECT_EQ(dropped, 0);
}

// A long run of garbage is searched over several calls, each bounded, and
// the frames after it are found whole.
TEST(MpegFrameReader, LongGarbageIsSearchedInBoundedSteps) {
    std::mt19937 rng(13);
    std::vector<std::size_t> starts;
    const std::size_t garbage = 5 * CMpegFrameReader::kMaxScanBytesPerCall + 17;
    TBytes stream = MixedStream(starts, rng, garbage);
    // No byte of the garbage may look like a frame sync.
    for (std::size_t i = 0; i < garbage; ++i) stream[i] &= 0x7F;
    int dropped = 0;
    EXPECT_EQ(ReadAll(stream, &dropped), FramesAt(stream, starts));
    EXPECT_EQ(dropped, 5);
}

TEST(MpegFrameReader, RandomPushSizesThroughTheMemoryInputGiveIdenticalFrames) {
    std::mt19937 rng(5);
    std::vector<std::size_t> starts;
    const TBytes stream = MixedStream(starts, rng);
    const std::vector<TFrame> expected = FramesAt(stream, starts);

    for (int round = 0; round < 4; ++round) {
        std::unique_ptr<DecoderControl, decltype(&DecoderDelete)> decoder(MakeDecoder(MemoryInputModuleGetMethods),
                                                                        DecoderDelete);
        CMpegFrameReader reader;
        std::vector<TFrame> frames;
        TestCodec().decode = [&](DecoderOutputBuffer*, DecoderStreamInfo*) {
            MpegFrameHeader header;
            const std::int32_t result = reader.NextFrame(MpegByteSourceFromDecoder(TestCodec().control), header);
            if (result == 0) frames.push_back(Capture(reader, header));
            return result;
        };
        ASSERT_EQ(DecoderInputNew(decoder.get(), nullptr, -1), 0);
        ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
        std::size_t pushed = 0;
        const std::uint32_t largest = round == 0 ? 3 : 5000;  // round 0: a few bytes at a time
        for (int guard = 0; guard < 1000000; ++guard) {
            const std::int32_t result = DecoderDecode(decoder.get(), nullptr);
            if (result == 0 || result == DECODER_ERR_NO_FRAME) continue;
            ASSERT_EQ(result, DECODER_ERR_NEED_DATA);
            if (pushed == stream.size()) break;
            const std::uint32_t size =
                std::min<std::uint32_t>(1 + rng() % largest, static_cast<std::uint32_t>(stream.size() - pushed));
            const std::int32_t taken =
                DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, stream.data() + pushed, size);
            ASSERT_GT(taken, 0);
            pushed += static_cast<std::size_t>(taken);
        }
        // A streaming input never ends, so the last frame waits for nothing
        // only once the stream is confirmed: every frame came out.
        EXPECT_EQ(frames, expected) << "round " << round;
    }
}

TEST(MpegFrameReader, FalseSyncIsDroppedAndARealSyncInsideABadHeaderIsKept) {
    std::mt19937 rng(3);
    // A valid header with a body of zeros, followed by no header: dropped.
    // Sized first and then filled: growing a four-byte vector makes GCC 12
    // at -O3 warn falsely (-Warray-bounds) inside the standard library.
    TBytes stream(417 + 16, 0);
    const TBytes header = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(header.begin(), header.end(), stream.begin());
    std::vector<std::size_t> starts;
    for (int i = 0; i < 5; ++i) {
        starts.push_back(stream.size());
        AppendFrame(stream, kMpeg1Layer3_128k_44100, rng);
    }
    int dropped = 0;
    EXPECT_EQ(ReadAll(stream, &dropped), FramesAt(stream, starts));
    EXPECT_EQ(dropped, 1);

    // 0xFF 0xFF 0xFB 0x90 has the sync bits but is not a valid header; the
    // real header starts one byte later, inside it.
    TBytes shifted = {0xFF};
    std::vector<std::size_t> shiftedStarts;
    for (int i = 0; i < 5; ++i) {
        shiftedStarts.push_back(shifted.size());
        AppendFrame(shifted, kMpeg1Layer3_128k_44100, rng);
    }
    dropped = 0;
    EXPECT_EQ(ReadAll(shifted, &dropped), FramesAt(shifted, shiftedStarts));
    EXPECT_EQ(dropped, 0);
}

TEST(MpegFrameReader, EndOfInputLetsTheLastFrameThroughAndEndsOnATruncatedOne) {
    std::mt19937 rng(9);
    TBytes single;
    AppendFrame(single, kMpeg1Layer2_192k_48000, rng);
    EXPECT_EQ(ReadAll(single).size(), 1u);

    TBytes truncated;
    std::vector<std::size_t> starts;
    for (int i = 0; i < 3; ++i) {
        starts.push_back(truncated.size());
        AppendFrame(truncated, kMpeg1Layer3_128k_44100, rng);
    }
    AppendFrame(truncated, kMpeg1Layer3_128k_44100, rng);
    truncated.resize(truncated.size() - 100);
    EXPECT_EQ(ReadAll(truncated), FramesAt(truncated, starts));
}

TEST(MpegFrameReader, CrcIsSkippedBeforeTheSideInformation) {
    std::mt19937 rng(4);
    TBytes stream;
    AppendFrame(stream, 0xFFFA9064, rng);  // protection bit 0: a CRC follows
    TArrivingBytes input{&stream, stream.size()};
    CMpegFrameReader reader;
    MpegFrameHeader header;
    ASSERT_EQ(reader.NextFrame(input.Source(), header), 0);
    EXPECT_EQ(reader.FrameBytes().size(), 32u + 2u);
    EXPECT_EQ(reader.Bits().BitPosition(), 16u);
    EXPECT_EQ(reader.Bits().ReadBits(8), stream[6]);
}

TEST(MpegFrameReader, ReservoirReachesBackIntoEarlierFramesAcrossTheRingEnd) {
    std::mt19937 rng(21);
    TBytes stream;
    std::vector<std::size_t> starts;
    std::vector<std::uint32_t> lengths;
    for (int i = 0; i < 40; ++i) {  // about 16 KiB of main data: the ring wraps several times
        const std::uint32_t word = i % 2 == 0 ? kMpeg1Layer3_128k_44100 : 0xFFFB9264;
        starts.push_back(stream.size());
        lengths.push_back(MpegFrameLength(MpegParseHeader(word)));
        AppendFrame(stream, word, rng);
    }
    // The main data of all frames, in stream order (after the header and the
    // 32 bytes of side information).
    TBytes allMain;
    std::vector<std::size_t> mainStarts;
    for (std::size_t frame = 0; frame < starts.size(); ++frame) {
        mainStarts.push_back(allMain.size());
        allMain.insert(allMain.end(), stream.begin() + static_cast<std::ptrdiff_t>(starts[frame] + 4 + 32),
                       stream.begin() + static_cast<std::ptrdiff_t>(starts[frame] + lengths[frame]));
    }

    TArrivingBytes input{&stream, stream.size()};
    CMpegFrameReader reader;
    MpegFrameHeader header;
    ASSERT_EQ(reader.NextFrame(input.Source(), header), 0);
    EXPECT_EQ(reader.MainData(1, 8), EMpegMainData::Missing);  // nothing before the first frame
    const std::uint32_t firstMain = static_cast<std::uint32_t>(mainStarts[1]);
    EXPECT_EQ(reader.MainData(0, firstMain * 8 + 1), EMpegMainData::Corrupt);
    ASSERT_EQ(reader.MainData(0, firstMain * 8), EMpegMainData::Ready);
    for (std::uint32_t i = 0; i < firstMain; ++i) ASSERT_EQ(reader.Bits().ReadBits(8), allMain[i]);
    EXPECT_FALSE(reader.Bits().Overrun());
    reader.Bits().ReadBit();
    EXPECT_TRUE(reader.Bits().Overrun());

    for (std::size_t frame = 1; frame < starts.size(); ++frame) {
        ASSERT_EQ(reader.NextFrame(input.Source(), header), 0);
        const std::uint32_t begin = frame == 1 ? 100 : 511;  // the largest main_data_begin of MPEG-1
        const std::uint32_t bytes = begin + 200;
        ASSERT_EQ(reader.MainData(begin, bytes * 8 - 3), EMpegMainData::Ready) << frame;
        for (std::uint32_t i = 0; i < bytes - 1; ++i) {
            ASSERT_EQ(reader.Bits().ReadBits(8), allMain[mainStarts[frame] - begin + i]) << frame << " " << i;
        }
    }
}
