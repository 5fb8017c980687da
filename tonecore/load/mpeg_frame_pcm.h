#pragma once
// Bringing one decoded MPEG frame into a decoding object's destination
// format. A frame already in that format (channels, rate, 16 bits) is taken
// as it is; any other goes through the stream's rate and channel converter,
// which carries its interpolation state from frame to frame so that a song
// resampled frame by frame loses no samples and keeps its phase.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/wave_format.h"

struct DecoderOutputBuffer;
class CPCMStreamConverter;

// The PCM format of the frame in the decoder's output record.
WAVEFORMATEX MpegFramePcmFormat(const DecoderOutputBuffer& frame);

// The frame's own bytes: samples per channel x bytes per sample x channels.
std::size_t MpegFrameBytes(const DecoderOutputBuffer& frame);

// True when the frame needs no conversion for destination.
bool MpegFrameMatches(const DecoderOutputBuffer& frame, const WAVEFORMATEX& destination);

// Writes the frame, in the destination format, at out[written...], growing
// out (to written + the bytes to write) when they do not fit. Returns the
// bytes written; 0 when memory for them could not be had.
std::size_t PutMpegFrame(const DecoderOutputBuffer& frame, const WAVEFORMATEX& destination,
                         CPCMStreamConverter& converter, std::vector<std::uint8_t>& out,
                         std::size_t written);
