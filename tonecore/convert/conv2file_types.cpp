#include "tonecore/convert/conv2file_types.h"

#include <array>

#include "platform/wave_format.h"

namespace {

// WAV takes every quality but the capped one, which means nothing for PCM
// of a fixed set of rates; the encoders have no CD format of their own and
// always work from the user's settings.
constexpr std::array<TConversionTypeRow, kFileConversionTypes> kConversionTypes{{
    {WAVE_FORMAT_PCM, 1, SOUND_QUALITY_CD, {0, 1, 2, 0}},
    {WAVE_FORMAT_MPEGLAYER3, 9, SOUND_QUALITY_USER, {3, 2, 2, 3}},
    {kWindowsMediaAudioTag, 7, SOUND_QUALITY_CAPPED_SOURCE, {3, 2, 2, 3}},
}};

}  // namespace

const TConversionTypeRow* ConversionTypeRow(std::int32_t type) {
    if (type < 0 || type >= kFileConversionTypes) return nullptr;
    return &kConversionTypes[static_cast<std::size_t>(type)];
}

_tFileConversionTypedef GetFileConversionTypeFromFormatTag(std::uint16_t tag) {
    for (std::size_t i = 0; i < kConversionTypes.size(); ++i) {
        if (kConversionTypes[i].formatTag == tag) return static_cast<_tFileConversionTypedef>(i);
    }
    return FILE_CONVERSION_NONE;
}
