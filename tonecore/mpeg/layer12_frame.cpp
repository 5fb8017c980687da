#include "tonecore/mpeg/layer12_frame.h"

#include <algorithm>

#include "tonecore/mpeg/layer12_tables.h"

namespace {

constexpr int kSubbands = 32;

// A requantised sample before scaling: ISO/IEC 11172-3's C x (s''' + D)
// with s''' the code read as a fraction after inverting its top bit, which
// for every class comes to (2 code - (steps - 1)) / steps.
inline double Requantize(std::uint32_t code, std::uint32_t steps) {
    return (2.0 * code - (steps - 1.0)) / steps;
}

struct TFrameLayout {
    int channels = 1;
    int bound = 0;    // first shared subband
    int sblimit = 0;  // coded subbands
    int fedSubbands = kSubbands;  // subbands fed to the filterbank under rate reduction
};

TFrameLayout Layout(const TMpegLayerFrame& frame, int sblimit) {
    TFrameLayout layout;
    layout.channels = frame.header->mode == MPEG_MODE_MONO ? 1 : 2;
    layout.sblimit = sblimit;
    layout.bound = Layer12JointStereoBound(*frame.header, sblimit);
    layout.fedSubbands = kSubbands >> frame.output->Synthesis(0).RateReduction();
    return layout;
}

// Channels that read their own field in subband `sb`: both below the bound,
// the first alone (for both) from the bound on.
inline int CodedChannels(const TFrameLayout& layout, int sb) {
    return sb < layout.bound ? layout.channels : 1;
}

// Reads the allocation fields; from the bound on one field serves both channels.
template <typename BitsOf>
void ReadAllocation(CBitReader& bits, const TFrameLayout& layout, std::uint8_t allocation[2][kSubbands],
                    BitsOf bitsOf) {
    for (int sb = 0; sb < layout.sblimit; ++sb) {
        for (int ch = 0; ch < CodedChannels(layout, sb); ++ch) {
            allocation[ch][sb] = static_cast<std::uint8_t>(bits.ReadBits(bitsOf(sb)));
        }
        if (sb >= layout.bound) allocation[1][sb] = allocation[0][sb];
    }
}

// ---- layer I ----------------------------------------------------------------

void DecodeLayer1Frame(void* /*state*/, TMpegLayerFrame& frame) {
    CBitReader& bits = frame.reader->Bits();
    const TFrameLayout layout = Layout(frame, kSubbands);
    std::uint8_t allocation[2][kSubbands] = {};
    ReadAllocation(bits, layout, allocation, [](int) { return 4; });
    float gain[2][kSubbands] = {};
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < layout.channels; ++ch) {
            // 15 is a forbidden allocation value.
            if (allocation[ch][sb] == 15) DecoderAbortFrame(frame.control);
        }
    }
    for (int sb = 0; sb < kSubbands; ++sb) {
        for (int ch = 0; ch < layout.channels; ++ch) {
            if (allocation[ch][sb] == 0) continue;
            const std::uint32_t index = bits.ReadBits(6);
            // 63 is a forbidden scale factor index.
            if (index == 63) DecoderAbortFrame(frame.control);
            gain[ch][sb] = Layer12ScaleFactorGain(index);
        }
    }
    float slot[2][kSubbands];
    for (int s = 0; s < 12; ++s) {
        std::fill(&slot[0][0], &slot[0][0] + 2 * kSubbands, 0.0f);
        for (int sb = 0; sb < kSubbands; ++sb) {
            for (int ch = 0; ch < CodedChannels(layout, sb); ++ch) {
                const int nb = allocation[ch][sb] + 1;
                if (nb == 1) continue;
                const double value = Requantize(bits.ReadBits(nb), (1u << nb) - 1);
                slot[ch][sb] = static_cast<float>(value * gain[ch][sb]);
                if (sb >= layout.bound && layout.channels == 2) {
                    slot[1][sb] = static_cast<float>(value * gain[1][sb]);
                }
            }
        }
        for (int ch = 0; ch < 2; ++ch) std::fill(slot[ch] + layout.fedSubbands, slot[ch] + kSubbands, 0.0f);
        frame.output->Slot(slot[0], slot[1]);
    }
}

// ---- layer II ---------------------------------------------------------------

// Scale factor selection information: which of the three parts' scale
// factors are sent (0: all three; 1: the first serves parts one and two; 2:
// one for all; 3: the second serves parts two and three). Gives each part's
// gain over the class's steps, by which the samples' numerators are
// multiplied.
void ReadLayer2ScaleFactors(CBitReader& bits, std::uint32_t selection, double steps, double scales[3]) {
    std::uint32_t index[3];
    switch (selection) {
        case 0:
            for (std::uint32_t& i : index) i = bits.ReadBits(6);
            break;
        case 1:
            index[0] = index[1] = bits.ReadBits(6);
            index[2] = bits.ReadBits(6);
            break;
        case 2:
            index[0] = index[1] = index[2] = bits.ReadBits(6);
            break;
        default:
            index[0] = bits.ReadBits(6);
            index[1] = index[2] = bits.ReadBits(6);
            break;
    }
    // An index of 63 is not refused: it silences its part (gain 0).
    for (int part = 0; part < 3; ++part) scales[part] = Layer12ScaleFactorGain(index[part]) / steps;
}

// Three consecutive samples of one subband as the numerators 2 code -
// (steps - 1) of Requantize (the caller divides by the steps): one code word
// split into three values for the grouped classes (by constant divisors),
// else three codes.
template <std::uint32_t kSteps>
void SplitGroup(std::uint32_t word, int out[3]) {
    for (int i = 0; i < 3; ++i) {
        out[i] = 2 * static_cast<int>(word % kSteps) - static_cast<int>(kSteps - 1);
        word /= kSteps;
    }
}

void ReadLayer2Triple(CBitReader& bits, const TLayer2QuantClass& q, int out[3]) {
    if (q.grouped) {
        const std::uint32_t word = bits.ReadBits(q.bits);
        if (q.steps == 3) {
            SplitGroup<3>(word, out);
        } else if (q.steps == 5) {
            SplitGroup<5>(word, out);
        } else {
            SplitGroup<9>(word, out);
        }
        return;
    }
    for (int i = 0; i < 3; ++i) out[i] = 2 * static_cast<int>(bits.ReadBits(q.bits)) - static_cast<int>(q.steps - 1);
}

void DecodeLayer2Frame(void* /*state*/, TMpegLayerFrame& frame) {
    const MpegFrameHeader& header = *frame.header;
    const TLayer2AllocationTable& table =
        Layer2AllocationTable(MpegIsLowSampleRate(header), header.sampleRateIndex, Layer2BitrateClass(header));
    CBitReader& bits = frame.reader->Bits();
    const TFrameLayout layout = Layout(frame, table.sblimit);
    std::uint8_t allocation[2][kSubbands] = {};
    ReadAllocation(bits, layout, allocation, [&](int sb) { return table.allocationBits[sb]; });

    std::uint32_t selection[2][kSubbands] = {};
    for (int sb = 0; sb < layout.sblimit; ++sb) {
        for (int ch = 0; ch < layout.channels; ++ch) {
            if (allocation[ch][sb] != 0) selection[ch][sb] = bits.ReadBits(2);
        }
    }
    double scale[2][kSubbands][3] = {};
    for (int sb = 0; sb < layout.sblimit; ++sb) {
        for (int ch = 0; ch < layout.channels; ++ch) {
            const int value = allocation[ch][sb];
            if (value == 0) continue;
            const double steps = kLayer2QuantClass[table.classes[sb][value - 1]].steps;
            ReadLayer2ScaleFactors(bits, selection[ch][sb], steps, scale[ch][sb]);
        }
    }

    // A local reader stays in registers through the samples.
    CBitReader samples = bits;
    float slots[3][2][kSubbands];
    for (int granule = 0; granule < 12; ++granule) {
        const int part = granule / 4;
        std::fill(&slots[0][0][0], &slots[0][0][0] + 3 * 2 * kSubbands, 0.0f);
        for (int sb = 0; sb < layout.sblimit; ++sb) {
            for (int ch = 0; ch < CodedChannels(layout, sb); ++ch) {
                const int value = allocation[ch][sb];
                if (value == 0) continue;
                const TLayer2QuantClass& q = kLayer2QuantClass[table.classes[sb][value - 1]];
                int numerators[3];
                ReadLayer2Triple(samples, q, numerators);
                for (int i = 0; i < 3; ++i) slots[i][ch][sb] = static_cast<float>(numerators[i] * scale[ch][sb][part]);
                if (sb >= layout.bound && layout.channels == 2) {
                    for (int i = 0; i < 3; ++i) slots[i][1][sb] = static_cast<float>(numerators[i] * scale[1][sb][part]);
                }
            }
        }
        for (auto& slot : slots) {
            for (int ch = 0; ch < 2; ++ch) std::fill(slot[ch] + layout.fedSubbands, slot[ch] + kSubbands, 0.0f);
            frame.output->Slot(slot[0], slot[1]);
        }
    }
    bits = samples;
}

}  // namespace

int Layer12JointStereoBound(const MpegFrameHeader& header, int sblimit) {
    if (header.mode != MPEG_MODE_JOINT_STEREO) return sblimit;
    return std::min(4 + 4 * static_cast<int>(header.modeExtension), sblimit);
}

std::uint32_t Layer2BitrateClass(const MpegFrameHeader& header) {
    if (header.mode == MPEG_MODE_MONO) return header.bitrateIndex;
    return header.bitrateIndex <= 4 ? 1 : header.bitrateIndex - 4;
}

TMpegLayerDecoder Layer1LayerDecoder() {
    return TMpegLayerDecoder{nullptr, DecodeLayer1Frame, nullptr};
}

TMpegLayerDecoder Layer2LayerDecoder() {
    return TMpegLayerDecoder{nullptr, DecodeLayer2Frame, nullptr};
}
