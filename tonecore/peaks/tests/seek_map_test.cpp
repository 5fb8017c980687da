#include "tonecore/peaks/seek_map.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/peaks/tests/peak_test_support.h"

namespace {

// Pairs (offset, key) of a map, in index order.
std::vector<std::pair<std::int64_t, std::int64_t>> PairsOf(const CSeekMap& map) {
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    for (std::int32_t i = 0; i < map.Count(); ++i) {
        std::int64_t value = 0;
        std::int32_t index = 0;
        const std::int64_t key = map.SeekMapFind(map.SeekMapKeyAt(i), &value, &index, 0);
        out.emplace_back(value, key);
    }
    return out;
}

}  // namespace

TEST(SeekMap, PairsStayInKeyOrderAndFindTheEntryAtOrBefore) {
    CSeekMap map;
    map.SeekMapAdd(4000, 40000);
    map.SeekMapAdd(1000, 10000);
    map.SeekMapAdd(3000, 30000);
    map.SeekMapAdd(2000, 20000);
    map.SeekMapAdd(0, 0);
    struct {
        std::int64_t key;
        std::int32_t delta;
        std::int64_t found, value;
        std::int32_t index;
    } const cases[] = {
        {20000, 0, 20000, 2000, 2},  // exact
        {29999, 0, 20000, 2000, 2},  // between: the entry before
        {-5, 0, 0, 0, 0},            // before all
        {99999, 0, 40000, 4000, 4},  // after all
        {20000, -1, 10000, 1000, 1},
        {20000, 2, 40000, 4000, 4},
        {20000, 9, 40000, 4000, 4},  // clamped at the end
        {20000, -9, 0, 0, 0},        // and at the start
    };
    for (const auto& c : cases) {
        std::int64_t value = -1;
        std::int32_t index = -1;
        EXPECT_EQ(map.SeekMapFind(c.key, &value, &index, c.delta), c.found)
            << c.key << " " << c.delta;
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(index, c.index);
    }
    EXPECT_EQ(map.SeekMapKeyAt(map.Count() - 1), 40000);  // the PCM covered
    EXPECT_EQ(map.SeekMapKeyAt(99), 40000);
    EXPECT_EQ(map.SeekMapKeyAt(-3), 0);

    // Two entries: a value between them finds the first.
    CSeekMap two;
    two.SeekMapAdd(1, 10);
    two.SeekMapAdd(2, 20);
    EXPECT_EQ(two.SeekMapFind(15, nullptr, nullptr, 0), 10);

    CSeekMap empty;
    std::int32_t index = 7;
    EXPECT_EQ(empty.SeekMapFind(5, nullptr, &index, 0), -1);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(empty.SeekMapKeyAt(0), -1);
}

TEST(SeekMap, SavedMapLoadsBackWithTheSamePairs) {
    testsupport::TempDir dir;
    CSeekMap map;
    for (std::int64_t i = 0; i < 1000; ++i) map.SeekMapAdd(417 * i + 33, 4608 * i);
    map.SeekMapAdd(0xfffffff0, 0xffffffff);  // the largest that fits
    const std::string path = dir.File("song.mp3.isk");
    ASSERT_EQ(map.SeekMapSave(path.c_str()), 1);
    EXPECT_EQ(map.FilePath(), path);
    const std::string bytes = testsupport::ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 1001u * 8);
    EXPECT_EQ(peaktest::Get32(bytes, 8), 417u + 33);  // value first
    EXPECT_EQ(peaktest::Get32(bytes, 12), 4608u);     // then its key

    CSeekMap loaded;
    ASSERT_EQ(loaded.SeekMapLoad(path.c_str()), 1);
    EXPECT_EQ(PairsOf(loaded), PairsOf(map));

    map.SeekMapDeleteFile();
    EXPECT_EQ(map.FilePath(), "");
    CSeekMap gone;
    EXPECT_EQ(gone.SeekMapLoad(path.c_str()), 0);
}

TEST(SeekMap, ShortFilesKeepWhatWasReadAndReturnZero) {
    testsupport::TempDir dir;
    std::string bytes(20, '\0');
    peaktest::Put32(bytes, 0, 11);
    peaktest::Put32(bytes, 4, 100);
    peaktest::Put32(bytes, 8, 22);
    peaktest::Put32(bytes, 12, 200);
    const std::string path = dir.File("short.isk");
    testsupport::WriteWholeFile(path, bytes);
    CSeekMap map;
    EXPECT_EQ(map.SeekMapLoad(path.c_str()), 0);
    EXPECT_EQ(PairsOf(map),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{11, 100}, {22, 200}}));
}

// A damaged map whose keys fall is refused at the first fall, without the
// sorted insert per record that would make a long one take minutes.
TEST(SeekMap, FallingKeysAreDamageAndRefusedQuickly) {
    testsupport::TempDir dir;
    constexpr std::uint32_t kRecords = 200000;
    std::string bytes(std::size_t{kRecords} * 8, '\0');
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        peaktest::Put32(bytes, i * 8, i);
        peaktest::Put32(bytes, i * 8 + 4, i < 2 ? 100 * (i + 1) : kRecords - i);
    }
    const std::string path = dir.File("falling.isk");
    testsupport::WriteWholeFile(path, bytes);
    CSeekMap map;
    SetLastError(0);
    EXPECT_EQ(map.SeekMapLoad(path.c_str()), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_EQ(PairsOf(map), (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 100}, {1, 200}, {2, kRecords - 2}}));

    // Equal keys are not a fall: a stretch that decodes to nothing keeps
    // its place.
    std::string level(24, '\0');
    for (std::uint32_t i = 0; i < 3; ++i) {
        peaktest::Put32(level, i * 8, 10 * i);
        peaktest::Put32(level, i * 8 + 4, i == 0 ? 0 : 500);
    }
    testsupport::WriteWholeFile(path, level);
    CSeekMap flat;
    EXPECT_EQ(flat.SeekMapLoad(path.c_str()), 1);
    EXPECT_EQ(flat.Count(), 3);
}

TEST(SeekMap, EmptyMapSavesAnEmptyFileAndHugeKeysAreNotSaved) {
    testsupport::TempDir dir;
    CSeekMap empty;
    const std::string emptyPath = dir.File("empty.isk");
    ASSERT_EQ(empty.SeekMapSave(emptyPath.c_str()), 1);
    EXPECT_EQ(testsupport::ReadWholeFile(emptyPath), "");

    // More than about 3.4 hours of CD audio: positions past 32 bits are kept
    // in memory but would be cut in the file.
    CSeekMap longSong;
    longSong.SeekMapAdd(0, 0);
    longSong.SeekMapAdd(190000000, 0x100000000LL + 4608);
    EXPECT_EQ(longSong.SeekMapFind(0x100000000LL + 5000, nullptr, nullptr, 0),
              0x100000000LL + 4608);
    const std::string path = dir.File("long.isk");
    EXPECT_EQ(longSong.SeekMapSave(path.c_str()), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_SEEK_MAP_TOO_LARGE);
    EXPECT_EQ(longSong.FilePath(), "");
    EXPECT_EQ(testsupport::ReadWholeFile(path), "");  // nothing written

    // A folder that does not exist: nothing saved, the old path kept.
    ASSERT_EQ(empty.SeekMapSave(dir.File("missing/x.isk").c_str()), 0);
    EXPECT_EQ(empty.FilePath(), emptyPath);
}

TEST(SeekMap, LastReferenceDestroysTheMap) {
    auto* map = new CSeekMap;
    map->AddReference();
    CSeekMap* holder = map;
    ReleaseSeekMap(&holder);
    EXPECT_EQ(holder, nullptr);
    EXPECT_EQ(map->References(), 1);
    ReleaseSeekMap(&map);  // freed: the sanitizer would report a leak otherwise
    EXPECT_EQ(map, nullptr);
}
