#include "songsmith/app/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QResizeEvent>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "filekit/log.h"
#include "platter/platter.h"
#include "songsmith/app/ui/accelerator_filter.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/burner/burner.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/system/placement_rules.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/program_title.h"
#include "songsmith/session/track_list.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/drawing/ui/icons.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/player/ui/player_panel.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/app/ui/tab_page.h"
#include "utilities/ui/center_window.h"

namespace {

// The large font's size: the player and the pages write titles in it.
constexpr int kLargeFontPoints = 12;

// The drive poll timer's period.
constexpr int kDrivePollMs = 1000;

// Least width, and least height above the bottom band, of the window.
constexpr int kMinTrackWidth = 400;
constexpr int kMinTrackHeightAboveBottom = 350;

// The local files of a drop, in the order given.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

// The Qt window: hands its close request, its minimising and the files
// dropped on it to the object.
class CMainFrame : public QMainWindow {
public:
    explicit CMainFrame(CMainWindow& owner) : owner_(owner) { setAcceptDrops(true); }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (owner_.OnClose()) {
            event->accept();
        } else {
            event->ignore();
        }
    }
    void changeEvent(QEvent* event) override {
        QMainWindow::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange) owner_.OnActivate(isMinimized());
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        const std::vector<std::string> paths = DroppedFiles(event->mimeData());
        if (paths.empty()) return;
        event->acceptProposedAction();
        owner_.OnDropFiles(paths);
    }

private:
    CMainWindow& owner_;
};

// The area between the toolbar and the status bar: hands its size to the
// object, which places the bands in it.
class CCentralArea : public QWidget {
public:
    explicit CCentralArea(CMainWindow& owner) : owner_(owner) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const QSize size = event->size();
        if (size.width() == 0 && size.height() == 0) return;
        Log("CMainWindow::WM_SIZE - Calling ResizeSubWindows");
        owner_.ResizeSubWindows(size.width(), size.height());
    }

private:
    CMainWindow& owner_;
};

RECT DesktopRect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen == nullptr ? QRect(0, 0, 800, 600) : screen->virtualGeometry();
    return RECT{desktop.left(), desktop.top(), desktop.left() + desktop.width(),
                desktop.top() + desktop.height()};
}

}  // namespace

CMainWindow::CMainWindow(CPreferences& prefs, PLATTER_CPlatter& platter)
    : prefs_(prefs),
      platter_(platter),
      toolbar_(CToolbar::TCallbacks{
          [this](int command) { OnCommand(command); },
          [this] { return CurrentPageKind(); },
          [this] { return platter_.GetDevices() > 0; },
          [this] { return prefs_.ShowSmallToolbar != 0; },
      }),
      restoreShowCmd_(SW_RESTORE) {}

CMainWindow::~CMainWindow() {
    SetAppWindowReceiver(EAppWindow::kMainWindow, kNoReceiver);
    // The bands' objects go before the window that holds their widgets.
    bottom_.reset();
    middle_.reset();
    toolbar_.Destroy();
    delete window_.data();
}

TReceiverId CMainWindow::ReceiverId() const {
    return receiver_ == nullptr ? kNoReceiver : receiver_->Id();
}

int CMainWindow::DriveState() const { return DriveStateOf(burnStatus_); }

CFindContainerWindow* CMainWindow::TabPane() const {
    return middle_ == nullptr ? nullptr : middle_->TabPane();
}

bool CMainWindow::Create() {
    auto* frame = new CMainFrame(*this);
    window_ = frame;
    frame->setWindowIcon(QIcon(ToolbarImage(7, false)));
    frame->setGeometry(0, 0, kInitialWidth, kInitialHeight);
    receiver_ = new CAppMessageReceiver(
        [this](TAppMessage& message) { return WindowProc(message); }, frame);
    SetAppWindowReceiver(EAppWindow::kMainWindow, receiver_->Id());

    Log("CMainWindow::WM_CREATE - Checkpoint 1");
    largeFont_ = QFont(QStringLiteral("Arial"), kLargeFontPoints, QFont::Bold);
    largeFontHeight_ = QFontMetrics(largeFont_).height();
    Log("CMainWindow::WM_CREATE - Checkpoint 2");
    toolbar_.Create(frame, prefs_.ShowToolbarWindow);
    statusBar_.Create(frame, 1);
    // The disc in the writer as the controller knows it until its first poll.
    if (char state[256]; burnStatus_ != nullptr && burnStatus_->GetStateText(state, sizeof state))
        statusBar_.SetStateText(state);
    Log("CMainWindow::WM_CREATE - Checkpoint 3");
    CreateBands();
    CenterWindow(frame);
    SetMenuTexts();
    acceleratorFilter_ = new CAcceleratorFilter(frame, [this](int command) { RunAccelerator(command); });
    Log("CMainWindow::WM_CREATE - Checkpoint 4");

    pollTimer_ = new QTimer(frame);
    pollTimer_->setInterval(kDrivePollMs);
    QObject::connect(pollTimer_, &QTimer::timeout, frame, [this] { OnTimer(); });
    pollTimer_->start();
    PostAppMessage(ReceiverId(), TAppMessage{WM_SHOW_INITIAL_WINDOWS, 0, 0, nullptr});
    // Nothing to save yet, nothing to shuffle.
    PostAppMessage(toolbar_.ReceiverId(),
                   TAppMessage{TB_ENABLEBUTTON, cmd::kToolbarSave, 0, nullptr});
    PostAppMessage(toolbar_.ReceiverId(),
                   TAppMessage{TB_ENABLEBUTTON, cmd::kToolbarShuffle, 0, nullptr});
    UpdateTitle();
    UpdateMinimumSize();
    ApplySavedPlacement();
    return true;
}

void CMainWindow::CreateBands() {
    auto* central = new CCentralArea(*this);
    window_->setCentralWidget(central);
    bottom_ = std::make_unique<CBottomContainerWindow>();
    middle_ = std::make_unique<CContainerWindow>(prefs_, platter_,
                                                 [this](CTabPage* page) { OnPageChanged(page); });
    // Until the first layout the area is taken as the whole first size.
    const int width = kInitialWidth;
    const int bottomHeight = bottom_->Height();
    const int middleHeight = std::max(kInitialHeight - toolbar_.Height() - bottomHeight, 0);
    middle_->Create(central, 0, 0, width, middleHeight);
    bottom_->Create(central, 0, middleHeight, width, bottomHeight);
    ConnectPlayerCommands();
    // The pane may have come up shown: its page button.
    toolbar_.Refresh();
}

void CMainWindow::ConnectPlayerCommands() {
    // The player's menu items and keys work as the panel's buttons.
    CPlayerPanel* panel = bottom_->Player();
    SetCommandHandler(cmd::kPlay, [panel] { panel->OnCommand(CPlayerPanel::kPlayStop); });
    SetCommandHandler(cmd::kFastForward, [panel] { panel->OnCommand(CPlayerPanel::kNext); });
    SetCommandHandler(cmd::kRewind, [panel] { panel->OnCommand(CPlayerPanel::kPreviousSongCommand); });
    // The next song of the Find page's and the Library page's lists.
    panel->SetPageLists(
        [this](bool random, const char* path, bool forward) {
            CFindContainerWindow* pane = TabPane();
            CFindTab* find = pane != nullptr ? pane->GetFindTab() : nullptr;
            return find != nullptr && find->PlayNextSong(random, path, forward);
        },
        [this](bool random, const char* path, bool forward) {
            CFindContainerWindow* pane = TabPane();
            CLibraryTab* library = pane != nullptr ? pane->GetLibraryTab() : nullptr;
            return library != nullptr && library->PlayNextSong(random, path, !forward);
        });
}

void CMainWindow::Show() {
    if (window_ == nullptr) return;
    if (restoreShowCmd_ == SW_SHOWMAXIMIZED) {
        window_->showMaximized();
    } else {
        window_->show();
    }
}

int CMainWindow::RunMessageLoop() {
    return QApplication::exec();
}

void CMainWindow::ResizeSubWindows(int width, int height) {
    if (middle_ == nullptr || bottom_ == nullptr) return;
    // The toolbar and the status bar are placed by the frame around this area.
    const int bottomHeight = bottom_->Height();
    const int middleHeight = std::max(height - bottomHeight, 0);
    middle_->Move(0, 0, width, middleHeight);
    bottom_->Move(0, middleHeight, width, bottomHeight);
    statusBar_.SetParts(width);
}

void CMainWindow::GetMinTrackSize(TMinTrackSize& info) const {
    if (window_ == nullptr || middle_ == nullptr || bottom_ == nullptr) return;
    info.width =
        std::max({info.width, kMinTrackWidth, middle_->GetMinWidth(), bottom_->GetMinWidth()});
    info.height = std::max(
        {info.height, bottom_->Height() + kMinTrackHeightAboveBottom, middle_->GetMinHeight()});
}

void CMainWindow::UpdateMinimumSize() {
    if (window_ == nullptr) return;
    // The area between the bars needs what the bands need.
    if (QWidget* central = window_->centralWidget()) {
        central->setMinimumSize(std::max(middle_->GetMinWidth(), bottom_->GetMinWidth()),
                                middle_->GetMinHeight() + bottom_->Height());
    }
    // The frame's own minimum (bars included) is where the record starts.
    TMinTrackSize info;
    if (QLayout* layout = window_->layout()) {
        layout->invalidate();
        info.width = layout->minimumSize().width();
        info.height = layout->minimumSize().height();
    }
    GetMinTrackSize(info);
    window_->setMinimumSize(info.width, info.height);
}

void CMainWindow::UpdateTitle() {
    if (window_ == nullptr) return;
    char title[kProgramTitleMax + 1];
    GetProgramTitle(title, sizeof title, true);
    // What runs shows before the program's name, so the task bar tells it.
    std::string prefix;
    const int state = DriveState();
    char stateText[256] = "";
    const bool hasStateText = burnStatus_ != nullptr && burnStatus_->GetStateText(stateText, sizeof stateText);
    if (hasStateText && (state == kBurnStateTesting || state == kBurnStateConverting || state == kBurnStateBurning)) {
        const int percent = static_cast<int>(burnStatus_->BurnProgress() * 100);
        prefix = QString::asprintf("%d%% %s - ", percent, stateText).toStdString();
    } else if (hasStateText && (state == kBurnStateWaiting || state == kBurnStateCueSheet)) {
        prefix = QString::asprintf("%s - ", stateText).toStdString();
    }
    if (const CFindContainerWindow* pane = TabPane()) {
        if (const CCDTab* ripping = pane->GetRippingCDTab()) {
            prefix = QString::asprintf("%d%% [Ripping] - ", ripping->GetRipProgress()).toStdString();
        } else if (pane->IsLibraryImporting()) {
            prefix = ProgString("Title_Importing").toStdString() + " - ";
        }
    }
    QString text = QString::asprintf("%s%s - ", prefix.c_str(), title) + SessionTitleName();
    if (SessionModified()) text += QStringLiteral(" *");
    window_->setWindowTitle(text);
}

QString CMainWindow::SessionTitleName() const {
    const std::string path = partners_.tracks != nullptr ? partners_.tracks->GetSessionName() : std::string();
    if (path.empty()) return ProgString("Untitled");
    const std::size_t slash = path.find_last_of('/');
    return QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool CMainWindow::SessionModified() const {
    return partners_.tracks != nullptr ? partners_.tracks->IsDirty() : sessionDirty_;
}

std::intptr_t CMainWindow::WindowProc(TAppMessage& message) {
    switch (message.number) {
        case WM_SHOW_INITIAL_WINDOWS:
            OnShowInitialWindows();
            return 0;
        case WM_TRACK_SILENT:
        case WM_TRACK_INCOMPLETE:
            OnTrackWarning(message.number == WM_TRACK_SILENT, static_cast<int>(message.wParam));
            return 0;
        case WM_UPDATE_TITLE:
            UpdateTitle();
            return 0;
        case WM_IMPORT_STATE:
            if (const std::string* text = message.PayloadAs<std::string>(); text != nullptr && !text->empty())
                statusBar_.PostText(text->c_str());
            UpdateTitle();
            return 0;
        case WM_SESSION_DIRTY:
            sessionDirty_ = (message.wParam & 0xFFFF) != 0;
            EnableToolbarButton(cmd::kToolbarSave, sessionDirty_);
            UpdateTitle();
            return 0;
        case WM_COMMAND:
            return OnCommand(static_cast<int>(message.wParam));
        case WM_BURN_FINISHED:
        case WM_BURN_ERROR:
            return burnMessages_ ? burnMessages_(message) : 0;
        default:
            return 0;
    }
}

void CMainWindow::EnableToolbarButton(int command, bool enable) {
    CAppMessageRouter::Instance().Send(
        toolbar_.ReceiverId(), TAppMessage{TB_ENABLEBUTTON, static_cast<std::uintptr_t>(command),
                                           enable ? 1 : 0, nullptr});
}

void CMainWindow::ApplySavedPlacement() {
    if (prefs_.LastMainWinPlacementValid == 0) return;
    const WINDOWPLACEMENT placement =
        RestorablePlacement(prefs_.LastMainWinPlacement, DesktopRect());
    restoreShowCmd_ = placement.showCmd;
    const RECT& rect = placement.rcNormalPosition;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width > 0 && height > 0) {
        window_->setGeometry(rect.left, rect.top, width, height);
    } else {
        window_->move(rect.left, rect.top);
    }
}

WINDOWPLACEMENT CMainWindow::TakePlacement() const {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = window_->isMinimized()   ? SW_SHOWMINIMIZED
                        : window_->isMaximized() ? SW_SHOWMAXIMIZED
                                                 : SW_SHOWNORMAL;
    const QRect normal = window_->isMinimized() || window_->isMaximized()
                             ? window_->normalGeometry()
                             : window_->geometry();
    placement.ptMinPosition = POINT{-1, -1};
    placement.ptMaxPosition = POINT{-1, -1};
    placement.rcNormalPosition = RECT{normal.left(), normal.top(), normal.left() + normal.width(),
                                      normal.top() + normal.height()};
    return placement;
}

int CMainWindow::CurrentPageKind() const {
    if (middle_ == nullptr || !middle_->TabPaneShown()) return -1;
    const CTabPage* page = middle_->TabPane()->GetCurrentPage();
    return page == nullptr ? -1 : page->Kind();
}

void CMainWindow::OnPageChanged(CTabPage* page) {
    if (page != nullptr && page->Kind() == kTabKindCd && middle_ != nullptr) {
        const int index = middle_->TabPane()->CdIndexOf(page);
        if (index >= 0) currentCdCommand_ = cmd::kFirstCdDrive + index;
    }
    toolbar_.Refresh();
}

void CMainWindow::ShowTabPane(bool show) {
    prefs_.ShowFindSoundsWindow = show ? 1 : 0;
    middle_->ShowTabPane(show);
    UpdateMinimumSize();
}
