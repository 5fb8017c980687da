// A PCM sound's envelopes while it plays: the volume, pan and rate curves
// of its combined map become gains and a resampling step. Between two points
// a ramp's value is refreshed every 30 ms of output (the value of each
// interval is the one at its start); a countdown of output frames to the
// nearest point says when to move on to the next segment.

#include <algorithm>
#include <cmath>

#include "tonecore/maps/event_map_values.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"

namespace {

// Every refresh of the gains covers this many milliseconds of output.
constexpr std::int32_t kRefreshMs = 30;
constexpr std::int32_t kNoPoint = 0x7FFFFFFF;

// The next-point flag of each map type (volume, pan, rate).
constexpr std::uint32_t kNextFlag[3] = {PCM_MIX_NEXT_VOLUME, PCM_MIX_NEXT_PAN, PCM_MIX_NEXT_RATE};
constexpr std::uint32_t kRampFlag[3] = {PCM_MIX_VOLUME_RAMP, PCM_MIX_PAN_RAMP, PCM_MIX_RATE_RAMP};

// Output frames in ms at rate, truncated (as a 64-bit count: the distance to
// "no point" is far beyond 32 bits).
std::int64_t FramesIn(std::int64_t ms, std::uint32_t rate) {
    return static_cast<std::int64_t>(double(ms) * rate * 0.001);
}

}  // namespace

void CPCMSound::ReadyMapForPlayback(std::int32_t timeMs, const WAVEFORMATEX* out) {
    if (out == nullptr) return;
    mapFormat_ = *out;
    mixFlags_ &= ~(PCM_MIX_MAPS | PCM_MIX_NEXT_RATE | PCM_MIX_NEXT_VOLUME | PCM_MIX_NEXT_PAN |
                   PCM_MIX_VOLUME_RAMP | PCM_MIX_PAN_RAMP | PCM_MIX_RATE_RAMP);
    refreshInterval_ = static_cast<std::int32_t>(std::int64_t{out->nSamplesPerSec} * kRefreshMs / 1000);
    skipCountdown_ = 0;
    for (const int type : kEnvelopeTypes) {
        TEnvelopeCursor& e = envelopes_[type];
        e = TEnvelopeCursor{};
        e.previousValue = type == MAP_VOLUME ? kDefaultVolume : NeutralValue(type);
        e.nextValue = e.previousValue;
        // The points at or before the time: the last of them is the previous.
        int index = 0;
        std::int32_t time = 0;
        for (_tvol_pan_data* event = GetNextEvent(type, index, &time); event != nullptr && time <= timeMs;
             event = GetNextEvent(type, index, &time)) {
            e.previousTime = time;
            e.previousValue = mapvalues::Read(event);
            e.cursor = ++index;
            if (time == timeMs) break;
        }
        index = e.cursor;
        _tvol_pan_data* next = GetNextEvent(type, index, &time);
        if (next != nullptr) {
            e.nextTime = time;
            e.nextValue = mapvalues::Read(next);
            e.cursor = index + 1;
            mixFlags_ |= kNextFlag[type] | PCM_MIX_MAPS;
        } else {
            e.nextValue = e.previousValue;
        }
    }
    SetMapSkipVariables(timeMs, mixFlags_, out);
    refreshCountdown_ = refreshInterval_;
}

void CPCMSound::SetMapSkipVariables(std::int32_t timeMs, std::uint32_t flags, const WAVEFORMATEX* out) {
    const std::uint32_t rate = out->nSamplesPerSec;
    std::int32_t nearest = kNoPoint;
    for (const TEnvelopeCursor& e : envelopes_) nearest = std::min(nearest, e.nextTime);
    skipCountdown_ = FramesIn(std::int64_t{nearest} - timeMs, rate);
    if (skipCountdown_ == 0) return;
    for (const int type : kEnvelopeTypes) {
        if ((flags & kNextFlag[type]) == 0) continue;
        TEnvelopeCursor& e = envelopes_[type];
        e.framesSince = static_cast<std::int32_t>(FramesIn(std::int64_t{timeMs} - e.previousTime, rate));
        if (e.nextValue != e.previousValue) {
            mixFlags_ |= kRampFlag[type];
            // A segment shorter than one frame still ramps, over one frame.
            const std::int64_t frames = std::max<std::int64_t>(
                FramesIn(std::int64_t{e.nextTime} - e.previousTime, rate), 1);
            e.slope = (e.nextValue - e.previousValue) / double(frames);
        } else {
            mixFlags_ &= ~kRampFlag[type];
            e.slope = 0.0;
            ApplyValue(type, e.nextValue, out);
        }
    }
    if (mixFlags_ & (PCM_MIX_VOLUME_RAMP | PCM_MIX_PAN_RAMP | PCM_MIX_RATE_RAMP)) CalculateVolumes(out);
}

void CPCMSound::ApplyValue(int type, double value, const WAVEFORMATEX* out) {
    switch (type) {
        case MAP_VOLUME:
            Volume(value);
            break;
        case MAP_PAN:
            Pan(value);
            break;
        default:
            Rate(value);
            step_ = StepFor(value, out);
            break;
    }
}

void CPCMSound::GetNextMapSkipInfo(const WAVEFORMATEX* out) {
    // The point reached is the earliest next point; every type with a point
    // at that same time moves on too.
    std::int32_t reached = kNoPoint;
    for (const int type : kEnvelopeTypes) {
        if (mixFlags_ & kNextFlag[type]) reached = std::min(reached, envelopes_[type].nextTime);
    }
    if (reached == kNoPoint) {
        mixFlags_ &= ~PCM_MIX_MAPS;
        return;
    }
    std::uint32_t goOn = 0;
    for (const int type : kEnvelopeTypes) {
        TEnvelopeCursor& e = envelopes_[type];
        if ((mixFlags_ & kNextFlag[type]) == 0 || e.nextTime != reached) continue;
        e.previousTime = e.nextTime;
        e.previousValue = e.nextValue;
        e.framesSince = 0;
        int index = e.cursor;
        std::int32_t time = 0;
        _tvol_pan_data* next = GetNextEvent(type, index, &time);
        if (next != nullptr) {
            e.nextTime = time;
            e.nextValue = mapvalues::Read(next);
            e.cursor = index + 1;
            goOn |= kNextFlag[type];
        } else {
            // The curve ends here: it holds its last value from now on,
            // rather than ramping on past its last point.
            e.nextTime = kNoPoint;
            mixFlags_ &= ~(kNextFlag[type] | kRampFlag[type]);
            e.slope = 0.0;
            ApplyValue(type, e.previousValue, out);
        }
    }
    if (goOn == 0 && (mixFlags_ & (PCM_MIX_NEXT_VOLUME | PCM_MIX_NEXT_PAN | PCM_MIX_NEXT_RATE)) == 0) {
        mixFlags_ &= ~PCM_MIX_MAPS;
        return;
    }
    SetMapSkipVariables(reached, goOn, out);
}

void CPCMSound::CalculateVolumes(const WAVEFORMATEX* out) {
    const bool volumeRamp = (mixFlags_ & PCM_MIX_VOLUME_RAMP) != 0;
    const bool panRamp = (mixFlags_ & PCM_MIX_PAN_RAMP) != 0;
    if (volumeRamp || panRamp) {
        double v = volume_;
        if (volumeRamp) {
            TEnvelopeCursor& e = envelopes_[MAP_VOLUME];
            v = e.previousValue + e.slope * e.framesSince;
            e.framesSince += refreshInterval_;
        }
        double p = pan_;
        if (panRamp) {
            TEnvelopeCursor& e = envelopes_[MAP_PAN];
            p = e.previousValue + e.slope * e.framesSince;
            e.framesSince += refreshInterval_;
        }
        SetGains(v, p);
        leftGain_ = std::abs(leftGain_);
        rightGain_ = std::abs(rightGain_);
    }
    if (mixFlags_ & PCM_MIX_RATE_RAMP) {
        TEnvelopeCursor& e = envelopes_[MAP_RATE];
        step_ = StepFor(e.previousValue + e.slope * e.framesSince, out);
        e.framesSince += refreshInterval_;
    }
}

void CPCMSound::StepEnvelopes(const WAVEFORMATEX* out) {
    // Each countdown runs out on the frame its event belongs to: the gains
    // change every refresh interval exactly, and a point's change starts on
    // the frame at the point's time.
    if (refreshCountdown_ <= 0) {
        refreshCountdown_ = refreshInterval_;
        CalculateVolumes(out);
    }
    --refreshCountdown_;
    if (skipCountdown_ <= 0) GetNextMapSkipInfo(out);
    --skipCountdown_;
}

double CPCMSound::GetNormalizedVolume(double v) {
    if (peaks_ == nullptr) return 1.0;
    const std::int32_t loudest = std::max(peaks_->GetMaxLeft(), peaks_->GetMaxRight());
    // A silent song has nothing to bring up: its volume stays as asked.
    if (loudest <= 0) return v;
    return v * 32767.0 / loudest;
}
