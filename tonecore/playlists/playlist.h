#pragma once
// CPlaylist: turns a playlist file of any common kind into a list of song
// records, one per song file the playlist names, with each path resolved
// against the playlist's own folder. It also counts the songs of a playlist
// without keeping them, and writes a list back as a session file.
//
// Readers by extension: "tps" (session file), "m3u", "pls", "pl", "wpl",
// a song file itself ("mp3", "mp2", "mp1", "mpg", "wma", "wav"), "asx",
// "wax", "wvx", "rmp", and anything else through a scan of the raw bytes
// for rooted song paths.
//
// Playlists written on other systems name songs with '\\' separators and
// drive letters. Relative names are read with '\\' as a separator and joined
// to the playlist's folder; "X:\\" names and URLs are kept as written (they
// name nothing here, so checking drops them and a list without checking
// keeps them as bare records).
//
// Failures come back as false or 0 with the reason in LastError() (codes
// below); the value is never reset by a later success.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/file_replace.h"
#include "tonecore/tags/music_info.h"

class CFileObj;

// LastError() values.
enum TPlaylistError : std::int32_t {
    PLAYLIST_ERR_NONE = 0,
    // The m3u file cannot be opened, or its size is out of range.
    PLAYLIST_ERR_OPEN = 1,
    // No memory for the m3u file's bytes.
    PLAYLIST_ERR_MEMORY = 2,
    // Nothing usable: no entries, unreadable contents, an empty list to save.
    PLAYLIST_ERR_NOTHING = 3,
    // The operation does not support the file's kind.
    PLAYLIST_ERR_KIND = 4,
};

class CPlaylist {
public:
    // Bounds on what the readers accept. The m3u and scan limits keep a
    // hostile file from costing unbounded memory; the path limit is that of
    // the playlist files' own era.
    static constexpr std::int64_t kMaxM3uBytes = 200000;
    static constexpr std::int64_t kMaxScanBytes = 1000000;
    static constexpr int kMaxPlaylistPathChars = 260;
    // Longest run of path characters the scan follows from a root.
    static constexpr int kMaxScanPathChars = 260;
    // The layout sessions are written in.
    static constexpr TTPSVersion kSessionVersion = 5;

    CPlaylist() = default;
    // A copy would leave two playlists owning the same records.
    CPlaylist(const CPlaylist&) = delete;
    CPlaylist& operator=(const CPlaylist&) = delete;
    ~CPlaylist() = default;

    // Frees every record.
    void DeleteAll();
    // Appends the songs of the file (nothing is cleared first). True when the
    // list holds at least one entry afterwards; else error 3.
    bool LoadFromFile(const char* path, bool checkFiles);
    // The number of songs of a "tps", "m3u", "pls" or "pl" file, without
    // keeping them. 0 on failure (error 4 for any other kind, 3 for none).
    int GetSongCount(const char* path);
    // Writes the list as a session file ("tps" only; "m3u", "pls" and "pl"
    // write nothing and fail; any other kind sets error 4).
    bool SaveToFile(const char* path);

    // The number of songs in the list.
    int Count() const { return static_cast<int>(entries_.size()); }
    // Record, path or title of entry i; null outside the list.
    TONECORE_CMusicInfo* GetTrackInfo(int i) const;
    const char* GetTrackFilePath(int i) const;
    const char* GetTrackTitle(int i) const;

    std::int32_t LastError() const { return lastError_; }

private:
    bool _readTPS(const char* path, bool checkFiles);
    bool _readM3U(const char* path, bool checkFiles);
    bool _readPLS(const char* path, bool checkFiles);
    bool _readPL(const char* path, bool checkFiles);
    bool _readWPL(const char* path, bool checkFiles);
    bool _readRMP(const char* path, bool checkFiles);
    bool _readASXPlayList(const char* path, bool checkFiles);
    bool _readGenericPlaylist(const char* path, bool checkFiles);
    bool _writeTPS(const char* path);
    bool _writePL(const char* path);

    // Takes the record (its path set) and keeps it when its song loads, or
    // when checking is off, or when its keep flags are set; the song's
    // information then fills it. Returns the kept record, or null when it
    // was dropped (and freed).
    TONECORE_CMusicInfo* _addMusicInfo(std::unique_ptr<TONECORE_CMusicInfo> record, bool checkFiles);
    // Counts the song (count-only) or adds a record for it. Null when
    // counting or when the record was not kept.
    TONECORE_CMusicInfo* TakeSong(const char* songPath, bool checkFiles);
    // A song name found in a text playlist: skipped when checking and the
    // file does not open, else counted or added.
    void TakeCheckedSong(const char* songPath, bool checkFiles);
    // A song named in a markup playlist: resolved, skipped when checking
    // and it does not exist, logged (with the reader's name, when given) and
    // added. The kept record, or null.
    TONECORE_CMusicInfo* TakeMarkupSong(const char* playlistPath, const char* written, bool checkFiles,
                                        const char* readerName);
    void SetError(TPlaylistError code) { lastError_ = code; }

    std::vector<std::unique_ptr<TONECORE_CMusicInfo>> entries_;
    std::int32_t lastError_ = PLAYLIST_ERR_NONE;
    bool countOnly_ = false;
    std::int32_t counted_ = 0;
};

// Writes records as a session file in the newest layout and puts it in
// place of path in one step (ReplaceFileContents, through write when
// given): 36 bytes of headers and the records back to back, without pad
// bytes. A null record or one that cannot be written (a path too long for
// its field) fails the whole save; on any failure path is left as it was
// and the reason is in the thread's last error.
bool WriteSessionFile(const char* path, std::span<TONECORE_CMusicInfo* const> records,
                      FileWriteFunction write = nullptr);

// The milliseconds of a playlist duration text: runs of digits separated by
// any other characters, the last three before a '.' taken as hours, minutes
// and seconds, the digits after the '.' as a fraction of a second
// ("01:02:03" is 3723000, "3.25" is 3250). 0 for null or empty text.
std::int32_t _parseAsxDurationField(const char* text);
