// The engine-backed song probe on files made here (WAV), by lame (MP3) or by
// ffmpeg (WMA).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "songvault/records.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "testsupport/media_libraries_held.h"
#include "testsupport/temp_dir.h"
#include "tonecore/tags/tests/id3_test_bytes.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteWholeFile;

std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}
std::string Le16(std::uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

std::string Chunk(const std::string& id, const std::string& data, std::uint32_t claimedSize = 0) {
    std::string chunk = id + Le32(claimedSize != 0 ? claimedSize : static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() % 2 != 0) chunk += '\0';
    return chunk;
}

// 16-bit PCM of the rate and channels, seconds of silence, with the INFO
// texts given (id, text) after the format. The format's bytes per second
// are the true ones unless claimedBytesPerSecond is given.
std::string Wave(std::uint32_t rate, std::uint16_t channels, double seconds, const std::string& info,
                 std::uint32_t claimedDataSize = 0, std::uint32_t claimedBytesPerSecond = 0) {
    const std::uint16_t block = static_cast<std::uint16_t>(channels * 2);
    const std::uint32_t bytesPerSecond = claimedBytesPerSecond != 0 ? claimedBytesPerSecond : rate * block;
    const std::string format =
        Le16(1) + Le16(channels) + Le32(rate) + Le32(bytesPerSecond) + Le16(block) + Le16(16);
    const std::string data(static_cast<std::size_t>(rate * seconds) * block, '\0');
    std::string body = "WAVE" + Chunk("fmt ", format);
    if (!info.empty()) body += Chunk("LIST", "INFO" + info);
    body += Chunk("data", data, claimedDataSize);
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

TEST(TonecoreSongProbe, ReadsWaveFormatLengthAndInfoTexts) {
    TempDir dir;
    const std::string info = Chunk("INAM", std::string("Wave Title\0", 11)) + Chunk("IART", "Artiste caf\xe9") +
                             Chunk("IPRD", "An Album") + Chunk("ICRD", "1998") + Chunk("ITRK", "4");
    WriteWholeFile(dir.File("song.WAV"), Wave(22050, 1, 1.5, info));

    CTonecoreSongProbe probe;
    TSongProbeResult result;
    ASSERT_TRUE(probe.Probe(dir.File("song.WAV").c_str(), result));
    EXPECT_EQ(result.format, SVT_FORMAT_WAV);
    EXPECT_EQ(result.sampleRateHz, 22050);
    EXPECT_EQ(result.bitRateKbps, 352);
    EXPECT_EQ(result.lengthMs, 1500);
    EXPECT_EQ(result.title, "Wave Title");
    EXPECT_EQ(result.artist, "Artiste caf\xc3\xa9");
    EXPECT_EQ(result.album, "An Album");
    EXPECT_EQ(result.year, 1998);
    EXPECT_EQ(result.track, 4);
    EXPECT_NE(result.tagType, 0);
}

// Numbers of the header that no real file has: what the probe gives stays
// within its fields instead of wrapping around.
TEST(TonecoreSongProbe, OutlandishWaveNumbersStayInRange) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string file;
        std::int32_t lengthMs;
        std::int32_t bitRateKbps;
        std::int16_t year;
    };
    const Case cases[] = {
        // 2.2 MB of data at one byte a second: longer than the field counts.
        {"slow.wav", Wave(8000, 1, 140.0, "", 0, 1), INT32_MAX, 0, 0},
        {"fast.wav", Wave(8000, 1, 1.0, "", 0, 0xFFFFFFFFu), 0, 34359738, 0},
        {"year.wav", Wave(8000, 1, 1.0, Chunk("ICRD", "99999999999")), 1000, 128, 0},
        {"minus.wav", Wave(8000, 1, 1.0, Chunk("ICRD", "-5")), 1000, 128, 0},
    };
    CTonecoreSongProbe probe;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(dir.File(c.name), c.file);
        TSongProbeResult result;
        ASSERT_TRUE(probe.Probe(dir.File(c.name).c_str(), result));
        EXPECT_EQ(result.lengthMs, c.lengthMs);
        EXPECT_EQ(result.bitRateKbps, c.bitRateKbps);
        EXPECT_EQ(result.year, c.year);
    }
}

TEST(TonecoreSongProbe, RefusesWhatItCannotRead) {
    TempDir dir;
    // A data chunk claiming more than the file holds is counted by what is
    // there.
    WriteWholeFile(dir.File("cut.wav"), Wave(8000, 1, 1.0, "", 1000000));
    WriteWholeFile(dir.File("text.wav"), "just some text, not a wave file at all");
    WriteWholeFile(dir.File("text.mp3"), std::string(4000, 'x'));
    WriteWholeFile(dir.File("song.wma"), Wave(8000, 1, 1.0, ""));
    WriteWholeFile(dir.File("noise.wma"), std::string(70000, '\x5a'));
    std::string random(1 << 20, '\0');
    std::uint32_t seed = 99;
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    WriteWholeFile(dir.File("random.mp3"), random);
    // Formats with nothing to play: no channels, no rate, no block.
    const std::string wave = Wave(8000, 1, 1.0, "");
    const std::size_t format = wave.find("fmt ") + 8;
    for (const auto& [name, offset] : {std::pair{"no channels.wav", 2}, {"no rate.wav", 4}, {"no block.wav", 12}}) {
        std::string zeroed = wave;
        zeroed.replace(format + offset, offset == 4 ? 4 : 2, offset == 4 ? 4 : 2, '\0');
        WriteWholeFile(dir.File(name), zeroed);
    }
    CTonecoreSongProbe probe;
    TSongProbeResult result;
    ASSERT_TRUE(probe.Probe(dir.File("cut.wav").c_str(), result));
    EXPECT_EQ(result.lengthMs, 1000);
    EXPECT_TRUE(result.title.empty());
    for (const char* name : {"text.wav", "text.mp3", "random.mp3", "song.wma", "noise.wma", "no channels.wav", "no rate.wav",
                             "no block.wav", "missing.wav"}) {
        TSongProbeResult none;
        EXPECT_FALSE(probe.Probe(dir.File(name).c_str(), none)) << name;
    }
}

TEST(TonecoreSongProbe, AnId3TagBrokenPartWayStillGivesTheFieldsInFrontOfTheBreak) {
    using namespace id3test;
    // Silent MPEG-1 layer III frames: 128 kbit/s, 44100 Hz, stereo, 417
    // bytes each with zero side information.
    std::string frame("\xFF\xFB\x90\x00", 4);
    frame.resize(417, '\0');
    std::string audio;
    for (int i = 0; i < 40; ++i) audio += frame;
    // A v1 tag at the end, to show which tag the fields come from.
    std::string v1 = "TAG" + std::string("Old Title").append(21, '\0') + std::string(30, '\0') + std::string(30, '\0') +
                     "1999" + std::string(30, '\0') + '\xFF';
    struct Case {
        const char* name;
        std::string body;
        const char* title;
        const char* artist;
    };
    const Case cases[] = {
        // A frame that claims 5000 bytes where the tag holds a few.
        {"broken", Frame23("TIT2", Latin1("Hello")) + Frame23("TPE1", Latin1("World")) +
                       FrameClaiming("TXXX", 5000, Latin1("mood")),
         "Hello", "World"},
        // Nothing readable in front of the break: the v1 tag speaks.
        {"broken first", FrameClaiming("TIT2", 5000, Latin1("Hello")), "Old Title", ""},
    };
    TempDir dir;
    CTonecoreSongProbe probe;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWholeFile(dir.File("song.mp3"), Tag(3, c.body, 200) + audio + v1);
        TSongProbeResult result;
        ASSERT_TRUE(probe.Probe(dir.File("song.mp3").c_str(), result));
        EXPECT_EQ(result.title, c.title);
        EXPECT_EQ(result.artist, c.artist);
    }
}

TEST(TonecoreSongProbe, ReadsMp3TagsAndLengthOfLameFiles) {
    if (std::system("lame --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "lame is not installed";
    TempDir dir;
    WriteWholeFile(dir.File("in.wav"), Wave(44100, 2, 3.0, ""));
    struct Case {
        const char* name;
        const char* options;
        int bitRate;  // 0: variable
        const char* title;
    };
    const Case cases[] = {
        {"v2.mp3", "-b 128 --add-id3v2 --tt 'Tagged Two' --ta Artist --tl Album --ty 2001 --tn 3", 128, "Tagged Two"},
        {"v1.MP3", "-b 64 --id3v1-only --tt 'Tagged One' --ta Artist --tl Album --ty 2001 --tn 3", 64, "Tagged One"},
        {"vbr.mp3", "-V 4 --add-id3v2 --tt Variable --ta Artist --tl Album --ty 2001 --tn 3", 0, "Variable"},
        // Free format: no bitrate in the headers, only in the frames' size.
        {"free.mp3", "--freeformat -b 200 --add-id3v2 --tt Free --ta Artist --tl Album --ty 2001 --tn 3", 200, "Free"},
    };
    CTonecoreSongProbe probe;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string command = std::string("lame --silent --resample 44.1 ") + c.options + " '" + dir.File("in.wav") + "' '" +
                                    dir.File(c.name) + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        TSongProbeResult result;
        ASSERT_TRUE(probe.Probe(dir.File(c.name).c_str(), result));
        EXPECT_EQ(result.format, SVT_FORMAT_MP3);
        EXPECT_EQ(result.sampleRateHz, 44100);
        if (c.bitRate != 0) {
            EXPECT_EQ(result.bitRateKbps, c.bitRate);
        }
        // Three seconds, give or take the encoder's delay and padding frames.
        EXPECT_GE(result.lengthMs, 2900);
        EXPECT_LE(result.lengthMs, 3200);
        EXPECT_EQ(result.title, c.title);
        EXPECT_EQ(result.artist, "Artist");
        EXPECT_EQ(result.album, "Album");
        EXPECT_EQ(result.year, 2001);
        EXPECT_EQ(result.track, 3);
    }

    // A Xing frame count the file cannot hold is not believed: the length
    // is the one the file would have without a count.
    std::string vbr = testsupport::ReadWholeFile(dir.File("vbr.mp3"));
    const std::size_t xing = vbr.find("Xing");
    ASSERT_NE(xing, std::string::npos);
    ASSERT_NE(vbr[xing + 7] & 1, 0) << "lame writes the frame count";
    vbr.replace(xing + 8, 4, "\x7f\xff\xff\xff");
    WriteWholeFile(dir.File("huge.mp3"), vbr);
    vbr[xing + 7] = static_cast<char>(vbr[xing + 7] & ~1);
    WriteWholeFile(dir.File("uncounted.mp3"), vbr);
    TSongProbeResult huge;
    TSongProbeResult uncounted;
    ASSERT_TRUE(probe.Probe(dir.File("huge.mp3").c_str(), huge));
    ASSERT_TRUE(probe.Probe(dir.File("uncounted.mp3").c_str(), uncounted));
    EXPECT_GT(uncounted.lengthMs, 0);
    EXPECT_EQ(huge.lengthMs, uncounted.lengthMs);
}

}  // namespace

namespace {

TEST(TonecoreSongProbe, ReadsWmaLengthRateAndAttributes) {
    if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    struct Case {
        const char* name;
        const char* codec;
        int rate;
        int channels;
        int kbps;
    };
    const Case cases[] = {
        {"v2.wma", "wmav2", 44100, 2, 128},
        {"v1 mono.WMA", "wmav1", 22050, 1, 32},
    };
    CTonecoreSongProbe probe;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string command =
            "ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:sample_rate=" + std::to_string(c.rate) +
            ":duration=3' -ac " + std::to_string(c.channels) + " -c:a " + c.codec + " -b:a " +
            std::to_string(c.kbps) + "k -metadata title='Windows Title' -metadata artist='Media Artist' " +
            "-metadata album='An Album' '" + dir.File(c.name) + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        TSongProbeResult result;
        ASSERT_TRUE(probe.Probe(dir.File(c.name).c_str(), result));
        EXPECT_EQ(result.format, SVT_FORMAT_WMA);
        EXPECT_EQ(result.sampleRateHz, c.rate);
        EXPECT_NEAR(result.bitRateKbps, c.kbps, c.kbps / 8);
        EXPECT_NEAR(result.lengthMs, 3000, 150);
        EXPECT_EQ(result.title, "Windows Title");
        EXPECT_EQ(result.artist, "Media Artist");
        EXPECT_EQ(result.album, "An Album");
        EXPECT_NE(result.tagType, 0);
    }
}

}  // namespace
