#include "songsmith/session/recent_sessions.h"

#include <algorithm>
#include <filesystem>

#include "songsmith/app/keyed_format.h"
#include "utilities/string_list.h"

void AddRecentPath(CStringList& list, const char* path) {
    if (path == nullptr || *path == '\0') return;
    std::vector<std::string> kept{path};
    for (int i = 0; i < list.Count(); ++i) {
        const char* entry = list.Index(i);
        if (entry != nullptr && kept.front() != entry) kept.emplace_back(entry);
    }
    if (kept.size() > static_cast<std::size_t>(kMaxRecentSessions)) kept.resize(kMaxRecentSessions);
    list.DeleteStringList();
    for (const std::string& entry : kept) list.PushBackList(entry.c_str());
}

std::vector<TRecentMenuItem> RecentMenuItems(
    const CStringList& list, const std::function<bool(const std::string&)>& exists) {
    std::vector<TRecentMenuItem> items;
    const int count = std::min(list.Count(), kMaxRecentSessions);
    for (int i = 0; i < count; ++i) {
        const char* entry = list.Index(i);
        if (entry == nullptr || !exists(entry)) continue;
        // A '&' of the name is shown, not taken as the item's key letter.
        std::string name;
        for (const char c : std::filesystem::path(entry).filename().string()) {
            name += c;
            if (c == '&') name += '&';
        }
        std::string text;
        const int number = static_cast<int>(items.size()) + 1;
        FormatTextChecked("&%d %s", {{CTextArg(number), CTextArg(name)}}, text);
        items.push_back({i, std::move(text)});
    }
    return items;
}
