#include "tonecore/load/mpeg_frame_pcm.h"

#include <cstring>
#include <new>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/pcm/pcm_convert.h"
#include "tonecore/pcm/pcm_format.h"

WAVEFORMATEX MpegFramePcmFormat(const DecoderOutputBuffer& frame) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<std::uint16_t>(frame.channels);
    format.nSamplesPerSec = frame.sampleRate;
    format.wBitsPerSample = static_cast<std::uint16_t>(8 * frame.bytesPerSample);
    ValidateFormat(&format, WAVE_FORMAT_PCM);
    return format;
}

std::size_t MpegFrameBytes(const DecoderOutputBuffer& frame) {
    return std::size_t{frame.samplesPerChannel} * frame.bytesPerSample * frame.channels;
}

bool MpegFrameMatches(const DecoderOutputBuffer& frame, const WAVEFORMATEX& destination) {
    return frame.channels == destination.nChannels &&
           frame.sampleRate == destination.nSamplesPerSec && frame.bytesPerSample == 2 &&
           destination.wBitsPerSample == 16;
}

namespace {

// Makes room for bytes more at written; false when memory could not be had.
bool Reserve(std::vector<std::uint8_t>& out, std::size_t written, std::size_t bytes) {
    if (out.size() - written >= bytes) return true;
    try {
        out.resize(written + bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

std::size_t PutMpegFrame(const DecoderOutputBuffer& frame, const WAVEFORMATEX& destination,
                         CPCMStreamConverter& converter, std::vector<std::uint8_t>& out,
                         std::size_t written) {
    if (written > out.size()) return 0;
    const std::size_t frameBytes = MpegFrameBytes(frame);
    if (frameBytes == 0 || frame.pcm == nullptr) return 0;
    if (MpegFrameMatches(frame, destination)) {
        if (!Reserve(out, written, frameBytes)) return 0;
        std::memcpy(out.data() + written, frame.pcm, frameBytes);
        return frameBytes;
    }
    const WAVEFORMATEX source = MpegFramePcmFormat(frame);
    if (source.nAvgBytesPerSec == 0 || destination.nBlockAlign == 0) return 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.pcm);
    std::size_t used = 0;
    std::size_t produced = 0;
    // The output one frame gives: its duration at the destination rate and
    // one block more, for the interpolator's phase. A rare shortfall goes
    // round again with another block's worth.
    std::size_t room = (std::uint64_t{destination.nAvgBytesPerSec} * frameBytes /
                            source.nAvgBytesPerSec / destination.nBlockAlign +
                        1) *
                       destination.nBlockAlign;
    while (used < frameBytes) {
        if (!Reserve(out, written + produced, room)) return produced;
        // The converter mixes into what the destination holds: start from
        // silence (0x80 for 8-bit samples).
        std::memset(out.data() + written + produced, destination.wBitsPerSample == 8 ? 0x80 : 0,
                    room);
        std::size_t taken = 0;
        produced += converter.Convert(bytes + used, frameBytes - used, &source,
                                      out.data() + written + produced, room, &destination, &taken);
        if (taken == 0) break;
        used += taken;
        room = 4 * std::size_t{destination.nBlockAlign};
    }
    return produced;
}
