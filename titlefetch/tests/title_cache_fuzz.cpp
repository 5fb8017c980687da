// Fuzz target for the title cache's text: whatever a file holds, reading a
// disc's entry stays within bounds, removing a disc leaves no section of it,
// and an entry written behind the rest reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "titlefetch/disc_record.h"
#include "titlefetch/title_cache_text.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void Free(INI_TEntry* entry) {
    if (entry == nullptr) return;
    DeleteRecordTexts(entry->trackTitles);
    delete entry;
}

bool Terminated(const char (&field)[kSiteTextSize]) { return strnlen(field, sizeof field) < sizeof field; }

// The disc of the input's first section line, so the reader meets its own
// section and not only strangers.
std::uint32_t FirstSectionId(std::string_view text) {
    const std::size_t open = text.find('[');
    if (open == std::string_view::npos) return 0x8000c03;
    unsigned int id = 0;
    const std::string rest(text.substr(open, 16));
    return std::sscanf(rest.c_str(), "[%x]", &id) == 1 ? id : 0x8000c03;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::uint32_t discId = FirstSectionId(text);

    if (INI_TEntry* entry = ReadCacheEntry(text, discId)) {
        Check(entry->discId == discId);
        Check(entry->trackCount >= 1 && entry->trackCount <= kMaxCachedTracks);
        Check(entry->trackTitles.count == entry->trackCount);
        Check(Terminated(entry->artist) && Terminated(entry->title) && Terminated(entry->category));
        Free(entry);
    }

    const std::string removed = RemoveCacheSections(text, discId);
    Check(removed.size() <= text.size());
    Check(RemoveCacheSections(removed, discId) == removed);
    Check(discId == 0 || ReadCacheEntry(removed, discId) == nullptr);

    INI_TEntry written;
    written.discId = discId == 0 ? 1 : discId;
    std::strcpy(written.artist, "Artist");
    std::strcpy(written.title, "Title");
    written.year = 2001;
    written.trackCount = 2;
    CCOMString first("One");
    CCOMString second("Two");
    written.trackTitles.Append(&first);
    written.trackTitles.Append(&second);
    std::string file = RemoveCacheSections(text, written.discId);
    if (!file.empty() && file.back() != '\n') file += '\n';
    file += FormatCacheEntry(written);
    INI_TEntry* again = ReadCacheEntry(file, written.discId);
    Check(again != nullptr);
    Check(std::strcmp(again->artist, "Artist") == 0 && std::strcmp(again->title, "Title") == 0);
    Check(again->year == 2001 && again->trackCount == 2);
    Check(std::strcmp(*again->trackTitles.items[0], "One") == 0 && std::strcmp(*again->trackTitles.items[1], "Two") == 0);
    Free(again);
    return 0;
}
