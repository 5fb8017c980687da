#include "songsmith/session/ui/session_list_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <array>

#include "songsmith/session/ui/add_songs_dialog.h"
#include "songsmith/session/ui/adjust_volume_dialog.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/session/ui/session_pictures.h"
#include "songsmith/session/ui/session_row_delegate.h"
#include "songsmith/session/ui/session_rows_model.h"
#include "utilities/ui/dialog_units.h"

namespace {

constexpr std::array<int, kSessionColumnCount> kDefaultWidths = {25, 190, 50, 40, 75, 60, 60, 50, 40, 65, 50, 840};
// The average width of a letter of the font kDefaultWidths were made for.
constexpr double kTemplateLetterWidth = 5.5;

// A popup menu's item: its text key and the command it hands on.
struct TMenuItem {
    const char* key;
    int command;
};

// On a row.
constexpr std::array<TMenuItem, 11> kRowMenuItems = {{
    {"SesM_Play", 40093},
    {"SesM_Cut", cmd::kCut},
    {"SesM_Copy", cmd::kCopy},
    {"SesM_Paste", cmd::kPaste},
    {"SesM_Remove", cmd::kDelete},
    {"SesM_EditTag", cmd::kTrackEditTag},
    {"SesM_OpenFolder", cmd::kOpenTrackFolder},
    {"SesM_Locate", 40155},
    {"SesM_TrackVolume", cmd::kTrackVolume},
    {"SesM_Links", cmd::kTrackLinks},
    {"SesM_LibDelete", 40156},
}};

// On the empty area below the rows.
constexpr std::array<TMenuItem, 11> kEmptyAreaMenuItems = {{
    {"SesM_Undo", cmd::kUndo},
    {"SesM_Redo", cmd::kRedo},
    {"SesM_Cut", cmd::kCut},
    {"SesM_Copy", cmd::kCopy},
    {"SesM_Paste", cmd::kPaste},
    {"SesM_Delete", cmd::kDelete},
    {"SesM_SelectAll", cmd::kSelectAll},
    {"SesM_CopyTrackInfo", cmd::kCopyTrackInfo},
    {"SesM_RemoveAll", cmd::kRemoveAll},
    {"SesM_Shuffle", cmd::kShuffle},
    {"SesM_Fader", cmd::kFader},
}};

QIcon ButtonIcon(int enabled, int disabled) {
    QIcon icon;
    icon.addPixmap(LoadPaletteBitmap(enabled), QIcon::Normal);
    icon.addPixmap(LoadPaletteBitmap(disabled), QIcon::Disabled);
    return icon;
}

}  // namespace

// The events of the list's viewport and of the list itself, handed to the
// pane.
class CSessionListPane::CEvents final : public QObject {
public:
    CEvents(CSessionListPane& pane, QObject* parent, QObject* list, QObject* viewport)
        : QObject(parent), pane_(pane), list_(list), viewport_(viewport) {}
    // The pane's own window: its controls follow its size.
    QObject* window = nullptr;

protected:
    // Compared by address only: the list may be half destroyed already.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == viewport_) return pane_.OnViewportEvent(event);
        if (watched == list_) return pane_.OnListKey(event);
        if (watched == window && event->type() == QEvent::Resize) pane_.LayOut();
        return false;
    }

private:
    CSessionListPane& pane_;
    QObject* list_;
    QObject* viewport_;
};

CSessionListPane::CSessionListPane() = default;

CSessionListPane::~CSessionListPane() {
    if (binding_.list != nullptr) binding_.list->SetView(nullptr);
    if (receiver_ != nullptr) SetAppWindowReceiver(EAppWindow::kSessionList, kNoReceiver);
    delete receiver_.data();
    delete window_.data();
}

void CSessionListPane::SetMessageHandler(CAppMessageReceiver::THandler handler) {
    delete receiver_.data();
    receiver_ = new CAppMessageReceiver(std::move(handler), window_.data());
    SetAppWindowReceiver(EAppWindow::kSessionList, receiver_->Id());
}

int CSessionListPane::DefaultColumnWidth(int column) const {
    if (column < 0 || column >= kSessionColumnCount) return 0;
    const int templateWidth = kDefaultWidths[static_cast<std::size_t>(column)];
    if (table_ == nullptr) return templateWidth;
    // The widths were made for the template font, whose letters average
    // kTemplateLetterWidth pixels; in the font the list shows, the columns
    // grow by the ratio of the letters' widths, keeping their proportions
    // (and never narrower than made), so what fitted then fits now.
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double letterWidth =
        static_cast<double>(table_->fontMetrics().horizontalAdvance(kLetters)) / static_cast<double>(kLetters.size());
    return std::max(templateWidth, static_cast<int>(std::lround(templateWidth * letterWidth / kTemplateLetterWidth)));
}

bool CSessionListPane::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) {
        window_ = new QWidget(parent);
        window_->setObjectName(QString::number(kDialogId));
        window_->setMinimumSize(kMinWidth, kMinHeight);
        BuildControls();
    }
    // At least as wide as its template.
    Reposition(x, y, std::max(width, kMinWidth), height);
    return true;
}

void CSessionListPane::BuildControls() {
    model_ = new CSessionRowsModel(window_);
    model_->SetMovesStarted([this] { QTimer::singleShot(0, window_, [this] { EndMoves(); }); });
    model_->SetFactsReader([this](int serial, TSessionRowFacts& facts) {
        if (binding_.tracks == nullptr) return false;
        CTrackList& tracks = *binding_.tracks;
        const bool automatic = binding_.prefs != nullptr && binding_.prefs->bTrimSoundsAutomatically != 0;
        const bool playing = binding_.list != nullptr && binding_.list->PlayingSerial() == serial;
        tracks.Lock();
        const int index = tracks.FindBySerial(serial);
        if (index >= 0) facts = SessionRowFacts(*tracks.GetAt(index), automatic, playing);
        tracks.Unlock();
        return index >= 0;
    });

    table_ = new QTableView(window_);
    table_->setObjectName(QString::number(kList));
    table_->setModel(model_);
    table_->setItemDelegate(new CSessionRowDelegate(*model_, [this] { return dragTarget_; }, table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setSortingEnabled(false);
    table_->setDragEnabled(false);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    table_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->viewport()->setMouseTracking(true);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kSessionColumnCount; ++column)
        header->resizeSection(column, DefaultColumnWidth(column));
    // The divider's double-click toggles widths here, not the view's own
    // fit to contents.
    QObject::disconnect(header, &QHeaderView::sectionHandleDoubleClicked, table_, nullptr);
    QObject::connect(header, &QHeaderView::sectionHandleDoubleClicked, table_,
                     [this](int column) { ToggleColumnWidth(column); });
    QObject::connect(header, &QHeaderView::sectionClicked, table_, [this](int column) { OnHeaderClick(column); });
    QObject::connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, table_,
                     [this] { OnUserSelection(); });
    QObject::connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, table_,
                     [this] { OnUserSelection(); });
    QObject::connect(table_, &QWidget::customContextMenuRequested, table_, [this](QPoint point) {
        if (std::unique_ptr<QMenu> menu = MakeContextMenu(point))
            menu->exec(table_->viewport()->mapToGlobal(point));
    });
    events_ = new CEvents(*this, window_, table_, table_->viewport());
    table_->viewport()->installEventFilter(events_);
    table_->installEventFilter(events_);
    events_->window = window_;
    window_->installEventFilter(events_);

    totals_ = new QLabel(window_);
    totals_->setObjectName(QString::number(kTotals));
    totals_->setFrameShape(QFrame::Box);
    totals_->setIndent(5);
    totals_->setAutoFillBackground(true);
    QPalette palette = totals_->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    totals_->setPalette(palette);

    const auto makeButton = [this](int id, int on, int off) {
        auto* button = new QToolButton(window_);
        button->setObjectName(QString::number(id));
        const QSize size = LoadProgramBitmap(on).size();
        button->setIcon(ButtonIcon(on, off));
        button->setIconSize(size);
        button->setFixedSize(size + QSize(4, 4));
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setEnabled(false);
        QObject::connect(button, &QToolButton::clicked, window_, [this, id] {
            if (binding_.list != nullptr) binding_.list->OnButton(id);
        });
        return button;
    };
    up_ = makeButton(kMoveUp, kPictureMoveUp, kPictureMoveUpOff);
    down_ = makeButton(kMoveDown, kPictureMoveDown, kPictureMoveDownOff);
    delete_ = makeButton(kDelete, kPictureDeleteTrack, kPictureDeleteTrackOff);
    delete_->setText(ProgString("Ses_DelButton"));
    delete_->setToolTip(delete_->text());

    strip_ = new QLabel(ProgString("Step2"), window_);
    strip_->setObjectName(QString::number(kTitleStrip));
    strip_->setIndent(4);
    strip_->setAutoFillBackground(true);
    QPalette stripPalette = strip_->palette();
    stripPalette.setColor(QPalette::Window, QColor(0x30, 0x50, 0x90));
    stripPalette.setColor(QPalette::WindowText, Qt::white);
    strip_->setPalette(stripPalette);
    QFont stripFont = strip_->font();
    stripFont.setBold(true);
    stripFont.setPixelSize(kTitleStripHeight - 3);
    strip_->setFont(stripFont);

    scrollTimer_ = new QTimer(window_);
    scrollTimer_->setObjectName(QString::number(kScrollTimerId));
    scrollTimer_->setInterval(kScrollTimerMs);
    QObject::connect(scrollTimer_, &QTimer::timeout, window_, [this] { DragScrollStep(); });
}

void CSessionListPane::Reposition(int x, int y, int width, int height) {
    if (window_ == nullptr) return;
    window_->setGeometry(x, y, width, height);
    LayOut();
}

void CSessionListPane::LayOut() {
    if (window_ == nullptr || table_ == nullptr) return;
    const int width = window_->width();
    const int height = window_->height();
    // In dialog units: a margin of 2, a button column of 26, a totals box
    // of 12 high.
    const QRect margin = MapDialogRect(0, 0, 2, 2);
    const int gap = margin.width();
    const int buttonColumn = MapDialogRect(0, 0, 26, 0).width();
    const int totalsHeight = MapDialogRect(0, 0, 0, 12).height();
    strip_->setGeometry(0, 0, width, kTitleStripHeight);
    const int top = kTitleStripHeight + gap;
    const int listWidth = std::max(width - buttonColumn - 2 * gap, 0);
    const int listHeight = std::max(height - top - totalsHeight - 2 * gap, 0);
    table_->setGeometry(gap, top, listWidth, listHeight);
    totals_->setGeometry(gap, top + listHeight + gap, listWidth, totalsHeight);
    const int buttonsLeft = gap + listWidth + gap;
    int buttonTop = top;
    for (QToolButton* button : {up_, down_, delete_}) {
        button->move(buttonsLeft + (buttonColumn - button->width()) / 2, buttonTop);
        buttonTop += button->height() + gap;
    }
    totals_->update();
}

void CSessionListPane::SetTitleText(const QString& text) {
    if (strip_ != nullptr) strip_->setText(text);
}

void CSessionListPane::Bind(TSessionPaneBinding binding) {
    if (binding_.list != nullptr && binding_.list != binding.list) binding_.list->SetView(nullptr);
    binding_ = std::move(binding);
    if (model_ != nullptr) model_->DeleteAll();
    if (binding_.list != nullptr) {
        binding_.list->SetView(this);
        binding_.list->RebuildRows();
        binding_.list->UpdateTotals(false);
    }
}

bool CSessionListPane::AdjustTrackVolume(int serial) {
    if (binding_.list == nullptr || binding_.tracks == nullptr || binding_.undo == nullptr) return false;
    CAdjustVolumeDlg dialog(*binding_.tracks, *binding_.undo, *binding_.list, binding_.refreshGain);
    return dialog.DoModal(window_, serial);
}

void CSessionListPane::ToggleColumnWidth(int column) {
    if (column < 0 || column >= kSessionColumnCount) return;
    QHeaderView* header = table_->horizontalHeader();
    // The width the column's widest text needs, one average character in
    // on both sides.
    const QFontMetrics metrics(table_->font());
    int fitting = header->sectionSizeHint(column);
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QString text = model_->data(model_->index(row, column), Qt::DisplayRole).toString();
        fitting = std::max(fitting, metrics.horizontalAdvance(text) + 2 * metrics.averageCharWidth() +
                                        (column == kColumnNumber ? CSessionRowDelegate::kNumberOffset : 0));
    }
    const int current = header->sectionSize(column);
    header->resizeSection(column, current == DefaultColumnWidth(column) ? fitting : DefaultColumnWidth(column));
}

void CSessionListPane::OnHeaderClick(int column) {
    if (binding_.list == nullptr) return;
    binding_.list->SortByColumn(column, true);
}

void CSessionListPane::EndMoves() {
    if (!model_->Moving()) return;
    showing_ = true;
    model_->EndMoves();
    QItemSelection selected;
    QItemSelection deselected;
    for (const auto& [serial, on] : movedSelections_) {
        for (int row = 0; row < model_->rowCount(); ++row) {
            if (model_->SerialAt(row) != serial) continue;
            (on ? selected : deselected).select(model_->index(row, 0), model_->index(row, kSessionColumnCount - 1));
            break;
        }
    }
    movedSelections_.clear();
    table_->selectionModel()->select(deselected, QItemSelectionModel::Deselect);
    table_->selectionModel()->select(selected, QItemSelectionModel::Select);
    showing_ = false;
}

void CSessionListPane::OnUserSelection() {
    if (showing_ || binding_.list == nullptr || model_->Moving()) return;
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.push_back(index.row());
    const QModelIndex current = table_->selectionModel()->currentIndex();
    binding_.list->TakeUserSelection(rows, current.isValid() ? current.row() : -1);
}

int CSessionListPane::PartAt(QPoint point, int& row) const {
    row = table_->rowAt(point.y());
    if (row < 0) return 0;
    const int x = point.x() + table_->horizontalScrollBar()->value();
    if (x >= 0 && x <= CSessionRowDelegate::kPlayIconSpan) return 2;
    if (table_->columnAt(point.x()) == kColumnLink) return 3;
    return 0;
}

void CSessionListPane::UpdateCursor(QPoint point) {
    const CAppResources* resources = AppResources();
    QWidget* viewport = table_->viewport();
    if (resources == nullptr) return;
    if (dragging_) {
        viewport->setCursor(resources->Cursor(kCursorDragSong));
        return;
    }
    int row = -1;
    switch (PartAt(point, row)) {
        case 2:
            viewport->setCursor(resources->Cursor(kCursorPlaySong));
            break;
        case 3:
            viewport->setCursor(resources->Cursor(kCursorLink));
            break;
        default:
            viewport->unsetCursor();
            break;
    }
}

bool CSessionListPane::OnViewportEvent(QEvent* event) {
    if (binding_.list == nullptr) return false;
    // The user acts on the rows as they stand now.
    if (dynamic_cast<QInputEvent*>(event) != nullptr) EndMoves();
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            const QPoint point = mouse->position().toPoint();
            int row = -1;
            const int part = PartAt(point, row);
            pressRow_ = -1;
            if (part == 2) {
                binding_.list->OnPlayClick(row);
                return true;
            }
            if (part == 3) {
                binding_.list->OpenTrackLink(model_->SerialAt(row));
                return true;
            }
            pressRow_ = row;
            pressPoint_ = point;
            return false;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint point = mouse->position().toPoint();
            if (dragging_) {
                MoveDrag(point);
                return true;
            }
            if ((mouse->buttons() & Qt::LeftButton) != 0 && pressRow_ >= 0 &&
                (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
                StartDrag(pressRow_);
                MoveDrag(point);
                return true;
            }
            UpdateCursor(point);
            // No rubber-band selection: a press and move drags the row.
            return (mouse->buttons() & Qt::LeftButton) != 0;
        }
        case QEvent::MouseButtonRelease:
            pressRow_ = -1;
            if (dragging_) {
                EndDrag();
                return true;
            }
            return false;
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const int row = table_->rowAt(mouse->position().toPoint().y());
            if (mouse->button() == Qt::LeftButton && row >= 0) binding_.list->OnPlayClick(row);
            return true;
        }
        default:
            return false;
    }
}

bool CSessionListPane::OnListKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress || binding_.list == nullptr) return false;
    EndMoves();
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete) return false;
    binding_.list->DeleteSelected();
    return true;
}

void CSessionListPane::StartDrag(int row) {
    dragging_ = true;
    dragTarget_ = -1;
    binding_.list->BeginDrag(row);
    table_->viewport()->grabMouse();
    UpdateCursor({});
    scrollTimer_->start();
}

void CSessionListPane::MoveDrag(QPoint point) {
    dragPoint_ = point;
    const int rows = model_->rowCount();
    int target = table_->rowAt(point.y());
    if (target < 0) {
        // Below the last row: after it; above the first: nowhere.
        const int lastBottom = rows > 0 ? table_->visualRect(model_->index(rows - 1, 0)).bottom() : -1;
        target = point.y() > lastBottom && point.y() >= 0 ? rows : -1;
    }
    if (target != dragTarget_) {
        dragTarget_ = target;
        table_->viewport()->update();
    }
}

void CSessionListPane::DragScrollStep() {
    if (!dragging_) return;
    const int rowHeight = table_->verticalHeader()->defaultSectionSize();
    const int height = table_->viewport()->height();
    QScrollBar* bar = table_->verticalScrollBar();
    if (dragPoint_.y() > height - 3 * rowHeight)
        bar->setValue(bar->value() + 1);
    else if (dragPoint_.y() < 2 * rowHeight)
        bar->setValue(bar->value() - 1);
    MoveDrag(dragPoint_);
}

void CSessionListPane::EndDrag() {
    scrollTimer_->stop();
    table_->viewport()->releaseMouse();
    dragging_ = false;
    const int target = dragTarget_;
    dragTarget_ = -1;
    table_->viewport()->unsetCursor();
    binding_.list->DropDrag(target);
    table_->viewport()->update();
}

std::unique_ptr<QMenu> CSessionListPane::MakeContextMenu(QPoint point) {
    EndMoves();
    const bool onRow = table_->rowAt(point.y()) >= 0;
    auto menu = std::make_unique<QMenu>(table_);
    menu->setObjectName(QString::number(onRow ? kRowMenu : kEmptyAreaMenu));
    const auto add = [this, &menu](const TMenuItem& item) {
        QAction* action = menu->addAction(ProgString(item.key));
        action->setData(item.command);
        const int command = item.command;
        QObject::connect(action, &QAction::triggered, menu.get(), [this, command] {
            if (binding_.command) binding_.command(command);
        });
    };
    if (onRow)
        for (const TMenuItem& item : kRowMenuItems) add(item);
    else
        for (const TMenuItem& item : kEmptyAreaMenuItems) add(item);
    return menu;
}

bool CSessionListPane::InsertRow(int row, int serial) {
    EndMoves();
    model_->InsertRow(row, serial);
    return true;
}

void CSessionListPane::DeleteRow(int row) {
    EndMoves();
    showing_ = true;
    model_->DeleteRow(row);
    showing_ = false;
}

void CSessionListPane::DeleteAllRows() {
    EndMoves();
    movedSelections_.clear();
    showing_ = true;
    model_->DeleteAll();
    showing_ = false;
}

void CSessionListPane::MoveRow(int from, int to) {
    showing_ = true;
    model_->MoveRow(from, to);
    showing_ = false;
}

void CSessionListPane::RedrawRows(int first, int last) {
    model_->Redraw(first, last);
}

void CSessionListPane::EnsureVisible(int row) {
    EndMoves();
    if (row >= 0 && row < model_->rowCount()) table_->scrollTo(model_->index(row, 0));
}

void CSessionListPane::ShowSelected(int row, bool selected) {
    if (row < 0 || row >= model_->rowCount()) return;
    if (model_->Moving()) {
        movedSelections_.emplace_back(model_->SerialAt(row), selected);
        return;
    }
    showing_ = true;
    table_->selectionModel()->select(model_->index(row, 0), (selected ? QItemSelectionModel::Select
                                                                      : QItemSelectionModel::Deselect) |
                                                                QItemSelectionModel::Rows);
    showing_ = false;
}

void CSessionListPane::ShowFocus(int row) {
    EndMoves();
    showing_ = true;
    if (row >= 0 && row < model_->rowCount())
        table_->selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
    else
        table_->selectionModel()->clearCurrentIndex();
    showing_ = false;
    table_->setFocus();
}

void CSessionListPane::ShowButtons(bool enabled) {
    for (QToolButton* button : {up_, down_, delete_}) button->setEnabled(enabled);
}

void CSessionListPane::ShowTotals(const std::string& text, bool redrawRows) {
    totals_->setText(QString::fromStdString(text));
    if (redrawRows) table_->viewport()->update();
}

void CSessionListPane::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void CSessionListPane::ShowWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

int CSessionListPane::RunAddSongsDialog(bool libraryWording) {
    if (binding_.list == nullptr) return 0;
    CAddSongsDlg dialog(*binding_.list);
    return dialog.DoModal(window_, libraryWording);
}
