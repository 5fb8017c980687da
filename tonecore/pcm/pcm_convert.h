#pragma once
// Sample-rate, width and channel conversion with mixing, by linear
// interpolation in fixed point (one source frame = 2^27).
//
// The result is added to what the destination already holds, with
// saturation: callers that only convert pass a zero-filled destination
// (0x80 bytes for 8-bit), callers that mix pass existing audio. A 16-bit
// destination takes clip(old + value); a mono destination from a stereo
// source takes half of each channel (each half truncated toward zero); an
// 8-bit destination works on the 16-bit scale and stores (v >> 8) + 128.
//
// The interpolator starts one source frame behind: with equal rates,
// destination frame k is source frame k + 1; from 22050 to 44100 Hz the
// output alternates the midpoint of two frames and the later frame.

#include <cstddef>
#include <cstdint>

#include "platform/wave_format.h"

// Converts one block on its own (a fresh interpolator every call); returns
// the destination bytes produced. Only whole frames are read and written.
// 0 for a rate of 0.
std::size_t ConvertAndMixPCM(const std::uint8_t* source, std::size_t sourceBytes,
                             const WAVEFORMATEX* sourceFormat, std::uint8_t* destination,
                             std::size_t destinationBytes, const WAVEFORMATEX* destinationFormat);

// The same conversion for a stream handed over in pieces: the position, the
// previous frame and any partial frame are carried from one call to the
// next, so converting a stream piece by piece gives exactly what one call
// over the whole stream gives. Reset() on a seek.
class CPCMStreamConverter {
public:
    // Converts as much of source as fits the destination. *sourceUsed (when
    // non-null) gets the source bytes taken; the caller hands the rest over
    // again. Returns the destination bytes produced.
    std::size_t Convert(const std::uint8_t* source, std::size_t sourceBytes,
                        const WAVEFORMATEX* sourceFormat, std::uint8_t* destination,
                        std::size_t destinationBytes, const WAVEFORMATEX* destinationFormat,
                        std::size_t* sourceUsed = nullptr);
    // Forgets the stream: the next call starts as a fresh conversion.
    void Reset();

private:
    // Runs the interpolator over whole source frames; returns source bytes
    // taken and adds the destination bytes written to *written.
    std::size_t RunFrames(const std::uint8_t* source, std::size_t sourceBytes,
                          const WAVEFORMATEX& sourceFormat, std::uint8_t* destination,
                          std::size_t destinationBytes, const WAVEFORMATEX& destinationFormat,
                          std::size_t* written);

    static constexpr std::int64_t kOne = std::int64_t{1} << 27;

    std::int64_t position_ = kOne;
    std::int32_t previousLeft_ = 0;
    std::int32_t previousRight_ = 0;
    // Source frames still to be taken before the next destination frame.
    std::int64_t framesToTake_ = 0;
    // A destination frame whose position step has been made but which
    // waits for source data.
    bool framePending_ = false;
    // The start of a source frame that a piece ended inside.
    std::uint8_t partial_[4] = {};
    std::size_t partialBytes_ = 0;
    // The frame size the partial frame was cut from.
    std::size_t partialAlign_ = 0;
};
