#include "songsmith/drawing/ui/text_widths.h"

#include <QString>
#include <cmath>

CTextWidths::CTextWidths(const QFont& font) : font_(font), metrics_(font) {
    for (std::size_t c = 0; c < ascii_.size(); ++c)
        ascii_[c] = metrics_.horizontalAdvance(QChar(static_cast<char16_t>(c)));
}

int CTextWidths::Width(std::string_view text) const {
    qreal width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= ascii_.size())
            return static_cast<int>(std::ceil(
                metrics_.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))));
        width += ascii_[byte];
    }
    return static_cast<int>(std::ceil(width));
}
