#include "songsmith/session/song_actions.h"

#include <atomic>

#include "songsmith/app/app_messages.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/song_entry.h"

namespace {

std::atomic<ISongActionPartners*> g_partners{nullptr};

// The player's request fields that a list does not choose: the id the
// player ignores, and the end that means "the song's length".
constexpr int kAnySoundId = 65535;
constexpr std::int32_t kToTheEnd = -1;
// A play-state message carries a 16-bit sound id.
constexpr unsigned kSoundIdMask = 0xFFFF;

// The windows that follow play states, in the order they are told.
constexpr EAppWindow kPlayStateWindows[] = {EAppWindow::kSessionList, EAppWindow::kFindTab,
                                            EAppWindow::kLibraryTab, EAppWindow::kPlayerPanel};

bool IsPlayerList(int listType) {
    return listType == kSongListPlayer || listType == kSongListPlayerAlso;
}

// The lists whose songs are not in the session already.
bool IsPageList(int listType) {
    return listType == kSongListFind || listType == kSongListCd || listType == kSongListLibrary;
}

// A serial as a message's wParam, so the receiver reads the same int back.
std::uintptr_t SerialParam(int serial) {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(serial));
}

void PostPlayState(int serial, unsigned soundId, bool starting) {
    const std::intptr_t value =
        static_cast<std::intptr_t>(soundId & kSoundIdMask) + (starting ? kPlayStatePlaying : 0);
    for (const EAppWindow window : kPlayStateWindows)
        PostToAppWindow(window,
                        TAppMessage{WM_PLAYSTATE_CHANGED, SerialParam(serial), value, nullptr});
}

bool AddSong(ISongActionPartners& partners, int listType, const CSongEntry& song) {
    const bool added = IsPageList(listType) ? partners.AddToSession(song, listType) : true;
    // A song the session refused is not marked as being in it.
    if (added) partners.SetSongPlayState(song.path, 1);
    return added;
}

void RemoveSong(ISongActionPartners& partners, int listType, const CSongEntry& song) {
    if (IsPageList(listType)) {
        partners.NextUndoSet();
        partners.AddShowFocusedTrackAtom();
        partners.RemoveFromSession(song, listType);
        partners.AddClearSelectionAtom();
    }
    partners.SetSongPlayState(song.path, 0);
}

bool PlaySong(ISongActionPartners& partners, int listType, int serial, const CSongEntry& song) {
    std::int32_t startMs = 0;
    std::int32_t endMs = kToTheEnd;
    if (listType == kSongListSession) {
        TTrackTrimPairs trims;
        // A track that has gone plays nothing; that is not a failure.
        if (!partners.FindTrackTrims(serial, trims)) return true;
        const bool automatic = partners.TrimSoundsAutomatically();
        startMs = automatic ? trims.autoStartMs : trims.userStartMs;
        endMs = automatic ? trims.autoEndMs : trims.userEndMs;
    }
    return partners.PlaySong(song.path, serial, startMs, endMs, kAnySoundId, startMs);
}

}  // namespace

void SetSongActionPartners(ISongActionPartners* partners) {
    g_partners.store(partners);
}

bool DoSongAction(int listType, int action, int wParam, unsigned lParam, CSongEntry* song) {
    // The player's own lists only announce: its sound tells them that a
    // song started or stopped, and playing it again from here would restart
    // it without end.
    if (IsPlayerList(listType) && (action == kSongActionPlay || action == kSongActionStop)) {
        PostPlayState(wParam, lParam, action == kSongActionPlay);
        return true;
    }
    if (action == kSongActionTrackChanged) {
        PostToAppWindow(
            EAppWindow::kSessionList,
            TAppMessage{WM_SESSION_TRACKCHANGED, 0, static_cast<std::intptr_t>(wParam), nullptr});
        return true;
    }
    ISongActionPartners* partners = g_partners.load();
    if (partners == nullptr) return false;
    switch (action) {
        case kSongActionAdd:
            return song != nullptr && AddSong(*partners, listType, *song);
        case kSongActionRemove:
            if (song != nullptr) RemoveSong(*partners, listType, *song);
            return true;
        case kSongActionPlay:
            return song != nullptr && PlaySong(*partners, listType, wParam, *song);
        case kSongActionStop:
            partners->StopPlayer();
            return true;
        default:
            return true;
    }
}
