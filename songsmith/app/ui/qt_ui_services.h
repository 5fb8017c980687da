#pragma once
// The UI services on Qt Widgets: the program's own message box, the
// standard file and folder choosers, the desktop's opener for pages,
// folders and the HTML help, What's This texts for the short help. A window
// passed as void* is a QWidget*.

#include "songsmith/app/ui_services.h"

class CQtUiServices final : public IUiServices {
public:
    TMessageAnswer ShowMessage(void* owner, const TMessageRequest& request) override;
    std::vector<std::string> ChooseFile(void* owner, const TFileChooserRequest& request) override;
    std::string ChooseFolder(void* owner, const char* titleKey, const char* startFolder) override;
    bool OpenUrl(const char* url) override;
    bool OpenFolder(const char* path) override;
    void ShowHelpContents() override;
    void ShowHelpContext(std::int32_t context) override;
    void ShowHelpPopup(std::int32_t topic, void* control) override;
    void StartMixerProgram() override;
    void AddRecentDocument(const char* path) override;
};

// Tells the user that the desktop's opener could not be started for url:
// a line in the log, and on the GUI thread a warning box naming the address
// (LaunchBrowser's failure handler, launch_browser.h).
void ReportNoDesktopOpener(const char* url);
