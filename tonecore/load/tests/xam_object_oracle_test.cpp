// The MPEG decoding object over songs made by outside encoders: streaming
// decoding with resampling to the destination rate, against a reference
// resample, and entering a song through its seek map.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tonecore/load/acm_buffer.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/pcm/pcm_convert.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/load/tests/acm_test_support.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/load/xam_object.h"

using songtest::TEncodedSong;

namespace {

WAVEFORMATEX Pcm16(std::uint32_t rate, std::uint16_t channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<std::uint16_t>(2 * channels);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Pushes bytes[from...] through the object's stream in pieces, as a buffer
// does after a seek, into blocks smaller than what the pushed bytes decode
// to: the rest is delivered by the following calls.
std::vector<std::int16_t> DecodeStream(XAMObject& xam, const std::string& bytes, std::size_t from,
                                       int lastFlag = 1, std::size_t push = 3000,
                                       std::size_t capacity = 5000) {
    EXPECT_EQ(xam.EnableStream(1), 1);
    std::vector<std::uint8_t> all;
    TConversionFlag flag = kConversionFirst;
    std::size_t at = from;
    for (;;) {
        std::int64_t taken =
            static_cast<std::int64_t>(std::min<std::size_t>(push, bytes.size() - at));
        std::vector<std::uint8_t> block(capacity);
        std::uint8_t* into = block.data();
        const std::int64_t written =
            xam.Convert(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, taken, into,
                        static_cast<std::int64_t>(block.size()), flag,
                        at + static_cast<std::size_t>(taken) >= bytes.size() ? 1 : lastFlag);
        EXPECT_LE(written, static_cast<std::int64_t>(block.size()));
        all.insert(all.end(), block.begin(), block.begin() + written);
        at += static_cast<std::size_t>(taken);
        flag = kConversionNext;
        // Past the end: once more with nothing to push, until what was kept
        // has been delivered.
        if (at >= bytes.size() && written == 0) break;
    }
    return Samples(all);
}

// The source format a load of the song makes.
std::vector<std::uint8_t> SourceFormatOf(const std::string& path, std::int64_t& dataStart) {
    CFileObj* file = new CFileObj;
    EXPECT_EQ(file->Open(path.c_str(), 0, 0), 1);
    CInitialLoad load;
    EXPECT_EQ(load.ParseMP3(file), 1);
    dataStart = load.DataStart();
    std::vector<std::uint8_t> format = load.StealWaveFomatEx();
    DeleteRefObject(&file);
    return format;
}

std::unique_ptr<XAMObject> ObjectFor(const TEncodedSong& song,
                                     const std::vector<std::uint8_t>& format) {
    auto xam = std::make_unique<XAMObject>(reinterpret_cast<const WAVEFORMATEX*>(format.data()), 1);
    xam->SetFrequency(static_cast<std::int32_t>(song.rate));
    return xam;
}

// Root of the mean square difference of count frames of a (from skip on)
// against b shifted by lag frames (b interpolated between its samples).
double RmsAt(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int channels,
             double lag, std::size_t skip, std::size_t count) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t frame = skip; frame < skip + count; ++frame) {
        const double at = static_cast<double>(frame) + lag;
        const auto whole = static_cast<long>(std::floor(at));
        const double part = at - static_cast<double>(whole);
        if (whole < 0 || static_cast<std::size_t>(whole + 1) * channels >= b.size()) continue;
        for (int c = 0; c < channels; ++c) {
            const std::size_t i = frame * channels + c;
            if (i >= a.size()) continue;
            const double lo = b[static_cast<std::size_t>(whole) * channels + c];
            const double hi = b[static_cast<std::size_t>(whole + 1) * channels + c];
            const double d = double(a[i]) - (lo + (hi - lo) * part);
            sum += d * d;
            ++n;
        }
    }
    return n != 0 ? std::sqrt(sum / n) : 1e30;
}

// The best lag within maxLag frames (every second frame first, then
// twentieths around the best) and the difference there.
std::pair<double, double> BestMatch(const std::vector<std::int16_t>& a,
                                    const std::vector<std::int16_t>& b, int channels, int maxLag,
                                    std::size_t skip, std::size_t count) {
    double best = 1e30;
    double bestLag = 0;
    for (int lag = -maxLag; lag <= maxLag; lag += 2) {
        const double rms = RmsAt(a, b, channels, lag, skip, count);
        if (rms < best) {
            best = rms;
            bestLag = lag;
        }
    }
    const double whole = bestLag;
    best = 1e30;
    for (int step = -40; step <= 40; ++step) {
        const double rms = RmsAt(a, b, channels, whole + step / 20.0, skip, count);
        if (rms < best) {
            best = rms;
            bestLag = whole + step / 20.0;
        }
    }
    return {best, bestLag};
}

// The largest second difference of one channel: a click or a lost sample
// stands out of a smooth tone.
int MaxBend(const std::vector<std::int16_t>& s, int channels, std::size_t skip) {
    int most = 0;
    for (std::size_t i = (skip + 1) * channels; i + channels < s.size(); i += channels)
        most = std::max(most, std::abs(s[i + channels] - 2 * s[i] + s[i - channels]));
    return most;
}

class XamSongTest : public songtest::SongLoadTest {
protected:
    void SetUp() override {
        if (!songtest::HaveTools({"sox", "lame", "mpg123"}))
            GTEST_SKIP() << "sox, lame and mpg123 are needed";
        SongLoadTest::SetUp();
    }

    // Three seconds of a stereo sweep, no two stretches alike.
    TEncodedSong Sweep(const std::string& name, std::uint32_t rate, const std::string& encoder) {
        TEncodedSong song;
        EXPECT_TRUE(songtest::MakeSong(dir_.Path(), name + std::to_string(rate) + ".mp3", rate, 2,
                                       3.0, encoder, song, "sine 300-3000"));
        return song;
    }
};

}  // namespace

TEST_F(XamSongTest, SongsDecodeTo44100HzWithoutLostSamples) {
    struct {
        const char* name;
        std::uint32_t rate;
        const char* encoder;
    } const cases[] = {
        {"48k.mp3", 48000,
         "lame --quiet -b 160"},  // resampled by the object itself (rate class 44100)
        {"22k.mp3", 22050, "lame --quiet -b 64"},  // resampled once the destination is set to 44100
    };
    for (const auto& c : cases) {
        TEncodedSong song;
        // A sweep: no two stretches alike, so the alignment is unambiguous.
        ASSERT_TRUE(songtest::MakeSong(dir_.Path(), c.name, c.rate, 2, 1.0, c.encoder, song,
                                       "sine 100-1000"));
        std::int64_t dataStart = 0;
        const std::vector<std::uint8_t> format = SourceFormatOf(song.path, dataStart);
        const std::string bytes = testsupport::ReadWholeFile(song.path);
        const WAVEFORMATEX cd = Pcm16(44100, 2);
        const WAVEFORMATEX native = Pcm16(c.rate, 2);

        auto toCd = ObjectFor(song, format);
        toCd->SetDestFormat(&cd);
        const std::vector<std::int16_t> decoded =
            DecodeStream(*toCd, bytes, static_cast<std::size_t>(dataStart));
        auto asIs = ObjectFor(song, format);
        asIs->SetDestFormat(&native);
        const std::vector<std::int16_t> frames =
            DecodeStream(*asIs, bytes, static_cast<std::size_t>(dataStart));

        // Frame by frame gives exactly what one conversion of the whole
        // decoded stream gives: no sample lost or repeated at frame edges.
        std::vector<std::uint8_t> whole(frames.size() * 2 * 44100 / c.rate + 64, 0);
        CPCMStreamConverter once;
        const std::size_t made =
            once.Convert(reinterpret_cast<const std::uint8_t*>(frames.data()), frames.size() * 2,
                         &native, whole.data(), whole.size(), &cd);
        whole.resize(made);
        EXPECT_EQ(decoded, Samples(whole)) << c.name;

        // Against the reference decoder's output resampled by sox.
        const std::string raw = song.path + ".raw";
        ASSERT_TRUE(songtest::Run("sox -t raw -r " + std::to_string(c.rate) +
                                  " -e signed -b 16 -c 2 " + raw + " -r 44100 " + raw +
                                  ".44k.raw"));
        const std::vector<std::int16_t> reference = songtest::ReadSamples(raw + ".44k.raw");
        const double frame44 = song.SamplesPerFrame() * 44100.0 / c.rate;
        EXPECT_NEAR(decoded.size() / 2.0, reference.size() / 2.0, frame44 + 2) << c.name;
        const auto [rms, lag] = BestMatch(decoded, reference, 2, 2400, 4000, 3000);
        EXPECT_LT(rms, 50.0) << c.name << " lag " << lag;  // a -6 dB tone: 0.3 % of its amplitude
        EXPECT_LE(MaxBend(decoded, 2, 2000), 2 * MaxBend(reference, 2, 2000) + 64) << c.name;
    }
}

TEST_F(XamSongTest, SeeksThroughTheSeekMapLandWithinOneFrame) {
    for (const std::uint32_t rate : {44100u, 48000u}) {
        SCOPED_TRACE(rate);
        const TEncodedSong song = Sweep("seek", rate, "lame --quiet -b 128");
        ASSERT_FALSE(song.reference.empty());
        CInitialLoad load;
        ASSERT_EQ(Load(load, song.path, 1, 0).result, 1);
        CSeekMap* map = load.GetSeekMap();
        ASSERT_NE(map, nullptr);
        auto* scanned = dynamic_cast<XAMObject*>(load.GetACMObject());
        ASSERT_NE(scanned, nullptr);
        const std::string bytes = testsupport::ReadWholeFile(song.path);
        auto fromStart = std::unique_ptr<XAMObject>(static_cast<XAMObject*>(scanned->Copy()));
        const std::vector<std::int16_t> whole =
            DecodeStream(*fromStart, bytes, static_cast<std::size_t>(load.DataStart()));
        // A frame's bytes at the destination rate (44100 Hz either way).
        const std::int64_t frameBytes = 1152 * 44100 / static_cast<std::int64_t>(rate) * 4;

        for (const double seconds : {0.5, 1.3, 2.6}) {
            const std::int64_t target = static_cast<std::int64_t>(seconds * 44100) * 4;
            std::int64_t value = 0;
            const std::int64_t key =
                map->SeekMapFind(target, &value, nullptr, scanned->GetInitialNumOffsetsInRev());
            ASSERT_GE(key, 0);
            EXPECT_GE(target - key, 2 * frameBytes)
                << seconds;  // two frames early for the reservoir
            EXPECT_LT(target - key, 3 * frameBytes) << seconds;
            std::int64_t offset = value;
            scanned->AdjustSrcOffset(&offset);
            auto entered = std::unique_ptr<XAMObject>(static_cast<XAMObject*>(scanned->Copy()));
            const std::vector<std::int16_t> after = DecodeStream(
                *entered, bytes,
                static_cast<std::size_t>(load.DataStart() + static_cast<std::int64_t>(offset)));
            // Decoding on to the target: the audio from there matches the
            // song decoded from its start.
            const std::size_t skip = static_cast<std::size_t>((target - key) / 2);
            ASSERT_GT(after.size(), skip + 4000) << seconds;
            const std::vector<std::int16_t> landed(after.begin() + static_cast<long>(skip),
                                                   after.end());
            const std::vector<std::int16_t> expected(whole.begin() + target / 2, whole.end());
            // Compared from one frame after the target on: the first frame
            // decoded after entering may still miss part of its bit reservoir.
            const auto [rms, lag] = BestMatch(landed, expected, 2, 1300, 1152, 1000);
            EXPECT_LE(std::abs(lag) * 4, static_cast<double>(frameBytes)) << seconds;
            // At the song's own rate the audio is the same; resampled, the
            // converter starts afresh on a grid a fraction of a sample away and
            // the frames around the entry lack part of their reservoir, so only
            // "the same audio" is asked (unrelated audio differs by about 10000).
            EXPECT_LT(rms, rate == 44100 ? 1.0 : 1500.0) << seconds << " lag " << lag;
        }
    }
}

TEST_F(XamSongTest, MonoFramesFillAStereoDestination) {
    TEncodedSong song;
    ASSERT_TRUE(songtest::MakeSong(dir_.Path(), "mono.mp3", 44100, 1, 0.5,
                                   "lame --quiet -b 64 -m m", song));
    std::int64_t dataStart = 0;
    const std::vector<std::uint8_t> format = SourceFormatOf(song.path, dataStart);
    const std::string bytes = testsupport::ReadWholeFile(song.path);
    auto mono = ObjectFor(song, format);
    const std::vector<std::int16_t> single =
        DecodeStream(*mono, bytes, static_cast<std::size_t>(dataStart));
    auto stereo = ObjectFor(song, format);
    const WAVEFORMATEX cd = Pcm16(44100, 2);
    stereo->SetDestFormat(&cd);
    const std::vector<std::int16_t> both =
        DecodeStream(*stereo, bytes, static_cast<std::size_t>(dataStart));
    // Equal rates: the converter's output runs one frame behind its input.
    ASSERT_NEAR(both.size(), 2 * single.size(), 4u);
    for (std::size_t i = 0; i + 1 < single.size() && 2 * i + 1 < both.size(); ++i) {
        ASSERT_EQ(both[2 * i], single[i + 1]) << i;
        ASSERT_EQ(both[2 * i + 1], single[i + 1]) << i;
    }
}

TEST_F(XamSongTest, DecodedStreamBufferReadsTheWholeSongAndSeeksWithAndWithoutTheMap) {
    for (const std::uint32_t rate : {44100u, 48000u}) {
        SCOPED_TRACE(rate);
        const TEncodedSong song = Sweep("buffered", rate, "lame --quiet -b 160");
        ASSERT_FALSE(song.reference.empty());
        auto file = Open(song.path);
        CInitialLoad load;
        ASSERT_EQ(load.DoInitialLoad(file.get(), 1, 0, 0, 0, 10, nullptr, nullptr), 1);
        std::unique_ptr<ACMObject> decoder = load.StealACMObject();
        ASSERT_NE(decoder, nullptr);
        CSeekMap* map = load.GetSeekMap();
        ASSERT_NE(map, nullptr);
        const std::string bytes = testsupport::ReadWholeFile(song.path);
        auto straight = std::unique_ptr<XAMObject>(static_cast<XAMObject*>(decoder->Copy()));
        const std::vector<std::int16_t> whole =
            DecodeStream(*straight, bytes, static_cast<std::size_t>(load.DataStart()));

        // Read through in pieces: everything the stream decodes, the end too.
        {
            acmtest::TBufferedSource source(*decoder, file.get(), map);
            ASSERT_EQ(source.buffer->Seek(0), 1);
            const std::vector<std::uint8_t> read =
                acmtest::ReadThrough(*source.buffer, whole.size() * 2 + 10000, 7000);
            EXPECT_EQ(Samples(read), whole);
        }
        // Decoding only while a frame fits, with the rest kept for the next
        // call, gives the same stream.
        auto keeping = std::unique_ptr<XAMObject>(static_cast<XAMObject*>(decoder->Copy()));
        EXPECT_EQ(DecodeStream(*keeping, bytes, static_cast<std::size_t>(load.DataStart()), 0, 2048,
                               17000),
                  whole);

        const WAVEFORMATEX* destination = decoder->GetDestFormat();
        const double frameBytes = 1152.0 * destination->nAvgBytesPerSec / rate;
        for (CSeekMap* seekMap : {map, static_cast<CSeekMap*>(nullptr)}) {
            for (const double seconds : {0.4, 1.7, 2.5}) {
                const std::int64_t target = static_cast<std::int64_t>(seconds * 44100) * 4;
                acmtest::TBufferedSource source(*decoder, file.get(), seekMap);
                ASSERT_EQ(source.buffer->Seek(target), 1) << seconds;
                const std::vector<std::uint8_t> landed =
                    acmtest::ReadThrough(*source.buffer, 24000, 3000);
                ASSERT_EQ(landed.size(), 24000u) << seconds;
                const std::vector<std::int16_t> expected(whole.begin() + target / 2, whole.end());
                const char* how = seekMap != nullptr ? " with the map" : " without the map";
                // From one frame after the target on (see above).
                const auto [rms, lag] = BestMatch(Samples(landed), expected, 2,
                                                  seekMap != nullptr ? 1300 : 5 * 1152, 1152, 1000);
                EXPECT_LT(rms, rate == 44100 && seekMap != nullptr ? 2.0 : 3000.0)
                    << seconds << how << ", lag " << lag;
                // The map's entries are exact; without it the source offset is
                // estimated from the average frame size and the frames around it
                // that lack their reservoir are dropped.
                EXPECT_LE(std::abs(lag) * 4, (seekMap != nullptr ? 1 : 4) * frameBytes)
                    << seconds << how;
            }
        }
    }
}
