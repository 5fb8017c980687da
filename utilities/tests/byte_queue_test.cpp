#include "utilities/byte_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <random>
#include <thread>
#include <vector>

namespace {

// A byte pattern whose period (251) never lines up with the block sizes.
std::vector<unsigned char> Pattern(std::uint64_t start, std::uint32_t len) {
    std::vector<unsigned char> out(len);
    for (std::uint32_t i = 0; i < len; ++i) out[i] = static_cast<unsigned char>((start + i) % 251);
    return out;
}

bool Add(CByteQueue& queue, std::uint64_t& written, std::uint32_t len) {
    const auto bytes = Pattern(written, len);
    written += len;
    return queue.AddData(bytes.data(), len);
}

// Reads len bytes and checks that they continue the pattern.
::testing::AssertionResult Get(CByteQueue& queue, std::uint64_t& read, std::uint32_t len) {
    std::vector<unsigned char> out(len);
    const std::uint32_t got = queue.GetData(out.data(), len);
    if (got != len) return ::testing::AssertionFailure() << "got " << got << " of " << len;
    out.resize(got);
    if (out != Pattern(read, got)) return ::testing::AssertionFailure() << "out of order at " << read;
    read += got;
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ByteQueue, DeliversInOrderAcrossRecords) {
    CByteQueue queue;
    const unsigned char ten[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const unsigned char five[5] = {10, 11, 12, 13, 14};
    ASSERT_TRUE(queue.AddData(ten, 10));
    ASSERT_TRUE(queue.AddData(five, 5));
    unsigned char out[12] = {};
    EXPECT_EQ(queue.GetData(out, 12), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], i);
    EXPECT_EQ(queue.TotalBytesAvailable(), 3u);
    unsigned char rest[8] = {};
    EXPECT_EQ(queue.GetData(rest, 8), 3u) << "the queue ran short";
    EXPECT_EQ(rest[0], 12);
    EXPECT_EQ(rest[2], 14);
}

TEST(ByteQueue, RefusesNothingToDo) {
    CByteQueue queue;
    unsigned char out[4] = {7, 7, 7, 7};
    EXPECT_EQ(queue.GetData(out, 4), 0u);
    EXPECT_EQ(out[0], 7) << "an empty queue leaves the buffer untouched";
    EXPECT_FALSE(queue.AddData(nullptr, 4));
    EXPECT_FALSE(queue.AddData(out, 0));
    EXPECT_TRUE(queue.AddData(out, 4));
    EXPECT_EQ(queue.GetData(nullptr, 4), 0u);
    EXPECT_EQ(queue.GetData(out, 0), 0u);
    EXPECT_EQ(queue.TotalBytesAvailable(), 4u);
}

TEST(ByteQueue, RecyclesAnEmptiedBufferForTheNextBlocks) {
    CByteQueue queue;
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    ASSERT_TRUE(Add(queue, written, 40000));
    ASSERT_TRUE(Get(queue, read, 40000));
    EXPECT_EQ(queue.RecordCount(), 1) << "the emptied 40000-byte buffer is kept";
    const int allocations = queue.Allocations();

    ASSERT_TRUE(Add(queue, written, 30000));
    EXPECT_EQ(queue.Allocations(), allocations) << "the kept buffer takes the 30000 bytes";
    EXPECT_EQ(queue.RecordCount(), 1);

    ASSERT_TRUE(Add(queue, written, 20000));
    EXPECT_EQ(queue.RecordCount(), 2) << "10000 bytes fill the kept buffer, 10000 make a new record";
    EXPECT_EQ(queue.TotalBytesAvailable(), 50000u);

    ASSERT_TRUE(Get(queue, read, 45000));
    ASSERT_TRUE(Get(queue, read, 5000));
    EXPECT_EQ(queue.RecordCount(), 1) << "the 10000-byte record is below the minimum and freed";
    EXPECT_EQ(queue.TotalBytesAvailable(), 0u);
}

TEST(ByteQueue, FreesBuffersOutsideTheLimits) {
    struct Case {
        std::uint32_t size;
        bool recycle;
        int kept;
    };
    const std::vector<Case> cases = {
        {1000, true, 0},    {31999, true, 0},  {32000, true, 1},   {1000000, true, 1},
        {1000001, true, 0}, {40000, false, 0},
    };
    for (const auto& c : cases) {
        CByteQueue queue;
        queue.SetRecycleBuffers(c.recycle);
        std::uint64_t written = 0;
        std::uint64_t read = 0;
        ASSERT_TRUE(Add(queue, written, c.size));
        ASSERT_TRUE(Get(queue, read, c.size));
        EXPECT_EQ(queue.RecordCount(), c.kept) << c.size << (c.recycle ? " recycling" : " not recycling");
    }
}

TEST(ByteQueue, SettingsThatDoNotChange) {
    CByteQueue queue;
    const unsigned char byte = 1;
    queue.AddData(&byte, 1);
    queue.SetRecycleBuffers(false);
    EXPECT_TRUE(queue.RecycleBuffers()) << "the flag changes only while the queue is empty";
    queue.RemoveEverything();
    EXPECT_EQ(queue.RecordCount(), 0);
    queue.SetRecycleBuffers(false);
    EXPECT_FALSE(queue.RecycleBuffers());
    queue.SetMaxRecycleBufferSize(5000);
    queue.SetMinRecycleBufferSize(10);
    EXPECT_EQ(queue.MaxRecycleBufferSize(), 1000000u);
    EXPECT_EQ(queue.MinRecycleBufferSize(), 32000u);
}

TEST(ByteQueue, CopiesHoldOnlyTheUnreadBytes) {
    CByteQueue queue;
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    ASSERT_TRUE(Add(queue, written, 50000));
    ASSERT_TRUE(Get(queue, read, 50000));  // leaves a kept buffer behind
    ASSERT_TRUE(Add(queue, written, 60000));
    ASSERT_TRUE(Get(queue, read, 35000));

    CByteQueue copy(queue);
    EXPECT_EQ(copy.TotalBytesAvailable(), 25000u);
    EXPECT_EQ(copy.RecordCount(), 2) << "a record of exactly the unread bytes for each, no kept buffers";
    std::uint64_t copyRead = read;
    EXPECT_TRUE(Get(copy, copyRead, 25000));

    CByteQueue assigned;
    assigned = queue;
    std::uint64_t assignedRead = read;
    EXPECT_TRUE(Get(assigned, assignedRead, 25000));
    EXPECT_TRUE(Get(queue, read, 25000)) << "the original is untouched";
}

TEST(ByteQueue, MatchesASimpleQueueUnderRandomTraffic) {
    CByteQueue queue;
    std::deque<unsigned char> model;
    std::mt19937 random(12345);
    std::uniform_int_distribution<std::uint32_t> size(1, 120000);
    std::vector<unsigned char> out;
    std::uint64_t written = 0;
    for (int step = 0; step < 400; ++step) {
        if (random() % 2 == 0) {
            const std::uint32_t len = size(random);
            const auto bytes = Pattern(written, len);
            written += len;
            ASSERT_TRUE(queue.AddData(bytes.data(), len));
            model.insert(model.end(), bytes.begin(), bytes.end());
        } else {
            const std::uint32_t len = size(random);
            out.assign(len, 0);
            const std::uint32_t got = queue.GetData(out.data(), len);
            ASSERT_EQ(got, std::min<std::size_t>(len, model.size()));
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + got, model.begin())) << "step " << step;
            model.erase(model.begin(), model.begin() + got);
        }
        ASSERT_EQ(queue.TotalBytesAvailable(), model.size());
    }
}

TEST(ByteQueue, ProducerAndConsumerThreadsWithoutAllocating) {
    constexpr std::uint32_t kBlock = 40000;
    constexpr std::uint32_t kChunk = 7000;
    constexpr std::uint64_t kBlocks = 300;
    CByteQueue queue;
    std::uint64_t written = 0;
    std::uint64_t read = 0;
    // Three kept buffers: enough room for one unread block, the consumed
    // part of the front buffer and the next block.
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(Add(queue, written, kBlock));
    ASSERT_TRUE(Get(queue, read, 3 * kBlock));
    ASSERT_EQ(queue.RecordCount(), 3);
    const int allocations = queue.Allocations();

    std::atomic<bool> producerOk{true};
    std::thread producer([&] {
        for (std::uint64_t n = 0; n < kBlocks; ++n) {
            while (queue.TotalBytesAvailable() >= kBlock) std::this_thread::yield();
            if (!Add(queue, written, kBlock)) producerOk = false;
        }
    });
    std::vector<unsigned char> out(kChunk);
    const std::uint64_t total = 3 * kBlock + kBlocks * kBlock;
    bool inOrder = true;
    while (read < total && inOrder) {
        const std::uint32_t got = queue.GetData(out.data(), kChunk);
        for (std::uint32_t i = 0; i < got; ++i) {
            if (out[i] != static_cast<unsigned char>((read + i) % 251)) inOrder = false;
        }
        read += got;
        if (got == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_TRUE(producerOk);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(read, total);
    EXPECT_EQ(queue.Allocations(), allocations) << "the steady stream reuses the kept buffers";
    EXPECT_EQ(queue.RecordCount(), 3);
}
