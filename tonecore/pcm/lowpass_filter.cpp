#include "tonecore/pcm/lowpass_filter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "tonecore/pcm/pcm_block.h"
#include "tonecore/pcm/pcm_format.h"

CEffect* CEffect::Copy() { return new (std::nothrow) CEffect(*this); }

int CEffect::Work(_bufferType*, _bufferType*, int) { return 1; }

CFilter::CFilter(int taps, int stereo) : CFilter(taps, stereo, kEffectFilter) {}

CFilter::CFilter(int, int stereo, TEffectType type) : CEffect(type), stereo_(stereo) {}

CEffect* CFilter::Copy() { return new (std::nothrow) CFilter(*this); }

void CFilter::Flush() {
    std::fill(leftHistory_.begin(), leftHistory_.end(), 0);
    std::fill(rightHistory_.begin(), rightHistory_.end(), 0);
}

void CFilter::SetCoefficients(int taps, const double* coefficients, int stereo, std::int32_t) {
    if (taps < 1 || coefficients == nullptr) return;
    coefficients_.assign(coefficients, coefficients + taps);
    leftHistory_.assign(static_cast<std::size_t>(taps), 0);
    if (stereo) {
        rightHistory_.assign(static_cast<std::size_t>(taps), 0);
    } else {
        rightHistory_.clear();
    }
    stereo_ = stereo;
}

std::int32_t CFilter::Convolve(const std::vector<std::int32_t>& history) const {
    const std::size_t n = coefficients_.size();
    double y = 0.0;
    for (std::size_t k = 0; k < n; ++k) y += coefficients_[k] * history[n - 1 - k];
    return ClipSample(static_cast<std::int64_t>(std::trunc(std::clamp(y, -1e12, 1e12))));
}

int CFilter::Work(_bufferType* in, _bufferType* out) {
    if (in == nullptr || in->data == nullptr || in->format == nullptr || coefficients_.empty()) {
        return 1;
    }
    if (out == nullptr) out = in;
    if (out->data == nullptr || out->format == nullptr) return 1;
    const bool wideIn = in->format->wBitsPerSample == 16;
    const bool wideOut = out->format->wBitsPerSample == 16;
    const std::size_t channels = stereo_ ? 2 : 1;
    const std::size_t frameIn = channels * (wideIn ? 2 : 1);
    const std::size_t frameOut = channels * (wideOut ? 2 : 1);
    const std::size_t frames = std::min(in->size / frameIn, out->size / frameOut);
    const auto* src = static_cast<const std::uint8_t*>(in->data);
    auto* dst = static_cast<std::uint8_t*>(out->data);
    const std::size_t n = coefficients_.size();
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < channels; ++c) {
            std::vector<std::int32_t>& history = c == 0 ? leftHistory_ : rightHistory_;
            const std::uint8_t* at = src + f * frameIn + c * (wideIn ? 2 : 1);
            history[n - 1] = wideIn ? static_cast<std::int16_t>(at[0] | (at[1] << 8))
                                    : WidenSample8(at[0]);
            const std::int32_t y = Convolve(history);
            std::uint8_t* to = dst + f * frameOut + c * (wideOut ? 2 : 1);
            if (wideOut) {
                to[0] = static_cast<std::uint8_t>(y & 0xFF);
                to[1] = static_cast<std::uint8_t>((y >> 8) & 0xFF);
            } else {
                to[0] = static_cast<std::uint8_t>((((y >> 8) & 255) + 128) & 255);
            }
            // The oldest sample drops out.
            std::copy(history.begin() + 1, history.end(), history.begin());
        }
    }
    return 1;
}

std::vector<double> DesignLowPass(int taps, std::int32_t sampleRate, std::int32_t cutoff) {
    std::vector<double> h;
    if (taps < 1 || sampleRate <= 0) return h;
    const double pi = std::numbers::pi;
    const double omega = 2.0 * pi * cutoff / sampleRate;
    const double n = taps;
    h.resize(static_cast<std::size_t>(taps));
    for (int i = 0; i < taps; ++i) {
        const double m = i - n / 2.0;
        const double window = 0.54 + 0.46 * std::cos(2.0 * pi * m / n);
        // The centre of an even design: the limit of sin(m w) / (pi m).
        const double sinc = m == 0.0 ? omega / pi : std::sin(m * omega) / (pi * m);
        h[static_cast<std::size_t>(i)] = window * sinc;
    }
    return h;
}

CLowPass::CLowPass(int taps, int stereo, std::int32_t sampleRate, std::int32_t cutoff)
    : CFilter(taps, stereo, kEffectLowPass) {
    UpdateFilterSettings(taps, stereo, sampleRate, cutoff);
}

void CLowPass::UpdateFilterSettings(int taps, int stereo, std::int32_t sampleRate,
                                    std::int32_t cutoff, std::int32_t) {
    const std::vector<double> h = DesignLowPass(taps, sampleRate, cutoff);
    if (!h.empty()) SetCoefficients(taps, h.data(), stereo);
}
