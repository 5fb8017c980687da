// A WMA song made by ffmpeg from a tone goes through the burn's conversion
// rule on real audio: it is always converted (never written as it is),
// counted in the length to convert, and its track file holds the tone at
// its length and level. Skipped without ffmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "songsmith/burner/tests/burner_worker_fixture.h"
#include "tonecore/convert/converter_factory.h"

namespace {

// The root mean square of 16-bit samples.
double Rms(const std::string& pcm) {
    double sum = 0;
    const std::size_t count = pcm.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        std::int16_t sample = 0;
        std::memcpy(&sample, pcm.data() + 2 * i, 2);
        sum += double(sample) * sample;
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

class WmaConvertTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!songfiles::HaveTools({"ffmpeg"})) GTEST_SKIP() << "ffmpeg is needed";
        // As the program starts: the engine, then the converters and the
        // WMA decoder.
        StartEngine();
        DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
        LoadLibraryWMADecoder();
    }
    void TearDown() override {
        WorkerTest::TearDown();
        FreeConversionLibraries();
    }
};

TEST_F(WmaConvertTest, AWmaSongIsConvertedAndCountedOnRealAudio) {
    const std::string source = Song("tone.wav", 6.0);
    const std::string wma = dir_.File("tone.wma");
    ASSERT_TRUE(songfiles::Run("ffmpeg -loglevel quiet -y -i '" + source + "' -c:a wmav2 -b:a 192k '" + wma + "'"));
    CCDTrack& track = Add(wma);
    EXPECT_EQ(track.GetMusicInfo().waveFormat.wFormatTag, 0x161);
    const std::int32_t length = track.GetTrimmedLength(false);
    EXPECT_NEAR(length, 6000, 100);
    // Mode 4 keeps CD-quality songs as they are, but never a WMA.
    EXPECT_EQ(burner_->GetLengthToConvert(false, false), length);
    burner_->mode = 4;
    ASSERT_EQ(burner_->ConvertTracksAsNeeded(), 1);
    const std::string file = tracks_.GetAt(0)->GetTempFile();
    ASSERT_FALSE(file.empty());
    const std::string converted = rendertest::WavData(file);
    EXPECT_EQ(converted.size(), rendertest::Bytes(burner_->trackLengths[0]));
    // The tone at its level: lossy coding keeps the loudness close.
    const double expected = Rms(rendertest::WavData(source));
    EXPECT_NEAR(Rms(converted.substr(0, rendertest::Bytes(5000))), expected, expected * 0.1);
}

}  // namespace
