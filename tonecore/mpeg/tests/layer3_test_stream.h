#pragma once
// Test helper: decodes a whole layer III stream held in memory through the
// real decoder (static memory input, MPEG codec module) and hands every
// granule to the caller through the layer III decoder's granule observer:
// frame facts, side information, alignment and the subband samples before
// the synthesis.

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/layer3_frame.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_codec_module.h"
#include "tonecore/mpeg/mpeg_frame_decoder.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace layer3test {

struct TFrame {
    TLayer3FrameInfo info;
    std::uint32_t sampleRateHz = 0;
};

struct TGranuleEvent {
    int frameIndex;
    int granule;
    const TFrame* frame;
    const TLayer3SideInfo* side;
    int result;
    const TLayer3GranuleReport* report;
    const TLayer3SubbandSamples* samples;
};

struct TWalkSummary {
    int frames = 0;
    int framesWithoutReservoir = 0;  // main_data_begin reached before the first frame
    int abandoned = 0;
};

// Decodes every frame of `bytes` (an ID3v2 tag at the start is skipped) and
// calls `onGranule` after each decoded granule (an abandoned one included,
// with its result).
inline TWalkSummary WalkStream(const std::string& bytes, const std::function<void(const TGranuleEvent&)>& onGranule) {
    struct TWalk {
        TWalkSummary summary;
        TFrame frame;
        CMpegFrameDecoder* frames = nullptr;
        const std::function<void(const TGranuleEvent&)>* onGranule = nullptr;
    } walk;
    walk.onGranule = &onGranule;
    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    char name[64];
    std::snprintf(name, sizeof(name), "%zx@%jx", bytes.size(),
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(bytes.data())));
    if (!decoder || DecoderInputNew(decoder.get(), name, -1) != 0 || DecoderInputOpen(decoder.get()) != 0) {
        return walk.summary;
    }
    walk.frames = &MpegCodecFrameDecoder(decoder->codec->instance);
    TLayer3DecoderState& state = MpegCodecLayer3State(decoder->codec->instance);
    state.observerContext = &walk;
    state.observer = [](void* context, const TLayer3GranuleView& view) {
        auto& w = *static_cast<TWalk*>(context);
        if (view.granule <= 0) {
            w.frame.info = *view.info;
            w.frame.sampleRateHz = MpegSampleRateHz(w.frames->LastHeader());
            ++w.summary.frames;
        }
        if (view.mainDataMissing) ++w.summary.framesWithoutReservoir;
        if (view.result != 0) ++w.summary.abandoned;
        if (view.granule < 0) return;
        (*w.onGranule)(TGranuleEvent{w.summary.frames - 1, view.granule, &w.frame, view.side, view.result, view.report,
                                     view.samples});
    };
    for (;;) {
        const std::int32_t result = DecoderDecode(decoder.get(), nullptr);
        if (result != 0 && result != DECODER_ERR_NO_FRAME) break;
    }
    return walk.summary;
}

// The folder of the test sources and scripts.
inline std::string ScriptFolderForTests() {
    // The build passes the folder as an absolute path: __FILE__ can be relative
    // to a build folder that is not the test's working folder.
    return TRACKPRESS_MPEG_TEST_SCRIPTS;
}

// Runs a shell command with its output discarded; true when it exits with 0.
inline bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// True when every named program is on the PATH.
inline bool HaveTools(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!RunCommand("command -v " + name)) return false;
    }
    return true;
}

// Every subband sample of one channel in decoding order (granule, slot, subband).
inline std::vector<float> CollectSubbands(const std::string& bytes, int channel, TWalkSummary* summary = nullptr) {
    std::vector<float> out;
    const TWalkSummary s = WalkStream(bytes, [&](const TGranuleEvent& e) {
        if (e.result != 0) return;
        const int ch = e.frame->info.channels == 1 ? 0 : channel;
        for (int slot = 0; slot < kLayer3Slots; ++slot) {
            out.insert(out.end(), e.samples->values[ch][slot], e.samples->values[ch][slot] + kLayer3Subbands);
        }
    });
    if (summary != nullptr) *summary = s;
    return out;
}

}  // namespace layer3test
