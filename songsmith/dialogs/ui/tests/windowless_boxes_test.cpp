// Boxes asked for by code without a window, from the GUI thread and from a
// worker thread (which waits for the answer while the GUI thread shows it).
#include "songsmith/dialogs/ui/windowless_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <atomic>
#include <thread>

#include "platform/message_box.h"
#include "songsmith/dialogs/ui/message_box_dialog.h"
#include "songsmith/app/ui/tests/qt_services_fixture.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"

namespace {

using WindowlessBoxesTest = QtServicesFixture;

TEST_F(WindowlessBoxesTest, PlatformHookShowsTheCustomBoxAndAnswersAWorker) {
    const MessageBoxFunction previousHook = SetMessageBoxHook(ShowWindowlessMessageBox);
    QString shownText;
    testsupport::WhenModalShown([&](QWidget* modal) {
        shownText = testsupport::FindControl<QLabel>(modal, kMessageBoxText)->text();
        testsupport::ClickControl(modal, IDNO);
    });
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = MessageBoxA(nullptr, "From a worker", "Caption", MB_YESNO); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.load() != -1; }, testsupport::kHangLimitMs));
    worker.join();
    EXPECT_EQ(answer.load(), IDNO);
    EXPECT_EQ(shownText, "From a worker");

    testsupport::WhenModalShown([](QWidget* modal) { testsupport::ClickControl(modal, IDOK); });
    EXPECT_EQ(MessageBoxA(nullptr, "On the GUI thread", "Caption", MB_OK), IDOK);
    SetMessageBoxHook(previousHook);
}

TEST_F(WindowlessBoxesTest, EngineNoticeFromAWorkerIsQueuedToTheGuiThread) {
    std::atomic<bool> shown{false};
    QString caption;
    testsupport::WhenModalShown([&](QWidget* modal) {
        caption = modal->windowTitle();
        shown = true;
        testsupport::ClickControl(modal, IDOK);
    });
    std::thread worker([] { ShowEngineNotice("The sound card is busy", "Sound engine"); });
    // The worker does not wait for the box.
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown.load(); }, testsupport::kHangLimitMs));
    EXPECT_EQ(caption, "Sound engine");
}

}  // namespace
