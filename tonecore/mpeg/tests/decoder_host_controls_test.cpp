// Host controls: routing, rate reduction and equaliser kept by the decoder
// and handed to the codec (also one chosen later), read back from the
// codec; seeking by fraction, seconds and clock time.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_host_controls.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/mpeg_codec_module.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"

using namespace decodertest;

namespace {

// What the settings codec was given, and what it reports back.
struct TSettingsSeen {
    std::vector<std::uint32_t> masks;
    std::int32_t routing = -1;
    std::int32_t rateReduction = -1;
    bool equalizerSet = false;
    std::vector<std::int8_t> equalizer;  // empty when switched off
    std::int32_t reportedRouting = 0;
    std::vector<float> fractionsAsked;
};

TSettingsSeen& Seen() {
    static TSettingsSeen seen;
    return seen;
}

// The test codec with settings methods and a fraction-to-offset map of f / 2.
DecoderCodecModuleMethods SettingsCodec() {
    DecoderCodecModuleMethods methods = TestCodecMethods();
    methods.setOutputSettings = [](void*, const DecoderOutputSettings* settings, std::uint32_t mask) -> std::int32_t {
        Seen().masks.push_back(mask);
        if (mask & 1) Seen().routing = settings->channelRouting;
        if (mask & 2) Seen().rateReduction = settings->rateReduction;
        if (mask & 4) {
            Seen().equalizerSet = true;
            Seen().equalizer.clear();
            if (settings->equalizer != nullptr) Seen().equalizer.assign(settings->equalizer, settings->equalizer + 64);
        }
        return 0;
    };
    methods.getOutputSettings = [](void*, DecoderOutputSettings* settings, std::uint32_t mask) -> std::int32_t {
        if (mask & 1) settings->channelRouting = Seen().reportedRouting;
        return 0;
    };
    methods.fractionToOffset = [](void*, float fraction) -> float {
        Seen().fractionsAsked.push_back(fraction);
        return fraction / 2;
    };
    return methods;
}

TDecoderPtr MakeSettingsDecoder() {
    Seen() = TSettingsSeen{};
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    const DecoderCodecModuleMethods codec = SettingsCodec();
    DecoderCodecModuleRegister(decoder.get(), &codec);  // probed before the plain test codec
    return decoder;
}

std::vector<std::int8_t> Table(std::int8_t first, std::int8_t last) {
    std::vector<std::int8_t> table(64, 0);
    table[0] = first;
    table[63] = last;
    return table;
}

}  // namespace

TEST(DecoderHostSettings, KeptUntilACodecIsChosenThenPassedOn) {
    TDecoderPtr decoder = MakeSettingsDecoder();
    DecoderControl* control = decoder.get();
    std::vector<std::int8_t> table = Table(12, -7);
    EXPECT_EQ(DecoderSetChannelRouting(control, 2), 0);
    EXPECT_EQ(DecoderSetRateReduction(control, 1), 0);
    EXPECT_EQ(DecoderSetEqualizer(control, table.data()), 0);
    table[0] = 99;  // the decoder keeps its own copy
    EXPECT_TRUE(Seen().masks.empty());

    const std::vector<std::uint8_t> bytes(64, 0);
    ASSERT_EQ(DecoderInputNew(control, StaticName(bytes).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);
    EXPECT_EQ(Seen().masks, (std::vector<std::uint32_t>{7}));
    EXPECT_EQ(Seen().routing, 2);
    EXPECT_EQ(Seen().rateReduction, 1);
    EXPECT_EQ(Seen().equalizer, Table(12, -7));

    // Later changes go to the codec with their own mask.
    Seen().masks.clear();
    EXPECT_EQ(DecoderSetChannelRouting(control, 3), 0);
    EXPECT_EQ(DecoderSetRateReduction(control, 0), 0);
    EXPECT_EQ(DecoderSetEqualizer(control, nullptr), 0);
    EXPECT_EQ(Seen().masks, (std::vector<std::uint32_t>{1, 2, 4}));
    EXPECT_EQ(Seen().routing, 3);
    EXPECT_EQ(Seen().rateReduction, 0);
    EXPECT_TRUE(Seen().equalizer.empty());

    // Values the synthesis does not know are refused before the codec sees them.
    Seen().masks.clear();
    EXPECT_EQ(DecoderSetChannelRouting(control, 4), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderSetChannelRouting(control, -1), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderSetRateReduction(control, 3), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(Seen().masks.empty());

    // The getters ask the codec first.
    Seen().reportedRouting = 1;
    std::int32_t value = -1;
    EXPECT_EQ(DecoderGetChannelRouting(control, &value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(DecoderGetRateReduction(control, &value), 0);
    EXPECT_EQ(value, 0);

    std::int8_t out[64];
    for (auto* call : {+[](DecoderControl* c) { return DecoderSetChannelRouting(c, 0); },
                       +[](DecoderControl* c) { return DecoderSetRateReduction(c, 0); },
                       +[](DecoderControl* c) { return DecoderSetEqualizer(c, nullptr); }}) {
        EXPECT_EQ(call(nullptr), DECODER_ERR_BAD_ARGUMENT);
    }
    EXPECT_EQ(DecoderGetChannelRouting(nullptr, &value), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderGetRateReduction(nullptr, &value), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderGetEqualizer(nullptr, out), DECODER_ERR_BAD_ARGUMENT);
}

TEST(DecoderHostSettings, EqualizerAndRoutingThroughTheMpegCodec) {
    const mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* raw = decoder.get();

    // Before any codec: the kept copy, or zeros.
    std::vector<std::int8_t> table(64, 0);
    const std::int8_t exact[] = {0, 5, 32, 127, -32, -96};  // gains the byte form gives back exactly
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = exact[i % std::size(exact)];
    std::vector<std::int8_t> got(64, 1);
    ASSERT_EQ(DecoderGetEqualizer(raw, got.data()), 0);
    EXPECT_EQ(got, std::vector<std::int8_t>(64, 0));
    ASSERT_EQ(DecoderSetEqualizer(raw, table.data()), 0);
    ASSERT_EQ(DecoderGetEqualizer(raw, got.data()), 0);
    EXPECT_EQ(got, table);

    ASSERT_EQ(DecoderInputNew(raw, "", -1), 0);
    ASSERT_EQ(DecoderInputOpen(raw), 0);
    ASSERT_EQ(DecoderSetChannelRouting(raw, 2), 0);
    std::int32_t routing = 0;
    ASSERT_EQ(DecoderGetChannelRouting(raw, &routing), 0);
    EXPECT_EQ(routing, 2);
    // The codec took the table at selection and gives it back.
    std::fill(got.begin(), got.end(), 1);
    ASSERT_EQ(DecoderGetEqualizer(raw, got.data()), 0);
    EXPECT_EQ(got, table);
    ASSERT_EQ(DecoderSetEqualizer(raw, nullptr), 0);
    ASSERT_EQ(DecoderGetEqualizer(raw, got.data()), 0);
    EXPECT_EQ(got, std::vector<std::int8_t>(64, 0));
}

TEST(DecoderSeeking, FractionSecondsAndClockTime) {
    TDecoderPtr decoder = MakeSettingsDecoder();
    DecoderControl* control = decoder.get();
    TestCodec().probe = [](DecoderStreamInfo* stream) {
        stream->durationMs = 7200000;  // two hours
        return 0;
    };
    const std::vector<std::uint8_t> bytes(1000, 0);
    ASSERT_EQ(DecoderInputNew(control, StaticName(bytes).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);

    // The codec maps f to f / 2 of the file.
    struct TCase {
        const char* name;
        std::int32_t (*seek)(DecoderControl*);
        float fractionAsked;
        std::int64_t position;
    };
    const TCase cases[] = {
        {"half", [](DecoderControl* c) { return DecoderSeekFraction(c, 0.5f); }, 0.5f, 250},
        {"past the end", [](DecoderControl* c) { return DecoderSeekFraction(c, 1.7f); }, 1.0f, 500},
        {"before the start", [](DecoderControl* c) { return DecoderSeekFraction(c, -3.0f); }, 0.0f, 0},
        {"not a number",
         [](DecoderControl* c) { return DecoderSeekFraction(c, std::numeric_limits<float>::quiet_NaN()); }, 0.0f, 0},
        {"1800 s", [](DecoderControl* c) { return DecoderSeekSeconds(c, 1800.0); }, 0.25f, 125},
        {"negative seconds", [](DecoderControl* c) { return DecoderSeekSeconds(c, -10.0); }, 0.0f, 0},
        {"past the duration", [](DecoderControl* c) { return DecoderSeekSeconds(c, 1e9); }, 1.0f, 500},
        {"1:30:00.00",
         [](DecoderControl* c) {
             const DecoderTime t{1, 30, 0, 0};
             return DecoderSeekTime(c, &t);
         },
         0.75f, 375},
        {"0:12:00.50",
         [](DecoderControl* c) {
             const DecoderTime t{0, 12, 0, 50};
             return DecoderSeekTime(c, &t);
         },
         720.5f / 7200.0f, 50},
        {"0:00:36.00",
         [](DecoderControl* c) {
             const DecoderTime t{0, 0, 36, 0};
             return DecoderSeekTime(c, &t);
         },
         0.005f, 2},
    };
    for (const TCase& c : cases) {
        Seen().fractionsAsked.clear();
        control->input->position = 999;
        EXPECT_EQ(c.seek(control), 0) << c.name;
        ASSERT_EQ(Seen().fractionsAsked.size(), 1u) << c.name;
        EXPECT_NEAR(Seen().fractionsAsked[0], c.fractionAsked, 1e-6) << c.name;
        EXPECT_EQ(control->input->position, c.position) << c.name;
    }

    // Without a duration, seconds cannot be placed: the start.
    control->timing->stream.durationMs = 0;
    EXPECT_EQ(DecoderSeekSeconds(control, 5.0), 0);
    EXPECT_EQ(control->input->position, 0);

    EXPECT_EQ(DecoderSeekTime(control, nullptr), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderSeekFraction(nullptr, 0.5f), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderSeekSeconds(nullptr, 1.0), DECODER_ERR_BAD_ARGUMENT);
    // A closed input cannot seek: the input's answer comes back.
    ASSERT_EQ(DecoderInputClose(control), 0);
    EXPECT_EQ(DecoderSeekFraction(control, 0.5f), DECODER_ERR_NO_METHOD);
}
