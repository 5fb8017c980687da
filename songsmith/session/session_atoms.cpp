#include "songsmith/session/session_atoms.h"

#include "songsmith/session/cd_track.h"

void CTrackMoveAtom::Perform(int redo) {
    Target().MoveTrack(serial_, redo != 0 ? newIndex_ : oldIndex_, false);
}

void CTrackAtom::Perform(int redo) {
    const bool putBack = (kind_ == kAdded) == (redo != 0);
    if (kind_ != kAdded && kind_ != kRemoved) return;
    if (putBack)
        Reinsert();
    else
        Remove();
}

void CTrackAtom::Reinsert() {
    Target().InsertTrackAt(record_, rowIndex_);
    if (selected_ != 0) Target().MarkTrackSelected(CCDTrack::SerialOf(record_));
}

void CTrackAtom::Remove() {
    Target().RemoveTrackBySerial(CCDTrack::SerialOf(record_));
}

void CTrackVolumeAtom::Perform(int redo) {
    Target().SetTrackVolume(serial_, redo != 0 ? newVolume_ : oldVolume_);
}

void CShowTrackAtom::Perform(int redo) {
    if (redo != 0) return;
    Target().SelectTrack(serial_);
    Target().EnsureTrackVisible(serial_);
}

void CClearSelectionAtom::Perform(int) {
    Target().SelectAll(false);
}
