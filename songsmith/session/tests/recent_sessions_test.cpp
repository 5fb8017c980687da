// The recent sessions list: its order, its size, byte-exact names, and the
// menu items that keep their own entries when some files are gone.
#include "songsmith/session/recent_sessions.h"

#include <gtest/gtest.h>

#include <set>

#include "utilities/string_list.h"

namespace {

std::vector<std::string> Entries(const CStringList& list) {
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i) entries.emplace_back(list.Index(i));
    return entries;
}

TEST(RecentSessionsTest, NewestFirstAtMostEightAndAReopenedOneMovesUp) {
    CStringList list;
    for (int i = 1; i <= 9; ++i) AddRecentPath(list, ("/s/" + std::to_string(i) + ".tps").c_str());
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"/s/9.tps", "/s/8.tps", "/s/7.tps", "/s/6.tps", "/s/5.tps",
                                        "/s/4.tps", "/s/3.tps", "/s/2.tps"}));
    AddRecentPath(list, "/s/5.tps");
    EXPECT_EQ(Entries(list),
              (std::vector<std::string>{"/s/5.tps", "/s/9.tps", "/s/8.tps", "/s/7.tps", "/s/6.tps",
                                        "/s/4.tps", "/s/3.tps", "/s/2.tps"}));
    // Names that differ only in case are different files here.
    AddRecentPath(list, "/S/5.TPS");
    EXPECT_EQ(Entries(list).front(), "/S/5.TPS");
    EXPECT_EQ(Entries(list)[1], "/s/5.tps");
    // Nothing to add.
    AddRecentPath(list, "");
    AddRecentPath(list, nullptr);
    EXPECT_EQ(list.Count(), 8);
}

TEST(RecentSessionsTest, ItemsNumberTheExistingFilesAndKeepTheirEntries) {
    CStringList list;
    for (const char* path : {"/a/one.tps", "/a/gone.tps", "/a/R&B.m3u", "/a/three.tps"})
        list.PushBackList(path);
    const std::set<std::string> missing = {"/a/gone.tps"};
    const std::vector<TRecentMenuItem> items =
        RecentMenuItems(list, [&](const std::string& path) { return missing.count(path) == 0; });
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].entry, 0);
    EXPECT_EQ(items[0].text, "&1 one.tps");
    EXPECT_EQ(items[1].entry, 2) << "an item past a missing file still opens its own entry";
    EXPECT_EQ(items[1].text, "&2 R&&B.m3u");
    EXPECT_EQ(items[2].entry, 3);
    EXPECT_EQ(items[2].text, "&3 three.tps");
}

}  // namespace
