// Column widths measured from the font's character advances agree with the
// widths of the laid-out texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <cmath>
#include <string>

#include "songsmith/drawing/ui/text_widths.h"

namespace {

TEST(TextWidthsTest, WidthsAgreeWithTheLaidOutTexts) {
    const QFont font = QApplication::font();
    const CTextWidths widths(font);
    const QFontMetricsF metrics(font);
    struct TCase {
        std::string text;
        int tolerance;  // ASCII leaves kerning out
    };
    for (const TCase& c : std::initializer_list<TCase>{{"", 0},
                                                        {"Song 1", 2},
                                                        {"~01:02:03", 2},
                                                        {"A Much Longer Title, With Words (Live) - 1999", 3},
                                                        {"/home/ann/Music/Rock/track12.wav", 3},
                                                        {"WWWWWWWWiiiiiiii", 2},
                                                        {"Caf\xC3\xA9 \xC3\x9C" "ber", 0},
                                                        {"\xE6\x97\xA5\xE6\x9C\xAC", 0}}) {
        SCOPED_TRACE(c.text);
        const int laidOut = static_cast<int>(std::ceil(metrics.horizontalAdvance(QString::fromStdString(c.text))));
        EXPECT_NEAR(widths.Width(c.text), laidOut, c.tolerance);
    }
}

}  // namespace
