// A write's events as the drive reports them from its own thread: the write
// phase, the tracks' states in the session, and the measured speed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platter/types.h"
#include "songsmith/burner/burner.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/tests/track_fixture.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "testsupport/temp_dir.h"

namespace {

TFakeTimedEvent At(std::int64_t afterMs, std::int32_t code) { return {afterMs, code, 0, 0}; }

class BurnerEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath_ = dir_.Path() + "/log.txt";
        LogInit(logPath_.c_str());
        LogOn(1);
        drives.Add(true, &clock);
        burner = std::make_unique<CBurner>(drives, prefs, host, &clock);
        ASSERT_EQ(burner->Initialize(), 1);
        burner->SetTrackList(&tracks);
        prefs.BurnerPrefs[kBurnerWriteSpeed] = 8;
    }
    void TearDown() override { LogDeinit(); }

    // Prepares a write of tracks of these lengths, as the worker does.
    void Prepare(const std::vector<int>& lengths, bool test) {
        int total = 0;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            tracks.AppendCopy(*tracktest::AnalysedTrack(prefs, lengths[i]));
            burner->trackLengths[i] = lengths[i];
            total += lengths[i];
            burner->trackEnds[i + 1] = total;
        }
        burner->preparedTracks = static_cast<int>(lengths.size());
        burner->totalBurnLength = total;
        burner->test = test;
        burner->currentTrack = -1;
        burner->writeStart = CBurner::kNoWriteStart;
    }

    // Runs the events on the drive's own thread through the write call.
    void Write(std::vector<TFakeTimedEvent> events) {
        auto& device = *drives.devices.front();
        TFakeWrite script;
        script.events = std::move(events);
        device.ScriptWrite(script);
        TWriteDiscParams block;
        block.eventCallback = &BurnEventCallback;
        block.eventContext = burner.get();
        device.WriteDisc(&block);
    }

    std::vector<int> TrackStates() {
        std::vector<int> states;
        for (int i = 0; i < tracks.GetCount(); ++i) states.push_back(tracks.GetAt(i)->GetState());
        return states;
    }

    testsupport::TempDir dir_;
    std::string logPath_;
    burner_test::CTestDrives drives;
    burner_test::CTestHost host;
    burner_test::CTestClock clock;
    CPreferences prefs;
    CTrackList tracks{prefs};
    std::unique_ptr<CBurner> burner;
};

TEST_F(BurnerEventsTest, TracksPassThroughWritingAndAFarOffSpeedReplacesTheChosenOne) {
    struct TCase {
        const char* name;
        bool test;
        std::vector<int> lengths;
        std::int64_t firstTrackMs;  // time the first track takes
        int trackState;
        bool measured;
        double speed;
    } cases[] = {
        // 40 s of audio in 10 s: 4X against the chosen 8X.
        {"slow write", false, {40000, 40000}, 10000, kTrackBurnt, true, 80000.0 / 16000},
        {"test write", true, {40000, 40000}, 10000, kTrackReadyButNotLoaded, true, 80000.0 / 16000},
        {"one track is never measured", false, {80000}, 10000, kTrackBurnt, false, 0.0},
        // 40 s in 5.3 s, then 80 s in 11.3 s: within 1X of 8X.
        {"speed as chosen", false, {40000, 40000}, 5300, kTrackBurnt, false, 0.0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        tracks.Clear(false);
        burner->measuredSpeedValid = false;
        burner->measuredSpeed = 0.0;
        burner->msWritten = 0;
        Prepare(c.lengths, c.test);
        std::vector<TFakeTimedEvent> events = {At(0, EVENT_COMPILE_CUESHEET_START),
                                               At(0, EVENT_RECORD_USERDATA_START)};
        const std::int64_t started = clock.now.load() + 1000;
        for (std::size_t i = 0; i < c.lengths.size(); ++i) {
            events.push_back(At(1000, EVENT_RECORD_TRACK_START));
            events.push_back(At(i == 0 ? c.firstTrackMs : 5000, EVENT_RECORD_TRACK_END));
        }
        events.push_back(At(0, EVENT_RECORD_USERDATA_END));
        Write(events);
        EXPECT_EQ(TrackStates(), std::vector<int>(c.lengths.size(), c.trackState));
        EXPECT_EQ(burner->writeStart.load(), started);
        EXPECT_EQ(burner->currentTrack.load(), static_cast<int>(c.lengths.size()) - 1);
        EXPECT_EQ(burner->State(), c.test ? kBurnStateTesting : kBurnStateBurning);
        EXPECT_EQ(burner->writePhase.load(), 4);
        EXPECT_EQ(burner->measuredSpeedValid.load(), c.measured);
        EXPECT_NEAR(burner->measuredSpeed.load(), c.speed, 1e-9);
        EXPECT_EQ(host.logoModes.back(), 2);
        EXPECT_EQ(host.logoLevels.back(), 0);
    }
    const std::string log = testsupport::ReadWholeFile(logPath_);
    EXPECT_NE(log.find("Burn speed is slower than expected! Burn speed is ~4.00 X instead of 8X"), std::string::npos)
        << log;
    EXPECT_NE(log.find("EVENT_RECORD_TRACK_START [#blocks to record = 0] [track #0]"), std::string::npos);
    EXPECT_NE(log.find("EVENT_COMPILE_CUESHEET_START"), std::string::npos);
}

TEST_F(BurnerEventsTest, TheWritingTrackShowsItsWritingState) {
    for (const bool test : {false, true}) {
        SCOPED_TRACE(test);
        tracks.Clear(false);
        Prepare({40000, 40000}, test);
        Write({At(0, EVENT_RECORD_TRACK_START)});
        EXPECT_EQ(TrackStates(), (std::vector<int>{test ? kTrackTesting : kTrackBurning, kTrackReady}));
    }
}

TEST_F(BurnerEventsTest, ALeadOutAfterTheTracksKeepsTheTrackPhase) {
    struct TCase {
        std::vector<std::int32_t> codes;
        int phase;
    } cases[] = {
        {{EVENT_GAPTYPE_LEADOUT}, 1},
        {{EVENT_RECORD_GAP_START}, 2},
        {{EVENT_RECORD_TRACK_START, EVENT_GAPTYPE_LEADOUT}, 3},
        {{EVENT_RECORD_TRACK_START, EVENT_RECORD_GAP_START}, 3},
        {{EVENT_RECORD_TRACK_START, EVENT_RECORD_USERDATA_END, EVENT_GAPTYPE_LEADOUT}, 4},
        {{EVENT_RECORD_TRACK_START, EVENT_RECORD_LEADOUT_START}, 1},
        {{EVENT_RECORD_TRACK_START, EVENT_RECORD_USERDATA_START}, 0},
    };
    for (const TCase& c : cases) {
        tracks.Clear(false);
        Prepare({40000}, false);
        burner->writePhase = 0;
        for (std::int32_t code : c.codes) {
            TBurnEvent event;
            event.code = code;
            EXPECT_EQ(burner->OnBurnEvent(event), 1);
        }
        EXPECT_EQ(burner->writePhase.load(), c.phase) << c.codes.size();
    }
}

}  // namespace
