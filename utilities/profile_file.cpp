#include "utilities/profile_file.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/ascii_case.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

using textcopy::CopyTextCut;

namespace {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = AsciiToLower(c);
    return folded;
}

struct TEntry {
    std::string key;
    std::string value;
};

// Entries in file order; the index maps each folded key to its first entry.
struct TSection {
    std::string name;
    std::vector<TEntry> entries;
    std::unordered_map<std::string, std::size_t> index;

    void Add(std::string_view key, std::string_view value) {
        index.emplace(Folded(key), entries.size());
        entries.push_back(TEntry{std::string(key), std::string(value)});
    }
    const TEntry* Find(std::string_view key) const {
        const auto it = index.find(Folded(key));
        return it != index.end() ? &entries[it->second] : nullptr;
    }
};

struct TProfile {
    std::vector<TSection> sections;
    std::unordered_map<std::string, std::size_t> index;  // folded name to section

    const TSection* Find(std::string_view name) const {
        const auto it = index.find(Folded(name));
        return it != index.end() ? &sections[it->second] : nullptr;
    }
    // The section of that name; a name seen before continues its section.
    TSection& Open(std::string_view name) {
        const auto [it, added] = index.emplace(Folded(name), sections.size());
        if (added) sections.push_back(TSection{std::string(name), {}, {}});
        return sections[it->second];
    }
};

// What identifies one version of a file on disk.
struct TFileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const TFileStamp&) const = default;
};

std::optional<TFileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return TFileStamp{
        st.st_dev, st.st_ino, st.st_size,
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// --- Parsing -------------------------------------------------------------

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

TProfile Parse(std::string_view text) {
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    std::string decoded;
    if (!IsValidUtf8(text)) {
        decoded = Windows1252ToUtf8(text);
        text = decoded;
    }

    TProfile profile;
    TSection* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            line.remove_prefix(1);
            const std::string_view name = Trim(line.substr(0, line.find(']')));
            current = &profile.Open(name);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        current->Add(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return profile;
}

// --- Cache ---------------------------------------------------------------

// Keyed text files are few and read often; playlists pass through once. A
// small bound keeps a long import of playlists from holding them all.
constexpr std::size_t kCachedFiles = 32;

struct TCached {
    TFileStamp stamp;
    std::shared_ptr<const TProfile> profile;
    std::uint64_t lastUse = 0;
};

struct TCache {
    std::mutex lock;
    std::map<std::string, TCached> files;
    std::uint64_t uses = 0;
};

TCache& Cache() {
    // Never destroyed: texts may be read from static destructors.
    static TCache* cache = new TCache;
    return *cache;
}

std::shared_ptr<const TProfile> Load(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    const std::string key(path);
    const std::optional<TFileStamp> stamp = StampOf(key);
    if (!stamp) return nullptr;

    TCache& cache = Cache();
    {
        std::lock_guard guard(cache.lock);
        auto it = cache.files.find(key);
        if (it != cache.files.end() && it->second.stamp == *stamp) {
            it->second.lastUse = ++cache.uses;
            return it->second.profile;
        }
    }

    std::ifstream in(key, std::ios::binary);
    if (!in) return nullptr;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto profile = std::make_shared<const TProfile>(Parse(bytes));
    // The file may have changed while it was read; a stamp taken afterwards
    // makes the next reader parse it again rather than keep stale text.
    const std::optional<TFileStamp> after = StampOf(key);

    std::lock_guard guard(cache.lock);
    if (after && *after == *stamp) {
        if (cache.files.size() >= kCachedFiles && cache.files.find(key) == cache.files.end()) {
            auto oldest = cache.files.begin();
            for (auto it = cache.files.begin(); it != cache.files.end(); ++it) {
                if (it->second.lastUse < oldest->second.lastUse) oldest = it;
            }
            cache.files.erase(oldest);
        }
        cache.files[key] = TCached{*stamp, profile, ++cache.uses};
    }
    return profile;
}

const std::string* FindValue(const TProfile* profile, const char* section, const char* key) {
    if (profile == nullptr || section == nullptr || key == nullptr) return nullptr;
    const TSection* s = profile->Find(section);
    const TEntry* e = s != nullptr ? s->Find(key) : nullptr;
    return e != nullptr ? &e->value : nullptr;
}

}  // namespace

int GetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                            char* out, int size, const char* path) {
    if (out == nullptr || size < 1) return 0;
    const std::shared_ptr<const TProfile> profile = Load(path);
    const std::string* value = FindValue(profile.get(), section, key);
    const std::string_view text = value != nullptr
                                      ? std::string_view(*value)
                                      : std::string_view(defaultText != nullptr ? defaultText : "");
    return static_cast<int>(CopyTextCut(text, out, static_cast<std::size_t>(size)));
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* path) {
    const std::shared_ptr<const TProfile> profile = Load(path);
    const std::string* value = FindValue(profile.get(), section, key);
    if (value == nullptr || value->empty()) return defaultValue;

    std::string_view text(*value);
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        // Saturate rather than overflow on absurd values.
        if (number <= INT_MAX) number = number * 10 + (c - '0');
    }
    if (negative) number = -number;
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

std::vector<std::string> GetPrivateProfileSectionNames(const char* path) {
    std::vector<std::string> names;
    const std::shared_ptr<const TProfile> profile = Load(path);
    if (profile == nullptr) return names;
    for (const TSection& s : profile->sections) names.push_back(s.name);
    return names;
}

std::vector<std::string> GetPrivateProfileKeyNames(const char* section, const char* path) {
    std::vector<std::string> names;
    const std::shared_ptr<const TProfile> profile = Load(path);
    if (profile == nullptr || section == nullptr) return names;
    const TSection* s = profile->Find(section);
    if (s == nullptr) return names;
    for (std::size_t i = 0; i < s->entries.size(); ++i) {
        // Only the first spelling of a repeated key.
        if (s->Find(s->entries[i].key) == &s->entries[i]) names.push_back(s->entries[i].key);
    }
    return names;
}
