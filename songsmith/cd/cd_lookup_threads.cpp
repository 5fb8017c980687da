#include "songsmith/cd/cd_lookup_threads.h"

#include <memory>
#include <system_error>

#include "platform/last_error.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/app/keyed_format.h"
#include "titlefetch/titlefetch.h"

namespace {

void PostStatus(TReceiverId page, std::intptr_t serial, const char* key, int attempt) {
    TAppMessage message{WM_RDB_STATUS, 0, serial, nullptr};
    message.payload = std::make_unique<CLookupStatus>(FormatKeyedText(key, {attempt, kLookupAttempts}));
    PostAppMessage(page, std::move(message));
}

template <class Answer>
void PostAnswer(TReceiverId page, std::uint32_t number, std::intptr_t serial, std::unique_ptr<Answer> answer) {
    TAppMessage message{number, static_cast<std::uintptr_t>(answer->outcome.code), serial, nullptr};
    message.payload = std::move(answer);
    PostAppMessage(page, std::move(message));
}

}  // namespace

CCdLookupThreads::~CCdLookupThreads() { Stop(); }

void CCdLookupThreads::Stop() {
    stop_.store(true);
    if (search_.joinable()) search_.join();
    if (record_.joinable()) record_.join();
}

template <class Body>
bool CCdLookupThreads::Launch(std::thread& slot, Body body) {
    try {
        slot = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool CCdLookupThreads::StartSearch(TReceiverId page, std::intptr_t serial, std::uint32_t discId,
                                   std::vector<PLATTER_TTrackPos> positions, std::int32_t discSeconds) {
    Stop();
    stop_.store(false);
    return Launch(search_, [this, page, serial, discId, positions = std::move(positions), discSeconds]() mutable {
        Search(stop_, page, serial, discId, std::move(positions), discSeconds);
    });
}

bool CCdLookupThreads::StartRecord(TReceiverId page, std::intptr_t serial, std::uint32_t discId,
                                   std::string genre) {
    if (search_.joinable()) search_.join();
    if (record_.joinable()) record_.join();
    return Launch(record_, [this, page, serial, discId, genre = std::move(genre)] {
        FetchRecord(stop_, page, serial, discId, genre);
    });
}

void CCdLookupThreads::Search(const std::atomic<bool>& stop, TReceiverId page, std::intptr_t serial,
                              std::uint32_t discId, std::vector<PLATTER_TTrackPos> positions,
                              std::int32_t discSeconds) {
    // The facade takes a list of pointers; this one points into the copy.
    MvList<PLATTER_TTrackPos*> tracks;
    for (PLATTER_TTrackPos& position : positions) tracks.Append(&position);
    auto answer = std::make_unique<CDiscMatches>();
    for (int attempt = 1; attempt <= kLookupAttempts; ++attempt) {
        if (stop.load()) return;
        PostStatus(page, serial, "CDTab_LookingUp", attempt);
        // Each attempt starts from an empty list.
        answer->Clear();
        answer->outcome.code = ProgramTitlefetch().SearchForDiscID(discId, tracks, discSeconds, answer->list);
        answer->outcome.lastError = GetLastError();
        if (answer->outcome.code == 0) break;
    }
    if (stop.load()) return;
    PostAnswer(page, WM_RDB_GOTDISCINFO, serial, std::move(answer));
}

void CCdLookupThreads::FetchRecord(const std::atomic<bool>& stop, TReceiverId page, std::intptr_t serial,
                                   std::uint32_t discId, std::string genre) {
    auto answer = std::make_unique<CDiscRecord>();
    for (int attempt = 1; attempt <= kLookupAttempts; ++attempt) {
        if (stop.load()) return;
        PostStatus(page, serial, "CDTab_GettingAlbum", attempt);
        // The read empties the record before it fills it again.
        answer->outcome.code = ProgramTitlefetch().GetDiscRecord(discId, genre.c_str(), answer->record);
        answer->outcome.lastError = GetLastError();
        if (answer->outcome.code == 0) break;
    }
    if (stop.load()) return;
    PostAnswer(page, WM_RDB_GOTALBUMRECORD, serial, std::move(answer));
}
