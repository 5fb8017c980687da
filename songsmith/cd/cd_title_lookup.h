#pragma once
// CCdTitleLookup: how a CD page names its tracks after it read a disc: from
// the local title cache, from a CDDB server (a search for the disc, a
// choice among several matches, then the chosen record) or from the user's
// own entries. It runs on the main thread; its two threads
// (cd_lookup_threads.h) only ask the server and post their answers, which
// the page hands to OnMessage. Boxes go through the UI services; the
// dialogs (choosing a match, editing the track tags, filling in a record's
// gaps) and the page's disc timer are the page's, reached through hooks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "songsmith/app/app_message.h"
#include "songsmith/cd/cd_lookup_threads.h"
#include "titlefetch/cddb_records.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/mv_list.h"

class CCdDisc;
class CDiscMatches;
class CPreferences;

// How the last lookup ended.
enum ECdLookupResult : int {
    kLookupNone = 0,
    kLookupFailed = 1,
    kLookupNoMatch = 2,  // no disc ID, or the server knows no match
    kLookupNoneChosen = 3,
    kLookupFetched = 4,
    kLookupFromCache = 5,
};

// The lookup phase (kept by the disc, which reads a new disc only while
// no lookup runs).
enum ECdLookupPhase : int {
    kPhaseIdle = 0,
    kPhaseSearching = 1,
    kPhaseFetching = 2,
    kPhaseDone = 3,
};

class CCdTitleLookup {
public:
    // prefs may be null (no automatic lookup).
    CCdTitleLookup(CCdDisc& disc, const CPreferences* prefs);
    // Stops and joins the threads; their answers still queued free
    // themselves.
    ~CCdTitleLookup();
    CCdTitleLookup(const CCdTitleLookup&) = delete;
    CCdTitleLookup& operator=(const CCdTitleLookup&) = delete;

    // The end of reading a disc: the cache unless forced, else the server
    // when forced or the automatic lookup is on. True when Look Up is taken
    // care of here; false leaves it to the caller to enable.
    bool Decide(bool forced);
    // Look Up pressed: the last result is forgotten.
    void ClearResult() { result_ = kLookupNone; }
    // WM_RDB_GOTDISCINFO, WM_RDB_GOTALBUMRECORD and WM_RDB_STATUS; 1 when
    // the message was one of them.
    std::intptr_t OnMessage(TAppMessage& message);
    // Hand entry from row: the Edit CD Track Tag dialog, then the rows'
    // titles go into the cache.
    void OnEdit(int row);
    // Ends the lookup's threads (a rip starts, the page goes).
    void Stop();

    int Result() const { return result_; }
    std::uint32_t ChosenDiscId() const { return chosenId_; }
    const TITLEFETCH_TQResult& ChosenMatch() const { return chosen_; }
    // A box or dialog of the lookup is open (its event loop runs the disc
    // timer meanwhile).
    bool InDialog() const { return dialogs_ > 0; }

    // Where the threads post; the page's receiver.
    TReceiverId receiver = kNoReceiver;
    // The window boxes belong to.
    void* owner = nullptr;
    // Starts (true) or stops the page's disc timer.
    std::function<void(bool run)> discTimer;
    // The page rips.
    std::function<bool()> ripping;
    // Select a Disc over the matches: 1 with the chosen match (its disc ID
    // 0: none of them), 2 cancelled, 0 closed.
    std::function<int(const MvList<TITLEFETCH_TQResult*>& matches, TITLEFETCH_TQResult& chosen)> selectDisc;
    // Edit CD Track Tag at row; true when the user saved.
    std::function<bool(int row)> editTracks;
    // Missing Tag Information over a fetched record, without its submit
    // part.
    std::function<void(TITLEFETCH_TRResult& record)> fillMissingTags;

private:
    // Counts the lookup's open boxes and dialogs for its lifetime.
    class CDialogScope {
    public:
        explicit CDialogScope(CCdTitleLookup& lookup);
        ~CDialogScope();
        CDialogScope(const CDialogScope&) = delete;
        CDialogScope& operator=(const CDialogScope&) = delete;

    private:
        CCdTitleLookup& lookup_;
    };
    // A message box of the lookup, counted as a dialog.
    std::int32_t Ask(const char* key, std::uint32_t flags, const std::string& title);
    // After a box or dialog: the disc in the drive is no longer the one this
    // lookup was made for (another came in, or none is left). The lookup
    // ends without applying anything, and the disc now in the drive gets
    // the lookup it was kept from meanwhile.
    bool DiscChangedMeanwhile();
    void OnSearchAnswer(int code, std::unique_ptr<CDiscMatches> matches);
    void OnRecordAnswer(int code, std::unique_ptr<CAppPayload> payload);
    // A failed step: its status and box titled titleKey, by code.
    void ReportFailure(int code, std::uint32_t lastError, const char* titleKey);
    void GetRDBRecord();
    void SetRDBTrackInfo();
    // The rows' titles into the cache under the disc's ID.
    void WriteCache();
    bool FromCache();
    bool StartSearch();
    bool Ripping() const { return ripping && ripping(); }
    void RunDiscTimer(bool run);

    CCdDisc& disc_;
    const CPreferences* prefs_;
    int result_ = kLookupNone;
    std::unique_ptr<CDiscMatches> matches_;
    TITLEFETCH_TQResult chosen_;
    std::uint32_t chosenId_ = 0;
    // Tells this lookup's messages from those of one it replaced.
    std::intptr_t serial_ = 0;
    // The disc this lookup was made for; its result applies to no other.
    std::uint32_t lookupDiscId_ = 0;
    int dialogs_ = 0;
    // Answers that arrived while a box or dialog was open, posted again
    // once it closed.
    std::vector<TAppMessage> held_;
    CCdLookupThreads threads_;
};
