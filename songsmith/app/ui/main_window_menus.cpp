// The main window's menus: built once from the menu-text table, their
// changing texts and states set each time a menu opens. Every item carries
// its command number in its data and hands it to CMainWindow::OnCommand.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "platter/platter.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/cd/cd_menu_states.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/library/library_menu_states.h"
#include "songsmith/app/menu_texts.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/app/ui/tab_page.h"
#include "utilities/keyed_text.h"
#include "utilities/ui/product_panel.h"
#include "utilities/ui/product_table.h"

namespace {

// The maker's other products in the Help menu: command and product code.
struct TProductItem {
    int command;
    int code;
};
constexpr TProductItem kProductItems[] = {
    {cmd::kLabelProduct, kProductLabelDesigner},
    {cmd::kFirstOtherProduct, kProductAudioEditor},
    {cmd::kFirstOtherProduct + 1, kProductSoundRecorder},
    {cmd::kFirstOtherProduct + 2, kProductBundle},
};

// Bytes of a product's name.
constexpr int kProductNameSize = 256;

}  // namespace

int CMainWindow::ProductCodeOfCommand(int command) {
    for (const TProductItem& item : kProductItems)
        if (item.command == command) return item.code;
    return 0;
}

void CMainWindow::SetMenuTexts() {
    QMenuBar* bar = window_->menuBar();
    bar->clear();
    for (const TMenuText& menuText : MainMenuTexts()) {
        QMenu* menu = bar->addMenu(ProgString(menuText.key));
        if (fileMenu_ == nullptr) fileMenu_ = menu;
        for (const TMenuItemText& item : menuText.items) {
            switch (item.kind) {
                case EMenuItemKind::kSeparator:
                    menu->addSeparator();
                    break;
                case EMenuItemKind::kCdDriveSubmenu:
                    menu->addMenu(BuildCdDriveMenu(menu, item.key));
                    break;
                case EMenuItemKind::kProductsSubmenu:
                    menu->addMenu(BuildProductsMenu(menu, item.key));
                    break;
                case EMenuItemKind::kCommand: {
                    QAction* action = menu->addAction(ProgString(item.key));
                    action->setData(item.command);
                    const int command = item.command;
                    QObject::connect(action, &QAction::triggered, window_,
                                     [this, command] { OnCommand(command); });
                    break;
                }
            }
        }
        QObject::connect(menu, &QMenu::aboutToShow, window_,
                         [this, menu] { UpdateMenuStates(menu); });
    }
    BuildRecentMenu();
}

QMenu* CMainWindow::BuildCdDriveMenu(QMenu* parent, const char* titleKey) {
    auto* menu = new QMenu(ProgString(titleKey), parent);
    const std::int32_t drives = platter_.GetDevices();
    const int count = std::min<int>(drives, cmd::kLastCdDrive - cmd::kFirstCdDrive + 1);
    for (int i = 0; i < count; ++i) {
        PLATTER_CDevice* drive = platter_.GetDevice(i);
        const char* name = drive == nullptr ? "" : drive->GetName();
        QAction* action = menu->addAction(QString::fromStdString(FormatKeyedText(kCdDriveItemKey, {name})));
        const int command = cmd::kFirstCdDrive + i;
        action->setData(command);
        QObject::connect(action, &QAction::triggered, window_,
                         [this, command] { OnCommand(command); });
    }
    if (count == 0) {
        QAction* none = menu->addAction(ProgString(kNoCdDriveItemKey));
        none->setData(cmd::kFirstCdDrive);
        none->setEnabled(false);
    }
    return menu;
}

QMenu* CMainWindow::BuildProductsMenu(QMenu* parent, const char* titleKey) {
    auto* menu = new QMenu(ProgString(titleKey), parent);
    for (const TProductItem& item : kProductItems) {
        const TProductRow* row = FindProductRow(item.code);
        if (row == nullptr) continue;
        char name[kProductNameSize];
        MyLoadString(row->captionKey, name, sizeof name, GetUtilityStringFile().c_str());
        QAction* action = menu->addAction(QString::fromUtf8(name));
        action->setData(item.command);
        const int command = item.command;
        QObject::connect(action, &QAction::triggered, window_,
                         [this, command] { OnCommand(command); });
    }
    return menu;
}

void CMainWindow::UpdateMenuStates(QMenu* menu) {
    const int pageKind = CurrentPageKind();
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            UpdateMenuStates(sub);
            continue;
        }
        if (menuItemUpdater_) menuItemUpdater_(action);
        switch (action->data().toInt()) {
            case cmd::kShowToolbar:
                action->setCheckable(true);
                action->setChecked(prefs_.ShowToolbarWindow != 0);
                break;
            case cmd::kFindPage:
                action->setText(ProgString(pageKind == kTabKindFind ? "MUFT_Hide" : "MUFT_Show"));
                action->setEnabled(true);
                break;
            case cmd::kLibraryPage:
                action->setText(
                    ProgString(pageKind == kTabKindLibrary ? "MULT_Hide" : "MULT_Show"));
                action->setEnabled(true);
                break;
            case cmd::kRip: {
                const bool ripping = CCDTab::GetRippingPage() != nullptr;
                action->setText(ProgString(ripping ? "MUCT_StopRip" : "MUCT_Rip"));
                const CCDTab* page = PageOfCurrentCdCommand();
                action->setEnabled(page != nullptr && page->HasTracksToRip());
                break;
            }
            case cmd::kStartSearch:
                // Grey unless the Find page is in front; then it fills it.
                if (pageKind == kTabKindFind)
                    TabPane()->GetFindTab()->UpdateMenuItem(action);
                else
                    action->setEnabled(false);
                break;
            default:
                if (IsLibraryPageCommand(action->data().toInt())) {
                    // Grey unless the Library page is in front; then it
                    // fills its own items.
                    if (pageKind == kTabKindLibrary)
                        TabPane()->GetLibraryTab()->UpdateMenuItem(action);
                    else
                        action->setEnabled(false);
                } else if (IsCdPageCommand(action->data().toInt())) {
                    // The CD page in front fills its own items.
                    CCDTab* page = CurrentCdPage();
                    if (page != nullptr && !page->IsRipping())
                        page->UpdateMenuItem(action);
                    else
                        action->setEnabled(false);
                }
                break;
        }
    }
}
