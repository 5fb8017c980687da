#include "platter/burn_events.h"

#include <libburn/libburn.h>

#include "platter/errors.h"

using namespace burn;

void CBurnEventTracker::Emit(std::vector<TBurnEvent>& out, std::int32_t code, std::int32_t track, std::int32_t blocks) {
    TBurnEvent event;
    event.code = code;
    event.trackNumber = track;
    event.blocksToRecord = blocks;
    out.push_back(event);
}

void CBurnEventTracker::EnterLeadIn(std::vector<TBurnEvent>& out) {
    if (stage_ != EStage::kStart) return;
    Emit(out, EVENT_COMPILE_CUESHEET_START);
    Emit(out, EVENT_COMPILE_CUESHEET_END);
    Emit(out, EVENT_RECORD_LEADIN_START);
    stage_ = EStage::kLeadIn;
}

void CBurnEventTracker::EnterTracks(std::vector<TBurnEvent>& out) {
    EnterLeadIn(out);
    if (stage_ != EStage::kLeadIn) return;
    Emit(out, EVENT_RECORD_LEADIN_END);
    Emit(out, EVENT_RECORD_GAP_START);
    Emit(out, EVENT_RECORD_USERDATA_START);
    stage_ = EStage::kTracks;
}

void CBurnEventTracker::AdvanceToTrack(int track, std::vector<TBurnEvent>& out) {
    EnterTracks(out);
    if (stage_ != EStage::kTracks) return;
    const int last = static_cast<int>(plan_.tracks.size()) - 1;
    if (track > last) track = last;
    // Every track passed since the last poll starts and ends in turn.
    while (current_ < track) {
        if (current_ >= 0) Emit(out, EVENT_RECORD_TRACK_END, current_ + 1);
        ++current_;
        const TPlannedTrack& next = plan_.tracks[static_cast<std::size_t>(current_)];
        Emit(out, EVENT_RECORD_TRACK_START, current_ + 1, next.sectors + next.gapSectors);
    }
}

void CBurnEventTracker::EnterLeadOut(std::vector<TBurnEvent>& out) {
    AdvanceToTrack(static_cast<int>(plan_.tracks.size()) - 1, out);
    if (stage_ != EStage::kTracks) return;
    Emit(out, EVENT_RECORD_TRACK_END, current_ + 1);
    Emit(out, EVENT_RECORD_USERDATA_END);
    Emit(out, EVENT_RECORD_LEADOUT_START);
    stage_ = EStage::kLeadOut;
}

std::vector<TBurnEvent> CBurnEventTracker::Update(const TBurnPoll& poll) {
    std::vector<TBurnEvent> out;
    if (plan_.tracks.empty() || stage_ == EStage::kDone) return out;
    switch (poll.driveStatus) {
        case BURN_DRIVE_WRITING_LEADIN: EnterLeadIn(out); break;
        case BURN_DRIVE_WRITING:
        case BURN_DRIVE_WRITING_PREGAP:
        case BURN_DRIVE_CLOSING_TRACK:
            AdvanceToTrack(poll.track < 0 ? 0 : poll.track, out);
            break;
        case BURN_DRIVE_WRITING_LEADOUT:
        case BURN_DRIVE_CLOSING_SESSION: EnterLeadOut(out); break;
        default: break;
    }
    return out;
}

std::vector<TBurnEvent> CBurnEventTracker::Finish(bool wroteWell) {
    std::vector<TBurnEvent> out;
    if (plan_.tracks.empty() || stage_ == EStage::kDone) return out;
    if (wroteWell) {
        EnterLeadOut(out);
        Emit(out, EVENT_RECORD_LEADOUT_END);
    }
    stage_ = EStage::kDone;
    return out;
}

std::int32_t CBurnEventTracker::Percent(const TBurnPoll& poll) {
    if (poll.sectors <= 0 || poll.sector <= 0) return 0;
    if (poll.sector >= poll.sectors) return 100;
    return static_cast<std::int32_t>(std::int64_t{poll.sector} * 100 / poll.sectors);
}

namespace {

// One row per kind of ending, tried in order; the first that fits decides.
struct TCodeRow {
    bool (*fits)(const TBurnOutcome&);
    TBurnCode code;
};

const TCodeRow kCodeRows[] = {
    {[](const TBurnOutcome& o) { return o.began && o.wroteWell; },
     {PLATTER_WRITE_OK, "libburn reports that the drive wrote the disc well."}},
    {[](const TBurnOutcome& o) { return !o.began; },
     {PLATTER_WRITE_REFUSED, "libburn refused the write before it began."}},
    {[](const TBurnOutcome& o) { return o.cancelled; }, {PLATTER_WRITE_FAILED, "The write was aborted."}},
    {[](const TBurnOutcome& o) { return (o.driveBufferEmptied || o.fifoRanDry) && !o.underrunProtection; },
     {PLATTER_WRITE_UNDERRUN, "The drive ran out of data while writing without underrun protection."}},
    {[](const TBurnOutcome&) { return true; }, {PLATTER_WRITE_FAILED, "The drive failed while writing."}},
};

}  // namespace

TBurnCode BurnResultCode(const TBurnOutcome& outcome) {
    for (const TCodeRow& row : kCodeRows)
        if (row.fits(outcome)) return row.code;
    return kCodeRows[std::size(kCodeRows) - 1].code;
}
