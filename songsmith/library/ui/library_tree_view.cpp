// The Library page's tree: rows drawn from their nodes, the mouse zones of
// a row, and the page's own mouse handling (clicks by zone, double clicks,
// dragging a node onto another with the tree scrolling at its edges).
#include "songsmith/library/ui/library_tree_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/cd/ui/cd_track_view.h"
#include "songsmith/library/library_links.h"
#include "songsmith/library/ui/library_tab.h"
#include "songvault/songvault.h"
#include "utilities/undo_manager.h"

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kGenreRowRole = Qt::UserRole + 1;
constexpr int kPlayImageDown = 2;
constexpr int kTextDown = 1;
constexpr int kMinRowHeight = 18;
// The genre number of songs without a genre.
constexpr int kLibNoGenreNumber = 255;

void SpecialLog(const char* step) { LogFmt("\nSpecial log from %s [%ld]\n", step, 0L); }

CLibNode* NodeOfIndex(const QModelIndex& index) {
    return reinterpret_cast<CLibNode*>(index.data(kNodeRole).value<quintptr>());
}

bool IsFolder(const CLibNode* node) {
    return node->kind == kLibNodeArtist || node->kind == kLibNodeAlbum || node->kind == kLibNodeGenre;
}

bool HasBox(const CLibNode* node) { return IsFolder(node) || node->IsSong(); }

// The icon of a row; 0 for none.
int IconOf(const CLibraryTab& page, const CLibNode* node) {
    switch (node->kind) {
        case kLibNodeRoot:
            return node == const_cast<CLibraryTab&>(page).Nodes().GenreRoot() ? 232 : 228;
        case kLibNodeTrash:
            return node->children.empty() ? 244 : 243;
        case kLibNodeUntagged:
        case kLibNodeNoGenre:
            return 227;
        case kLibNodeArtist:
        case kLibNodeAlbum:
        case kLibNodeGenre:
            return node->expanded && !node->children.empty() ? 231 : 230;
        default:
            return 0;
    }
}

}  // namespace

QPixmap SongPlayImage(bool playing) {
    // The CD page's play and stop marks, centred on a 16 by 16 picture.
    QPixmap image(CLibTreeView::kImageSize, CLibTreeView::kImageSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QPixmap mark = CdRowImage(playing);
    p.drawPixmap((image.width() - mark.width()) / 2, (image.height() - mark.height()) / 2, mark);
    return image;
}

TLibRowEdges LibRowEdges(const CLibraryTab& page, TLibRow row) {
    const CLibNode* node = row.node;
    TLibRowEdges edges;
    int x = CLibTreeView::kRowLeft + (row.genreRow ? CLibTreeView::kGenreRowLeft : node->indent * CLibTreeView::kIndentStep);
    edges.glyphLeft = x;
    edges.hasGlyph = !row.genreRow && !node->children.empty();
    if (edges.hasGlyph) x += CLibTreeView::kImageSize;
    edges.iconLeft = x;
    if (IconOf(page, node) != 0) x += CLibTreeView::kImageSize;
    if (node->IsSong()) {
        edges.buttonLeft = x;
        x += CLibTreeView::kImageSize;
        edges.buttonRight = x;
    }
    if (HasBox(node)) {
        edges.boxLeft = x;
        x += CLibTreeView::kBoxWidth;
    }
    edges.textLeft = x + CLibTreeView::kTextGap;
    return edges;
}

QPixmap LibRowImage(int id) {
    QPixmap image(CLibTreeView::kImageSize, CLibTreeView::kImageSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const QColor ink(40, 48, 64);
    p.setPen(ink);
    switch (id) {
        case 248:  // expanded: a box with a minus
        case 247:  // collapsed: a box with a plus
            p.setBrush(Qt::white);
            p.drawRect(3, 3, 9, 9);
            p.drawLine(5, 7, 10, 7);
            if (id == 247) p.drawLine(7, 5, 7, 10);
            break;
        case 228:  // artist root: a person
            p.setBrush(QColor(60, 110, 190));
            p.drawEllipse(5, 1, 6, 6);
            p.drawRoundedRect(2, 8, 12, 7, 3, 3);
            break;
        case 232:  // genre root: a note
            p.setBrush(QColor(60, 150, 80));
            p.drawEllipse(2, 10, 5, 4);
            p.drawEllipse(9, 9, 5, 4);
            p.drawLine(6, 12, 6, 2);
            p.drawLine(13, 11, 13, 1);
            p.drawLine(6, 2, 13, 1);
            break;
        case 243:  // full trash
        case 244:  // empty trash
            p.setBrush(QColor(170, 170, 170));
            p.drawRect(3, 4, 10, 11);
            p.drawLine(2, 3, 13, 3);
            if (id == 243) {
                p.setBrush(QColor(230, 150, 20));
                p.drawEllipse(5, 0, 6, 5);
            }
            break;
        case 227:  // untagged and no-genre folders: a grey folder
            p.setBrush(QColor(190, 190, 190));
            p.drawRect(1, 4, 14, 10);
            p.drawRect(1, 2, 6, 2);
            break;
        case 231:  // open folder
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(1, 3, 13, 11);
            p.setBrush(QColor(250, 225, 140));
            p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)}));
            break;
        case 230:  // closed folder
            p.setBrush(QColor(240, 200, 90));
            p.drawRect(1, 4, 14, 10);
            p.drawRect(1, 2, 6, 2);
            break;
        default:
            break;
    }
    return image;
}

// ---- drawing ----

CLibRowDelegate::CLibRowDelegate(CLibraryTab& page, const CLibTreeView& view, QObject* parent)
    : QStyledItemDelegate(parent), page_(page), view_(view) {}

QSize CLibRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const CLibNode* node = NodeOfIndex(index);
    const int height = std::max(kMinRowHeight, option.fontMetrics.height() + 2);
    if (node == nullptr) return QStyledItemDelegate::sizeHint(option, index);
    const bool genreRow = index.data(kGenreRowRole).toBool();
    int width = CLibTreeView::kRowLeft + (genreRow ? CLibTreeView::kGenreRowLeft : node->indent * CLibTreeView::kIndentStep);
    width += 2 * CLibTreeView::kImageSize + CLibTreeView::kBoxWidth + CLibTreeView::kTextGap;
    if (node->IsSong()) width += CLibTreeView::kImageSize;
    width += option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + CLibTreeView::kTextGap;
    return {width, height};
}

void CLibRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    CLibNode* node = NodeOfIndex(index);
    if (node == nullptr) {
        LogFmt("CLibraryTab::_CustomDraw - Node not found, cannot get item from tree");
        SpecialLog("_CustomDraw");
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QTreeWidget* tree = page_.Tree();
    const int scroll = tree != nullptr ? tree->horizontalScrollBar()->value() : 0;
    const bool genreRow = index.data(kGenreRowRole).toBool();
    const TLibRow row{node, genreRow};
    QPainter& p = *painter;
    p.save();
    // The whole line of the viewport, whatever the column's width.
    const int viewWidth = tree != nullptr ? tree->viewport()->width() : option.rect.width();
    const QRect line(0, option.rect.y(), std::max(viewWidth, option.rect.right() + 1), option.rect.height());
    const TLibRow clicked = page_.ClickedRow();
    if (clicked.node == node) {
        p.fillRect(line, option.palette.brush(QPalette::Active, QPalette::Highlight));
    } else {
        p.fillRect(line, option.palette.brush(QPalette::Base));
    }
    if (node == page_.PlayingNode()) {
        p.setPen(option.palette.color(QPalette::Active, QPalette::Highlight).darker(140));
        p.setBrush(Qt::NoBrush);
        p.drawRect(line.adjusted(0, 0, -1, -1));
    }
    const int top = option.rect.y() + (option.rect.height() - CLibTreeView::kImageSize) / 2;
    // Content coordinates run from the row's start; the view shifts them
    // by its scroll position.
    const TLibRowEdges edges = LibRowEdges(page_, row);
    if (edges.hasGlyph) {
        const auto* item = static_cast<QTreeWidgetItem*>(node->treeItem);
        const bool expanded = item != nullptr && item->isExpanded();
        p.drawPixmap(edges.glyphLeft - scroll, top, LibRowImage(expanded ? 248 : 247));
    }
    if (const int icon = IconOf(page_, node); icon != 0) p.drawPixmap(edges.iconLeft - scroll, top, LibRowImage(icon));
    if (edges.buttonRight >= 0)
        p.drawPixmap(edges.buttonLeft - scroll, top + kPlayImageDown, SongPlayImage(node == page_.PlayingNode()));
    if (edges.boxLeft >= 0) {
        QStyleOptionButton box;
        box.rect = QRect(edges.boxLeft - scroll + 2, option.rect.y() + (option.rect.height() - 14) / 2, 14, 14);
        box.state = QStyle::State_Enabled | (node->checked ? QStyle::State_On : QStyle::State_Off);
        QStyle* style = tree != nullptr ? tree->style() : nullptr;
        if (style != nullptr) style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &p, tree);
    }
    int x = edges.textLeft - scroll;
    const TLibRow dropRow = view_.DropRow();
    const QColor colour = dropRow.node == node ? QColor(255, 0, 0) : node->checked ? QColor(0, 0, 255) : QColor(0, 0, 0);
    p.setPen(colour);
    p.setFont(option.font);
    const QRect text(x, option.rect.y() + kTextDown, std::max(0, line.right() - x), option.rect.height() - kTextDown);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
    p.restore();
    // Stored as content positions, so that a later scroll does not move them.
    node->glyphLeft = edges.glyphLeft;
    node->buttonRight = edges.buttonRight;
    node->boxLeft = edges.boxLeft;
}

// ---- the mouse ----

CLibTreeView::CLibTreeView(CLibraryTab& page, QTreeWidget& tree) : QObject(&tree), page_(page), tree_(tree) {
    // The rows place everything themselves: no indentation or branch
    // lines of the control's own.
    tree_.setIndentation(0);
    tree_.setRootIsDecorated(false);
    tree_.setItemsExpandable(true);
    tree_.setExpandsOnDoubleClick(false);
    tree_.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree_.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The column is as wide as its widest row, so that long rows scroll.
    tree_.header()->setStretchLastSection(false);
    tree_.header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_.setItemDelegate(new CLibRowDelegate(page_, *this, &tree_));
    tree_.viewport()->setMouseTracking(true);
    viewport_ = tree_.viewport();
    viewport_->installEventFilter(this);
    scrollTimer_.setInterval(kScrollTimerMs);
    connect(&scrollTimer_, &QTimer::timeout, this,
            [this] { AutoScrollStep(tree_.viewport()->mapFromGlobal(QCursor::pos())); });
}

TLibRow CLibTreeView::RowAt(QPoint at) const {
    QTreeWidgetItem* item = tree_.itemAt(at);
    if (item == nullptr) return {};
    return TLibRow{CLibraryTab::NodeOfItem(item), CLibraryTab::IsGenreRow(item)};
}

void CLibTreeView::FindMouseLocation(QPoint at) {
    cursor_ = at;
    hot_ = RowAt(at);
    zone_ = kLibZoneNone;
    if (!hot_) return;
    const int x = at.x() + tree_.horizontalScrollBar()->value();
    const TLibRowEdges edges = LibRowEdges(page_, hot_);
    if (edges.hasGlyph && x >= edges.glyphLeft && x < edges.glyphLeft + kImageSize)
        zone_ = kLibZoneGlyph;
    else if (edges.buttonRight >= 0 && x >= edges.buttonLeft && x < edges.buttonRight)
        zone_ = kLibZonePlay;
    else if (edges.boxLeft >= 0 && x >= edges.boxLeft && x < edges.boxLeft + kBoxWidth)
        zone_ = kLibZoneBox;
    else if (x >= edges.glyphLeft)
        zone_ = kLibZoneLabel;
}

void CLibTreeView::MakeClicked(TLibRow row) {
    const TLibRow before = page_.ClickedRow();
    page_.SetClickedRow(row);
    if (QTreeWidgetItem* item = CLibraryTab::ItemOfRow(row)) {
        const QSignalBlocker quiet(&tree_);
        tree_.setCurrentItem(item);
    }
    (void)before;
    tree_.viewport()->update();
}

void CLibTreeView::UpdateCursor() {
    const CAppResources* resources = AppResources();
    QWidget* viewport = tree_.viewport();
    if (resources != nullptr && dragging_) {
        viewport->setCursor(resources->Cursor(kCursorDragSong));
    } else if (resources != nullptr && zone_ == kLibZonePlay) {
        viewport->setCursor(resources->Cursor(hot_.node == page_.PlayingNode() ? kCursorStopSong : kCursorPlaySong));
    } else {
        viewport->unsetCursor();
    }
}

void CLibTreeView::CheckClicked(CLibNode* node) {
    if (CUndoMgr* undo = LibraryPartners().undo) undo->NextUndoSet();
    if (node->checked) {
        page_.OnSelect(node, 0, false);
        return;
    }
    page_.checkSelection_.clear();
    page_.OnSelect(node, 1, false);
    if (page_.checkSelection_.size() > kSongsOneByOne && LibraryPartners().addSongsWithProgress) {
        std::vector<std::string> files;
        for (const CLibNode* song : page_.checkSelection_) files.push_back(song->text);
        page_.checkSelection_.clear();
        LibraryPartners().addSongsWithProgress(files);
    } else {
        page_.AddCheckedSongsToSession();
    }
}

void CLibTreeView::OnLeftDown(QPoint at) {
    FindMouseLocation(at);
    if (!hot_) return;
    MakeClicked(hot_);
    CLibNode* node = hot_.node;
    switch (zone_) {
        case kLibZoneGlyph:
            if (auto* item = static_cast<QTreeWidgetItem*>(node->treeItem))
                item->setExpanded(!item->isExpanded());
            else
                SpecialLog("LibListWindowProc|WM_LBUTTONDOWN");
            break;
        case kLibZonePlay:
            page_.OnPlayStop(node);
            break;
        case kLibZoneBox:
            CheckClicked(node);
            break;
        case kLibZoneLabel:
            if (node->kind == kLibNodeRoot || node->kind == kLibNodeTrash || node->kind == kLibNodeUntagged) break;
            source_ = hot_;
            armed_ = true;
            LogFmt("CLibraryTab::WM_LBUTTONDOWN - Ready to drag %s", node->name.c_str());
            break;
        default:
            break;
    }
    tree_.viewport()->update();
}

void CLibTreeView::OnMove(QPoint at, Qt::MouseButtons buttons) {
    if (dragging_ && !(buttons & Qt::LeftButton)) {
        CancelDrag();
        return;
    }
    if (armed_ && (buttons & Qt::LeftButton)) {
        armed_ = false;
        dragging_ = true;
        scrollTimer_.start();
    } else if (armed_) {
        armed_ = false;
    }
    FindMouseLocation(at);
    UpdateCursor();
    if (dragging_) tree_.viewport()->update();
}

void CLibTreeView::CancelDrag() {
    scrollTimer_.stop();
    armed_ = false;
    dragging_ = false;
    UpdateCursor();
    tree_.viewport()->update();
}

void CLibTreeView::AutoScrollStep(QPoint cursor) {
    const QRect area = tree_.viewport()->rect();
    if (!area.contains(cursor)) return;
    QScrollBar* bar = tree_.verticalScrollBar();
    if (cursor.y() < area.top() + kScrollMargin)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (cursor.y() > area.bottom() - kScrollMargin)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void CLibTreeView::OnLeftUp() {
    armed_ = false;
    if (!dragging_) return;
    scrollTimer_.stop();
    dragging_ = false;
    const TLibRow target = hot_;
    UpdateCursor();
    if (target && target.node != source_.node) Drop(target);
    tree_.viewport()->update();
}

void CLibTreeView::OnDoubleClick(QPoint at) {
    FindMouseLocation(at);
    if (!hot_) return;
    CLibNode* node = hot_.node;
    if (node->IsSong()) {
        page_.OnPlayStop(node);
    } else if (zone_ == kLibZoneLabel) {
        if (auto* item = static_cast<QTreeWidgetItem*>(node->treeItem)) item->setExpanded(!item->isExpanded());
    }
}

bool CLibTreeView::eventFilter(QObject* watched, QEvent* event) {
    // Compared by the pointer kept: the tree may be half destroyed here.
    if (watched != viewport_) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                OnLeftDown(mouse->position().toPoint());
                return true;
            }
            if (mouse->button() == Qt::RightButton) {
                if (dragging_) {
                    CancelDrag();
                    swallowMenu_ = true;
                    return true;
                }
                FindMouseLocation(mouse->position().toPoint());
                if (hot_) MakeClicked(hot_);
                return true;
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            OnMove(mouse->position().toPoint(), mouse->buttons());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) OnLeftUp();
            return mouse->button() == Qt::LeftButton;
        }
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) OnDoubleClick(mouse->position().toPoint());
            return true;
        }
        case QEvent::ContextMenu:
            // A right click during a drag only ends the drag.
            if (swallowMenu_) {
                swallowMenu_ = false;
                return true;
            }
            return false;
        default:
            return false;
    }
}

void CLibTreeView::Drop(TLibRow target) {
    CLibNode* source = source_.node;
    CLibNode* onto = target.node;
    // A song row stands for the folder it sits in.
    if (onto->IsSong()) onto = target.genreRow ? onto->genre : onto->parent;
    if (onto == nullptr || onto == source) return;
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (store != nullptr && source->kind == kLibNodeSong) {
        TSVT_Song record{};
        if (!store->GetSong(source->databaseId, &record)) {
            LogFmt("CLibraryTab::WM_LBUTTONUP - Song record not found: %s", source->name.c_str());
            return;
        }
    }
    if (store != nullptr && source->kind == kLibNodeAlbum) {
        TSVT_Album record{};
        if (!store->GetAlbum(source->databaseId, &record)) {
            LogFmt("CLibraryTab::WM_LBUTTONUP - Album record not found: %s", source->name.c_str());
            return;
        }
    }
    if (CUndoMgr* undo = LibraryPartners().undo) undo->NextUndoSet();
    LogFmt("CLibraryTab::WM_LBUTTONUP - Dropping on %s", onto->name.c_str());
    const std::uint32_t to = onto->kind;
    const auto genreNumber = [](const CLibNode* genre) { return std::atoi(genre->text.c_str()); };
    switch (source->kind) {
        case kLibNodeArtist:
            if (to == kLibNodeTrash) page_.ThrowAway(source, true);
            if (to == kLibNodeArtist) page_.ChangeArtistTag(source, onto->name.c_str(), true);
            break;
        case kLibNodeAlbum:
            if (to == kLibNodeTrash) page_.ThrowAway(source, true);
            if (to == kLibNodeArtist) page_.ChangeAlbumTag(source, onto->name.c_str(), nullptr, -1, -1, true);
            if (to == kLibNodeAlbum && onto->parent != nullptr)
                page_.ChangeAlbumTag(source, onto->parent->name.c_str(), onto->name.c_str(), -1, -1, true);
            break;
        case kLibNodeGenre:
            if (to == kLibNodeTrash) {
                const std::vector<CLibNode*> songs = source->children;
                for (CLibNode* song : songs)
                    page_.ChangeSongTag(song, nullptr, nullptr, nullptr, nullptr, -1, kLibNoGenreNumber, true, true);
                page_.RefreshNode(page_.Nodes().Trash());
            }
            if (to == kLibNodeGenre) page_.ChangeGenreTag(source, genreNumber(onto), true);
            break;
        case kLibNodeSong:
            if (to == kLibNodeTrash) page_.ThrowAway(source, true);
            if (to == kLibNodeUntagged) page_.DeleteTag(source, true);
            if (to == kLibNodeArtist) {
                // A move to another artist keeps the album; a second step
                // takes the song up from it to the artist itself.
                page_.ChangeSongParents(source, onto->name.c_str(), "", true, true, true);
                if (source->parent != onto) page_.ChangeSongParents(source, onto->name.c_str(), "", true, true, true);
            }
            if (to == kLibNodeAlbum && onto->parent != nullptr)
                page_.ChangeSongParents(source, onto->parent->name.c_str(), onto->name.c_str(), true, true, true);
            if (to == kLibNodeGenre)
                page_.ChangeSongTag(source, nullptr, nullptr, nullptr, nullptr, -1, genreNumber(onto), true, true);
            break;
        default:
            break;
    }
}
