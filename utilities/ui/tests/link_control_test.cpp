#include "utilities/ui/link_control.h"

#include <QDialog>
#include <QFontMetrics>
#include <QImage>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/widget_png.h"
#include "utilities/launch_browser.h"

namespace {

// A dialog with a plain label (identifier 1010) above another (1011).
struct TLinkDialog {
    QDialog dialog;
    QLabel* label;
    QLabel* other;
    TLinkDialog() {
        auto* layout = new QVBoxLayout(&dialog);
        label = new QLabel(QStringLiteral("placeholder"), &dialog);
        label->setObjectName(QStringLiteral("1010"));
        other = new QLabel(QStringLiteral("Below"), &dialog);
        other->setObjectName(QStringLiteral("1011"));
        layout->addWidget(label);
        layout->addWidget(other);
        dialog.resize(320, 120);
        dialog.show();
    }
};

TEST(LinkControlTest, HitsTheTextAndSevenPixelsBelowIt) {
    TLinkDialog d;
    d.label->setMinimumHeight(60);
    CLinkControl link;
    EXPECT_EQ(link.SubClass(d.label, "Visit us", "https://www.marovelle.example/?src=utilm"), 1);
    const QFontMetrics metrics(d.dialog.font());
    const TLinkRect rect = link.GetLastHitRect();
    EXPECT_EQ(rect.right - rect.left, metrics.horizontalAdvance(QStringLiteral("Visit us")));
    EXPECT_EQ(rect.bottom - rect.top, metrics.height() + kLinkHitMarginBelow);

    // The link stands where the label was; points are in the dialog's terms.
    const QPoint origin = link.mapTo(&d.dialog, QPoint(rect.left, rect.top));
    const int width = rect.right - rect.left;
    const int height = metrics.height();
    struct {
        const char* what;
        QPoint point;
        int over;
    } const cases[] = {
        {"first pixel of the text", origin, 1},
        {"inside the text", origin + QPoint(width / 2, height / 2), 1},
        {"just below the text", origin + QPoint(1, height + 3), 1},
        {"last pixel of the margin", origin + QPoint(1, height + kLinkHitMarginBelow - 1), 1},
        {"below the margin", origin + QPoint(1, height + kLinkHitMarginBelow), 0},
        {"right of the text", origin + QPoint(width, 1), 0},
        {"left of the text", origin + QPoint(-1, 1), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(link.MouseOver(&d.dialog, c.point), c.over) << c.what;
}

TEST(LinkControlTest, TakesTheControlsPlaceUntilRestored) {
    TLinkDialog d;
    const QRect place = d.label->geometry();
    {
        CLinkControl link;
        link.SubClass(d.label, "Visit us", "https://www.marovelle.example/?src=utilm");
        EXPECT_EQ(d.dialog.findChild<QWidget*>(QStringLiteral("1010")), &link);
        EXPECT_EQ(link.geometry(), place);
        EXPECT_FALSE(d.label->isVisible());
        EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
        EXPECT_STREQ(link.GetLink(), "https://www.marovelle.example/?src=utilm");
        link.Restore();
        EXPECT_EQ(d.dialog.findChild<QWidget*>(QStringLiteral("1010")), d.label);
        EXPECT_TRUE(d.label->isVisible());
        // Restoring twice, and the destructor after it, do nothing more.
        link.Restore();
        link.SubClass(d.label, "Again", "https://www.marovelle.example/");
    }
    // Destroying the link gave the control back.
    EXPECT_EQ(d.dialog.findChild<QWidget*>(QStringLiteral("1010")), d.label);
    EXPECT_TRUE(d.label->isVisible());
    CLinkControl never;  // one that never took a control over goes quietly
}

TEST(LinkControlTest, CutsTextAndLinkToWhatItKeeps) {
    CLinkControl link;
    const std::string longLink(3000, 'a');
    const std::string longText(700, 'b');
    link.SubClass(&link, longText.c_str(), longLink.c_str());
    EXPECT_EQ(std::string(link.GetLink()).size(), kLinkAddressMax);
    EXPECT_EQ(static_cast<std::size_t>(link.text().size()), kLinkTextMax);
}

TEST(LinkControlTest, AnUnmeasuredTextCountsTwoExtraCharacters) {
    EXPECT_EQ(LinkTextWidth(57, 8, 6), 57);
    EXPECT_EQ(LinkTextWidth(0, 8, 6), 60);
    EXPECT_EQ(LinkTextWidth(0, 0, 6), 0);
}

TEST(LinkControlTest, OpensItsLinkThroughTheBrowser) {
    std::vector<std::string> opened;
    const LaunchBrowserHook previous = SetLaunchBrowserHook([&](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    CLinkControl link;
    link.SubClass(nullptr, "Visit us", "https://www.marovelle.example/songsmith/?src=utilm");
    EXPECT_TRUE(link.OpenLink());
    SetLaunchBrowserHook(previous);
    EXPECT_EQ(opened, std::vector<std::string>{"https://www.marovelle.example/songsmith/?src=utilm"});
}

TEST(LinkControlTest, DrawsBlueUnderlinedText) {
    TLinkDialog d;
    d.dialog.setStyleSheet(QStringLiteral("QDialog { background: white; }"));
    CLinkControl link;
    link.SubClass(d.label, "Songsmith on the web", "https://www.marovelle.example/?src=utilm");
    testsupport::SaveWidgetPng(&d.dialog, QStringLiteral("link_control"));

    const QImage image = link.grab().toImage();
    const TLinkRect rect = link.GetLastHitRect();
    const int underline = rect.bottom - kLinkHitMarginBelow;
    ASSERT_LT(underline, image.height());
    // The underline runs the whole width of the text.
    for (int x = rect.left; x < rect.right; ++x) {
        EXPECT_EQ(image.pixelColor(x, underline), QColor(0, 0, 255)) << "x " << x;
    }
    // The text itself is drawn in blue only.
    int bluePixels = 0;
    for (int y = rect.top; y < underline; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const QColor c = image.pixelColor(x, y);
            EXPECT_EQ(c.red(), c.green()) << x << "," << y;
            if (c.blue() > c.red() + 100) ++bluePixels;
        }
    }
    EXPECT_GT(bluePixels, 20);
}

TEST(LinkControlTest, FindsAnyControlOfTheDialogByIdentifier) {
    TLinkDialog d;
    const QPoint otherTopLeft = d.other->geometry().topLeft();
    EXPECT_EQ(MouseOverDialogControl(&d.dialog, 1011, otherTopLeft), 1);
    EXPECT_EQ(MouseOverDialogControl(&d.dialog, 1011, otherTopLeft + QPoint(d.other->width(), 0)), 0);
    EXPECT_EQ(MouseOverDialogControl(&d.dialog, 1011, otherTopLeft - QPoint(0, 1)), 0);
    EXPECT_EQ(MouseOverDialogControl(&d.dialog, 4242, otherTopLeft), 0);
}

}  // namespace
