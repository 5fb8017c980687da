#pragma once
// The polyphase synthesis filterbank of ISO/IEC 11172-3 (clause 2.4.3.2.2,
// Table 3-B.3): each slot of 32 subband samples of one channel becomes 32
// PCM samples (16 or 8 under rate reduction), written as signed 16-bit
// integers at a stride so that two channels interleave.

#include <array>
#include <cstdint>
#include <memory>

// D[i] of Table 3-B.3 of ISO/IEC 11172-3, i from 0 to 511.
double MpegSynthesisWindow(int index);

class MpegSynthesisState {
public:
    static constexpr int kSubbands = 32;

    MpegSynthesisState();

    // Empties the filter history: the next slot's output depends on that
    // slot alone.
    void Reset();

    // 0 full rate, 1 half, 2 quarter: only every second or fourth output is
    // computed, and it is truncated instead of rounded.
    void SetRateReduction(int reduction);
    int RateReduction() const { return reduction_; }
    int OutputsPerSlot() const { return kSubbands >> reduction_; }

    // Per-subband gains applied before the filterbank (copied); null
    // switches the equaliser off.
    void SetEqualizer(const float* gains);
    bool HasEqualizer() const { return equalizer_ != nullptr; }

    // Where the next sample goes, and the distance in samples between
    // consecutive samples of this channel.
    void SetOutput(std::int16_t* pcm, int stride);
    std::int16_t* OutputPosition() const { return pcm_; }

    // Test hook: when set, every sample is also written here as the float
    // value before rounding and clipping, at the same stride.
    void SetUnroundedOutput(float* out) { unrounded_ = out; }

    // One slot of 32 subband samples, full scale +-1.0.
    void Slot(const float* subbands);
    // A slot of zero samples that leaves the history untouched (frames whose
    // data is missing).
    void SilentSlot();

private:
    // The two halves of the V vector (see Slot) of the last 16 slots; the
    // newest is at position_.
    alignas(16) std::array<std::array<std::array<float, kSubbands>, 2>, 16> history_{};
    int position_ = 0;
    int reduction_ = 0;
    std::unique_ptr<std::array<float, kSubbands>> equalizer_;
    std::int16_t* pcm_ = nullptr;
    int stride_ = 1;
    float* unrounded_ = nullptr;
};

// The last step of a slot on the path in use, for tests: 32 window sums
// clipped to the 16-bit range and converted to nearest with ties to even,
// or toward zero (`truncate`, the reduced rates).
void MpegSynthesisSamples(const float sums[MpegSynthesisState::kSubbands], bool truncate,
                          std::int32_t samples[MpegSynthesisState::kSubbands]);
