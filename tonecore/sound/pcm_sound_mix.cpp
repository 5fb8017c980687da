// The inner mixing loop of a PCM sound: linear resampling in fixed point
// (2^27 = one source frame), gains with 13 fraction bits, saturated sums.
//
// The phase and the previous frame are carried exactly from one call to the
// next, so mixing a source handed over in pieces (ring wraps, one read after
// another) gives the same output as mixing it in one piece.

#include <algorithm>
#include <cmath>
#include <mutex>

#include "tonecore/pcm/pcm_format.h"
#include "tonecore/pcm/pcm_mix_add.h"
#include "tonecore/sound/pcm_sound.h"

namespace {

// A gain for level (1.0 = unity), truncated and held within the gain range.
std::int32_t GainFor(double level) {
    const double gain = std::trunc(level * kPcmUnityGain);
    if (std::isnan(gain)) return 0;
    return static_cast<std::int32_t>(std::clamp(gain, -double(kPcmMaxGain), double(kPcmMaxGain)));
}

// The sample at p on the 16-bit scale.
std::int32_t SampleAt(const unsigned char* p, bool eightBit) {
    if (eightBit) return WidenSample8(*p);
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

void StoreSample(unsigned char* p, std::int32_t value, bool eightBit) {
    if (eightBit) {
        *p = NarrowSample16(value);
        return;
    }
    p[0] = static_cast<unsigned char>(value & 0xFF);
    p[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

// Adds value to the output sample at p, saturated.
void AddSample(unsigned char* p, std::int64_t value, bool eightBit) {
    StoreSample(p, ClipSample(SampleAt(p, eightBit) + value), eightBit);
}

std::int64_t Scaled(std::int32_t gain, std::int64_t x) { return (std::int64_t{gain} * x) >> kPcmGainShift; }

static_assert(kPcmMixGainShift == kPcmGainShift);
constexpr std::ptrdiff_t kStereo16Frame = 4;

}  // namespace

// A pan within -1 (all left) and 1 (all right); beyond them one side's gain
// would turn negative and invert its samples. Not a number is the middle.
namespace {
double PanInRange(double pan) {
    return std::isnan(pan) ? 0.0 : std::clamp(pan, -1.0, 1.0);
}
}  // namespace

void CPCMSound::SetGains(double v, double pan) {
    const double p = PanInRange(pan);
    if (p >= 0.0) {
        leftGain_ = GainFor((1.0 - p) * v);
        rightGain_ = GainFor(v);
    } else {
        leftGain_ = GainFor(v);
        rightGain_ = GainFor((1.0 + p) * v);
    }
}

// The mixer reads the gains and the rate under the sound's lock while it
// mixes; they change under it too.
void CPCMSound::Pan(double pan) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    pan_ = PanInRange(pan);
    SetGains(volume_, pan);
}

void CPCMSound::Volume(double volume) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    volume_ = volume;
    Pan(pan_);
}

void CPCMSound::Rate(double rate) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    rate_ = rate;
}

std::int64_t CPCMSound::StepFor(double r, const WAVEFORMATEX* out) const {
    const WAVEFORMATEX* source = Format();
    if (source == nullptr || out == nullptr || out->nSamplesPerSec == 0) return 0;
    const double step = std::trunc(double(source->nSamplesPerSec) * r * double(kPcmUnityStep) / out->nSamplesPerSec);
    if (!(step > 0.0)) return 0;
    // Beyond 2^40 (8192 source frames per output frame) nothing is audible.
    return static_cast<std::int64_t>(std::min(step, double(std::int64_t{1} << 40)));
}

void CPCMSound::SetStepFor(const WAVEFORMATEX* out) { step_ = StepFor(rate_, out); }

std::uint32_t CPCMSound::MixLoop(unsigned char** src, unsigned char* srcEnd, unsigned char* dst,
                                 unsigned char* dstEnd, WAVEFORMATEX* out) {
    const WAVEFORMATEX* in = Format();
    if (src == nullptr || *src == nullptr || in == nullptr || out == nullptr) return 0;
    const bool inStereo = in->nChannels == 2;
    const bool in8 = in->wBitsPerSample == 8;
    const bool outStereo = out->nChannels == 2;
    const bool out8 = out->wBitsPerSample == 8;
    const std::ptrdiff_t inFrame = (inStereo ? 2 : 1) * (in8 ? 1 : 2);
    const std::ptrdiff_t outSample = out8 ? 1 : 2;
    const std::ptrdiff_t outFrame = (outStereo ? 2 : 1) * outSample;
    unsigned char* const dstStart = dst;
    const auto haveFrame = [&] { return srcEnd - *src >= inFrame; };

    const bool stereo16 = inStereo && outStereo && !in8 && !out8;

    while (dstEnd - dst >= outFrame) {
        if (stereo16 && step_ == kPcmUnityStep && phase_ == kPcmUnityStep) {
            if (const std::int64_t frames = UnityRunFrames(srcEnd - *src, dstEnd - dst); frames > 0) {
                MixUnityRun(src, dst, frames);
                dst += frames * kStereo16Frame;
                continue;
            }
        }
        phase_ += step_;
        bool starved = false;
        while (phase_ > kPcmUnityStep) {
            if (!haveFrame()) {
                starved = true;
                break;
            }
            phase_ -= kPcmUnityStep;
            previousLeft_ = SampleAt(*src, in8);
            if (inStereo) previousRight_ = SampleAt(*src + (in8 ? 1 : 2), in8);
            *src += inFrame;
        }
        if (starved || !haveFrame()) {
            // This output frame waits for the next piece of source: its step
            // is taken back, so the next call makes it again from here.
            phase_ -= step_;
            break;
        }
        if (mixFlags_ & PCM_MIX_MAPS) StepEnvelopes(out);
        if (!Muted()) {
            const std::int32_t currentLeft = SampleAt(*src, in8);
            const std::int64_t xl = previousLeft_ + ((std::int64_t{currentLeft - previousLeft_} * phase_) >> 27);
            const std::int64_t left = Scaled(leftGain_, xl);
            std::int64_t right = Scaled(rightGain_, xl);
            if (inStereo) {
                const std::int32_t currentRight = SampleAt(*src + (in8 ? 1 : 2), in8);
                const std::int64_t xr =
                    previousRight_ + ((std::int64_t{currentRight - previousRight_} * phase_) >> 27);
                right = Scaled(rightGain_, xr);
            }
            if (outStereo) {
                AddSample(dst, left, out8);
                AddSample(dst + outSample, right, out8);
            } else if (inStereo) {
                AddSample(dst, left / 2 + right / 2, out8);
            } else {
                AddSample(dst, left, out8);
            }
        }
        dst += outFrame;
    }
    return static_cast<std::uint32_t>(dst - dstStart);
}

// At unity rate with the phase settled on a whole frame, each output frame
// takes the next source frame as its "previous" and plays the one after it
// unchanged: the frames up to the source's last but one, the output's end
// and the envelopes' next refresh or event go in one run.
std::int64_t CPCMSound::UnityRunFrames(std::ptrdiff_t sourceBytes, std::ptrdiff_t outputBytes) const {
    std::int64_t frames = std::min(sourceBytes / kStereo16Frame - 1, outputBytes / kStereo16Frame);
    if (mixFlags_ & PCM_MIX_MAPS) frames = std::min<std::int64_t>({frames, refreshCountdown_, skipCountdown_});
    return frames;
}

// A run of UnityRunFrames frames, mixed exactly as the frame loop would.
void CPCMSound::MixUnityRun(unsigned char** src, unsigned char* dst, std::int64_t frames) {
    if (!Muted())
        AddGainedStereo16(*src + kStereo16Frame, dst, static_cast<std::size_t>(frames), leftGain_, rightGain_);
    const unsigned char* last = *src + (frames - 1) * kStereo16Frame;
    previousLeft_ = SampleAt(last, false);
    previousRight_ = SampleAt(last + 2, false);
    *src += frames * kStereo16Frame;
    if (mixFlags_ & PCM_MIX_MAPS) {
        refreshCountdown_ -= static_cast<std::int32_t>(frames);
        skipCountdown_ -= frames;
    }
}
