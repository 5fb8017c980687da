#pragma once
// Choosing the list that gives the next (or previous) song: the player
// panel asks the list the playback came from (the play source), and the
// session list when that list has none or is the session itself.

#include <functional>
#include <string>

class ICDTrackPage;

// A song list of a tab page (Find, Library) that can play the song next to
// one of its songs.
class INextSongList {
public:
    virtual ~INextSongList() = default;
    // Plays the song after (forward) or before the one at path, or a random
    // one of the list; false when none was started.
    virtual bool PlayNextSong(bool random, const char* path, bool forward) = 0;
};

// The lists the next song may come from; a null (empty) one has none.
struct TNextSongLists {
    // The CD page whose track the player plays.
    ICDTrackPage* cdTab = nullptr;
    INextSongList* findTab = nullptr;
    INextSongList* libraryTab = nullptr;
    // The session list: (random, the serial of the current song, forward).
    std::function<bool(bool random, int currentSerial, bool forward)> sessionList;
};

// Plays the next (forward) or previous song of the list of source (a play
// source, play_source.h): the CD page, the Find tab or the Library tab;
// when that list starts none, or the source is the session, the session
// list is asked. path is the playing song's, serial its session serial.
// False when no list started a song.
bool PlayNextFromSource(int source, const TNextSongLists& lists, bool random, bool forward,
                        const std::string& path, int serial);
