#include "tonecore/pcm/pcm_format.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tonecore/engine/format_template.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/text_copy.h"

namespace {

// Used when the keyed text file's template does not take the five values in
// their order: name, whole kHz, the rest in Hz, bits, channel word.
constexpr const char* kBuiltInTemplate = "%s %d.%03d kHz, %d Bit, %s";

// The conversion letters the template must hold, in order.
constexpr std::string_view kExpectedConversions = "sddds";

}  // namespace

int ValidateFormat(WAVEFORMATEX* format, std::uint16_t formatTag) {
    if (format == nullptr || format->wFormatTag != formatTag) return 0;
    if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return 0;
    if (format->nChannels != 1 && format->nChannels != 2) return 0;
    if (format->nSamplesPerSec == 0 || format->nSamplesPerSec > kMaxSampleRate) return 0;
    format->cbSize = 0;
    format->nBlockAlign = static_cast<std::uint16_t>(format->nChannels * format->wBitsPerSample / 8);
    format->nAvgBytesPerSec = format->nBlockAlign * format->nSamplesPerSec;
    return 1;
}

void SoundFormatToString(const WAVEFORMATEX* format, char* out, std::size_t outSize,
                         const char* formatName) {
    if (out == nullptr || outSize == 0) return;
    out[0] = '\0';
    if (format == nullptr) return;
    char pattern[64];
    char channels[32];
    char name[128];
    ToneCoreLoadString("FS_WAVE_FORMAT", pattern, sizeof pattern);
    ToneCoreLoadString(format->nChannels == 2 ? "FS_STEREO" : "FS_MONO", channels, sizeof channels);
    if (formatName != nullptr) {
        textcopy::CopyTextCut(formatName, name, sizeof name);
    } else {
        ToneCoreLoadString("FS_MS_PCM", name, sizeof name);
    }
    const char* used = FormatTemplateFits(pattern, kExpectedConversions) ? pattern : kBuiltInTemplate;
    const int kHz = static_cast<int>(format->nSamplesPerSec / 1000);
    const int rest = static_cast<int>(format->nSamplesPerSec - 1000u * static_cast<unsigned>(kHz));
    const int needed = std::snprintf(nullptr, 0, used, name, kHz, rest,
                                     static_cast<int>(format->wBitsPerSample), channels);
    if (needed < 0) return;
    std::string line(static_cast<std::size_t>(needed) + 1, '\0');
    std::snprintf(line.data(), line.size(), used, name, kHz, rest,
                  static_cast<int>(format->wBitsPerSample), channels);
    line.resize(static_cast<std::size_t>(needed));
    textcopy::CopyTextCut(line, out, outSize);
}

void GetMaxSample(const std::uint8_t* start, const std::uint8_t* end, const WAVEFORMATEX* format,
                  std::int32_t& maxLeft, std::int32_t& maxRight) {
    const bool stereo = format != nullptr && format->nChannels == 2;
    if (format != nullptr && start != nullptr && end > start && format->nBlockAlign > 0) {
        const bool wide = format->wBitsPerSample == 16;
        const std::size_t align = format->nBlockAlign;
        const std::size_t half = align / 2;
        const std::size_t frames = static_cast<std::size_t>(end - start) / align;
        auto level = [wide](const std::uint8_t* at) {
            const std::int32_t v = wide ? static_cast<std::int16_t>(at[0] | (at[1] << 8))
                                        : WidenSample8(at[0]);
            return std::abs(v);
        };
        for (std::size_t f = 0; f < frames; ++f) {
            const std::uint8_t* frame = start + f * align;
            if (const std::int32_t v = level(frame); v > maxLeft) maxLeft = v;
            if (stereo) {
                if (const std::int32_t v = level(frame + half); v > maxRight) maxRight = v;
            }
        }
    }
    if (!stereo) maxRight = maxLeft;
}
