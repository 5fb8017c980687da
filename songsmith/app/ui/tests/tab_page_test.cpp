// The tab page base: made once, captions cut, and never destroyed while a
// worker is inside its lock.
#include "songsmith/app/ui/tab_page.h"

#include <gtest/gtest.h>

#include <QTabWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "songsmith/drawing/ui/placeholder_widget.h"

namespace {

// A page with a plain template, counting how often the template is built.
class CCountingPage : public CTabPage {
public:
    bool Create(QWidget* parent, int width) {
        return CreatePage(
            parent,
            [this](QWidget* p) {
                ++built;
                return MakePlaceholderPanel(p, 150, 120, nullptr);
            },
            3, 4, width, 200);
    }
    int built = 0;
};

TEST(TabPageTest, ASecondCreateOnlyShowsTheWindowItAlreadyHas) {
    QWidget parent;
    CCountingPage page;
    EXPECT_EQ(page.Width(), 100);
    ASSERT_TRUE(page.Create(&parent, 90));
    // The template's width, and at least that wide when placed.
    EXPECT_EQ(page.Width(), 150);
    EXPECT_EQ(page.Window()->geometry(), QRect(3, 4, 150, 200));
    EXPECT_EQ(page.MinimumHeight(), 300);
    QWidget* first = page.Window();
    page.Show(false);
    ASSERT_TRUE(page.Create(&parent, 400));
    EXPECT_EQ(page.Window(), first);
    EXPECT_EQ(page.built, 1);
    EXPECT_FALSE(page.Window()->isHidden());
    page.Reposition(0, 0, 320, 90);
    EXPECT_EQ(page.Window()->findChild<QWidget*>(QString::number(kPageStripId))->width(), 320);
}

TEST(TabPageTest, TheTabTakesTheKindsImageAndAtMostTwentyCharactersOfItsCaption) {
    QTabWidget tabs;
    CCountingPage page;
    ASSERT_TRUE(page.Create(&tabs, 100));
    // A key missing from the text file reads as itself: 26 characters.
    ASSERT_TRUE(page.AddTab(&tabs, "A_Caption_Key_Of_26_Chars_", kTabKindLibrary));
    EXPECT_EQ(tabs.tabText(0).toStdString(), "A_Caption_Key_Of_26_");
    EXPECT_FALSE(tabs.tabIcon(0).isNull());
    EXPECT_EQ(page.Kind(), kTabKindLibrary);
}

TEST(TabPageTest, DestructionWaitsForAWorkerInsideTheLock) {
    auto page = std::make_unique<CTabPage>();
    CTabPage* shared = page.get();
    std::atomic<bool> inside{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        shared->Lock();
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        workerDone = true;
        shared->Unlock();
    });
    while (!inside) std::this_thread::yield();
    page.reset();
    EXPECT_TRUE(workerDone.load());
    worker.join();
}

}  // namespace
