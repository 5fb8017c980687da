#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/cddb.h"
#include "titlefetch/tests/cddb_test_support.h"

using cddbtest::TrackList;

namespace {

std::vector<int> EvenlySpaced(int count, int first, int spacing) {
    std::vector<int> offsets;
    for (int i = 0; i < count; ++i) offsets.push_back(first + i * spacing);
    return offsets;
}

}  // namespace

TEST(DiscId, MatchesHandCheckedTablesOfContents) {
    struct Case {
        const char* name;
        std::vector<int> offsets;
        int leadOut;
        std::uint32_t id;
        std::uint32_t lengthSeconds;
    };
    const Case cases[] = {
        {"three short tracks", {150, 403, 787}, 1102, 0x08000c03, 3 + 5 + 4},
        // The last track starts at 134.27 s and lasts 60.80 s: the frame
        // parts carry into a whole second of disc time.
        {"frames carry into the disc time", {150, 10070}, 14630, 0x0a00c102, 132 + 60},
        {"one track", {150}, 2400, 0x02001e01, 30},
        {"79 minutes", {150, 90150, 180150, 270150}, 150 + 79 * 4500 + 37, 0x1a128404, 79 * 60},
        {"99 tracks", EvenlySpaced(99, 150, 2000), 150 + 99 * 2000, 0x7e0a5063, 99 * 26},
    };
    CCDDB cddb;
    for (const Case& c : cases) {
        const TrackList tracks(c.offsets, c.leadOut);
        EXPECT_EQ(cddb.computeDiscID(tracks.list), c.id) << c.name;
        EXPECT_EQ(cddb.computeDiscLength(tracks.list), c.lengthSeconds) << c.name;
    }
}

TEST(DiscId, EmptyListGivesZero) {
    CCDDB cddb;
    const MvList<PLATTER_TTrackPos*> empty;
    EXPECT_EQ(cddb.computeDiscID(empty), 0u);
    EXPECT_EQ(cddb.computeDiscLength(empty), 0u);
}

TEST(DiscId, LogsItsThreeParts) {
    testsupport::TempDir dir;
    const std::string path = dir.File("titlefetch.log");
    LogInit(path.c_str());
    LogOn(1);
    const TrackList tracks({150, 403, 787}, 1102);
    CCDDB().computeDiscID(tracks.list);
    LogDeinit();
    const std::string log = testsupport::ReadWholeFile(path);
    for (const char* line : {"CCDDB::computeDiscID - Calculating disc ID based on: \r\n",
                             "   Part 1: Sum of offset digits is 8 (0x0008)\r\n",
                             "   Part 2: Disc time is 12 (0x000c)\r\n",
                             "   Part 3: Number of tracks is 3 (0x0003)\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\nin:\n" << log;
    }
}
