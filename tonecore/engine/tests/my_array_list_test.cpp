#include "tonecore/engine/my_array_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

char g_elements[40];
void* E(int i) { return &g_elements[i]; }

std::string Values(const CMyArrayList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        std::int32_t value = 0;
        list.Index(i, &value);
        out += std::to_string(value) + " ";
    }
    return out;
}

CMyArrayList From(const std::vector<std::int32_t>& values) {
    CMyArrayList list;
    for (std::size_t i = 0; i < values.size(); ++i) {
        list.AppendToTail(E(static_cast<int>(i)), values[i]);
    }
    return list;
}

}  // namespace

TEST(MyArrayList, AddSortedInsertsBeforeTheFirstNotSmaller) {
    struct TCase {
        std::vector<std::int32_t> before;
        std::int32_t value;
        int index;
    };
    const TCase cases[] = {
        {{}, 5, 0},
        {{10, 20}, 10, 0},
        {{10, 20}, 15, 1},
        {{10, 20}, 20, 2},
        {{10, 20, 30}, 25, 2},
        {{10, 20, 30}, 15, 1},
        {{10, 20, 20, 20, 30}, 20, 1},
        {{10, 12, 14, 16, 18, 30}, 17, 4},
        {{10, 12, 14, 16, 18, 30}, 11, 1},
        {{10, 12, 14, 16, 18, 30}, 29, 5},
    };
    for (const TCase& c : cases) {
        CMyArrayList list = From(c.before);
        EXPECT_EQ(list.AddSorted(E(39), c.value), c.index) << c.value;
        EXPECT_EQ(list.Index(c.index), E(39));
        for (int i = 1; i < list.Count(); ++i) {
            std::int32_t a = 0;
            std::int32_t b = 0;
            list.Index(i - 1, &a);
            list.Index(i, &b);
            EXPECT_LE(a, b) << Values(list);
        }
    }
}

TEST(MyArrayList, ElemBySortValueFindsAtOrBefore) {
    struct TCase {
        std::vector<std::int32_t> values;
        std::int32_t wanted;
        int index;
    };
    const TCase cases[] = {
        {{10}, 99, 0},
        {{10, 20}, 5, 0},
        {{10, 20}, 10, 0},
        {{10, 20}, 15, 1},  // two pairs: the second once above the first
        {{10, 20}, 20, 1},
        {{10, 20, 30}, 15, 0},
        {{10, 20, 30}, 20, 1},
        {{10, 20, 30}, 35, 2},
        {{10, 20, 30}, 5, 0},
        {{0, 100, 200, 300, 400, 500, 600}, 450, 4},
        {{0, 100, 200, 300, 400, 500, 600}, 600, 6},
        {{0, 100, 200, 300, 400, 500, 600}, 100, 1},
    };
    for (const TCase& c : cases) {
        const CMyArrayList list = From(c.values);
        int index = -1;
        std::int32_t value = -1;
        EXPECT_EQ(list.ElemBySortValue(c.wanted, &index, &value), E(c.index)) << c.wanted;
        EXPECT_EQ(index, c.index) << c.wanted;
        EXPECT_EQ(value, c.values[static_cast<std::size_t>(c.index)]);
    }
    EXPECT_EQ(CMyArrayList().ElemBySortValue(1), nullptr);
}

TEST(MyArrayList, EditsAndBulkAdjustments) {
    CMyArrayList list = From({10, 20, 30});
    EXPECT_EQ(list.InsertNewHead(E(5), 1), 0);
    EXPECT_EQ(list.AppendToTail(E(6), 2), 4);  // no re-sort
    EXPECT_EQ(Values(list), "1 10 20 30 2 ");
    list.AppendToTail(E(0), 40);
    list.Remove(E(0));  // the first pair holding it
    EXPECT_EQ(Values(list), "1 20 30 2 40 ");
    EXPECT_EQ(list.Member(E(0)), 1);
    EXPECT_EQ(list.Member(E(9)), 0);
    list.Remove(E(9));
    list.RemoveByIndex(7);
    list.RemoveByIndex(0);
    EXPECT_EQ(Values(list), "20 30 2 40 ");
    EXPECT_EQ(list.Index(4), nullptr);
    EXPECT_EQ(list.Index(-1), nullptr);

    list.AdjustAllSortValues(-5);
    EXPECT_EQ(Values(list), "15 25 -3 35 ");
    list.ScaleAllSortValues(-0.5);  // truncated toward zero
    EXPECT_EQ(Values(list), "-7 -12 1 -17 ");
    list.ScaleAllSortValues(1e12);  // limited, not undefined
    EXPECT_EQ(Values(list), "-2147483648 -2147483648 2147483647 -2147483648 ");

    CMyArrayList copy(list);
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(copy.Count(), 4);
    for (int i = 0; i < 1000; ++i) copy.AddSorted(E(i % 40), i % 97);
    for (int i = 0; i < 1004; ++i) copy.RemoveByIndex(0);
    EXPECT_EQ(copy.Count(), 0);
}
