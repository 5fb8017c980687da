#pragma once
// The rates a WMA file may have, with the bitrates the encoder offers at
// each for mono and stereo, and the rules that fit a target's rate,
// channels and bitrate to them.

#include <cstdint>
#include <span>

class CConv2FileFormat;

struct TWMARateRow {
    std::int32_t rate;
    std::int32_t channelRule;  // 0 either, 1 mono only, 2 stereo only
    std::int32_t monoMin;      // kbps
    std::int32_t stereoMin;
    std::int32_t monoMax;
    std::int32_t stereoMax;
    std::int32_t monoDefault;
    std::int32_t stereoDefault;

    std::int32_t Min(std::int32_t channels) const { return channels == 1 ? monoMin : stereoMin; }
    std::int32_t Max(std::int32_t channels) const { return channels == 1 ? monoMax : stereoMax; }
    std::int32_t Default(std::int32_t channels) const { return channels == 1 ? monoDefault : stereoDefault; }
};

inline constexpr std::int32_t kWMAChannelsEither = 0;
inline constexpr std::int32_t kWMAMonoOnly = 1;
inline constexpr std::int32_t kWMAStereoOnly = 2;

// The rows in the table's order
// (44100, 48000, 32000, 22050, 16000, 11025, 8000).
std::span<const TWMARateRow> WMARateRows();
// The row index of the rate, or -1.
int WMARateRowIndex(std::int32_t rate);
// 24000 Hz becomes 22050 and 12000 becomes 11025; others stay.
std::int32_t NaturalWMARate(std::int32_t rate);

// Fits f's channels and bitrate to its rate's row: the rate fix above, a
// forced channel count, the bitrate clamped to the row's range for the
// channels (0 becomes the row's default). The row index, or -1 when the rate
// has none (f's rate is then fixed only).
int MakeMostNaturalWMABitrateFromC2FFSettings(CConv2FileFormat* f);
// The radio buttons' fit: the channels follow the bitrate. A forced count
// is applied; otherwise the bitrate must lie in the stereo or the mono range
// (else -1), and when it lies in only one that count is taken. The row
// index, or -1.
int FitWMAChannelsToBitrate(CConv2FileFormat* f);
