// What libburn reads from our sources, one sector at a time: the track's
// audio padded to its sectors; on the fly, the rendered stream cut at the
// track boundaries, silence after an early end, a failure after a failed
// rendering.
#include <gtest/gtest.h>

#include <libburn/libburn.h>

#include <chrono>
#include <thread>

#include "platter/audio_fifo.h"
#include "platter/burn_feed.h"
#include "platter/track_source.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

using namespace burn;

// Everything a feed gives, sector by sector, until its end; on a failure,
// the bytes so far and a '!' (the feed is then left to the caller).
std::string Drain(burn_source* feed) {
    std::string out;
    unsigned char sector[PLATTER_SECTOR_BYTES];
    for (int guard = 0; guard < 100000; ++guard) {
        const int got = feed->read_xt(feed, sector, PLATTER_SECTOR_BYTES);
        if (got < 0) return out + "!";
        if (got == 0) break;
        EXPECT_EQ(got, PLATTER_SECTOR_BYTES);
        out.append(reinterpret_cast<const char*>(sector), static_cast<std::size_t>(got));
    }
    burn_source_free(feed);
    return out;
}

std::string Padded(std::string bytes, std::size_t sectors) {
    bytes.resize(sectors * PLATTER_SECTOR_BYTES, '\0');
    return bytes;
}

TEST(BurnFeedTest, FileTrackIsItsAudioPaddedToItsSectors) {
    testsupport::TempDir files;
    const std::string pcm = MakePcm(700, 3);  // 2800 bytes: two sectors
    const std::string path = files.File("a.wav");
    WriteFile(path, WaveBytes(pcm));
    std::string why;
    auto source = OpenTrackSource(path, nullptr, why);
    ASSERT_TRUE(source) << why;
    burn_source* feed = NewFileTrackFeed(*source, 2);
    EXPECT_EQ(feed->get_size(feed), 2 * PLATTER_SECTOR_BYTES);
    EXPECT_EQ(Drain(feed), Padded(pcm, 2));
}

TEST(BurnFeedTest, StreamedTracksCutOneRenderingAtTheirSectors) {
    const std::string s1 = MakePcm(900, 1);   // 3600 bytes
    const std::string s2 = MakePcm(1300, 2);  // 5200 bytes
    const std::string whole = s1 + s2;        // 8800 bytes: 3.74 sectors
    struct Case {
        const char* name;
        std::size_t rendered;      // bytes the callback delivers
        std::int32_t returned;     // what it returns
        std::string second;        // what track 2 reads
    };
    // Track 1 takes the first two sectors (1.53 rounds to 2), track 2 the
    // rest, its last sector padded.
    const std::string first = whole.substr(0, 2 * PLATTER_SECTOR_BYTES);
    const std::string rest = whole.substr(2 * PLATTER_SECTOR_BYTES);
    const std::vector<Case> cases = {
        {"whole", whole.size(), 2, Padded(rest, 2)},
        {"early end", 6000, 2, Padded(whole.substr(2 * PLATTER_SECTOR_BYTES, 6000 - 2 * PLATTER_SECTOR_BYTES), 2)},
        // A sector the failed rendering cannot fill fails the track.
        {"failed", 6000, 0, "!"},
    };
    for (const Case& c : cases) {
        CAudioFifo fifo(whole.size());
        std::atomic<std::int32_t> result{-1};
        burn_source* one = NewStreamTrackFeed(fifo, result, 2, 1);
        burn_source* two = NewStreamTrackFeed(fifo, result, 2, 2);
        ASSERT_TRUE(fifo.Push(reinterpret_cast<const std::uint8_t*>(whole.data()), c.rendered));
        result.store(c.returned);
        fifo.Finish();
        EXPECT_EQ(Drain(one), first) << c.name;
        std::string second = Drain(two);
        if (!second.empty() && second.back() == '!') burn_source_free(two);
        EXPECT_EQ(second, c.second) << c.name;
    }
}

TEST(BurnFeedTest, CancelStopsTheRendering) {
    CAudioFifo fifo(16);
    std::atomic<std::int32_t> result{-1};
    burn_source* feed = NewStreamTrackFeed(fifo, result, 1, 1);
    feed->cancel(feed);
    const std::uint8_t bytes[32] = {};
    std::int32_t length = sizeof bytes;
    // The renderer's next push is refused and it is told to stop.
    EXPECT_EQ(CAudioFifo::Sink(const_cast<std::uint8_t*>(bytes), length, &fifo), 1);
    burn_source_free(feed);
}

TEST(BurnFeedTest, QueueRunsDryOnlyWhenTheWriterWaitsForLateAudio) {
    CWatchdog watchdog(testsupport::kHangLimit, "the dry queue test");
    std::uint8_t out[8] = {};
    std::size_t got = 0;
    const std::uint8_t half[4] = {1, 2, 3, 4};
    // Until the writer is blocked in its count-th wait for audio.
    const auto waitForWriter = [](CAudioFifo& fifo, std::size_t count) {
        while (fifo.PopWaits() < count) std::this_thread::yield();
    };

    // The writer waits for the first audio (not running dry), takes the
    // first half and waits for the rest, which comes late (running dry).
    CAudioFifo fifo(64);
    std::thread writer([&] { got = fifo.Pop(out, sizeof out); });
    waitForWriter(fifo, 1);
    EXPECT_FALSE(fifo.RanDry());
    EXPECT_TRUE(fifo.Push(half, sizeof half));
    waitForWriter(fifo, 2);
    EXPECT_FALSE(fifo.RanDry());
    EXPECT_TRUE(fifo.Push(half, sizeof half));
    writer.join();
    EXPECT_EQ(got, sizeof out);
    EXPECT_TRUE(fifo.RanDry());

    // Waiting for the padding at the end of a rendering is not running dry.
    CAudioFifo last(64);
    std::thread tail([&] { got = last.Pop(out, sizeof out); });
    waitForWriter(last, 1);
    EXPECT_TRUE(last.Push(half, sizeof half));
    waitForWriter(last, 2);
    last.Finish();
    tail.join();
    EXPECT_EQ(got, sizeof half);
    EXPECT_FALSE(last.RanDry());
}

}  // namespace
}  // namespace platter_test
