#include "lame_enc/encoder_settings.h"

namespace {

// A rate worth handing to the encoder: the input may have any rate it can
// resample from; whether an output rate suits MPEG the encoder decides.
bool PlausibleRate(std::uint32_t rate) { return rate >= 1000 && rate <= 192000; }

TEncoderResult ReadPlainRecord(const TEncoderConfigMP3& record, TEncoderSettings* settings) {
    if (!PlausibleRate(record.sampleRate) || record.mode > ENCODER_MODE_MONO || record.bitrate == 0) {
        return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    }
    settings->inputRate = static_cast<std::int32_t>(record.sampleRate);
    settings->outputRate = settings->inputRate;
    settings->mode = record.mode;
    settings->bitrate = record.bitrate;
    settings->privateBit = record.privateBit != 0;
    settings->crc = record.crc != 0;
    settings->copyright = record.copyright != 0;
    settings->original = record.original != 0;
    return ENCODER_OK;
}

TEncoderResult ReadExtendedRecord(const TEncoderConfigLame& record, TEncoderSettings* settings) {
    if (record.structVersion != kLameConfigVersion || record.structSize != kEncoderConfigBytes) {
        return ENCODER_ERR_INVALID_FORMAT;
    }
    if (!PlausibleRate(record.sampleRate) || (record.reSampleRate != 0 && !PlausibleRate(record.reSampleRate)) ||
        record.mode < ENCODER_MODE_STEREO || record.mode > ENCODER_MODE_MONO || record.emphasis < 0 ||
        record.emphasis > 3) {
        return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    }
    settings->inputRate = static_cast<std::int32_t>(record.sampleRate);
    settings->outputRate = static_cast<std::int32_t>(record.reSampleRate);
    settings->mode = record.mode;
    settings->bitrate = static_cast<std::int32_t>(record.bitrate);
    settings->emphasis = record.emphasis;
    settings->privateBit = record.privateBit != 0;
    settings->crc = record.crc != 0;
    settings->copyright = record.copyright != 0;
    settings->original = record.original != 0;
    settings->noReservoir = record.noReservoir != 0;
    settings->vbr = record.enableVBR != 0 && record.vbrMethod != ENCODER_VBR_NONE;
    if (settings->vbr) {
        if (record.vbrQuality < 0 || record.vbrQuality > 9) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
        settings->maxBitrate = static_cast<std::int32_t>(record.maxBitrate);
        settings->vbrQuality = record.vbrQuality;
        settings->writeVBRHeader = record.writeVBRHeader != 0;
        settings->abr = record.vbrMethod == ENCODER_VBR_ABR;
        if (settings->abr) {
            settings->abrBitrate = static_cast<std::int32_t>(record.abrBitrateBps / 1000);
            if (settings->abrBitrate <= 0) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
        }
    } else if (settings->bitrate <= 0) {
        return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    }
    return ENCODER_OK;
}

}  // namespace

TEncoderResult ReadEncoderSettings(const TEncoderConfig& config, TEncoderSettings* settings) {
    *settings = TEncoderSettings{};
    switch (config.mp3.configKind) {
        case kEncoderConfigMP3:
            return ReadPlainRecord(config.mp3, settings);
        case kEncoderConfigLame:
            return ReadExtendedRecord(config.lame, settings);
        default:
            return ENCODER_ERR_INVALID_FORMAT;
    }
}
