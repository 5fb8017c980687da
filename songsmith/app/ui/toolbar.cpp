#include "songsmith/app/ui/toolbar.h"

#include <QAction>
#include <QMainWindow>
#include <QToolBar>
#include <QToolButton>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/toolbar_buttons.h"
#include "songsmith/drawing/ui/icons.h"
#include "songsmith/app/ui/tab_page.h"

namespace {

// Bytes of a tool-tip text.
constexpr std::size_t kTipTextSize = 80;

// The page kind a page button stands for.
int PageKindOf(int command) {
    switch (command) {
        case cmd::kFindPage:
            return kTabKindFind;
        case cmd::kLibraryPage:
            return kTabKindLibrary;
        case cmd::kCdPage:
            return kTabKindCd;
        default:
            return -1;
    }
}

}  // namespace

CToolbar::CToolbar(TCallbacks callbacks)
    : callbacks_(std::move(callbacks)),
      receiver_(std::make_unique<CAppMessageReceiver>(
          [this](TAppMessage& message) { return OnMessage(message); })) {}

CToolbar::~CToolbar() {
    Destroy();
}

TReceiverId CToolbar::ReceiverId() const {
    return receiver_->Id();
}

bool CToolbar::Create(QMainWindow* parent, int create) {
    if (create == 0) {
        Destroy();
        return true;
    }
    if (parent == nullptr) return false;
    Destroy();
    parent_ = parent;
    window_ = new QToolBar(parent);
    SetAppWindowReceiver(EAppWindow::kToolbar, receiver_->Id());
    window_->setMovable(false);
    window_->setFloatable(false);
    window_->setContextMenuPolicy(Qt::PreventContextMenu);
    parent->addToolBar(Qt::TopToolBarArea, window_);
    AddButtons();
    window_->show();
    return true;
}

void CToolbar::Refresh() {
    if (window_ == nullptr) return;
    // A button may be running its command right now: its action goes later.
    for (QAction* action : window_->actions()) {
        window_->removeAction(action);
        action->deleteLater();
    }
    AddButtons();
    window_->update();
}

void CToolbar::AddButtons() {
    const bool small = callbacks_.smallImages && callbacks_.smallImages();
    const int pageKind = callbacks_.pageKind ? callbacks_.pageKind() : -1;
    const bool haveDrives = callbacks_.haveDrives && callbacks_.haveDrives();
    window_->setIconSize(small ? QSize(kSmallToolbarImageWidth, kSmallToolbarImageHeight)
                               : QSize(kLargeToolbarImageWidth, kLargeToolbarImageHeight));
    for (const TToolbarButton& button : ToolbarButtons()) {
        if (button.kind == EToolbarKind::kSeparator) {
            window_->addSeparator();
            continue;
        }
        char tip[kTipTextSize];
        GetTipText(button.command, tip, sizeof tip);
        QAction* action =
            window_->addAction(QIcon(ToolbarImage(button.image, small)), QString::fromUtf8(tip));
        action->setData(button.command);
        const auto remembered = enabled_.find(button.command);
        bool enabled = remembered == enabled_.end() || remembered->second;
        if (button.kind == EToolbarKind::kPageButton) {
            action->setCheckable(true);
            action->setChecked(PageKindOf(button.command) == pageKind);
            if (button.command == cmd::kCdPage) enabled = enabled && haveDrives;
        }
        action->setEnabled(enabled);
        const int command = button.command;
        QObject::connect(action, &QAction::triggered, window_, [this, command] {
            if (callbacks_.command) callbacks_.command(command);
        });
        if (QWidget* widget = window_->widgetForAction(action)) {
            widget->setObjectName(QString::number(command));
        }
    }
}

void CToolbar::GetTipText(int command, char* out, std::size_t size) const {
    GetToolbarTipText(command, out, size);
}

void CToolbar::Destroy() {
    SetAppWindowReceiver(EAppWindow::kToolbar, kNoReceiver);
    delete window_.data();
    window_ = nullptr;
}

int CToolbar::Height() const {
    return window_ == nullptr ? 0 : window_->height();
}

std::intptr_t CToolbar::OnMessage(TAppMessage& message) {
    if (message.number != TB_ENABLEBUTTON) return 0;
    const int command = static_cast<int>(message.wParam);
    const bool enable = (message.lParam & 0xFFFF) != 0;
    enabled_[command] = enable;
    if (window_ == nullptr) return 1;
    for (QAction* action : window_->actions()) {
        if (action->data().toInt() != command) continue;
        // The CD button stays off without drives whatever it is told.
        const bool drivesAllow =
            command != cmd::kCdPage || (callbacks_.haveDrives && callbacks_.haveDrives());
        action->setEnabled(enable && drivesAllow);
    }
    return 1;
}
