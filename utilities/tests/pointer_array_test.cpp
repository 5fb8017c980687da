#include "utilities/pointer_array.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Items(const CPtrArray<int>& array) {
    std::vector<int> out;
    for (int i = 0; i < array.Count(); ++i) out.push_back(*array.At(i));
    return out;
}

}  // namespace

TEST(PtrArray, GrowsByDoublingAndShrinksByHalf) {
    std::vector<int> values(40);
    for (int i = 0; i < 40; ++i) values[i] = i;
    CPtrArray<int> array(8);
    EXPECT_EQ(array.Capacity(), 0);
    std::vector<int> capacities;
    for (int i = 0; i < 33; ++i) {
        ASSERT_TRUE(array.Append(&values[i]));
        if (capacities.empty() || capacities.back() != array.Capacity()) capacities.push_back(array.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{8, 16, 32, 64}));

    // 33 items in 64: removing down to 32 halves the block, and so on, but
    // never below the growth step.
    array.RemoveAt(0);
    EXPECT_EQ(array.Capacity(), 32);
    while (array.Count() > 16) array.RemoveAt(array.Count() - 1);
    EXPECT_EQ(array.Capacity(), 16);
    while (array.Count() > 0) array.RemoveAt(0);
    EXPECT_EQ(array.Capacity(), 8);
    EXPECT_EQ(array.At(0), nullptr);
    EXPECT_EQ(array.RemoveAt(0), nullptr);
}

TEST(PtrArray, InsertRemoveAndMoveKeepOrder) {
    int v[5] = {0, 1, 2, 3, 4};
    CPtrArray<int> array;
    array.Append(&v[1]);
    array.Append(&v[3]);
    array.Insert(0, &v[0]);
    array.Insert(2, &v[2]);
    array.Insert(99, &v[4]);
    EXPECT_EQ(Items(array), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(*array.RemoveAt(2), 2);
    EXPECT_EQ(Items(array), (std::vector<int>{0, 1, 3, 4}));
    const int blocks = array.Reallocations();
    array.MoveToEnd(0);
    array.MoveToEnd(1);
    EXPECT_EQ(Items(array), (std::vector<int>{1, 4, 0, 3}));
    EXPECT_EQ(array.Reallocations(), blocks) << "moving never reallocates";
    EXPECT_EQ(array.At(-1), nullptr);
    EXPECT_EQ(array.At(4), nullptr);
}
