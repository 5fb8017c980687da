#include "tonecore/mpeg/decoder_host_controls.h"

#include <algorithm>
#include <cmath>

#include "tonecore/mpeg/decoder_internal.h"

namespace {

// Settings masks of the codec's set and get methods.
constexpr std::uint32_t kRoutingMask = 1;
constexpr std::uint32_t kRateReductionMask = 2;
constexpr std::uint32_t kEqualizerMask = 4;

const DecoderCodecModuleMethods* CodecMethods(const DecoderControl* control) {
    const DecoderCodecSlot* codec = control->codec;
    return codec->instance != nullptr && codec->module != nullptr ? &codec->module->codec : nullptr;
}

// Hands the changed part of the settings to the current codec.
std::int32_t PassToCodec(DecoderControl* control, std::uint32_t mask) {
    const DecoderCodecModuleMethods* codec = CodecMethods(control);
    if (codec == nullptr || codec->setOutputSettings == nullptr) return 0;
    return codec->setOutputSettings(control->codec->instance, &control->priv->settings, mask);
}

// Brings the kept settings up to date from the codec.
void AskCodec(DecoderControl* control, std::uint32_t mask) {
    const DecoderCodecModuleMethods* codec = CodecMethods(control);
    if (codec != nullptr && codec->getOutputSettings != nullptr) {
        codec->getOutputSettings(control->codec->instance, &control->priv->settings, mask);
    }
}

// A value outside 0..highest would reach the synthesis as an unknown mode.
std::int32_t SetSetting(DecoderControl* control, std::int32_t DecoderOutputSettings::*field, std::int32_t value,
                        std::int32_t highest, std::uint32_t mask) {
    if (control == nullptr || value < 0 || value > highest) return DECODER_ERR_BAD_ARGUMENT;
    control->priv->settings.*field = value;
    return PassToCodec(control, mask);
}

std::int32_t GetSetting(DecoderControl* control, std::int32_t DecoderOutputSettings::*field, std::int32_t* value,
                        std::uint32_t mask) {
    if (control == nullptr || value == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    AskCodec(control, mask);
    *value = control->priv->settings.*field;
    return 0;
}

}  // namespace

std::int32_t DecoderSetChannelRouting(DecoderControl* control, std::int32_t routing) {
    return SetSetting(control, &DecoderOutputSettings::channelRouting, routing, 3, kRoutingMask);
}

std::int32_t DecoderGetChannelRouting(DecoderControl* control, std::int32_t* routing) {
    return GetSetting(control, &DecoderOutputSettings::channelRouting, routing, kRoutingMask);
}

std::int32_t DecoderSetRateReduction(DecoderControl* control, std::int32_t reduction) {
    return SetSetting(control, &DecoderOutputSettings::rateReduction, reduction, 2, kRateReductionMask);
}

std::int32_t DecoderGetRateReduction(DecoderControl* control, std::int32_t* reduction) {
    return GetSetting(control, &DecoderOutputSettings::rateReduction, reduction, kRateReductionMask);
}

std::int32_t DecoderSetEqualizer(DecoderControl* control, const std::int8_t* settings) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    DecoderPrivate* priv = control->priv;
    if (settings != nullptr) {
        std::copy(settings, settings + priv->equalizer.size(), priv->equalizer.begin());
        priv->settings.equalizer = priv->equalizer.data();
    } else {
        priv->equalizer.fill(0);
        priv->settings.equalizer = nullptr;
    }
    return PassToCodec(control, kEqualizerMask);
}

std::int32_t DecoderGetEqualizer(DecoderControl* control, std::int8_t* settings) {
    if (control == nullptr || settings == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const DecoderCodecModuleMethods* codec = CodecMethods(control);
    if (codec != nullptr && codec->getOutputSettings != nullptr) {
        // The codec writes its current tables (zeros for a channel without
        // one) straight into the caller's bytes.
        DecoderOutputSettings current = control->priv->settings;
        current.equalizerOut = settings;
        codec->getOutputSettings(control->codec->instance, &current, kEqualizerMask);
        return 0;
    }
    std::copy(control->priv->equalizer.begin(), control->priv->equalizer.end(), settings);
    return 0;
}

std::int32_t DecoderSeekFraction(DecoderControl* control, float fraction) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (!(fraction > 0.0f)) fraction = 0.0f;  // also not a number
    fraction = std::min(fraction, 1.0f);
    const DecoderCodecModuleMethods* codec = CodecMethods(control);
    float fileFraction = fraction;
    if (codec != nullptr && codec->fractionToOffset != nullptr) {
        fileFraction = codec->fractionToOffset(control->codec->instance, fraction);
    }
    if (!(fileFraction > 0.0f)) fileFraction = 0.0f;
    fileFraction = std::min(fileFraction, 1.0f);
    const auto offset =
        static_cast<std::int64_t>(static_cast<double>(fileFraction) * static_cast<double>(control->input->totalSize));
    return control->services.SeekInput(control, offset);
}

std::int32_t DecoderSeekSeconds(DecoderControl* control, double seconds) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const std::uint32_t duration = control->timing->stream.durationMs;
    double fraction = 0.0;
    if (duration != 0 && seconds > 0.0) fraction = seconds * 1000.0 / duration;
    return DecoderSeekFraction(control, static_cast<float>(std::min(fraction, 1.0)));
}

std::int32_t DecoderSeekTime(DecoderControl* control, const DecoderTime* time) {
    if (control == nullptr || time == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const double seconds =
        time->hundredths * 0.01 + time->minutes * 60.0 + time->hours * 3600.0 + static_cast<double>(time->seconds);
    return DecoderSeekSeconds(control, seconds);
}
