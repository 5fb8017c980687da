// The markup playlists: wpl, rmp and the asx family (asx, wax, wvx).
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "filekit/log.h"
#include "filekit/ref_obj.h"
#include "platform/ascii_case.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/playlists/playlist_paths.h"
#include "utilities/text_copy.h"
#include "utilities/unicode.h"
#include "utilities/xml_file.h"

namespace {

// Playlist paths as long as those of the files' era or longer are refused.
bool AcceptablePlaylistPath(const char* path) {
    return path != nullptr && path[0] != '\0' &&
           std::strlen(path) < static_cast<std::size_t>(CPlaylist::kMaxPlaylistPathChars);
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if (!IsUtf8Continuation(c)) ++count;
    }
    return count;
}

// A playlist's text of two characters or more fills an empty field, cut to
// 255 characters; shorter texts are taken for placeholders.
void FillEmptyText(char (&field)[256], const char* value) {
    if (field[0] != '\0' || value == nullptr || CharacterCount(value) < 2) return;
    std::string_view text(value);
    std::size_t bytes = 0;
    std::size_t characters = 0;
    while (bytes < text.size()) {
        if (!IsUtf8Continuation(text[bytes]) && characters++ == 255) break;
        ++bytes;
    }
    textcopy::CopyTextCut(text.substr(0, bytes), field, sizeof field);
}

// Whole seconds as milliseconds: the leading digits of the text, held
// within the field. -1 when the text does not begin with a digit.
std::int32_t SecondsTextToMs(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return -1;
    std::int64_t seconds = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        seconds = seconds * 10 + (*text - '0');
        if (seconds > INT32_MAX / 1000) return INT32_MAX;
    }
    return static_cast<std::int32_t>(seconds * 1000);
}

}  // namespace

TONECORE_CMusicInfo* CPlaylist::TakeMarkupSong(const char* playlistPath, const char* written, bool checkFiles,
                                               const char* readerName) {
    if (written == nullptr || written[0] == '\0') return nullptr;
    const std::string songPath = ResolveMarkupSongPath(playlistPath, written);
    if (checkFiles && DoesFileExist(songPath.c_str()) == 0) return nullptr;
    if (readerName != nullptr) {
        LogFmt("CPlaylist::%s, saving sound file <%s>, original file <%s>", readerName, songPath.c_str(), written);
    }
    return TakeSong(songPath.c_str(), checkFiles);
}

bool CPlaylist::_readWPL(const char* path, bool checkFiles) {
    if (!AcceptablePlaylistPath(path)) return false;
    LogFmt("Entered CPlaylist::_readWPL, file <%s>", path);
    CXMLFile xml;
    if (!xml.Open(path)) return false;
    CXMLNode* seq = xml.FindNode("seq");
    if (seq == nullptr) return false;
    for (unsigned int i = 0; i < seq->NumChildren(); ++i) {
        CXMLNode* media = seq->GetChild(i);
        if (media->Name() == nullptr || !AsciiEqualNoCase(media->Name(), "media")) continue;
        TakeMarkupSong(path, media->GetValue("src"), checkFiles, "_readWPL");
    }
    return true;
}

bool CPlaylist::_readRMP(const char* path, bool checkFiles) {
    if (!AcceptablePlaylistPath(path)) return false;
    LogFmt("Entered CPlaylist::_readRMP, file <%s>", path);
    CXMLFile xml;
    if (!xml.Open(path)) return false;
    CXMLNode* list = xml.FindNode("TRACKLIST");
    if (list == nullptr) return _readGenericPlaylist(path, checkFiles);
    for (unsigned int i = 0; i < list->NumChildren(); ++i) {
        CXMLNode* track = list->GetChild(i);
        if (track->Name() == nullptr || !AsciiEqualNoCase(track->Name(), "TRACK")) continue;
        TONECORE_CMusicInfo* record = TakeMarkupSong(path, track->GetValue("FILENAME"), checkFiles, nullptr);
        if (record == nullptr) continue;
        FillEmptyText(record->title, track->GetValue("TITLE"));
        FillEmptyText(record->artist, track->GetValue("ARTIST"));
        const char* duration = track->GetValue("DURATION");
        if (record->lengthMs < 1 && duration != nullptr) {
            const std::int32_t ms = SecondsTextToMs(duration);
            if (ms >= 0) record->lengthMs = ms;
        }
    }
    if (Count() == 0) return _readGenericPlaylist(path, checkFiles);
    return true;
}

bool CPlaylist::_readASXPlayList(const char* path, bool checkFiles) {
    if (!AcceptablePlaylistPath(path)) return false;
    LogFmt("Entering CPlaylist::_readASXPlayList, file <%s>", path);
    CXMLFile xml;
    CXMLNode* asx = xml.Open(path) ? xml.FindNode("ASX") : nullptr;
    if (asx == nullptr) return _readGenericPlaylist(path, checkFiles);
    for (unsigned int i = 0; i < asx->NumChildren(); ++i) {
        CXMLNode* entry = asx->GetChild(i);
        if (entry->Name() == nullptr || !AsciiEqualNoCase(entry->Name(), "Entry")) continue;
        CXMLNode* ref = entry->GetChild("Ref");
        if (ref == nullptr) continue;
        TONECORE_CMusicInfo* record = TakeMarkupSong(path, ref->GetValue("href"), checkFiles, "_readASX");
        if (record == nullptr) continue;
        FillEmptyText(record->title, entry->SearchForValue("Title"));
        FillEmptyText(record->artist, entry->SearchForValue("Author"));
        CXMLNode* duration = entry->GetChild("Duration");
        const char* value = duration != nullptr ? duration->GetValue("value") : nullptr;
        if (record->lengthMs < 1 && value != nullptr && CharacterCount(value) >= 2) {
            record->lengthMs = _parseAsxDurationField(value);
        }
    }
    if (Count() == 0) return _readGenericPlaylist(path, checkFiles);
    return true;
}
