// The PCM-to-PCM driver of the codec layer: rate, width and channel changes
// for a stream handed over block by block (the WAV converter's use).
//
// The frame counts are exact: after N source frames in all, the stream has
// made ceil(N x destination rate / source rate) frames in all, so a block of
// a whole number of destination frames' worth (CD audio in sectors, for
// every rate that is a multiple of 75 Hz) converts to exactly that many.
// Every source frame handed over is taken unless the destination is full.
// For this, a rate change interpolates one source frame behind (output
// frame k lies between source frames j - 1 and j, where j = k x source rate
// / destination rate), so no frame is needed before it has arrived. Equal
// rates copy frame for frame.

#include <algorithm>
#include <cstring>
#include <limits>

#include "tonecore/engine/engine_codecs.h"
#include "tonecore/pcm/pcm_format.h"

namespace {

bool IsEnginePcm(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
           (format.nChannels == 1 || format.nChannels == 2) && format.nSamplesPerSec > 0 &&
           format.nSamplesPerSec <= kMaxSampleRate &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

std::uint32_t Cut32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

// One frame on the 16-bit scale (a mono frame's right is its left).
struct TFrame {
    std::int32_t left = 0;
    std::int32_t right = 0;
};

TFrame ReadFrame(const std::uint8_t* at, const WAVEFORMATEX& format) {
    const bool wide = format.wBitsPerSample == 16;
    const auto sample = [wide](const std::uint8_t* p) {
        return wide ? static_cast<std::int32_t>(static_cast<std::int16_t>(p[0] | (p[1] << 8))) : WidenSample8(p[0]);
    };
    TFrame frame{sample(at), sample(at)};
    if (format.nChannels == 2) frame.right = sample(at + (wide ? 2 : 1));
    return frame;
}

void WriteFrame(std::uint8_t* at, const WAVEFORMATEX& format, const TFrame& frame) {
    const bool wide = format.wBitsPerSample == 16;
    const auto store = [wide](std::uint8_t* p, std::int32_t v) {
        if (wide) {
            p[0] = static_cast<std::uint8_t>(v & 0xFF);
            p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        } else {
            *p = NarrowSample16(v);
        }
    };
    if (format.nChannels == 2) {
        store(at, frame.left);
        store(at + (wide ? 2 : 1), frame.right);
    } else {
        // Into mono: half of each channel, each half truncated toward zero.
        store(at, frame.left / 2 + frame.right / 2);
    }
}

class CPcmStream : public ICodecStream {
public:
    CPcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination)
        : source_(source), destination_(destination) {}

    std::uint32_t DestinationBytesFor(std::uint32_t sourceBytes) const override {
        const std::uint64_t frames = sourceBytes / source_.nBlockAlign;
        const std::uint64_t out =
            (frames * destination_.nSamplesPerSec + source_.nSamplesPerSec - 1) / source_.nSamplesPerSec;
        return Cut32(out * destination_.nBlockAlign);
    }
    std::uint32_t SourceBytesFor(std::uint32_t destinationBytes) const override {
        const std::uint64_t frames = destinationBytes / destination_.nBlockAlign;
        return Cut32(frames * source_.nSamplesPerSec / destination_.nSamplesPerSec * source_.nBlockAlign);
    }

    bool Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                 std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                 std::uint32_t* destinationUsed) override {
        const std::uint64_t frames = sourceBytes / source_.nBlockAlign;
        const std::uint64_t room = destinationBytes / destination_.nBlockAlign;
        const std::uint64_t rateIn = source_.nSamplesPerSec;
        const std::uint64_t rateOut = destination_.nSamplesPerSec;
        const std::uint64_t end = taken_ + frames;  // source frames [taken_, end) are here
        std::uint64_t made = 0;
        std::uint64_t needed = taken_;  // the first frame the next output needs
        while (made < room) {
            const std::uint64_t position = made_ * rateIn;
            const std::uint64_t j = position / rateOut;
            needed = j;
            if (j >= end) break;
            const TFrame current = ReadFrame(source + (j - taken_) * source_.nBlockAlign, source_);
            TFrame value = current;
            if (rateIn != rateOut) {
                const TFrame previous =
                    j > taken_ ? ReadFrame(source + (j - 1 - taken_) * source_.nBlockAlign, source_)
                               : (taken_ > 0 ? history_ : current);
                const auto remainder = static_cast<std::int64_t>(position % rateOut);
                const auto between = [&](std::int32_t from, std::int32_t to) {
                    return static_cast<std::int32_t>(from + (std::int64_t{to - from} * remainder) /
                                                                static_cast<std::int64_t>(rateOut));
                };
                value = {between(previous.left, current.left), between(previous.right, current.right)};
            }
            WriteFrame(destination + made * destination_.nBlockAlign, destination_, value);
            ++made;
            ++made_;
            needed = made_ * rateIn / rateOut;
        }
        // Every frame before the one the next output needs is done with; the
        // last of them stays as the history for interpolation.
        const std::uint64_t consumedEnd = std::min(end, needed);
        const std::uint64_t consumed = consumedEnd - taken_;
        if (consumed > 0) history_ = ReadFrame(source + (consumed - 1) * source_.nBlockAlign, source_);
        taken_ = consumedEnd;
        *sourceUsed = static_cast<std::uint32_t>(consumed * source_.nBlockAlign);
        *destinationUsed = static_cast<std::uint32_t>(made * destination_.nBlockAlign);
        return true;
    }

private:
    WAVEFORMATEX source_;
    WAVEFORMATEX destination_;
    // Source frames taken and destination frames made since the stream
    // opened.
    std::uint64_t taken_ = 0;
    std::uint64_t made_ = 0;
    // The last source frame taken.
    TFrame history_;
};

class CPcmDriver : public ICodecDriver {
public:
    const char* Name() const override { return "pcm"; }
    const char* TagName(std::uint16_t formatTag) const override {
        return formatTag == WAVE_FORMAT_PCM ? "PCM" : nullptr;
    }
    std::unique_ptr<ICodecStream> Open(const WAVEFORMATEX* source, const WAVEFORMATEX* destination) override {
        if (!IsEnginePcm(*source) || !IsEnginePcm(*destination)) return nullptr;
        return std::make_unique<CPcmStream>(*source, *destination);
    }
    // PCM needs no decoding: nothing to suggest.
    bool SuggestPCM(const WAVEFORMATEX*, WAVEFORMATEX*) const override { return false; }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakePcmCodecDriver() { return std::make_unique<CPcmDriver>(); }
