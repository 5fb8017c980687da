// Seek maps saved to the same file by two threads at once, as two loads of
// one song on worker threads do.

#include <gtest/gtest.h>

#include <barrier>
#include <string>
#include <thread>

#include "testsupport/temp_dir.h"
#include "tonecore/peaks/seek_map.h"

namespace {

bool SameMap(const CSeekMap& a, const CSeekMap& b) {
    if (a.Count() != b.Count()) return false;
    for (std::int32_t i = 0; i < a.Count(); ++i) {
        std::int64_t valueA = 0;
        std::int64_t valueB = 0;
        if (a.SeekMapFind(a.SeekMapKeyAt(i), &valueA, nullptr, 0) != b.SeekMapFind(b.SeekMapKeyAt(i), &valueB, nullptr, 0) ||
            valueA != valueB) {
            return false;
        }
    }
    return true;
}

// Every save succeeds and the file always holds one of the two maps whole,
// never a mix of both or a cut one.
TEST(SeekMapThreads, TwoThreadsSavingOneFileLeaveOneWholeMap) {
    testsupport::TempDir dir;
    const std::string path = dir.File("song.mp3.isk");
    CSeekMap small;
    CSeekMap large;
    for (std::int64_t i = 0; i < 10; ++i) small.SeekMapAdd(100 * i, 1000 * i);
    for (std::int64_t i = 0; i < 5000; ++i) large.SeekMapAdd(417 * i + 1, 4608 * i);
    constexpr int kRounds = 200;
    std::barrier together(2);
    int smallSaved = 0;
    std::thread other([&] {
        for (int round = 0; round < kRounds; ++round) {
            together.arrive_and_wait();
            smallSaved += small.SeekMapSave(path.c_str());
            together.arrive_and_wait();
        }
    });
    int largeSaved = 0;
    for (int round = 0; round < kRounds; ++round) {
        together.arrive_and_wait();
        largeSaved += large.SeekMapSave(path.c_str());
        together.arrive_and_wait();
        CSeekMap loaded;
        EXPECT_EQ(loaded.SeekMapLoad(path.c_str()), 1) << "round " << round;
        EXPECT_TRUE(SameMap(loaded, small) || SameMap(loaded, large)) << "round " << round;
    }
    other.join();
    EXPECT_EQ(smallSaved, kRounds);
    EXPECT_EQ(largeSaved, kRounds);
}

}  // namespace
