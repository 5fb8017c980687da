// The PCM-to-PCM driver of the codec layer: rate, width and channel changes
// through the engine's stream converter, whose position and history carry
// from one conversion call to the next.

#include <algorithm>
#include <cstring>
#include <limits>

#include "tonecore/engine_codecs.h"
#include "tonecore/pcm_convert.h"
#include "tonecore/pcm_format.h"

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

class CPcmStream : public ICodecStream {
public:
    CPcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination)
        : source_(source), destination_(destination) {}

    // Whole source frames at the destination's rate, rounded up: the
    // converter may make one frame more than the exact ratio.
    std::uint32_t DestinationBytesFor(std::uint32_t sourceBytes) const override {
        const std::uint64_t frames = sourceBytes / source_.nBlockAlign;
        if (frames == 0) return 0;
        const std::uint64_t out =
            (frames * destination_.nSamplesPerSec + source_.nSamplesPerSec - 1) / source_.nSamplesPerSec;
        return Cut32(out * destination_.nBlockAlign);
    }
    // Source frames whose conversion fits destinationBytes.
    std::uint32_t SourceBytesFor(std::uint32_t destinationBytes) const override {
        const std::uint64_t frames = destinationBytes / destination_.nBlockAlign;
        return Cut32(frames * source_.nSamplesPerSec / destination_.nSamplesPerSec * source_.nBlockAlign);
    }

    bool Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                 std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                 std::uint32_t* destinationUsed) override {
        const std::uint32_t wholeSource = sourceBytes - sourceBytes % source_.nBlockAlign;
        const std::uint32_t wholeDestination = destinationBytes - destinationBytes % destination_.nBlockAlign;
        if (SameFormat()) {
            const std::uint32_t bytes = std::min(wholeSource, wholeDestination);
            std::memcpy(destination, source, bytes);
            *sourceUsed = bytes;
            *destinationUsed = bytes;
            return true;
        }
        // The converter adds to what the destination holds: start from silence.
        std::memset(destination, destination_.wBitsPerSample == 8 ? 0x80 : 0, wholeDestination);
        std::size_t used = 0;
        const std::size_t made = converter_.Convert(source, wholeSource, &source_, destination, wholeDestination,
                                                    &destination_, &used);
        *sourceUsed = static_cast<std::uint32_t>(used);
        *destinationUsed = static_cast<std::uint32_t>(made);
        return true;
    }

private:
    bool SameFormat() const {
        return source_.nChannels == destination_.nChannels && source_.nSamplesPerSec == destination_.nSamplesPerSec &&
               source_.wBitsPerSample == destination_.wBitsPerSample;
    }

    WAVEFORMATEX source_;
    WAVEFORMATEX destination_;
    CPCMStreamConverter converter_;
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
