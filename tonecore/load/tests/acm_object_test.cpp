#include "tonecore/load/acm_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/wait_clock.h"
#include "tonecore/load/tests/acm_test_support.h"
#include "testsupport/wave_format_bytes.h"
#include "tonecore/pcm/pcm_convert.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/load/scan_progress.h"
#include "tonecore/peaks/seek_map.h"

namespace {

using testsupport::TFormatBytes;

// IMA ADPCM blocks of random codes (every code is valid; the step index in
// each header is kept inside the table).
std::vector<std::uint8_t> ImaBlocks(std::uint16_t channels, std::uint16_t align, int blocks, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(align) * blocks);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    for (int b = 0; b < blocks; ++b) {
        for (int ch = 0; ch < channels; ++ch) data[static_cast<std::size_t>(b) * align + 4 * ch + 2] %= 89;
    }
    return data;
}

TEST(ACMObject, SizesWithoutOpeningAndScalesSmallRequests) {
    // 256-byte blocks decode to 505 samples (1010 bytes).
    const TFormatBytes ima = testsupport::ImaAdpcmFormat(1, 8000, 256);
    ACMObject decoder(ima.Get(), kAcmUseDecode);
    ASSERT_EQ(decoder.SuggestPCMFormat(), 1);
    EXPECT_EQ(decoder.GetConvertedBufferSize(0), 0.0);
    EXPECT_EQ(decoder.GetSourceBufferSize(0), 0);
    // 100 bytes are sized as 102400 (400 blocks) and divided back.
    EXPECT_DOUBLE_EQ(decoder.GetConvertedBufferSize(100), 400 * 1010 / 1024.0);
    // 100 decoded bytes as 819200: 811 blocks of source, 207616 / 8192.
    EXPECT_EQ(decoder.GetSourceBufferSize(100), 207616 / 8192);
    EXPECT_DOUBLE_EQ(decoder.GetConvertedBufferSize(2560), 10100.0);
    EXPECT_EQ(decoder.GetSourceBufferSize(10100), 2560);
    // The stream was opened for each answer only.
    EXPECT_FALSE(decoder.StreamOpen());
}

TEST(ACMObject, FormatsAndTheirTextFollowTheStreamsState) {
    const TFormatBytes muLaw(WAVE_FORMAT_MULAW, 2, 8000, 2, 8);
    ACMObject decoder(muLaw.Get(), kAcmUseDecode);
    EXPECT_EQ(decoder.GetDestFormat(), nullptr);
    EXPECT_EQ(decoder.EnableStream(1), 0);  // nothing to decode to yet
    ASSERT_EQ(decoder.SuggestPCMFormat(), 1);
    const WAVEFORMATEX* pcm = decoder.GetDestFormat();
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(pcm->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(pcm->nChannels, 2);
    EXPECT_EQ(pcm->nSamplesPerSec, 8000u);
    EXPECT_EQ(pcm->wBitsPerSample, 16);
    EXPECT_EQ(pcm->nAvgBytesPerSec, 32000u);
    EXPECT_EQ(decoder.GetFrequency(), 8000);
    EXPECT_EQ(decoder.FirstFrameDecodesToCDQuality(), 0);

    char text[200] = "untouched";
    EXPECT_EQ(decoder.GetSrcFormatStr(text, sizeof text), 0);
    EXPECT_STREQ(text, "untouched");

    ASSERT_EQ(decoder.EnableStream(1), 1);
    EXPECT_EQ(decoder.EnableStream(1), 1);
    EXPECT_NE(decoder.DriverId(), 0u);
    const TFormatBytes other = testsupport::Pcm16Format(1, 8000);
    EXPECT_EQ(decoder.SetDestFormat(other.Get()), 0);
    EXPECT_EQ(decoder.SuggestPCMFormat(), 0);
    EXPECT_EQ(decoder.GetDestFormat()->nChannels, 2);
    ASSERT_EQ(decoder.GetSrcFormatStr(text, sizeof text), 1);
    EXPECT_NE(std::string(text).find("CCITT u-Law"), std::string::npos) << text;

    EXPECT_EQ(decoder.EnableStream(0), 1);
    EXPECT_EQ(decoder.DriverId(), 0u);
    EXPECT_EQ(decoder.SetDestFormat(other.Get()), 1);
    EXPECT_EQ(decoder.GetDestFormat()->nChannels, 1);

    const TFormatBytes cdALaw(WAVE_FORMAT_ALAW, 2, 44100, 2, 8);
    ACMObject cd(cdALaw.Get(), kAcmUseDecode);
    ASSERT_EQ(cd.SuggestPCMFormat(), 1);
    EXPECT_EQ(cd.FirstFrameDecodesToCDQuality(), 1);
}

TEST(ACMObject, CopiesOwnTheirFormatsAndStartClosed) {
    const TFormatBytes ms = testsupport::MsAdpcmFormat(2, 22050, 1024);
    auto* original = new ACMObject(ms.Get(), kAcmUseEncode);
    ASSERT_EQ(original->SuggestPCMFormat(), 1);
    original->SetBitRate(176);
    original->SetFrequency(11025);
    ASSERT_EQ(original->EnableStream(1), 1);
    ACMObject* copy = original->Copy();
    ASSERT_NE(copy, nullptr);
    delete original;  // the copy must not lean on anything of the original's

    EXPECT_FALSE(copy->StreamOpen());
    EXPECT_EQ(copy->DriverId(), 0u);
    EXPECT_EQ(copy->Use(), kAcmUseEncode);
    EXPECT_EQ(copy->GetBitRate(), 176);
    EXPECT_EQ(copy->GetBestBitRate(), 176);
    EXPECT_EQ(copy->GetFrequency(), 11025);
    ASSERT_EQ(copy->GetSrcFormat()->cbSize, ms.Get()->cbSize);
    EXPECT_EQ(std::memcmp(copy->GetSrcFormat(), ms.bytes.data(), ms.bytes.size()), 0);
    EXPECT_EQ(copy->GetDestFormat()->nSamplesPerSec, 22050u);
    EXPECT_EQ(copy->EnableStream(1), 1);
    delete copy;
}

TEST(ACMObject, FormatRecordIsCutToTheBytesPresent) {
    // A "fmt " chunk of 22 bytes whose record claims 32 extension bytes.
    const TFormatBytes ms = testsupport::MsAdpcmFormat(1, 8000, 256);
    ACMObject cut(ms.Get(), 22, kAcmUseDecode);
    EXPECT_EQ(cut.GetSrcFormat()->cbSize, 4);
    EXPECT_EQ(cut.GetSrcFormat()->wFormatTag, WAVE_FORMAT_ADPCM);
    // Four extension bytes hold no predictor pairs: nothing decodes it.
    EXPECT_EQ(cut.SuggestPCMFormat(), 0);
    EXPECT_EQ(cut.GetDestFormat(), nullptr);
    const TFormatBytes pcm = testsupport::Pcm16Format(1, 8000);
    ASSERT_EQ(cut.SetDestFormat(pcm.Get()), 1);
    EXPECT_EQ(cut.EnableStream(1), 0);

    CMemObj* stream = acmtest::WindowStream(std::vector<std::uint8_t>(2560, 0));
    CSeekMap* map = nullptr;
    CPeaks* peaks = nullptr;
    std::int32_t length = -5;
    std::int64_t done = 0;
    cut.ParseScanAndBuild(stream, map, peaks, &length, &done, 44, 44 + 2560, 0, 1, 1, 1, 10, 0, 0, nullptr,
                          nullptr);
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(peaks, nullptr);
    EXPECT_EQ(length, -5);
    DeleteRefObject(&stream);

    // Fewer bytes than the record itself: the rest reads as zero.
    ACMObject shortRecord(ms.Get(), 10, kAcmUseDecode);
    EXPECT_EQ(shortRecord.GetSrcFormat()->wFormatTag, WAVE_FORMAT_ADPCM);
    EXPECT_EQ(shortRecord.GetSrcFormat()->nBlockAlign, 0);
    EXPECT_EQ(shortRecord.GetSrcFormat()->cbSize, 0);
    EXPECT_EQ(shortRecord.SuggestPCMFormat(), 0);
}

// "fmt " records of every tag the codec layer knows, each field in turn set
// at or beyond its limits and extensions shorter than they claim, over
// random data: whatever opens must scan, seek and read without faults and
// end.
TEST(ACMObject, HostileFormatRecordsFailCleanly) {
    const std::vector<std::uint8_t> mp3Extension = {1, 0, 2, 0, 0, 0, 0xA2, 0x01, 1, 0, 0x71, 0x05};
    const TFormatBytes valid[] = {
        testsupport::ImaAdpcmFormat(1, 8000, 256),
        testsupport::ImaAdpcmFormat(2, 22050, 512),
        testsupport::MsAdpcmFormat(1, 11025, 256),
        testsupport::MsAdpcmFormat(2, 44100, 1024),
        TFormatBytes(WAVE_FORMAT_ALAW, 2, 8000, 2, 8),
        TFormatBytes(WAVE_FORMAT_MULAW, 1, 8000, 1, 8),
        TFormatBytes(WAVE_FORMAT_GSM610, 1, 8000, 65, 0, {0x40, 0x01}),
        TFormatBytes(WAVE_FORMAT_MPEGLAYER3, 2, 44100, 1, 0, mp3Extension),
    };
    const std::uint32_t wide[] = {0, 1, 2, 3, 7, 65, 48001, 0xFFFF, 0x10000, 0xFFFFFFFFu};
    std::mt19937 rng(2024);
    int decoded = 0;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        TFormatBytes format = valid[rng() % std::size(valid)];
        WAVEFORMATEX& record = *format.Get();
        const std::uint32_t value = wide[rng() % std::size(wide)];
        switch (rng() % 6) {
            case 0: record.nChannels = static_cast<std::uint16_t>(value); break;
            case 1: record.nSamplesPerSec = value; break;
            case 2: record.nBlockAlign = static_cast<std::uint16_t>(value); break;
            case 3: record.nAvgBytesPerSec = value; break;
            case 4: record.cbSize = static_cast<std::uint16_t>(value); break;  // more than follows
            default:  // extension bytes scrambled
                for (std::size_t i = sizeof(WAVEFORMATEX); i < format.bytes.size(); ++i) {
                    format.bytes[i] = static_cast<std::uint8_t>(rng());
                }
        }
        std::vector<std::uint8_t> data(rng() % 6000);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());

        ACMObject decoder(format.Get(), static_cast<std::uint32_t>(format.bytes.size()), kAcmUseDecode);
        EXPECT_LE(decoder.GetSrcFormat()->cbSize, format.bytes.size() - sizeof(WAVEFORMATEX));
        if (!decoder.SuggestPCMFormat()) continue;
        ++decoded;
        CMemObj* stream = acmtest::WindowStream(data);
        CSeekMap* map = nullptr;
        CPeaks* peaks = nullptr;
        std::int32_t length = 0;
        decoder.ParseScanAndBuild(stream, map, peaks, &length, nullptr, 44,
                                  44 + static_cast<std::int64_t>(data.size()), 0, 1, 1, 1, 10, 0, 0, nullptr, nullptr);
        EXPECT_GE(length, 0);
        for (CSeekMap* withMap : {map, static_cast<CSeekMap*>(nullptr)}) {
            acmtest::TBufferedSource source(decoder, stream, withMap);
            source.buffer->Seek(static_cast<std::int64_t>(rng() % 20000));
            acmtest::ReadThrough(*source.buffer, 30000, 4000);
        }
        ReleaseSeekMap(&map);
        delete peaks;
        DeleteRefObject(&stream);
    }
    // Enough records stayed decodable for the rounds to mean something.
    EXPECT_GT(decoded, 100);
}

// A decoding object of another family, as the MP3 and WMA objects are.
class COtherDecoder : public ACMObject {
public:
    using ACMObject::ACMObject;
    int IsACM() override { return isAcm; }
    std::int32_t BlockSize(const WAVEFORMATEX*) override { return 418; }
    int isAcm = 0;
};

TEST(ACMObject, PcmOrAcmAndBlockSizeAskTheDecoder) {
    const TFormatBytes ima = testsupport::ImaAdpcmFormat(1, 8000, 256);
    ACMObject acm(ima.Get(), kAcmUseDecode);
    COtherDecoder other(ima.Get(), kAcmUseDecode);
    EXPECT_EQ(IsPCMOrACM(nullptr), 1);
    EXPECT_EQ(IsPCMOrACM(&acm), 1);
    EXPECT_EQ(IsPCMOrACM(&other), 0);
    other.isAcm = 5;
    EXPECT_EQ(IsPCMOrACM(&other), 1);
    EXPECT_EQ(BlockSize(ima.Get(), nullptr), 256);
    EXPECT_EQ(BlockSize(ima.Get(), &acm), 256);
    EXPECT_EQ(BlockSize(ima.Get(), &other), 418);
}

// The WAV converter's use: PCM into another PCM format, block by block.
class PcmConversion : public ::testing::Test {
protected:
    // Converts audio handed over in pieces of the given sizes (cycled), with
    // room for `room(bytes)` destination bytes per call; whatever a call
    // does not take is handed over again. The bytes made.
    template <typename Room>
    std::vector<std::uint8_t> Convert(const WAVEFORMATEX& to, const std::vector<std::size_t>& pieces, Room room,
                                      bool* allTaken = nullptr) {
        ACMObject converter(cd.Get(), kAcmUseEncode);
        EXPECT_EQ(converter.SetDestFormat(&to), 1);
        EXPECT_EQ(converter.EnableStream(1), 1);
        std::vector<std::uint8_t> made;
        std::vector<std::uint8_t> pending;
        if (allTaken != nullptr) *allTaken = true;
        std::size_t at = 0;
        for (std::size_t i = 0; at < audio.size() || !pending.empty(); ++i) {
            const std::size_t take = std::min(pieces[i % pieces.size()], audio.size() - at);
            pending.insert(pending.end(), audio.begin() + static_cast<std::ptrdiff_t>(at),
                           audio.begin() + static_cast<std::ptrdiff_t>(at + take));
            at += take;
            std::vector<std::uint8_t> out(room(pending.size()));
            std::uint8_t* target = out.data();
            std::int64_t used = static_cast<std::int64_t>(pending.size());
            const std::int64_t produced =
                converter.Convert(pending.data(), used, target, static_cast<std::int64_t>(out.size()), kConversionNext, 0);
            made.insert(made.end(), out.begin(), out.begin() + produced);
            if (allTaken != nullptr && used != static_cast<std::int64_t>(pending.size())) *allTaken = false;
            if (produced != static_cast<std::int64_t>(out.size()) && allTaken != nullptr) *allTaken = false;
            pending.erase(pending.begin(), pending.begin() + used);
            if (at == audio.size() && used == 0) break;
        }
        return made;
    }

    const TFormatBytes cd = testsupport::Pcm16Format(2, 44100);
    std::vector<std::uint8_t> audio = Ramp();

    // A second of stereo frames whose left sample is 10 x the frame number
    // (wrapping) and whose right sample is its negative.
    static std::vector<std::uint8_t> Ramp() {
        std::vector<std::uint8_t> out;
        for (std::int32_t i = 0; i < 44100; ++i) {
            const auto v = static_cast<std::int16_t>((i * 10) % 30000);
            testsupport::PutLe16(out, v);
            testsupport::PutLe16(out, -v);
        }
        return out;
    }
};

TEST_F(PcmConversion, CountsAreExactAndPiecesGiveTheWholeConversion) {
    struct TCase {
        const char* what;
        TFormatBytes target;
    };
    const TCase cases[] = {
        {"22050 Hz 8-bit mono", TFormatBytes(WAVE_FORMAT_PCM, 1, 22050, 1, 8)},
        {"48000 Hz stereo", testsupport::Pcm16Format(2, 48000)},
        {"11025 Hz stereo", testsupport::Pcm16Format(2, 11025)},
        {"8000 Hz mono", testsupport::Pcm16Format(1, 8000)},
        {"44100 Hz 8-bit", TFormatBytes(WAVE_FORMAT_PCM, 2, 44100, 2, 8)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const WAVEFORMATEX& to = *c.target.Get();
        const auto plenty = [](std::size_t bytes) { return bytes * 2 + 64; };
        const std::vector<std::uint8_t> whole = Convert(to, {audio.size()}, plenty);
        // ceil(frames x rate out / rate in) frames.
        const std::uint64_t frames = (44100ull * to.nSamplesPerSec + 44099) / 44100;
        EXPECT_EQ(whole.size(), frames * to.nBlockAlign);
        EXPECT_TRUE(Convert(to, {1, 4000, 7, 2353, 100000, 3}, plenty) == whole);
        // Tight room: each call makes what fits and leaves the rest.
        EXPECT_TRUE(Convert(to, {5000}, [](std::size_t) { return std::size_t{1000}; }) == whole);
        // CD sectors with room for their exact share: every byte taken and
        // the room filled on every call, where the share is whole.
        if (to.nSamplesPerSec % 75 == 0) {
            bool allTaken = false;
            const auto share = [&to](std::size_t bytes) {
                const auto out = static_cast<std::size_t>(static_cast<double>(to.nAvgBytesPerSec) * bytes / 176400);
                return out / to.nBlockAlign * to.nBlockAlign;
            };
            EXPECT_TRUE(Convert(to, {2352 * 7}, share, &allTaken) == whole);
            EXPECT_TRUE(allTaken);
        }
    }
}

TEST_F(PcmConversion, InterpolatesOneSourceFrameBehindAndCopiesAtEqualRates) {
    const TFormatBytes half = testsupport::Pcm16Format(2, 22050);
    const auto plenty = [](std::size_t bytes) { return bytes * 2 + 64; };
    const std::vector<std::uint8_t> halved = Convert(*half.Get(), {audio.size()}, plenty);
    // Output frame k lies on source frame 2k - 1 (the first on frame 0).
    for (std::int32_t k : {0, 1, 2, 3, 100}) {
        const std::int32_t expected = k == 0 ? 0 : (2 * k - 1) * 10;
        EXPECT_EQ(testsupport::GetLe16(halved.data() + 4 * k), expected) << k;
        EXPECT_EQ(testsupport::GetLe16(halved.data() + 4 * k + 2), -expected) << k;
    }
    const TFormatBytes narrow(WAVE_FORMAT_PCM, 1, 44100, 1, 8);
    const std::vector<std::uint8_t> mono8 = Convert(*narrow.Get(), {audio.size()}, plenty);
    ASSERT_EQ(mono8.size(), 44100u);
    // Equal rates: frame k is source frame k (left and right cancel).
    for (std::int32_t k : {0, 1, 500, 44099}) EXPECT_EQ(mono8[static_cast<std::size_t>(k)], 128) << k;
}

// The IMA stream of the scan tests: mono, 8000 Hz, 25 blocks of 256 bytes,
// after a 44-byte header. Each block decodes to 1010 bytes.
class ACMScan : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(decoder.SuggestPCMFormat(), 1);
        stream = acmtest::WindowStream(data);
    }
    void TearDown() override {
        ReleaseSeekMap(&map);
        delete peaks;
        DeleteRefObject(&stream);
    }
    void Scan(TScanProgress progress = nullptr, void* context = nullptr, int cancelled = 0) {
        decoder.ParseScanAndBuild(stream, map, peaks, &length, &done, 44, 44 + 6400, cancelled, 1, 1, 1, 10, 0, 0,
                                  progress, context);
    }

    const TFormatBytes ima = testsupport::ImaAdpcmFormat(1, 8000, 256);
    const std::vector<std::uint8_t> data = ImaBlocks(1, 256, 25);
    ACMObject decoder{ima.Get(), kAcmUseDecode};
    CMemObj* stream = nullptr;
    CSeekMap* map = nullptr;
    CPeaks* peaks = nullptr;
    std::int32_t length = -5;
    std::int64_t done = 0;
};

struct TProgressScript {
    std::vector<int> answers;
    std::vector<std::uint32_t> counts;
    // The wait clock's time at each call.
    std::vector<std::int64_t> times;
};

int ScriptedProgress(std::uint32_t count, void* context) {
    auto* script = static_cast<TProgressScript*>(context);
    script->counts.push_back(count);
    script->times.push_back(WaitClockMilliseconds());
    const std::size_t i = script->counts.size() - 1;
    return i < script->answers.size() ? script->answers[i] : 1;
}

TEST_F(ACMScan, FindsTheLengthPeaksAndSeekMapInPassesOfTenBlocks) {
    TProgressScript progress;
    Scan(ScriptedProgress, &progress);
    // Passes of 2560, 2560 and 1280 source bytes.
    EXPECT_EQ(progress.counts, (std::vector<std::uint32_t>{2560, 2560, 1280}));
    EXPECT_EQ(done, 6400);
    // 25 x 1010 decoded bytes at 16000 bytes per second.
    EXPECT_EQ(length, 25 * 1010 * 1000 / 16000);
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map->Count(), 4);
    const std::int64_t keys[] = {0, 10100, 20200, 25250};
    const std::int64_t values[] = {0, 2560, 5120, 6400};
    for (std::int32_t i = 0; i < 4; ++i) {
        std::int64_t value = -1;
        EXPECT_EQ(map->SeekMapFind(keys[i], &value, nullptr, 0), keys[i]);
        EXPECT_EQ(value, values[i]);
    }
    // 160 bytes per 10 ms peak: 157 whole peaks of 25250 bytes.
    ASSERT_NE(peaks, nullptr);
    EXPECT_EQ(peaks->GetNumPeaks(), 157u);
    EXPECT_EQ(peaks->LengthOfSound(), length);
    EXPECT_GT(peaks->GetMaxLeft(), 0);
    EXPECT_EQ(stream->DataMode(), 0);
}

std::int64_t g_heldNow = 0;

TEST_F(ACMScan, HoldsWhileTheCallbackAsksAndCancelsOnZero) {
    // Hold after the first pass (asked again with 0, reading nothing), go on,
    // then cancel after the second.
    TProgressScript progress{{-1, -1, 1, 0}, {}, {}};
    stream->SetDataMode(CRefObj::kLoopData);
    // A clock whose pauses only move it on: a held scan must pause between
    // its asks rather than ask again at once.
    g_heldNow = 0;
    const TWaitClock real = SetWaitClock({[](std::uint32_t ms) { g_heldNow += ms; }, [] { return g_heldNow; }});
    Scan(ScriptedProgress, &progress);
    SetWaitClock(real);
    EXPECT_EQ(progress.counts, (std::vector<std::uint32_t>{2560, 0, 0, 2560}));
    const std::int64_t pause = CScanProgress::kHoldPauseMs;
    EXPECT_EQ(progress.times, (std::vector<std::int64_t>{0, pause, 2 * pause, 2 * pause}));
    EXPECT_EQ(map, nullptr);
    EXPECT_EQ(peaks, nullptr);
    EXPECT_EQ(length, -5);
    EXPECT_EQ(done, 5120);
    EXPECT_EQ(stream->DataMode(), CRefObj::kLoopData);
}

TEST_F(ACMScan, DoesNothingWhenThereIsNothingToDo) {
    struct TCase {
        const char* what;
        int cancelled, scanA, buildPeaks, buildMap;
        std::int64_t start, end;
    };
    for (const TCase& c : {TCase{"cancelled", 1, 1, 1, 1, 44, 6444}, TCase{"nothing asked", 0, 0, 0, 0, 44, 6444},
                           TCase{"negative start", 0, 1, 1, 1, -1, 6444}, TCase{"empty window", 0, 1, 1, 1, 44, 44}}) {
        SCOPED_TRACE(c.what);
        decoder.ParseScanAndBuild(stream, map, peaks, &length, &done, c.start, c.end, c.cancelled, c.scanA,
                                  c.buildPeaks, c.buildMap, 10, 0, 0, nullptr, nullptr);
        EXPECT_EQ(map, nullptr);
        EXPECT_EQ(peaks, nullptr);
        EXPECT_EQ(length, -5);
        EXPECT_EQ(done, 0);
    }
}

// Stereo IMA, 512-byte blocks of 505 frames (2020 bytes), 40 blocks.
class ACMBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(decoder.SuggestPCMFormat(), 1);
        stream = acmtest::WindowStream(data, 60);
        reference = acmtest::StraightDecode(ima.Get(), decoder.GetDestFormat(), data);
        ASSERT_EQ(reference.size(), 40u * 2020);
    }
    void TearDown() override {
        ReleaseSeekMap(&map);
        delete peaks;
        DeleteRefObject(&stream);
    }
    void ScanForMap() {
        std::int32_t length = 0;
        decoder.ParseScanAndBuild(stream, map, peaks, &length, nullptr, 60, 60 + 40 * 512, 0, 1, 0, 1, 10, 0, 0,
                                  nullptr, nullptr);
        ASSERT_NE(map, nullptr);
    }
    std::vector<std::uint8_t> Slice(std::size_t from, std::size_t count) const {
        count = std::min(count, reference.size() - from);
        return {reference.begin() + static_cast<std::ptrdiff_t>(from),
                reference.begin() + static_cast<std::ptrdiff_t>(from + count)};
    }

    const TFormatBytes ima = testsupport::ImaAdpcmFormat(2, 22050, 512);
    const std::vector<std::uint8_t> data = ImaBlocks(2, 512, 40, 11);
    ACMObject decoder{ima.Get(), kAcmUseDecode};
    CMemObj* stream = nullptr;
    CSeekMap* map = nullptr;
    CPeaks* peaks = nullptr;
    std::vector<std::uint8_t> reference;
};

TEST_F(ACMBufferTest, ReadsInAnyPiecesAsTheStraightDecodeAndKeepsTheRest) {
    for (std::uint32_t piece : {1000u, 7u, 2020u, 100000u}) {
        SCOPED_TRACE(piece);
        acmtest::TBufferedSource source(decoder, stream, nullptr);
        ASSERT_EQ(source.buffer->Seek(0), 1);
        EXPECT_EQ(acmtest::ReadThrough(*source.buffer, reference.size() + 10, piece), reference);
        EXPECT_EQ(source.buffer->DecodedPosition(), static_cast<std::int64_t>(reference.size()));
    }

    acmtest::TBufferedSource source(decoder, stream, nullptr);
    ASSERT_EQ(source.buffer->Seek(0), 1);
    std::vector<std::uint8_t> some(1000);
    ASSERT_EQ(source.buffer->ReadData(some.data(), 1000), 1000);
    // One block was decoded for the thousand bytes; the rest waits.
    EXPECT_EQ(source.buffer->LeftoverBytes(), 1020u);
    ASSERT_EQ(source.buffer->Seek(4040), 1);
    EXPECT_EQ(source.buffer->LeftoverBytes(), 0u);
    EXPECT_EQ(acmtest::ReadThrough(*source.buffer, 3000, 1500), Slice(4040, 3000));
}

TEST_F(ACMBufferTest, SeeksLikeAStraightDecodeWithAndWithoutASeekMap) {
    ScanForMap();
    std::mt19937 rng(3);
    std::vector<std::int64_t> positions = {0, 4, 2020, 2024, 20200 + 4 * 17, 40 * 2020 - 4, 40 * 2020 - 2020};
    for (int i = 0; i < 6; ++i) positions.push_back(4 * static_cast<std::int64_t>(rng() % (40 * 505)));
    for (CSeekMap* withMap : {map, static_cast<CSeekMap*>(nullptr)}) {
        for (const std::int64_t position : positions) {
            SCOPED_TRACE(::testing::Message() << (withMap ? "map " : "no map ") << position);
            acmtest::TBufferedSource source(decoder, stream, withMap);
            ASSERT_EQ(source.buffer->Seek(position), 1);
            EXPECT_EQ(source.buffer->DecodedPosition(), position);
            EXPECT_EQ(acmtest::ReadThrough(*source.buffer, 5000, 1234),
                      Slice(static_cast<std::size_t>(position), 5000));
        }
    }
}

TEST_F(ACMBufferTest, LoopedSourceRewindsAtItsEndAndWrapsSeeks) {
    stream->SetDataMode(CRefObj::kLoopData);
    acmtest::TBufferedSource source(decoder, stream, nullptr);
    ASSERT_EQ(source.buffer->Seek(0), 1);
    std::vector<std::uint8_t> expected = reference;
    expected.insert(expected.end(), reference.begin(), reference.begin() + 3000);
    EXPECT_EQ(acmtest::ReadThrough(*source.buffer, expected.size(), 1500), expected);

    // Past the end without a map: the source offset wraps into the data.
    ASSERT_EQ(source.buffer->Seek(static_cast<std::int64_t>(reference.size()) + 5000), 1);
    EXPECT_EQ(acmtest::ReadThrough(*source.buffer, 2000, 2000), Slice(5000, 2000));

    // With a map it wraps by the map's length.
    ScanForMap();
    source.buffer->SetSeekMap(map);
    ASSERT_EQ(source.buffer->Seek(2 * static_cast<std::int64_t>(reference.size()) + 7000), 1);
    EXPECT_EQ(acmtest::ReadThrough(*source.buffer, 2000, 2000), Slice(7000, 2000));
    EXPECT_EQ(map->References(), 2);
}

// Records the conversion flags it is called with.
class CFlagRecorder : public ACMObject {
public:
    using ACMObject::ACMObject;
    std::int64_t Convert(const std::uint8_t* source, std::int64_t& sourceBytes, std::uint8_t*& destination,
                         std::int64_t destinationBytes, TConversionFlag flag, int last) override {
        flags.push_back(flag);
        return ACMObject::Convert(source, sourceBytes, destination, destinationBytes, flag, last);
    }
    std::vector<int> flags;
};

TEST_F(ACMBufferTest, DecodingRestartsWithTheFirstFlagAfterSeeksAndAtTheTopOfALoop) {
    CFlagRecorder recorder(ima.Get(), kAcmUseDecode);
    ASSERT_EQ(recorder.SuggestPCMFormat(), 1);
    stream->SetDataMode(CRefObj::kLoopData);
    acmtest::TBufferedSource source(recorder, stream, nullptr);
    ASSERT_EQ(source.buffer->Seek(2020 * 39 + 8), 1);  // decodes the last block
    EXPECT_EQ(recorder.flags, std::vector<int>{kConversionFirst});
    // The seek's own read ran on over the window's top (the stream loops), so
    // its rest is kept; reading on goes once round the window and further.
    // The read that reaches the window's end rewinds it, and the conversion
    // after that starts afresh.
    recorder.flags.clear();
    std::vector<std::uint8_t> expected(reference.end() - 2012, reference.end());
    expected.insert(expected.end(), reference.begin(), reference.end());
    expected.insert(expected.end(), reference.begin(), reference.begin() + 4040);
    EXPECT_EQ(acmtest::ReadThrough(*source.buffer, expected.size(), 3000), expected);
    ASSERT_FALSE(recorder.flags.empty());
    EXPECT_EQ(recorder.flags.front(), kConversionNext);
    EXPECT_EQ(std::count(recorder.flags.begin(), recorder.flags.end(), kConversionFirst), 1);
}

TEST_F(ACMBufferTest, CopiesShareTheSeekMapButNotTheDecoder) {
    ScanForMap();
    auto* buffer = decoder.NewBuffer(map);
    buffer->SetACMObject(&decoder);
    EXPECT_EQ(map->References(), 2);
    CACMBuffer* copy = decoder.NewBuffer(*buffer);
    EXPECT_EQ(map->References(), 3);
    EXPECT_EQ(copy->GetSeekMap(), map);
    EXPECT_EQ(copy->GetACMObject(), nullptr);
    delete buffer;
    delete copy;
    EXPECT_EQ(map->References(), 1);
}

// A codec whose answers give nothing: sizes 0, or conversions that neither
// take nor make anything. Reads, seeks and scans must end.
class CStuckDecoder : public ACMObject {
public:
    using ACMObject::ACMObject;
    double GetConvertedBufferSize(std::int64_t n) override { return sizes ? ACMObject::GetConvertedBufferSize(n) : 0.0; }
    std::int64_t GetSourceBufferSize(std::int64_t n) override { return sizes ? ACMObject::GetSourceBufferSize(n) : 0; }
    std::int64_t Convert(const std::uint8_t*, std::int64_t& sourceBytes, std::uint8_t*&, std::int64_t,
                         TConversionFlag, int) override {
        if (!takes) sourceBytes = 0;
        return 0;
    }
    bool sizes = false;
    bool takes = false;  // takes every byte, yet makes nothing
};

TEST_F(ACMBufferTest, CodecsThatGiveNothingEndReadsSeeksAndScans) {
    for (auto [sizes, takes] : {std::pair{false, false}, {true, false}, {true, true}}) {
        for (int mode : {0, CRefObj::kLoopData}) {
            SCOPED_TRACE(::testing::Message() << "sizes " << sizes << " takes " << takes << " mode " << mode);
            CStuckDecoder stuck(ima.Get(), kAcmUseDecode);
            ASSERT_EQ(stuck.SuggestPCMFormat(), 1);
            stuck.sizes = sizes;
            stuck.takes = takes;
            stream->SetDataMode(mode);
            acmtest::TBufferedSource source(stuck, stream, nullptr);
            std::int64_t sourceBytes = -1;
            source.buffer->BufferSanityAdjust(5000, sourceBytes);
            // Inside a block, so decoding is needed, and nothing gets there:
            // the seek fails, except where a read-once source was read to its
            // end, which stops the seek with the stream's placement result.
            EXPECT_EQ(source.buffer->Seek(5000), takes && mode == 0 ? 1 : 0);
            EXPECT_LT(source.buffer->DecodedPosition(), 5000);
            std::vector<std::uint8_t> out(3000);
            EXPECT_EQ(source.buffer->ReadData(out.data(), 3000), 0);

            std::int32_t length = -5;
            stuck.ParseScanAndBuild(stream, map, peaks, &length, nullptr, 60, 60 + 40 * 512, 0, 1, 1, 1, 10, 0, 0,
                                    nullptr, nullptr);
            EXPECT_EQ(length, 0);
            ReleaseSeekMap(&map);
            delete peaks;
            peaks = nullptr;
        }
    }
}

}  // namespace
