#include "tonecore/mpeg/layer3_granule.h"

#include "tonecore/mpeg/layer3_huffman.h"
#include "tonecore/mpeg/layer3_requantize.h"
#include "tonecore/mpeg/layer3_stereo.h"
#include "tonecore/mpeg/layer3_tables.h"

#include <algorithm>

int DecodeLayer3Granule(const TLayer3FrameInfo& info, const TLayer3SideInfo& side, int gr, CBitReader& mainData,
                        TLayer3ChannelState state[2], TLayer3SubbandSamples& out,
                        const TLayer3GranuleOptions& options, TLayer3GranuleReport* report) {
    const int channels = info.channels == 1 ? 1 : 2;
    const TLayer3BandTable& bands = kLayer3Bands[info.BandTableIndex()];
    TLayer3GranuleChannel granule[2] = {side.granule[gr][0], side.granule[gr][1]};
    float xr[2][kLayer3Lines];
    int nonZeroEnd[2] = {0, 0};

    for (int ch = 0; ch < channels; ++ch) {
        TLayer3GranuleChannel& g = granule[ch];
        const std::size_t start = mainData.BitPosition();
        const std::size_t end = start + g.part23Length;
        // A part2_3_length beyond the main data present cannot be decoded.
        if (end > mainData.SizeBits()) {
            mainData.SetBitPosition(std::min(end, mainData.SizeBits()));
            return kLayer3FrameAbandoned;
        }
        ReadLayer3ScaleFactors(info, gr, ch, side.scfsi[ch], g, mainData, state[ch].scaleFactors);
        int values[kLayer3Lines];
        int result = mainData.BitPosition() > end ? kLayer3FrameAbandoned : 0;
        if (result == 0) result = DecodeLayer3Spectrum(g, mainData, end, values, nonZeroEnd[ch]);
        if (report != nullptr) {
            report->endBitDifference[ch] =
                static_cast<long long>(mainData.BitPosition()) - static_cast<long long>(end);
        }
        // Stuffing bits are skipped and an overrun is stepped back, so the
        // next channel starts where its data was declared to start.
        mainData.SetBitPosition(end);
        if (result != 0) return result;
        RequantizeLayer3(info, g, state[ch].scaleFactors, values, nonZeroEnd[ch], xr[ch]);
    }

    if (channels == 2 && (info.MidSide() || info.Intensity())) {
        // Stereo processing can fill either channel up to the other's extent,
        // and no further: both are zero beyond it.
        const int extent = std::max(nonZeroEnd[0], nonZeroEnd[1]);
        ApplyLayer3Stereo(info, granule[1], state[1].scaleFactors, xr, extent);
        nonZeroEnd[0] = nonZeroEnd[1] = extent;
    }

    for (int ch = 0; ch < channels; ++ch) {
        if ((options.transformMask & (1u << ch)) == 0) continue;
        const TLayer3GranuleChannel& g = granule[ch];
        if (g.ShortBlock()) {
            const TLayer3BandLayout layout = Layer3BandLayout(info, g);
            ReorderLayer3Short(bands, layout.firstShortBand, xr[ch]);
            // Butterflies only between the long subbands of a mixed block.
            if (g.mixedBlock) ReduceLayer3Aliasing(xr[ch], layout.longEnd / 18 - 1);
            // Reordering spreads a short band's three windows over the whole
            // band: the values reach the end of the band where decoding stopped.
            if (nonZeroEnd[ch] > layout.longEnd) {
                int band = layout.firstShortBand;
                while (band < 13 && 3 * static_cast<int>(bands.shortStart[band]) < nonZeroEnd[ch]) ++band;
                nonZeroEnd[ch] = 3 * static_cast<int>(bands.shortStart[band]);
            }
        } else {
            ReduceLayer3Aliasing(xr[ch], kLayer3Subbands - 1);
        }
        // Subbands past the last non-zero value (plus one, which the alias
        // butterflies may have reached) transform to silence.
        int limit = std::min((nonZeroEnd[ch] + 17) / 18 + 1, kLayer3Subbands);
        limit = std::min(limit, options.subbandLimit);
        Layer3HybridSynthesis(g, Layer3MixedLongSubbands(info), xr[ch], limit, state[ch].overlap, out.values[ch]);
    }
    return 0;
}

void ClearLayer3Overlap(TLayer3ChannelState state[2]) {
    state[0].overlap.Clear();
    state[1].overlap.Clear();
}
