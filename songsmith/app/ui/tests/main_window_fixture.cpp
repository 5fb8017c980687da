#include "songsmith/app/ui/tests/main_window_fixture.h"

#include <QApplication>
#include <QLayout>
#include <QSplitter>
#include <QToolBar>

#include "platform/user_folders.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/app/command_ids.h"
#include "utilities/keyed_text.h"

namespace {

QAction* FindInMenu(QMenu* menu, int command) {
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindInMenu(sub, command)) return found;
        } else if (!action->isSeparator() && action->data().toInt() == command) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

void MainWindowFixture::SetUp() {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    prefs_ = std::make_unique<CPreferences>();
    AsAnEarlierRunLeftThem(*prefs_);
    platter_ = std::make_unique<PLATTER_CPlatter>();
}

void MainWindowFixture::TearDown() {
    main_.reset();
    platter_.reset();
    prefs_.reset();
}

void MainWindowFixture::Open(int drives) {
    platter_->imageDrive.enabled = drives > 0;
    platter_->imageDrive.trays.clear();
    for (int i = 0; i < drives; ++i) {
        platter_->imageDrive.trays.push_back(trays_.Path() + "/tray" + std::to_string(i));
    }
    ASSERT_TRUE(platter_->InitializeASPILayer(false, nullptr, nullptr, nullptr));
    main_ = std::make_unique<CMainWindow>(*prefs_, *platter_);
    ASSERT_TRUE(main_->Create());
    main_->Show();
    Settle();
}

void MainWindowFixture::Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QToolButton* MainWindowFixture::Button(int command) const {
    QToolBar* toolbar = main_->Toolbar().Window();
    return toolbar == nullptr ? nullptr
                              : toolbar->findChild<QToolButton*>(QString::number(command));
}

std::vector<int> MainWindowFixture::CheckedPageButtons() const {
    std::vector<int> checked;
    for (int command : {cmd::kFindPage, cmd::kLibraryPage, cmd::kCdPage}) {
        QToolButton* button = Button(command);
        if (button != nullptr && button->isChecked()) checked.push_back(command);
    }
    return checked;
}

QAction* MainWindowFixture::MenuItem(int command) const {
    for (QAction* top : main_->Window()->menuBar()->actions()) {
        if (top->menu() == nullptr) continue;
        if (QAction* found = FindInMenu(top->menu(), command)) return found;
    }
    return nullptr;
}

int MainWindowFixture::MiddleBandTop() const {
    QWidget* band = main_->MiddleBand()->Window();
    return band->mapTo(main_->Window(), QPoint(0, 0)).y();
}
