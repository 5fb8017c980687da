// GSM 6.10 full-rate speech in WAV files (format tag 0x31), through libgsm.
// A WAV block of 65 bytes packs two 160-sample frames (33 bytes then 32,
// sharing a half byte), which libgsm reads in its WAV framing mode.

#include <gsm.h>

#include "platform/codec_block_stream.h"
#include "platform/codec_drivers.h"

namespace {

constexpr std::uint32_t kBlockBytes = 65;
constexpr std::uint32_t kFirstFrameBytes = 33;
constexpr std::uint32_t kFrameSamples = 160;

struct TGsmDeleter {
    void operator()(gsm_state* state) const { gsm_destroy(state); }
};

class CGsmStream : public CBlockDecoderStream {
public:
    explicit CGsmStream(gsm state) : CBlockDecoderStream(kBlockBytes, 2 * kFrameSamples * 2), state_(state) {}

protected:
    void DecodeBlocks(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t blocks) override {
        for (std::uint32_t b = 0; b < blocks; ++b) {
            // libgsm takes non-const bytes but does not write them.
            auto* block = const_cast<gsm_byte*>(source + std::size_t{b} * kBlockBytes);
            gsm_signal samples[2 * kFrameSamples] = {};
            // A frame libgsm refuses stays silent.
            if (gsm_decode(state_.get(), block, samples) != 0 ||
                gsm_decode(state_.get(), block + kFirstFrameBytes, samples + kFrameSamples) != 0) {
                std::fill(std::begin(samples), std::end(samples), gsm_signal{0});
            }
            std::uint8_t* out = destination + std::size_t{b} * 4 * kFrameSamples;
            for (std::uint32_t i = 0; i < 2 * kFrameSamples; ++i) PutSample16(out + 2 * i, samples[i]);
        }
    }

private:
    std::unique_ptr<gsm_state, TGsmDeleter> state_;
};

class CGsmDriver : public CDecoderDriver {
public:
    CGsmDriver() : CDecoderDriver("gsm610", {{WAVE_FORMAT_GSM610, "GSM 6.10"}}) {}

protected:
    std::unique_ptr<ICodecStream> MakeDecoder(const WAVEFORMATEX* source) const override {
        if (source->nChannels != 1 || source->nBlockAlign != kBlockBytes) {
            return nullptr;
        }
        gsm state = gsm_create();
        if (state == nullptr) return nullptr;
        int wavFraming = 1;
        gsm_option(state, GSM_OPT_WAV49, &wavFraming);
        return std::make_unique<CGsmStream>(state);
    }
};

}  // namespace

std::unique_ptr<ICodecDriver> MakeGsmCodecDriver() { return std::make_unique<CGsmDriver>(); }
