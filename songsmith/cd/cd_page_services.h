#pragma once
// What the CD pages read of the rest of the program, bound once at start-up
// (and by tests): the burn controller whose drive state they read, the one title lookup
// facade, the session's track list and the session list's row refresh.
// Unbound, the drive state reads 0, the session link does nothing and the
// pages use a facade of their own.

#include <functional>

class CSongPlayer;
class IBurnStatus;
class CTrackList;
class TITLEFETCH_CTitlefetch;

// The drive state, read through the same burn controller the main window
// reads it through; its state is atomic, so any thread may read it.
void SetDriveStateSource(const IBurnStatus* status);
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
