#pragma once
// What the CD pages read of the rest of the program, bound once at start-up
// (and by tests): the burn controller's drive state, the one title lookup
// facade, the session's track list and the session list's row refresh.
// Unbound, the drive state reads 0, the session link does nothing and the
// pages use a facade of their own.

#include <atomic>
#include <functional>

class CSongPlayer;
class CTrackList;
class TITLEFETCH_CTitlefetch;

// The drive state is read from any thread: the source is the burn
// controller's own atomic state.
void SetDriveStateSource(const std::atomic<int>* state);
int CurrentDriveState();

void SetProgramTitlefetch(TITLEFETCH_CTitlefetch* titlefetch);
// The bound facade, else one kept here.
TITLEFETCH_CTitlefetch& ProgramTitlefetch();

// The session the CD pages add ripped songs to (main thread only).
void SetCdSessionTracks(CTrackList* tracks);
CTrackList* CdSessionTracks();

// The session list redraws the track with this serial; the session list
// binds it once it exists.
void SetSessionTrackRefresher(std::function<void(int serial)> refresh);
void RefreshSessionTrack(int serial);

// The song player the CD pages play their tracks through (main thread
// only); bound before the pages are made, unbound before the player goes.
void SetCdPagePlayer(CSongPlayer* player);
CSongPlayer* CdPagePlayer();
