// The File menu's recent sessions. Each item carries the command of its own
// list entry, so an entry whose file is gone (and has no item) never moves
// a click onto another file.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <filesystem>

#include "songsmith/app/command_ids.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/recent_sessions.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/app/ui/main_window.h"

void CMainWindow::AddRecentSession(const char* path) {
    AddRecentPath(prefs_.RecentFiles, path);
    BuildRecentMenu();
    // The desktop's own list of used documents.
    GetUiServices().AddRecentDocument(path);
}

void CMainWindow::BuildRecentMenu() {
    if (fileMenu_ == nullptr) return;
    for (const QPointer<QAction>& item : recentItems_) delete item.data();
    recentItems_.clear();
    const std::vector<TRecentMenuItem> items =
        RecentMenuItems(prefs_.RecentFiles, [](const std::string& path) {
            std::error_code error;
            return std::filesystem::is_regular_file(path, error);
        });
    if (items.empty()) return;
    // Exit stays the menu's last item.
    QAction* exitItem = fileMenu_->actions().isEmpty() ? nullptr : fileMenu_->actions().back();
    for (const TRecentMenuItem& item : items) {
        auto* action = new QAction(QString::fromStdString(item.text), fileMenu_);
        const int command = cmd::kFirstRecent + item.entry;
        action->setData(command);
        QObject::connect(action, &QAction::triggered, window_,
                         [this, command] { OnCommand(command); });
        fileMenu_->insertAction(exitItem, action);
        recentItems_.emplace_back(action);
    }
    recentItems_.emplace_back(fileMenu_->insertSeparator(exitItem));
}
