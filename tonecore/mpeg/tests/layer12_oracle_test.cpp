// Layers I and II against the reference program: layer II streams made by
// two encoders at every MPEG-1 and lower sample rate, mode and bitrate class
// (with and without CRC), and layer I streams of random valid frames from the
// test writer with every joint stereo bound, held to the accuracy limits of
// layer III.

#include "tonecore/mpeg/tests/layer12_frame_writer.h"
#include "tonecore/mpeg/tests/layer3_test_stream.h"
#include "tonecore/mpeg/tests/written_stream_decode.h"
#include "testsupport/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace layer3test;

// Holds every channel of a stream's two decodings to the accuracy limits.
void ExpectStreamMatches(const std::string& stream, int channels, const std::string& label) {
    TBothDecoded both;
    ASSERT_TRUE(DecodeWithBoth(stream, both));
    ASSERT_FALSE(both.reference.empty());
    ASSERT_EQ(both.ours.pcm.size(), both.reference.size());
    EXPECT_EQ(both.ours.channels, static_cast<std::uint32_t>(channels));
    for (int ch = 0; ch < channels; ++ch) ExpectFullAccuracy(both, channels, ch, label);
}

}  // namespace

TEST(Layer2Encoded, EveryRateModeAndTableMatchesTheReference) {
    if (!HaveTools({"mpg123", "sox", "twolame"})) GTEST_SKIP() << "mpg123, sox and twolame are needed";
    struct TCase {
        int rate;
        const char* mode;  // twolame's s, j, d, m
        int kbps;
        bool crc;
    };
    // Bitrates per rate reach every allocation table: 3-B.2c/d at 32 and
    // 48 kbit/s per channel, 3-B.2a from 56 to 80, 3-B.2b (not at 48 kHz)
    // from 96; the lower rates' one table.
    const TCase cases[] = {
        {44100, "m", 32, false}, {44100, "m", 64, true},  {44100, "s", 192, false}, {44100, "j", 64, false},
        {44100, "j", 256, true}, {44100, "d", 384, false}, {48000, "m", 48, false},  {48000, "j", 96, true},
        {48000, "s", 320, false}, {32000, "m", 32, false}, {32000, "j", 64, true},  {32000, "s", 160, false},
        {32000, "d", 256, false}, {22050, "m", 8, false},  {22050, "j", 64, true},  {24000, "s", 96, false},
        {16000, "d", 32, false},  {16000, "j", 24, true},
    };
    for (const TCase& c : cases) {
        const std::string label = std::to_string(c.rate) + " " + c.mode + " " + std::to_string(c.kbps) +
                                  (c.crc ? " crc" : "");
        SCOPED_TRACE(label);
        testsupport::TempDir dir;
        const int channels = std::string(c.mode) == "m" ? 1 : 2;
        // A chord with noise: every subband carries something.
        ASSERT_TRUE(RunCommand("sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(channels) + " -b 16 " +
                               dir.File("in.wav") + " synth 0.4 sine 330 sine 2500 whitenoise vol 0.5"));
        ASSERT_TRUE(RunCommand("twolame --quiet -b " + std::to_string(c.kbps) + " -m " + c.mode + (c.crc ? " -p " : " ") +
                               dir.File("in.wav") + " " + dir.File("out.mp2")));
        ExpectStreamMatches(testsupport::ReadWholeFile(dir.File("out.mp2")), channels, "twolame " + label);
    }
}

TEST(Layer2Encoded, SecondEncoderMatchesTheReference) {
    if (!HaveTools({"mpg123", "ffmpeg"})) GTEST_SKIP() << "mpg123 and ffmpeg are needed";
    struct TCase {
        int rate;
        int channels;
        int kbps;
    };
    const TCase cases[] = {{44100, 2, 192}, {48000, 1, 64}, {32000, 2, 96}, {22050, 2, 64}, {16000, 1, 32}};
    for (const TCase& c : cases) {
        const std::string label = "ffmpeg " + std::to_string(c.rate) + " " + std::to_string(c.channels) + "ch " +
                                  std::to_string(c.kbps);
        SCOPED_TRACE(label);
        testsupport::TempDir dir;
        ASSERT_TRUE(RunCommand("ffmpeg -nostdin -loglevel error -f lavfi -i 'sine=frequency=440:duration=0.4' -f lavfi "
                               "-i 'anoisesrc=duration=0.4:amplitude=0.2' -filter_complex amix=inputs=2 -ar " +
                               std::to_string(c.rate) + " -ac " + std::to_string(c.channels) + " -c:a mp2 -b:a " +
                               std::to_string(c.kbps) + "k " + dir.File("out.mp2")));
        ExpectStreamMatches(testsupport::ReadWholeFile(dir.File("out.mp2")), c.channels, label);
    }
}

// Layer I has no encoder at hand: random valid frames at every MPEG-1 and
// lower rate, in every mode and every joint stereo bound (4, 8, 12, 16).
// Layer II frames of the same kind reach the bounds past the 8 and 12 coded
// subbands of the lowest bitrates, which the encoders at hand avoid.
TEST(Layer12Written, RandomFramesAtEveryRateAndBoundMatchTheReference) {
    if (!HaveTools({"mpg123"})) GTEST_SKIP() << "mpg123 is needed";
    struct TCase {
        int layer;
        bool lsf;
        int sampleRateIndex;
        int bitrateIndex;
        std::uint32_t mode;
        std::uint32_t modeExtension;
    };
    const TCase cases[] = {
        {1, false, 0, 14, MPEG_MODE_STEREO, 0},       {1, false, 1, 14, MPEG_MODE_JOINT_STEREO, 0},
        {1, false, 2, 14, MPEG_MODE_JOINT_STEREO, 1}, {1, false, 0, 14, MPEG_MODE_JOINT_STEREO, 2},
        {1, false, 1, 14, MPEG_MODE_JOINT_STEREO, 3}, {1, false, 2, 14, MPEG_MODE_MONO, 0},
        {1, false, 0, 14, MPEG_MODE_DUAL_CHANNEL, 0}, {1, true, 0, 14, MPEG_MODE_JOINT_STEREO, 1},
        {1, true, 1, 14, MPEG_MODE_MONO, 0},          {1, true, 2, 14, MPEG_MODE_STEREO, 0},
        {2, false, 0, 4, MPEG_MODE_JOINT_STEREO, 2},  {2, false, 2, 4, MPEG_MODE_JOINT_STEREO, 3},
        {2, false, 1, 14, MPEG_MODE_JOINT_STEREO, 1}, {2, true, 1, 14, MPEG_MODE_JOINT_STEREO, 3},
    };
    std::mt19937 rng(23);
    for (const TCase& c : cases) {
        const std::string label = "layer " + std::to_string(c.layer) + (c.lsf ? " lsf" : "") + " rate " +
                                  std::to_string(c.sampleRateIndex) + " mode " + std::to_string(c.mode) + " ext " +
                                  std::to_string(c.modeExtension);
        SCOPED_TRACE(label);
        const MpegFrameHeader header =
            Layer12Header(c.layer, c.lsf, c.sampleRateIndex, c.bitrateIndex, c.mode, c.modeExtension);
        std::string stream;
        for (int frames = 0; frames < 12;) {
            const std::string bytes = WriteLayer12Frame(RandomLayer12Frame(rng, header, 6));
            if (bytes.empty()) continue;  // too much data for the frame: draw again
            stream += bytes;
            ++frames;
        }
        ExpectStreamMatches(stream, c.mode == MPEG_MODE_MONO ? 1 : 2, label);
    }
}
