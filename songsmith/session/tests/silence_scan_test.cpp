// Finding the sound between silences in peaks held in memory and in peaks
// files, including files cut short and ranges that are silent throughout.
#include "songsmith/session/silence_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/temp_dir.h"

namespace {

TEST(SilenceScan, ScansStopAtTheEdgesOfTheRange) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> peaks;
        std::uint32_t first, last;
    } kCases[] = {
        {"sound between silences", {0, 1, 9, 3, 8, 2, 0}, 2, 4},
        {"loud throughout", {5, 5, 5}, 0, 2},
        // The forward scan stops at the end; the backward one has nowhere to go.
        {"silent throughout", {0, 2, 1, 0}, 3, 3},
        {"one loud peak at the end", {0, 0, 0, 7}, 3, 3},
        {"one peak", {9}, 0, 0},
        {"no peaks", {}, 0, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        // Peaks of a range from index 10, threshold 2.
        const TSoundEdges edges = FindSoundEdges(c.peaks, 10, 2);
        EXPECT_EQ(edges.first, 10 + c.first);
        EXPECT_EQ(edges.last, 10 + c.last);
    }
}

TEST(SilenceScan, PeaksFilesGiveOnlyTheBytesTheyHold) {
    testsupport::TempDir dir;
    const std::string path = dir.File("song.wav.ipk");
    // Twelve header bytes, then peaks 0 .. 5.
    testsupport::WriteWholeFile(path, std::string(12, 'h') + std::string("\x00\x01\x02\x03\x04\x05", 6));
    const struct {
        std::uint32_t from, to;
        std::vector<std::uint8_t> peaks;
    } kCases[] = {
        {0, 5, {0, 1, 2, 3, 4, 5}},
        {2, 3, {2, 3}},
        {4, 40, {4, 5}},
        {9, 40, {}},
        {3, 1, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to));
        std::vector<std::uint8_t> read{99};
        ASSERT_TRUE(ReadPeakRange(path, c.from, c.to, read));
        EXPECT_EQ(read, c.peaks);
    }
    std::vector<std::uint8_t> read;
    EXPECT_FALSE(ReadPeakRange(dir.File("none.ipk"), 0, 5, read));
}

}  // namespace
