#include "lame_enc/lame_stream.h"

#include <lame/lame.h>

namespace {

// The encoder's worst case for the output of n samples per channel, from
// its own documentation: 1.25 x n + 7200 bytes. The flush needs 7200.
std::uint32_t WorstCaseOutput(std::uint32_t samplesPerChannel) {
    return samplesPerChannel + samplesPerChannel / 4 + 7200;
}

MPEG_mode LameMode(std::int32_t mode) {
    switch (mode) {
        case ENCODER_MODE_JOINT_STEREO:
            return JOINT_STEREO;
        case ENCODER_MODE_MONO:
            return MONO;
        default:
            // The encoder has no dual-channel coding; two independent
            // channels are what plain stereo codes as well.
            return STEREO;
    }
}

void ApplyBitrates(lame_global_flags* lame, const TEncoderSettings& s) {
    if (!s.vbr) {
        lame_set_VBR(lame, vbr_off);
        lame_set_brate(lame, s.bitrate);
        return;
    }
    lame_set_VBR(lame, s.abr ? vbr_abr : vbr_mtrh);
    lame_set_VBR_q(lame, s.vbrQuality);
    if (s.bitrate > 0) lame_set_VBR_min_bitrate_kbps(lame, s.bitrate);
    if (s.maxBitrate > 0) lame_set_VBR_max_bitrate_kbps(lame, s.maxBitrate);
    if (s.abr) lame_set_VBR_mean_bitrate_kbps(lame, s.abrBitrate);
}

}  // namespace

CLameStream::~CLameStream() {
    if (lame_ != nullptr) lame_close(lame_);
}

TEncoderResult CLameStream::Init(const TEncoderSettings& s) {
    lame_ = lame_init();
    if (lame_ == nullptr) return ENCODER_ERR_NO_MEMORY;
    channels_ = s.InputChannels();
    lame_set_in_samplerate(lame_, s.inputRate);
    if (s.outputRate != 0) lame_set_out_samplerate(lame_, s.outputRate);
    lame_set_num_channels(lame_, channels_);
    lame_set_mode(lame_, LameMode(s.mode));
    ApplyBitrates(lame_, s);
    lame_set_bWriteVbrTag(lame_, s.writeVBRHeader ? 1 : 0);
    lame_set_emphasis(lame_, s.emphasis);
    lame_set_extension(lame_, s.privateBit ? 1 : 0);
    lame_set_error_protection(lame_, s.crc ? 1 : 0);
    lame_set_copyright(lame_, s.copyright ? 1 : 0);
    lame_set_original(lame_, s.original ? 1 : 0);
    lame_set_disable_reservoir(lame_, s.noReservoir ? 1 : 0);
    // Tags are the caller's business: no ID3 tag inside the MP3 stream.
    lame_set_write_id3tag_automatic(lame_, 0);
    if (lame_init_params(lame_) < 0) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    const int frameSize = lame_get_framesize(lame_);
    if (frameSize <= 0) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    samplesPerChunk_ = static_cast<std::uint32_t>(frameSize * channels_);
    outputBytes_ = WorstCaseOutput(static_cast<std::uint32_t>(frameSize));
    return ENCODER_OK;
}

TEncoderResult CLameStream::Encode(std::span<const std::int16_t> values, std::uint8_t* output,
                                   std::uint32_t* produced) {
    *produced = 0;
    if (finished_) return ENCODER_ERR_INVALID_HANDLE;
    if (values.size() > samplesPerChunk_ || values.size() % static_cast<std::size_t>(channels_) != 0) {
        return ENCODER_ERR_BUFFER_TOO_SMALL;
    }
    const int perChannel = static_cast<int>(values.size()) / channels_;
    // The encoder copies its input before it works on it; it takes a
    // non-const pointer only for a mode this stream never uses (two input
    // channels folded to mono in place).
    auto* pcm = const_cast<std::int16_t*>(values.data());
    const int size = static_cast<int>(outputBytes_);
    const int bytes = channels_ == 2 ? lame_encode_buffer_interleaved(lame_, pcm, perChannel, output, size)
                                     : lame_encode_buffer(lame_, pcm, nullptr, perChannel, output, size);
    if (bytes < 0) return ENCODER_ERR_ENCODING;
    *produced = static_cast<std::uint32_t>(bytes);
    return ENCODER_OK;
}

TEncoderResult CLameStream::Finish(std::uint8_t* output, std::uint32_t* produced) {
    *produced = 0;
    if (finished_) return ENCODER_ERR_INVALID_HANDLE;
    finished_ = true;
    const int bytes = lame_encode_flush(lame_, output, static_cast<int>(outputBytes_));
    if (bytes < 0) return ENCODER_ERR_ENCODING;
    *produced = static_cast<std::uint32_t>(bytes);
    return ENCODER_OK;
}

std::vector<std::uint8_t> CLameStream::HeaderFrame() const {
    if (!finished_ || lame_get_bWriteVbrTag(lame_) == 0) return {};
    const std::size_t needed = lame_get_lametag_frame(lame_, nullptr, 0);
    if (needed == 0) return {};
    std::vector<std::uint8_t> frame(needed);
    if (lame_get_lametag_frame(lame_, frame.data(), frame.size()) != needed) return {};
    return frame;
}
