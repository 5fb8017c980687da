#include "songsmith/session/song_entry.h"

#include <atomic>
#include <cstring>

#include "filekit/errors.h"
#include "platform/last_error.h"

namespace {

// Serials of entries: every construction and every reset takes the next.
std::atomic<std::uint32_t> g_nextSerial{0};

std::uint32_t TakeSerial() {
    return g_nextSerial.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

CSongEntry::CSongEntry() {
    ClearFields();
    serial = TakeSerial();
}

CSongEntry::CSongEntry(const char* path) : CSongEntry() {
    LoadFromFile(path);
}

CSongEntry::CSongEntry(const TONECORE_CMusicInfo& info) : CSongEntry() {
    std::memcpy(path, info.path, sizeof path);
    std::memcpy(formatText, info.formatText, sizeof formatText);
    formatText[sizeof formatText - 1] = '\0';
    fileTime = static_cast<std::uint32_t>(info.pathWords[1]);
    musicInfo = info;
    waveFormat = info.waveFormat;
    cdQuality = info.flags[0] ? 1 : 0;
    lengthMs = info.lengthMs;
    size = static_cast<std::uint32_t>(info.pathWords[0]);
}

CSongEntry::CSongEntry(const CSongEntry& other) {
    CopyFrom(other);
}

CSongEntry& CSongEntry::operator=(const CSongEntry& other) {
    CopyFrom(other);
    return *this;
}

void CSongEntry::ClearFields() {
    path[0] = '\0';
    formatText[0] = '\0';
    fileTime = 0;
    musicInfo.Initialize();
    musicInfo.genreIndex = -1;
    waveFormat = WAVEFORMATEX{};
    cdQuality = 0;
    lengthMs = 0;
    size = 0;
    databaseId = -1;
    playlistCount = 1;
    inSession = 0;
    struckOut = 0;
    loaded = 0;
}

void CSongEntry::Reset() {
    ClearFields();
    serial = TakeSerial();
}

void CSongEntry::CopyFrom(const CSongEntry& other) {
    if (&other == this) return;
    std::memcpy(path, other.path, sizeof path);
    std::memcpy(formatText, other.formatText, sizeof formatText);
    fileTime = other.fileTime;
    musicInfo = other.musicInfo;
    waveFormat = other.waveFormat;
    cdQuality = other.cdQuality;
    lengthMs = other.lengthMs;
    size = other.size;
    databaseId = other.databaseId;
    playlistCount = other.playlistCount;
    inSession = other.inSession;
    struckOut = other.struckOut;
    serial = other.serial;
    loaded = other.loaded;
}

bool CSongEntry::StoreInMusicInfo(TONECORE_CMusicInfo& info) const {
    if (std::strlen(path) >= static_cast<std::size_t>(TONECORE_CMusicInfo::kStoredPathChars)) {
        SetLastError(FILEKIT_ERR_PATH_TOO_LONG);
        return false;
    }
    info.CopySlim(musicInfo);
    std::memcpy(info.path, path, sizeof info.path);
    std::memcpy(info.formatText, formatText, sizeof info.formatText);
    info.waveFormat = waveFormat;
    info.flags[0] = cdQuality != 0;
    info.lengthMs = lengthMs;
    info.pathWords[0] = static_cast<std::int32_t>(size);
    return true;
}
