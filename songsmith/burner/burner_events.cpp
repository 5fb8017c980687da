// A write's events, reported by the drive library on its own thread: the
// state and write phase, the tracks' states, and the measured write speed.
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "filekit/log.h"
#include "platter/types.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"

namespace {

struct TEventName {
    std::int32_t code;
    const char* name;
};

// Track starts log their own line with the blocks and the track.
constexpr TEventName kEventNames[] = {
    {EVENT_GAPTYPE_PREGAP, "EVENT_GAPTYPE_PREGAP"},
    {EVENT_GAPTYPE_POSTGAP, "EVENT_GAPTYPE_POSTGAP"},
    {EVENT_GAPTYPE_LEADIN, "EVENT_GAPTYPE_LEADIN"},
    {EVENT_GAPTYPE_LEADOUT, "EVENT_GAPTYPE_LEADOUT"},
    {EVENT_EXCHANGE_DISC_START, "EVENT_EXCHANGE_DISC_START"},
    {EVENT_EXCHANGE_DISC_END, "EVENT_EXCHANGE_DISC_END"},
    {EVENT_RECORD_GAP_START, "EVENT_RECORD_GAP_START"},
    {22, "EVENT_GAPTYPE_LEADOUT"},
    {EVENT_RECORD_USERDATA_START, "EVENT_RECORD_USERDATA_START"},
    {EVENT_RECORD_USERDATA_END, "EVENT_RECORD_USERDATA_END"},
    {EVENT_RECORD_TRACK_END, "EVENT_RECORD_TRACK_END"},
    {EVENT_RECORD_LEADIN_START, "EVENT_RECORD_LEADIN_START"},
    {EVENT_RECORD_LEADIN_END, "EVENT_RECORD_LEADIN_END"},
    {EVENT_RECORD_LEADOUT_START, "EVENT_RECORD_LEADOUT_START"},
    {EVENT_RECORD_LEADOUT_END, "EVENT_RECORD_LEADOUT_END"},
    {EVENT_COMPILE_CUESHEET_START, "EVENT_COMPILE_CUESHEET_START"},
    {EVENT_COMPILE_CUESHEET_END, "EVENT_COMPILE_CUESHEET_END"},
    {45, "EVENT_OVERWRITE_FILE_PROMPT"},
    {46, "EVENT_DEBUG_VALUE"},
    {47, "EVENT_DEBUG_STRING"},
};

void LogEvent(const TBurnEvent& event) {
    if (event.code == EVENT_RECORD_TRACK_START) {
        LogFmt("EVENT_RECORD_TRACK_START [#blocks to record = %d] [track #%d]", event.blocksToRecord,
               event.trackNumber);
        return;
    }
    for (const TEventName& entry : kEventNames)
        if (entry.code == event.code) Log(entry.name);
}

// Phases the track phase has reached; a later lead-out does not undo them.
bool PastTracks(int phase) { return phase == 3 || phase == 4; }

}  // namespace

std::int32_t BurnEventCallback(void* context, TBurnEvent* event) {
    return static_cast<CBurner*>(context)->OnBurnEvent(*event);
}

int CBurner::OnBurnEvent(const TBurnEvent& event) {
    LogEvent(event);
    switch (event.code) {
        case EVENT_GAPTYPE_LEADOUT:
            if (!PastTracks(writePhase.load())) writePhase.store(1);
            break;
        case EVENT_RECORD_GAP_START:
            ShowWriting();
            if (writePhase.load() != 3) writePhase.store(2);
            break;
        case EVENT_RECORD_USERDATA_START:
            writePhase.store(0);
            ShowWriting();
            break;
        case EVENT_RECORD_USERDATA_END: writePhase.store(4); break;
        case EVENT_RECORD_TRACK_START: OnTrackStart(); break;
        case EVENT_RECORD_TRACK_END: OnTrackEnd(); break;
        case EVENT_RECORD_LEADOUT_START: writePhase.store(1); break;
        case EVENT_COMPILE_CUESHEET_START: SetState(kBurnStateCueSheet); break;
        default: break;
    }
    return 1;
}

void CBurner::ShowWriting() {
    SetState(test.load() ? kBurnStateTesting : kBurnStateBurning);
    host_.SetLogoLevel(0);
    host_.SetLogoMode(2);
}

void CBurner::MarkTrack(int writingState, int testState) {
    if (tracks_ == nullptr) return;
    tracks_->Lock();
    if (CCDTrack* track = tracks_->GetAt(currentTrack.load()); track != nullptr)
        track->SetState(test.load() ? testState : writingState);
    tracks_->Unlock();
}

void CBurner::OnTrackStart() {
    ++currentTrack;
    if (writeStart.load() == kNoWriteStart) {
        writeStart.store(Now());
        writePhase.store(3);
    }
    MarkTrack(kTrackBurning, kTrackTesting);
}

void CBurner::OnTrackEnd() {
    MarkTrack(kTrackBurnt, kTrackReadyButNotLoaded);
    const int index = currentTrack.load();
    if (index >= 0 && index < static_cast<int>(trackLengths.size()))
        msWritten += trackLengths[static_cast<std::size_t>(index)];
    MeasureSpeed();
}

// After a quarter of the disc the real speed is known well enough to
// replace the chosen one in the time left.
void CBurner::MeasureSpeed() {
    if (preparedTracks.load() <= 1 || msWritten.load() <= totalBurnLength.load() / 4) return;
    const std::int64_t elapsed = Now() - writeStart.load();
    if (writeStart.load() == kNoWriteStart || elapsed <= 0) return;
    const double measured = static_cast<double>(msWritten.load()) / static_cast<double>(elapsed);
    const int chosen = GetWriteSpeed();
    if (std::fabs(measured - chosen) <= 1.0) return;
    measuredSpeed.store(measured);
    measuredSpeedValid.store(true);
    LogFmt("Burn speed is slower than expected! Burn speed is ~%0.2f X instead of %dX", measured, chosen);
}
