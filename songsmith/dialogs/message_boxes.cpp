#include "songsmith/dialogs/message_boxes.h"

#include <atomic>
#include <string>
#include <vector>

#include "songsmith/app/keyed_format.h"
#include "utilities/keyed_text.h"
#include "utilities/text_format.h"

namespace {

// Bytes read for a keyed text; longer texts are cut.
constexpr int kMessageTextSize = 4096;

std::atomic<int> gLastDontAskAgain{0};

std::string LoadKeyText(const char* key) {
    std::vector<char> text(kMessageTextSize);
    MyLoadString(key, text.data(), kMessageTextSize);
    return text.data();
}

// The escapes become CRs; a CR, alone or before a LF, is one line break. The
// escape pair "\r\n" is one line break too, as in the keyed text files.
std::string WithLineBreaks(const char* text) {
    std::string escaped = text;
    for (std::size_t at = escaped.find("\\r\\n"); at != std::string::npos; at = escaped.find("\\r\\n", at)) {
        escaped.erase(at, 2);
    }
    std::vector<char> parsed(escaped.size() + 1);
    ParseCarriageReturns(escaped.c_str(), parsed.data(), static_cast<long>(parsed.size()));
    std::string lines;
    for (const char* c = parsed.data(); *c != '\0'; ++c) {
        if (*c == '\r') {
            lines += '\n';
            if (c[1] == '\n') ++c;
        } else {
            lines += *c;
        }
    }
    return lines;
}

std::int32_t Show(void* owner, const TMessageRequest& request) {
    gLastDontAskAgain = 1;
    const TMessageAnswer answer = GetUiServices().ShowMessage(owner, request);
    gLastDontAskAgain = answer.dontAskAgain ? 1 : 0;
    return answer.id;
}

}  // namespace

TMessageRequest MakeMessageRequest(const char* key, const char* text, std::uint32_t flags,
                                   const char* caption) {
    TMessageRequest request;
    request.key = key != nullptr ? key : "";
    request.text = WithLineBreaks(text != nullptr ? text : "");
    request.caption = caption != nullptr && caption[0] != '\0' ? caption : LoadKeyText("Program Name");
    request.flags = flags;
    return request;
}

std::int32_t ShowMessageText(void* owner, const char* text, std::uint32_t flags, const char* caption) {
    return Show(owner, MakeMessageRequest(nullptr, text, flags, caption));
}

std::int32_t ShowMessageKey(void* owner, const char* key, std::uint32_t flags, const char* caption) {
    const std::string text = LoadKeyText(key);
    return Show(owner, MakeMessageRequest(key, text.c_str(), flags, caption));
}

std::int32_t ShowFileMessageKey(void* owner, const char* key, const std::string& path, std::uint32_t flags,
                                const char* caption) {
    const std::string text = FormatKeyedText(key, {path});
    return Show(owner, MakeMessageRequest(key, text.c_str(), flags, caption));
}

int GetLastDontAskAgain() { return gLastDontAskAgain.load(); }
