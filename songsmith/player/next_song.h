#pragma once
// Choosing the list that gives the next (or previous) song: the player
// panel asks the list the playback came from (the play source), and the
// session list when that list has none or is the session itself.

#include <functional>
#include <string>

class ICDTrackPage;

// A tab page's song list (Find, Library): plays the song after (forward)
// or before the one at path, or a random one of the list; false when none
// was started.
using TPageNextSong = std::function<bool(bool random, const char* path, bool forward)>;
// The session list: the same from the song with the session serial.
using TSessionNextSong = std::function<bool(bool random, int currentSerial, bool forward)>;

// The lists the next song may come from; a null (empty) one has none.
struct TNextSongLists {
    // The CD page whose track the player plays.
    ICDTrackPage* cdTab = nullptr;
    TPageNextSong findTab;
    TPageNextSong libraryTab;
    TSessionNextSong sessionList;
};

// Plays the next (forward) or previous song of the list of source (a play
// source, play_source.h): the CD page, the Find tab or the Library tab;
// when that list starts none, or the source is the session, the session
// list is asked. path is the playing song's, serial its session serial.
// False when no list started a song.
bool PlayNextFromSource(int source, const TNextSongLists& lists, bool random, bool forward,
                        const std::string& path, int serial);
