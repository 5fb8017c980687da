#include "tonecore/peaks/sound_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/peaks/tests/peak_test_support.h"

using peaktest::PeaksTest;

namespace {

// Sets a file's modification time to now + offsetSeconds.
void Touch(const std::string& path, int offsetSeconds) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) + offsetSeconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace

TEST_F(PeaksTest, PeakCacheIsTakenOnlyWhenFreshAndOfTheAskedResolution) {
    auto scanned = CachedSet("song.mp3", {0, 50, 60, 0}, 20);
    const std::string song = dir_.File("song.mp3");
    const std::string cache = scanned->PeakFilePath();
    std::string expected;
    ASSERT_TRUE(SoundCachePath(song.c_str(), kPeakCacheExtension, 0, expected));
    EXPECT_EQ(expected, cache);  // readers look where the scan wrote

    struct {
        const char* name;
        int songAge, cacheAge;  // seconds from now
        std::uint32_t msPerPeak;
        int taken;
    } const cases[] = {
        {"newer cache", -100, -10, 20, 1},
        {"song changed since", -10, -100, 20, 0},
        {"same second", -10, -10, 20, 0},
        {"other resolution", -100, -10, 10, 0},
    };
    for (const auto& c : cases) {
        Touch(song, c.songAge);
        Touch(cache, c.cacheAge);
        CPeaks peaks;
        EXPECT_EQ(LoadPeaksCache(peaks, song.c_str(), c.msPerPeak), c.taken) << c.name;
        EXPECT_EQ(peaks.IsLoaded(), c.taken) << c.name;
        EXPECT_EQ(peaks.References(), 1) << c.name;
        const std::vector<std::uint8_t> expectedPeaks =
            c.taken ? std::vector<std::uint8_t>{0, 50, 60, 0} : std::vector<std::uint8_t>{};
        EXPECT_EQ(peaktest::BufferedPeaks(peaks), expectedPeaks) << c.name;
    }
    CPeaks none;
    EXPECT_EQ(LoadPeaksCache(none, dir_.File("other.mp3").c_str(), 20), 0);
}

TEST_F(PeaksTest, SeekMapCacheRoundTripsAndStaleOrDamagedOnesAreRefused) {
    const std::string song = dir_.File("song.mp3");
    testsupport::WriteWholeFile(song, "song");
    CSeekMap built;
    for (int i = 0; i < 5; ++i) built.SeekMapAdd(417 * i, 4608 * i);
    ASSERT_EQ(SaveSeekMapCache(built, song.c_str()), 1);
    const std::string cache = built.FilePath();
    EXPECT_EQ(cache.substr(0, cache_.size()), cache_);

    Touch(song, -100);
    Touch(cache, -10);
    CSeekMap fresh;
    ASSERT_EQ(LoadSeekMapCache(fresh, song.c_str()), 1);
    EXPECT_EQ(fresh.Count(), 5);
    EXPECT_EQ(fresh.SeekMapKeyAt(4), 4608 * 4);

    Touch(song, -5);
    CSeekMap stale;
    EXPECT_EQ(LoadSeekMapCache(stale, song.c_str()), 0);
    EXPECT_EQ(stale.Count(), 0);

    // A cut record: nothing of it is used.
    testsupport::WriteWholeFile(cache, testsupport::ReadWholeFile(cache).substr(0, 37));
    Touch(song, -100);
    Touch(cache, -10);
    CSeekMap damaged;
    EXPECT_EQ(LoadSeekMapCache(damaged, song.c_str()), 0);
    EXPECT_EQ(damaged.Count(), 0);
}
