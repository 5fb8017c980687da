// A burn allowed to reuse the last conversion: each track file serves again
// only while the track it was made from is unchanged (its song file, its
// part, the session around it); every other track is converted again, and
// the write always takes every track of the session. Each burn is checked
// against a burn of the same session converted from scratch.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "songsmith/session/cd_track.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"

namespace {

// The time an untouched track file keeps (a rewritten file gets the
// present time).
constexpr time_t kMarkedTime = 1000000000;

class BurnReuseTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        drives_.engine = 0;
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 1;
    }

    // A song that is no CD audio, so every burn converts it.
    std::string HalfRateSong(const std::string& name, double seconds) {
        return Song(name, seconds, "-r 22050 -c 2 -b 16");
    }

    // The written disc's tracks: each track file's audio as the write found it.
    struct TDisc {
        std::vector<std::string> paths;
        std::vector<std::string> audio;
    };
    TDisc LastWrite() {
        TDisc disc;
        const auto writes = writer_->Writes();
        if (writes.empty()) return disc;
        const auto& last = writes.back();
        for (int t = 0; t < last.block.trackCount; ++t) {
            disc.paths.push_back(last.paths[static_cast<std::size_t>(t)]);
            disc.audio.push_back(rendertest::WavData(last.paths[static_cast<std::size_t>(t)]));
        }
        return disc;
    }

    // Burns in mode (reuse as asked); the disc written.
    TDisc BurnOnce(int burnMode, int reuse) {
        reuse_ = reuse;
        Burn(burnMode);
        EXPECT_EQ(Posts().back(), workertest::Finished(1, 1));
        return LastWrite();
    }

    // Marks every track file as made long ago.
    void MarkTrackFiles() {
        for (int t = 0; t < tracks_.GetCount(); ++t) {
            const std::string file = tracks_.GetAt(t)->GetTempFile();
            const utimbuf times{kMarkedTime, kMarkedTime};
            if (!file.empty()) {
                EXPECT_EQ(utime(file.c_str(), &times), 0) << file;
            }
        }
    }
    // Which tracks' files the last burn made anew.
    std::vector<bool> Remade() {
        std::vector<bool> remade;
        for (int t = 0; t < tracks_.GetCount(); ++t) {
            struct stat file {};
            const std::string path = tracks_.GetAt(t)->GetTempFile();
            remade.push_back(stat(path.c_str(), &file) != 0 || file.st_mtime != kMarkedTime);
        }
        return remade;
    }
};

TEST_F(BurnReuseTest, TrackByTrackOnlyTheChangedTracksAreConvertedAgainAndEveryTrackIsWritten) {
    const std::string a = HalfRateSong("a.wav", 5), b = HalfRateSong("b.wav", 5), c = HalfRateSong("c.wav", 5);
    Add(a);
    Add(b);
    Add(c);
    ASSERT_EQ(BurnOnce(4, 0).paths.size(), 3u);

    const struct TStep {
        const char* edit;
        std::function<void()> apply;
        std::vector<bool> remade;
    } steps[] = {
        {"nothing", [] {}, {false, false, false}},
        {"b trimmed", [&] { tracks_.GetAt(1)->SetUserTrims(0, 4500); }, {false, true, false}},
        {"a's song file replaced",
         [&] {
             std::filesystem::remove(a);
             HalfRateSong("a.wav", 6);
         },
         {true, false, false}},
        {"a song added", [&] { Add(HalfRateSong("d.wav", 4)); }, {false, false, false, true}},
        // c and d keep their files at their new places.
        {"b deleted", [&] { tracks_.RemoveAt(1); }, {false, false, false}},
        // e takes the place whose file name d still holds.
        {"e added", [&] { Add(HalfRateSong("e.wav", 5)); }, {false, false, false, true}},
        {"c's volume", [&] { tracks_.GetAt(1)->SetVolume(0.5); }, {false, true, false, false}},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.edit);
        MarkTrackFiles();
        step.apply();
        const TDisc reused = BurnOnce(4, 1);
        EXPECT_EQ(Remade(), step.remade);
        ASSERT_EQ(reused.paths.size(), static_cast<std::size_t>(tracks_.GetCount()));
        for (std::size_t t = 0; t < reused.paths.size(); ++t)
            EXPECT_EQ(reused.paths[t], tracks_.GetAt(static_cast<int>(t))->GetTempFile()) << t;
        // The same session converted from scratch writes the same audio.
        const TDisc fresh = BurnOnce(4, 0);
        ASSERT_EQ(fresh.audio.size(), reused.audio.size());
        for (std::size_t t = 0; t < fresh.audio.size(); ++t) EXPECT_TRUE(fresh.audio[t] == reused.audio[t]) << t;
    }
}

// A track taken out of the session while its file is being written (here
// between two copies): the file stays until the burn ends.
TEST_F(BurnReuseTest, AFileTheBurnWritesOutlivesItsTrackUntilTheBurnEnds) {
    Add(HalfRateSong("a.wav", 5));
    Add(HalfRateSong("b.wav", 5));
    std::string file;
    bool keptWhileBurning = false;
    Burn(4, false, 2, [&](int request) {
        if (request == 1 && file.empty()) {
            file = tracks_.GetAt(0)->GetTempFile();
            tracks_.RemoveAt(0);
            keptWhileBurning = std::filesystem::exists(file);
        }
        return true;
    });
    EXPECT_FALSE(file.empty());
    EXPECT_TRUE(keptWhileBurning);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(BurnReuseTest, AWholeSessionRenderingServesAgainOnlyForTheSessionItWasMadeFrom) {
    drives_.engine = 1;
    const std::string a = Song("a.wav", 5), b = Song("b.wav", 5.3), c = Song("c.wav", 5);
    Add(a);
    Add(b);
    Add(c);
    ASSERT_EQ(BurnOnce(1, 0).paths.size(), 3u);

    const struct TStep {
        const char* edit;
        std::function<void()> apply;
        bool remade;
    } steps[] = {
        {"nothing", [] {}, false},
        // Every later track's sectors start elsewhere.
        {"b trimmed", [&] { tracks_.GetAt(1)->SetUserTrims(0, 4600); }, true},
        {"c's song file replaced",
         [&] {
             std::filesystem::remove(c);
             Song("c.wav", 4);
         },
         true},
        {"a song added", [&] { Add(Song("d.wav", 4)); }, true},
        {"the disc is smaller", [&] { writer_->capacityMs = 15000; }, true},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.edit);
        MarkTrackFiles();
        step.apply();
        const TDisc reused = BurnOnce(1, 1);
        EXPECT_EQ(Remade(), std::vector<bool>(static_cast<std::size_t>(tracks_.GetCount()), step.remade));
        const TDisc fresh = BurnOnce(1, 0);
        ASSERT_EQ(fresh.audio.size(), reused.audio.size());
        for (std::size_t t = 0; t < fresh.audio.size(); ++t) EXPECT_TRUE(fresh.audio[t] == reused.audio[t]) << t;
    }
}

}  // namespace
