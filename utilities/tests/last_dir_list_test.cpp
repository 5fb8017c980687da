#include "utilities/last_dir_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "utilities/errors.h"

namespace {

std::vector<std::string> Paths(const CLastDirList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Index(i)->path);
    return out;
}

std::uint32_t g_now = 0;
std::uint32_t FakeClock() { return g_now; }

}  // namespace

TEST(LastDirList, KeepsDescendingNumberOrder) {
    CLastDirList list;
    EXPECT_EQ(list.Add("/five", 5, 0, 0), 1);
    EXPECT_EQ(list.Add("/nine", 9, 0, 0), 1);
    EXPECT_EQ(list.Add("/seven", 7, 0, 0), 1);
    EXPECT_EQ(list.Add("/seven again", 7, 0, 0), 1);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/nine", "/seven", "/seven again", "/five"}));

    EXPECT_EQ(list.UpdateOrAdd("/five", 10, 3, 0), 1);
    EXPECT_EQ(Paths(list).back(), "/five") << "without resort the record stays in place";
    EXPECT_EQ(list.Index(3)->number, 10);
    EXPECT_EQ(list.Index(3)->value, 3);
    list.UpdateOrAdd("/five", 10, 3, 1);
    EXPECT_EQ(Paths(list).front(), "/five");
    list.UpdateOrAdd("/new", 8, 2, 1);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/five", "/nine", "/new", "/seven", "/seven again"}));

    list.Index(4)->number = 100;
    EXPECT_EQ(list.Sort(), 1);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/seven again", "/five", "/nine", "/new", "/seven"}));

    auto* record = new _lastDirList{};
    std::snprintf(record->path, sizeof record->path, "%s", "/mine");
    record->number = 9;
    EXPECT_EQ(list.AddPtr(record, 1), 1);
    EXPECT_EQ(list.Index(3), record) << "after the records numbered 9";
    EXPECT_EQ(list.AddPtr(nullptr, 1), 0);

    EXPECT_EQ(list.ContainsDir("/nine"), list.Index(2));
    list.DeletePath("/nine");
    EXPECT_EQ(list.ContainsDir("/nine"), nullptr);
    list.DeleteIndex(0);
    EXPECT_EQ(list.Count(), 4);
    list.DeleteAll();
    EXPECT_EQ(list.Count(), 0);
}

TEST(LastDirList, MoveOrAddToTopKeepsTheValue) {
    CLastDirList list;
    list.SetClockForTesting(FakeClock);
    g_now = 1000;
    list.Add("/a", 500, 7, 0);
    list.Add("/b", 400, 8, 0);
    EXPECT_EQ(list.MoveOrAddToTop("/b"), 1);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/b", "/a"}));
    EXPECT_EQ(list.Index(0)->value, 8);
    EXPECT_EQ(list.Index(0)->number, 1000);
    EXPECT_EQ(list.MoveOrAddToTop("/c"), 1);
    EXPECT_EQ(list.Index(0)->value, CLastDirList::kNewFolderValue);
    EXPECT_EQ(list.Count(), 3);
}

TEST(LastDirList, PathsDifferingInCaseAreDifferentFolders) {
    CLastDirList list;
    list.SetClockForTesting(FakeClock);
    g_now = 50;
    list.Add("/Music", 10, 1, 0);
    EXPECT_EQ(list.ContainsDir("/music"), nullptr);
    list.UpdateOrAdd("/MUSIC", 20, 2, 1);
    list.MoveOrAddToTop("/music");
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/music", "/MUSIC", "/Music"}));
    list.DeletePath("/MUSIC");
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/music", "/Music"}));
    EXPECT_EQ(list.Index(1)->value, 1) << "the first folder was never touched";
}

TEST(LastDirList, TimesPast2038StayNewest) {
    // 2038-01-19 03:14:07 UTC is the last second a signed 32-bit count holds.
    constexpr std::uint32_t kBefore = 0x7FFFFFF0;
    constexpr std::uint32_t kAfter = 0x80000010;
    constexpr std::uint32_t kYear2100 = 4102444800u;
    CLastDirList list;
    list.SetClockForTesting(FakeClock);
    g_now = kBefore;
    list.MoveOrAddToTop("/old");
    g_now = kAfter;
    list.MoveOrAddToTop("/new");
    list.Add("/2100", kYear2100, 0, 0);
    list.Add("/1999", 915148800u, 0, 0);
    list.Add("/2037", kBefore - 100, 0, 0);
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/2100", "/new", "/old", "/2037", "/1999"}));
    EXPECT_EQ(static_cast<std::uint32_t>(list.Index(1)->number), kAfter)
        << "stored in the signed 32-bit field, read back as unsigned";
    list.UpdateOrAdd("/old", kAfter + 1, 0, 1);
    EXPECT_EQ(Paths(list)[1], "/old");
    list.Index(4)->number = static_cast<std::int32_t>(kAfter + 5);
    list.Sort();
    EXPECT_EQ(Paths(list), (std::vector<std::string>{"/2100", "/1999", "/old", "/new", "/2037"}));
}

TEST(LastDirList, RefusesPathsTheRecordCannotHold) {
    CLastDirList list;
    const std::string fits(259, 'a');
    const std::string tooLong(260, 'a');
    EXPECT_EQ(list.Add(fits.c_str(), 1, 0, 0), 1);
    SetLastError(0);
    EXPECT_EQ(list.Add(tooLong.c_str(), 1, 0, 0), 0);
    EXPECT_EQ(GetLastError(), UTILITIES_ERR_PATH_TOO_LONG);
    EXPECT_EQ(list.MoveOrAddToTop(tooLong.c_str()), 0);
    EXPECT_EQ(list.UpdateOrAdd(tooLong.c_str(), 1, 0, 0), 0);
    EXPECT_EQ(list.Add(nullptr, 1, 0, 0), 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Index(0)->path, fits);
}
