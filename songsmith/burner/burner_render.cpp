// The whole session rendered at once: the tracks laid out in one sound
// group against the disc's capacity, then rendered into one WAV file per
// track or, on the fly, into the drive library's sink.
#include <algorithm>
#include <string>

#include "songsmith/burn/burn_layout.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/sound/sound_group.h"

namespace {

constexpr std::int32_t kTransitionMix = 2;
// A session longer than the disc ends this long before the capacity.
constexpr std::int32_t kCapacityMarginMs = 7000;
// "excessTreatment": the track cut at the capacity fades out.
constexpr int kFadeOutExcess = 2;

}  // namespace

// The mixer's write function in front of a caller's sink: the user's abort
// stops the rendering at the next buffer.
struct CBurner::TRenderSink {
    CBurner* burner;
    TPcmSink sink;
    void* context;
};

int CBurner::RenderSinkWrite(char* data, std::int32_t& bytes, void* user) {
    auto& target = *static_cast<TRenderSink*>(user);
    if (target.burner->abort.load()) return 1;
    return target.sink(data, bytes, target.context);
}

bool CBurner::RenderGroup(CPCMMixer& mixer, CSoundGroup& group, std::int32_t lengthMs, TPcmSink sink,
                          void* sinkContext) {
    renderFailed_ = false;
    renderBytes_ = 0;
    renderPosition.store(0);
    TRenderSink target{this, sink, sinkContext};
    const int ran = mixer.MixToDataSink(&group, RenderSinkWrite, &target, &kBurnCdFormat, lengthMs, -1);
    return ran == 1 && !renderFailed_ && !abort.load();
}

void CBurner::SetTrackList(CTrackList* tracks) {
    tracks_ = tracks;
    if (tracks != nullptr && !envelopesChosen_) envelopes_ = PlayerEnvelopes(*tracks, prefs_);
}

std::int32_t BurnAudioCallback(void* controller, TPcmSink sink, void* sinkContext) {
    return static_cast<CBurner*>(controller)->MixSessionToWav(sink, sinkContext, false, true);
}

void CBurner::BeginConversion(bool countsTracks) {
    conversionStart.store(Now());
    msConverted.store(0);
    bytesConverted_ = 0;
    nextPauseMs_.reset();
    if (countsTracks) currentTrack.store(0);
}

void CBurner::FailPreparation(int error) {
    errorIndex.store(error);
    SetState(kBurnStateNoDisc);
    writePhase.store(0);
}

void CBurner::SetTrackEnd(int index, std::int32_t endMs) {
    const auto slot = static_cast<std::size_t>(index);
    trackEnds[slot + 1] = endMs;
    trackLengths[slot] = endMs - trackEnds[slot];
}

int CBurner::LayOutSession(CSoundGroup& group, int count, std::int32_t capacity) {
    const TFadePreferences fade = BurnFadeSettings(prefs_);
    const bool automatic = prefs_.bTrimSoundsAutomatically != 0;
    std::int32_t position = 0;
    int placed = 0;
    for (int c = 0; c < count && !abort.load(); ++c) {
        CCDTrack* track = tracks_->GetAt(c);
        if (track == nullptr || !track->OpenSound() || track->GetSound() == nullptr) return -1;
        CSongSound& sound = *track->GetSound();
        const TBurnRange range = BurnRangeOf(*track, automatic);
        PrepareBurnSound(sound, range);
        const bool first = c == 0;
        const bool last = c + 1 == count;
        if (fade.transitionMode == kTransitionMix)
            ApplyBurnFade(envelopes_, sound, track->GetVolume(), range.lengthMs, !first, !last);
        else
            ApplyBurnGain(envelopes_, sound);
        const std::int32_t start = position;
        sound.Add(&group, start);
        // The disc takes the track as the session's totals count it; an
        // overlapped track ends a fade's length into the next song.
        position += DiscTrackLengthMs(range.lengthMs, fade, last, true);
        std::int32_t end = position;
        if (DiscTrackOverlapsNext(range.lengthMs, fade, last, true)) end += fade.fadeMs;
        // A track that the one before overlaps starts a fade into its song;
        // its end moves on with it, so no disc track is shorter than the
        // minimum and the mix is never padded with silence in between.
        end = std::max(end, trackEnds[static_cast<std::size_t>(c)] + kMinDiscTrackMs);
        SetTrackEnd(c, end);
        if (CPCMBuffer* buffer = sound.GetBuffer()) buffer->LowActivityMode();
        placed = c + 1;

        const std::int32_t groupLength = group.Length(0);
        if (groupLength <= capacity) continue;
        // Past the capacity: this track ends a margin before it, and is left
        // out when too little of it would remain.
        const std::int32_t over = groupLength - capacity;
        const std::int32_t cut = range.lengthMs - over - kCapacityMarginMs;
        if (cut < kMinDiscTrackMs) {
            // Out of the group before the group is measured, so nothing of
            // it is rendered past the capacity.
            sound.Remove();
            trackEnds[static_cast<std::size_t>(c) + 1] = 0;
            trackLengths[static_cast<std::size_t>(c)] = 0;
            placed = c;
        } else {
            sound.SetVirtualLength(cut);
            if (prefs_.excessTreatment == kFadeOutExcess)
                ApplyBurnFade(envelopes_, sound, track->GetVolume(), cut, !first, true);
            const std::int32_t offset = sound.AbsoluteOffset();
            sound.Remove();
            sound.Add(&group, offset);
            // The last track now: it ends where its sound ends.
            SetTrackEnd(c, start + cut);
        }
        break;
    }
    return placed;
}

int CBurner::MixSessionToWav(TPcmSink sink, void* sinkContext, bool files, bool render) {
    if (tracks_ == nullptr) return 0;
    // Rendered on the fly, the audio goes out while the drive writes: the
    // write's track events count the tracks, and the rendering (on the
    // drive library's thread, started alongside them) leaves the count be.
    BeginConversion(files || !render);
    if (files) SetState(kBurnStateConverting);
    TBurnGroup group = MakeBurnGroup();
    trackEnds.fill(0);
    trackLengths.fill(0);
    // The capacity is asked before the list is locked: the controller's lock
    // is never taken inside the list's.
    const std::int32_t capacity = MaxMilsPerCD(true);

    tracks_->Lock();
    const int count = std::min(tracks_->GetCount(), PLATTER_MAX_TRACKS);
    const int placed = LayOutSession(*group, count, capacity);
    // What the files are made from, taken with the layout.
    const std::string inputs = files && render ? WholeSessionInputs(count) : std::string();
    tracks_->Unlock();

    int result = std::max(placed, 0);
    if (placed < 0) {
        abort.store(true);
        FailPreparation(7);
    }
    // The disc holds every placed track whole: a short last song too.
    const std::int32_t length =
        std::max(group->Length(0), result > 0 ? trackEnds[static_cast<std::size_t>(result)] : 0);
    msToConvert.store(length);
    totalBurnLength.store(length);
    preparedTracks.store(result);
    renderBytes_ = 0;
    renderPosition.store(0);

    if (result > 0 && render && !abort.load()) {
        // The first file is made once every song has opened, so a missing
        // song leaves no file behind.
        if (files && !OpenTrackWav(0)) {
            result = 0;
        } else {
            const std::unique_ptr<CPCMMixer> mixer = MakeBurnMixer();
            const bool rendered = RenderGroup(*mixer, *group, length, sink, sinkContext);
            if (files) CloseTrackWav();
            if (!rendered || (files && !closedWell_)) result = 0;
        }
    }
    if (errorIndex.load() != 0) result = 0;

    tracks_->Lock();
    for (int c = 0; c < count; ++c)
        if (CCDTrack* track = tracks_->GetAt(c)) {
            track->CloseSound();
            // Complete files may serve a later burn of the same session.
            if (files && render && result > 0 && c < result) track->SetTempFileInputs(inputs + std::to_string(c));
        }
    tracks_->Unlock();
    group.reset();
    lastPreparationResult.store(result);
    return result;
}
