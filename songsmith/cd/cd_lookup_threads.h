#pragma once
// The two threads of a CD page's title lookup: the disc search (the CDDB
// matches for the disc) and the record fetch (the chosen match's record).
// Each tries up to three times, posts its status texts to the page, and
// posts its answer as the payload of WM_RDB_GOTDISCINFO or
// WM_RDB_GOTALBUMRECORD: wParam the facade's result code, lParam the
// lookup's serial, the payload a CDiscMatches or CDiscRecord
// (cd_lookup_answers.h) that carries the thread's last error too.
//
// The page owns the threads: Stop asks them to end after the attempt they
// are in and joins them. A stopped thread posts nothing more.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "songsmith/app/app_message.h"
#include "titlefetch/track_pos.h"

// The number of tries of each lookup step.
inline constexpr int kLookupAttempts = 3;

class CCdLookupThreads {
public:
    CCdLookupThreads() = default;
    // Stops and joins the threads.
    ~CCdLookupThreads();
    CCdLookupThreads(const CCdLookupThreads&) = delete;
    CCdLookupThreads& operator=(const CCdLookupThreads&) = delete;

    // Stops any running thread, then searches for the disc with a copy of
    // its track positions (one per track) and its length in seconds. False
    // when the thread could not start.
    bool StartSearch(TReceiverId page, std::intptr_t serial, std::uint32_t discId,
                     std::vector<PLATTER_TTrackPos> positions, std::int32_t discSeconds);
    // Fetches the record of discId in genre. The search that led here has
    // posted its answer, so it is joined rather than stopped.
    bool StartRecord(TReceiverId page, std::intptr_t serial, std::uint32_t discId, std::string genre);
    // Asks the threads to end after their current attempt and joins them.
    void Stop();

private:
    static void Search(const std::atomic<bool>& stop, TReceiverId page, std::intptr_t serial,
                       std::uint32_t discId, std::vector<PLATTER_TTrackPos> positions, std::int32_t discSeconds);
    static void FetchRecord(const std::atomic<bool>& stop, TReceiverId page, std::intptr_t serial,
                            std::uint32_t discId, std::string genre);
    // Starts body on slot; false (logged by the caller) when it cannot.
    template <class Body>
    bool Launch(std::thread& slot, Body body);

    std::atomic<bool> stop_{false};
    std::thread search_;
    std::thread record_;
};

