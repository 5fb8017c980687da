// The main window's commands. Each menu item, toolbar button and accelerator
// arrives here with its number.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "filekit/log.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/cd/cd_menu_states.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/library/library_menu_states.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/main_window.h"

namespace {

// The Find page's Find button.
constexpr int kFindButtonId = 1005;

// The item of command in menu or its submenus; null when none.
QAction* FindMenuItem(QMenu* menu, int command) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindMenuItem(sub, command)) return found;
        } else if (!action->isSeparator() && action->data().toInt() == command) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

std::intptr_t CMainWindow::OnCommand(int id) {
    if (window_ == nullptr) return 0;
    switch (id) {
        case cmd::kExit:
            window_->close();
            break;
        case cmd::kShowToolbar:
            prefs_.ShowToolbarWindow = prefs_.ShowToolbarWindow == 0 ? 1 : 0;
            toolbar_.Create(window_, prefs_.ShowToolbarWindow);
            if (QWidget* central = window_->centralWidget()) {
                ResizeSubWindows(central->width(), central->height());
            }
            UpdateMinimumSize();
            break;
        case cmd::kFindPage:
        case cmd::kLibraryPage:
            ShowOrHidePage(id);
            break;
        case cmd::kRip:
            RipOnCdPage();
            break;
        case cmd::kStartSearch:
            // The Find page starts (or stops) its search as with its button.
            if (CurrentPageKind() == kTabKindFind) TabPane()->GetFindTab()->OnCommand(cmd::kStartSearch);
            break;
        default:
            if (IsCdPageCommand(id)) {
                if (CTabPage* page = CurrentCdPage()) page->OnCommand(id);
                break;
            }
            if (IsLibraryPageCommand(id)) {
                if (CurrentPageKind() == kTabKindLibrary) TabPane()->GetLibraryTab()->OnCommand(id);
                break;
            }
            if ((id >= cmd::kFirstCdDrive && id <= cmd::kLastCdDrive) || id == cmd::kCdPage) {
                ShowOrHideCdPage(id);
            } else if (const auto handler = commandHandlers_.find(id); handler != commandHandlers_.end()) {
                // Copied first: a handler may replace its own entry.
                const TCommandHandler run = handler->second;
                run();
            }
            break;
    }
    return 0;
}

QAction* CMainWindow::MenuItem(int command) const {
    if (window_ == nullptr) return nullptr;
    for (QAction* top : window_->menuBar()->actions()) {
        if (QMenu* menu = top->menu())
            if (QAction* found = FindMenuItem(menu, command)) return found;
    }
    return nullptr;
}

void CMainWindow::UpdateAllMenuStates() {
    if (window_ == nullptr) return;
    for (QAction* top : window_->menuBar()->actions())
        if (QMenu* menu = top->menu()) UpdateMenuStates(menu);
}

void CMainWindow::RunAccelerator(int command) {
    UpdateAllMenuStates();
    const QAction* item = MenuItem(command);
    if (item != nullptr && !item->isEnabled()) return;
    OnCommand(command);
}

void CMainWindow::SetCommandHandler(int id, TCommandHandler handler) {
    if (handler) {
        commandHandlers_[id] = std::move(handler);
    } else {
        commandHandlers_.erase(id);
    }
}

void CMainWindow::ShowOrHidePage(int command) {
    CFindContainerWindow* pane = TabPane();
    if (pane == nullptr) return;
    const int kind = command == cmd::kFindPage ? kTabKindFind : kTabKindLibrary;
    if (CurrentPageKind() != kind) {
        ShowTabPane(true);
        pane->SelectPage(kind == kTabKindFind ? static_cast<CTabPage*>(pane->GetFindTab())
                                              : static_cast<CTabPage*>(pane->GetLibraryTab()));
    } else {
        ShowTabPane(false);
    }
    toolbar_.Refresh();
}

void CMainWindow::ShowOrHideCdPage(int command) {
    CFindContainerWindow* pane = TabPane();
    if (pane == nullptr) return;
    if (command == cmd::kCdPage && CurrentPageKind() == kTabKindCd) {
        ShowTabPane(false);
    } else {
        const int cdCommand = command != cmd::kCdPage  ? command
                              : currentCdCommand_ >= 0 ? currentCdCommand_
                                                       : cmd::kFirstCdDrive;
        const std::vector<CCDTab*> cdPages = pane->CdPages();
        const auto index = static_cast<std::size_t>(cdCommand - cmd::kFirstCdDrive);
        // Without that drive's page there is nothing to bring forward.
        if (index < cdPages.size()) {
            ShowTabPane(true);
            pane->SelectPage(cdPages[index]);
        }
    }
    toolbar_.Refresh();
}

CCDTab* CMainWindow::CurrentCdPage() const {
    if (CurrentPageKind() != kTabKindCd) return nullptr;
    return static_cast<CCDTab*>(TabPane()->GetCurrentPage());
}

CCDTab* CMainWindow::PageOfCurrentCdCommand() const {
    CFindContainerWindow* pane = TabPane();
    if (pane == nullptr) return nullptr;
    const std::vector<CCDTab*> cdPages = pane->CdPages();
    const int command = currentCdCommand_ >= 0 ? currentCdCommand_ : cmd::kFirstCdDrive;
    const auto index = static_cast<std::size_t>(command - cmd::kFirstCdDrive);
    return index < cdPages.size() ? cdPages[index] : nullptr;
}

void CMainWindow::RipOnCdPage() {
    CCDTab* page = PageOfCurrentCdCommand();
    if (page == nullptr || !page->HasTracksToRip()) return;
    ShowTabPane(true);
    TabPane()->SelectPage(page);
    toolbar_.Refresh();
    page->OnCommand(kCdRipId);
}
