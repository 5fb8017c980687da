#pragma once
// What the title lookup's threads hand to their CD page: each thread fills
// an object of its own and sends it as the payload of its message, so a
// thread never writes into the page. A payload nobody takes (its page went,
// or a newer lookup replaced the one it answers) frees its lists and strings
// through the program's title lookup facade when it goes.

#include <cstdint>
#include <string>

#include "songsmith/app/app_message.h"
#include "titlefetch/cddb_records.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/mv_list.h"

// How a lookup thread's last attempt ended: the facade's result code and
// the thread's last error after it.
struct TLookupOutcome {
    int code = 0;
    std::uint32_t lastError = 0;
};

// The matches of a disc search.
class CDiscMatches : public CAppPayload {
public:
    CDiscMatches() = default;
    ~CDiscMatches() override;
    CDiscMatches(const CDiscMatches&) = delete;
    CDiscMatches& operator=(const CDiscMatches&) = delete;

    // Frees the matches and empties the list.
    void Clear();

    MvList<TITLEFETCH_TQResult*> list;
    TLookupOutcome outcome;
};

// One disc's record.
class CDiscRecord : public CAppPayload {
public:
    CDiscRecord() = default;
    ~CDiscRecord() override;
    CDiscRecord(const CDiscRecord&) = delete;
    CDiscRecord& operator=(const CDiscRecord&) = delete;

    // The record's track title for a track table index; null when the
    // record has none there.
    const char* TrackTitle(int index) const;
    // Artist or album empty, no year or no genre: the user is asked to
    // fill them in.
    bool HasGaps() const;

    TITLEFETCH_TRResult record;
    TLookupOutcome outcome;
};

// A lookup thread's status text, shown by the page.
class CLookupStatus : public CAppPayload {
public:
    explicit CLookupStatus(std::string text) : text(std::move(text)) {}
    std::string text;
};
