#pragma once
// Measures texts for column widths, quickly: a list that adds thousands of
// rows measures ten texts a row, and a full text layout of each would cost
// more than the rest of adding the row. ASCII text is summed from a table of
// the font's advances made once (kerning is left out: at most a pixel or two
// of a column's width); a text with any other character is laid out in full.

#include <QFont>
#include <QFontMetricsF>
#include <array>
#include <string_view>

class CTextWidths {
public:
    explicit CTextWidths(const QFont& font);

    // The width of the UTF-8 text in pixels, rounded up.
    int Width(std::string_view text) const;
    const QFont& Font() const { return font_; }

private:
    QFont font_;
    QFontMetricsF metrics_;
    std::array<qreal, 128> ascii_{};
};
