#pragma once
// DoSongAction: the one dispatcher through which every song list asks for
// the common song actions (add to the session, remove from it as one undo
// step, play, stop, a session track changed). Lists that hold a song-action
// callback are given DoSongAction.
//
// The session list, the tab pages, the undo history, the player and the
// session track list answer through ISongActionPartners, which the program
// binds once at start-up; without partners the actions that need them do
// nothing and report failure. Posting goes through the window table
// (app_windows.h).

#include <cstdint>

class CSongEntry;

// Which list asks (DoSongAction's first argument).
enum ESongListType : int {
    kSongListFind = 0,
    kSongListCd = 2,
    kSongListLibrary = 3,
    kSongListSession = 4,
    kSongListPlayer = 5,
    // Another name of the player's list; treated as it.
    kSongListPlayerAlso = 7,
};

// What the list asks (DoSongAction's second argument).
enum ESongAction : int {
    kSongActionAdd = 1,
    kSongActionRemove = 2,
    kSongActionPlay = 3,
    kSongActionStop = 4,
    kSongActionTrackChanged = 5,
};

// The start and end (ms) of a session track: its automatic trim pair and
// the pair the user set.
struct TTrackTrimPairs {
    std::int32_t autoStartMs = 0;
    std::int32_t autoEndMs = -1;
    std::int32_t userStartMs = 0;
    std::int32_t userEndMs = -1;
};

class ISongActionPartners {
public:
    virtual ~ISongActionPartners() = default;

    // The session list adds the song, recording undo; true when it did.
    virtual bool AddToSession(const CSongEntry& song, int listType) = 0;
    // The undo history starts a new step.
    virtual void NextUndoSet() = 0;
    // An undo atom that shows the session list's focused track again.
    virtual void AddShowFocusedTrackAtom() = 0;
    // The session list removes the song (and records its own atoms).
    virtual void RemoveFromSession(const CSongEntry& song, int listType) = 0;
    // An undo atom that leaves nothing selected.
    virtual void AddClearSelectionAtom() = 0;
    // Every tab page marks the song with this path as in the session (1)
    // or not (0).
    virtual void SetSongPlayState(const char* path, int inSession) = 0;
    // The trims of the session track with this serial, read under the track
    // list's lock; false when there is no such track.
    virtual bool FindTrackTrims(int serial, TTrackTrimPairs& trims) = 0;
    // The preference that picks the automatic trims over the user's.
    virtual bool TrimSoundsAutomatically() = 0;
    // The player plays the song; true when it took the request.
    virtual bool PlaySong(const char* path, int serial, std::int32_t startMs, std::int32_t endMs,
                          int soundId, std::int32_t positionMs) = 0;
    virtual void StopPlayer() = 0;
};

// Binds the partners (null unbinds). Done once at start-up, before any
// list can act.
void SetSongActionPartners(ISongActionPartners* partners);

// The dispatcher. wParam is a track serial (or the player's serial); only
// the low 16 bits of lParam (a sound id) are used. False when the session
// refuses an added song or the player cannot play; true otherwise.
bool DoSongAction(int listType, int action, int wParam, unsigned lParam, CSongEntry* song);
