#pragma once
// Routes a frame's subband slots onto the two channels' synthesis
// filterbanks and lays out the PCM: channel 0 at even and channel 1 at odd
// samples when two channels come out, consecutive samples for one.
//
// Routing (stereo streams only; a mono stream always gives one channel):
// 0 both channels, 1 left only, 2 right only, 3 (left + right) / 2 per
// subband sample through one filterbank.

#include <cstdint>

#include "tonecore/mpeg/mpeg_synthesis.h"

class CMpegPcmOutput {
public:
    static constexpr std::int32_t kRoutingStereo = 0;
    static constexpr std::int32_t kRoutingLeft = 1;
    static constexpr std::int32_t kRoutingRight = 2;
    static constexpr std::int32_t kRoutingMix = 3;

    MpegSynthesisState& Synthesis(int channel) { return synthesis_[channel & 1]; }

    // Empties both filterbanks' history.
    void Reset();
    void SetRateReduction(int reduction);

    // Starts a frame whose PCM goes to `pcm`.
    void BeginFrame(std::int16_t* pcm, std::uint32_t streamChannels, std::int32_t routing);

    // One time slot of 32 subband samples per stream channel; `right` is
    // not read for a mono stream (and may be null).
    void Slot(const float* left, const float* right);
    // A slot of silence for every channel produced; history untouched.
    void SilentSlot();

    std::uint32_t OutputChannels() const { return outputChannels_; }
    // Samples per channel written since BeginFrame.
    std::uint32_t SamplesPerChannel() const { return samplesPerChannel_; }
    // Whether the layer decoder needs to produce this stream channel's
    // subband samples (0 left, 1 right).
    bool NeedsChannel(int channel) const;

private:
    MpegSynthesisState synthesis_[2];
    std::uint32_t streamChannels_ = 1;
    std::int32_t routing_ = kRoutingStereo;
    std::uint32_t outputChannels_ = 1;
    std::uint32_t samplesPerChannel_ = 0;
};
