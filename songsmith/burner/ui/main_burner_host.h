#pragma once
// The main window as the burn controller's host: the status bar's state
// text, the logo panel, the title, and whether a CD page rips.

#include <atomic>

#include "songsmith/burner/burner_host.h"

class CCDTab;
class CMainWindow;

class CMainBurnerHost final : public IBurnerHost {
public:
    explicit CMainBurnerHost(CMainWindow& window) : window_(window) {}
    void SetStateText(const std::string& text) override;
    void SetLogoMode(int mode) override;
    void SetLogoLevel(double level) override;
    // Called by the poll on the main thread.
    void RefreshTotalsAndTitle() override;
    void FindWriterPage(const std::string& driveText) override;
    // Any thread: the pages are made with the window and stay until it
    // goes, and a page's ripping flag may be read from any thread.
    bool WriterPageRipping() override;
    bool AnyPageRipping() override;
    TReceiverId WindowReceiver() override;

    // The writer's CD page; null when no page shows the writer's drive.
    CCDTab* WriterPage() const { return writerPage_.load(); }

private:
    CMainWindow& window_;
    std::atomic<CCDTab*> writerPage_{nullptr};
};
