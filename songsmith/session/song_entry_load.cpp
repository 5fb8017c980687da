// Filling a song entry from a file or from an open sound, through the sound
// engine.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/path_helpers.h"
#include "songsmith/session/song_entry.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/playlists/playlist_song.h"
#include "utilities/text_copy.h"

namespace {

// The file kinds whose entry stands for a list of songs: the playlist
// formats and the program's own session files.
constexpr const char* kPlaylistExtensions[] = {"m3u", "pls", "pl", "tps"};

bool IsPlaylistPath(const char* path) {
    return std::any_of(std::begin(kPlaylistExtensions), std::end(kPlaylistExtensions),
                       [path](const char* ext) { return HasFileExtension(path, ext) != 0; });
}

// The file's modification time, or 0 when it cannot be looked up. Times
// are kept as 32-bit seconds, as the session files store them.
std::uint32_t FileTimeOf(const char* path) {
    struct stat status {};
    if (::stat(path, &status) != 0) return 0;
    return static_cast<std::uint32_t>(status.st_mtime);
}

// The part of path after its last separator; the whole path when it has
// none.
std::string FileNamePart(const char* path) {
    char name[PATH_MAX];
    return ExtractFileName(path, name) != 0 ? std::string(name) : std::string(path);
}

// A stream size as the entry's 32-bit size; larger files count as the
// largest size the field holds.
std::uint32_t SizeField(std::int64_t bytes) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(bytes, 0, INT32_MAX));
}

bool IsCdQuality(const WAVEFORMATEX* format) {
    return format != nullptr && format->nSamplesPerSec == 44100 && format->wBitsPerSample == 16 &&
           format->nChannels == 2;
}

}  // namespace

std::uint32_t CSongEntry::LoadFromFile(const char* songPath) {
    Reset();
    // A path too long to hold is not cut: the entry stays without one.
    if (songPath == nullptr || std::strlen(songPath) >= sizeof path) return loaded;
    std::strcpy(path, songPath);
    std::strcpy(musicInfo.path, songPath);
    fileTime = FileTimeOf(path);
    if (IsPlaylistPath(path)) {
        LoadPlaylist();
    } else {
        loaded = LoadSong();
    }
    return loaded;
}

void CSongEntry::LoadPlaylist() {
    const std::string name = FileNamePart(path);
    textcopy::CopyTextCut(name, musicInfo.title, sizeof musicInfo.title);
    playlistCount = CPlaylist().GetSongCount(path);
    loaded = name.empty() ? 0 : 1;
}

std::uint32_t CSongEntry::LoadSong() {
    bool read = false;
    if (CFileObj* file = new (std::nothrow) CFileObj) {
        if (file->Open(path, 0, 0) != 0 && file->Size() > 0)
            read = FillRecordFromSong(*file, musicInfo);
        if (file->IsOpen() != 0) file->Close();
        DeleteRefObject(&file);
    }
    if (read) {
        std::memcpy(formatText, musicInfo.formatText, sizeof formatText);
        waveFormat = musicInfo.waveFormat;
        cdQuality = musicInfo.flags[0] ? 1 : 0;
        lengthMs = musicInfo.lengthMs;
        size = static_cast<std::uint32_t>(musicInfo.pathWords[0]);
        musicInfo.pathWords[1] = static_cast<std::int32_t>(fileTime);
    }
    // A song that cannot be read is still listed under a title of its own.
    if (musicInfo.title[0] == '\0') TitleFromFileName(musicInfo);
    return read ? 1 : 0;
}

void CSongEntry::LoadFromSound(CPCMSound* sound) {
    Reset();
    if (sound == nullptr) return;
    if (const TMusicInfo* tags = sound->GetMusicInfo()) musicInfo = *tags;
    CRefObj* stream = sound->GetRefObj();
    if (auto* file = dynamic_cast<CFileObj*>(stream)) {
        const char* filePath = file->FilePath();
        if (std::strlen(filePath) < sizeof path) {
            std::strcpy(path, filePath);
            std::strcpy(musicInfo.path, filePath);
        }
        if (musicInfo.title[0] == '\0')
            textcopy::CopyTextCut(FileNamePart(path), musicInfo.title, sizeof musicInfo.title);
        fileTime = FileTimeOf(path);
        musicInfo.pathWords[1] = static_cast<std::int32_t>(fileTime);
    }
    if (stream != nullptr) size = SizeField(stream->Size());
    musicInfo.pathWords[0] = static_cast<std::int32_t>(size);
    TakeSoundFormats(*sound);
    loaded = 1;
}

void CSongEntry::TakeSoundFormats(CPCMSound& sound) {
    lengthMs = sound.Length(0);
    sound.GetSrcFormatString(formatText, static_cast<std::int32_t>(sizeof formatText));
    if (const WAVEFORMATEX* actual = sound.ActualFormat()) waveFormat = *actual;
    cdQuality = IsCdQuality(sound.Format()) ? 1 : 0;
    if (ACMObject* decoder = sound.GetACMObj())
        cdQuality = decoder->FirstFrameDecodesToCDQuality() != 0 ? 1 : 0;
}
