// The Find page's search worker against a real song store: the first page
// of a result is read by several threads at once, yet every song comes to
// the page once, in the result's order, with its file read; a stop at any
// moment ends the worker with the songs posted so far a start of that order.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/app/app_messages.h"
#include "songsmith/find/find_search.h"
#include "songvault/description.h"
#include "songvault/songvault.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "testsupport/tiny_wav.h"
#include "tonecore/engine/engine_startup.h"

namespace {

// The page's side of the worker: the messages it posts, taken in order.
class CPostedMessages {
public:
    bool Post(TAppMessage message) {
        std::lock_guard<std::mutex> guard(lock_);
        messages_.push_back(std::move(message));
        arrived_.notify_all();
        return true;
    }
    // The next message; false when none came within the hang limit.
    bool Next(TAppMessage& message) {
        std::unique_lock<std::mutex> guard(lock_);
        if (!arrived_.wait_for(guard, testsupport::kHangLimit, [this] { return !messages_.empty(); })) return false;
        message = std::move(messages_.front());
        messages_.pop_front();
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<TAppMessage> messages_;
};

struct TReceived {
    std::vector<std::size_t> pageSizes;
    std::vector<TFoundSong> songs;
    bool finished = false;
    bool cancelled = false;
};

class FindSearchThreadsTest : public ::testing::Test {
protected:
    static constexpr int kSongs = 150;

    void SetUp() override {
        ASSERT_EQ(SoundEngineStartup(nullptr), 1);
        ASSERT_TRUE(store_.Initialize(&description_, folder_.Path().c_str()));
        testsupport::WriteWholeFile(folder_.File("long.wav"), testsupport::TinyWavBytes(8000));
        // A file too short to be read as a song.
        testsupport::WriteWholeFile(folder_.File("broken.wav"), "RIFF");
        for (int i = 0; i < kSongs; ++i) {
            TSVT_Song song{};
            song.id = -1;
            std::snprintf(song.title, sizeof song.title, "Song %d", i);
            const std::string path = folder_.File("track" + std::to_string(i) + ".wav");
            const std::string source = folder_.File(i % 9 == 4 ? "broken.wav" : "long.wav");
            ASSERT_EQ(::link(source.c_str(), path.c_str()), 0);
            std::snprintf(song.path, sizeof song.path, "%s", path.c_str());
            ASSERT_GT(store_.AddSong(&song, false), 0);
            paths_.push_back(path);
            loads_.push_back(i % 9 != 4);
        }
    }
    void TearDown() override {
        store_.Shutdown(nullptr);
        SoundEngineShutdown();
    }

    // Takes the worker's messages up to its end, handling each batch of rows
    // as the page does.
    TReceived Receive(CFindSearch& search) {
        TReceived received;
        TAppMessage message;
        while (!received.finished && posted_.Next(message)) {
            if (message.number == WM_FIND_FINISHED) {
                received.finished = true;
                received.cancelled = message.wParam == 1;
            } else if (auto* songs = message.PayloadAs<TFoundSongs>(); songs != nullptr) {
                received.pageSizes.push_back(songs->size());
                for (TFoundSong& song : *songs) received.songs.push_back(std::move(song));
                search.RowsHandled(static_cast<int>(songs->size()));
            }
        }
        return received;
    }

    testsupport::TempDir folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
    std::vector<std::string> paths_;
    std::vector<bool> loads_;
    CPostedMessages posted_;
};

TEST_F(FindSearchThreadsTest, TheFirstPageIsReadSideBySideAndEverySongComesOnceInOrder) {
    struct TCase {
        int firstPageRows;
        const char* text;
        std::size_t expected;
    };
    // A page of many rows, a page too small to share out, a result smaller
    // than its page, and one song.
    for (const TCase& c : {TCase{31, "track", kSongs}, TCase{3, "track", kSongs}, TCase{40, "track1", 61},
                           TCase{31, "track149", 1}}) {
        SCOPED_TRACE(c.text + std::string(" / ") + std::to_string(c.firstPageRows));
        CFindSearch search([this](TAppMessage message) { return posted_.Post(std::move(message)); });
        search.SetFirstPageRows(c.firstPageRows);
        ASSERT_TRUE(search.StartSearch(&store_, c.text));
        const TReceived received = Receive(search);
        ASSERT_TRUE(received.finished);
        EXPECT_FALSE(received.cancelled);
        ASSERT_EQ(received.songs.size(), c.expected);
        ASSERT_FALSE(received.pageSizes.empty());
        EXPECT_EQ(received.pageSizes.front(), std::min<std::size_t>(c.expected, c.firstPageRows));
        // The store lists songs in the order they were added.
        std::size_t next = 0;
        for (std::size_t i = 0; i < paths_.size() && next < received.songs.size(); ++i) {
            if (paths_[i].find(std::string("/") + c.text) == std::string::npos) continue;
            const TFoundSong& song = received.songs[next++];
            EXPECT_EQ(song.record.path, paths_[i]);
            EXPECT_EQ(song.loaded, loads_[i]) << paths_[i];
        }
        EXPECT_EQ(next, c.expected);
    }
}

TEST_F(FindSearchThreadsTest, AStopAtAnyMomentEndsTheWorkerWithAStartOfTheResult) {
    // The stop lands wherever the worker happens to be: in the store's
    // search, among the first page's readers, or past them.
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        CFindSearch search([this](TAppMessage message) { return posted_.Post(std::move(message)); });
        search.SetFirstPageRows(31);
        ASSERT_TRUE(search.StartSearch(&store_, "track"));
        search.KillSearchThread();
        EXPECT_FALSE(search.SearchRunning());
        const TReceived received = Receive(search);
        ASSERT_TRUE(received.finished);
        ASSERT_LE(received.songs.size(), paths_.size());
        for (std::size_t i = 0; i < received.songs.size(); ++i)
            EXPECT_EQ(received.songs[i].record.path, paths_[i]);
        if (received.songs.size() < paths_.size()) {
            EXPECT_TRUE(received.cancelled);
        }
    }
}

}  // namespace
