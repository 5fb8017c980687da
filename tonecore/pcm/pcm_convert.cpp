#include "tonecore/pcm/pcm_convert.h"

#include <algorithm>
#include <cstring>

#include "tonecore/pcm/pcm_format.h"

namespace {

// How one side of a conversion lays out its frames. A format counts as
// 16-bit only at exactly 16 bits and as mono only at exactly one channel.
struct TLayout {
    bool wide;
    bool stereo;
    std::size_t align;

    explicit TLayout(const WAVEFORMATEX& format)
        : wide(format.wBitsPerSample == 16),
          stereo(format.nChannels != 1),
          align(format.nBlockAlign) {}
    // The frame's two channels on the 16-bit scale (a mono frame's right is
    // its left).
    void Read(const std::uint8_t* at, std::int32_t* left, std::int32_t* right) const {
        *left = Sample(at);
        *right = stereo ? Sample(at + (wide ? 2 : 1)) : *left;
    }
    std::int32_t Sample(const std::uint8_t* at) const {
        return wide ? static_cast<std::int16_t>(at[0] | (at[1] << 8)) : WidenSample8(at[0]);
    }
};

void Store16(std::uint8_t* at, std::int32_t v) {
    at[0] = static_cast<std::uint8_t>(v & 0xFF);
    at[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Adds one converted frame to the destination frame with saturation.
void MixFrame(std::uint8_t* at, const TLayout& to, bool sourceStereo, std::int32_t left,
              std::int32_t right) {
    if (to.stereo) {
        const std::size_t second = to.wide ? 2 : 1;
        const std::int32_t l = ClipSample(std::int64_t{to.Sample(at)} + left);
        const std::int32_t r = ClipSample(std::int64_t{to.Sample(at + second)} + right);
        if (to.wide) {
            Store16(at, l);
            Store16(at + second, r);
        } else {
            at[0] = NarrowSample16(l);
            at[1] = NarrowSample16(r);
        }
        return;
    }
    // Into mono: half of each channel of a stereo source, each half
    // truncated toward zero.
    const std::int64_t added = sourceStereo ? std::int64_t{left / 2} + right / 2 : left;
    const std::int32_t v = ClipSample(to.Sample(at) + added);
    if (to.wide) {
        Store16(at, v);
    } else {
        at[0] = NarrowSample16(v);
    }
}

bool UsableRates(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    return from.nSamplesPerSec != 0 && to.nSamplesPerSec != 0 && from.nBlockAlign != 0 &&
           to.nBlockAlign != 0;
}

}  // namespace

std::size_t ConvertAndMixPCM(const std::uint8_t* source, std::size_t sourceBytes,
                             const WAVEFORMATEX* sourceFormat, std::uint8_t* destination,
                             std::size_t destinationBytes, const WAVEFORMATEX* destinationFormat) {
    CPCMStreamConverter once;
    return once.Convert(source, sourceBytes, sourceFormat, destination, destinationBytes,
                        destinationFormat);
}

void CPCMStreamConverter::Reset() { *this = CPCMStreamConverter(); }

std::size_t CPCMStreamConverter::RunFrames(const std::uint8_t* source, std::size_t sourceBytes,
                                           const WAVEFORMATEX& sourceFormat,
                                           std::uint8_t* destination,
                                           std::size_t destinationBytes,
                                           const WAVEFORMATEX& destinationFormat,
                                           std::size_t* written) {
    const TLayout from(sourceFormat);
    const TLayout to(destinationFormat);
    // One source frame in 2^27 steps; computed in double as the mixer's
    // tables are, then truncated.
    const auto step = static_cast<std::int64_t>(static_cast<double>(sourceFormat.nSamplesPerSec) *
                                                134217728.0 / destinationFormat.nSamplesPerSec);
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = source + sourceBytes / from.align * from.align;
    std::uint8_t* out = destination + *written;
    std::uint8_t* const outEnd = destination + destinationBytes / to.align * to.align;
    while (out < outEnd) {
        if (!framePending_) {
            position_ += step;
            if (position_ > kOne) {
                framesToTake_ = (position_ - 1) >> 27;
                position_ -= framesToTake_ * kOne;
            }
            framePending_ = true;
        }
        // The frames passed over become the previous frame, one by one.
        while (framesToTake_ > 0 && in < inEnd) {
            from.Read(in, &previousLeft_, &previousRight_);
            in += from.align;
            --framesToTake_;
        }
        if (framesToTake_ > 0 || in >= inEnd) break;  // wait for more source
        std::int32_t left = 0;
        std::int32_t right = 0;
        from.Read(in, &left, &right);
        const auto interpolate = [this](std::int32_t previous, std::int32_t current) {
            return static_cast<std::int32_t>(
                previous + ((static_cast<std::int64_t>(current - previous) * position_) >> 27));
        };
        MixFrame(out, to, from.stereo, interpolate(previousLeft_, left),
                 interpolate(previousRight_, right));
        framePending_ = false;
        out += to.align;
    }
    *written = static_cast<std::size_t>(out - destination);
    return static_cast<std::size_t>(in - source);
}

std::size_t CPCMStreamConverter::Convert(const std::uint8_t* source, std::size_t sourceBytes,
                                         const WAVEFORMATEX* sourceFormat,
                                         std::uint8_t* destination, std::size_t destinationBytes,
                                         const WAVEFORMATEX* destinationFormat,
                                         std::size_t* sourceUsed) {
    if (sourceUsed != nullptr) *sourceUsed = 0;
    if (source == nullptr || destination == nullptr || sourceFormat == nullptr ||
        destinationFormat == nullptr || !UsableRates(*sourceFormat, *destinationFormat) ||
        sourceFormat->nBlockAlign > sizeof partial_) {
        return 0;
    }
    const std::size_t align = sourceFormat->nBlockAlign;
    // A piece in another layout cannot complete the frame: it is dropped.
    if (partialAlign_ != align) partialBytes_ = 0;
    std::size_t written = 0;
    std::size_t used = 0;
    // First complete the frame that the previous piece ended inside.
    if (partialBytes_ > 0) {
        const std::size_t take = std::min(align - partialBytes_, sourceBytes);
        std::memcpy(partial_ + partialBytes_, source, take);
        partialBytes_ += take;
        used = take;
        if (partialBytes_ < align) {
            if (sourceUsed != nullptr) *sourceUsed = used;
            return 0;
        }
        if (RunFrames(partial_, align, *sourceFormat, destination, destinationBytes,
                      *destinationFormat, &written) == 0) {
            // No room for it yet: hand the completing bytes back.
            partialBytes_ -= take;
            if (sourceUsed != nullptr) *sourceUsed = 0;
            return written;
        }
        partialBytes_ = 0;
    }
    used += RunFrames(source + used, sourceBytes - used, *sourceFormat, destination,
                      destinationBytes, *destinationFormat, &written);
    // Keep the start of a frame that the piece ends inside for the next call.
    const std::size_t rest = sourceBytes - used;
    if (rest > 0 && rest < align) {
        std::memcpy(partial_, source + used, rest);
        partialBytes_ = rest;
        partialAlign_ = align;
        used = sourceBytes;
    }
    if (sourceUsed != nullptr) *sourceUsed = used;
    return written;
}
