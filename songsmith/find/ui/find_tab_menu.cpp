// The Find page's menu items and the commands of its list menu (181): play
// or stop, mark or unmark, edit the tag, open the folder, find the song in
// the Library page, delete it from the library.
#include <QAction>
#include <QMenu>
#include <QTableView>
#include <string>

#include "filekit/log.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/find/find_menu.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/app/ui/prog_string.h"

void CFindTab::UpdateMenuItem(QAction* item) {
    if (item == nullptr) return;
    const int command = item->data().toInt();
    const int hot = HotRow();
    const TFoundRow* row = hot >= 0 ? &model_->Rows()[static_cast<std::size_t>(hot)] : nullptr;
    TFindMenuFacts facts;
    facts.hotRow = row != nullptr;
    facts.playing = row != nullptr && hot == model_->PlayingRow();
    facts.inSession = row != nullptr && row->inSession;
    const TFindMenuItemState state = FindMenuItemState(command, facts);
    if (!state.known) return;
    item->setText(ProgString(state.key));
    // The main menu's Find item searches whatever the mouse is over.
    const bool grey = command == cmd::kStartSearch && !fillingContextMenu_ ? false : state.grey;
    item->setEnabled(!grey);
}

std::unique_ptr<QMenu> CFindTab::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QString::number(kFindContextMenuId));
    fillingContextMenu_ = true;
    for (const int command : kFindMenuItems) {
        QAction* item = menu->addAction(QString());
        item->setData(command);
        UpdateMenuItem(item);
        // Carried out once the menu has closed.
        QObject::connect(item, &QAction::triggered, menu.get(), [this, command] {
            PostAppMessage(ReceiverId(), TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(command), 0, nullptr});
        });
        if (command == cmd::kAdvancedSearch) menu->addSeparator();
    }
    fillingContextMenu_ = false;
    return menu;
}

std::intptr_t CFindTab::OnListCommand(int id) {
    const int row = HotRow();
    const TFoundRow* found = row >= 0 ? &model_->Rows()[static_cast<std::size_t>(row)] : nullptr;
    switch (id) {
        case cmd::kFindPlay:
            if (found != nullptr && !found->unusable) PlayOrStopRow(row);
            return 1;
        case cmd::kFindSelect:
            if (found != nullptr && !found->unusable) ToggleMark(row);
            return 1;
        case cmd::kFindEditTag:
            if (found != nullptr && partners.editTagByPath) partners.editTagByPath(found->entry.path);
            return 1;
        case cmd::kFindOpenFolder: {
            if (found == nullptr) return 1;
            const std::string path = found->entry.path;
            const std::size_t slash = path.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
            if (!folder.empty()) GetUiServices().OpenFolder(folder.c_str());
            return 1;
        }
        case cmd::kFindLocate:
            if (found != nullptr && partners.showInLibrary) partners.showInLibrary(found->entry.path);
            return 1;
        case cmd::kFindLibDelete: {
            if (found == nullptr) return 1;
            const std::string path = found->entry.path;
            const long serial = static_cast<long>(found->entry.serial);
            if (partners.deleteSongByPath) partners.deleteSongByPath(path.c_str());
            // The row goes with its entry (found again: the deletion may
            // have let rows in).
            Lock();
            model_->RemoveRow(model_->RowOfSerial(serial));
            Unlock();
            ShowCount();
            return 1;
        }
        default:
            return 0;
    }
}
