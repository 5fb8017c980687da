#include "tonecore/convert/conv2file_presets.h"

#include <algorithm>
#include <array>

namespace {

// Chosen settings for typical uses, from telephone speech to studio
// masters. Preset 9 (CD) is the MP3 default.
constexpr std::array<TMP3Preset, kMP3PresetCount> kMP3Presets{{
    {"IDS_MP3_PRESET_PHONE", 2, 16, 8, 56, 6, 8000, 3, 1},
    {"IDS_MP3_PRESET_SW", 2, 24, 8, 64, 5, 11025, 3, 1},
    {"IDS_MP3_PRESET_AM", 0, 32, 16, 128, 5, 16000, 3, 1},
    {"IDS_MP3_PRESET_FM", 0, 96, 24, 160, 5, 22050, 1, 2},
    {"IDS_MP3_PRESET_VOICE", 1, 64, 32, 128, 4, 32000, 3, 1},
    {"IDS_MP3_PRESET_RADIO", 1, 112, 64, 256, 4, 44100, 1, 2},
    {"IDS_MP3_PRESET_TAPE", 1, 128, 96, 320, 4, 44100, 1, 2},
    {"IDS_MP3_PRESET_HIFI", 1, 160, 112, 320, 3, 44100, 1, 2},
    {"IDS_MP3_PRESET_CD", 1, 192, 128, 320, 2, 44100, 0, 2},
    {"IDS_MP3_PRESET_STUDIO", 1, 256, 160, 320, 0, 44100, 0, 2},
}};

// Preset 7 (CD) is the WMA default.
constexpr std::array<TWMAPreset, kWMAPresetCount> kWMAPresets{{
    {"IDS_WMA_PRESET_PHONE", 8, 8000, 1},
    {"IDS_WMA_PRESET_AM", 20, 16000, 1},
    {"IDS_WMA_PRESET_FM", 32, 22050, 2},
    {"IDS_WMA_PRESET_HI_MONO", 48, 44100, 1},
    {"IDS_WMA_PRESET_RADIO", 64, 44100, 2},
    {"IDS_WMA_PRESET_TAPE", 96, 44100, 2},
    {"IDS_WMA_PRESET_CD", 128, 44100, 2},
    {"IDS_WMA_PRESET_STUDIO", 192, 44100, 2},
}};

// Layer III bitrates without the free format, ISO/IEC 11172-3 Table 3-B.2
// (MPEG-1) and ISO/IEC 13818-3 Table B.2 (the lower sampling frequencies;
// 144 kbps is left out, as the encoders offer it only at some rates).
constexpr std::array<std::int32_t, 14> kMPEG1BitRates{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<std::int32_t, 13> kMPEG2XBitRates{8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160};
// The bitrates the Windows Media audio encoder offers across its formats.
constexpr std::array<std::int32_t, 18> kWMABitRates{5,  6,  8,  10, 12, 16, 20,  22,  32,
                                                   36, 40, 48, 64, 80, 96, 128, 160, 192};

}  // namespace

const TMP3Preset* MP3Preset(std::int32_t preset) {
    if (preset < 1 || preset > kMP3PresetCount) return nullptr;
    return &kMP3Presets[static_cast<std::size_t>(preset - 1)];
}

const TWMAPreset* WMAPreset(std::int32_t preset) {
    if (preset < 1 || preset > kWMAPresetCount) return nullptr;
    return &kWMAPresets[static_cast<std::size_t>(preset - 1)];
}

std::span<const std::int32_t> MPEG1BitRates() { return kMPEG1BitRates; }
std::span<const std::int32_t> MPEG2XBitRates() { return kMPEG2XBitRates; }
std::span<const std::int32_t> WMABitRates() { return kWMABitRates; }

std::int32_t FindMostNaturalBitRate(std::span<const std::int32_t> list, std::int32_t value) {
    if (list.empty()) return value;
    if (value >= list.back()) return list.back();
    if (value <= list.front()) return list.front();
    // The first entry not below value: b, with a before it.
    const auto upper = std::lower_bound(list.begin(), list.end(), value);
    if (*upper == value) return value;
    const std::int32_t a = *(upper - 1);
    const std::int32_t b = *upper;
    return value <= (a + b) / 2 ? a : b;
}

std::int32_t FindMostNaturalMPEG1BitRate(std::int32_t value) { return FindMostNaturalBitRate(kMPEG1BitRates, value); }
std::int32_t FindMostNaturalMPEG2XBitRate(std::int32_t value) { return FindMostNaturalBitRate(kMPEG2XBitRates, value); }
std::int32_t FindMostNaturalWMABitRate(std::int32_t value) { return FindMostNaturalBitRate(kWMABitRates, value); }

void FindMostNaturalBitRates(std::span<const std::int32_t> list, std::int32_t* max, std::int32_t* min,
                             std::int32_t* abr, std::int32_t* value) {
    if (list.size() < 2 || max == nullptr || min == nullptr || abr == nullptr || value == nullptr) return;
    const std::int32_t v = *value;
    if (v >= list.back()) {
        *max = list.back();
        *min = list[list.size() - 2];
        *abr = list.back() - 1;
        *value = list.back();
        return;
    }
    if (v <= list.front()) {
        *max = list[1];
        *min = list.front();
        *abr = list.front() + 1;
        *value = list.front();
        return;
    }
    const auto upper = std::lower_bound(list.begin(), list.end(), v);
    if (*upper == v) {
        *max = v;
        *min = *(upper - 1);
        *abr = v - 1;
        return;
    }
    *max = *upper;
    *min = *(upper - 1);
    *abr = v;
    *value = FindMostNaturalBitRate(list, v);
}

void FindMostNaturalMPEG1BitRates(std::int32_t* max, std::int32_t* min, std::int32_t* abr, std::int32_t* value) {
    FindMostNaturalBitRates(kMPEG1BitRates, max, min, abr, value);
}

void FindMostNaturalMPEG2XBitRates(std::int32_t* max, std::int32_t* min, std::int32_t* abr, std::int32_t* value) {
    FindMostNaturalBitRates(kMPEG2XBitRates, max, min, abr, value);
}
