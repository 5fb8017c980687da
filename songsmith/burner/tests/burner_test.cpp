// The burn controller's model without a burn running: which writer it
// picks, how the poll follows the drive, the disc capacity, the speeds, and
// time left and progress from the counters.
#include "songsmith/burner/burner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/user_folders.h"
#include "platter/fake/fake_device.h"
#include "platter/types.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/temp_dir.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "utilities/keyed_text.h"

namespace {

using burner_test::CTestClock;
using burner_test::CTestDrives;
using burner_test::CTestHost;

std::string TextOf(const char* key) {
    char text[256] = {};
    MyLoadString(key, text, sizeof text);
    return text;
}

class BurnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        logPath_ = dir_.Path() + "/log.txt";
        LogInit(logPath_.c_str());
        LogOn(1);
    }
    void TearDown() override { LogDeinit(); }

    std::string LogText() { return testsupport::ReadWholeFile(logPath_); }
    std::unique_ptr<CBurner> MakeBurner() { return std::make_unique<CBurner>(drives, prefs, host, &clock); }
    // A controller whose writer is one fake drive.
    std::unique_ptr<CBurner> WithWriter() {
        drives.Add(true);
        auto burner = MakeBurner();
        EXPECT_EQ(burner->Initialize(), 1);
        return burner;
    }

    testsupport::TempDir dir_;
    std::string logPath_;
    CTestDrives drives;
    CTestHost host;
    CTestClock clock;
    CPreferences prefs;
};

TEST_F(BurnerTest, WriterChoiceKeepsAPresentSavedWriterElseTakesTheFirstWriterAndSavesItsAddress) {
    struct TCase {
        const char* name;
        bool ready;
        std::vector<bool> writers;  // the drives in list order: a writer or not
        int savedTarget;            // -1: none saved
        int result;
        int chosen;                 // index of the drive chosen, -1 none
        int error;
    } cases[] = {
        {"saved writer present", true, {true, true, true}, 2, 1, 2, 0},
        {"saved drive is not a writer", true, {false, true, false}, 2, 1, 1, 0},
        {"saved writer gone", true, {false, true}, 5, 1, 1, 0},
        {"nothing saved", true, {false, true}, -1, 1, 1, 0},
        {"no writer", true, {false, false}, -1, 0, -1, 3},
        {"library not ready", false, {true}, 0, 0, -1, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        drives.devices.clear();
        drives.ready = c.ready;
        for (bool writer : c.writers) drives.Add(writer);
        prefs.BurnerPrefs[kBurnerWriterFirst] = 2;
        prefs.BurnerPrefs[kBurnerWriterSecond] = c.savedTarget;
        prefs.BurnerPrefs[kBurnerWriterThird] = 0;
        host = CTestHost();
        auto burner = MakeBurner();
        EXPECT_EQ(burner->Initialize(), c.result);
        EXPECT_EQ(burner->errorIndex.load(), c.error);
        EXPECT_EQ(burner->initialised, c.result);
        EXPECT_EQ(burner->Device(), c.chosen < 0 ? nullptr : drives.GetDevice(c.chosen));
        const int savedTarget = c.chosen < 0 ? c.savedTarget : c.chosen;
        EXPECT_EQ(prefs.BurnerPrefs[kBurnerWriterSecond], savedTarget);
        EXPECT_EQ(prefs.BurnerPrefs[kBurnerWriterFirst], 2);
        // The CD page of the chosen writer is looked up for the poll.
        EXPECT_EQ(host.writerPages, c.chosen < 0 ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"/dev/sr" + std::to_string(c.chosen)});
    }
    const std::string log = LogText();
    EXPECT_NE(log.find("Initializing burner object..."), std::string::npos);
    EXPECT_NE(log.find("CD-Recorder device found...HA #2 - SCSI ID #2 - Fake     Scripted Drive   1   "),
              std::string::npos)
        << log;
}

TEST_F(BurnerTest, ChoosingAgainFollowsTheChangedAddress) {
    for (int i = 0; i < 3; ++i) drives.Add(true);
    auto burner = MakeBurner();
    prefs.BurnerPrefs[kBurnerWriterFirst] = 2;
    prefs.BurnerPrefs[kBurnerWriterThird] = 0;
    struct TStep {
        int savedTarget;  // -1: the choice was cleared
        bool ready;
        int chosen;       // -1: none
    } steps[] = {{2, true, 2}, {1, true, 1}, {-1, true, 0}, {2, false, -1}, {2, true, 2}};
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.savedTarget);
        prefs.BurnerPrefs[kBurnerWriterSecond] = step.savedTarget;
        drives.ready = step.ready;
        burner->Shutdown();
        EXPECT_EQ(burner->Initialize(), step.chosen < 0 ? 0 : 1);
        EXPECT_EQ(burner->Device(), step.chosen < 0 ? nullptr : drives.GetDevice(step.chosen));
        if (step.chosen >= 0) {
            EXPECT_EQ(host.writerPages.back(), "/dev/sr" + std::to_string(step.chosen));
        }
    }
}

TEST_F(BurnerTest, WhatOthersAskFollowsTheStateTheWorkerAndTheRips) {
    auto none = MakeBurner();
    EXPECT_EQ(none->DiscCapacityMs(), 0);
    auto burner = WithWriter();
    auto& device = *drives.devices.front();
    device.capacityMs = 4800000;
    device.ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
    prefs.bAutoDetectMediaSize = 1;
    IBurnStatus& status = *burner;
    EXPECT_EQ(status.DiscCapacityMs(), 4800000);
    for (int state = -1; state <= 11; ++state) {
        SCOPED_TRACE(state);
        burner->SetState(state);
        EXPECT_EQ(status.BurnState(), state);
        EXPECT_EQ(IsBurnStepState(state), state >= 5 && state <= 9);
    }
    struct TCase {
        bool worker;
        bool ripping;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    IDriveBusy& busy = *burner;
    for (const TCase& c : cases) {
        burner->threadRunning = c.worker;
        host.anyRipping = c.ripping;
        EXPECT_EQ(busy.BurnOrRipRunning(), c.worker || c.ripping) << c.worker << c.ripping;
    }
}

TEST_F(BurnerTest, WriterDescriptionsCountOnlyWriters) {
    drives.Add(false);
    drives.Add(true).SetIdentityText("Acme", "Burner A");
    drives.Add(true).SetIdentityText("Acme", "Burner B");
    auto burner = MakeBurner();
    ASSERT_EQ(burner->Initialize(), 1);
    char text[64] = "untouched";
    burner->GetWriterDescription(text, sizeof text, -1, true);
    EXPECT_STREQ(text, "Acme Burner A 1");
    burner->GetWriterDescription(text, sizeof text, 1, false);
    EXPECT_STREQ(text, "Acme Burner B");
    std::snprintf(text, sizeof text, "untouched");
    burner->GetWriterDescription(text, sizeof text, -2, false);
    EXPECT_STREQ(text, "untouched");
    int adapter = 0, id = 0, lun = -1;
    EXPECT_EQ(burner->GetWriterByIndex(1, text, sizeof text, &adapter, &id, &lun, false), 1);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(burner->GetWriterByIndex(2, text, sizeof text, &adapter, &id, &lun, false), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(BurnerTest, StateTextsExistForTheTableOnlyAndOtherStatesReadEmpty) {
    auto burner = MakeBurner();
    char text[128];
    for (int state = -1; state <= 11; ++state) {
        SCOPED_TRACE(state);
        burner->SetState(state);
        const bool inTable = state >= 0 && state <= 10;
        EXPECT_EQ(burner->GetStateText(text, sizeof text), inTable);
        if (inTable) {
            EXPECT_EQ(std::string(text), TextOf(BurnStateKey(state)));
            EXPECT_NE(std::string(text), BurnStateKey(state)) << "no text in the shipped file";
        } else {
            EXPECT_STREQ(text, "");
        }
    }
    for (int index = 0; index <= 15; ++index)
        if (index != 9) {
            EXPECT_NE(TextOf(BurnErrorKey(index)), BurnErrorKey(index)) << index;
        }
    EXPECT_EQ(BurnErrorKey(9), nullptr);
    for (int phase = 0; phase <= 4; ++phase) EXPECT_NE(TextOf(BurnPhaseKey(phase)), BurnPhaseKey(phase));
}

TEST_F(BurnerTest, PollFollowsTheDriveAndShowsOnlyChangedStates) {
    constexpr int kNone = -2;  // logo left alone
    struct TCase {
        const char* name;
        int state;
        std::vector<std::int32_t> statuses;
        int expected;
        int logo;
        int capacity;
    } cases[] = {
        {"blank disc", 0, {PLATTER_MEDIA_BLANK_CDR}, 4, 1, 60000},
        {"blank rewritable", 3, {PLATTER_MEDIA_BLANK_CDRW}, 4, 1, 60000},
        {"empty drive", 4, {PLATTER_MEDIA_NONE}, 0, 0, kBurnDefaultCapacityMs},
        {"status 0 twice", 4, {0, 0}, 0, 0, kBurnDefaultCapacityMs},
        {"status 0 then blank", 0, {0, PLATTER_MEDIA_BLANK_CDR}, 4, 1, 60000},
        {"written disc", 4, {PLATTER_MEDIA_WRITTEN}, 2, 0, kBurnDefaultCapacityMs},
        {"burnt disc stays burnt", 10, {PLATTER_MEDIA_WRITTEN}, 10, 4, 1234},
        {"burnt disc taken out", 10, {PLATTER_MEDIA_NONE}, 0, 0, kBurnDefaultCapacityMs},
        {"burnt then blank disc", 10, {PLATTER_MEDIA_BLANK_CDR}, 4, 1, 60000},
        {"after a test, no disc", -1, {PLATTER_MEDIA_NONE}, 0, 0, kBurnDefaultCapacityMs},
        {"after a test, written disc", -1, {PLATTER_MEDIA_WRITTEN}, 2, 0, kBurnDefaultCapacityMs},
        {"burning: no query", 9, {PLATTER_MEDIA_NONE}, 9, 2, 1234},
        {"converting: no query", 7, {PLATTER_MEDIA_NONE}, 7, kNone, 1234},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        drives.devices.clear();
        host = CTestHost();
        auto burner = WithWriter();
        auto& device = *drives.devices.front();
        device.capacityMs = 60000;
        burner->storedCapacity = 1234;
        burner->SetState(c.state);
        device.ScriptStatuses(c.statuses);
        burner->PollDriveState();
        EXPECT_EQ(burner->State(), c.expected);
        ASSERT_EQ(host.texts.size(), 1u);
        EXPECT_EQ(host.texts[0], TextOf(BurnStateKey(c.expected)));
        EXPECT_EQ(host.logoModes, c.logo == kNone ? std::vector<int>{} : std::vector<int>{c.logo});
        EXPECT_EQ(burner->storedCapacity.load(), c.capacity);
        EXPECT_EQ(host.refreshes, 1);
        // Nothing changed: nothing shown again.
        burner->PollDriveState();
        EXPECT_EQ(host.texts.size(), 1u);
        EXPECT_EQ(host.refreshes, 1);
    }
}

TEST_F(BurnerTest, PollChangesNothingWhenSwitchedOffOrWhileTheWritersPageRips) {
    for (const bool ripping : {false, true}) {
        SCOPED_TRACE(ripping);
        drives.devices.clear();
        host = CTestHost();
        auto burner = WithWriter();
        prefs.bRefreshCDStateWhenIdle = ripping ? 1 : 0;
        host.writerRipping = ripping;
        drives.devices.front()->ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
        burner->PollDriveState();
        EXPECT_EQ(burner->State(), kBurnStateNoDisc);
        EXPECT_TRUE(host.texts.empty());
        EXPECT_EQ(host.refreshes, 0);
    }
}

TEST_F(BurnerTest, AnOutOfTableStateAfterATestPostsAnEmptyTextAndLeavesTheLogo) {
    auto burner = WithWriter();
    auto& device = *drives.devices.front();
    device.ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
    burner->PollDriveState();
    host = CTestHost();
    burner->SetState(-1);
    // A disc the drive calls ready that is neither blank nor unwritable
    // leaves the state as it is.
    constexpr std::int32_t kOtherStatus = 5;
    device.ScriptStatuses({kOtherStatus});
    burner->PollDriveState();
    EXPECT_EQ(burner->State(), -1);
    EXPECT_EQ(host.texts, std::vector<std::string>{""});
    EXPECT_TRUE(host.logoModes.empty());
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(BurnerTest, CapacityComesFromTheDiscOrTheDefaultSizeAndSurvivesRips) {
    struct TCase {
        const char* name;
        bool autoDetect;
        bool askDevice;
        int engine;
        int defaultMinutes;
        std::int32_t status;
        bool writerRipping;
        bool anyRipping;
        bool writing;
        int expected;
    } cases[] = {
        {"auto-detect", true, false, 1, 74, PLATTER_MEDIA_BLANK_CDR, false, false, false, 4800000},
        {"asked", false, true, 1, 74, PLATTER_MEDIA_BLANK_CDR, false, false, false, 4800000},
        {"21 minutes", false, false, 1, 21, PLATTER_MEDIA_BLANK_CDR, false, false, false, 21 * 60000 - 10},
        {"74 minutes", false, false, 1, 74, PLATTER_MEDIA_BLANK_CDR, false, false, false, 74 * 60000 - 10},
        {"80 minutes", false, false, 1, 80, PLATTER_MEDIA_BLANK_CDR, false, false, false, 80 * 60000 - 10},
        {"other engine", true, true, 0, 80, PLATTER_MEDIA_BLANK_CDR, false, false, false, 4800000},
        {"no disc", true, false, 1, 80, PLATTER_MEDIA_NONE, false, false, false, 80 * 60000 - 10},
        {"writer's page rips", true, false, 1, 80, PLATTER_MEDIA_BLANK_CDR, true, true, false, 1234},
        {"another page rips", true, false, 1, 80, PLATTER_MEDIA_BLANK_CDR, false, true, false, 1234},
        {"writing", true, false, 1, 80, PLATTER_MEDIA_BLANK_CDR, false, false, true, 1234},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        drives.devices.clear();
        auto burner = WithWriter();
        auto& device = *drives.devices.front();
        device.capacityMs = 4800000;
        device.ScriptStatuses({c.status});
        drives.engine = c.engine;
        prefs.bAutoDetectMediaSize = c.autoDetect ? 1 : 0;
        prefs.iDefaultMediaSize = c.defaultMinutes;
        host.writerRipping = c.writerRipping;
        host.anyRipping = c.anyRipping;
        burner->writing = c.writing;
        burner->storedCapacity = 1234;
        EXPECT_EQ(burner->MaxMilsPerCD(c.askDevice), c.expected);
    }
    host = CTestHost();
    drives.devices.clear();
    EXPECT_EQ(MakeBurner()->MaxMilsPerCD(true), 0);
}

TEST_F(BurnerTest, SpeedsFollowTheEngineAndTheChosenSpeed) {
    auto burner = WithWriter();
    auto& device = *drives.devices.front();
    struct TCase {
        int engine;
        int chosen;
        int writeSpeed;
        int maxSpeed;
        int burnSpeed2;
        int closestTo10;
    } cases[] = {
        // Engine 0 numbers its speeds 0..n-1; the Zent engine by their multiple of 1X.
        {0, 1, 8, 3, 2, 3},
        {0, 255, 24, 3, 2, 3},
        {1, 16, 16, 24, 16, 8},
        {1, 255, 24, 24, 16, 8},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.engine * 1000 + c.chosen);
        device.SetSpeeds({24, 4, 8, 16}, c.engine);
        drives.engine = c.engine;
        prefs.BurnerPrefs[kBurnerWriteSpeed] = c.chosen;
        EXPECT_EQ(burner->GetWriteSpeed(), c.writeSpeed);
        EXPECT_EQ(burner->GetMinSpeed(), c.engine == 0 ? 0 : 4);
        EXPECT_EQ(burner->GetMaxSpeed(), c.maxSpeed);
        EXPECT_EQ(burner->GetNumCDRBurnSpeeds(), 4);
        EXPECT_EQ(burner->GetCDRBurnSpeed(2), c.burnSpeed2);
        EXPECT_EQ(burner->GetCDRBurnSpeed(4), PLATTER_SPEED_UNUSABLE);
        EXPECT_EQ(burner->GetClosestSpeed(10), c.closestTo10);
    }
    EXPECT_TRUE(burner->SupportsCDText());
    EXPECT_TRUE(burner->SupportsBurnProof());
    device.capabilities = PLATTER_CAP_WRITER;
    EXPECT_FALSE(burner->SupportsCDText());
    EXPECT_FALSE(burner->SupportsBurnProof());
    drives.devices.clear();
    auto none = MakeBurner();
    EXPECT_EQ(none->GetSpeedOfIndex(3), 0);
    EXPECT_EQ(none->GetNumCDRBurnSpeeds(), 0);
    EXPECT_EQ(none->GetClosestSpeed(10), 10);
}

TEST_F(BurnerTest, TimeLeftAndProgressGuardEveryDivision) {
    auto burner = WithWriter();
    drives.devices.front()->SetSpeeds({4, 8}, 1);
    const double storedRate = prefs.waveConvertRate.load();
    struct TCase {
        const char* name;
        int engine;
        int state;
        std::int64_t sinceWriteStart;  // -1: no track started
        int chosenSpeed;
        int percentDone;
        int converted;
        int toConvert;
        std::int64_t sinceConversionStart;
        int timeLeft;
        double progress;
        bool rateStored;
    } cases[] = {
        {"zent before progress", 1, 9, -1, 8, 0, 0, 0, 0, 80000 / 8, 0.0, false},
        {"zent with progress", 1, 9, 1000, 8, 40, 0, 0, 0, 777, 0.4, false},
        {"zent, zero speed", 1, 6, -1, 0, 0, 0, 0, 0, CBurner::kUnknownTimeLeft, 0.0, false},
        {"other engine, not started", 0, 9, -1, 1, 0, 0, 0, 0, 0, 0.0, false},
        {"other engine, zero elapsed", 0, 9, 0, 1, 0, 0, 0, 0, 10000, 0.0, false},
        {"other engine, halfway", 0, 6, 5000, 1, 0, 0, 0, 0, 5000, 0.5, false},
        // Slower than estimated and no track written yet: no pace to go by.
        {"other engine, overrun", 0, 9, 20000, 1, 0, 0, 0, 0, CBurner::kUnknownTimeLeft, 1.0, false},
        {"other engine, zero speed", 0, 9, 1000, 255, 0, 0, 0, 0, CBurner::kUnknownTimeLeft, 0.0, false},
        {"converting, nothing yet", 1, 7, -1, 8, 0, 0, 60000, 2000, 0, 0.0, false},
        {"converting, no time passed", 1, 7, -1, 8, 0, 1000, 60000, 0, 0, 1000.0 / 60000, false},
        {"converting", 1, 7, -1, 8, 0, 20000, 60000, 2000, 4000, 20000.0 / 60000, true},
        {"converting, nothing to convert", 1, 7, -1, 8, 0, 0, 0, 2000, 0, 0.0, false},
        {"idle", 1, 4, 1000, 8, 50, 0, 0, 0, 0, 0.0, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        prefs.waveConvertRate = storedRate;
        drives.engine = c.engine;
        drives.percentDone = c.percentDone;
        drives.timeRemaining = 777;
        // Engine 0 names speeds by number: speed number 1 of {4, 8} is 8X
        // there, so a chosen 255 on an engine-0 list of no speeds reads 0.
        drives.devices.front()->SetSpeeds(c.chosenSpeed == 255 ? std::vector<std::int32_t>{}
                                                               : std::vector<std::int32_t>{1, 8},
                                          c.engine);
        prefs.BurnerPrefs[kBurnerWriteSpeed] = c.engine == 0 && c.chosenSpeed != 255 ? 0 : c.chosenSpeed;
        burner->SetState(c.state);
        burner->totalBurnLength = 80000 / (c.engine == 0 ? 8 : 1);
        burner->writeStart = c.sinceWriteStart < 0 ? CBurner::kNoWriteStart : clock.now.load() - c.sinceWriteStart;
        burner->msConverted = c.converted;
        burner->msToConvert = c.toConvert;
        burner->conversionStart = clock.now.load() - c.sinceConversionStart;
        EXPECT_EQ(burner->GetTimeRemaining(), c.timeLeft);
        EXPECT_DOUBLE_EQ(burner->GetProgress(), c.progress);
        if (c.rateStored)
            EXPECT_DOUBLE_EQ(prefs.waveConvertRate.load(), 10.0);
        else
            EXPECT_DOUBLE_EQ(prefs.waveConvertRate.load(), storedRate);
    }
    // Engine 0 writing slower than estimated: the tracks written so far give
    // the pace, so the time left never sticks at nothing while tracks remain.
    drives.engine = 0;
    drives.devices.front()->SetSpeeds({1, 8}, 0);
    prefs.BurnerPrefs[kBurnerWriteSpeed] = 0;
    burner->SetState(kBurnStateBurning);
    burner->totalBurnLength = 10000;
    burner->writeStart = clock.now.load() - 20000;
    burner->msWritten = 5000;
    EXPECT_EQ(burner->GetTimeRemaining(), 20000);
    burner->msWritten = 10000;
    EXPECT_EQ(burner->GetTimeRemaining(), 0);
}

TEST_F(BurnerTest, AMeasuredSpeedReplacesTheChosenOne) {
    auto burner = WithWriter();
    drives.engine = 1;
    prefs.BurnerPrefs[kBurnerWriteSpeed] = 8;
    burner->SetState(kBurnStateBurning);
    burner->totalBurnLength = 80000;
    burner->measuredSpeed = 4.0;
    burner->measuredSpeedValid = true;
    EXPECT_EQ(burner->GetTimeRemaining(), 20000);
}

TEST_F(BurnerTest, EstimatesAddConversionOnlyForAKnownRate) {
    auto burner = MakeBurner();
    struct TCase {
        double rate;
        int speed;
        bool convertFirst;
        int expected;
    } cases[] = {
        {10.0, 4, true, 60000 / 10 + 76000 / 4},
        {10.0, 4, false, 76000 / 4},
        {0.0, 4, true, 76000 / 4},
        {-3.0, 4, true, 76000 / 4},
        {std::numeric_limits<double>::infinity(), 4, true, 76000 / 4},
        {std::numeric_limits<double>::quiet_NaN(), 4, true, 76000 / 4},
        {10.0, 0, true, 6000 + 76000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.rate);
        prefs.waveConvertRate = c.rate;
        EXPECT_EQ(burner->EstimateBurnTime(60000, c.speed, c.convertFirst), c.expected);
    }
}

TEST_F(BurnerTest, RequestsAndDiscReadinessAnswerUnderTheLock) {
    auto burner = WithWriter();
    auto& device = *drives.devices.front();
    burner->SetRequest(1);
    EXPECT_TRUE(burner->IsInsertDiscRequested());
    burner->MarkRequestAnswering();
    EXPECT_FALSE(burner->IsInsertDiscRequested());
    EXPECT_EQ(burner->request.load(), 3);
    burner->SetRequest(2);
    EXPECT_TRUE(burner->IsRewritableDiscRequested());
    burner->SetRequest(4);
    EXPECT_TRUE(burner->IsDiscTooSmallRequested());
    burner->ClearRequest();
    EXPECT_EQ(burner->request.load(), 0);

    // Only a blank disc is ready for writing; nothing is asked while writing.
    for (const auto& [status, ready] : std::vector<std::pair<std::int32_t, bool>>{
             {PLATTER_MEDIA_BLANK_CDR, true},
             {PLATTER_MEDIA_BLANK_CDRW, true},
             {PLATTER_MEDIA_WRITTEN, false},
             {PLATTER_MEDIA_NONE, false}}) {
        SCOPED_TRACE(status);
        device.ScriptStatuses({status});
        EXPECT_EQ(burner->IsDiscReady(), ready);
        burner->writing = true;
        EXPECT_FALSE(burner->IsDiscReady());
        burner->writing = false;
    }
}

}  // namespace
