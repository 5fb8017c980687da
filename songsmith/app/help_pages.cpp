#include "songsmith/app/help_pages.h"

#include <vector>

#include "platform/user_folders.h"
#include "utilities/keyed_text.h"

namespace {
// Bytes read for one short help text.
constexpr int kPopupTextSize = 2048;
}  // namespace

std::string HelpIndexPath() { return FindResourceFile("help/index.html"); }

std::string HelpContextAnchor(std::int32_t context) { return "ctx" + std::to_string(context); }

std::string HelpPopupText(std::int32_t topic) {
    const std::string file = FindResourceFile("help/popups.txt");
    if (file.empty()) return {};
    const std::string key = "Topic" + std::to_string(topic);
    std::vector<char> text(kPopupTextSize);
    MyLoadString(key.c_str(), text.data(), kPopupTextSize, file.c_str());
    // A missing text reads as its key, which is no help to show.
    return key == text.data() ? std::string() : std::string(text.data());
}
