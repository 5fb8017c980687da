#include "songsmith/find/ui/find_list_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <memory>
#include <string>

#include "songsmith/app/ui/app_resources.h"
#include "songsmith/library/file_types.h"
#include "songsmith/find/find_columns.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tree_view.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

// The check box's side, and the room around it its picture keeps.
constexpr int kBoxSide = kFindBoxWidth - 4;
constexpr int kBoxMargin = 2;
// Pixels a laid-out text may come out wider than its summed advances.
constexpr int kKerningSlack = 2;

// A row shows its play button unless it is a playlist or unusable.
bool HasPlayButton(const TFoundRow& row) { return !row.unusable && !IsPlaylistFile(row.entry.path); }

}  // namespace

// ---- drawing ----

CFindRowDelegate::CFindRowDelegate(const CFindTab& page, QObject* parent)
    : QStyledItemDelegate(parent), page_(page) {}

void CFindRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QPainter& p = *painter;
    p.save();
    const bool known = index.row() >= 0 && index.row() < static_cast<int>(page_.Model().Rows().size());
    if (page_.Model().Placeholder()) {
        if (index.column() == 0) PaintPlaceholder(p, option, index.row());
        else p.fillRect(option.rect, Qt::white);
    } else if (!known) {
        p.fillRect(option.rect, Qt::white);
    } else if (index.column() == 0) {
        PaintControl(p, option, index.row());
    } else {
        PaintText(p, option, index);
    }
    p.restore();
}

void CFindRowDelegate::PaintPlaceholder(QPainter& p, const QStyleOptionViewItem& option, int row) const {
    // The cell spans the first two columns.
    p.fillRect(option.rect, Qt::white);
    const std::string key = "FindTab_Empty" + std::to_string(row + 1);
    const QString text = option.fontMetrics.elidedText(ProgString(key.c_str()), Qt::ElideRight, option.rect.width());
    p.setPen(Qt::black);
    p.setFont(option.font);
    p.drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CFindRowDelegate::PaintControl(QPainter& p, const QStyleOptionViewItem& option, int row) const {
    const QRect cell = option.rect;
    const TFoundRow& found = page_.Model().Rows()[static_cast<std::size_t>(row)];
    p.fillRect(cell, row == page_.ClickedRow() ? QColor(kFindClickedCell) : QColor(Qt::white));
    const bool playing = row == page_.Model().PlayingRow();
    if (playing) {
        p.setPen(QColor(kFindPlayingFrame));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    const QPoint box(cell.x() + kFindBoxLeft + 2, cell.y() + (cell.height() - kBoxSide) / 2);
    const QStyle::State state = (found.inSession ? QStyle::State_On : QStyle::State_Off) |
                                (found.unusable ? QStyle::State_None : QStyle::State_Enabled);
    p.drawPixmap(box - QPoint(kBoxMargin, kBoxMargin), BoxImage(option, state, p.device()->devicePixelRatioF()));
    if (HasPlayButton(found))
        p.drawPixmap(cell.x() + kFindPlayLeft, cell.y() + kFindPlayTop, PlayImage(playing));
}

const QPixmap& CFindRowDelegate::BoxImage(const QStyleOptionViewItem& option, QStyle::State state,
                                          qreal ratio) const {
    const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    for (const TBoxImage& made : boxImages_)
        if (made.style == style && made.state == state && made.ratio == ratio) return made.image;
    // The box is drawn with a margin around it: a style may draw a frame or
    // a focus line just outside the rectangle it is given.
    const int side = kBoxSide + 2 * kBoxMargin;
    QPixmap image(QSize(side, side) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionButton box;
    box.rect = QRect(kBoxMargin, kBoxMargin, kBoxSide, kBoxSide);
    box.state = state;
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, option.widget);
    painter.end();
    boxImages_.push_back({style, state, ratio, image});
    return boxImages_.back().image;
}

const QPixmap& CFindRowDelegate::PlayImage(bool playing) const {
    QPixmap& image = playImages_[playing ? 1 : 0];
    if (image.isNull()) image = SongPlayImage(playing);
    return image;
}

void CFindRowDelegate::PaintText(QPainter& p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect cell = option.rect;
    const TFoundRow& found = page_.Model().Rows()[static_cast<std::size_t>(index.row())];
    p.fillRect(cell, Qt::white);
    const int padding = option.fontMetrics.averageCharWidth();
    const QRect textRect = cell.adjusted(padding, 0, -2, 0);
    const std::string utf8 = FindColumnText(found, index.column());
    QString text = QString::fromStdString(utf8);
    // Laying a text out is most of a row's drawing, and most texts fit their
    // column: only a text whose summed advances come near the edge is laid
    // out a second time to be elided (the slack covers kerning).
    if (page_.TextWidthsOf(option.font).Width(utf8) + kKerningSlack > textRect.width())
        text = option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width());
    p.setPen(found.inSession ? QColor(kFindInSessionText) : QColor(Qt::black));
    p.setFont(option.font);
    // Drawn from its baseline, centred as a one-line text in textRect: the
    // rectangle's form of drawText lays the text out into lines first.
    const qreal baseline =
        textRect.y() + (textRect.height() - option.fontMetrics.height()) / 2.0 + option.fontMetrics.ascent();
    p.drawText(QPointF(textRect.x(), baseline), text);
    if (found.unusable) {
        // Struck through the middle, on into the next cell.
        p.setPen(Qt::black);
        const int middle = cell.y() + cell.height() / 2;
        p.drawLine(cell.x(), middle, cell.right() + kFindStrikeOver, middle);
    }
}

// ---- the mouse ----

CFindListView::CFindListView(CFindTab& page, QTableView& list) : QObject(&list), page_(page), list_(list) {
    list_.setItemDelegate(new CFindRowDelegate(page_, &list_));
    // The rows draw their own marks; the list keeps no selection.
    list_.setSelectionMode(QAbstractItemView::NoSelection);
    list_.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    QHeaderView* rows = list_.verticalHeader();
    rows->setDefaultSectionSize(std::max(kFindRowHeight, rows->defaultSectionSize()));
    list_.horizontalHeader()->setSectionsClickable(true);
    connect(list_.horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { page_.SortByColumn(column); });
    list_.viewport()->setMouseTracking(true);
    viewport_ = list_.viewport();
    viewport_->installEventFilter(this);
}

void CFindListView::FindMouseLocation(QPoint at) {
    const int row = page_.Model().Placeholder() ? -1 : list_.rowAt(at.y());
    const TFoundRow* found = row >= 0 && row < static_cast<int>(page_.Model().Rows().size())
                                 ? &page_.Model().Rows()[static_cast<std::size_t>(row)]
                                 : nullptr;
    const bool zone = found != nullptr && HasPlayButton(*found) &&
                      InFindPlayZone(at.x() + list_.horizontalScrollBar()->value());
    page_.SetHotRow(found != nullptr ? row : -1, zone);
}

void CFindListView::UpdateCursor() {
    const CAppResources* resources = AppResources();
    QWidget* viewport = list_.viewport();
    if (resources != nullptr && page_.HotZonePlay()) {
        viewport->setCursor(resources->Cursor(kCursorHand));
    } else if (resources != nullptr && page_.IsSearching()) {
        viewport->setCursor(resources->Cursor(kCursorBusy));
    } else {
        viewport->unsetCursor();
    }
}

bool CFindListView::eventFilter(QObject* watched, QEvent* event) {
    // Compared by the pointer kept: the list may be half destroyed here.
    if (watched != viewport_) return false;
    switch (event->type()) {
        case QEvent::MouseMove: {
            FindMouseLocation(static_cast<QMouseEvent*>(event)->position().toPoint());
            UpdateCursor();
            return false;
        }
        case QEvent::MouseButtonDblClick:
            // The first click of the two did the work.
            return true;
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // The list takes the keys (Enter searches) as a list clicked does.
            list_.setFocus(Qt::MouseFocusReason);
            if (page_.Model().Placeholder()) return true;
            FindMouseLocation(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && page_.HotRow() >= 0)
                page_.OnRowClick(page_.HotRow(), page_.HotZonePlay());
            // The right button's menu follows as a context menu event.
            return mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton;
        }
        case QEvent::ContextMenu: {
            auto* request = static_cast<QContextMenuEvent*>(event);
            FindMouseLocation(request->pos());
            std::unique_ptr<QMenu> menu = page_.MakeContextMenu();
            menu->exec(request->globalPos());
            return true;
        }
        default:
            return false;
    }
}
