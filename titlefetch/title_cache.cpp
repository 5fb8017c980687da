// The facade's calls on the local title cache.

#include <new>
#include <string>

#include "platform/last_error.h"
#include "titlefetch/title_cache_file.h"
#include "titlefetch/title_cache_text.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/titlefetch.h"

namespace {

// Cache calls answer with their result alone: the thread's last error is
// left as the caller had it, whatever the file reads set on the way.
class CKeepLastError {
public:
    CKeepLastError() : saved_(::GetLastError()) {}
    ~CKeepLastError() { SetLastError(saved_); }
    CKeepLastError(const CKeepLastError&) = delete;
    CKeepLastError& operator=(const CKeepLastError&) = delete;

private:
    std::uint32_t saved_;
};

}  // namespace

bool TITLEFETCH_CTitlefetch::AddCDPlayerINIEntry(const INI_TEntry& entry) {
    // Disc ID 0 is no disc (the ID of an empty track list): an entry under
    // it could never be looked up again.
    if (entry.discId == 0 || entry.trackCount <= 0 || entry.trackCount > kMaxCachedTracks) return false;
    CKeepLastError keep;
    try {
        const CTitleCacheAccess cache(CTitleCacheAccess::Purpose::kChange);
        std::string text;
        bool exists = false;
        // A file that is there but cannot be read is not replaced: its
        // entries would be lost.
        if (!cache.Read(text, exists) && exists) return false;
        text = RemoveCacheSections(text, entry.discId);
        if (!text.empty() && text.back() != '\n') text += '\n';
        text += FormatCacheEntry(entry);
        return cache.Write(text);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

INI_TEntry* TITLEFETCH_CTitlefetch::GetCDPlayerINIEntry(std::uint32_t discId) {
    if (discId == 0) return nullptr;
    CKeepLastError keep;
    try {
        const CTitleCacheAccess cache(CTitleCacheAccess::Purpose::kRead);
        std::string text;
        bool exists = false;
        if (!cache.Read(text, exists)) return nullptr;
        return ReadCacheEntry(text, discId);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool TITLEFETCH_CTitlefetch::DeleteCDPlayerINIEntry(std::uint32_t discId) {
    CKeepLastError keep;
    try {
        const CTitleCacheAccess cache(CTitleCacheAccess::Purpose::kChange);
        std::string text;
        bool exists = false;
        if (!cache.Read(text, exists)) return false;
        const std::string kept = RemoveCacheSections(text, discId);
        // Nothing of the disc in the file: it already holds what it should.
        return kept.size() == text.size() || cache.Write(kept);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void TITLEFETCH_CTitlefetch::DeallocINIEntry(INI_TEntry* entry) {
    if (entry == nullptr) return;
    DeleteRecordTexts(entry->trackTitles);
    delete entry;
}

void TITLEFETCH_CTitlefetch::FindKey(const char* line, CCOMString& key) {
    key = std::string(CacheLineKey(line != nullptr ? line : "")).c_str();
}

void TITLEFETCH_CTitlefetch::FindValue(const char* line, CCOMString& value) {
    value = std::string(CacheLineValue(line != nullptr ? line : "")).c_str();
}
