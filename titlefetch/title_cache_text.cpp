#include "titlefetch/title_cache_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/ascii_case.h"
#include "titlefetch/cddb_text.h"
#include "utilities/unicode.h"

namespace {

// The note of the "discext0=" line: the program and version that wrote the
// entry.
constexpr const char* kWriterNote = "Entry written by Marovelle Trackpress 2.0";

// One line of the file: all its bytes (line end included), and its text
// without the line end.
struct TCacheLine {
    std::string_view raw;
    std::string_view text;
};

std::vector<TCacheLine> SplitCacheLines(std::string_view cacheText) {
    std::vector<TCacheLine> lines;
    while (!cacheText.empty()) {
        const std::size_t newline = cacheText.find('\n');
        const std::size_t rawLength = newline == std::string_view::npos ? cacheText.size() : newline + 1;
        TCacheLine line{cacheText.substr(0, rawLength), cacheText.substr(0, rawLength)};
        while (!line.text.empty() && (line.text.back() == '\n' || line.text.back() == '\r')) line.text.remove_suffix(1);
        lines.push_back(line);
        cacheText.remove_prefix(rawLength);
    }
    return lines;
}

std::string SectionName(std::uint32_t discId) {
    char name[16];
    std::snprintf(name, sizeof name, "[%x]", discId);
    return name;
}

// Whether a line opens the section of a disc. Hexadecimal digits in either
// case name the same disc.
bool IsSectionOf(std::string_view line, std::string_view sectionName) { return AsciiEqualNoCase(line, sectionName); }

bool IsSectionLine(std::string_view line) { return !line.empty() && line.front() == '['; }

// A value as UTF-8: a value that is not valid UTF-8 came from an older
// program writing Windows-1252. Deciding per value keeps both readable in a
// file that such a program and this one have written to in turn.
std::string DecodeValue(std::string_view value) {
    return IsValidUtf8(value) ? std::string(value) : Windows1252ToUtf8(value);
}

// The track number of a key made of digits only; false for any other key.
// Numbers beyond any disc's tracks are capped, never overflow.
bool TrackKeyNumber(std::string_view key, std::int32_t& number) {
    if (key.empty()) return false;
    number = 0;
    for (const char ch : key) {
        if (ch < '0' || ch > '9') return false;
        number = std::min(number * 10 + (ch - '0'), kMaxCachedTracks + 1);
    }
    return true;
}

// What a section says about its disc, before it becomes an entry.
struct TCachedDisc {
    std::string artist;
    std::string title;
    std::string category;
    std::int32_t year = 0;
    // 0 until the "numtracks" line.
    std::int32_t trackCount = 0;
    std::vector<std::string> titles;
};

enum class SectionStep { kGoOn, kEnd, kRefuse };

// Takes one line of a disc's section into disc.
SectionStep TakeSectionLine(std::string_view line, TCachedDisc& disc) {
    const std::string_view key = CacheLineKey(line);
    // A line without a key (the empty line before the next section) or the
    // next section's own line ends the section.
    if (key.empty() || IsSectionLine(line)) return SectionStep::kEnd;
    const std::string_view value = CacheLineValue(line);
    std::int32_t track = 0;
    if (AsciiEqualNoCase(key, "artist")) {
        disc.artist = DecodeValue(value);
    } else if (AsciiEqualNoCase(key, "title")) {
        disc.title = DecodeValue(value);
    } else if (AsciiEqualNoCase(key, "category")) {
        disc.category = DecodeValue(value);
    } else if (AsciiEqualNoCase(key, "year")) {
        disc.year = LeadingDecimal(value);
    } else if (AsciiEqualNoCase(key, "numtracks")) {
        // Only the first count counts: the titles already taken belong to it.
        if (disc.trackCount != 0) return SectionStep::kGoOn;
        const std::int32_t count = LeadingDecimal(value);
        if (count <= 0 || count > kMaxCachedTracks) return SectionStep::kRefuse;
        disc.trackCount = count;
        disc.titles.assign(static_cast<std::size_t>(count), std::string());
    } else if (TrackKeyNumber(key, track)) {
        // Titles count only once the track count is known, and only for
        // tracks the disc has.
        if (track < disc.trackCount) disc.titles[static_cast<std::size_t>(track)] = DecodeValue(value);
    }
    // "EntryType", the "discext" notes and the keys of other players
    // ("order", "numplay") are passed over.
    return SectionStep::kGoOn;
}

INI_TEntry* MakeEntry(std::uint32_t discId, const TCachedDisc& disc) {
    auto* entry = new INI_TEntry;
    entry->discId = discId;
    CopyField(disc.artist, entry->artist);
    CopyField(disc.title, entry->title);
    CopyField(disc.category, entry->category);
    entry->year = disc.year;
    entry->trackCount = disc.trackCount;
    for (const std::string& title : disc.titles) {
        auto* text = new CCOMString(title.c_str());
        if (!entry->trackTitles.Append(text)) delete text;
    }
    return entry;
}

// A value for one line of the file: CR and LF become blanks.
std::string LineValue(std::string_view value) {
    std::string out(value);
    for (char& ch : out) {
        if (ch == '\r' || ch == '\n') ch = ' ';
    }
    return out;
}

std::string FieldValue(const char (&field)[kSiteTextSize]) { return LineValue(FieldText(field)); }

}  // namespace

std::string_view CacheLineKey(std::string_view line) {
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(0, equals);
}

std::string_view CacheLineValue(std::string_view line) {
    const std::size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

INI_TEntry* ReadCacheEntry(std::string_view cacheText, std::uint32_t discId) {
    if (discId == 0) return nullptr;
    const std::string sectionName = SectionName(discId);
    const std::vector<TCacheLine> lines = SplitCacheLines(cacheText);
    std::size_t i = 0;
    while (i < lines.size() && !IsSectionOf(lines[i].text, sectionName)) ++i;
    if (i == lines.size()) return nullptr;
    TCachedDisc disc;
    for (++i; i < lines.size(); ++i) {
        const SectionStep step = TakeSectionLine(lines[i].text, disc);
        if (step == SectionStep::kRefuse) return nullptr;
        if (step == SectionStep::kEnd) break;
    }
    // A section without a track count is no entry.
    if (disc.trackCount == 0) return nullptr;
    return MakeEntry(discId, disc);
}

std::string RemoveCacheSections(std::string_view cacheText, std::uint32_t discId) {
    const std::string sectionName = SectionName(discId);
    std::vector<TCacheLine> kept;
    bool skipping = false;
    for (const TCacheLine& line : SplitCacheLines(cacheText)) {
        if (IsSectionOf(line.text, sectionName)) {
            // The empty line the entry's writer put before it goes with it.
            if (!kept.empty() && kept.back().text.empty()) kept.pop_back();
            skipping = true;
            continue;
        }
        if (skipping && (line.text.empty() || IsSectionLine(line.text))) skipping = false;
        if (!skipping) kept.push_back(line);
    }
    std::string out;
    out.reserve(cacheText.size());
    for (const TCacheLine& line : kept) out += line.raw;
    return out;
}

std::string FormatCacheEntry(const INI_TEntry& entry) {
    std::string out = "\n" + SectionName(entry.discId) + "\nEntryType=1\n";
    out += "artist=" + FieldValue(entry.artist) + "\n";
    out += "title=" + FieldValue(entry.title) + "\n";
    out += "category=" + FieldValue(entry.category) + "\n";
    out += "year=" + std::to_string(entry.year) + "\n";
    out += "numtracks=" + std::to_string(entry.trackCount) + "\n";
    for (std::int32_t track = 0; track < entry.trackCount; ++track) {
        const CCOMString* title = track < entry.trackTitles.count ? entry.trackTitles.items[track] : nullptr;
        out += std::to_string(track) + "=" + LineValue(title != nullptr ? title->GetString() : "") + "\n";
    }
    out += "discext0=";
    out += kWriterNote;
    out += "\n";
    return out;
}
