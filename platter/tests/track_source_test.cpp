// Track files: WAV data chunks found by content, other files through the
// registered decoder, measured before the write.
#include "platter/track_source.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platter/audio_decoder.h"
#include "platter/errors.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

// Decodes "FAKE <frames> <seed>" files into MakePcm(frames, seed), handing
// it out in odd-sized pieces; anything else cannot be decoded.
class CFakeDecoder final : public IPlatterAudioDecoder {
public:
    class CStream final : public IPlatterAudioStream {
    public:
        explicit CStream(std::string pcm) : pcm_(std::move(pcm)) {}
        std::int64_t Read(void* buffer, std::int64_t bytes) override {
            const std::int64_t n = std::min<std::int64_t>({bytes, 1001, static_cast<std::int64_t>(pcm_.size() - at_)});
            std::memcpy(buffer, pcm_.data() + at_, static_cast<std::size_t>(n));
            at_ += static_cast<std::size_t>(n);
            return n;
        }

    private:
        std::string pcm_;
        std::size_t at_ = 0;
    };

    std::unique_ptr<IPlatterAudioStream> Open(const char* path) override {
        ++opens;
        long frames = 0;
        int seed = 0;
        if (std::sscanf(ReadFile(path).c_str(), "FAKE %ld %d", &frames, &seed) != 2) return nullptr;
        return std::make_unique<CStream>(MakePcm(frames, seed));
    }
    int opens = 0;
};

TEST(TrackSource, WaveDataIsFoundByContentWhateverTheName) {
    testsupport::TempDir dir;
    const std::string pcm = MakePcm(1234, 1);
    // A copy named like a compressed file, and a WAV with other chunks
    // around its data and an odd byte past the last whole sample frame.
    const std::string tmm = dir.File("copy.tmm");
    WriteFile(tmm, WaveBytes(pcm));
    std::string wave = WaveBytes(pcm + "x");
    wave.insert(12, std::string("LIST\x04\0\0\0INFO", 12));
    const std::string padded = dir.File("odd.wav");
    WriteFile(padded, wave);
    for (const std::string& path : {tmm, padded}) {
        std::string why;
        auto source = OpenTrackSource(path, nullptr, why);
        ASSERT_TRUE(source) << path << ": " << why;
        EXPECT_EQ(source->PcmBytes(), static_cast<std::int64_t>(pcm.size()));
        std::string read(pcm.size() + 100, '\0');
        std::int64_t got = 0, n = 0;
        while ((n = source->Read(reinterpret_cast<std::uint8_t*>(read.data()) + got, 777)) > 0) got += n;
        read.resize(static_cast<std::size_t>(got));
        EXPECT_EQ(read, pcm) << path;
    }
}

TEST(TrackSource, OtherFilesNeedTheDecoderAndAreMeasuredByDecoding) {
    testsupport::TempDir dir;
    const std::string song = dir.File("song.mp3");
    WriteFile(song, "FAKE 5000 2");
    const std::string broken = dir.File("broken.mp3");
    WriteFile(broken, "not audio");
    std::string why;
    EXPECT_FALSE(OpenTrackSource(song, nullptr, why));
    EXPECT_NE(why.find("no decoder"), std::string::npos) << why;
    CFakeDecoder decoder;
    EXPECT_FALSE(OpenTrackSource(broken, &decoder, why));
    EXPECT_NE(why.find("cannot be decoded"), std::string::npos) << why;
    auto source = OpenTrackSource(song, &decoder, why);
    ASSERT_TRUE(source) << why;
    EXPECT_EQ(source->PcmBytes(), 5000 * 4);
}

TEST_F(ImageDriveTest, DecodedTracksAreBurnedAsTheDecoderMakesThem) {
    Start();
    CFakeDecoder decoder;
    engine->SetAudioDecoder(&decoder);
    const std::string song = files.File("song.mp3");
    WriteFile(song, "FAKE 30000 4");
    const std::string wave = Wave("b.wav", 4410, 1);
    TWriteDiscParams block = MakeFileBlock({song, wave}, recorder);
    block.tracks[0].fileType = PLATTER_FILE_MP3;
    // A stale length from an earlier layout: the measured size wins.
    block.tracks[0].lengthBytes = 12;
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK) << LastErrorText();
    EXPECT_EQ(decoder.opens, 2);  // measured, then written
    ASSERT_TRUE(drive->ReadDeviceInfo());
    EXPECT_EQ(Rip(1), SectorPadded(MakePcm(30000, 4)));
    EXPECT_EQ(Rip(2), SectorPadded(pcm[wave]));
}

}  // namespace
}  // namespace platter_test
