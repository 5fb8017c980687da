#include "titlefetch/mv_list.h"
#include "titlefetch/track_pos.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

TEST(MvList, GrowsByTheStepKeepingItemsAndZeroingNewSlots) {
    MvList<std::int32_t> list;
    for (std::int32_t i = 1; i <= 10; ++i) ASSERT_TRUE(list.Append(i));
    EXPECT_EQ(list.capacity, 10);
    ASSERT_TRUE(list.Append(11));
    EXPECT_EQ(list.capacity, 20);
    EXPECT_EQ(list.count, 11);
    for (std::int32_t i = 0; i < 11; ++i) EXPECT_EQ(list.items[i], i + 1);
    for (std::int32_t i = 11; i < 20; ++i) EXPECT_EQ(list.items[i], 0) << "slot " << i;
}

TEST(MvList, EmptiedListIsReusableAndGrowsByOneStep) {
    MvList<PLATTER_TTrackPos*> list;
    PLATTER_TTrackPos pos;
    for (int i = 0; i < 25; ++i) list.Append(&pos);
    list.Empty();
    EXPECT_EQ(list.items, nullptr);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.begin(), list.end());

    ASSERT_TRUE(list.Append(&pos));
    EXPECT_EQ(list.capacity, MvList<PLATTER_TTrackPos*>::kDefaultGrowStep);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0], &pos);
}

TEST(MvList, DestroyingAListOfPointersLeavesTheRecords) {
    std::vector<std::unique_ptr<PLATTER_TTrackPos>> records;
    {
        // Deleted through the base pointer, as the deallocation calls do.
        std::unique_ptr<MvList<PLATTER_TTrackPos*>> list = std::make_unique<MvList<PLATTER_TTrackPos*>>();
        for (int i = 0; i < 12; ++i) {
            records.push_back(std::make_unique<PLATTER_TTrackPos>());
            records.back()->frameOffset = 150 + i;
            list->Append(records.back().get());
        }
    }
    // Under the address sanitizer a freed record would fail here.
    for (int i = 0; i < 12; ++i) EXPECT_EQ(records[i]->frameOffset, 150 + i);
}

TEST(MvList, RefusesToGrowWithoutAStep) {
    MvList<std::int32_t> list(0);
    EXPECT_FALSE(list.Append(7));
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.items, nullptr);
}

TEST(TrackPos, FreshRecordIsZeroAndFrameCountsUseRedBookTiming) {
    PLATTER_TTrackPos pos;
    EXPECT_EQ(pos.LengthInFrames(), 0);
    EXPECT_EQ(pos.PositionInFrames(), 0);
    EXPECT_EQ(pos.frameOffset, 0);

    pos.lengthMinutes = 79;
    pos.lengthSeconds = 59;
    pos.lengthFrames = 74;
    pos.positionMinutes = 0;
    pos.positionSeconds = 2;
    EXPECT_EQ(pos.LengthInFrames(), 79 * 4500 + 59 * 75 + 74);
    EXPECT_EQ(pos.PositionInFrames(), kLeadInFrames);
}
