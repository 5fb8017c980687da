#pragma once
// A scripted stand-in for the program's UI services, for tests of the
// program's logic without widgets. A test scripts the questions it expects
// (message boxes by key, file and folder choosers by title) in their order,
// each with its answer; every call is recorded. A question that is not the
// next one scripted fails the test, naming its key, and is answered as if
// the user had closed it. Questions scripted but never asked fail the test
// when the fake goes away.
//
// The fake installs itself as the process's services for its lifetime.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "songsmith/app/ui_services.h"

namespace testsupport {

// One call to the services as the fake saw it.
struct TUiCall {
    std::string kind;     // "message", "open file", "save file", "folder", "url",
                          // "open folder", "help contents", "help context",
                          // "help popup", "mixer", "recent document"
    std::string key;      // message key (its text when none), chooser title, folder title key
    std::string text;     // message text, address or path
    std::string caption;  // message caption
    std::uint32_t flags = 0;
    std::int32_t number = 0;  // help context or topic
};

class CFakeUiServices final : public IUiServices {
public:
    CFakeUiServices();
    ~CFakeUiServices() override;
    CFakeUiServices(const CFakeUiServices&) = delete;
    CFakeUiServices& operator=(const CFakeUiServices&) = delete;

    // The next question is the message box of key (or of that text, for a
    // box given its text); it is answered with id and the check box state.
    void ExpectMessage(std::string key, std::int32_t id, bool dontAskAgain = false);
    // The same, but while the box is open (before it is answered) the user
    // or the machine does what meanwhile does: a real box runs the event
    // loop, so timers fire and a disc may change under it.
    void ExpectMessageWhile(std::string key, std::int32_t id, std::function<void()> meanwhile);
    // The next question is an open (open true) or save chooser with that
    // title; the user chooses paths (none: cancelled).
    void ExpectFile(bool open, std::string title, std::vector<std::string> paths);
    // The next question is the folder chooser with that title key.
    void ExpectFolder(std::string titleKey, std::string folder);

    std::vector<TUiCall> Calls() const;
    // The keys of the message boxes shown, in order.
    std::vector<std::string> MessageKeys() const;
    // The addresses opened, in order.
    std::vector<std::string> OpenedUrls() const;

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

private:
    struct TScripted {
        std::string kind;
        std::string key;
        TMessageAnswer message;
        std::vector<std::string> paths;
        std::function<void()> meanwhile;
    };

    // Records the question and takes its scripted answer; none (and a test
    // failure) when it is not the next one scripted.
    std::optional<TScripted> Ask(TUiCall call);
    void Record(TUiCall call);

    mutable std::mutex lock_;
    std::deque<TScripted> script_;
    std::vector<TUiCall> calls_;
    IUiServices* previous_ = nullptr;
};

}  // namespace testsupport
