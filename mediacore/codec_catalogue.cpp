#include "mediacore/codec_catalogue.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "mediacore/ffmpeg_handles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace {

// The sample rates of the sound engine's WMA rate table, in its order.
constexpr std::uint32_t kRates[] = {44100, 48000, 32000, 22050, 16000, 11025, 8000};
// The sound engine's WMA bitrate list, kbit/s.
constexpr std::uint32_t kBitratesKbps[] = {5, 6, 8, 10, 12, 16, 20, 22, 32, 36, 40, 48, 64, 80, 96, 128, 160, 192};
// How far a format's byte rate x 8 may lie from a bitrate, in bit/s.
constexpr std::int64_t kBitrateWindow = 250;

struct TEncoder {
    const char* name;
    std::uint16_t tag;
};
constexpr TEncoder kEncoders[] = {{"wmav2", WAVE_FORMAT_WMAUDIO2}, {"wmav1", WAVE_FORMAT_WMAUDIO1}};

// Opens the encoder for one combination; false when FFmpeg refuses it or the
// result falls outside the window.
bool ProbeFormat(const AVCodec* codec, std::uint16_t tag, std::uint32_t rate, int channels,
                 std::uint32_t bitsPerSecond, TCodecFormat& out) {
    const TCodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return false;
    context->sample_rate = static_cast<int>(rate);
    av_channel_layout_default(&context->ch_layout, channels);
    context->bit_rate = bitsPerSecond;
    context->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return false;
    if (context->block_align <= 0 || context->block_align > 0xFFFF || context->frame_size <= 0) return false;
    const std::uint64_t avgBytes =
        static_cast<std::uint64_t>(context->block_align) * rate / static_cast<std::uint64_t>(context->frame_size);
    if (avgBytes > UINT32_MAX || !IsWithinBitrateWindow(static_cast<std::uint32_t>(avgBytes), bitsPerSecond)) {
        return false;
    }
    const int extraBytes = std::clamp(context->extradata_size, 0, 0xFFFF);
    out.head = WAVEFORMATEX{tag,
                            static_cast<std::uint16_t>(channels),
                            rate,
                            static_cast<std::uint32_t>(avgBytes),
                            static_cast<std::uint16_t>(context->block_align),
                            16,
                            static_cast<std::uint16_t>(extraBytes)};
    out.extra.assign(context->extradata, context->extradata + extraBytes);
    return true;
}

bool SameFormat(const TCodecFormat& a, const TCodecFormat& b) {
    return std::memcmp(&a.head, &b.head, sizeof(WAVEFORMATEX)) == 0 && a.extra == b.extra;
}

std::vector<TCodecFormat> BuildCatalogue() {
    // Refusals are expected while probing; keep FFmpeg from printing them.
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);
    std::vector<TCodecFormat> formats;
    for (const TEncoder& encoder : kEncoders) {
        const AVCodec* codec = avcodec_find_encoder_by_name(encoder.name);
        if (codec == nullptr) continue;
        for (std::uint32_t rate : kRates) {
            for (int channels = 1; channels <= 2; ++channels) {
                for (std::uint32_t kbps : kBitratesKbps) {
                    TCodecFormat format;
                    if (!ProbeFormat(codec, encoder.tag, rate, channels, kbps * 1000, format)) continue;
                    // Two bitrates can round to one format; list it once.
                    if (std::none_of(formats.begin(), formats.end(),
                                     [&](const TCodecFormat& f) { return SameFormat(f, format); })) {
                        formats.push_back(std::move(format));
                    }
                }
            }
        }
    }
    av_log_set_level(logLevel);
    return formats;
}

}  // namespace

bool IsWithinBitrateWindow(std::uint32_t avgBytesPerSec, std::int64_t bitsPerSecond) {
    const std::int64_t difference = std::int64_t{avgBytesPerSec} * 8 - bitsPerSecond;
    return difference > -kBitrateWindow && difference < kBitrateWindow;
}

std::span<const TCodecFormat> CodecCatalogue() {
    static const std::vector<TCodecFormat> catalogue = BuildCatalogue();
    return catalogue;
}
