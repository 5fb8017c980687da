// MPEG audio layer 3 inside WAV files (format tag 0x55), decoded by the
// engine's MPEG decoder fed from memory. The source has no block structure
// the stream must respect (its block align is 1): bytes are pushed into the
// decoder as it asks for them, and a decoded frame that does not fit the
// caller's room waits for the next call.

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/codec_block_stream.h"
#include "tonecore/engine/engine_codecs.h"
#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_errors.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_codec_module.h"

namespace {

// The "fmt " extension of layer 3 in WAV: id (2 bytes), flags (4), block
// size (2), frames per block (2), codec delay (2).
constexpr std::uint16_t kExtensionBytes = 12;
constexpr std::size_t kBlockSizeOffset = 6;
// Decode calls in a row that neither made a frame nor took input before a
// conversion call gives up (damaged data the decoder keeps refusing).
constexpr int kMaxIdleDecodes = 256;

struct TDecoderDeleter {
    void operator()(DecoderControl* control) const { DecoderDelete(control); }
};
using TDecoder = std::unique_ptr<DecoderControl, TDecoderDeleter>;

TDecoder MakeMemoryDecoder() {
    DecoderControl* control = nullptr;
    if (DecoderNew(&control) != 0) return nullptr;
    TDecoder decoder(control);
    DecoderCodecModuleMethods codec;
    MpegCodecModuleGetMethods(&codec);
    DecoderInputModuleMethods input;
    MemoryInputModuleGetMethods(&input);
    if (DecoderCodecModuleRegister(control, &codec) < 0 || DecoderInputModuleRegister(control, &input) < 0 ||
        DecoderInputNew(control, "", -1) != 0 || DecoderInputOpen(control) != 0) {
        return nullptr;
    }
    return decoder;
}

class CMp3Stream : public ICodecStream {
public:
    CMp3Stream(TDecoder decoder, std::uint32_t channels, std::uint32_t blockBytes, std::uint32_t samplesPerFrame)
        : decoder_(std::move(decoder)),
          channels_(channels),
          blockBytes_(blockBytes),
          frameBytes_(samplesPerFrame * channels * 2) {}

    // By the nominal frame size: a frame's worth of bytes per decoded frame.
    std::uint32_t DestinationBytesFor(std::uint32_t sourceBytes) const override {
        return Cut32(std::uint64_t{sourceBytes / blockBytes_} * frameBytes_);
    }
    std::uint32_t SourceBytesFor(std::uint32_t destinationBytes) const override {
        return Cut32(std::uint64_t{destinationBytes / frameBytes_} * blockBytes_);
    }

    bool Convert(const std::uint8_t* source, std::uint32_t sourceBytes, std::uint8_t* destination,
                 std::uint32_t destinationBytes, std::uint32_t* sourceUsed,
                 std::uint32_t* destinationUsed) override {
        std::uint32_t taken = 0;
        std::uint32_t made = Drain(destination, destinationBytes);
        int idle = 0;
        while (made < destinationBytes && idle < kMaxIdleDecodes) {
            const std::int32_t result = DecoderDecode(decoder_.get(), nullptr);
            if (result == 0) {
                Keep(*decoder_->outputBuffer);
                made += Drain(destination + made, destinationBytes - made);
                idle = 0;
            } else if (result == DECODER_ERR_NEED_DATA && taken < sourceBytes) {
                const std::int32_t pushed = DecoderInputSendMessage(decoder_.get(), MEMORY_INPUT_APPEND,
                                                                    source + taken, sourceBytes - taken);
                if (pushed <= 0) break;
                taken += static_cast<std::uint32_t>(pushed);
                idle = 0;
            } else if (result == DECODER_ERR_NO_FRAME) {
                ++idle;
            } else {
                break;  // all input decoded, or the decoder cannot go on
            }
        }
        *sourceUsed = taken;
        *destinationUsed = made;
        return true;
    }

private:
    static std::uint32_t Cut32(std::uint64_t value) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
    }

    // Keeps the frame in the destination's channel layout: a mono frame in a
    // stereo stream is doubled, a stereo frame in a mono stream averaged.
    void Keep(const DecoderOutputBuffer& frame) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_));
        pendingAt_ = 0;
        if (frame.pcm == nullptr || frame.channels < 1 || frame.channels > 2) return;
        for (std::uint32_t i = 0; i < frame.samplesPerChannel; ++i) {
            const std::int32_t left = frame.pcm[i * frame.channels];
            const std::int32_t right = frame.pcm[i * frame.channels + frame.channels - 1];
            if (channels_ == 1) {
                Append(frame.channels == 1 ? left : (left + right) / 2);
            } else {
                Append(left);
                Append(right);
            }
        }
    }
    void Append(std::int32_t sample) {
        std::uint8_t bytes[2];
        PutSample16(bytes, sample);
        pending_.insert(pending_.end(), bytes, bytes + 2);
    }
    // Moves kept PCM into the destination; the bytes moved.
    std::uint32_t Drain(std::uint8_t* destination, std::uint32_t room) {
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(room, pending_.size() - pendingAt_));
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_), count, destination);
        pendingAt_ += count;
        return count;
    }

    TDecoder decoder_;
    std::uint32_t channels_;
    std::uint32_t blockBytes_;
    std::uint32_t frameBytes_;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingAt_ = 0;
};

class CMp3Driver : public CDecoderDriver {
public:
    CMp3Driver() : CDecoderDriver("mpeg-layer3", {{WAVE_FORMAT_MPEGLAYER3, "MPEG Layer-3"}}) {}

protected:
    std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const override {
        if (source->nChannels < 1 || source->nChannels > 2 || source->nSamplesPerSec < 8000 ||
            source->nSamplesPerSec > 48000) {
            return nullptr;
        }
        // MPEG-1 (32 kHz and up) frames hold 1152 samples, the lower rates' 576.
        const std::uint32_t samplesPerFrame = source->nSamplesPerSec >= 32000 ? 1152 : 576;
        std::uint32_t blockBytes = 0;
        if (source->cbSize >= kExtensionBytes) {
            const auto* extension = reinterpret_cast<const std::uint8_t*>(source) + sizeof(WAVEFORMATEX);
            blockBytes = static_cast<std::uint16_t>(GetSample16(extension + kBlockSizeOffset));
        }
        // Without a block size, the nominal frame length at the stated rate.
        if (blockBytes == 0) {
            blockBytes = static_cast<std::uint32_t>(std::uint64_t{source->nAvgBytesPerSec} * samplesPerFrame /
                                                    source->nSamplesPerSec);
        }
        if (blockBytes == 0) return nullptr;
        TDecoder decoder = MakeMemoryDecoder();
        if (!decoder) return nullptr;
        return std::make_unique<CMp3Stream>(std::move(decoder), source->nChannels, blockBytes, samplesPerFrame);
    }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakeMp3CodecDriver() { return std::make_unique<CMp3Driver>(); }
