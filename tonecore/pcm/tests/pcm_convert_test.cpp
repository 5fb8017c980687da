#include "tonecore/pcm/pcm_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pcm_test_formats.h"

using pcmtest::Bytes16;
using pcmtest::Pcm;
using pcmtest::Samples16;

namespace {

// Converts into a zeroed (silent) destination of room bytes.
std::vector<std::uint8_t> Convert(const std::vector<std::uint8_t>& source, const WAVEFORMATEX& from,
                                  const WAVEFORMATEX& to, std::size_t room) {
    std::vector<std::uint8_t> out(room, to.wBitsPerSample == 8 ? 0x80 : 0);
    out.resize(ConvertAndMixPCM(source.data(), source.size(), &from, out.data(), out.size(), &to));
    return out;
}

}  // namespace

TEST(ConvertAndMixPCM, InterpolatesAsComputedByHand) {
    struct TCase {
        const char* what;
        WAVEFORMATEX from, to;
        std::vector<int> source;  // 16-bit samples
        std::vector<int> expected;
    };
    const TCase cases[] = {
        // Equal rates start one frame behind: output k is input k + 1.
        {"equal", Pcm(44100, 1, 16), Pcm(44100, 1, 16), {1, 2, 3, 4}, {2, 3, 4}},
        // Doubling: midpoint, frame, midpoint, frame...
        {"double", Pcm(22050, 1, 16), Pcm(44100, 1, 16), {0, 100, 200, 300}, {50, 100, 150, 200, 250, 300}},
        // 11025 to 48000: step 30828134 / 2^27 of a frame; the product is
        // shifted down (toward minus infinity).
        {"11025 up", Pcm(11025, 1, 16), Pcm(48000, 1, 16), {0, 1000, 2000}, {229, 459, 689, 918, 1148, 1378, 1607, 1837}},
        {"11025 down", Pcm(11025, 1, 16), Pcm(48000, 1, 16), {0, -1000, -2000}, {-230, -460, -690, -919, -1149, -1379, -1608, -1838}},
        // Halving: every second frame.
        {"halve", Pcm(44100, 1, 16), Pcm(22050, 1, 16), {10, 20, 30, 40, 50, 60}, {30, 50}},
        // Mono to stereo copies the channel; stereo to mono halves each side
        // (-32767 / 2 truncates to -16383).
        {"to stereo", Pcm(8000, 1, 16), Pcm(8000, 2, 16), {7, -9, 11}, {-9, -9, 11, 11}},
        {"to mono", Pcm(8000, 2, 16), Pcm(8000, 1, 16), {0, 0, -32767, 0, 5, 5}, {-16383, 4}},
    };
    for (const TCase& c : cases) {
        const auto out = Convert(Bytes16(c.source), c.from, c.to, 200);
        EXPECT_EQ(Samples16(out, 100), c.expected) << c.what;
    }
}

TEST(ConvertAndMixPCM, EightBitWidthsAndSaturatedMixing) {
    // 8-bit in: (b - 128) x 256; 8-bit out: (v >> 8) + 128.
    const std::vector<std::uint8_t> bytes = {0x80, 0xC0, 0x40, 0x00, 0xFF};
    const auto wide = Convert(bytes, Pcm(8000, 1, 8), Pcm(8000, 1, 16), 100);
    EXPECT_EQ(Samples16(wide, 10), (std::vector<int>{16384, -16384, -32768, 32512}));
    const auto narrow = Convert(Bytes16({0, 300, -300, 32767, -32768}), Pcm(8000, 1, 16),
                                Pcm(8000, 1, 8), 100);
    EXPECT_EQ(narrow, (std::vector<std::uint8_t>{129, 126, 255, 0}));
    // 8-bit stereo from 8-bit mono, 11025 to 22050.
    const auto stereo8 = Convert({0x80, 0x90, 0xA0}, Pcm(11025, 1, 8), Pcm(22050, 2, 8), 100);
    EXPECT_EQ(stereo8, (std::vector<std::uint8_t>{0x88, 0x88, 0x90, 0x90, 0x98, 0x98, 0xA0, 0xA0}));

    // Mixing adds to what is there, limited to the sample range.
    struct TCase {
        WAVEFORMATEX to;
        std::vector<std::uint8_t> existing, expected;
    };
    const TCase mixes[] = {
        {Pcm(8000, 1, 16), Bytes16({30000, -30000}), Bytes16({32767, -32768})},
        {Pcm(8000, 2, 16), Bytes16({30000, 30000, -30000, 0}), Bytes16({32767, 32767, -32768, -10000})},
        {Pcm(8000, 1, 8), {0xF0, 0x10}, {255, 0}},
        {Pcm(8000, 2, 8), {0xF0, 0xF0, 0x10, 0x80}, {255, 255, 0, 0x58}},
    };
    // Equal rates: the frames after the first, (10000, 10000) and
    // (-10000, -10000), are added.
    const auto source = Bytes16({0, 0, 10000, 10000, -10000, -10000});
    for (const TCase& m : mixes) {
        std::vector<std::uint8_t> out = m.existing;
        const WAVEFORMATEX from = Pcm(8000, 2, 16);
        const std::size_t made =
            ConvertAndMixPCM(source.data(), source.size(), &from, out.data(), out.size(), &m.to);
        EXPECT_EQ(made, out.size());
        EXPECT_EQ(out, m.expected) << static_cast<int>(m.to.nChannels) << " x " << static_cast<int>(m.to.wBitsPerSample);
    }
}

TEST(ConvertAndMixPCM, RefusesWhatItCannotRead) {
    const auto source = Bytes16({1, 2, 3});
    std::vector<std::uint8_t> out(16, 0);
    WAVEFORMATEX zero = Pcm(0, 1, 16);
    const WAVEFORMATEX ok = Pcm(8000, 1, 16);
    EXPECT_EQ(ConvertAndMixPCM(source.data(), source.size(), &zero, out.data(), out.size(), &ok), 0u);
    EXPECT_EQ(ConvertAndMixPCM(source.data(), source.size(), &ok, out.data(), out.size(), &zero), 0u);
    // A trailing half frame is never read; the destination's is never written.
    EXPECT_EQ(ConvertAndMixPCM(source.data(), 5, &ok, out.data(), 5, &ok), 2u);
}

TEST(PCMStreamConverter, PiecesGiveWhatOneCallGives) {
    struct TCase {
        WAVEFORMATEX from, to;
    };
    const TCase cases[] = {
        {Pcm(11025, 1, 8), Pcm(48000, 2, 16)}, {Pcm(48000, 2, 16), Pcm(44100, 2, 16)},
        {Pcm(32000, 2, 16), Pcm(44100, 1, 8)}, {Pcm(44100, 2, 16), Pcm(44100, 2, 16)},
        {Pcm(22050, 2, 8), Pcm(11025, 1, 16)},
    };
    std::mt19937 random(12);
    for (const TCase& c : cases) {
        std::vector<std::uint8_t> source(3000 * c.from.nBlockAlign);
        for (auto& b : source) b = static_cast<std::uint8_t>(random());
        const auto whole = Convert(source, c.from, c.to, 20000 * c.to.nBlockAlign);

        // Random source pieces (cutting frames apart) into random, often too
        // small, destination windows; what was not taken is offered again.
        CPCMStreamConverter converter;
        std::vector<std::uint8_t> pieces(whole.size() + 64, c.to.wBitsPerSample == 8 ? 0x80 : 0);
        std::size_t at = 0, made = 0;
        while (at < source.size() && made < whole.size()) {
            const std::size_t length = std::min<std::size_t>(random() % 37 + 1, source.size() - at);
            const std::size_t room = (random() % 9) * c.to.nBlockAlign + random() % 3;
            std::size_t used = 0;
            made += converter.Convert(source.data() + at, length, &c.from, pieces.data() + made,
                                      std::min(room, pieces.size() - made), &c.to, &used);
            at += used;
        }
        pieces.resize(made);
        EXPECT_EQ(pieces, whole) << static_cast<unsigned>(c.from.nSamplesPerSec) << " to "
                                << static_cast<unsigned>(c.to.nSamplesPerSec);

        // After a reset the converter starts afresh.
        converter.Reset();
        std::vector<std::uint8_t> again(whole.size(), c.to.wBitsPerSample == 8 ? 0x80 : 0);
        again.resize(converter.Convert(source.data(), source.size(), &c.from, again.data(),
                                       again.size(), &c.to));
        EXPECT_EQ(again, whole);
    }
}

TEST(PCMStreamConverter, ContinuesAcrossSourceLayoutChanges) {
    // A stream whose frames switch from mono to stereo (as MP3 frames may):
    // the interpolation runs on through the switch, and a cut frame of the
    // old layout is dropped rather than read in the new one.
    const WAVEFORMATEX mono = Pcm(8000, 1, 16);
    const WAVEFORMATEX stereo = Pcm(8000, 2, 16);
    CPCMStreamConverter converter;
    std::vector<std::uint8_t> out(64, 0);
    std::size_t made = 0, used = 0;
    const auto first = Bytes16({1, 2, 99});
    made += converter.Convert(first.data(), 5, &mono, out.data(), out.size(), &stereo, &used);
    EXPECT_EQ(used, 5u);  // the half sample is kept for now
    const auto second = Bytes16({3, 4, 5, 6});
    made += converter.Convert(second.data(), second.size(), &stereo, out.data() + made,
                              out.size() - made, &stereo, &used);
    EXPECT_EQ(used, second.size());
    out.resize(made);
    EXPECT_EQ(Samples16(out, 10), (std::vector<int>{2, 2, 3, 4, 5, 6}));
}
