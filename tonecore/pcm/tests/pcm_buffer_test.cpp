#include "tonecore/pcm/pcm_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"

namespace {

// A stream of bytes 0, 1, 2, ... (mod 256) over a data window, that answers
// each read with at most `chunk` bytes and records the reads and seeks.
class CScriptedStream : public CRefObj {
public:
    CScriptedStream(std::int64_t size, std::int64_t dataStart = 0, std::int64_t chunk = 1 << 30)
        : size_(size), dataStart_(dataStart), chunk_(chunk) {}

    std::int64_t ReadData(void* buf, std::int64_t len) override {
        const std::int64_t n = std::min({len, chunk_, size_ - position_});
        for (std::int64_t i = 0; i < n; ++i) {
            static_cast<BYTE*>(buf)[i] = static_cast<BYTE>((position_ + i) & 0xFF);
        }
        position_ += std::max<std::int64_t>(n, 0);
        reads.push_back(len);
        return std::max<std::int64_t>(n, 0);
    }
    int Seek(std::int64_t offset, int whence) override {
        seeks.push_back(offset);
        if (whence != 0) return 0;
        position_ = offset - dataStart_;
        return 1;
    }
    std::int64_t DataSize() override { return size_; }
    std::int64_t GetDataStart() override { return dataStart_; }

    std::vector<std::int64_t> reads;
    std::vector<std::int64_t> seeks;

private:
    std::int64_t size_, dataStart_, chunk_;
    std::int64_t position_ = 0;
};

// The buffered bytes, region by region, as the mixer would see them.
std::vector<BYTE> Locked(CPCMBuffer& buffer, std::uint32_t* parts = nullptr) {
    BYTE* r1 = nullptr;
    BYTE* r2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    EXPECT_EQ(buffer.Lock(&r1, &n1, &r2, &n2), 1);
    std::vector<BYTE> out(r1, r1 + n1);
    if (r2 != nullptr) out.insert(out.end(), r2, r2 + n2);
    if (parts != nullptr) *parts = (n1 > 0 ? 1 : 0) + (n2 > 0 ? 1 : 0);
    return out;
}

std::vector<BYTE> Bytes(int from, int count) {
    std::vector<BYTE> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<BYTE>((from + i) & 0xFF));
    return out;
}

}  // namespace

TEST(PCMBuffer, StreamingRingWrapsAndCountsConsumption) {
    CScriptedStream stream(1000, 44);
    CPCMBuffer buffer;
    ASSERT_EQ(buffer.Init(&stream, 100, 0, 50), 1);
    ASSERT_EQ(buffer.SetReadVariables(10, 300), 1);
    EXPECT_EQ(stream.seeks, (std::vector<std::int64_t>{54}));  // past the data start
    EXPECT_EQ(buffer.Fill(), 1);
    std::uint32_t parts = 0;
    EXPECT_EQ(Locked(buffer, &parts), Bytes(10, 100));
    EXPECT_EQ(parts, 1u);  // full, read pointer at the start: one region

    // 60 % buffered is above the 50 % threshold: nothing is read.
    buffer.UpdateReadOffset(40);
    stream.reads.clear();
    EXPECT_EQ(buffer.Fill(), 0);
    EXPECT_TRUE(stream.reads.empty());

    // At 50 % it tops up the free space in front of the read pointer; the
    // full ring then locks as two regions (read pointer to end, start on).
    buffer.UpdateReadOffset(10);
    EXPECT_EQ(buffer.Fill(), 1);
    EXPECT_EQ(stream.reads, (std::vector<std::int64_t>{50}));
    EXPECT_EQ(Locked(buffer, &parts), Bytes(60, 100));
    EXPECT_EQ(parts, 2u);

    // Free space that runs over the ring's end is read in two parts, and the
    // write pointer lands at start + the second part.
    buffer.UpdateReadOffset(70);
    stream.reads.clear();
    EXPECT_EQ(buffer.Fill(), 1);
    EXPECT_EQ(stream.reads, (std::vector<std::int64_t>{50, 20}));
    EXPECT_EQ(Locked(buffer, &parts), Bytes(130, 100));
    EXPECT_EQ(parts, 2u);

    // Over-consuming moves only over what is there, but all counts.
    std::int64_t left = 0;
    buffer.UpdateReadOffset(250);
    EXPECT_EQ(buffer.BufferFinished(), 1);
    EXPECT_EQ(buffer.BytesLeftToRead(&left), 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(Locked(buffer), std::vector<BYTE>{});
}

TEST(PCMBuffer, RangeEndLimitsReadingAndShortReadsExhaust) {
    CScriptedStream stream(1000, 0, 7);  // the stream hands out 7 bytes a read
    CPCMBuffer buffer;
    ASSERT_EQ(buffer.Init(&stream, 64, 0, 50), 1);
    ASSERT_EQ(buffer.SetReadVariables(0, 20), 1);
    EXPECT_EQ(buffer.Fill(), 1);
    EXPECT_EQ(Locked(buffer), Bytes(0, 20));  // reads repeat until the 20 arrive
    EXPECT_EQ(buffer.SourceExhausted(), 0);
    std::int64_t left = 0;
    EXPECT_EQ(buffer.BytesLeftToRead(&left), 1);
    EXPECT_EQ(left, 20);

    buffer.AdjustBytesToRead(-5);
    buffer.UpdateReadOffset(15);
    EXPECT_EQ(buffer.BufferFinished(), 1);
    buffer.AdjustBytesToRead(-100);  // not below 0
    EXPECT_EQ(buffer.BytesLeftToRead(&left), 0);
    EXPECT_EQ(left, 0);

    // A stream that ends early marks the source exhausted; what came stays.
    CScriptedStream shortStream(30);
    CPCMBuffer tail;
    ASSERT_EQ(tail.Init(&shortStream, 64, 0, 50), 1);
    ASSERT_EQ(tail.SetReadVariables(10, 500), 1);
    tail.Fill();
    EXPECT_EQ(tail.SourceExhausted(), 1);
    EXPECT_EQ(Locked(tail), Bytes(10, 20));
    shortStream.reads.clear();
    EXPECT_EQ(tail.Fill(), 1);
    EXPECT_TRUE(shortStream.reads.empty());
}

TEST(PCMBuffer, SeekWrapsAndFailsOnEmptyStreams) {
    CScriptedStream stream(100, 8);
    CPCMBuffer buffer;
    ASSERT_EQ(buffer.Init(&stream, 16, 0, 50), 1);
    buffer.SetReadBase(30);
    ASSERT_EQ(buffer.SetReadVariables(90, 10), 1);  // 120 wraps to 20
    EXPECT_EQ(stream.seeks.back(), 28);
    EXPECT_EQ(buffer.StartOffset(), 120);

    CScriptedStream empty(0);
    CPCMBuffer nothing;
    ASSERT_EQ(nothing.Init(&empty, 16, 0, 50), 1);
    SetLastError(0);
    EXPECT_EQ(nothing.SetReadVariables(0, 10), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_EMPTY_STREAM);
    EXPECT_TRUE(empty.seeks.empty());
}

TEST(PCMBuffer, WholeFileBuffersLoadOnceAndShareTheirBlock) {
    CScriptedStream stream(64);
    CPCMBuffer buffer;
    ASSERT_EQ(buffer.Init(&stream, 64, 1, 50), 1);
    EXPECT_EQ(buffer.Streaming(), 0);
    EXPECT_EQ(buffer.SourceExhausted(), 1);
    EXPECT_EQ(Locked(buffer), Bytes(0, 64));
    stream.reads.clear();
    EXPECT_EQ(buffer.Fill(), 1);
    EXPECT_TRUE(stream.reads.empty());

    // Reading loops over the block; nothing is dropped.
    buffer.UpdateReadOffset(60);
    EXPECT_EQ(Locked(buffer), Bytes(60, 4));
    buffer.UpdateReadOffset(10);
    EXPECT_EQ(Locked(buffer), Bytes(6, 58));
    buffer.LowActivityMode();  // whole-file buffers keep their memory
    EXPECT_EQ(buffer.LowActivity(), 0);

    // A copy shares the loaded bytes and outlives the original.
    CPCMBuffer* copy = buffer.Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetReferenceObject(), nullptr);
    ASSERT_EQ(copy->SetReadVariables(32, 8), 1);
    EXPECT_EQ(Locked(*copy), Bytes(32, 32));
    {
        CPCMBuffer second(*copy);
        EXPECT_EQ(Locked(second), Bytes(0, 64));
    }
    delete copy;
    EXPECT_EQ(Locked(buffer), Bytes(6, 58));
}

TEST(PCMBuffer, LowActivityDropsMemoryUntilTheNextFill) {
    CScriptedStream stream(1000);
    CPCMBuffer buffer;
    ASSERT_EQ(buffer.Init(&stream, 32, 0, 50), 1);
    ASSERT_EQ(buffer.SetReadVariables(0, 1000), 1);
    buffer.Fill();
    buffer.LowActivityMode();
    EXPECT_EQ(buffer.LowActivity(), 1);
    EXPECT_EQ(buffer.Buffered(), 0u);
    EXPECT_EQ(Locked(buffer), std::vector<BYTE>{});

    // A streaming copy has a ring of its own.
    CPCMBuffer copy(buffer);
    copy.SetRefObj(&stream);
    EXPECT_EQ(copy.Streaming(), 1);

    // The next fill starts a fresh, empty ring and reads on from the stream.
    EXPECT_EQ(buffer.Fill(), 1);
    EXPECT_EQ(buffer.LowActivity(), 0);
    EXPECT_EQ(Locked(buffer), Bytes(32, 32));
}
