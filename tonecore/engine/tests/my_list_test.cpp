#include "tonecore/engine/my_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Distinct element pointers the tests can name.
char g_elements[10];
void* E(int i) { return &g_elements[i]; }

// "index:value" for each pair, walking by Index (which also moves the cursor).
std::string Pairs(CMyList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        std::int32_t value = 0;
        void* element = list.Index(i, &value);
        out += std::to_string(static_cast<char*>(element) - g_elements) + ":" +
               std::to_string(value) + " ";
    }
    return out;
}

CMyList Sorted(const std::vector<std::int32_t>& values) {
    CMyList list;
    for (std::size_t i = 0; i < values.size(); ++i) {
        list.AppendToTail(E(static_cast<int>(i)), values[i]);
    }
    return list;
}

}  // namespace

TEST(MyList, AddSortedPlacesTiesByPosition) {
    struct TCase {
        std::int32_t value;
        int index;
        const char* pairs;
    };
    // Elements 0..2 hold 10, 20, 30; element 5 comes in.
    const TCase cases[] = {
        {10, 0, "5:10 0:10 1:20 2:30 "},  // equal to the head: before it
        {5, 0, "5:5 0:10 1:20 2:30 "},
        {30, 3, "0:10 1:20 2:30 5:30 "},  // equal to the tail: after it
        {40, 3, "0:10 1:20 2:30 5:40 "},
        {20, 1, "0:10 5:20 1:20 2:30 "},  // equal in the middle: before it
        {25, 2, "0:10 1:20 5:25 2:30 "},
    };
    for (const TCase& c : cases) {
        CMyList list = Sorted({10, 20, 30});
        EXPECT_EQ(list.AddSorted(E(5), c.value), c.index) << c.value;
        EXPECT_EQ(Pairs(list), c.pairs) << c.value;
    }
    CMyList empty;
    EXPECT_EQ(empty.AddSorted(E(1), 7), 0);
    EXPECT_EQ(Pairs(empty), "1:7 ");
}

TEST(MyList, InsertionResultsAndCursor) {
    CMyList list;
    EXPECT_EQ(list.InsertAfter(E(0), 5), 0);  // empty: the only node
    EXPECT_EQ(list.AppendToTail(E(1), 1), 1);
    EXPECT_EQ(list.InsertNewHead(E(2), 2), 0);
    EXPECT_EQ(Pairs(list), "2:2 0:0 1:1 ");
    // After position 1, past the tail, and before everything (negative).
    EXPECT_EQ(list.InsertAfter(E(3), 1), 2);
    EXPECT_EQ(list.InsertAfter(E(4), 99), 4);
    EXPECT_EQ(list.InsertAfter(E(5), -1), 1);
    EXPECT_EQ(Pairs(list), "2:2 5:0 0:0 3:0 1:1 4:0 ");
    // A head insert keeps the cursor's node: the next forward walk still
    // finds the right element.
    list.Index(3);
    list.InsertNewHead(E(6), 0);
    EXPECT_EQ(list.Index(4), E(3));
    EXPECT_EQ(list.AppendToTail(E(7), 9), 7);
    EXPECT_EQ(list.Index(7), E(7));
    EXPECT_EQ(list.Index(8), nullptr);
    EXPECT_EQ(list.Index(-1), nullptr);
}

TEST(MyList, RemoveKeepsLinksAndCursorValid) {
    CMyList list;
    for (int i = 0; i < 4; ++i) list.AppendToTail(E(i), i * 10);
    list.AppendToTail(E(1), 99);  // element 1 twice
    list.RemoveByIndex(4);        // same element as position 4: the first one goes
    EXPECT_EQ(Pairs(list), "0:0 2:20 3:30 1:99 ");
    list.Remove(E(1));  // the tail: the tail moves back
    EXPECT_EQ(list.AppendToTail(E(9), 5), 3);
    EXPECT_EQ(Pairs(list), "0:0 2:20 3:30 9:5 ");
    list.Remove(E(0));  // the head
    EXPECT_EQ(Pairs(list), "2:20 3:30 9:5 ");
    list.Remove(E(8));  // not held: nothing
    list.RemoveByIndex(3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Member(E(9)), 1);
    EXPECT_EQ(list.Member(E(2)), 1);
    EXPECT_EQ(list.Member(E(0)), 0);
    list.Remove(E(2));
    list.Remove(E(3));
    list.Remove(E(9));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Index(0), nullptr);
    EXPECT_EQ(list.AppendToTail(E(1), 1), 0);  // the emptied list starts again
    EXPECT_EQ(Pairs(list), "1:1 ");
}

TEST(MyList, ElemBySortValueGivesTheLastSmaller) {
    struct TCase {
        std::int32_t value;
        int index;
    };
    // 10, 20, 20, 30: the last pair of the run below the value, else the head.
    const TCase cases[] = {{5, 0}, {10, 0}, {11, 0}, {20, 0}, {21, 2}, {30, 2}, {31, 3}};
    CMyList list = Sorted({10, 20, 20, 30});
    for (const TCase& c : cases) {
        int index = -1;
        std::int32_t value = -1;
        void* element = list.ElemBySortValue(c.value, &index, &value);
        EXPECT_EQ(index, c.index) << c.value;
        EXPECT_EQ(element, E(c.index)) << c.value;
        EXPECT_EQ(list.Index(index, &value), element);
    }
    CMyList one = Sorted({10});
    EXPECT_EQ(one.ElemBySortValue(50), E(0));
    CMyList empty;
    EXPECT_EQ(empty.ElemBySortValue(1), nullptr);
}

TEST(MyList, CopiesOwnTheirNodes) {
    CMyList list = Sorted({1, 2, 3});
    list.Index(2);
    CMyList copy(list);
    CMyList assigned;
    assigned.AppendToTail(E(9), 9);
    assigned = list;
    list.RemoveAll();
    EXPECT_EQ(Pairs(copy), "0:1 1:2 2:3 ");
    EXPECT_EQ(Pairs(assigned), "0:1 1:2 2:3 ");
    copy.Remove(E(1));
    EXPECT_EQ(Pairs(assigned), "0:1 1:2 2:3 ");
}
