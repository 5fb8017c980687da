#pragma once
// SVTENG_CSongvault: the song database the program keeps its library in,
// one file in the library folder. Songs, artists, albums and genres are
// records of records.h; lists of them are MvLists of records that this
// library allocates and its Dealloc calls free.
//
// Every call may come from the main thread, the import thread or the search
// worker: one engine lock serialises them around one connection. Each write
// is one transaction, synced to the disk before the call returns (the store
// keeps a write-ahead log), so neither a crash of the program nor a power
// loss takes back a write that a call reported done. An import commits per
// folder (and per batch of songs within a large one).
//
// Every call fails cleanly when no store is open (before Initialize, after
// Shutdown or after a failed Initialize): false, -1 or a count below 0, with
// SONGVAULT_ERR_NOT_OPEN as the thread's last error. Failures leave their
// reason in the thread's last-error value (songvault/errors.h).

#include <cstdint>
#include <memory>

#include "songvault/description.h"
#include "songvault/import_types.h"
#include "songvault/query.h"
#include "songvault/records.h"
#include "songvault/song_probe.h"
#include "titlefetch/mv_list.h"

class SVTENG_CSongvault {
public:
    SVTENG_CSongvault();
    // Closes an open store as Shutdown(nullptr) does.
    ~SVTENG_CSongvault();
    SVTENG_CSongvault(const SVTENG_CSongvault&) = delete;
    SVTENG_CSongvault& operator=(const SVTENG_CSongvault&) = delete;

    // Opens the description's file in folder, or makes it (null or empty:
    // the per-user data folder). A store of an older format is brought up to
    // date in one transaction; one of a newer format is refused and left as
    // it is (SONGVAULT_ERR_NEWER_VERSION). A file that is not a store of
    // ours, or that fails its consistency check, is renamed aside together
    // with its companion files under a time stamp, and a fresh store is made
    // in its place: FoundDamagedStore then answers true. False also when a
    // store is already open (SONGVAULT_ERR_ALREADY_OPEN).
    bool Initialize(const SGSMarovelle* description, const char* folder);
    // Whether the last Initialize replaced a damaged or foreign file (or the
    // left-over companion files of a deleted one) with a fresh store.
    bool FoundDamagedStore() const;

    // Closes the store, saving it into folder (null: closes without saving;
    // empty: the per-user data folder). The store's own folder: its log is
    // copied into the file, then it closes. Another folder: the store is
    // written there under a temporary name, flushed to the disk and renamed
    // to the store's file name; a file of that name already there is moved
    // aside first. False (the reason in the thread's last error) leaves the
    // store open and the original file as it was, so the caller can retry or
    // choose another folder. Nothing open: true.
    bool Shutdown(const char* folder);

    // Deletes the store's file in folder (null or empty: the per-user data
    // folder) together with its -wal, -shm and -journal companions: a
    // companion left behind would be read into the next store made there.
    // True when none of them remains. Refused while the store is open there
    // (SONGVAULT_ERR_STORE_IN_USE).
    bool DeleteDatabase(const char* folder);

    // Record counts; the song count includes songs in the trash. Below 0 when
    // no store is open or it cannot be read.
    std::int32_t GetArtistCount();
    std::int32_t GetAlbumCount();
    std::int32_t GetGenreCount();
    std::int32_t GetSongCount();

    // Append every record, in id order, to list; each is allocated here and
    // freed by the matching Dealloc call. False when the store cannot be read
    // (the list then holds what was read so far).
    bool FindArtists(MvList<TSVT_Artist*>& list);
    bool FindAlbums(MvList<TSVT_Album*>& list);
    bool FindGenres(MvList<TSVT_Genre*>& list);
    // Free every record of the list and empty it; with deleteList set the
    // list object itself (made with new) is deleted too. Work whether or not
    // a store is open.
    void DeallocArtistList(MvList<TSVT_Artist*>* list, bool deleteList = false);
    void DeallocAlbumList(MvList<TSVT_Album*>* list, bool deleteList = false);
    void DeallocGenreList(MvList<TSVT_Genre*>* list, bool deleteList = false);

    // The walk over every song (trash included) in id order. Each fills song
    // and returns its position for the next step; -1 ends the walk and leaves
    // song as it was. Songs added or removed during a walk do not disturb it.
    std::int32_t GetFirstSong(TSVT_Song* song);
    std::int32_t GetNextSong(std::int32_t pos, TSVT_Song* song);

    // Fill the record with that id; true when found. Songs in the trash are
    // found too. flag is accepted for the callers' sake and not used.
    bool GetSong(std::int32_t id, TSVT_Song* song, bool flag = false);
    bool GetArtist(std::int32_t id, TSVT_Artist* artist, bool flag = false);
    bool GetAlbum(std::int32_t id, TSVT_Album* album, bool flag = false);
    bool GetGenre(std::int32_t id, TSVT_Genre* genre, bool flag = false);

    // Write the record: id SVT_NEW_RECORD adds it and stores its new id in
    // the record; any other id updates that record (SONGVAULT_ERR_NOT_FOUND
    // when there is none). Texts are cut to their fields on a character
    // boundary, and the record is left holding what was stored. A song never
    // gets a blank title: its file name (cut to the field) stands in. A song
    // path that does not fit its field is refused
    // (SONGVAULT_ERR_PATH_TOO_LONG), as is one that another song has
    // (SONGVAULT_ERR_PATH_TAKEN).
    bool UpdateSong(TSVT_Song* song);
    bool UpdateArtist(TSVT_Artist* artist);
    bool UpdateAlbum(TSVT_Album* album);
    bool UpdateGenre(TSVT_Genre* genre);

    // Stores a song and returns its id (also stored in the record), -1 on
    // failure. A record whose id names a song updates that song; otherwise
    // (an id of 0 or below, or one the store does not know) the song of the
    // record's path is updated when there is one, else a new song is added.
    // flag is accepted for the callers' sake and not used.
    std::int32_t AddSong(TSVT_Song* song, bool flag = false);

    // Fills song with the song whose path equals path byte for byte (in the
    // trash or not); true when found. flag is not used.
    bool FindSongByPath(TSVT_Song* song, const char* path, int flag = 0);

    // A live song goes to the trash; a song in the trash is removed. With
    // deleteFile set, the song's file goes to the desktop trash first, and a
    // failure there (SONGVAULT_ERR_FILE_TRASH) changes nothing.
    bool DeleteSong(std::int32_t id, bool deleteFile);
    // Takes a song out of the trash.
    bool UndeleteSong(std::int32_t id);
    // Remove that record only. An id that names nothing (a record deleted
    // already) is no error: the record is gone either way.
    bool DeleteArtist(std::int32_t id);
    bool DeleteAlbum(std::int32_t id);
    bool DeleteGenre(std::int32_t id);

    // Searches. Each search replaces the engine's one result set: the ids,
    // in id order, of the songs it found outside the trash. It returns how
    // many, or -1 on failure (the result set then empty).
    //
    // FindSongsByText: songs with a title, title copy, artist, album,
    // comment or path that contains text, ASCII letters folded ("%" and "_"
    // are letters like any other). The empty text is in every song.
    std::int32_t FindSongsByText(const char* text);
    // FindSongsBySQL: songs that meet every condition (query.h); none (null
    // or an empty list): no songs. A condition with an unknown column or
    // operator, or a text for a number column, fails the whole search with
    // its code before the store is asked.
    std::int32_t FindSongsBySQL(const MvList<MDB_Query*>* conditions);
    // Fills song with result i of the last search; false past the end. A
    // song removed or moved to the trash since the search comes back with id
    // -1 and an empty path (the rest zero), so a reader skips it and goes on.
    bool GetQueryResult(std::int32_t index, TSVT_Song* song);
    // How many songs outside the trash meet every condition, as
    // FindSongsBySQL would find them; 0 for no conditions. Below 0 on
    // failure. The result set stays as it is.
    std::int32_t GetSongCount(const MvList<MDB_Query*>* conditions);
    // Whether the song meets one condition of anyOf and every condition of
    // allOf; a null or empty list imposes nothing. The conditions are those
    // of FindSongsBySQL, tested on the record's texts as the store would keep
    // them, so a song matches here exactly when a search would find it: a
    // song in the trash matches nothing. Needs no open store. False with the
    // code of a condition that is not valid.
    bool MatchesQuery(const TSVT_Song* song, const MvList<MDB_Query*>* anyOf, const MvList<MDB_Query*>* allOf);

    // Copies the write-ahead log into the store's file.
    bool WriteDB();
    // Rebuilds every index of the store (the text search's too).
    bool RebuildIndices();

    // Importing songs from the disk (import_calls.cpp).
    //
    // The probe that reads song files and the hook that posts the import's
    // messages (import_types.h); both stay the caller's and must outlive
    // their use. Without a probe nothing is imported (SONGVAULT_ERR_NO_PROBE);
    // without a hook nothing is posted.
    void SetSongProbe(ISongProbe* probe);
    void SetPostHook(SVT_PostHook hook);
    // false stops a running folder walk at its next file or folder and
    // keeps later walks from starting; true lets them run (the default).
    // Single-file imports ignore it.
    void SetImporting(bool importing);
    // Looks at one folder: false when it is at or below one of the
    // exclusions. Else *entry is a new record of the kinds of song file the
    // folder holds and its sub-folders (none when it cannot be read), to be
    // freed with DeallocStackEntry.
    bool VerifyImportFolder(const char* path, const MvList<TMvPath>* exclusions, TSVT_ImportStackEntry** entry);
    void DeallocStackEntry(TSVT_ImportStackEntry* entry);
    // Walk folders, in name order, adding every song file the flags accept
    // whose path the store does not have, and posting to target what they
    // find. ImportFavorites walks each favourite down to its own depth (0:
    // no limit of its own); ImportAllFolders walks root down to depth levels
    // (9999 in practice). Folders at or below one of exclusions (skipList)
    // are not entered, however a link leads to them, nor hidden folders, nor
    // the kernel's pseudo file systems; a folder reached twice (through
    // links) is entered once.
    // Files whose path does not fit a record are skipped and logged. Songs
    // are committed per folder, or per 200. False when stopped
    // (SONGVAULT_ERR_IMPORT_STOPPED) or when the store failed; the songs
    // added before stay.
    bool ImportFavorites(void* target, std::uint32_t flags, const MvList<TMvPath>* favorites,
                         const MvList<TMvPath>* exclusions);
    bool ImportAllFolders(void* target, std::uint32_t flags, const char* root, const MvList<TMvPath>* skipList,
                          std::int32_t depth);
    // Imports the one file of entry when the flags accept its kind and
    // length. True when the store holds it afterwards; a song it held
    // already is not touched or posted, a new one is posted when post is
    // set. songOut (may be null) receives the stored song.
    bool ImportSong(void* target, std::uint32_t flags, const TSVT_ImportEntry* entry, bool post, TSVT_Song* songOut);
    // Free the records of the import's messages.
    void DeallocBuffer(TSVT_Song* song);
    void DeallocKnownDir(TKnownDirInfo* info);
    void DeallocString(char* text);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
