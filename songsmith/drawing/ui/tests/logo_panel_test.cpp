// The logo panel offscreen: the meter frame it shows for each level and
// mode, read back from the pixels it paints; the busy animation and its
// stop; clicks on and beside its pictures; calls from another thread; and
// its width in the main window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTest>
#include <QThread>
#include <string>
#include <thread>
#include <vector>

#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/drawing/ui/logo_panel.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "testsupport/widget_png.h"
#include "utilities/launch_browser.h"

namespace {

constexpr int kBareLogo = -1;
constexpr int kNoSingleFrame = -2;

bool SameColour(QRgb a, QRgb b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); }

class LogoPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.resize(CLogoPanel::kWidth, 85);
        ASSERT_TRUE(panel_.Create(&host_, 0, 0, CLogoPanel::kWidth, 85));
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        previousHook_ = SetLaunchBrowserHook([this](const char* url) {
            opened_.emplace_back(url);
            return true;
        });
    }
    void TearDown() override { SetLaunchBrowserHook(previousHook_); }

    // Which frame of the meter strip the panel shows: the one frame whose
    // every drawn pixel is on screen at the meter; kBareLogo when none is
    // and the logo's own pixels are there.
    int ShownFrame() {
        const QImage screen = panel_.Window()->grab().toImage();
        const QPoint meter = panel_.MeterRect().topLeft();
        const QImage strip = LoadProgramBitmap(kPictureBurnAnimation);
        const QRgb key = strip.pixel(0, 0);
        std::vector<int> matches;
        for (int frame = 0; frame < kBurnAnimationFrames; ++frame) {
            bool all = true;
            for (int y = 0; y < strip.height() && all; ++y) {
                for (int x = 0; x < kBurnAnimationFrameWidth && all; ++x) {
                    const QRgb drawn = strip.pixel(frame * kBurnAnimationFrameWidth + x, y);
                    all = drawn == key || SameColour(drawn, screen.pixel(meter + QPoint(x, y)));
                }
            }
            if (all) matches.push_back(frame);
        }
        if (matches.size() == 1) return matches.front();
        return matches.empty() && ShowsBareLogo(screen) ? kBareLogo : kNoSingleFrame;
    }

    bool ShowsBareLogo(const QImage& screen) {
        const QImage logo = LoadProgramBitmap(kPictureLogo);
        const QPoint at = panel_.LogoRect().topLeft();
        for (int y = 0; y < logo.height(); ++y) {
            for (int x = 0; x < logo.width(); ++x) {
                const QRgb own = logo.pixel(x, y);
                if (own != logo.pixel(0, 0) && !SameColour(own, screen.pixel(at + QPoint(x, y)))) {
                    return false;
                }
            }
        }
        return true;
    }

    QWidget host_;
    CLogoPanel panel_;
    std::vector<std::string> opened_;
    LaunchBrowserHook previousHook_;
};

TEST_F(LogoPanelTest, ShowsTheLevelInSixteenSteps) {
    EXPECT_EQ(ShownFrame(), kBareLogo);
    panel_.SetMode(2);
    EXPECT_EQ(ShownFrame(), 0);
    const struct {
        double level;
        int frame;
    } cases[] = {{0.5, 8},  {1.0, 15}, {0.0625, 1}, {3.0, 15}, {0.06, 0},
                 {0.99, 15}, {0.1, 1}, {-1.0, 0},  {0.25, 4}};
    for (const auto& c : cases) {
        panel_.SetLevel(c.level);
        EXPECT_EQ(ShownFrame(), c.frame) << c.level;
        EXPECT_EQ(panel_.Level(), c.level);
        if (c.frame == 8) testsupport::SaveWidgetPng(panel_.Window(), QStringLiteral("logo_panel_level_8"));
    }
    EXPECT_EQ(panel_.Mode(), 2);
}

TEST_F(LogoPanelTest, ModesShowTheMeterTheAnimationOrNothing) {
    panel_.SetMode(1);
    EXPECT_EQ(ShownFrame(), 0);
    EXPECT_FALSE(panel_.AnimationRunning());

    // Busy: from the full meter the ticks run 16, 17, 18 and round again.
    panel_.SetMode(4);
    EXPECT_TRUE(panel_.AnimationRunning());
    EXPECT_EQ(ShownFrame(), 15);
    for (int expected : {16, 17, 18, 16, 17}) {
        panel_.OnTimer(CLogoPanel::kAnimationTimer);
        EXPECT_EQ(ShownFrame(), expected);
        if (expected == 17) testsupport::SaveWidgetPng(panel_.Window(), QStringLiteral("logo_panel_busy_17"));
    }
    // Another timer's tick changes nothing.
    panel_.OnTimer(CLogoPanel::kAnimationTimer + 1);
    EXPECT_EQ(ShownFrame(), 17);

    // Held: the animation stops on the frame last shown.
    panel_.SetMode(3);
    EXPECT_FALSE(panel_.AnimationRunning());
    EXPECT_EQ(ShownFrame(), 17);

    panel_.SetMode(4);
    panel_.SetMode(0);
    EXPECT_FALSE(panel_.AnimationRunning());
    EXPECT_EQ(ShownFrame(), kBareLogo);
    EXPECT_EQ(panel_.Mode(), 0);
}

TEST_F(LogoPanelTest, APressOnEitherPictureOpensTheHomePage) {
    QWidget* window = panel_.Window();
    const QPoint outside[] = {{2, 2}, {CLogoPanel::kWidth - 3, 3}, {3, 84}};
    for (const QPoint& point : outside) {
        QTest::mouseMove(window, point);
        EXPECT_FALSE(window->testAttribute(Qt::WA_SetCursor)) << point.x() << "," << point.y();
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point);
    }
    EXPECT_TRUE(opened_.empty());

    for (const QPoint& point : {panel_.LogoRect().center(), panel_.PictureRect().center()}) {
        QTest::mouseMove(window, point);
        EXPECT_TRUE(window->testAttribute(Qt::WA_SetCursor));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point);
    }
    ASSERT_EQ(opened_.size(), 2u);
    for (const std::string& url : opened_) {
        EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
        EXPECT_TRUE(url.ends_with("/index.htm?src=logo")) << url;
    }
    // Leaving the pictures gives the cursor back.
    QTest::mouseMove(window, outside[0]);
    EXPECT_FALSE(window->testAttribute(Qt::WA_SetCursor));
}

// Records where paints of the meter run.
class CPaintWatch : public QObject {
public:
    explicit CPaintWatch(QRect meter) : meter_(meter) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint &&
            static_cast<QPaintEvent*>(event)->region().intersects(meter_)) {
            meterPaints++;
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        }
        return false;
    }
    int meterPaints = 0;
    bool onGuiThread = true;

private:
    QRect meter_;
};

TEST_F(LogoPanelTest, CallsFromAnotherThreadAreDrawnOnTheGuiThreadInTheirOrder) {
    QCoreApplication::processEvents();
    std::thread burner([this] {
        panel_.SetMode(4);
        panel_.SetMode(3);
        panel_.SetMode(2);
        for (int step = 0; step <= 50; ++step) panel_.SetLevel(step / 100.0);
    });
    burner.join();
    // Stored at once; drawn only once the GUI thread runs the queued calls.
    EXPECT_EQ(panel_.Mode(), 2);
    EXPECT_EQ(panel_.Level(), 0.5);
    EXPECT_EQ(ShownFrame(), kBareLogo);

    // The grab above painted too; from here only the queued calls paint.
    CPaintWatch watch(panel_.MeterRect());
    panel_.Window()->installEventFilter(&watch);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    panel_.Window()->removeEventFilter(&watch);
    EXPECT_GT(watch.meterPaints, 0);
    EXPECT_TRUE(watch.onGuiThread);
    EXPECT_FALSE(panel_.AnimationRunning());
    EXPECT_EQ(ShownFrame(), 8);
}

class LogoPanelInMainWindowTest : public MainWindowFixture {};

TEST_F(LogoPanelInMainWindowTest, TheBottomBandGivesThePanelItsWidth) {
    Open(1);
    CBottomContainerWindow* bottom = main_->BottomBand();
    ASSERT_NE(bottom, nullptr);
    ASSERT_NE(bottom->Logo(), nullptr);
    QWidget* logo = bottom->Logo()->Window();
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->objectName(), QStringLiteral("136"));
    for (int width : {900, 700}) {
        main_->Window()->resize(width, main_->Window()->height());
        Settle();
        EXPECT_EQ(logo->width(), CLogoPanel::kWidth) << width;
        EXPECT_EQ(logo->geometry().right(), bottom->Window()->width() - 1) << width;
        EXPECT_TRUE(logo->isVisible());
    }
    testsupport::SaveWidgetPng(bottom->Window(), QStringLiteral("logo_panel_in_bottom_band"));
}

}  // namespace
