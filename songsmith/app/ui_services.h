#pragma once
// What the program asks of its user and its desktop: message boxes, file and
// folder choosers, opening web pages, folders and help, the mixer program.
// Everything goes through one process-wide IUiServices, so the program's
// logic runs without widgets: the program installs the Qt implementation at
// start-up, tests install a scripted fake and check the questions by key.
//
// No Qt here. A window is an opaque pointer that only the implementation
// knows how to use (the Qt one takes it as a QWidget*).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"

// Bit of a message box's flags that adds the "do not ask again" check box.
inline constexpr std::uint32_t kMessageBoxDontAskAgain = 0x00010000;

// One message box as the user will see it.
struct TMessageRequest {
    std::string key;      // the text's key; empty when the caller gave the text
    std::string text;     // the text, its line-break escapes already line breaks
    std::string caption;  // never empty
    std::uint32_t flags = MB_OK;
};

// How the user left a message box: the button's id (IDCANCEL when the box
// was closed) and whether the check box was ticked.
struct TMessageAnswer {
    std::int32_t id = IDCANCEL;
    bool dontAskAgain = false;
};

// An open or save chooser, with the arguments the program's callers give.
struct TFileChooserRequest {
    bool open = true;            // false: the save chooser (asks before overwriting)
    std::string filter;          // "Songs|*.mp3;*.wav|" (or NUL-separated)
    std::string defaultExtension;
    std::string title;           // the chooser's title text
    std::string initialFolder;
    std::string proposedName;    // the file name offered at first
    bool multiSelect = false;    // open chooser only
};

class IUiServices {
public:
    virtual ~IUiServices() = default;

    virtual TMessageAnswer ShowMessage(void* owner, const TMessageRequest& request) = 0;
    // The chosen files as full paths; empty when the user cancelled.
    virtual std::vector<std::string> ChooseFile(void* owner, const TFileChooserRequest& request) = 0;
    // A folder (title from the key titleKey), starting at startFolder; empty
    // when the user cancelled.
    virtual std::string ChooseFolder(void* owner, const char* titleKey, const char* startFolder) = 0;
    // Opens a web address in the user's browser; true when it was started.
    virtual bool OpenUrl(const char* url) = 0;
    // Shows a folder in the desktop's file manager.
    virtual bool OpenFolder(const char* path) = 0;
    // The help's contents page, the page of a context number, and the short
    // help of a topic at a control.
    virtual void ShowHelpContents() = 0;
    virtual void ShowHelpContext(std::int32_t context) = 0;
    virtual void ShowHelpPopup(std::int32_t topic, void* control) = 0;
    // The desktop's sound mixer program.
    virtual void StartMixerProgram() = 0;
    // Tells the desktop that a document was used (nothing on this system).
    virtual void AddRecentDocument(const char* path) = 0;
};

// The installed services; without any, a stand-in that answers every box as
// if it were closed (IDCANCEL, not ticked), chooses nothing and opens nothing,
// each with a line on stderr.
IUiServices& GetUiServices();
// Installs services for the whole process (null: the stand-in) and returns
// the ones replaced (null for the stand-in). Install before other threads ask.
IUiServices* SetUiServices(IUiServices* services);
