#include "songsmith/session/ui/session_row_delegate.h"

#include <QPainter>

#include "songsmith/app/ui/app_resources.h"
#include "songsmith/cd/ui/cd_track_view.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/ui/session_rows_model.h"

CSessionRowDelegate::CSessionRowDelegate(const CSessionRowsModel& model, std::function<int()> dragTarget,
                                         QObject* parent)
    : QStyledItemDelegate(parent),
      model_(model),
      dragTarget_(std::move(dragTarget)),
      playMark_(CdRowImage(false)),
      playingMark_(CdRowImage(true)) {}

std::uint32_t SessionRowBackground(int state) {
    return state >= 0 && state < static_cast<int>(kSessionRowColors.size())
               ? kSessionRowColors[static_cast<std::size_t>(state)]
               : 0xffffff;
}

std::uint32_t SessionRowTextColor(int state) {
    if (state == 1) return 0xff0000;
    if (state >= 9 && state <= 11) return 0xffffff;
    return 0;
}

std::uint32_t SessionLinkColor(int state, bool selected) {
    return selected || (state >= 8 && state <= 11) ? 0xffffff : 0xff0000;
}

void CSessionRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const TSessionRowFacts* row = model_.FactsAt(index.row());
    if (row == nullptr) return;
    const TSessionRowFacts& facts = *row;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QRect cell = option.rect;
    painter->save();
    painter->fillRect(cell, selected ? option.palette.highlight().color()
                                     : ColorFromColorRef(SessionRowBackground(facts.state)));

    QFont font = option.font;
    const int column = index.column();
    QColor ink = selected ? option.palette.highlightedText().color()
                          : ColorFromColorRef(SessionRowTextColor(facts.state));
    if (column == kColumnLink) {
        ink = ColorFromColorRef(SessionLinkColor(facts.state, selected));
        font.setUnderline(true);
    }
    const QFontMetrics metrics(font);
    const int inset = metrics.averageCharWidth();
    int left = cell.left() + inset;
    int right = cell.right() - inset;
    if (column == kColumnNumber) {
        // The number follows the mark; the narrow column keeps no margins.
        const QPixmap& mark = facts.playing ? playingMark_ : playMark_;
        painter->drawPixmap(cell.left() + 1, cell.top() + (cell.height() - mark.height()) / 2, mark);
        left = cell.left() + kNumberOffset;
        right = cell.right();
    }
    const QRect textBox(left, cell.top(), std::max(right - left + 1, 0), cell.height());
    const QString text = QString::fromStdString(SessionColumnText(facts, column, index.row()));
    painter->setFont(font);
    painter->setPen(ink);
    // A number is never cut to an ellipsis: its digits matter more.
    painter->setClipRect(cell);
    painter->drawText(column == kColumnNumber ? QRect(left, cell.top(), cell.width(), cell.height()) : textBox,
                      Qt::AlignVCenter | Qt::AlignLeft,
                      column == kColumnNumber ? text : metrics.elidedText(text, Qt::ElideRight, textBox.width()));
    painter->setClipping(false);

    // The playing row is framed: its top and bottom across every cell, its
    // ends in the first and last columns.
    if (facts.playing) {
        painter->setPen(QPen(QColor(0, 0, 0), 1));
        painter->drawLine(cell.topLeft(), cell.topRight());
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        if (column == 0) painter->drawLine(cell.topLeft(), cell.bottomLeft());
        if (column == kSessionColumnCount - 1) painter->drawLine(cell.topRight(), cell.bottomRight());
    }
    // Where a dragged row lands: across the top of the target row, or below
    // the last row when it lands past the end.
    const int target = dragTarget_ ? dragTarget_() : -1;
    if (target >= 0) {
        painter->setPen(QPen(QColor(0, 0, 0), 2));
        if (target == index.row())
            painter->drawLine(cell.left(), cell.top() + 1, cell.right(), cell.top() + 1);
        else if (target == model_.rowCount() && index.row() == target - 1)
            painter->drawLine(cell.left(), cell.bottom() - 1, cell.right(), cell.bottom() - 1);
    }
    painter->restore();
}

QSize CSessionRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const int inset = option.fontMetrics.averageCharWidth();
    size.setWidth(size.width() + 2 * inset + (index.column() == kColumnNumber ? kNumberOffset : 0));
    return size;
}
