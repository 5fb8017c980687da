#pragma once
// Effects over PCM blocks: CEffect does nothing, CFilter is a finite impulse
// response filter over 8-bit or 16-bit PCM (mono, or two interleaved
// channels), and CLowPass a CFilter designed as a Hamming-windowed sinc
// low-pass.

#include <cstdint>
#include <vector>

struct _bufferType;

enum TEffectType : std::int32_t {
    kEffectNone = 0,
    kEffectLowPass = 3,
    kEffectFilter = 6,
};

class CEffect {
public:
    CEffect() = default;
    virtual ~CEffect() = default;

    // A new effect of the same kind and state; null when out of memory.
    virtual CEffect* Copy();
    // Processes in into out; the plain effect does nothing. 1.
    virtual int Work(_bufferType* in, _bufferType* out, int flags);
    // Forgets the history carried between blocks.
    virtual void Flush() {}
    // Output length for an input length (unchanged here).
    virtual std::int32_t LengthChange(std::int32_t n) { return n; }
    virtual std::int32_t NumSamplesChanged(std::int32_t n) { return n; }

    TEffectType Type() const { return type_; }

protected:
    explicit CEffect(TEffectType type) : type_(type) {}
    CEffect(const CEffect&) = default;
    CEffect& operator=(const CEffect&) = default;

private:
    TEffectType type_ = kEffectNone;
};

class CFilter : public CEffect {
public:
    // No coefficients yet: Work passes nothing until SetCoefficients.
    CFilter(int taps, int stereo);
    CFilter(const CFilter& other) = default;
    CFilter& operator=(const CFilter& other) = default;

    CEffect* Copy() override;
    // The base's three-argument Work stays the do-nothing one; filtering is
    // the two-argument Work below.
    using CEffect::Work;
    // Zeroes both channels' histories.
    void Flush() override;
    // Filters in into out (in place when out is null), frame by frame while
    // both have room. 16-bit samples as they are, 8-bit ones as
    // (b - 128) x 256; the sum is truncated and limited to 16 bits. The
    // histories persist, so consecutive blocks filter as one stream. 1.
    virtual int Work(_bufferType* in, _bufferType* out);
    // Takes taps coefficients (h[0] weighs the newest sample) and fresh zero
    // histories; stereo: two interleaved channels. Nothing changes when
    // taps < 1 or coefficients is null. The last argument is not used.
    void SetCoefficients(int taps, const double* coefficients, int stereo, std::int32_t = 0);

    int Taps() const { return static_cast<int>(coefficients_.size()); }
    int Stereo() const { return stereo_; }
    const std::vector<double>& Coefficients() const { return coefficients_; }

protected:
    CFilter(int taps, int stereo, TEffectType type);

private:
    // One channel's output for the newest sample in history.
    std::int32_t Convolve(const std::vector<std::int32_t>& history) const;

    int stereo_ = 0;
    std::vector<double> coefficients_;
    std::vector<std::int32_t> rightHistory_;
    std::vector<std::int32_t> leftHistory_;
};

class CLowPass : public CFilter {
public:
    // A low-pass of taps taps passing below cutoff Hz at sampleRate Hz.
    CLowPass(int taps, int stereo, std::int32_t sampleRate, std::int32_t cutoff);
    // Designs the coefficients anew (histories are zeroed). Nothing for a
    // rate of 0 or fewer than one tap. The last argument is not used.
    void UpdateFilterSettings(int taps, int stereo, std::int32_t sampleRate, std::int32_t cutoff,
                              std::int32_t = 2);
};

// The windowed-sinc design: h[i] = (0.54 + 0.46 cos(2 pi m / N)) x
// sin(m w) / (pi m), m = i - N/2, w = 2 pi cutoff / rate; at m = 0 (even N)
// the limit w / pi.
std::vector<double> DesignLowPass(int taps, std::int32_t sampleRate, std::int32_t cutoff);
