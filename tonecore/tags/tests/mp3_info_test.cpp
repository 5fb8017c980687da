// The MP3 file summary: frame headers, the scan of the first frames behind
// a tag, Xing headers, the ID3 v1 tag at the end and the numbers derived
// from them.
#include "tonecore/tags/mp3_info.h"
#include "tonecore/load/mp3_source_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filekit/mem_obj.h"
#include "filekit/tests/chunk_builder.h"
#include "tonecore/tags/tests/id3_test_bytes.h"

namespace {

struct THeader {
    int version = 3;  // index: 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
    int layer = 1;    // index: 1 layer III, 2 layer II, 3 layer I
    int bitrate = 9;  // index
    int rate = 0;     // index
    int padding = 0;
    int mode = 0;
    int emphasis = 0;

    std::string Bytes() const {
        const std::uint32_t word = 0xFFE00000u | static_cast<std::uint32_t>(version) << 19 |
                                   static_cast<std::uint32_t>(layer) << 17 | 1u << 16 |
                                   static_cast<std::uint32_t>(bitrate) << 12 | static_cast<std::uint32_t>(rate) << 10 |
                                   static_cast<std::uint32_t>(padding) << 9 | static_cast<std::uint32_t>(mode) << 6 |
                                   static_cast<std::uint32_t>(emphasis);
        return id3test::Be32(word);
    }
    CFrameHeader Loaded() const {
        CFrameHeader header;
        header.loadHeader(Bytes().data());
        return header;
    }
};

// A frame of the header's length with zero data (and an optional tag after
// the side information).
std::string Frame(const THeader& h, const std::string& inside = {}) {
    const int length = h.Loaded().getFrameLength();
    std::string frame = h.Bytes() + inside;
    frame.resize(static_cast<std::size_t>(length), '\0');
    return frame;
}

std::string Frames(const THeader& h, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += Frame(h);
    return out;
}

// The summary of a memory file.
struct TLoaded {
    explicit TLoaded(const std::string& bytes) {
        mem = chunk_builder::MemStream(bytes);
        result = info.loadInfo(mem);
    }
    ~TLoaded() { DeleteRefObject(&mem); }
    CMemObj* mem = nullptr;
    CMP3Info info;
    int result = -1;
};

TEST(FrameHeader, FieldsValidityAndLengths) {
    struct TCase {
        THeader h;
        int valid;
        float version;
        int layer;
        int kbps;
        int hz;
        int length;
    };
    const TCase cases[] = {
        {{3, 1, 9, 0, 0}, 1, 1.0f, 3, 128, 44100, 417},
        {{3, 1, 9, 0, 1}, 1, 1.0f, 3, 128, 44100, 418},
        {{3, 2, 10, 1, 0}, 1, 1.0f, 2, 192, 48000, 576},
        {{3, 3, 4, 0, 0}, 1, 1.0f, 1, 128, 44100, 136},
        {{2, 1, 8, 1, 0}, 1, 2.0f, 3, 64, 24000, 192},  // 576 samples: half an MPEG 1 frame
        {{2, 1, 8, 0, 1}, 1, 2.0f, 3, 64, 22050, 209},
        {{0, 1, 4, 2, 0}, 1, 2.5f, 3, 32, 8000, 288},
        {{1, 1, 9, 0, 0}, 0, 0.0f, 3, 0, 0, 0},  // reserved version
        {{3, 0, 9, 0, 0}, 0, 1.0f, 4, 0, 44100, 0},  // reserved layer
        {{3, 1, 15, 0, 0}, 0, 1.0f, 3, 0, 44100, 0},
        {{3, 1, 0, 0, 0}, 0, 1.0f, 3, 0, 44100, 0},
        {{3, 1, 9, 3, 0}, 0, 1.0f, 3, 128, 0, 0},
        {{3, 1, 9, 0, 0, 0, 2}, 0, 1.0f, 3, 128, 44100, 417},  // emphasis 2 is reserved
    };
    for (const TCase& c : cases) {
        const CFrameHeader header = c.h.Loaded();
        SCOPED_TRACE(testing::Message() << std::hex << header.Word());
        EXPECT_EQ(header.isValidHeader(), c.valid);
        EXPECT_EQ(header.getVersion(), c.version);
        EXPECT_EQ(header.getLayer(), c.layer);
        EXPECT_EQ(header.getBitrate(), c.kbps);
        EXPECT_EQ(header.getFrequency(), c.hz);
        EXPECT_EQ(header.getFrameLength(), c.length);
    }
    char mode[32];
    THeader mono;
    mono.mode = 3;
    mono.Loaded().getMode(mode, sizeof mode);
    EXPECT_STREQ(mode, "Single Channel");
}

TEST(Mp3Info, ScansBehindTheTagAndPastGarbage) {
    const std::string tag = id3test::Tag(3, id3test::Frame23("TIT2", id3test::Latin1("x")), 990);  // 1000 bytes
    const std::string garbage = "\xFF\x00\x12\xFF\xE0" + std::string(32, '\x55');
    THeader h;  // MPEG 1 layer III, 128 kbit/s, 44100 Hz, stereo
    THeader padded = h;
    padded.padding = 1;
    std::string frames;
    for (int i = 0; i < 12; ++i) frames += Frame(i % 3 == 0 ? padded : h);
    TLoaded loaded(tag + garbage + frames);
    ASSERT_EQ(loaded.result, 0);
    const CMP3Info& info = loaded.info;
    EXPECT_EQ(info.DataStart(), 1000 + static_cast<std::int64_t>(garbage.size()));
    EXPECT_EQ(info.GetTagType(), 2);
    EXPECT_EQ(info.GetTagSize(), 990);
    EXPECT_FALSE(info.isVBitRate());
    EXPECT_EQ(info.BestBitrate(), 128);
    EXPECT_EQ(info.BestSamplingRate(), 44100);
    EXPECT_EQ(info.BestMode(), 0);
    EXPECT_EQ(info.BestNumChannels(), 2);
    EXPECT_EQ(info.DataEnd(), info.getFileSize());
    char version[32];
    info.getVersion(version, sizeof version);
    EXPECT_STREQ(version, "MPEG 1 Layer III");
}

TEST(Mp3Info, VariableBitrateAndModeShowInTheScan) {
    THeader stereo;
    THeader joint = stereo;
    joint.mode = 1;
    THeader faster = stereo;
    faster.bitrate = 11;  // 192 kbit/s
    struct TCase {
        std::string frames;
        bool vbr;
        int bestBitrate;
        int bestMode;
    };
    const TCase cases[] = {
        {Frames(stereo, 3) + Frame(joint) + Frames(stereo, 4), true, 128, 0},
        {Frames(stereo, 2) + Frame(faster) + Frames(stereo, 4), true, 192, 0},
        // Beyond the ten frames examined nothing counts.
        {Frames(stereo, 10) + Frame(faster) + Frame(joint), false, 128, 0},
    };
    for (const TCase& c : cases) {
        TLoaded loaded(c.frames);
        ASSERT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.info.isVBitRate() != 0, c.vbr);
        EXPECT_EQ(loaded.info.BestBitrate(), c.bestBitrate);
        EXPECT_EQ(loaded.info.BestMode(), c.bestMode);
    }
}

TEST(Mp3Info, LowerRateLayerIIIFramesAreSteppedOneByOne) {
    // MPEG 2 at 24000 Hz and 64 kbit/s: 192-byte frames. The second frame
    // differs in mode; a scan that stepped 384 bytes would never see it.
    THeader h{2, 1, 8, 1};
    THeader joint = h;
    joint.mode = 1;
    const std::string file = Frame(h) + Frame(joint) + Frames(h, 18);
    TLoaded loaded(file);
    ASSERT_EQ(loaded.result, 0);
    EXPECT_TRUE(loaded.info.isVBitRate());
    EXPECT_DOUBLE_EQ(loaded.info.GetAverageFrameSize(), 192.0);
    EXPECT_EQ(loaded.info.getNumberOfFrames(), 20);
    EXPECT_EQ(loaded.info.BestSamplingRate(), 44100);
    char version[32];
    loaded.info.getVersion(version, sizeof version);
    EXPECT_STREQ(version, "MPEG 2 Layer III");
}

TEST(Mp3Info, BestSamplingRateClasses) {
    const std::pair<THeader, int> cases[] = {
        {{3, 1, 9, 1}, 44100}, {{3, 1, 9, 2}, 44100}, {{2, 1, 8, 0}, 22050}, {{2, 1, 8, 2}, 22050},
        {{0, 1, 4, 0}, 11025}, {{0, 1, 4, 1}, 22050}, {{0, 1, 4, 2}, 11025},
    };
    for (const auto& [h, best] : cases) {
        TLoaded loaded(Frames(h, 3));
        ASSERT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.info.BestSamplingRate(), best) << h.Loaded().getFrequency();
    }
    // A later frame of a higher rate supplies the summary's header.
    THeader low{0, 1, 4, 2};
    THeader high{3, 1, 9, 0};
    TLoaded mixed(Frames(low, 2) + Frames(high, 2));
    EXPECT_EQ(mixed.info.getFrequency(), 44100);
    EXPECT_EQ(mixed.info.DataStart(), 0);
}

TEST(Mp3Info, XingHeaders) {
    THeader h;  // stereo MPEG 1: the tag sits 4 + 32 bytes into the frame
    const std::string side(32, '\0');
    struct TCase {
        std::string tag;
        bool xing;
        int frames;
    };
    const TCase cases[] = {
        {side + "Xing" + id3test::Be32(1) + id3test::Be32(1000), true, 1000},
        {side + "Xing" + id3test::Be32(6) + id3test::Be32(1000), true, -1},
        {side + "Info" + id3test::Be32(1) + id3test::Be32(1000), false, -1},
    };
    for (const TCase& c : cases) {
        TLoaded loaded(Frame(h, c.tag) + Frames(h, 20));
        ASSERT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.info.HasXingHeader() != 0, c.xing);
        EXPECT_EQ(loaded.info.XingFrameCount(), c.frames);
        if (c.frames > 0) {
            EXPECT_EQ(loaded.info.getNumberOfFrames(), c.frames);
        }
    }
    // A count larger than the file: the first frame's bitrate instead of 0.
    TLoaded absurd(Frame(h, side + "Xing" + id3test::Be32(1) + id3test::Be32(0x7FFFFFFF)) + Frames(h, 20));
    EXPECT_EQ(absurd.info.getBitrate(), 128);
    EXPECT_EQ(absurd.info.getNumberOfFrames(), 20);  // 21 frames of 417 bytes over 417.96
    EXPECT_NEAR(absurd.info.GetAverageFrameSize(), 417.96, 0.01);
}

TEST(Mp3Info, LengthFromTheBitrate) {
    THeader h;
    std::string file = Frames(h, 2);
    file.resize(4000000, '\0');
    TLoaded loaded(file);
    ASSERT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.info.getBitrate(), 128);
    EXPECT_EQ(loaded.info.getLengthInSeconds(), 250);
}

TEST(Mp3Info, Id3v1TagAtTheEnd) {
    THeader h;
    std::string block = "TAG" + std::string(30, 'T') + std::string(94, ' ');
    block[126] = 0;
    block.resize(128, '\x11');
    block[125] = 0;
    block[126] = 4;
    TLoaded loaded(Frames(h, 5) + block);
    ASSERT_EQ(loaded.result, 0);
    EXPECT_TRUE(loaded.info.isTagged());
    EXPECT_EQ(loaded.info.GetTagType(), 1);
    EXPECT_EQ(loaded.info.GetTagSize(), 128);
    EXPECT_EQ(loaded.info.DataEnd(), loaded.info.getFileSize() - 128);
    EXPECT_EQ(loaded.info.getTrackNumber(), 4);
    EXPECT_EQ(std::string(loaded.info.TitleString()), std::string(30, 'T'));
}

TEST(Mp3Info, ShortHostileAndEmptyInputs) {
    EXPECT_EQ(CMP3Info().loadInfo(nullptr), 2);
    TLoaded nothing(std::string(5000, '\0'));
    EXPECT_EQ(nothing.result, 4);
    TLoaded empty("");
    EXPECT_EQ(empty.result, 4);

    // Shorter than an ID3 v1 tag: no tag is looked for before the start.
    THeader tiny{2, 1, 1, 0};  // MPEG 2, 8 kbit/s, 22050 Hz: 26-byte frames
    TLoaded shortFile(Frames(tiny, 3));
    ASSERT_EQ(shortFile.result, 0);
    EXPECT_FALSE(shortFile.info.isTagged());
    EXPECT_EQ(shortFile.info.DataEnd(), 78);

    // A header straddling the end of the scan window.
    THeader h;
    TLoaded straddling(std::string(8190, '\0') + Frames(h, 3));
    ASSERT_EQ(straddling.result, 0);
    EXPECT_EQ(straddling.info.DataStart(), 8190);

    // A tag whose size runs past the file: the scan starts at the beginning.
    TLoaded lying(id3test::Tag(3, "", 0).substr(0, 6) + id3test::Synchsafe(100000) + Frames(h, 3));
    ASSERT_EQ(lying.result, 0);
    EXPECT_EQ(lying.info.DataStart(), 10);
    EXPECT_EQ(lying.info.GetTagType(), 0);
}

// Four bytes that look like a frame header turn up every few kilobytes in
// any data: a first frame counts only when another frame follows it (or
// it ends the file), and the search gives up a mebibyte past the tag.
TEST(Mp3Info, GarbageIsNoMpegFile) {
    THeader h;
    std::string random(1 << 20, '\0');
    std::uint32_t seed = 12345;
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    const std::string lone = Frame(h) + std::string(2000, '\x55');
    struct TCase {
        const char* name;
        std::string bytes;
        int result;
        std::int64_t dataStart;
    };
    const TCase cases[] = {
        {"a mebibyte of random bytes", random, CMP3Info::kNoFrame, -1},
        {"a lone header among other bytes", std::string(100, '\x55') + lone, CMP3Info::kNoFrame, -1},
        {"a lone header before real frames", lone + Frames(h, 3), CMP3Info::kLoaded,
         static_cast<std::int64_t>(lone.size())},
        {"one frame that ends the file", Frame(h), CMP3Info::kLoaded, 0},
        {"one frame before an ID3 v1 tag", Frame(h) + "TAG" + std::string(125, ' '), CMP3Info::kLoaded, 0},
        {"frames a little inside the search", std::string((1 << 20) - 1000, '\0') + Frames(h, 3), CMP3Info::kLoaded,
         (1 << 20) - 1000},
        {"frames past the search", std::string((1 << 20) + 1000, '\0') + Frames(h, 3), CMP3Info::kNoFrame, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLoaded loaded(c.bytes);
        EXPECT_EQ(loaded.result, c.result);
        if (c.result == CMP3Info::kLoaded) {
            EXPECT_EQ(loaded.info.DataStart(), c.dataStart);
        }
    }
}

TEST(Mp3Info, AverageFrameSizeOfLayerI) {
    THeader h{3, 3, 4, 0};  // 128 kbit/s at 44100 Hz: 136- and 140-byte frames
    TLoaded loaded(Frames(h, 10));
    ASSERT_EQ(loaded.result, 0);
    EXPECT_NEAR(loaded.info.GetAverageFrameSize(), 139.3, 0.1);
    EXPECT_EQ(loaded.info.getNumberOfFrames(), 9);  // 1360 bytes of 139.3
}

}  // namespace

namespace {

TEST(Mp3SourceFormat, DescribesTheSummarisedFile) {
    THeader h{2, 1, 8, 1, 0, 3};  // MPEG 2, 64 kbit/s, 24000 Hz, single channel
    TLoaded loaded(Frames(h, 5));
    ASSERT_EQ(loaded.result, 0);
    const TMp3SourceFormat format = MakeMp3SourceFormat(loaded.info);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&format);
    EXPECT_EQ(format.wfx.wFormatTag, 0x55);
    EXPECT_EQ(format.wfx.nChannels, 1);
    EXPECT_EQ(format.wfx.nSamplesPerSec, 44100u);  // the rate class of the scan
    EXPECT_EQ(format.wfx.nAvgBytesPerSec, 8000u);
    EXPECT_EQ(format.wfx.nBlockAlign, 1);
    EXPECT_EQ(format.wfx.cbSize, 14);
    EXPECT_EQ(format.nBlockSize, 192);
    EXPECT_EQ(format.nCodecDelay, 1393);
    // Copies of 18 + cbSize bytes stay inside the record and end in zeros.
    ASSERT_EQ(sizeof format, 18u + format.wfx.cbSize);
    EXPECT_EQ(bytes[30], 0);
    EXPECT_EQ(bytes[31], 0);
}

}  // namespace
