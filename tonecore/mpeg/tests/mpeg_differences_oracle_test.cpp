// Where this decoder deliberately differs from the reference program, and
// how each difference shows against it: free format is not decoded, the CRC
// is not checked, frames whose reservoir data lies before the start (a seek,
// a cut stream) play as silence, and the encoder's Info frame decodes as a
// silent frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/mpeg_header.h"
#include "tonecore/mpeg/tests/mpeg_fixture_set.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "tonecore/mpeg/tests/pcm_compare.h"

namespace {

using mpegtest::TFixtureEntry;

class MpegDifferences : public mpegtest::CMpegFixtureTest {
protected:
    const TFixtureEntry& Find(const std::string& file) {
        entries_ = mpegtest::ReadManifest(folder_);
        for (const TFixtureEntry& e : entries_) {
            if (e.file == file) return e;
        }
        ADD_FAILURE() << file << " is not in the fixture set";
        entries_.push_back({file, "", 0, "", "", "", ""});
        return entries_.back();
    }

    // Decodes `bytes` with the reference program into 16-bit samples.
    std::vector<std::int16_t> Reference(const std::string& bytes, const std::string& name) {
        const std::string path = scratch_.File(name + ".mp3");
        testsupport::WriteWholeFile(path, bytes);
        EXPECT_TRUE(layer3test::RunCommand(layer3test::ScriptFolderForTests() + "/reference_output.sh " + path + " " +
                                           scratch_.File(name)));
        return pcmcompare::ReadRawS16(scratch_.File(name) + ".s16");
    }

    std::string Write(const std::string& bytes, const std::string& name) {
        const std::string path = scratch_.File(name + ".mp3");
        testsupport::WriteWholeFile(path, bytes);
        return path;
    }

    std::vector<TFixtureEntry> entries_;
    testsupport::TempDir scratch_;
};

struct TFrameAt {
    std::size_t offset;
    std::uint32_t mainDataBegin;
};

// The frames of a stream that starts with a frame and holds nothing else.
std::vector<TFrameAt> Frames(const std::string& bytes) {
    std::vector<TFrameAt> frames;
    std::size_t at = 0;
    while (at + 6 <= bytes.size()) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
        const std::uint32_t word = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
        const MpegFrameHeader header = MpegParseHeader(word);
        if (!MpegHasSync(word) || !MpegHeaderIsValid(header)) break;
        const std::size_t side = at + 4 + (header.protection == 0 ? 2 : 0);
        const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data() + side);
        // main_data_begin: 9 bits (MPEG-1) or 8 bits at the start of the side information.
        const std::uint32_t mainDataBegin = MpegIsLowSampleRate(header) ? s[0] : (std::uint32_t{s[0]} << 1 | s[1] >> 7);
        frames.push_back({at, mainDataBegin});
        at += MpegFrameLength(header);
    }
    return frames;
}

bool AllZero(const std::vector<std::int16_t>& pcm, std::size_t begin, std::size_t end) {
    return std::all_of(pcm.begin() + static_cast<std::ptrdiff_t>(begin), pcm.begin() + static_cast<std::ptrdiff_t>(end),
                       [](std::int16_t v) { return v == 0; });
}

// Within one step of the reference's 16-bit output, at most 1% differing.
void ExpectCloseToReference(const std::vector<std::int16_t>& ours, const std::vector<std::int16_t>& reference,
                            int channels) {
    EXPECT_EQ(ours.size(), reference.size());
    for (int ch = 0; ch < channels; ++ch) {
        const auto d = pcmcompare::CompareS16(ours, reference, channels, ch);
        EXPECT_LE(d.maxAbs * 32768, 1.0) << "channel " << ch;
        EXPECT_LE(d.DifferingShare(), 0.01) << "channel " << ch;
    }
}

}  // namespace

// Free format (bitrate index 0) is not decoded: the decoder finds no frame
// and reaches the end quietly, where the reference decodes the stream.
TEST_F(MpegDifferences, FreeFormatIsNotDecoded) {
    const TFixtureEntry& e = Find("tones-44100-j-cbr128-nocrc-freeformat.mp3");
    const mpegtest::TDecoded ours = mpegtest::DecodeFile(Path(e));
    EXPECT_EQ(ours.openResult, 0);
    EXPECT_TRUE(ours.pcm.empty());
    EXPECT_EQ(ours.endResult, DECODER_ERR_END_OF_INPUT);
    EXPECT_GT(pcmcompare::ReadRawS16(Path(e) + ".s16").size(), 44100u);
}

// A damaged CRC changes nothing: the decoder never compares it, and neither
// does the reference by default, so both outputs stay as they were.
TEST_F(MpegDifferences, CrcIsNotChecked) {
    const TFixtureEntry& e = Find("noise-44100-s-cbr128-crc.mp3");
    std::string bytes = testsupport::ReadWholeFile(Path(e));
    const std::vector<TFrameAt> frames = Frames(bytes);
    ASSERT_GT(frames.size(), 50u);
    for (const TFrameAt& f : frames) {
        bytes[f.offset + 4] = static_cast<char>(bytes[f.offset + 4] ^ 0xff);
        bytes[f.offset + 5] = static_cast<char>(bytes[f.offset + 5] ^ 0x5a);
    }
    const mpegtest::TDecoded intact = mpegtest::DecodeFile(Path(e));
    const mpegtest::TDecoded damaged = mpegtest::DecodeFile(Write(bytes, "damaged"));
    EXPECT_EQ(damaged.framesDropped, 0);
    EXPECT_EQ(damaged.pcm, intact.pcm);
    const std::vector<std::int16_t> reference = Reference(bytes, "damaged");
    EXPECT_EQ(reference, pcmcompare::ReadRawS16(Path(e) + ".s16"));
    ExpectCloseToReference(damaged.pcm, reference, 2);
}

// A stream cut where the next frame's main data begins in the frame before
// plays that frame as silence (the reference does the same), and the frames
// after it as the reference does. A seek to that frame in the whole stream
// gives exactly the cut stream's output.
TEST_F(MpegDifferences, FramesWithoutTheirReservoirPlayAsSilence) {
    const TFixtureEntry& e = Find("sweep-44100-j-vbr2-nocrc.mp3");
    const std::string bytes = testsupport::ReadWholeFile(Path(e));
    const std::vector<TFrameAt> frames = Frames(bytes);
    std::size_t k = 10;
    while (k < frames.size() && frames[k].mainDataBegin == 0) ++k;
    ASSERT_LT(k + 10, frames.size());
    const std::string cut = bytes.substr(frames[k].offset);
    const std::size_t frameSamples = 2 * 1152;

    const mpegtest::TDecoded ours = mpegtest::DecodeFile(Write(cut, "cut"));
    ASSERT_EQ(ours.frameSamples.size(), frames.size() - k);
    const std::vector<std::int16_t> reference = Reference(cut, "cut");
    ExpectCloseToReference(ours.pcm, reference, 2);
    // The leading silent frames: the first one at least, then frames until
    // the reservoir holds what they reach back for; the same in both.
    const auto silentFrames = [&](const std::vector<std::int16_t>& pcm) {
        std::size_t n = 0;
        while ((n + 1) * frameSamples <= pcm.size() && AllZero(pcm, n * frameSamples, (n + 1) * frameSamples)) ++n;
        return n;
    };
    EXPECT_GE(silentFrames(ours.pcm), 1u);
    EXPECT_LT(silentFrames(ours.pcm), 10u);  // main_data_begin reaches back 511 bytes at most
    EXPECT_EQ(silentFrames(ours.pcm), silentFrames(reference));

    // The same through a seek in the middle of decoding the whole stream.
    mpegtest::TDecoded seeking;
    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(FileInputModuleGetMethods);
    ASSERT_EQ(DecoderInputNew(decoder.get(), Path(e).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(mpegtest::DecodeOne(decoder.get(), {}, seeking), 0);
    ASSERT_EQ(decoder->services.SeekInput(decoder.get(), static_cast<std::int64_t>(frames[k].offset)), 0);
    seeking.pcm.clear();
    while (mpegtest::DecodeOne(decoder.get(), {}, seeking) == 0) {
    }
    EXPECT_EQ(seeking.pcm, ours.pcm);
}

// The encoder's Info frame (its tag) is decoded as an ordinary frame of
// silence: the reference gives the same only when told to decode it
// (--no-infoframe, as the fixtures are made); by default it skips that frame
// and gives one frame less. The tag still sets the stream's duration and
// bitrate, and turns off republishing per frame.
TEST_F(MpegDifferences, InfoFrameDecodesAsSilence) {
    const TFixtureEntry& e = Find("sweep-44100-j-cbr128-nocrc-infotag.mp3");
    const mpegtest::TDecoded ours = mpegtest::DecodeFile(Path(e));
    const std::vector<std::int16_t> reference = pcmcompare::ReadRawS16(Path(e) + ".s16");
    ExpectCloseToReference(ours.pcm, reference, 2);
    EXPECT_TRUE(AllZero(ours.pcm, 0, 2 * 1152));

    const std::string skipped = scratch_.File("skipped.s16");
    ASSERT_TRUE(layer3test::RunCommand("sh -c 'mpg123 -q --no-gapless --cpu generic -e s16 -s " + Path(e) + " > " +
                                       skipped + "'"));
    EXPECT_EQ(pcmcompare::ReadRawS16(skipped).size() + 2 * 1152, ours.pcm.size());

    const std::uint32_t frames = static_cast<std::uint32_t>(ours.frameSamples.size()) - 1;  // after the tag
    EXPECT_EQ(ours.stream.durationMs, frames * 1152ull * 1000 / 44100);
    EXPECT_EQ(ours.stream.sampleRate, 44100u);
    EXPECT_EQ(ours.stream.channels, 2u);
    const auto fileBytes = static_cast<std::uint64_t>(testsupport::ReadWholeFile(Path(e)).size());
    EXPECT_EQ(ours.stream.bitrateKbps, fileBytes * 8 / ours.stream.durationMs);
    // Every frame after the first kept the stream information as it was.
    EXPECT_EQ(ours.stream.flags & (DECODER_STREAM_PROPERTIES | DECODER_STREAM_TIMING), 0u);
}
