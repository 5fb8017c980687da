#include "utilities/profile_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "utilities/bounded_read.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"

using textcopy::CopyTextCut;

namespace {

// A piece of the profile's text: offset and length.
struct TSpan {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct TEntry {
    std::uint32_t section;  // the first section line of its name
    TSpan key;
    TSpan value;
};

// One parsed file. Names and values stay in the file's text and are found
// through sorted indexes, so a file costs a small, fixed number of bytes per
// line on top of its text, whatever its lines hold.
class CProfile {
public:
    explicit CProfile(std::string text) : text_(std::move(text)) {}

    std::string_view Text(TSpan span) const { return std::string_view(text_).substr(span.offset, span.length); }
    TSpan SpanOf(std::string_view piece) const {
        return TSpan{static_cast<std::uint32_t>(piece.data() - text_.data()),
                     static_cast<std::uint32_t>(piece.size())};
    }
    std::string_view WholeText() const { return text_; }

    // Adds a section line; entries that follow belong to it.
    void AddSection(std::string_view name) { sections_.push_back(SpanOf(name)); }
    // Adds an entry to the last section; false before the first one.
    bool AddEntry(std::string_view key, std::string_view value) {
        if (sections_.empty()) return false;
        entries_.push_back(TEntry{static_cast<std::uint32_t>(sections_.size() - 1), SpanOf(key), SpanOf(value)});
        return true;
    }
    // Builds the indexes once every line is in: a section that appears again
    // continues the first of its name.
    void Index();

    // First section lines of each name, in file order.
    std::vector<std::string> SectionNames() const;
    // The first section line of that name (ASCII case ignored), or -1.
    std::int64_t FindSection(std::string_view name) const;
    // The first entry of key in section, or null.
    const TEntry* Find(std::uint32_t section, std::string_view key) const;
    // The keys of a section in file order, each in its first spelling.
    std::vector<std::string> KeyNames(std::uint32_t section) const;

    std::size_t MemoryBytes() const {
        return text_.capacity() + sections_.capacity() * sizeof(TSpan) + entries_.capacity() * sizeof(TEntry) +
               (sectionFirst_.capacity() + sectionOrder_.capacity() + entryOrder_.capacity()) *
                   sizeof(std::uint32_t);
    }

private:
    bool SectionLess(std::uint32_t a, std::uint32_t b) const {
        return AsciiCompareNoCase(Text(sections_[a]), Text(sections_[b])) < 0;
    }

    std::string text_;
    std::vector<TSpan> sections_;               // every section line, in file order
    std::vector<TEntry> entries_;               // in file order
    std::vector<std::uint32_t> sectionFirst_;   // each section line's first line of its name
    std::vector<std::uint32_t> sectionOrder_;   // first section lines sorted by name
    std::vector<std::uint32_t> entryOrder_;     // entries by section, key, then file order
};

std::vector<std::uint32_t> Numbers(std::size_t count) {
    std::vector<std::uint32_t> numbers(count);
    for (std::size_t i = 0; i < count; ++i) numbers[i] = static_cast<std::uint32_t>(i);
    return numbers;
}

void CProfile::Index() {
    // Stable sorts keep equal names in file order, so the first of each run
    // is the first in the file.
    std::vector<std::uint32_t> byName = Numbers(sections_.size());
    std::stable_sort(byName.begin(), byName.end(), [this](std::uint32_t a, std::uint32_t b) { return SectionLess(a, b); });
    sectionFirst_.resize(sections_.size());
    for (std::size_t i = 0; i < byName.size(); ++i) {
        const bool first = i == 0 || SectionLess(byName[i - 1], byName[i]);
        sectionFirst_[byName[i]] = first ? byName[i] : sectionFirst_[byName[i - 1]];
        if (first) sectionOrder_.push_back(byName[i]);
    }
    sectionOrder_.shrink_to_fit();
    for (TEntry& entry : entries_) entry.section = sectionFirst_[entry.section];

    entryOrder_ = Numbers(entries_.size());
    std::stable_sort(entryOrder_.begin(), entryOrder_.end(), [this](std::uint32_t a, std::uint32_t b) {
        if (entries_[a].section != entries_[b].section) return entries_[a].section < entries_[b].section;
        return AsciiCompareNoCase(Text(entries_[a].key), Text(entries_[b].key)) < 0;
    });
}

std::vector<std::string> CProfile::SectionNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (sectionFirst_[i] == i) names.emplace_back(Text(sections_[i]));
    }
    return names;
}

std::int64_t CProfile::FindSection(std::string_view name) const {
    const auto it = std::lower_bound(sectionOrder_.begin(), sectionOrder_.end(), name,
                                     [this](std::uint32_t s, std::string_view wanted) {
                                         return AsciiCompareNoCase(Text(sections_[s]), wanted) < 0;
                                     });
    if (it == sectionOrder_.end() || !AsciiEqualNoCase(Text(sections_[*it]), name)) return -1;
    return *it;
}

const TEntry* CProfile::Find(std::uint32_t section, std::string_view key) const {
    const auto before = [this](std::uint32_t e, const std::pair<std::uint32_t, std::string_view>& wanted) {
        if (entries_[e].section != wanted.first) return entries_[e].section < wanted.first;
        return AsciiCompareNoCase(Text(entries_[e].key), wanted.second) < 0;
    };
    const auto it = std::lower_bound(entryOrder_.begin(), entryOrder_.end(), std::make_pair(section, key), before);
    if (it == entryOrder_.end()) return nullptr;
    const TEntry& found = entries_[*it];
    return found.section == section && AsciiEqualNoCase(Text(found.key), key) ? &found : nullptr;
}

std::vector<std::string> CProfile::KeyNames(std::uint32_t section) const {
    // The section's entries stand together in entryOrder_, equal keys in a
    // run led by the first in the file: the leaders, in file order, are the
    // keys in their first spelling.
    auto it = std::lower_bound(entryOrder_.begin(), entryOrder_.end(), section,
                               [this](std::uint32_t e, std::uint32_t wanted) { return entries_[e].section < wanted; });
    std::vector<std::uint32_t> leaders;
    for (auto previous = entryOrder_.end(); it != entryOrder_.end() && entries_[*it].section == section; ++it) {
        if (previous == entryOrder_.end() ||
            !AsciiEqualNoCase(Text(entries_[*previous].key), Text(entries_[*it].key))) {
            leaders.push_back(*it);
        }
        previous = it;
    }
    std::sort(leaders.begin(), leaders.end());
    std::vector<std::string> names;
    names.reserve(leaders.size());
    for (std::uint32_t e : leaders) names.emplace_back(Text(entries_[e].key));
    return names;
}

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

// Files larger than this are refused (UTILITIES_ERR_FILE_TOO_LARGE): the
// keyed text files and playlists in this layout are far smaller, and the
// bound keeps a stray file from costing memory without end.
constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;

std::shared_ptr<const CProfile> Parse(std::string bytes) {
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (std::string_view(bytes).substr(0, kBom.size()) == kBom) bytes.erase(0, kBom.size());
    if (!IsValidUtf8(bytes)) bytes = Windows1252ToUtf8(bytes);
    auto profile = std::make_shared<CProfile>(std::move(bytes));
    std::string_view text = profile->WholeText();
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            line.remove_prefix(1);
            profile->AddSection(Trim(line.substr(0, line.find(']'))));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        profile->AddEntry(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    profile->Index();
    return profile;
}

// --- Cache ---------------------------------------------------------------

// Keyed text files are few, small and read often; playlists pass through
// once. Bounds on the count and on the memory keep a long import of
// playlists, or one large file, from staying in memory after its reader.
constexpr std::size_t kCachedFiles = 32;
constexpr std::size_t kCachedBytes = 8 * 1024 * 1024;

struct TCached {
    TFileStamp stamp;
    std::shared_ptr<const CProfile> profile;
    std::uint64_t lastUse = 0;
};

struct TCache {
    std::mutex lock;
    std::map<std::string, TCached> files;
    std::size_t bytes = 0;
    std::uint64_t uses = 0;

    void Erase(std::map<std::string, TCached>::iterator it) {
        bytes -= it->second.profile->MemoryBytes();
        files.erase(it);
    }
    void EraseOldest() {
        auto oldest = files.begin();
        for (auto it = files.begin(); it != files.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        }
        Erase(oldest);
    }
    void Keep(const std::string& path, const TFileStamp& stamp, std::shared_ptr<const CProfile> profile) {
        if (auto it = files.find(path); it != files.end()) Erase(it);
        const std::size_t size = profile->MemoryBytes();
        if (size > kCachedBytes) return;
        while (!files.empty() && (files.size() >= kCachedFiles || bytes + size > kCachedBytes)) EraseOldest();
        files[path] = TCached{stamp, std::move(profile), ++uses};
        bytes += size;
    }
};

TCache& Cache() {
    // Never destroyed: texts may be read from static destructors.
    static TCache* cache = new TCache;
    return *cache;
}

std::shared_ptr<const CProfile> Load(const char* path) {
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

    std::string bytes;
    if (!ReadFileBounded(path, kMaxProfileBytes, bytes)) return nullptr;
    std::shared_ptr<const CProfile> profile = Parse(std::move(bytes));
    // The file may have changed while it was read; a stamp taken afterwards
    // makes the next reader parse it again rather than keep stale text.
    const std::optional<TFileStamp> after = StampOf(key);

    std::lock_guard guard(cache.lock);
    if (after && *after == *stamp) cache.Keep(key, *stamp, profile);
    return profile;
}

std::optional<std::string_view> FindValue(const CProfile* profile, const char* section, const char* key) {
    if (profile == nullptr || section == nullptr || key == nullptr) return std::nullopt;
    const std::int64_t s = profile->FindSection(section);
    const TEntry* e = s >= 0 ? profile->Find(static_cast<std::uint32_t>(s), key) : nullptr;
    if (e == nullptr) return std::nullopt;
    return profile->Text(e->value);
}

}  // namespace

int GetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                            char* out, int size, const char* path) {
    if (out == nullptr || size < 1) return 0;
    const std::shared_ptr<const CProfile> profile = Load(path);
    const std::string_view text = FindValue(profile.get(), section, key)
                                      .value_or(defaultText != nullptr ? defaultText : "");
    return static_cast<int>(CopyTextCut(text, out, static_cast<std::size_t>(size)));
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* path) {
    const std::shared_ptr<const CProfile> profile = Load(path);
    const std::optional<std::string_view> value = FindValue(profile.get(), section, key);
    if (!value || value->empty()) return defaultValue;

    std::string_view text = *value;
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
    const std::shared_ptr<const CProfile> profile = Load(path);
    return profile != nullptr ? profile->SectionNames() : std::vector<std::string>{};
}

std::vector<std::string> GetPrivateProfileKeyNames(const char* section, const char* path) {
    const std::shared_ptr<const CProfile> profile = Load(path);
    if (profile == nullptr || section == nullptr) return {};
    const std::int64_t s = profile->FindSection(section);
    return s >= 0 ? profile->KeyNames(static_cast<std::uint32_t>(s)) : std::vector<std::string>{};
}
