#include "songsmith/library/ui/library_tab.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_atoms.h"
#include "songsmith/library/library_feed.h"
#include "songsmith/library/library_import.h"
#include "songsmith/library/library_links.h"
#include "songsmith/library/library_load.h"
#include "songsmith/library/library_menu_states.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/app/ui/event_hook.h"
#include "songsmith/library/ui/import_options_dlg.h"
#include "songsmith/library/ui/library_tree_view.h"
#include "songsmith/library/ui/library_maintenance_dlgs.h"
#include "songsmith/dialogs/ui/progress_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "songvault/records.h"
#include "songvault/songvault.h"

namespace {

// Margins of the page's controls.
constexpr int kMargin = 7;
constexpr int kGap = 6;
constexpr int kTextHeight = 20;

// The import button's two images: a note going into a box, and a stop
// square.
QIcon ImportImage(int image) {
    QImage picture(40, 36, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (image == kLibStopImage) {
        painter.setBrush(QColor(200, 30, 30));
        painter.setPen(QPen(QColor(120, 0, 0), 2));
        painter.drawRoundedRect(QRectF(9, 7, 22, 22), 3, 3);
    } else {
        painter.setPen(QPen(QColor(60, 60, 60), 2));
        painter.setBrush(QColor(230, 200, 120));
        painter.drawRect(QRectF(6, 18, 28, 14));
        painter.setBrush(QColor(30, 60, 160));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(14, 11, 8, 6));
        painter.fillRect(QRectF(20, 2, 2, 12), QColor(30, 60, 160));
        painter.fillRect(QRectF(20, 2, 7, 2), QColor(30, 60, 160));
    }
    return QIcon(QPixmap::fromImage(picture));
}

// What the load shows and asks while it runs.
class CLoadHost : public ILibraryLoadHost {
public:
    CLoadHost(CPreferences* prefs, QWidget* owner, QLabel* count) : prefs_(prefs), owner_(owner), count_(count) {}
    ~CLoadHost() override { Progress().Destroy(); }

    int AskStartOver() override {
        Progress().Hide();
        if (const auto& ask = LibraryPartners().askStartOver) return ask();
        CCorruptLibraryDlg dialog;
        dialog.SetAnswer(0);
        dialog.DoModal(owner_);
        return dialog.Answer();
    }
    // Written through to the disk at once: the mark must outlive a crash.
    void SavePreferences() override {
        if (prefs_ != nullptr) prefs_->SaveNow(HKEY_CURRENT_USER);
    }
    void StartProgress(int total) override {
        CProgressWindow& progress = Progress();
        if (!progress.Create(owner_)) return;
        progress.SetText(FormatKeyedText("ProgBar_loadLibrary", {KeyedText("Program Name").c_str()}).c_str());
        progress.SetRange(0, total);
        progress.SetStep(1);
        progress.Show();
    }
    void StepProgress() override { Progress().StepIt(); }
    void EndProgress() override { Progress().Destroy(); }
    void ShowSongCount(std::size_t count) override {
        if (count_ != nullptr)
            count_->setText(QString::fromStdString(FormatKeyedText("LibTab_Count", {static_cast<int>(count)})));
    }
    void WarnCorruption() override {
        ShowMessageKey(owner_, "LibTab_CorruptWarning", MB_OK | MB_ICONWARNING,
                       KeyedText("LibTab_CorruptCaption").c_str());
    }

private:
    // The start-up progress window while the program has one (the first
    // load ends it), else one of this load's own.
    CProgressWindow& Progress() {
        CProgressWindow* startup = StartupProgressWindow();
        return startup != nullptr ? *startup : progress_;
    }

    CPreferences* prefs_;
    QWidget* owner_;
    QLabel* count_;
    CProgressWindow progress_;
};

}  // namespace

CLibraryTab::CLibraryTab(CPreferences* prefs) : prefs_(prefs) {
    songLoader = [](const char* path, CSongEntry& entry) { return entry.LoadFromFile(path) != 0; };
}

CLibraryTab::~CLibraryTab() {
    // The import's thread posts to the page: it goes first.
    KillImportThread();
    importer_.reset();
    SetAppWindowReceiver(EAppWindow::kLibraryTab, kNoReceiver);
    SetLibraryCheckMarkHandler(nullptr);
    SetLibrarySongImportedHandler(nullptr);
    SetLibraryLocateHandler(nullptr);
    SetLibraryEditHandlers({});
    Lock();
    Unlock();
    // The rows point at the nodes: the window goes first.
    delete window_.data();
}

bool CLibraryTab::Create(QWidget* parent, int x, int y, int width, int height) {
    Log("CLibraryTab::Create - Creating super class");
    if (!CreatePage(parent, [this](QWidget* owner) { return BuildWindow(owner); }, x, y, width, height))
        return false;
    SetAppWindowReceiver(EAppWindow::kLibraryTab, receiver_->Id());
    SetLibraryCheckMarkHandler(
        [this](std::uint32_t kind, std::int32_t id, int value) { SetCheckMark(kind, id, value); });
    SetLibrarySongImportedHandler([this](const char* path) { MarkImportedSong(path); });
    SetLibraryLocateHandler([this](const char* path) { LocateSongByPath(path); });
    BindEdits();
    LoadNodeList();
    if (SVTENG_CSongvault* store = LibraryPartners().store; store != nullptr && prefs_ != nullptr)
        importer_ = std::make_unique<CLibraryImport>(*prefs_, *store);
    OfferInitialImport();
    return true;
}

QWidget* CLibraryTab::BuildWindow(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->resize(kTemplateWidth, kTemplateHeight);
    page->setAutoFillBackground(true);

    strip_ = MakePageStrip(page, ProgString("LibTab_Title"), kTemplateWidth);

    const int top = strip_->height() + kGap;
    import_ = new QPushButton(page);
    import_->setObjectName(QString::number(kLibImportId));
    import_->setGeometry(kMargin, top, kImportButtonWidth, kImportButtonHeight);
    import_->setIconSize(QSize(40, 36));
    import_->setToolTip(ProgString("LibTab_ImportTip"));
    SetImportImage(kLibImportImage);
    QObject::connect(import_, &QPushButton::clicked, page, [this] { OnCommand(kLibImportId); });

    const int textLeft = kMargin + kImportButtonWidth + kGap;
    count_ = new QLabel(page);
    count_->setObjectName(QString::number(kLibCountId));
    count_->setGeometry(textLeft, top + 2, kTemplateWidth - textLeft - kMargin, kTextHeight);
    folderText_ = new QLabel(page);
    folderText_->setObjectName(QString::number(kLibFolderTextId));
    folderText_->setTextFormat(Qt::PlainText);
    folderText_->setGeometry(kMargin, top + kImportButtonHeight + kGap, kTemplateWidth - 2 * kMargin, kTextHeight);

    tree_ = new QTreeWidget(page);
    tree_->setObjectName(QString::number(kLibTreeId));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int treeTop = folderText_->y() + kTextHeight + kGap;
    tree_->setGeometry(kMargin, treeTop, kTemplateWidth - 2 * kMargin, kTemplateHeight - treeTop - 2 * kMargin);
    QObject::connect(tree_, &QTreeWidget::itemExpanded, page,
                     [this](QTreeWidgetItem* item) { OnItemExpanded(item, true); });
    QObject::connect(tree_, &QTreeWidget::itemCollapsed, page,
                     [this](QTreeWidgetItem* item) { OnItemExpanded(item, false); });
    QObject::connect(tree_, &QTreeWidget::currentItemChanged, page, [this](QTreeWidgetItem* item) {
        if (populating_ || item == nullptr) return;
        clicked_ = TLibRow{NodeOfItem(item), IsGenreRow(item)};
    });
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(tree_, &QWidget::customContextMenuRequested, page, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = tree_->itemAt(at)) clicked_ = TLibRow{NodeOfItem(item), IsGenreRow(item)};
        MakeContextMenu()->exec(tree_->viewport()->mapToGlobal(at));
    });
    treeView_ = new CLibTreeView(*this, *tree_);

    new CEventHook(page, [this, page](QEvent* event) {
        if (event->type() == QEvent::Resize) LayOutControls(page->width(), page->height());
        if (event->type() == QEvent::FocusIn) SetImportImage(IsImporting() ? kLibStopImage : kLibImportImage);
        return false;
    });
    receiver_ = new CAppMessageReceiver([this](TAppMessage& message) { return OnMessage(message); }, page);
    return page;
}

QTreeWidget* CLibraryTab::Tree() const { return tree_; }

void CLibraryTab::SetImportImage(int image) {
    if (import_ == nullptr) return;
    import_->setIcon(ImportImage(image));
    import_->setProperty("image", image);
}

void CLibraryTab::Reposition(int x, int y, int width, int height) {
    CTabPage::Reposition(x, y, width, height);
    LayOutControls(width, height);
}

void CLibraryTab::LayOutControls(int width, int height) {
    if (tree_ == nullptr) return;
    tree_->resize(std::max(0, width - 14), std::max(0, height - tree_->y() - 14));
    folderText_->resize(std::max(0, width - 14), folderText_->height());
    count_->resize(std::max(0, width - count_->x() - kMargin), count_->height());
    strip_->resize(width, strip_->height());
}

void CLibraryTab::LoadNodeList() {
    SVTENG_CSongvault* store = LibraryPartners().store;
    CPreferences scratch;
    CPreferences& prefs = prefs_ != nullptr ? *prefs_ : scratch;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        CLoadHost host(prefs_, window_, count_);
        if (store != nullptr) {
            LoadLibraryNodes(nodes_, *store, prefs, host);
        } else {
            Log("CLibraryTab::_LoadNodeList - No song library");
            nodes_.Reset();
        }
        // The tree is filled once the progress window is gone.
        host.EndProgress();
        nodes_.ArtistRoot()->expanded = true;
        PopulateTree();
    }
    QApplication::restoreOverrideCursor();
}

void CLibraryTab::ShowSongCount() {
    if (count_ == nullptr) return;
    count_->setText(
        QString::fromStdString(FormatKeyedText("LibTab_Count", {static_cast<int>(nodes_.SongCount())})));
}

std::intptr_t CLibraryTab::OnMessage(TAppMessage& message) {
    switch (message.number) {
        case WM_COMMAND: return OnCommand(static_cast<int>(message.wParam));
        case WM_PLAYSTATE_CHANGED: OnPlayStateChanged(message); return 0;
        case WM_RIP_TRACKDONE: OnRipTrackDone(message); return 0;
        case WM_IMPORT_FOUNDSONG: OnImportFoundSong(message); return 0;
        case WM_IMPORT_KNOWNDIR: OnKnownDir(message); return 0;
        case WM_IMPORT_CURRENTDIR: OnCurrentDir(message); return 0;
        case WM_IMPORT_FINISHED: OnImportFinished(); return 0;
        default: return 0;
    }
}

void CLibraryTab::OnRipTrackDone(TAppMessage& message) {
    auto* song = LibraryRecordOf<TSVT_Song>(message);
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song == nullptr || store == nullptr) return;
    CLibNode* node = AddRippedSong(nodes_, *store, *song);
    if (node == nullptr) return;
    RefreshNode(node);
    if (node->genre != nullptr) RefreshNode(node->genre);
    if (tree_ != nullptr) tree_->viewport()->update();
    ShowSongCount();
}

void CLibraryTab::OnImportFoundSong(TAppMessage& message) {
    auto* song = LibraryRecordOf<TSVT_Song>(message);
    SVTENG_CSongvault* store = LibraryPartners().store;
    if (song == nullptr || store == nullptr || window_ == nullptr) return;
    if (LibraryPartners().offerToFind) LibraryPartners().offerToFind(*song);
    CLibNode* node = AddImportedSong(nodes_, *store, *song);
    if (node == nullptr) return;
    if (pendingMarks_.erase(node->text) != 0) node->checked = true;
    if (node->genre != nullptr) RefreshNode(node->genre);
    RefreshNode(node->parent);
    ShowSongCount();
}

void CLibraryTab::OnKnownDir(TAppMessage& message) {
    auto* info = LibraryRecordOf<TKnownDirInfo>(message);
    if (info == nullptr || prefs_ == nullptr) return;
    prefs_->Lock();
    prefs_->MusicDirectories.UpdateOrAdd(info->path, static_cast<std::uint32_t>(info->number), info->value, 1);
    prefs_->Unlock();
}

void CLibraryTab::OnCurrentDir(TAppMessage& message) {
    const char* folder = LibraryRecordOf<char>(message);
    if (folder != nullptr) ShowFolderText(folder);
}

void CLibraryTab::ShowFolderText(const char* folder) {
    if (folderText_ == nullptr) return;
    QString text = QString::fromUtf8(folder);
    if (text.endsWith('/')) text.chop(1);
    const QFontMetrics metrics(folderText_->font());
    const int width = folderText_->width();
    if (metrics.horizontalAdvance(text) > width) {
        // Leading characters go until "..." and the rest fit.
        QString rest = text;
        while (!rest.isEmpty() && metrics.horizontalAdvance("..." + rest) > width) rest.remove(0, 1);
        text = "..." + rest;
    }
    folderText_->setText(text);
}

void CLibraryTab::OnPlayStateChanged(const TAppMessage& message) {
    CLibNode* before = playing_;
    playing_ = nullptr;
    if (message.lParam > 0xFFFF) {
        // The player names the song of its sound id; without a player the
        // song this page last asked for stands in.
        std::string path = lastPlayedPath_;
        const auto& pathOf = LibraryPartners().songPathOfSound;
        if (pathOf && !pathOf(static_cast<std::uint32_t>(message.lParam & 0xFFFF), path)) path.clear();
        playing_ = nodes_.FindSongByPath(path);
    }
    if (before != nullptr) RedrawRows(before);
    if (playing_ != nullptr) RedrawRows(playing_);
}

std::unique_ptr<QMenu> CLibraryTab::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QString::number(kLibraryContextMenuId));
    constexpr int kItems[] = {cmd::kLibPlay,       cmd::kLibSelect,    cmd::kLibEditTag, cmd::kLibDelete,
                              cmd::kLibUndeleteAll, cmd::kLibOpenFolder, cmd::kLibEmptyTrash, cmd::kLibClean};
    for (const int command : kItems) {
        QAction* item = menu->addAction(QString());
        item->setData(command);
        UpdateMenuItem(item);
        QObject::connect(item, &QAction::triggered, menu.get(), [this, command] {
            if (receiver_ != nullptr)
                PostAppMessage(receiver_->Id(),
                               TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(command), 0, nullptr});
        });
    }
    return menu;
}

void CLibraryTab::UpdateMenuItem(QAction* item) {
    if (item == nullptr) return;
    TLibMenuFacts facts;
    facts.node = clicked_.node;
    facts.playing = clicked_.node != nullptr && clicked_.node == playing_;
    facts.trashHasSongs = nodes_.TrashHasSongs();
    const TLibMenuItemState state = LibraryMenuItemState(item->data().toInt(), facts);
    if (!state.known) return;
    item->setText(ProgString(state.key));
    item->setEnabled(!state.grey);
}

std::intptr_t CLibraryTab::OnCommand(int id) {
    CLibNode* node = clicked_.node;
    LogFmt("CLibraryTab::WM_COMMAND - Getting node clicked on, id = %ld, text = %s, _hClicked = %ld",
           static_cast<long>(node != nullptr ? node->databaseId : -1), node != nullptr ? node->name.c_str() : "",
           static_cast<long>(reinterpret_cast<std::intptr_t>(ItemOfRow(clicked_))));
    auto run = [](const std::function<void()>& hook) {
        if (hook) hook();
    };
    auto runOn = [node](const std::function<void(CLibNode*)>& hook) {
        if (hook) hook(node);
    };
    switch (id) {
        case kLibImportId: OnImportButton(); return 1;
        case cmd::kLibPlay:
            if (node != nullptr && node->IsSong()) OnPlayStop(node);
            return 1;
        case cmd::kLibEmptyTrash: run(hooks.emptyTrash); return 1;
        case cmd::kLibEditTag: runOn(hooks.editTag); return 1;
        case cmd::kLibDelete: runOn(hooks.deleteNode); return 1;
        case cmd::kLibSelect: OnSelectCommand(node); return 1;
        case cmd::kLibUndeleteAll: run(hooks.undeleteAll); return 1;
        case cmd::kLibOpenFolder: OpenContainingFolder(node); return 1;
        case cmd::kLibClean: AskCleanLibrary(); return 1;
        default: return 0;
    }
}

void CLibraryTab::OpenContainingFolder(const CLibNode* node) {
    if (node == nullptr || !node->IsSong()) return;
    const std::size_t slash = node->text.rfind('/');
    const std::string folder = slash == std::string::npos ? node->text : node->text.substr(0, slash);
    GetUiServices().OpenFolder(folder.c_str());
}

void CLibraryTab::AskCleanLibrary() {
    if (ShowMessageKey(window_, "LibTab_CleanQuestion", MB_YESNO | MB_ICONQUESTION,
                       KeyedText("LibTab_CleanCaption").c_str()) != IDNO)
        CleanLibrary();
}

void CLibraryTab::CleanLibrary() {
    if (hooks.cleanLibrary) hooks.cleanLibrary();
}

void CLibraryTab::WarnMissingSong(const char* path) {
    const std::string text = FormatKeyedText("LibTab_MissingSong", {path});
    if (ShowMessageText(window_, text.c_str(), MB_YESNO | MB_ICONWARNING,
                        KeyedText("LibTab_MissingSongCaption").c_str()) == IDYES)
        PostCleanLibrary();
}

void CLibraryTab::PostCleanLibrary() {
    // The question comes in the middle of a check or a play that still walks
    // the nodes the clean frees: the clean waits until that walk is over.
    // A page that goes first takes its receiver, and the clean, with it.
    if (receiver_ == nullptr || cleanPosted_) return;
    cleanPosted_ = true;
    QMetaObject::invokeMethod(
        receiver_.data(),
        [this] {
            cleanPosted_ = false;
            CleanLibrary();
        },
        Qt::QueuedConnection);
}

void CLibraryTab::LocateSongByPath(const char* path) {
    CLibNode* node = path != nullptr ? nodes_.FindSongByPath(path) : nullptr;
    if (node == nullptr) return;
    clicked_ = TLibRow{node, false};
    if (QTreeWidgetItem* item = EnsureRow(clicked_)) {
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
    }
}

void CLibraryTab::RefreshSongByPath(const char* path) {
    if (CLibNode* node = path != nullptr ? nodes_.FindSongByPath(path) : nullptr) RefreshNode(node);
}

void CLibraryTab::MarkImportedSong(const char* path) {
    if (path == nullptr) return;
    CLibNode* node = nodes_.FindSongByPath(path);
    if (node == nullptr) {
        // The import's message with the song is still on its way.
        pendingMarks_.insert(path);
        return;
    }
    node->checked = true;
    RedrawRows(node);
}

void CLibraryTab::PostImportState(const char* statusKey) {
    PostToAppWindow(EAppWindow::kMainWindow,
                    MakeAppMessage(WM_IMPORT_STATE, 0, 0, statusKey != nullptr ? KeyedText(statusKey) : std::string()));
}

void CLibraryTab::OfferInitialImport() {
    if (prefs_ == nullptr || prefs_->ImportInitial != 0 || prefs_->bAgreedToLicense == 0) return;
    CImportOptionsDlg options(*prefs_);
    const int answer = options.DoModal(window_);
    prefs_->ImportInitial = 1;
    // Asked once: a run that ends in a crash does not ask again.
    prefs_->SaveNow(HKEY_CURRENT_USER);
    if (answer != 1) return;
    SetImportImage(kLibStopImage);
    Import();
}

void CLibraryTab::Import() {
    Log("CLibraryTab::Import - Starting import");
    importStopped_ = false;
    PostImportState("LibTab_ImportStatus");
    if (count_ != nullptr) count_->setText(ProgString("LibTab_Importing"));
    if (importer_ == nullptr || receiver_ == nullptr || !importer_->Start(receiver_->Id())) {
        // Nothing runs: the page goes back to its idle look.
        SetImportImage(kLibImportImage);
        ShowSongCount();
    }
    PostImportState(nullptr);
}

bool CLibraryTab::IsImporting() const { return importer_ != nullptr && importer_->IsImporting(); }

void CLibraryTab::KillImportThread() {
    if (importer_ == nullptr || !importer_->Stop()) return;
    importStopped_ = true;
    PostImportState("LibTab_ImportStopped");
}

void CLibraryTab::OnImportButton() {
    if (IsImporting()) {
        SetImportImage(kLibImportImage);
        KillImportThread();
    } else {
        SetImportImage(kLibStopImage);
        Import();
    }
}

void CLibraryTab::OnImportFinished() {
    Log("CLibraryTab::WM_IMPORT_FINISHED - Start");
    // The thread has posted its last message and is ending.
    if (importer_ != nullptr) importer_->Join();
    // A stopped import keeps saying so.
    if (!importStopped_) PostImportState("LibTab_ImportComplete");
    if (const auto& endFeed = LibraryPartners().endFindFeed) endFeed();
    Log("CLibraryTab::KillImportThread - Setting button image back");
    SetImportImage(kLibImportImage);
    ShowSongCount();
    if (folderText_ != nullptr) folderText_->clear();
    if (SVTENG_CSongvault* store = LibraryPartners().store) {
        CWaitCursor wait;
        store->WriteDB();
    }
    if (const auto& toFind = LibraryPartners().importFinishedToFind) toFind();
    PostImportState(nullptr);
}
