// The burn controller's worker: an abort ends a pass waiting for an answer
// within the stop bound and the worker is joined; an answer ends the wait
// early; the controller never dies before its worker.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "songsmith/burner/burner.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"

namespace {

using namespace std::chrono_literals;

// The worker's waits are long, so a pass that ends early was woken.
TBurnTiming LongWaits() {
    TBurnTiming timing;
    timing.workerWaitLongMs = 600000;
    return timing;
}

// A pass that asks for a blank disc and waits for the answer or an abort.
CBurner::TBurnPass AskForDisc(std::promise<void>& asking, std::atomic<bool>& aborted) {
    return [&asking, &aborted](CBurner& burner) {
        burner.SetRequest(1);
        asking.set_value();
        // The request read before each wait, so an answer given in between
        // still ends it.
        for (int seen = burner.request.load(); seen == 1; seen = burner.request.load()) {
            if (!burner.WaitFor(burner.Timing().workerWaitLongMs, seen)) {
                aborted = true;
                return;
            }
        }
    };
}

class BurnerThreadTest : public ::testing::Test {
protected:
    std::unique_ptr<CBurner> MakeBurner(TBurnTiming timing) {
        drives.Add(true);
        auto burner = std::make_unique<CBurner>(drives, prefs, host, &clock, timing);
        EXPECT_EQ(burner->Initialize(), 1);
        return burner;
    }

    burner_test::CTestDrives drives;
    burner_test::CTestHost host;
    burner_test::CTestClock clock;
    CPreferences prefs;
};

TEST_F(BurnerThreadTest, AbortEndsAPassWaitingForAnAnswerAndASecondBurnStarts) {
    auto burner = MakeBurner(LongWaits());
    std::promise<void> asking;
    std::atomic<bool> aborted{false};
    burner->SetBurnPass(AskForDisc(asking, aborted));
    ASSERT_TRUE(burner->StartBurn(2, 0));
    asking.get_future().wait();
    // Only one worker at a time.
    EXPECT_FALSE(burner->StartBurnThread());
    burner->SetState(kBurnStateBurning);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(burner->AbortBurn(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 16s);
    EXPECT_TRUE(aborted.load());
    EXPECT_FALSE(burner->threadRunning.load());
    EXPECT_EQ(burner->errorIndex.load(), 10);
    EXPECT_EQ(drives.devices.front()->abortWriteCalls.load(), 1);

    std::promise<void> ran;
    burner->SetBurnPass([&ran](CBurner& b) {
        EXPECT_FALSE(b.abort.load());
        EXPECT_EQ(b.request.load(), 0);
        ran.set_value();
    });
    ASSERT_TRUE(burner->StartBurn(2, 0));
    ran.get_future().wait();
    EXPECT_EQ(burner->errorIndex.load(), 0);
    burner->StopBurnThread();
    EXPECT_FALSE(burner->threadRunning.load());
}

TEST_F(BurnerThreadTest, AnAnswerEndsTheWaitEarly) {
    auto burner = MakeBurner(LongWaits());
    std::promise<void> asking;
    std::atomic<bool> aborted{false};
    std::promise<void> done;
    auto ask = AskForDisc(asking, aborted);
    burner->SetBurnPass([&](CBurner& b) {
        ask(b);
        done.set_value();
    });
    ASSERT_TRUE(burner->StartBurn(2, 0));
    asking.get_future().wait();
    burner->MarkRequestAnswering();
    // The bound only keeps a broken wake-up from hanging the run.
    EXPECT_EQ(done.get_future().wait_for(60s), std::future_status::ready);
    EXPECT_FALSE(aborted.load());
    burner->StopBurnThread();
}

TEST_F(BurnerThreadTest, DestroyingTheControllerJoinsARunningPass) {
    auto burner = MakeBurner(LongWaits());
    std::promise<void> asking;
    std::atomic<bool> aborted{false};
    burner->SetBurnPass(AskForDisc(asking, aborted));
    ASSERT_TRUE(burner->StartBurn(1, 0));
    asking.get_future().wait();
    burner.reset();
    EXPECT_TRUE(aborted.load());
}

TEST_F(BurnerThreadTest, ConvertedFilesAreReusedOnlyForTheSameModeWhenComplete) {
    auto burner = MakeBurner(TBurnTiming{});
    burner->SetBurnPass([](CBurner&) {});
    struct TCase {
        int previousMode;
        bool complete;
        int mode;
        int reuse;
        bool expected;
    } cases[] = {
        {2, true, 2, 1, true},
        {2, true, 3, 1, false},
        {2, false, 2, 1, false},
        {2, true, 2, 0, false},
    };
    for (const TCase& c : cases) {
        burner->mode = c.previousMode;
        burner->conversionComplete = c.complete;
        ASSERT_TRUE(burner->StartBurn(c.mode, c.reuse));
        burner->StopBurnThread();
        EXPECT_EQ(burner->reuseConverted.load(), c.expected);
        EXPECT_EQ(burner->mode.load(), c.mode);
    }
}

}  // namespace
