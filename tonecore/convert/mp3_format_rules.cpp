#include "tonecore/convert/mp3_format_rules.h"

#include <algorithm>
#include <array>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_presets.h"

namespace {

// Sampling frequencies: ISO/IEC 11172-3 2.4.2.3 (MPEG-1), ISO/IEC 13818-3
// 2.4.2.3 (MPEG-2), and the MPEG-2.5 extension's halves of those.
constexpr std::array<std::int32_t, 3> kMPEG1Rates{32000, 44100, 48000};
constexpr std::array<std::int32_t, 3> kMPEG2Rates{16000, 22050, 24000};
constexpr std::array<std::int32_t, 3> kMPEG2_5Rates{8000, 11025, 12000};

}  // namespace

std::span<const std::int32_t> MPEGVersionRates(std::int32_t version) {
    switch (version) {
        case kMPEGVersion1:
            return kMPEG1Rates;
        case kMPEGVersion2:
            return kMPEG2Rates;
        case kMPEGVersion2_5:
            return kMPEG2_5Rates;
        default:
            return {};
    }
}

std::int32_t DefaultMPEGVersionRate(std::int32_t version) {
    const std::span<const std::int32_t> rates = MPEGVersionRates(version);
    // The middle rate of each version: 44100 Hz and its halves.
    return rates.empty() ? 44100 : rates[1];
}

std::int32_t FitRateToMPEGVersion(std::int32_t version, std::int32_t rate) {
    const std::span<const std::int32_t> rates = MPEGVersionRates(version);
    return std::find(rates.begin(), rates.end(), rate) != rates.end() ? rate : DefaultMPEGVersionRate(version);
}

std::span<const std::int32_t> MPEGVersionBitRates(std::int32_t version) {
    if (version == kMPEGVersion1) return MPEG1BitRates();
    if (version == kMPEGVersion2 || version == kMPEGVersion2_5) return MPEG2XBitRates();
    return {};
}

bool IsMPEGVersionBitRate(std::int32_t version, std::int32_t kbps) {
    const std::span<const std::int32_t> list = MPEGVersionBitRates(version);
    return std::find(list.begin(), list.end(), kbps) != list.end();
}

std::uint16_t ChannelsForMP3Mode(std::int32_t mode) { return mode == kMP3ModeMono ? 1 : 2; }

void KeepABRInsideRange(CConv2FileFormat* format) {
    if (format->abrBitrate <= format->minBitrate) {
        format->abrBitrate = format->minBitrate + 1;
    } else if (format->abrBitrate >= format->maxBitrate) {
        format->abrBitrate = format->maxBitrate - 1;
    }
}
