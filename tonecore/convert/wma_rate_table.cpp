#include "tonecore/convert/wma_rate_table.h"

#include <algorithm>
#include <array>

#include "tonecore/convert/conv2file_format.h"

namespace {

// The encoder's WMA offers per rate (kbps): channel rule, mono and stereo
// minimum, maximum and default.
constexpr std::array<TWMARateRow, 7> kRows{{
    {44100, kWMAChannelsEither, 32, 32, 48, 192, 48, 160},
    {48000, kWMAStereoOnly, 128, 128, 192, 192, 192, 192},
    {32000, kWMAChannelsEither, 20, 32, 20, 48, 20, 48},
    {22050, kWMAChannelsEither, 16, 22, 20, 32, 20, 32},
    {16000, kWMAChannelsEither, 10, 20, 20, 20, 20, 20},
    {11025, kWMAMonoOnly, 8, 8, 8, 8, 8, 8},
    {8000, kWMAChannelsEither, 5, 12, 8, 12, 8, 12},
}};

// Applies a row's forced channel count; true when it forced one.
bool ForceChannels(const TWMARateRow& row, CConv2FileFormat* f) {
    if (row.channelRule == kWMAChannelsEither) return false;
    f->nChannels = static_cast<std::uint16_t>(row.channelRule == kWMAMonoOnly ? 1 : 2);
    return true;
}

// The rate fix and the rate's row; -1 when it has none.
int FixRateAndFindRow(CConv2FileFormat* f) {
    f->nSamplesPerSec = static_cast<std::uint32_t>(NaturalWMARate(static_cast<std::int32_t>(f->nSamplesPerSec)));
    return WMARateRowIndex(static_cast<std::int32_t>(f->nSamplesPerSec));
}

}  // namespace

std::span<const TWMARateRow> WMARateRows() { return kRows; }

int WMARateRowIndex(std::int32_t rate) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].rate == rate) return static_cast<int>(i);
    }
    return -1;
}

std::int32_t NaturalWMARate(std::int32_t rate) {
    if (rate == 24000) return 22050;
    if (rate == 12000) return 11025;
    return rate;
}

int MakeMostNaturalWMABitrateFromC2FFSettings(CConv2FileFormat* f) {
    if (f == nullptr) return -1;
    const int index = FixRateAndFindRow(f);
    if (index < 0) return -1;
    const TWMARateRow& row = kRows[static_cast<std::size_t>(index)];
    ForceChannels(row, f);
    const std::int32_t channels = f->nChannels == 1 ? 1 : 2;
    f->bitrate = f->bitrate == 0 ? row.Default(channels) : std::clamp(f->bitrate, row.Min(channels), row.Max(channels));
    return index;
}

int FitWMAChannelsToBitrate(CConv2FileFormat* f) {
    if (f == nullptr) return -1;
    const int index = FixRateAndFindRow(f);
    if (index < 0) return -1;
    const TWMARateRow& row = kRows[static_cast<std::size_t>(index)];
    if (ForceChannels(row, f)) return index;
    const bool stereo = f->bitrate >= row.stereoMin && f->bitrate <= row.stereoMax;
    const bool mono = f->bitrate >= row.monoMin && f->bitrate <= row.monoMax;
    if (!stereo && !mono) return -1;
    if (stereo != mono) f->nChannels = static_cast<std::uint16_t>(stereo ? 2 : 1);
    return index;
}
