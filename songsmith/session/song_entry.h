#pragma once
// CSongEntry: the one record that describes a song (or a playlist file)
// wherever the program lists songs. The Find, Library and CD pages, the
// session list, the player and the undo steps hand songs to each other as
// entries. An entry is filled from a file, from a song-information record
// or from an open sound, and is written back into a song-information record
// when the song enters the session.
//
// An entry is a plain value. Its serial names one entry value: a copy keeps
// it (copying is CopyFrom), while every other construction and every Reset
// takes a new one from a process-wide counter. Entries are made on worker
// threads too, so the counter is atomic; an entry itself has no lock and
// belongs to the list that holds it.

#include <climits>
#include <cstdint>

#include "platform/wave_format.h"
#include "tonecore/tags/music_info.h"

class CPCMSound;

class CSongEntry {
public:
    // An empty entry: no path, no format, no song information (genre index
    // -1), database id -1, playlist count 1, every other number 0.
    CSongEntry();
    // An entry loaded from the file at path (LoadFromFile).
    explicit CSongEntry(const char* path);
    // An entry made from a song-information record: its path, format text,
    // file time, formats, CD-quality flag, length and size; a new serial.
    explicit CSongEntry(const TONECORE_CMusicInfo& info);
    CSongEntry(const CSongEntry& other);
    CSongEntry& operator=(const CSongEntry& other);
    ~CSongEntry() = default;

    // Back to an empty entry, with a new serial.
    void Reset();
    // Copies every field, the serial included.
    void CopyFrom(const CSongEntry& other);
    // Writes the entry into info: its song information (CopySlim), then the
    // path, format text, formats, CD-quality flag (0 or 1), length and size.
    // False, with info untouched and the thread's last error
    // FILEKIT_ERR_PATH_TOO_LONG, when the path does not fit the stored
    // path field of a session or playlist: a cut path would name another
    // file, so the caller refuses the song instead.
    bool StoreInMusicInfo(TONECORE_CMusicInfo& info) const;

    // Fills the entry from the file at path; returns the loaded flag. A file
    // that is missing, empty or cannot be decoded keeps its path and gets a
    // title from its name, with the loaded flag 0. A playlist file (m3u,
    // pls, pl, tps) is titled by its whole file name and counts its songs.
    std::uint32_t LoadFromFile(const char* path);
    // Fills the entry from a sound that is already open; null leaves an
    // empty entry with the loaded flag 0.
    void LoadFromSound(CPCMSound* sound);

    char path[PATH_MAX];
    char formatText[128];
    std::uint32_t fileTime;  // modification time, seconds since 1970
    TONECORE_CMusicInfo musicInfo;
    WAVEFORMATEX waveFormat;  // the format of the decoded sound data
    std::uint32_t cdQuality;  // 1: already 44100 Hz, 16 bits, stereo
    std::int32_t lengthMs;
    std::uint32_t size;          // file size in bytes
    std::int32_t databaseId;     // -1: not in the song database
    std::int32_t playlistCount;  // songs in a playlist file; 1 for a song
    std::uint32_t inSession;     // 1 while the song is in the session
    std::uint32_t struckOut;     // set by a list when the session refused the song
    std::uint32_t serial;
    std::uint32_t loaded;  // nonzero when the last load could read the file

private:
    // Everything as an empty entry except the serial.
    void ClearFields();
    // LoadFromFile's part for a playlist file.
    void LoadPlaylist();
    // LoadFromFile's part for a song file; the loaded flag.
    std::uint32_t LoadSong();
    // Takes length, format text, formats and CD-quality flag from a sound.
    void TakeSoundFormats(CPCMSound& sound);
};
