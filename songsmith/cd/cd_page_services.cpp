#include "songsmith/cd/cd_page_services.h"

#include <atomic>

#include "songsmith/burn/burn_status.h"
#include "titlefetch/titlefetch.h"

namespace {

std::atomic<const IBurnStatus*> g_burnStatus{nullptr};
std::atomic<TITLEFETCH_CTitlefetch*> g_titlefetch{nullptr};
CTrackList* g_sessionTracks = nullptr;
CSongPlayer* g_player = nullptr;

std::function<void(int)>& Refresher() {
    static std::function<void(int)> refresh;
    return refresh;
}

}  // namespace

void SetDriveStateSource(const IBurnStatus* status) { g_burnStatus.store(status); }

int CurrentDriveState() { return DriveStateOf(g_burnStatus.load()); }

void SetProgramTitlefetch(TITLEFETCH_CTitlefetch* titlefetch) { g_titlefetch.store(titlefetch); }

TITLEFETCH_CTitlefetch& ProgramTitlefetch() {
    if (TITLEFETCH_CTitlefetch* bound = g_titlefetch.load()) return *bound;
    static TITLEFETCH_CTitlefetch own;
    return own;
}

void SetCdSessionTracks(CTrackList* tracks) { g_sessionTracks = tracks; }

CTrackList* CdSessionTracks() { return g_sessionTracks; }

void SetSessionTrackRefresher(std::function<void(int serial)> refresh) { Refresher() = std::move(refresh); }

void RefreshSessionTrack(int serial) {
    if (Refresher()) Refresher()(serial);
}

void SetCdPagePlayer(CSongPlayer* player) { g_player = player; }

CSongPlayer* CdPagePlayer() { return g_player; }
