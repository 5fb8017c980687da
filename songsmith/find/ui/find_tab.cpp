#include "songsmith/find/ui/find_tab.h"

#include <strings.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <iterator>

#include "filekit/log.h"
#include "songsmith/find/ui/advanced_find_dlg.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_links.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/event_hook.h"
#include "songsmith/find/ui/find_list_view.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/drawing/ui/kept_picture_scroll_bar.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "songvault/query.h"
#include "songvault/songvault.h"

namespace {

constexpr int kMargin = 7;
constexpr int kGap = 6;
constexpr int kTextHeight = 20;

// The Find button's two images: a magnifying glass, and a stop square.
QIcon FindImage(int image) {
    QImage picture(40, 36, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (image == kFindStopImage) {
        painter.setBrush(QColor(200, 30, 30));
        painter.setPen(QPen(QColor(120, 0, 0), 2));
        painter.drawRoundedRect(QRectF(9, 7, 22, 22), 3, 3);
    } else {
        painter.setPen(QPen(QColor(30, 60, 160), 3));
        painter.setBrush(QColor(220, 235, 255));
        painter.drawEllipse(QRectF(8, 4, 18, 18));
        painter.setPen(QPen(QColor(60, 60, 60), 5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(24, 20), QPointF(33, 30));
    }
    return QIcon(QPixmap::fromImage(picture));
}

bool IsEnterKey(const QEvent* event) {
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// The six text conditions an imported song is matched by: any of them.
constexpr const char* kTextColumns[] = {"Title", "Album", "Artist", "TrackName", "FilePath", "Comment"};

}  // namespace

CFindTab::CFindTab(CPreferences* prefs)
    : scratchPrefs_(prefs == nullptr ? std::make_unique<CPreferences>() : nullptr),
      prefs_(prefs != nullptr ? prefs : scratchPrefs_.get()),
      search_([this](TAppMessage message) { return PostAppMessage(ReceiverId(), std::move(message)); }),
      model_(std::make_unique<CFoundRowsModel>()) {
    measured_.assign(kFindColumnCount, 0);
}

CFindTab::~CFindTab() {
    SetAppWindowReceiver(EAppWindow::kFindTab, kNoReceiver);
    KillSearchThread();
    KillImportThread();
    Lock();
    Unlock();
    delete window_.data();
}

TReceiverId CFindTab::ReceiverId() const {
    // The workers read it: set once before they start, never changed.
    return receiver_ != nullptr ? receiver_->Id() : kNoReceiver;
}

bool CFindTab::Create(QWidget* parent, int x, int y, int width, int height) {
    Log("CFindTab::Create - Creating super class");
    if (!CreatePage(parent, [this](QWidget* owner) { return BuildWindow(owner); }, x, y, width, height))
        return false;
    SetAppWindowReceiver(EAppWindow::kFindTab, receiver_->Id());
    return true;
}

QWidget* CFindTab::BuildWindow(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->resize(kTemplateWidth, kTemplateHeight);
    page->setAutoFillBackground(true);
    strip_ = MakePageStrip(page, ProgString("FindTab_Title"), kTemplateWidth);

    const int top = strip_->height() + kGap;
    find_ = new QPushButton(page);
    find_->setObjectName(QString::number(kFindButtonId));
    find_->setGeometry(kMargin, top, kFindButtonWidth, kFindButtonHeight);
    find_->setIconSize(QSize(40, 36));
    find_->setToolTip(ProgString("Find"));
    find_->setAccessibleName(ProgString("Find"));
    SetFindImage(kFindImage);
    QObject::connect(find_, &QPushButton::clicked, page, [this] { OnCommand(kFindButtonId); });

    const int textLeft = kMargin + kFindButtonWidth + kGap;
    const int textWidth = kTemplateWidth - textLeft - kMargin;
    label_ = new QLabel(ProgString("Search For"), page);
    label_->setObjectName(QString::number(kFindLabelId));
    label_->setGeometry(textLeft, top, textWidth, kTextHeight);
    edit_ = new QLineEdit(page);
    edit_->setObjectName(QString::number(kFindEditId));
    edit_->setMaxLength(kSearchTextMax - 1);
    edit_->setText(QString::fromUtf8(prefs_->lastSearchCriteria));
    edit_->setGeometry(textLeft, top + kTextHeight + 2, textWidth, kTextHeight + 4);
    // Enter starts a search on key down; the key goes no further.
    new CEventHook(edit_, [this](QEvent* event) {
        if (event->type() != QEvent::KeyPress || !IsEnterKey(event)) return false;
        OnCommand(kFindButtonId);
        return true;
    });

    importBox_ = new QCheckBox(ProgString("FindImport"), page);
    importBox_->setObjectName(QString::number(kFindImportBoxId));
    importBox_->setChecked(prefs_->importAfterSearch != 0);
    const int boxTop = top + kFindButtonHeight + kGap;
    importBox_->setGeometry(kMargin, boxTop, kTemplateWidth - 2 * kMargin, kTextHeight);
    status_ = new QLabel(page);
    status_->setObjectName(QString::number(kFindStatusId));
    status_->setGeometry(kMargin, boxTop + kTextHeight + 2, kTemplateWidth - 2 * kMargin, kTextHeight);

    list_ = new QTableView(page);
    list_->setObjectName(QString::number(kFindListId));
    list_->setModel(model_.get());
    // The list's scroll bars are drawn again at every key, mostly as one of
    // a few looks they had before.
    list_->setVerticalScrollBar(new CKeptPictureScrollBar(Qt::Vertical, list_));
    list_->setHorizontalScrollBar(new CKeptPictureScrollBar(Qt::Horizontal, list_));
    // Added rows are laid out at once (after the list's own handling of
    // them), so that the drawing that follows is the only one: left to the
    // list's deferred layout they would be drawn again a moment later.
    QObject::connect(model_.get(), &QAbstractItemModel::rowsInserted, list_, [this] { LayOutListNow(); });
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->setTextElideMode(Qt::ElideRight);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(QFontMetrics(list_->font()).height() + 4);
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < kFindColumnCount; ++column)
        list_->setColumnWidth(column, FindColumn(column).width);
    // A double click on a divider puts the column back to its first width.
    QObject::connect(list_->horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, page,
                     [this](int column) { list_->setColumnWidth(column, FindColumn(column).width); });
    // Enter in the list starts a search on key up.
    new CEventHook(list_, [this](QEvent* event) {
        if (event->type() == QEvent::KeyRelease && IsEnterKey(event)) {
            OnCommand(kFindButtonId);
            return true;
        }
        return false;
    });
    // The rows are drawn and clicked as the page's own.
    new CFindListView(*this, *list_);
    const int listTop = status_->y() + kTextHeight + kGap;
    list_->setGeometry(kMargin, listTop, kTemplateWidth - 14, kTemplateHeight - listTop - 14);

    // While a new search waits for its first page the list is not drawn
    // (see HoldList); this ends the wait when the page takes long.
    listHoldTimer_ = new QTimer(page);
    listHoldTimer_->setSingleShot(true);
    listHoldTimer_->setInterval(kListHoldMs);
    QObject::connect(listHoldTimer_, &QTimer::timeout, page, [this] { ReleaseList(); });

    statusTimer_ = new QTimer(page);
    statusTimer_->setInterval(kFindStatusPeriodMs);
    QObject::connect(statusTimer_, &QTimer::timeout, page, [this] { ShowStatusTick(); });

    new CEventHook(page, [this, page](QEvent* event) {
        if (event->type() == QEvent::Resize) LayOutControls(page->width(), page->height());
        return false;
    });
    receiver_ = new CAppMessageReceiver([this](TAppMessage& message) { return OnMessage(message); }, page);
    return page;
}

void CFindTab::SetFindImage(int image) {
    if (find_ == nullptr) return;
    // Drawn with the rest of the window at the event loop's next turn: a
    // repaint here would draw every other waiting change of the window too,
    // in the middle of starting or ending a search. Each image is made once.
    QIcon& icon = findImages_[image == kFindStopImage ? 1 : 0];
    if (icon.isNull()) icon = FindImage(image);
    find_->setIcon(icon);
    find_->setProperty("image", image);
}

void CFindTab::Reposition(int x, int y, int width, int height) {
    CTabPage::Reposition(x, y, width, height);
    LayOutControls(width, height);
}

void CFindTab::LayOutControls(int width, int height) {
    if (list_ == nullptr) return;
    list_->resize(std::max(0, width - 14), std::max(0, height - list_->y() - 14));
    strip_->resize(width, strip_->height());
    status_->resize(std::max(0, width - 2 * kMargin), status_->height());
    importBox_->resize(std::max(0, width - 2 * kMargin), importBox_->height());
    edit_->resize(std::max(0, width - edit_->x() - kMargin), edit_->height());
}

SVTENG_CSongvault* CFindTab::Store() const {
    return partners.store != nullptr ? partners.store : LibraryPartners().store;
}

bool CFindTab::IsSearching() const {
    auto* self = const_cast<CFindTab*>(this);
    self->Lock();
    const bool searching = searching_;
    self->Unlock();
    return searching;
}

void CFindTab::KillSearchThread() { search_.KillSearchThread(); }

void CFindTab::KillImportThread() { search_.KillImportThread(); }

int CFindTab::GetSongCount() const { return static_cast<int>(model_->Rows().size()); }

std::intptr_t CFindTab::OnCommand(int id) {
    switch (id) {
        case kFindButtonId:
        case cmd::kStartSearch:
            OnFindButton();
            return 1;
        case kAdvancedFindCommand:
            OnAdvancedFind();
            return 1;
        default:
            return OnListCommand(id);
    }
}

void CFindTab::OnFindButton() {
    if (IsSearching()) {
        Log("CFindTab::WM_COMMAND|IDC_FIND - Stopping search");
        CWaitCursor wait;
        // The list stays as it is: rows the workers posted but the page has
        // not listed yet are passed over, so a stop costs no more drawing.
        StopListing();
        // A running worker posts its own cancelled end.
        if (search_.SearchRunning()) {
            search_.KillSearchThread();
        } else {
            PostToSelf(WM_FIND_FINISHED, 1);
        }
        return;
    }
    Log("CFindTab::WM_COMMAND|IDC_FIND - Starting search");
    Lock();
    searching_ = true;
    Unlock();
    OnSearch();
}

void CFindTab::PostToSelf(std::uint32_t number, std::uintptr_t wParam) {
    PostAppMessage(ReceiverId(),
                   TAppMessage{number, wParam, static_cast<std::intptr_t>(search_.Generation()), nullptr});
}

void CFindTab::OnAdvancedFind() {
    // A new search starts only while none runs.
    if (IsSearching()) return;
    CAdvancedFindDlg dialog(advancedState_, [this](const MvList<MDB_Query*>* conditions) {
        SVTENG_CSongvault* store = Store();
        return store != nullptr ? store->GetSongCount(conditions) : 0;
    });
    if (dialog.DoModal(Window()) != 1) return;
    // Without a condition no song is asked for: there is nothing to search.
    if (dialog.Conditions().Empty()) return;
    Log("CFindTab::WM_COMMAND|IDC_ADVFIND - Getting query list of songs that match");
    Lock();
    searching_ = true;
    Unlock();
    OnSearch(dialog.Conditions());
}

void CFindTab::OnSearch(CQueryList query) {
    CWaitCursor wait;
    statusKey_ = "Searching";
    // A text search empties the field query; a field query is kept for the
    // worker and for matching the songs an import finds.
    storedQuery_ = std::move(query);

    searchText_ = edit_->text().toUtf8().toStdString();
    // Keys typed from now on are the user's next words (see EndSearch).
    edit_->setModified(false);
    if (searchText_.size() >= sizeof prefs_->lastSearchCriteria) {
        // Cut on a character boundary.
        std::size_t cut = sizeof prefs_->lastSearchCriteria - 1;
        while (cut > 0 && (static_cast<unsigned char>(searchText_[cut]) & 0xC0) == 0x80) --cut;
        searchText_.resize(cut);
    }
    std::snprintf(prefs_->lastSearchCriteria, sizeof prefs_->lastSearchCriteria, "%s", searchText_.c_str());
    LogFmt("CFindTab::_OnSearch - Starting search for criteria '%s'", searchText_.c_str());
    prefs_->importAfterSearch = importBox_->isChecked() ? 1 : 0;

    Log("CFindTab::_OnSearch - Verifying _searchThreadHandle is NULL");
    // The first message of the search brings as many rows as the list shows.
    search_.SetFirstPageRows(VisibleRows());
    // The page is made ready for the new result while the store searches:
    // the rows the worker posts are handled only once this has returned.
    const bool started = search_.StartSearch(Store(), searchText_, storedQuery_, [this] {
        SetFindImage(kFindStopImage);
        ShowPlaceholder(false);
        HoldList();
        ClearResults();
        listing_ = true;
        edit_->setEnabled(false);
        statusDots_ = 0;
        ShowStatusTick();
        statusTimer_->start();
    });
    // Nothing will end a search that did not start: it ends here, as stopped.
    if (!started) OnFindFinished(true);
}

void CFindTab::HoldList() {
    // The emptied list is not drawn while the new result's first page is on
    // its way (milliseconds): it is drawn once, with that page, rather than
    // empty first and then again. A page that takes longer than kListHoldMs
    // shows the emptied list meanwhile.
    if (list_ == nullptr || !list_->viewport()->updatesEnabled()) return;
    // The rows and the scroll bar beside them; the header and the frame
    // keep their look.
    list_->viewport()->setUpdatesEnabled(false);
    list_->verticalScrollBar()->setUpdatesEnabled(false);
    // A shown scroll bar stays until the search ends: hidden when the list
    // is emptied or holds a first page that fits, and shown again as more
    // rows come, it would lay out and draw the whole list twice a key.
    if (!holdingScrollBar_ && list_->verticalScrollBar()->isVisible()) {
        holdingScrollBar_ = true;
        list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    listHoldTimer_->start();
}

void CFindTab::ReleaseList() {
    if (list_ == nullptr || list_->viewport()->updatesEnabled()) return;
    listHoldTimer_->stop();
    // Enabling the updates draws the rows and the scroll bar.
    list_->viewport()->setUpdatesEnabled(true);
    list_->verticalScrollBar()->setUpdatesEnabled(true);
}

void CFindTab::LetScrollBarGo() {
    if (list_ == nullptr || !holdingScrollBar_) return;
    holdingScrollBar_ = false;
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int CFindTab::VisibleRows() const {
    const int rowHeight = std::max(1, list_->verticalHeader()->defaultSectionSize());
    // A row cut by the bottom edge is seen too.
    return (list_->viewport()->height() + rowHeight - 1) / rowHeight;
}

void CFindTab::ClearResults() {
    Lock();
    model_->Clear();
    arrived_.clear();
    foundCount_ = 0;
    std::fill(measured_.begin(), measured_.end(), 0);
    Unlock();
    // The emptied list is laid out now, while the search runs: left to the
    // view's own deferred layout it would lay out and paint the whole list
    // again just after the new result's first page.
    if (list_ != nullptr) LayOutListNow();
}

void CFindTab::LayOutListNow() {
    list_->doItemsLayout();
    // A scroll bar that came or went re-lays out the list's frame: done now
    // too, not at a later turn of the event loop that would draw the whole
    // list and both scroll bars once more.
    QCoreApplication::sendPostedEvents(list_, QEvent::LayoutRequest);
}

std::intptr_t CFindTab::OnMessage(TAppMessage& message) {
    switch (message.number) {
        case WM_FIND_FOUNDSONG:
            if (static_cast<std::uint32_t>(message.lParam) == search_.Generation()) QueueFoundSong(message);
            return 0;
        case WM_FIND_UPDATECOUNT:
            if (!IsSearching()) ShowCount();
            return 0;
        case WM_FIND_FINISHED:
            if (static_cast<std::uint32_t>(message.lParam) == search_.Generation())
                OnFindFinished(message.wParam == 1);
            return 0;
        case WM_IMPORT_FINISHED:
            OnImportFinished();
            return 0;
        case WM_PLAYSTATE_CHANGED:
            OnPlayStateChanged(message);
            return 0;
        case WM_COMMAND:
            return OnCommand(static_cast<int>(message.wParam));
        default:
            return 0;
    }
}

void CFindTab::StopListing() {
    listing_ = false;
    search_.RowsHandled(static_cast<int>(arrived_.size()));
    arrived_.clear();
}

void CFindTab::QueueFoundSong(TAppMessage& message) {
    TFoundSongs* found = message.PayloadAs<TFoundSongs>();
    if (found == nullptr || found->empty()) return;
    if (!listing_) {
        search_.RowsHandled(static_cast<int>(found->size()));
        return;
    }
    if (arrived_.empty()) {
        arrived_ = std::move(*found);
    } else {
        arrived_.insert(arrived_.end(), std::make_move_iterator(found->begin()),
                        std::make_move_iterator(found->end()));
    }
    if (flushQueued_) return;
    // The rows that arrive in one pass of the event loop go in as one insert.
    flushQueued_ = true;
    QMetaObject::invokeMethod(receiver_, [this] { FlushFoundSongs(); }, Qt::QueuedConnection);
}

bool CFindTab::MakeFoundRow(TFoundSong& found, TFoundRow& row) {
    // A file that does not load is not listed.
    if (!found.loaded) return false;
    row.entry = found.entry;
    row.date = static_cast<std::time_t>(found.record.createDate);
    row.unusable = row.entry.size < kSmallestUsableSong;
    row.inSession = partners.inSession && partners.inSession(row.entry.path);
    return true;
}

void CFindTab::FlushFoundSongs() {
    flushQueued_ = false;
    if (arrived_.empty()) return;
    const int handled = static_cast<int>(arrived_.size());
    std::vector<TFoundRow> rows;
    rows.reserve(arrived_.size());
    std::string playing;
    const bool havePlaying = partners.currentSongPath && partners.currentSongPath(playing);
    const CTextWidths& textWidths = TextWidthsOf(list_->font());
    const int padding = QFontMetrics(list_->font()).averageCharWidth() * 2;
    Lock();
    for (TFoundSong& found : arrived_) {
        TFoundRow& row = rows.emplace_back();
        if (!MakeFoundRow(found, row)) {
            rows.pop_back();
            continue;
        }
        ++foundCount_;
        row.index = static_cast<int>(model_->Rows().size() + rows.size() - 1);
        if (havePlaying && strcasecmp(playing.c_str(), row.entry.path) == 0) model_->SetPlayingSerial(row.entry.serial);
        // The columns' widest texts, measured as the rows arrive.
        for (int column = 1; column < kFindColumnCount; ++column)
            measured_[column] = std::max(measured_[column], textWidths.Width(FindColumnText(row, column)) + padding);
    }
    arrived_.clear();
    Unlock();
    if (!rows.empty() && model_->Placeholder()) ShowPlaceholder(false);
    ReleaseList();
    // The columns are widened before the rows go in, so the rows are laid
    // out and painted once.
    WidenColumns();
    model_->Append(std::move(rows));
    search_.RowsHandled(handled);
    if (!IsSearching()) ShowCount();
}

const CTextWidths& CFindTab::TextWidthsOf(const QFont& font) const {
    if (!textWidths_ || textWidths_->Font() != font) textWidths_.emplace(font);
    return *textWidths_;
}

void CFindTab::WidenColumns() {
    // A column too narrow for its widest text grows, up to its measured
    // width of the column table; the user's own widths are kept otherwise.
    for (int column = 1; column < kFindColumnCount; ++column) {
        const int wanted = std::min(measured_[column], FindColumn(column).measured);
        if (list_->columnWidth(column) < wanted) list_->setColumnWidth(column, wanted);
    }
}

void CFindTab::ShowPlaceholder(bool on) {
    model_->SetPlaceholder(on);
    // Clearing the spans repaints the whole list: only done when the
    // placeholder rows come or go, not at every end of a search.
    if (on == (list_->columnSpan(0, 0) > 1)) return;
    list_->clearSpans();
    // Each placeholder text runs across the first two columns.
    if (on)
        for (int row = 0; row < kFindPlaceholderRows; ++row) list_->setSpan(row, 0, 1, 2);
}

void CFindTab::OnFindFinished(bool cancelled) {
    Log("CFindTab::WM_FIND_FINISHED - Start");
    if (!IsSearching()) return;
    ReleaseList();
    // The rows posted before the end are listed before it is shown.
    if (!cancelled && !arrived_.empty()) FlushFoundSongs();
    if (cancelled) {
        // A stop ends the list where it is: the rows still on their way are
        // not listed (they were found after the last rows the page showed).
        StopListing();
        Log("CFindTab::WM_FIND_FINISHED - Search was cancelled.");
        Log("CFindTab::WM_FIND_FINISHED - Killing internal import thread");
        search_.KillImportThread();
        if (libraryImportStarted_ && partners.libraryImporting && partners.libraryImporting()) {
            Log("CFindTab::WM_FIND_FINISHED - Killing library import thread");
            if (SVTENG_CSongvault* store = Store()) store->SetImporting(false);
            if (partners.stopLibraryImport) partners.stopLibraryImport();
        }
        libraryImportStarted_ = false;
        EndSearch();
        return;
    }
    if (prefs_->importAfterSearch == 0 || !partners.startLibraryImport) {
        Log("CFindTab::WM_FIND_FINISHED - Search finished, no import requested");
        EndSearch();
        return;
    }
    Log("CFindTab::WM_FIND_FINISHED - Search finished, requesting import now");
    // The walk for new songs can take long: the search box takes keys
    // meanwhile (Enter or the Find button stop the search, as always).
    edit_->setEnabled(true);
    if (QApplication::activeWindow() == edit_->window()) edit_->setFocus();
    statusKey_ = "SearchingImport";
    ShowStatusTick();
    if (foundCount_ == 0) ShowPlaceholder(true);
    const bool libraryImporting = partners.libraryImporting && partners.libraryImporting();
    if (libraryImporting) {
        Log("CFindTab::WM_FIND_FINISHED - Library import already in progress");
        libraryImportStarted_ = false;
        if (!search_.ImportFeedRunning()) {
            Log("CFindTab::WM_FIND_FINISHED - Internal import thread not running, starting it");
            if (!search_.StartImportFeed()) return OnFindFinished(true);
        }
        return;
    }
    Log("CFindTab::WM_FIND_FINISHED - Starting library import");
    if (!search_.StartImportFeed()) return OnFindFinished(true);
    libraryImportStarted_ = true;
    partners.startLibraryImport();
}

void CFindTab::OnImportFinished() {
    if (!IsSearching()) return;
    // What the import found before it ended still reaches the list: the feed
    // posts what it holds and ends, and the search ends once the page has
    // handled those rows (they are queued ahead of the end).
    search_.FinishImportFeed();
    libraryImportStarted_ = false;
    const std::uint32_t generation = search_.Generation();
    QMetaObject::invokeMethod(
        receiver_,
        [this, generation] {
            // A stop or a new search may have come in between.
            if (!IsSearching() || generation != search_.Generation()) return;
            if (!arrived_.empty()) FlushFoundSongs();
            EndSearch();
        },
        Qt::QueuedConnection);
}

void CFindTab::EndSearch() {
    ReleaseList();
    LetScrollBarGo();
    ShowPlaceholder(false);
    ShowCount();
    SetFindImage(kFindImage);
    edit_->setEnabled(true);
    if (QApplication::activeWindow() == edit_->window()) edit_->setFocus();
    // The searched text is selected, so that typing replaces it; text typed
    // while the search looked for new songs is kept as it is, the cursor
    // where the user left it.
    if (!edit_->isModified()) edit_->selectAll();
    statusTimer_->stop();
    Lock();
    searching_ = false;
    Unlock();
}

void CFindTab::ShowCount() {
    if (status_ == nullptr) return;
    const int count = GetSongCount();
    if (count == 0) {
        status_->setText(ProgString("FoundNone"));
    } else if (count == 1) {
        status_->setText(ProgString("FoundOne"));
    } else {
        status_->setText(QString::fromStdString(FormatKeyedText("FoundSome", {count})));
    }
}

void CFindTab::ShowStatusTick() {
    if (status_ == nullptr || statusKey_.empty()) return;
    status_->setText(ProgString(statusKey_.c_str()) + QString(statusDots_, QLatin1Char('.')));
    statusDots_ = (statusDots_ + 1) % 4;
}

void CFindTab::AddSongFromImport(const TSVT_Song& song) {
    SVTENG_CSongvault* store = Store();
    if (store == nullptr) return;
    if (!storedQuery_.Empty()) {
        LogFmt("CFindTab::AddSongFromImport - SQL search, checking song against query: %s", song.path);
        if (store->MatchesQuery(&song, nullptr, storedQuery_.List())) {
            search_.QueueImported(song);
        } else {
            Log("   Song does not match query.");
        }
        return;
    }
    LogFmt("CFindTab::AddSongFromImport - Text search, checking song against text query: %s", song.path);
    std::vector<MDB_Query> conditions;
    MvList<MDB_Query*> anyOf;
    conditions.reserve(std::size(kTextColumns));
    for (const char* column : kTextColumns) conditions.push_back(MDB_Query::Text(column, MDB_OP_CONTAINS, searchText_));
    for (MDB_Query& condition : conditions) anyOf.Append(&condition);
    if (store->MatchesQuery(&song, &anyOf, nullptr)) {
        search_.QueueImported(song);
    } else {
        Log("   Song does not match query.");
    }
}

void CFindTab::SetSongPlayState(const char* path, bool playing) {
    Lock();
    model_->SetInSession(path, playing);
    Unlock();
}
