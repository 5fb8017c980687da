#pragma once
// The main window as the burn controller's host: the status bar's state
// text, the logo panel, the title, and whether a CD page rips.

#include "songsmith/core/burner_host.h"

class CMainWindow;

class CMainBurnerHost final : public IBurnerHost {
public:
    explicit CMainBurnerHost(CMainWindow& window) : window_(window) {}
    void SetStateText(const std::string& text) override;
    void SetLogoMode(int mode) override;
    void SetLogoLevel(double level) override;
    // Called by the poll on the main thread.
    void RefreshTotalsAndTitle() override;
    // The CD pages do not rip yet.
    bool WriterPageRipping() override { return false; }
    bool AnyPageRipping() override { return false; }

private:
    CMainWindow& window_;
};
