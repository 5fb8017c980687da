#pragma once
// Test-only walker over a whole layer III file held in memory: finds the
// frames, reads the side information, joins the main data across frames as
// the bit reservoir asks and hands every granule to the layer III decoder.
// The real frame reader of the decoder replaces this outside the tests.

#include "tonecore/mpeg/bit_reader.h"
#include "tonecore/mpeg/layer3_granule.h"
#include "tonecore/mpeg/layer3_side_info.h"
#include "tonecore/mpeg/layer3_types.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace layer3test {

struct TFrame {
    TLayer3FrameInfo info;
    int frameBytes = 0;
    int sampleRateHz = 0;
};

// Parses a layer III header word; false for anything else.
inline bool ParseHeader(std::uint32_t h, TFrame& frame) {
    if ((h & 0xFFE00000u) != 0xFFE00000u) return false;
    const unsigned version = (h >> 19) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    if (version == 1 || ((h >> 17) & 3) != 1) return false;
    const unsigned bitrateIndex = (h >> 12) & 15;
    const unsigned rateIndex = (h >> 10) & 3;
    if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    // ISO/IEC 11172-3 Table 3-B.1 and ISO/IEC 13818-3 Table B.1, layer III (kbit/s).
    static const int kBitrates[2][15] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
                                         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
    static const int kRates[3] = {44100, 48000, 32000};
    TLayer3FrameInfo& info = frame.info;
    info.lsf = version != 3;
    info.mpeg25 = version == 0;
    info.sampleRateIndex = static_cast<int>(rateIndex);
    info.mode = static_cast<int>((h >> 6) & 3);
    info.modeExtension = static_cast<int>((h >> 4) & 3);
    info.channels = info.mode == 3 ? 1 : 2;
    info.crcProtected = ((h >> 16) & 1) == 0;
    frame.sampleRateHz = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int kbps = kBitrates[info.lsf ? 1 : 0][bitrateIndex];
    frame.frameBytes = (info.lsf ? 72000 : 144000) * kbps / frame.sampleRateHz + static_cast<int>((h >> 9) & 1);
    return true;
}

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
// calls `onGranule` after each decoded granule.
inline TWalkSummary WalkStream(const std::string& bytes, const std::function<void(const TGranuleEvent&)>& onGranule,
                               const TLayer3GranuleOptions& options = {}) {
    TWalkSummary summary;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t pos = 0;
    if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
        pos = 10 + ((data[6] & 0x7Fu) << 21 | (data[7] & 0x7Fu) << 14 | (data[8] & 0x7Fu) << 7 | (data[9] & 0x7Fu));
    }
    std::vector<std::uint8_t> reservoir;
    TLayer3ChannelState state[2];
    auto samples = std::make_unique<TLayer3SubbandSamples>();
    while (pos + 4 <= bytes.size()) {
        const std::uint32_t h = static_cast<std::uint32_t>(data[pos]) << 24 | data[pos + 1] << 16 |
                                data[pos + 2] << 8 | data[pos + 3];
        TFrame frame;
        if (!ParseHeader(h, frame) || pos + static_cast<std::size_t>(frame.frameBytes) > bytes.size()) {
            ++pos;
            continue;
        }
        // A header counts only when the next frame's header follows it
        // directly (or the data ends there): a sync pattern inside audio data
        // is not a frame.
        const std::size_t next = pos + static_cast<std::size_t>(frame.frameBytes);
        if (next + 4 <= bytes.size()) {
            const std::uint32_t h2 = static_cast<std::uint32_t>(data[next]) << 24 | data[next + 1] << 16 |
                                     data[next + 2] << 8 | data[next + 3];
            TFrame following;
            if (!ParseHeader(h2, following) || following.sampleRateHz != frame.sampleRateHz) {
                ++pos;
                continue;
            }
        }
        const std::size_t sideStart = pos + 4 + (frame.info.crcProtected ? 2 : 0);
        const std::size_t mainStart = sideStart + static_cast<std::size_t>(frame.info.SideInfoBytes());
        const std::size_t frameEnd = pos + static_cast<std::size_t>(frame.frameBytes);
        TLayer3SideInfo side;
        CBitReader sideReader(data + sideStart, mainStart - sideStart);
        const int sideResult = ParseLayer3SideInfo(frame.info, sideReader, side);
        std::vector<std::uint8_t> mainData;
        if (sideResult == 0 && side.mainDataBegin <= reservoir.size()) {
            mainData.assign(reservoir.end() - side.mainDataBegin, reservoir.end());
            mainData.insert(mainData.end(), data + mainStart, data + frameEnd);
            CBitReader reader(mainData.data(), mainData.size());
            for (int gr = 0; gr < frame.info.Granules(); ++gr) {
                TLayer3GranuleReport report;
                const int result = DecodeLayer3Granule(frame.info, side, gr, reader, state, *samples, options, &report);
                if (result != 0) ++summary.abandoned;
                onGranule(TGranuleEvent{summary.frames, gr, &frame, &side, result, &report, samples.get()});
                if (result != 0) break;
            }
        } else if (sideResult != 0) {
            ++summary.abandoned;
        } else {
            ++summary.framesWithoutReservoir;
            ClearLayer3Overlap(state);
        }
        reservoir.insert(reservoir.end(), data + mainStart, data + frameEnd);
        if (reservoir.size() > 4096) reservoir.erase(reservoir.begin(), reservoir.end() - 4096);
        ++summary.frames;
        pos = frameEnd;
    }
    return summary;
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
