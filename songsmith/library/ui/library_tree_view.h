#pragma once
// The Library page's tree drawn and driven by the page itself: every row is
// painted from its node (expand glyph, icon, play button, check box, text),
// the mouse is placed in one of the row's zones, and clicks, double clicks
// and dragging a node onto another run the page's operations. The tree
// control keeps no state of its own beyond its rows.

#include <QObject>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTimer>

#include "songsmith/library/library_rows.h"

class CLibraryTab;
class QTreeWidget;
class QTreeWidgetItem;
struct CLibNode;

// Mouse zones of a row.
enum ELibZone : int {
    kLibZoneNone = 0,
    kLibZoneGlyph = 1,
    kLibZonePlay = 2,
    kLibZoneBox = 3,
    kLibZoneLabel = 4,
};

// The row images, 16 by 16, by their resource numbers (228, 232, 243, 244,
// 227, 231, 230, 248, 247).
QPixmap LibRowImage(int id);
// A song row's play (or, for the playing song, stop) button, 16 by 16: the
// Library page's and the Find page's rows.
QPixmap SongPlayImage(bool playing);

// Where a row's parts begin, in content coordinates (the view's scroll
// added); -1 for a part the row lacks.
struct TLibRowEdges {
    int glyphLeft = -1;
    bool hasGlyph = false;
    int iconLeft = -1;
    int buttonLeft = -1;
    int buttonRight = -1;
    int boxLeft = -1;
    int textLeft = -1;
};
TLibRowEdges LibRowEdges(const CLibraryTab& page, TLibRow row);

class CLibTreeView : public QObject {
public:
    static constexpr int kRowLeft = 5;
    static constexpr int kIndentStep = 20;
    static constexpr int kGenreRowLeft = 40;
    static constexpr int kImageSize = 16;
    static constexpr int kBoxWidth = 20;
    static constexpr int kTextGap = 5;
    static constexpr int kScrollTimerId = 1011;
    static constexpr int kScrollTimerMs = 50;
    static constexpr int kScrollMargin = 24;
    // Above this many songs a check adds them under the progress dialog.
    static constexpr int kSongsOneByOne = 4;

    CLibTreeView(CLibraryTab& page, QTreeWidget& tree);

    // Sets the row under the mouse and its zone from a point of the tree's
    // viewport.
    void FindMouseLocation(QPoint at);
    ELibZone Zone() const { return zone_; }
    TLibRow RowUnderMouse() const { return hot_; }
    bool Dragging() const { return dragging_; }
    bool Armed() const { return armed_; }
    // The drag's row under the mouse (drawn red).
    TLibRow DropRow() const { return dragging_ ? hot_ : TLibRow{}; }
    // One step of the scroll timer, with the cursor at this viewport point.
    void AutoScrollStep(QPoint cursor);
    bool ScrollTimerRunning() const { return scrollTimer_.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TLibRow RowAt(QPoint at) const;
    void OnLeftDown(QPoint at);
    void OnMove(QPoint at, Qt::MouseButtons buttons);
    void OnLeftUp();
    void OnDoubleClick(QPoint at);
    void CancelDrag();
    void UpdateCursor();
    void CheckClicked(CLibNode* node);
    void Drop(TLibRow target);
    void MakeClicked(TLibRow row);

    CLibraryTab& page_;
    QTreeWidget& tree_;
    QObject* viewport_ = nullptr;
    ELibZone zone_ = kLibZoneNone;
    TLibRow hot_;
    TLibRow source_;
    bool armed_ = false;
    bool dragging_ = false;
    // The right click that ended a drag opens no menu.
    bool swallowMenu_ = false;
    QPoint cursor_;
    QTimer scrollTimer_;
};

// Draws a row from its node and stores the row's hit edges in the node.
class CLibRowDelegate : public QStyledItemDelegate {
public:
    CLibRowDelegate(CLibraryTab& page, const CLibTreeView& view, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CLibraryTab& page_;
    const CLibTreeView& view_;
};
