// Which WMA presets the media module's encoder can make: a preset is
// offered when one of its codec formats has the preset's rate and channels
// and a byte rate within 250 bit/s of the preset's bitrate.

#include <cstdlib>
#include <vector>

#include "tonecore/convert/conv2file_presets.h"
#include "tonecore/convert/conv2wma_file.h"

namespace {

// How far a codec format's bitrate may lie from a preset's (bit/s).
constexpr std::int64_t kBitrateWindow = 250;

bool FormatMatchesPreset(const WAVEFORMATEX& format, const TWMAPreset& preset) {
    const std::int64_t difference =
        std::int64_t{preset.bitrate} * 1000 - std::int64_t{format.nAvgBytesPerSec} * 8;
    return static_cast<std::int32_t>(format.nSamplesPerSec) == preset.rate && format.nChannels == preset.channels &&
           std::llabs(difference) < kBitrateWindow;
}

bool PresetOffered(CConv2WmaFile& converter, std::int32_t preset) {
    const TWMAPreset* row = WMAPreset(preset);
    const WAVEFORMATEX* formats = converter.GetAvailableOutputFormats();
    if (row == nullptr || formats == nullptr) return false;
    const std::uint32_t count = converter.NumAvailableOutputFormats();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (FormatMatchesPreset(formats[i], *row)) return true;
    }
    return false;
}

}  // namespace

bool IsWMAFormatAvailable(std::int32_t preset) {
    CConv2WmaFile converter;
    return PresetOffered(converter, preset);
}

std::vector<std::int32_t> OfferedWMAPresets() {
    CConv2WmaFile converter;
    std::vector<std::int32_t> offered;
    for (std::int32_t preset = 1; preset <= kWMAPresetCount; ++preset) {
        if (PresetOffered(converter, preset)) offered.push_back(preset);
    }
    return offered;
}

int NumPresetWMAFormatsAvailable() { return static_cast<int>(OfferedWMAPresets().size()); }

int GetPresetIndexFromSliderIndex(int sliderIndex) {
    const std::vector<std::int32_t> offered = OfferedWMAPresets();
    if (sliderIndex < 1 || sliderIndex > static_cast<int>(offered.size())) return -1;
    return offered[static_cast<std::size_t>(sliderIndex - 1)] - 1;
}
