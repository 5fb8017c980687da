#include "songsmith/app/ui_services.h"

#include <atomic>
#include <cstdio>

namespace {

// Without a desktop nobody can answer: every question counts as closed, so
// no caller goes on as if the user had agreed.
class CHeadlessUiServices final : public IUiServices {
public:
    TMessageAnswer ShowMessage(void* /*owner*/, const TMessageRequest& request) override {
        std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
        return {};
    }
    std::vector<std::string> ChooseFile(void* /*owner*/, const TFileChooserRequest& request) override {
        Note("file chooser", request.title.c_str());
        return {};
    }
    std::string ChooseFolder(void* /*owner*/, const char* titleKey, const char* /*startFolder*/) override {
        Note("folder chooser", titleKey);
        return {};
    }
    bool OpenUrl(const char* url) override {
        Note("web page", url);
        return false;
    }
    bool OpenFolder(const char* path) override {
        Note("folder", path);
        return false;
    }
    void ShowHelpContents() override { Note("help", "contents"); }
    void ShowHelpContext(std::int32_t context) override { Note("help context", std::to_string(context).c_str()); }
    void ShowHelpPopup(std::int32_t topic, void* /*control*/) override {
        Note("help topic", std::to_string(topic).c_str());
    }
    void StartMixerProgram() override { Note("mixer", ""); }
    void AddRecentDocument(const char* /*path*/) override {}

private:
    static void Note(const char* what, const char* detail) {
        std::fprintf(stderr, "no desktop for the %s: %s\n", what, detail != nullptr ? detail : "");
    }
};

CHeadlessUiServices gHeadless;
std::atomic<IUiServices*> gInstalled{nullptr};

}  // namespace

IUiServices& GetUiServices() {
    IUiServices* installed = gInstalled.load();
    return installed != nullptr ? *installed : gHeadless;
}

IUiServices* SetUiServices(IUiServices* services) { return gInstalled.exchange(services); }
