#include "songsmith/burner/ui/main_burner_host.h"

#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/drawing/ui/logo_panel.h"
#include "songsmith/app/ui/main_window.h"

void CMainBurnerHost::SetStateText(const std::string& text) { window_.StatusBar().SetStateText(text.c_str()); }

void CMainBurnerHost::SetLogoMode(int mode) {
    if (CBottomContainerWindow* bottom = window_.BottomBand(); bottom != nullptr && bottom->Logo() != nullptr)
        bottom->Logo()->SetMode(mode);
}

void CMainBurnerHost::SetLogoLevel(double level) {
    if (CBottomContainerWindow* bottom = window_.BottomBand(); bottom != nullptr && bottom->Logo() != nullptr)
        bottom->Logo()->SetLevel(level);
}

void CMainBurnerHost::RefreshTotalsAndTitle() {
    // The session list reckons its totals on its own thread: the message
    // that asks it to is the loader's.
    PostToAppWindow(EAppWindow::kSessionList, TAppMessage{WM_TRACKS_LOADED, 0, 0, nullptr});
    window_.UpdateTitle();
}

void CMainBurnerHost::FindWriterPage(const std::string& driveText) {
    const CFindContainerWindow* pane = window_.TabPane();
    writerPage_.store(pane == nullptr ? nullptr : pane->GetCDTabByDrive(driveText.c_str()));
}

bool CMainBurnerHost::WriterPageRipping() {
    const CCDTab* page = writerPage_.load();
    return page != nullptr && page->IsRipping();
}

bool CMainBurnerHost::AnyPageRipping() {
    const CFindContainerWindow* pane = window_.TabPane();
    return pane != nullptr && pane->GetRippingCDTab() != nullptr;
}

TReceiverId CMainBurnerHost::WindowReceiver() { return window_.ReceiverId(); }
