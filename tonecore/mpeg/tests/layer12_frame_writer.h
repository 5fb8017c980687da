#pragma once
// Test-only layer I and layer II frame writer: turns chosen allocations,
// scale factors and sample codes into complete frames, so that streams no
// encoder at hand makes (layer I, every joint stereo bound, forbidden values)
// can be decoded by this decoder and by the reference program.

#include "tonecore/mpeg/layer12_frame.h"
#include "tonecore/mpeg/layer12_tables.h"
#include "tonecore/mpeg/mpeg_header.h"
#include "tonecore/mpeg/tests/layer3_test_bits.h"

#include <cstdint>
#include <random>
#include <string>

namespace layer3test {

struct TLayer12WriterFrame {
    MpegFrameHeader header;  // layerCode 3 (layer I) or 2 (layer II); no CRC
    std::uint8_t allocation[2][32] = {};
    std::uint8_t scfsi[2][32] = {};               // layer II
    std::uint8_t scaleFactor[2][32][3] = {};      // layer I uses [0]
    std::uint32_t code[2][32][36] = {};           // per sample; layer I uses 12
};

inline MpegFrameHeader Layer12Header(int layer, bool lsf, int sampleRateIndex, int bitrateIndex, std::uint32_t mode,
                                     std::uint32_t modeExtension) {
    MpegFrameHeader h;
    h.version = lsf ? MPEG_VERSION_2 : MPEG_VERSION_1;
    h.layerCode = static_cast<std::uint32_t>(4 - layer);
    h.protection = 1;
    h.bitrateIndex = static_cast<std::uint32_t>(bitrateIndex);
    h.sampleRateIndex = static_cast<std::uint32_t>(sampleRateIndex);
    h.mode = mode;
    h.modeExtension = modeExtension;
    return h;
}

namespace detail {

inline void PutHeader(CBitWriter& w, const MpegFrameHeader& h) {
    // The header's version bits: 11 MPEG-1, 10 MPEG-2, 00 MPEG-2.5.
    const std::uint32_t versionBits = h.version == MPEG_VERSION_1 ? 3 : h.version == MPEG_VERSION_2 ? 2 : 0;
    w.Put(0x7FF, 11).Put(versionBits, 2).Put(h.layerCode, 2).Put(h.protection, 1);
    w.Put(h.bitrateIndex, 4).Put(h.sampleRateIndex, 2).Put(h.padding, 1).Put(0, 1);
    w.Put(h.mode, 2).Put(h.modeExtension, 2).Put(0, 1).Put(1, 1).Put(0, 2);
}

inline int Channels(const MpegFrameHeader& h) { return h.mode == MPEG_MODE_MONO ? 1 : 2; }

}  // namespace detail

// The frame's bytes; empty when the data does not fit the frame.
inline std::string WriteLayer12Frame(const TLayer12WriterFrame& f) {
    const MpegFrameHeader& h = f.header;
    const bool layer1 = MpegLayer(h) == 1;
    const TLayer2AllocationTable& table =
        Layer2AllocationTable(MpegIsLowSampleRate(h), h.sampleRateIndex, Layer2BitrateClass(h));
    const int sblimit = layer1 ? 32 : table.sblimit;
    const int channels = detail::Channels(h);
    const int bound = Layer12JointStereoBound(h, sblimit);
    auto coded = [&](int sb) { return sb < bound ? channels : 1; };
    CBitWriter w;
    detail::PutHeader(w, h);
    for (int sb = 0; sb < sblimit; ++sb) {
        for (int ch = 0; ch < coded(sb); ++ch) w.Put(f.allocation[ch][sb], layer1 ? 4 : table.allocationBits[sb]);
    }
    // From the bound on both channels share the first channel's allocation.
    auto allocated = [&](int ch, int sb) { return f.allocation[sb < bound ? ch : 0][sb]; };
    if (!layer1) {
        for (int sb = 0; sb < sblimit; ++sb) {
            for (int ch = 0; ch < channels; ++ch) {
                if (allocated(ch, sb) != 0) w.Put(f.scfsi[ch][sb], 2);
            }
        }
    }
    for (int sb = 0; sb < sblimit; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            if (allocated(ch, sb) == 0) continue;
            const std::uint8_t* sf = f.scaleFactor[ch][sb];
            if (layer1) {
                w.Put(sf[0], 6);
                continue;
            }
            switch (f.scfsi[ch][sb]) {
                case 0: w.Put(sf[0], 6).Put(sf[1], 6).Put(sf[2], 6); break;
                case 1: w.Put(sf[0], 6).Put(sf[2], 6); break;
                case 2: w.Put(sf[0], 6); break;
                default: w.Put(sf[0], 6).Put(sf[1], 6); break;
            }
        }
    }
    if (layer1) {
        for (int s = 0; s < 12; ++s) {
            for (int sb = 0; sb < sblimit; ++sb) {
                for (int ch = 0; ch < coded(sb); ++ch) {
                    if (f.allocation[ch][sb] != 0) w.Put(f.code[ch][sb][s], f.allocation[ch][sb] + 1);
                }
            }
        }
    } else {
        for (int granule = 0; granule < 12; ++granule) {
            for (int sb = 0; sb < sblimit; ++sb) {
                for (int ch = 0; ch < coded(sb); ++ch) {
                    const int value = f.allocation[ch][sb];
                    if (value == 0) continue;
                    const TLayer2QuantClass& q = kLayer2QuantClass[table.classes[sb][value - 1]];
                    const std::uint32_t* c = f.code[ch][sb] + 3 * granule;
                    if (q.grouped) {
                        w.Put(c[0] + q.steps * (c[1] + q.steps * c[2]), q.bits);
                    } else {
                        w.Put(c[0], q.bits).Put(c[1], q.bits).Put(c[2], q.bits);
                    }
                }
            }
        }
    }
    const std::size_t frameBytes = MpegFrameLength(h);
    if (w.Bytes().size() > frameBytes) return {};
    std::string bytes(w.Bytes().begin(), w.Bytes().end());
    bytes.resize(frameBytes, '\0');
    return bytes;
}

// A frame of random valid values: allocations mostly small (so that the
// frame fits), scale factors 18 to 62, codes within their classes.
inline TLayer12WriterFrame RandomLayer12Frame(std::mt19937& rng, const MpegFrameHeader& header, int largestAllocation) {
    std::uniform_int_distribution<int> any(0, 1 << 20);
    TLayer12WriterFrame f;
    f.header = header;
    const bool layer1 = MpegLayer(header) == 1;
    const TLayer2AllocationTable& table =
        Layer2AllocationTable(MpegIsLowSampleRate(header), header.sampleRateIndex, Layer2BitrateClass(header));
    const int sblimit = layer1 ? 32 : table.sblimit;
    for (int ch = 0; ch < 2; ++ch) {
        for (int sb = 0; sb < sblimit; ++sb) {
            const int fieldMax = layer1 ? 14 : (1 << table.allocationBits[sb]) - 1;
            const int top = std::min(fieldMax, 1 + any(rng) % largestAllocation);
            f.allocation[ch][sb] = static_cast<std::uint8_t>(any(rng) % (top + 1));
            f.scfsi[ch][sb] = static_cast<std::uint8_t>(any(rng) % 4);
            // Gains of 2^-5 and below keep the sum of 32 subbands clear of clipping.
            for (auto& s : f.scaleFactor[ch][sb]) s = static_cast<std::uint8_t>(18 + any(rng) % 45);
            for (int s = 0; s < 36; ++s) {
                // Layer I codes of all ones are forbidden; layer II codes stay below the steps.
                std::uint32_t steps = 0;
                if (layer1) {
                    steps = (1u << (f.allocation[ch][sb] + 1)) - 1;
                } else if (f.allocation[ch][sb] != 0) {
                    steps = kLayer2QuantClass[table.classes[sb][f.allocation[ch][sb] - 1]].steps;
                }
                f.code[ch][sb][s] = steps > 0 ? static_cast<std::uint32_t>(any(rng)) % steps : 0;
            }
        }
    }
    return f;
}

}  // namespace layer3test
