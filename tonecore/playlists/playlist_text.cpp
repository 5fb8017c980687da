// The text playlists: m3u (one name a line) and the two INI layouts, pls
// and pl.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/playlists/playlist_file.h"
#include "tonecore/playlists/playlist_paths.h"
#include "utilities/profile_file.h"
#include "utilities/unicode.h"

namespace {

// Lines whose first character is one of these are comments or extended
// information, not song names.
constexpr std::string_view kM3uCommentStarts = "?;*,^$#";

// The UTF-8 byte-order mark some writers put before the first line.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// An INI value as read into the 260-byte buffer of the playlist files' era.
std::string ProfileValue(const char* section, const std::string& key, const char* path) {
    char value[260];
    GetPrivateProfileString(section, key.c_str(), "", value, sizeof value, path);
    return value;
}

std::string FileKey(long n) {
    char key[32];
    std::snprintf(key, sizeof key, "File%ld", n);
    return key;
}

// The numbers n in 1..last for which the section holds a key "File<n>",
// ascending. Taken from the keys present, so a hostile entry count costs
// nothing.
std::set<long> PresentFileNumbers(const char* section, long last, const char* path) {
    std::set<long> numbers;
    for (const std::string& key : GetPrivateProfileKeyNames(section, path)) {
        if (key.size() < 5 || key.size() > 15 || !AsciiEqualNoCase(std::string_view(key).substr(0, 4), "File")) {
            continue;
        }
        const std::string digits = key.substr(4);
        if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const long n = std::strtol(digits.c_str(), nullptr, 10);
        // "File%d" never writes a leading zero.
        if (n < 1 || n > last || !AsciiEqualNoCase(FileKey(n), key)) continue;
        numbers.insert(n);
    }
    return numbers;
}

}  // namespace

bool CPlaylist::_readM3U(const char* path, bool checkFiles) {
    TPlaylistBytes read = ReadPlaylistBytes(path, 1, kMaxM3uBytes);
    if (read.outcome == TPlaylistRead::kCannotOpen || read.outcome == TPlaylistRead::kSizeOutOfRange) {
        SetError(PLAYLIST_ERR_OPEN);
        return false;
    }
    if (read.outcome == TPlaylistRead::kNoMemory) {
        SetError(PLAYLIST_ERR_MEMORY);
        return false;
    }
    // A short read goes on with what it gave.
    if (read.bytes.empty()) {
        SetError(PLAYLIST_ERR_NOTHING);
        return false;
    }
    std::string& bytes = read.bytes;
    // Older writers used the Windows code page; m3u files of today are UTF-8.
    if (!IsValidUtf8(bytes)) bytes = Windows1252ToUtf8(bytes);
    std::string_view text(bytes);
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());

    std::size_t pos = 0;
    while (pos < text.size()) {
        // A line end and every blank after it: blank lines vanish and a
        // line's leading blanks are dropped; its trailing ones stay.
        while (pos < text.size() && (IsLineEnd(text[pos]) || IsBlank(text[pos]))) ++pos;
        if (pos >= text.size()) break;
        std::size_t end = pos;
        while (end < text.size() && !IsLineEnd(text[end])) ++end;
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (kM3uCommentStarts.find(line[0]) != std::string_view::npos) continue;
        const std::string songPath = ResolveM3uSongPath(path, line);
        TakeCheckedSong(songPath.c_str(), checkFiles);
    }
    return true;
}

bool CPlaylist::_readPLS(const char* path, bool checkFiles) {
    const int entries = GetPrivateProfileInt("playlist", "NumberOfEntries", 0, path);
    if (entries == 0) {
        SetError(PLAYLIST_ERR_NOTHING);
        return false;
    }
    for (long n : PresentFileNumbers("playlist", entries, path)) {
        const std::string value = ProfileValue("playlist", FileKey(n), path);
        if (value.empty()) continue;
        std::string songPath;
        if (!ResolvePlsSongPath(path, value, songPath)) continue;
        TakeCheckedSong(songPath.c_str(), checkFiles);
    }
    return true;
}

bool CPlaylist::_readPL(const char* path, bool checkFiles) {
    std::string value = ProfileValue("Files", "File0", path);
    if (value.empty()) {
        SetError(PLAYLIST_ERR_NOTHING);
        return false;
    }
    // The series ends at its first gap; names are taken as written.
    for (long n = 1; !value.empty(); ++n) {
        TakeCheckedSong(value.c_str(), checkFiles);
        value = ProfileValue("Files", FileKey(n), path);
    }
    return true;
}
