#pragma once
// CCdDisc: what a CD page knows of the disc in its drive and does with it,
// without widgets: the disc state, the rows, the disc timer's step, reading
// a new disc, marking rows (with the session link) and the texts and button
// states the page shows. The page draws it and forwards its user's actions;
// everything here runs on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "songsmith/cd/cd_rows.h"

class CDiscRecord;

class PLATTER_CDevice;

class CCdDisc {
public:
    // The drive stays the drive library's; null makes a page without a drive.
    explicit CCdDisc(PLATTER_CDevice* drive);
    ~CCdDisc();
    CCdDisc(const CCdDisc&) = delete;
    CCdDisc& operator=(const CCdDisc&) = delete;

    // One step of the disc timer (the page checks that it is visible):
    // follows the drive's media status, reading a disc that came in.
    // Nothing while a burn step runs (drive state 5 to 9).
    void Tick(int driveState);
    // Reads the disc in the drive: its ID, its kind and, for an audio disc
    // without rows yet, one row per audio track. forced: the user asked.
    void GetRDBID(bool forced);
    // The page becomes current again after it was shown before: reads the
    // disc's ID and, when another disc came in while no lookup runs, forgets
    // the old one so that the next tick reads the new one.
    void ReReadOnReturn();

    // Marks (or unmarks) a row; a ripped row that gets marked joins the
    // session when songs are added, an unmarked one leaves it.
    void OnSelect(int row, bool mark);
    // Flips the current row's mark.
    void FlipCurrentMark();
    // Unmarks every row when any is marked, else marks every row.
    void SelectOrDeselectAll();
    // Every row ready to rip again (status ready, 0 %).
    void ClearRipped();
    // The add-to-session switch flipped: every marked row joins or leaves.
    void ToggleAddToSession();
    // The first row whose file is path is (or is no longer) in the session.
    void SetSongPlayState(const char* path, bool state);

    bool HasTracksToRip() const;
    bool AnyMarked() const;
    bool AnyRipped() const;
    // The row's song information, or null when index is not a row.
    TONECORE_CMusicInfo* GetTrackMusicInfo(int index) const;
    TCDTrackRow* Row(int index) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The list holds the six message rows (no audio rows).
    bool ShowsMessageRows() const { return rows_.empty() && messageRows_; }
    // The key of the message rows' text for the disc state ("%d" the row).
    const char* MessageKey() const;
    // Empties the list and shows the message rows (opening the page).
    void ShowMessageRows(const char* statusKey);

    int State() const { return state_; }
    std::uint32_t DiscId() const { return discId_; }
    const std::string& StatusText() const { return statusText_; }
    void SetStatusText(std::string text);
    void SetStatusKey(const char* key);
    const TCDRows& Rows() const { return rows_; }
    // The rows made from a disc record take the old ones' place.
    void ReplaceRows(TCDRows rows);
    // The disc record the titles come from: placeholders when the rows are
    // first made, then the lookup's record.
    CDiscRecord& Record() { return *record_; }
    void TakeRecord(std::unique_ptr<CDiscRecord> record);
    bool LookUpEnabled() const { return lookUpEnabled_; }
    void EnableLookUp(bool enable);
    bool RipEnabled() const { return ripEnabled_; }
    // The Rip button follows the rows: enabled when a row is to rip.
    void FollowRows();
    void SetRipEnabled(bool enable);
    // Rows without a title get "Track %02d" with their number.
    void FillEmptyTitles();
    bool AddToSession() const { return addToSession_; }
    int CurrentRow() const { return currentRow_; }
    void SetCurrentRow(int row) { currentRow_ = row; }
    int PlayingIndex() const { return playingIndex_; }
    void SetPlayingIndex(int index) { playingIndex_ = index; }
    // 0 no lookup yet, 3 a lookup ended; other values while one runs.
    int LookupPhase() const { return lookupPhase_; }
    void SetLookupPhase(int phase) { lookupPhase_ = phase; }
    bool LookupRunning() const { return lookupPhase_ != 0 && lookupPhase_ != 3; }
    PLATTER_CDevice* Drive() const { return drive_; }

    // Tells the page that rows, texts or button states changed.
    void Changed();
    // Called after rows, texts or button states changed.
    std::function<void()> changed;
    // The wait cursor on (true) and off around a disc read.
    std::function<void(bool)> busy;
    // Stops the track that plays (CD playback fills it).
    std::function<void()> stopPlayback;
    // The title lookup after a disc was read (forced: the user asked): true
    // when it took the disc over; false leaves Look Up enabled.
    std::function<bool(bool forced)> lookUpTitles;

private:
    void DeleteRows();
    // Steps of GetRDBID; false ends the read.
    bool ReadDiscInfo();
    bool CorrectEnhancedCd();
    void AddRows();

    PLATTER_CDevice* drive_;
    TCDRows rows_;
    bool messageRows_ = true;
    int state_ = kCdStateNone;
    std::uint32_t discId_ = 0;
    std::string statusText_;
    bool lookUpEnabled_ = false;
    bool ripEnabled_ = false;
    bool addToSession_ = true;
    int currentRow_ = -1;
    int playingIndex_ = -1;
    int lookupPhase_ = 0;
    std::unique_ptr<CDiscRecord> record_;
};
