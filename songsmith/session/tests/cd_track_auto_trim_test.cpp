// The automatic trims of songs made by outside encoders: a song that ends
// in a tone keeps every audible sample up to its end, whatever the format;
// only silence is trimmed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "songsmith/session/cd_track.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"

namespace {

class AutoTrimTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!songfiles::HaveTools({"lame", "twolame"})) GTEST_SKIP() << "lame and twolame are needed";
        StartEngine();
    }
    // The song as the sound engine decodes it, as CD audio.
    std::string Decoded(const std::string& path) {
        std::string pcm;
        auto stream = decoder_.Open(path.c_str());
        if (stream == nullptr) return {};
        char buffer[65536];
        for (std::int64_t got; (got = stream->Read(buffer, sizeof buffer)) > 0;)
            pcm.append(buffer, static_cast<std::size_t>(got));
        return pcm;
    }
    // Where the sound above level begins and ends (ms): the start of the
    // first frame and the end of the last frame in which either channel is
    // louder than level.
    struct TAudible {
        std::int32_t start = 0;
        std::int32_t end = 0;
    };
    static TAudible AudibleMs(const std::string& pcm, int level) {
        const std::size_t frames = pcm.size() / 4;
        auto loud = [&](std::size_t frame) {
            for (std::size_t at = frame * 4; at < frame * 4 + 4; at += 2) {
                const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(pcm[at]) |
                                                              (static_cast<std::uint8_t>(pcm[at + 1]) << 8));
                if (std::abs(sample) > level) return true;
            }
            return false;
        };
        TAudible audible;
        std::size_t first = 0;
        while (first < frames && !loud(first)) ++first;
        std::size_t last = frames;
        while (last > first && !loud(last - 1)) --last;
        audible.start = static_cast<std::int32_t>(first * 1000 / 44100);
        audible.end = static_cast<std::int32_t>((last * 1000 + 44099) / 44100);
        return audible;
    }
};

TEST_F(AutoTrimTest, ASongEndingInAToneKeepsItsLastAudibleSound) {
    const struct {
        const char* name;
        const char* encoder;  // empty: the WAV itself
    } cases[] = {
        {"tone.wav", ""},
        {"tone.mp3", "lame --quiet -b 192"},
        {"tone.mp2", "twolame --quiet -b 192"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Half a second of silence, then a tone to the very end.
        const std::string wav = Song(std::string(c.name) + ".wav", 3.0, "-r 44100 -c 2 -b 16",
                                     "synth 3 sine 440 vol 0.5 pad 0.5 0");
        std::string song = wav;
        if (*c.encoder != '\0') {
            song = dir_.File(c.name);
            ASSERT_TRUE(songfiles::Run(std::string(c.encoder) + " '" + wav + "' '" + song + "'"));
        }
        CCDTrack& track = Add(song);
        const std::string pcm = Decoded(song);
        ASSERT_FALSE(pcm.empty());
        // Anything above -40 dBFS is sound the disc must keep.
        const TAudible audible = AudibleMs(pcm, 328);
        EXPECT_GE(track.GetAutoTrimEnd(), audible.end);
        EXPECT_LE(track.GetAutoTrimEnd(), static_cast<std::int32_t>((pcm.size() / 4 * 1000 + 44099) / 44100));
        // The silence before the tone is trimmed, and nothing of the tone.
        EXPECT_LE(track.GetAutoTrimStart(), audible.start);
        EXPECT_GE(track.GetAutoTrimStart(), audible.start - 50);
    }
}

}  // namespace
