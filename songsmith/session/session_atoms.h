#pragma once
// The undo atoms of the session's edits. Each names the tracks it acts on
// by serial and acts through the session list (ISessionEditTarget), so an
// atom whose track has gone does nothing. An edit of several tracks is one
// undo step: the session list starts it with a show-track atom of the
// focused track and ends it with a clear-selection atom, so that undo ends
// with the earlier focus and redo with nothing selected. No atom here gives
// a menu text.

#include <cstdint>

#include "tonecore/tags/music_info.h"
#include "utilities/undo_manager.h"

// The session list's operations the atoms call.
class ISessionEditTarget {
public:
    virtual ~ISessionEditTarget() = default;
    // Moves the track to position, recording nothing.
    virtual void MoveTrack(int serial, int position, bool recordUndo) = 0;
    // Puts a track made from the record back at position, under the serial
    // the record holds.
    virtual void InsertTrackAt(const TONECORE_CMusicInfo& record, int position) = 0;
    // Takes the track out, recording nothing.
    virtual void RemoveTrackBySerial(int serial) = 0;
    virtual void SetTrackVolume(int serial, double volume) = 0;
    // Selects and focuses the track's row.
    virtual void SelectTrack(int serial) = 0;
    // Selects the track's row without focus.
    virtual void MarkTrackSelected(int serial) = 0;
    // Scrolls the track's row into view.
    virtual void EnsureTrackVisible(int serial) = 0;
    virtual void SelectAll(bool select) = 0;
};

// The shared part: the target the atom acts on.
class CSessionAtom : public CUndoAtom {
public:
    explicit CSessionAtom(ISessionEditTarget& target) : target_(target) {}
    void GetText(char*, int) override {}

protected:
    ISessionEditTarget& Target() const { return target_; }

private:
    ISessionEditTarget& target_;
};

// A track moved from one row to another.
class CTrackMoveAtom : public CSessionAtom {
public:
    CTrackMoveAtom(ISessionEditTarget& target, int serial, int oldIndex, int newIndex, int selected)
        : CSessionAtom(target), serial_(serial), oldIndex_(oldIndex), newIndex_(newIndex), selected_(selected) {}
    CUndoAtom* Clone() const override { return new CTrackMoveAtom(*this); }
    void Perform(int redo) override;

private:
    std::int32_t serial_;
    std::int32_t oldIndex_;
    std::int32_t newIndex_;
    std::int32_t selected_;
};

// A track added (kind 0) or removed (kind 2), with its whole record (play
// data, serial and volume included) so that putting it back restores it
// exactly.
class CTrackAtom : public CSessionAtom {
public:
    static constexpr int kAdded = 0;
    static constexpr int kRemoved = 2;

    CTrackAtom(ISessionEditTarget& target, const TONECORE_CMusicInfo& record, int selected, int rowIndex,
               int kind)
        : CSessionAtom(target), record_(record), selected_(selected), rowIndex_(rowIndex), kind_(kind) {}
    CUndoAtom* Clone() const override { return new CTrackAtom(*this); }
    void Perform(int redo) override;

private:
    void Reinsert();
    void Remove();

    TONECORE_CMusicInfo record_;
    std::int32_t selected_;
    std::int32_t rowIndex_;
    std::int32_t kind_;
};

// A track's volume factor changed.
class CTrackVolumeAtom : public CSessionAtom {
public:
    CTrackVolumeAtom(ISessionEditTarget& target, int serial, double oldVolume, double newVolume)
        : CSessionAtom(target), serial_(serial), oldVolume_(oldVolume), newVolume_(newVolume) {}
    CUndoAtom* Clone() const override { return new CTrackVolumeAtom(*this); }
    void Perform(int redo) override;

private:
    std::int32_t serial_;
    double oldVolume_;
    double newVolume_;
};

// Undo brings the focus back to the track (the step's first atom).
class CShowTrackAtom : public CSessionAtom {
public:
    CShowTrackAtom(ISessionEditTarget& target, int serial) : CSessionAtom(target), serial_(serial) {}
    CUndoAtom* Clone() const override { return new CShowTrackAtom(*this); }
    void Perform(int redo) override;

private:
    std::int32_t serial_;
};

// Leaves nothing selected (the step's last atom). It acts on redo too: redo
// runs it last, and a redone step is to end with nothing selected.
class CClearSelectionAtom : public CSessionAtom {
public:
    explicit CClearSelectionAtom(ISessionEditTarget& target) : CSessionAtom(target) {}
    CUndoAtom* Clone() const override { return new CClearSelectionAtom(*this); }
    void Perform(int redo) override;
};
