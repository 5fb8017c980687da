// The program's messages: posted from any thread to receivers by id, kept in
// order per sender, payloads freed exactly once whatever becomes of them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"

namespace {

// Counts its destruction, so a test sees every payload freed once.
struct TTracker {
    explicit TTracker(std::atomic<int>* freed) : freed(freed) {}
    ~TTracker() { freed->fetch_add(1); }
    std::atomic<int>* freed;
};

TAppMessage TrackedMessage(std::uintptr_t sender, std::intptr_t sequence, std::atomic<int>* freed) {
    return MakeAppMessage(WM_FIND_FOUNDSONG, sender, sequence, std::make_unique<TTracker>(freed));
}

// What one receiver got: the sequence numbers of each sender in arrival order.
using TArrivals = std::map<std::uintptr_t, std::vector<std::intptr_t>>;

std::unique_ptr<CAppMessageReceiver> RecordingReceiver(TArrivals& arrivals) {
    return std::make_unique<CAppMessageReceiver>([&arrivals](TAppMessage& message) {
        arrivals[message.wParam].push_back(message.lParam);
        return 0;
    });
}

TEST(AppMessageTest, TenThreadsPostingToTwoReceiversKeepTheirOrderAndFreeEachPayloadOnce) {
    constexpr int kThreads = 10;
    constexpr int kPerThread = 300;
    std::atomic<int> freed{0};
    TArrivals arrivals[2];
    std::unique_ptr<CAppMessageReceiver> receivers[2] = {RecordingReceiver(arrivals[0]),
                                                         RecordingReceiver(arrivals[1])};
    const TReceiverId ids[2] = {receivers[0]->Id(), receivers[1]->Id()};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                EXPECT_TRUE(PostAppMessage(ids[i % 2], TrackedMessage(t, i, &freed)));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(freed.load(), kThreads * kPerThread);
    for (int r = 0; r < 2; ++r) {
        ASSERT_EQ(arrivals[r].size(), static_cast<std::size_t>(kThreads));
        for (const auto& [sender, sequence] : arrivals[r]) {
            std::vector<std::intptr_t> expected;
            for (int i = r; i < kPerThread; i += 2) expected.push_back(i);
            EXPECT_EQ(sequence, expected) << "receiver " << r << ", sender " << sender;
        }
    }
}

TEST(AppMessageTest, AReceiverThatDiesWithMessagesQueuedFreesThemAndRefusesLaterPosts) {
    constexpr int kThreads = 10;
    std::atomic<int> freed{0};
    std::atomic<int> posted{0};
    std::atomic<int> refused{0};
    std::atomic<bool> stop{false};
    TArrivals arrivals;
    auto doomed = RecordingReceiver(arrivals);
    TArrivals keptArrivals;
    auto kept = RecordingReceiver(keptArrivals);
    const TReceiverId doomedId = doomed->Id();
    const TReceiverId keptId = kept->Id();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; !stop.load() || i < 50; ++i) {
                const bool accepted =
                    PostAppMessage(i % 2 == 0 ? doomedId : keptId, TrackedMessage(t, i, &freed));
                (accepted ? posted : refused).fetch_add(1);
            }
        });
    }
    // The receiver goes while the threads are still posting to it.
    while (posted.load() < 500) std::this_thread::yield();
    doomed.reset();
    while (refused.load() == 0) std::this_thread::yield();
    stop = true;
    for (std::thread& thread : threads) thread.join();
    QCoreApplication::sendPostedEvents();

    EXPECT_TRUE(arrivals.empty()) << "a dead receiver's handler ran";
    EXPECT_EQ(freed.load(), posted.load() + refused.load());
    EXPECT_FALSE(PostAppMessage(doomedId, TrackedMessage(0, 0, &freed)));
    EXPECT_EQ(freed.load(), posted.load() + refused.load() + 1);
}

TEST(AppMessageTest, SendAnswersAtOnceOnTheReceiversThreadAndZeroForAGoneReceiver) {
    std::vector<std::uint32_t> handled;
    auto receiver = std::make_unique<CAppMessageReceiver>([&](TAppMessage& message) {
        handled.push_back(message.number);
        return static_cast<std::intptr_t>(message.wParam * 2);
    });
    const TReceiverId id = receiver->Id();
    EXPECT_EQ(CAppMessageRouter::Instance().Send(id, TAppMessage{WM_SESSION_DIRTY, 21, 0, nullptr}),
              42);
    EXPECT_EQ(handled, std::vector<std::uint32_t>{WM_SESSION_DIRTY});
    receiver.reset();
    EXPECT_EQ(CAppMessageRouter::Instance().Send(id, TAppMessage{WM_SESSION_DIRTY, 21, 0, nullptr}),
              0);
    EXPECT_FALSE(PostAppMessage(kNoReceiver, TAppMessage{WM_SESSION_DIRTY, 1, 0, nullptr}));
}

}  // namespace
