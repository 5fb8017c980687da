// Burn events from polling libburn, and the result codes of its endings.
#include <gtest/gtest.h>

#include <libburn/libburn.h>

#include "platter/burn_events.h"
#include "platter/errors.h"

namespace {

using namespace burn;

TWritePlan ThreeTracks() {
    TWritePlan plan;
    for (std::int32_t sectors : {750, 300, 75}) {
        TPlannedTrack track;
        track.sectors = sectors;
        plan.tracks.push_back(track);
    }
    plan.tracks[0].gapSectors = 150;
    return plan;
}

TBurnPoll Poll(int status, int track = 0) { return TBurnPoll{status, track, 0, 0}; }

TEST(BurnEventsTest, PollsBecomeTheDrivesEventOrderWhateverTheyMissed) {
    const std::vector<std::int32_t> full = {43, 44, 28, 29, 20, 23, 25, 27, 25, 27, 25, 27, 24, 30, 31};
    struct Case {
        const char* name;
        std::vector<TBurnPoll> polls;
        bool wroteWell;
        std::vector<std::int32_t> codes;
    };
    const std::vector<Case> cases = {
        {"every phase seen",
         {Poll(BURN_DRIVE_SPAWNING), Poll(BURN_DRIVE_WRITING_LEADIN), Poll(BURN_DRIVE_WRITING, 0),
          Poll(BURN_DRIVE_WRITING, 0), Poll(BURN_DRIVE_WRITING_PREGAP, 1), Poll(BURN_DRIVE_WRITING, 2),
          Poll(BURN_DRIVE_WRITING_LEADOUT)},
         true,
         full},
        {"lead-in and two tracks missed", {Poll(BURN_DRIVE_SPAWNING), Poll(BURN_DRIVE_WRITING, 2)}, true, full},
        {"nothing seen before the end", {}, true, full},
        {"track beyond the plan", {Poll(BURN_DRIVE_WRITING, 7)}, true, full},
        {"failed in track 2",
         {Poll(BURN_DRIVE_WRITING_LEADIN), Poll(BURN_DRIVE_WRITING, 1)},
         false,
         {43, 44, 28, 29, 20, 23, 25, 27, 25}},
        {"failed in the lead-in", {Poll(BURN_DRIVE_WRITING_LEADIN)}, false, {43, 44, 28}},
        {"failed before writing", {Poll(BURN_DRIVE_SPAWNING)}, false, {}},
    };
    const TWritePlan plan = ThreeTracks();
    for (const Case& c : cases) {
        CBurnEventTracker tracker(plan);
        std::vector<TBurnEvent> events;
        for (const TBurnPoll& poll : c.polls)
            for (const TBurnEvent& event : tracker.Update(poll)) events.push_back(event);
        for (const TBurnEvent& event : tracker.Finish(c.wroteWell)) events.push_back(event);
        EXPECT_TRUE(tracker.Update(Poll(BURN_DRIVE_WRITING, 2)).empty()) << c.name << ": nothing after the end";
        std::vector<std::int32_t> codes;
        for (const TBurnEvent& event : events) codes.push_back(event.code);
        EXPECT_EQ(codes, c.codes) << c.name;
    }
}

TEST(BurnEventsTest, TrackStartsCarryTheTrackAndItsBlocksWithTheGapAfterIt) {
    const TWritePlan plan = ThreeTracks();
    CBurnEventTracker tracker(plan);
    std::vector<TBurnEvent> starts;
    for (const TBurnEvent& event : tracker.Finish(true))
        if (event.code == EVENT_RECORD_TRACK_START || event.code == EVENT_RECORD_TRACK_END) starts.push_back(event);
    ASSERT_EQ(starts.size(), 6u);
    const std::int32_t expected[][3] = {{25, 1, 900}, {27, 1, 0}, {25, 2, 300}, {27, 2, 0}, {25, 3, 75}, {27, 3, 0}};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(starts[i].code, expected[i][0]) << i;
        EXPECT_EQ(starts[i].trackNumber, expected[i][1]) << i;
        EXPECT_EQ(starts[i].blocksToRecord, expected[i][2]) << i;
    }
}

TEST(BurnEventsTest, PercentDoneFollowsTheSectors) {
    const std::pair<TBurnPoll, std::int32_t> cases[] = {
        {{BURN_DRIVE_SPAWNING, 0, 0, 0}, 0},   {{BURN_DRIVE_WRITING, 0, 1, 400}, 0},
        {{BURN_DRIVE_WRITING, 1, 200, 400}, 50}, {{BURN_DRIVE_WRITING, 2, 399, 400}, 99},
        {{BURN_DRIVE_WRITING, 2, 500, 400}, 100},
    };
    for (const auto& [poll, percent] : cases) EXPECT_EQ(CBurnEventTracker::Percent(poll), percent) << poll.sector;
}

TEST(BurnEventsTest, EndingsMapToOneCodeEach) {
    struct Case {
        const char* name;
        TBurnOutcome outcome;
        std::int32_t code;
    };
    TBurnOutcome wrote{true, false, true, false, false, false};
    TBurnOutcome refused{};
    TBurnOutcome emptied{true, false, false, true, false, false};
    TBurnOutcome dry{true, false, false, false, true, false};
    TBurnOutcome dryProtected{true, false, false, false, true, true};
    TBurnOutcome failed{true, false, false, false, false, false};
    TBurnOutcome aborted{true, true, false, true, false, false};
    // A buffer that ran empty does not spoil a write the drive says went well.
    TBurnOutcome wroteDespiteEmpty{true, false, true, true, false, false};
    const std::vector<Case> cases = {
        {"wrote well", wrote, PLATTER_WRITE_OK},
        {"refused before writing", refused, PLATTER_WRITE_REFUSED},
        {"drive buffer ran empty", emptied, PLATTER_WRITE_UNDERRUN},
        {"our queue ran dry", dry, PLATTER_WRITE_UNDERRUN},
        {"ran dry under protection", dryProtected, PLATTER_WRITE_FAILED},
        {"other failure", failed, PLATTER_WRITE_FAILED},
        {"aborted", aborted, PLATTER_WRITE_FAILED},
        {"wrote well after an empty buffer", wroteDespiteEmpty, PLATTER_WRITE_OK},
    };
    for (const Case& c : cases) {
        const TBurnCode code = BurnResultCode(c.outcome);
        EXPECT_EQ(code.code, c.code) << c.name;
        EXPECT_STRNE(code.reason, "") << c.name;
    }
}

}  // namespace
