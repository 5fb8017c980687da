#include "testsupport/fake_ui_services.h"

#include <gtest/gtest.h>

#include <utility>

namespace testsupport {

namespace {
std::string Text(const char* text) { return text != nullptr ? text : ""; }
}  // namespace

CFakeUiServices::CFakeUiServices() { previous_ = SetUiServices(this); }

CFakeUiServices::~CFakeUiServices() {
    SetUiServices(previous_);
    for (const TScripted& left : script_) {
        ADD_FAILURE() << "scripted " << left.kind << " \"" << left.key << "\" was never asked";
    }
}

void CFakeUiServices::ExpectMessage(std::string key, std::int32_t id, bool dontAskAgain) {
    std::lock_guard guard(lock_);
    script_.push_back({"message", std::move(key), {id, dontAskAgain}, {}, {}});
}

void CFakeUiServices::ExpectMessageWhile(std::string key, std::int32_t id, std::function<void()> meanwhile) {
    std::lock_guard guard(lock_);
    script_.push_back({"message", std::move(key), {id, false}, {}, std::move(meanwhile)});
}

void CFakeUiServices::ExpectFile(bool open, std::string title, std::vector<std::string> paths) {
    std::lock_guard guard(lock_);
    script_.push_back({open ? "open file" : "save file", std::move(title), {}, std::move(paths), {}});
}

void CFakeUiServices::ExpectFolder(std::string titleKey, std::string folder) {
    std::lock_guard guard(lock_);
    script_.push_back({"folder", std::move(titleKey), {}, {std::move(folder)}, {}});
}

std::vector<TUiCall> CFakeUiServices::Calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

std::vector<std::string> CFakeUiServices::MessageKeys() const {
    std::vector<std::string> keys;
    for (const TUiCall& call : Calls()) {
        if (call.kind == "message") keys.push_back(call.key);
    }
    return keys;
}

std::vector<std::string> CFakeUiServices::OpenedUrls() const {
    std::vector<std::string> urls;
    for (const TUiCall& call : Calls()) {
        if (call.kind == "url") urls.push_back(call.text);
    }
    return urls;
}

std::optional<CFakeUiServices::TScripted> CFakeUiServices::Ask(TUiCall call) {
    std::lock_guard guard(lock_);
    calls_.push_back(call);
    if (script_.empty() || script_.front().kind != call.kind || script_.front().key != call.key) {
        ADD_FAILURE() << "unexpected " << call.kind << " \"" << call.key << "\""
                      << (script_.empty() ? std::string(" (nothing more scripted)")
                                          : " (scripted next: " + script_.front().kind + " \"" +
                                                script_.front().key + "\")");
        return std::nullopt;
    }
    TScripted answer = std::move(script_.front());
    script_.pop_front();
    return answer;
}

void CFakeUiServices::Record(TUiCall call) {
    std::lock_guard guard(lock_);
    calls_.push_back(std::move(call));
}

TMessageAnswer CFakeUiServices::ShowMessage(void* /*owner*/, const TMessageRequest& request) {
    TUiCall call{"message", request.key.empty() ? request.text : request.key, request.text,
                 request.caption, request.flags, 0};
    const std::optional<TScripted> answer = Ask(std::move(call));
    // Outside the lock: what happens meanwhile may show boxes of its own.
    if (answer && answer->meanwhile) answer->meanwhile();
    return answer ? answer->message : TMessageAnswer{};
}

std::vector<std::string> CFakeUiServices::ChooseFile(void* /*owner*/, const TFileChooserRequest& request) {
    const std::optional<TScripted> answer =
        Ask({request.open ? "open file" : "save file", request.title, request.initialFolder, {}, 0, 0});
    return answer ? answer->paths : std::vector<std::string>{};
}

std::string CFakeUiServices::ChooseFolder(void* /*owner*/, const char* titleKey, const char* startFolder) {
    const std::optional<TScripted> answer = Ask({"folder", Text(titleKey), Text(startFolder), {}, 0, 0});
    return answer && !answer->paths.empty() ? answer->paths.front() : std::string();
}

bool CFakeUiServices::OpenUrl(const char* url) {
    Record({"url", {}, Text(url), {}, 0, 0});
    return true;
}

bool CFakeUiServices::OpenFolder(const char* path) {
    Record({"open folder", {}, Text(path), {}, 0, 0});
    return true;
}

void CFakeUiServices::ShowHelpContents() { Record({"help contents", {}, {}, {}, 0, 0}); }

void CFakeUiServices::ShowHelpContext(std::int32_t context) {
    Record({"help context", {}, {}, {}, 0, context});
}

void CFakeUiServices::ShowHelpPopup(std::int32_t topic, void* /*control*/) {
    Record({"help popup", {}, {}, {}, 0, topic});
}

void CFakeUiServices::StartMixerProgram() { Record({"mixer", {}, {}, {}, 0, 0}); }

void CFakeUiServices::AddRecentDocument(const char* path) {
    Record({"recent document", {}, Text(path), {}, 0, 0});
}

}  // namespace testsupport
