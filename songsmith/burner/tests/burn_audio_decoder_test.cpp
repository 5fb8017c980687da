// The decoder the drive library reads MPEG track files through: the same CD
// audio the burn's conversion renders from the song, a mono song doubled
// into both channels, MPEG layer II decoded, and nothing for a damaged file
// (the drive then refuses the track).
#include <gtest/gtest.h>

#include <fstream>

#include "platter/errors.h"
#include "songsmith/burner/burn_audio_decoder.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"

namespace {

using workertest::Error;
using workertest::Finished;

class BurnAudioDecoderTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!songfiles::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
        StartEngine();
    }
    std::string Decoded(const std::string& path) {
        std::string pcm;
        auto stream = decoder_.Open(path.c_str());
        if (stream == nullptr) return "null";
        char buffer[65536];
        for (std::int64_t got; (got = stream->Read(buffer, sizeof buffer)) > 0;)
            pcm.append(buffer, static_cast<std::size_t>(got));
        return pcm;
    }
    // The song converted by the burn (convert-first, one track): its track
    // file's audio.
    std::string Converted(const std::string& path) {
        tracks_.Clear(false);
        Add(path);
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 1;
        EXPECT_EQ(burner_->ConvertTracksAsNeeded(), 1);
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
        return rendertest::WavData(tracks_.GetAt(0)->GetTempFile());
    }
    std::string Encoded(const std::string& name, const std::string& format, const std::string& options) {
        const std::string out = dir_.File(name);
        EXPECT_TRUE(songfiles::Run("lame --quiet " + options + " '" + Song(name + ".wav", 5.0, format) + "' '" + out + "'"));
        return out;
    }
};

TEST_F(BurnAudioDecoderTest, AnMp3DecodesToTheAudioTheBurnsConversionRenders) {
    const std::string mp3 = Encoded("stereo.mp3", "-r 44100 -c 2 -b 16", "-b 192");
    const std::string decoded = Decoded(mp3);
    EXPECT_GT(decoded.size(), rendertest::Bytes(4900));
    EXPECT_TRUE(decoded == Converted(mp3)) << decoded.size();
}

TEST_F(BurnAudioDecoderTest, AMonoMp3IsDoubledIntoBothChannels) {
    const std::string mp3 = Encoded("mono.mp3", "-r 44100 -c 1 -b 16", "-m m -b 96");
    const std::string decoded = Decoded(mp3);
    ASSERT_GT(decoded.size(), rendertest::Bytes(4900));
    int differing = 0;
    bool sound = false;
    for (std::size_t i = 0; i + 4 <= decoded.size(); i += 4) {
        differing += decoded.compare(i, 2, decoded, i + 2, 2) != 0 ? 1 : 0;
        sound = sound || decoded[i] != 0 || decoded[i + 1] != 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(sound);
}

TEST_F(BurnAudioDecoderTest, AnMp2DecodesAndADamagedFileDoesNot) {
    if (!songfiles::HaveTools({"ffmpeg"})) GTEST_SKIP() << "ffmpeg is needed for MPEG layer II";
    const std::string mp2 = dir_.File("layer2.mp2");
    ASSERT_TRUE(songfiles::Run("ffmpeg -loglevel quiet -y -i '" + Song("layer2.wav", 5.0) + "' -c:a mp2 -b:a 192k '" +
                               mp2 + "'"));
    const std::string decoded = Decoded(mp2);
    EXPECT_GT(decoded.size(), rendertest::Bytes(4900));

    const std::string damaged = dir_.File("damaged.mp3");
    std::ofstream(damaged, std::ios::binary) << std::string(20000, '\x5a');
    EXPECT_EQ(Decoded(damaged), "null");
}

TEST_F(BurnAudioDecoderTest, TheDriveRefusesADamagedMp3TrackWrittenAsItIs) {
    const std::string damaged = Encoded("damaged.mp3", "-r 44100 -c 2 -b 16", "-b 192");
    Add(damaged);
    // Damaged after the session took it.
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << std::string(20000, '\x5a');
    UseImageDrive(0);
    Burn(4);
    EXPECT_EQ(Posts(), (std::vector<std::string>{Finished(0, 1), Error(14)}));
}

}  // namespace
