#pragma once
// The Find page's list drawn and driven by the page: every row is painted
// from its found song (check box, play button, texts in the session's blue,
// unusable rows struck through, the placeholder texts), and the mouse over
// the list sets the hot row and its play zone, clicks play or mark a row,
// the right button opens the page's menu and a click on a column title
// sorts the rows.

#include <QObject>
#include <QPixmap>
#include <QStyle>
#include <QStyledItemDelegate>
#include <array>
#include <vector>


class CFindTab;
class QTableView;

// Where a row's parts lie in its first cell, from the cell's left edge.
inline constexpr int kFindPlayLeft = 12;
inline constexpr int kFindPlayTop = 2;
inline constexpr int kFindPlayWidth = 16;
inline constexpr int kFindBoxLeft = 30;
inline constexpr int kFindBoxWidth = 20;
// The strike line runs this far past the cell.
inline constexpr int kFindStrikeOver = 10;
// Rows are at least this high, so that the play button fits.
inline constexpr int kFindRowHeight = 20;
// The colours of the rows.
inline constexpr QRgb kFindPlayingFrame = 0xFFFFC800;  // RGB(255, 200, 0)
inline constexpr QRgb kFindClickedCell = 0xFFE0E0E0;   // RGB(224, 224, 224)
inline constexpr QRgb kFindInSessionText = 0xFF0000FF;

// Whether a content x (the viewport's x plus the horizontal scroll) lies on
// the play button of the first column.
inline bool InFindPlayZone(int contentX) {
    return contentX >= kFindPlayLeft && contentX < kFindPlayLeft + kFindPlayWidth;
}

class CFindRowDelegate : public QStyledItemDelegate {
public:
    CFindRowDelegate(const CFindTab& page, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void PaintPlaceholder(QPainter& p, const QStyleOptionViewItem& option, int row) const;
    void PaintControl(QPainter& p, const QStyleOptionViewItem& option, int row) const;
    void PaintText(QPainter& p, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The pictures every row repeats, made once: the style's check box in
    // each state it is drawn in, and the play and stop buttons.
    const QPixmap& BoxImage(const QStyleOptionViewItem& option, QStyle::State state, qreal ratio) const;
    const QPixmap& PlayImage(bool playing) const;

    struct TBoxImage {
        const QStyle* style;
        QStyle::State state;
        qreal ratio;
        QPixmap image;
    };
    const CFindTab& page_;
    mutable std::vector<TBoxImage> boxImages_;
    mutable std::array<QPixmap, 2> playImages_;
};

class CFindListView : public QObject {
public:
    CFindListView(CFindTab& page, QTableView& list);

    // Sets the page's hot row and play zone from a point of the viewport.
    void FindMouseLocation(QPoint at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateCursor();

    CFindTab& page_;
    QTableView& list_;
    QObject* viewport_ = nullptr;
};
