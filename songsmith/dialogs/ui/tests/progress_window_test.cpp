// The start-up progress window: a bar that never wraps or passes its top,
// ranges held to 16 bits, a new range back at its low end, and a window that
// outlives the object that drove it.
#include "songsmith/dialogs/ui/progress_window.h"

#include <gtest/gtest.h>

#include <QPointer>

#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

TEST(ProgressWindowTest, TheBarStepsUpToItsTopAndStaysThere) {
    CProgressWindow progress;
    ASSERT_TRUE(progress.Create(nullptr));
    QDialog* window = progress.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Marovelle Trackpress");
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window->windowIcon().isNull());
    QProgressBar* bar = testsupport::FindControl<QProgressBar>(window, kProgressBarId);
    ASSERT_EQ(bar, progress.Bar());

    progress.SetRange(10, 20);
    EXPECT_EQ(bar->value(), 10);
    progress.StepIt();
    EXPECT_EQ(bar->value(), 11) << "the step starts at 1";
    progress.SetStep(4);
    for (int i = 0; i < 5; ++i) {
        progress.StepIt();
    }
    EXPECT_EQ(bar->value(), 20) << "a step past the top stops at the top";
    progress.StepIt();
    EXPECT_EQ(bar->value(), 20);

    progress.SetRange(3, 50);
    EXPECT_EQ(bar->value(), 3) << "a new range starts at its low end";
    progress.SetRange(-5, 100000);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 65535);
    EXPECT_EQ(bar->value(), 0);
    progress.SetRange(0, 100);
    progress.SetStep(37);
    progress.StepIt();
    progress.SetText("Setting up the drives");
    testsupport::SaveWidgetPng(window, "progress_window");
    progress.SetText(nullptr);
    EXPECT_EQ(window->windowTitle(), QString());
    progress.Destroy();
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Destroy();  // nothing left to destroy
    progress.StepIt();
}

TEST(ProgressWindowTest, TheOwnedWindowOutlivesTheObjectUntilDestroyed) {
    QWidget owner;
    QPointer<QDialog> window;
    {
        CProgressWindow progress;
        ASSERT_TRUE(progress.Create(&owner));
        window = progress.Window();
        EXPECT_EQ(window->parentWidget(), &owner);
        progress.Hide();
        EXPECT_FALSE(window->isVisible());
        progress.Show();
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_FALSE(window.isNull()) << "the object only forgets its window";
    CProgressWindow later;
    ASSERT_TRUE(later.Create(&owner));
    later.Destroy();
    EXPECT_FALSE(window.isNull());
}

TEST(ProgressWindowTest, TheDriveLibrarysReportsDriveTheWindow) {
    CProgressWindow progress;
    ASSERT_TRUE(progress.Create(nullptr));
    QDialog* window = progress.Window();
    QProgressBar* bar = progress.Bar();
    AspiProgressCallback(nullptr, kProgressStep, 0);  // no display yet: dropped
    EXPECT_EQ(bar->value(), 0);

    SetStartupProgress(&progress);
    const auto report = [](TProgressTypes type, std::intptr_t data) { AspiProgressCallback(nullptr, type, data); };
    report(kProgressHide, 0);
    EXPECT_FALSE(window->isVisible());
    report(kProgressShow, 0);
    EXPECT_TRUE(window->isVisible());
    report(kProgressCaption, reinterpret_cast<std::intptr_t>("Looking for CD drives..."));
    EXPECT_EQ(window->windowTitle(), "Looking for CD drives...");
    report(kProgressRange, 10);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 10);
    report(kProgressStepSize, 3);
    const int expected[] = {3, 6, 9, 10, 10};
    for (int value : expected) {
        report(kProgressStep, 0);
        EXPECT_EQ(bar->value(), value);
    }
    report(static_cast<TProgressTypes>(6), 0);  // an unknown report changes nothing
    EXPECT_EQ(bar->value(), 10);
    report(kProgressRange, 40);
    report(kProgressStep, 0);
    EXPECT_EQ(bar->value(), 3);
    testsupport::SaveWidgetPng(window, "progress_window_drive_setup");
    report(kProgressCaption, 0);
    EXPECT_EQ(window->windowTitle(), QString());
    report(kProgressHide, 0);
    EXPECT_FALSE(window->isVisible());
    SetStartupProgress(nullptr);
    progress.Destroy();
}

}  // namespace
