#include "utilities/string_list.h"

#include <gtest/gtest.h>

TEST(StringList, MostRecentFirstAndCaseIgnoredLookup) {
    CStringList list;
    list.AddLatestString("a");
    list.AddLatestString("b");
    list.PushBackList("Last");
    list.AddLatestString(nullptr);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_STREQ(list.Index(0), "b");
    EXPECT_STREQ(list.Index(1), "a");
    EXPECT_STREQ(list.Index(2), "Last");
    EXPECT_EQ(list.Index(3), nullptr);
    EXPECT_EQ(list.Index(-1), nullptr);
    EXPECT_EQ(list.StringIndex("A"), 1);
    EXPECT_EQ(list.StringIndex("LAST"), 2);
    EXPECT_EQ(list.StringIndex("missing"), -1);
    EXPECT_EQ(list.StringIndex(nullptr), -1);
    EXPECT_TRUE(list.ContainsString("B"));
    EXPECT_FALSE(list.ContainsString("c"));

    list.DeleteIndex(7);
    EXPECT_EQ(list.Count(), 3);
    list.DeleteIndex(0);
    EXPECT_STREQ(list.Index(0), "a");
    list.DeleteStringList();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Index(0), nullptr);
}
