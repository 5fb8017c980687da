// Session tracks: where the play data is stored, how a stored track settles
// after reading, copies, the burn checks and the counters shared between
// threads.
#include "songsmith/session/cd_track.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <bit>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "filekit/mem_obj.h"
#include "filekit/ref_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "filekit/tests/chunk_builder.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/burner/burn_file_hold.h"
#include "songsmith/session/song_entry.h"
#include "testsupport/temp_dir.h"
#include "tonecore/peaks/temp_sound_path.h"
#include "songsmith/session/tests/track_fixture.h"

namespace {

using tracktest::AnalysedTrack;

// Bytes behind the RIFF header and the record chunk's header.
constexpr std::int64_t kRecordStart = 20;

// The record bytes track.Write puts into a session file's chunk.
std::string WrittenRecord(CCDTrack& track) {
    auto* out = new CMemObj();
    out->Create();
    CRIFF riff;
    riff.Create(out, FourCC("cdss"));
    riff.StartWriteStream(FourCC("cdtr"));
    const auto start = static_cast<std::size_t>(out->Tell());
    EXPECT_TRUE(track.Write(riff, 5));
    const std::string record = chunk_builder::Contents(out).substr(start);
    riff.Close();
    DeleteRefObject(&out);
    return record;
}

// Reads a record written by WrittenRecord into track.
bool ReadRecord(CCDTrack& track, const std::string& record) {
    CMemObj* mem = chunk_builder::MemStream(
        chunk_builder::Riff("cdss", {chunk_builder::Chunk("cdtr", record)}));
    CRIFF riff;
    _chunkInfo header;
    const bool opened =
        riff.Open(mem, &header) && riff.SeekToChunk(FourCC("cdtr"), 0, 1) && mem->Seek(kRecordStart, 0);
    const bool read = opened && track.Read(riff, 5);
    riff.Close();
    DeleteRefObject(&mem);
    return read;
}

// Little-endian readers of the written bytes, independent of the code under
// test.
std::uint32_t WordAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + static_cast<std::size_t>(i)));
    return value;
}
double DoubleAt(const std::string& bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes.at(offset + static_cast<std::size_t>(i)));
    return std::bit_cast<double>(bits);
}

TEST(CDTrackRecord, EveryPlayDataFieldLandsAtItsStoredOffsetAndReadsBack) {
    CPreferences prefs;
    prefs.LastTrackID = 4242;
    prefs.LastMultiTrackSoundID = 9090;
    auto track = AnalysedTrack(prefs, 60000, kTrackFailedPrep);
    track->RenewChangeStamp();
    track->SetPeakLevel(0.625);
    track->SetVolume(1.75);
    track->SetFileSize(0x01020304);
    track->SetFileTime(0x0A0B0C0D);
    track->SetCdQuality(true);
    track->SetAnalysedWhenStored(false);
    track->SetSilenceWarned(true);
    track->SetIncompleteWarned(true);

    const std::string bytes = WrittenRecord(*track);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(TONECORE_CMusicInfo::kVersion5Bytes));
    EXPECT_EQ(DoubleAt(bytes, 6123), 0.625);
    EXPECT_EQ(DoubleAt(bytes, 6151), 1.75);
    EXPECT_EQ(WordAt(bytes, 6159), 9090u);
    EXPECT_EQ(WordAt(bytes, 6163), 4242u);
    EXPECT_EQ(WordAt(bytes, 6167), static_cast<std::uint32_t>(kTrackFailedPrep));
    EXPECT_EQ(WordAt(bytes, 5713), 0x01020304u);
    EXPECT_EQ(WordAt(bytes, 5717), 0x0A0B0C0Du);
    const struct {
        std::size_t offset;
        int value;
    } kFlags[] = {{5445, 1}, {5446, 0}, {5447, 0}, {5448, 1}, {5449, 0}, {5450, 1}};
    for (const auto& flag : kFlags)
        EXPECT_EQ(static_cast<unsigned char>(bytes.at(flag.offset)), flag.value) << flag.offset;

    CCDTrack back(prefs);
    ASSERT_TRUE(ReadRecord(back, bytes));
    EXPECT_EQ(back.GetPeakLevel(), 0.625);
    EXPECT_EQ(back.GetVolume(), 1.75);
    EXPECT_EQ(back.GetChangeStamp(), 9090);
    EXPECT_EQ(back.GetSerial(), 4242);
    EXPECT_EQ(back.GetState(), kTrackFailedPrep);
    EXPECT_EQ(back.GetFileSize(), 0x01020304u);
    EXPECT_EQ(back.GetFileTime(), 0x0A0B0C0Du);
    EXPECT_TRUE(back.IsCdQuality());
    EXPECT_TRUE(back.IsSilenceWarned());
    EXPECT_TRUE(back.IsIncompleteWarned());
    EXPECT_EQ(WrittenRecord(back), bytes);
}

// A song file with a peaks cache in the place the loader keeps it.
class StoredTrackTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = dir.File("song.wav");
        testsupport::WriteWholeFile(song, "not decoded here");
        char cache[PATH_MAX];
        ASSERT_EQ(MakeTempPath2((song + ".ipk").c_str(), cache, sizeof cache, 1), 1);
        peaks = cache;
    }
    std::uint32_t SongTime() const {
        struct stat st {};
        EXPECT_EQ(stat(song.c_str(), &st), 0);
        return static_cast<std::uint32_t>(st.st_mtime);
    }
    // A complete cache: length, ms per peak, N, the peaks, seven words.
    void WritePeaks() const {
        std::string bytes;
        auto word = [&bytes](std::uint32_t v) {
            for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(v >> shift));
        };
        word(200);
        word(20);
        word(10);
        bytes.append(10, '\x40');
        for (std::uint32_t v : {1000u, 1000u, 0u, 200u, 0u, 0u, 0u}) word(v);
        testsupport::WriteWholeFile(peaks, bytes);
    }
    // The record of an analysed track of the song, stored while state.
    std::string StoredRecord(int state, bool analysed) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "%s", song.c_str());
        info.lengthMs = 200;
        auto track = std::make_unique<CCDTrack>(prefs, info);
        track->SetState(state);
        track->SetFileTime(SongTime());
        track->SetAnalysedWhenStored(analysed);
        return WrittenRecord(*track);
    }

    testsupport::TempDir dir;
    std::string song;
    std::string peaks;
    CPreferences prefs;
};

TEST_F(StoredTrackTest, AStoredAnalysisIsKeptOnlyWhileItsCacheFitsTheSong) {
    enum class ECache { kFresh, kSongChanged, kMissing };
    const struct {
        ECache cache;
        bool analysed;
        int state;
    } kCases[] = {
        {ECache::kFresh, true, kTrackReady},
        {ECache::kSongChanged, false, kTrackWaiting},
        {ECache::kMissing, false, kTrackWaiting},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.cache));
        std::remove(peaks.c_str());
        testsupport::WriteWholeFile(song, "not decoded here");
        const std::string record = StoredRecord(kTrackReady, true);
        if (c.cache != ECache::kMissing) WritePeaks();
        if (c.cache == ECache::kSongChanged) {
            const utimbuf later{SongTime() + 100, SongTime() + 100};
            ASSERT_EQ(utime(song.c_str(), &later), 0);
        }
        CCDTrack track(prefs);
        ASSERT_TRUE(ReadRecord(track, record));
        EXPECT_EQ(track.GetState(), c.state);
        EXPECT_EQ(track.IsAnalysed(), c.analysed);
        EXPECT_EQ(track.IsAnalysedWhenStored(), c.analysed);
    }
}

TEST_F(StoredTrackTest, ATrackMadeFromASongEntryTrustsItsCacheWhenReadBack) {
    CSongEntry entry;
    std::snprintf(entry.path, sizeof entry.path, "%s", song.c_str());
    entry.fileTime = SongTime();
    entry.lengthMs = 200;
    CCDTrack track(prefs);
    ASSERT_TRUE(track.SetFromSongEntry(entry));
    EXPECT_EQ(track.GetState(), kTrackWaiting);
    track.SetAnalysedWhenStored(true);
    WritePeaks();
    CCDTrack back(prefs);
    ASSERT_TRUE(ReadRecord(back, WrittenRecord(track)));
    EXPECT_EQ(back.GetState(), kTrackReady);
}

TEST_F(StoredTrackTest, ATrackStoredWhileLoadingWaitsAfterReading) {
    CCDTrack track(prefs);
    ASSERT_TRUE(ReadRecord(track, StoredRecord(kTrackPrep, false)));
    EXPECT_EQ(track.GetState(), kTrackWaiting);
    ASSERT_TRUE(ReadRecord(track, StoredRecord(kTrackFileNotFound, false)));
    EXPECT_EQ(track.GetState(), kTrackFileNotFound);
}

TEST(CDTrackCopy, KeepsItsOwnSerialAndTrimsToThePartAsked) {
    CPreferences prefs;
    auto source = AnalysedTrack(prefs, 60000, kTrackReady);
    source->SetUserTrims(1000, 50000);
    source->RenewChangeStamp();
    source->SetTempFile("/tmp/not-made-converted.wav");
    const struct {
        int start, end;
        std::int32_t userStart, userEnd, autoStart, autoEnd;
    } kCases[] = {
        {-1, -1, 1000, 50000, 0, 60000},
        {5000, -1, 5000, 50000, 5000, 50000},
        {-1, 20000, 1000, 20000, 1000, 20000},
        {3000, 9000, 3000, 9000, 3000, 9000},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.start);
        CCDTrack copy(prefs);
        const int serial = copy.GetSerial();
        copy.CopyFrom(*source, c.start, c.end, false);
        EXPECT_EQ(copy.GetSerial(), serial);
        EXPECT_NE(copy.GetChangeStamp(), source->GetChangeStamp());
        EXPECT_EQ(copy.GetState(), kTrackReady);
        EXPECT_EQ(copy.GetUserTrimStart(), c.userStart);
        EXPECT_EQ(copy.GetUserTrimEnd(), c.userEnd);
        EXPECT_EQ(copy.GetAutoTrimStart(), c.autoStart);
        EXPECT_EQ(copy.GetAutoTrimEnd(), c.autoEnd);
        // The file is the source's: a copy never takes it, so it cannot
        // delete it.
        EXPECT_EQ(copy.GetTempFile(), "");
    }
    CCDTrack kept(prefs);
    kept.CopyFrom(*source, -1, -1, true);
    EXPECT_EQ(kept.GetChangeStamp(), source->GetChangeStamp());
    kept.SetTempFile("");
    source->SetTempFile("");

    // Only an analysed state carries over; anything else is loaded anew.
    auto failed = AnalysedTrack(prefs, 60000, kTrackFailedPrep);
    CCDTrack fresh(prefs);
    fresh.CopyFrom(*failed, -1, -1, false);
    EXPECT_EQ(fresh.GetState(), kTrackNoValidDataYet);
}

TEST(CDTrackBurnCheck, NeedsProcessingFollowsTrimsVolumeAndNormalising) {
    const struct {
        std::int32_t user, automatic;
        double volume;
        int trim, normalise, threshold;
        double peak;
        bool expected;
    } kCases[] = {
        // Trims that change the song by at least the threshold.
        {60000, 50000, 1.0, 1, 0, 15, 0.5, true},
        {60000, 58001, 1.0, 1, 0, 15, 0.5, false},
        // An automatic trim below 4 s always counts.
        {5000, 3999, 1.0, 1, 0, 15, 0.5, true},
        {5000, 3999, 1.0, 0, 0, 15, 0.5, false},
        // Volume factors within [0.85, 1.2] are left alone.
        {60000, 60000, 0.84, 1, 0, 15, 0.5, true},
        {60000, 60000, 0.85, 1, 0, 15, 0.5, false},
        {60000, 60000, 1.2, 1, 0, 15, 0.5, false},
        {60000, 60000, 1.21, 1, 0, 15, 0.5, true},
        // Normalising to 0.9: a peak of 0.5 is 40 hundredths off.
        {60000, 60000, 1.0, 1, 1, 15, 0.5, true},
        {60000, 60000, 1.0, 1, 1, 45, 0.5, false},
        {60000, 60000, 1.0, 1, 1, 15, 0.8, false},
        {60000, 60000, 1.0, 0, 1, 15, 0.5, true},
    };
    CPreferences prefs;
    prefs.minTrimThreshold = 2000;
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.user << " " << c.automatic << " " << c.volume << " "
                                          << c.normalise << " " << c.threshold << " " << c.peak);
        prefs.bTrimSoundsAutomatically = c.trim;
        prefs.bNormalizeSounds = c.normalise;
        prefs.iNormDiffThreshold = c.threshold;
        auto track = AnalysedTrack(prefs, 60000);
        track->SetUserTrims(0, c.user);
        track->SetAutoTrims(0, c.automatic);
        track->SetVolume(c.volume);
        track->SetPeakLevel(c.peak);
        EXPECT_EQ(track->NeedsProcessing(0.9, false), c.expected);
        EXPECT_EQ(track->NeedsProcessing(0.9, true), c.user < 4000);
    }
    auto shortTrack = AnalysedTrack(prefs, 3999);
    EXPECT_TRUE(shortTrack->NeedsProcessing(0.9, true));
}

TEST(CDTrackVolume, ATrackWithoutDataKeepsVolumeOne) {
    CPreferences prefs;
    CCDTrack track(prefs);
    ASSERT_EQ(track.GetState(), kTrackNoValidDataYet);
    track.SetVolume(0.5);
    EXPECT_EQ(track.GetVolume(), 1.0);
    track.SetState(kTrackWaiting);
    EXPECT_EQ(track.GetVolume(), 1.0);
    track.SetVolume(0.5);
    EXPECT_EQ(track.GetVolume(), 0.5);
}

TEST(CDTrackMessages, AChangeTellsTheSessionListTheTracksSerial) {
    songfakes::CSongActionScope scope;
    CPreferences prefs;
    CCDTrack track(prefs);
    track.SetState(kTrackReady);
    EXPECT_EQ(scope.poster.Posts(),
              songfakes::Lines{songfakes::Line("session 1026 0 %d", track.GetSerial())});
}

TEST(CDTrackCounters, TracksMadeOnManyThreadsGetDistinctSerialsAndStamps) {
    CPreferences prefs;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    std::vector<std::vector<std::unique_ptr<CCDTrack>>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&prefs, &mine = made[static_cast<std::size_t>(t)]] {
            const CSongEntry song;
            for (int i = 0; i < kPerThread; ++i) {
                mine.push_back(std::make_unique<CCDTrack>(prefs));
                mine.back()->SetFromSongEntry(song);
            }
        });
    for (std::thread& thread : threads) thread.join();
    std::set<int> serials;
    std::set<int> stamps;
    for (const auto& mine : made)
        for (const auto& track : mine) {
            serials.insert(track->GetSerial());
            stamps.insert(track->GetChangeStamp());
        }
    // Each track took two serials (construction and the song) and one stamp.
    EXPECT_EQ(serials.size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(stamps.size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(prefs.LastTrackID.load(), 1 + 2 * kThreads * kPerThread);
}

TEST(CDTrackTempFile, AFileABurnUsesOutlivesItsTrackUntilTheBurnEnds) {
    testsupport::TempDir dir;
    const std::string first = dir.File("first.wav");
    const std::string second = dir.File("second.wav");
    auto exists = [](const std::string& path) { return access(path.c_str(), F_OK) == 0; };
    CPreferences prefs;
    {
        testsupport::WriteWholeFile(first, "pcm");
        testsupport::WriteWholeFile(second, "pcm");
        CCDTrack track(prefs);
        track.SetTempFile(first.c_str());
        track.SetTempFile(first.c_str());
        EXPECT_TRUE(exists(first));
        track.SetTempFile(second.c_str());
        EXPECT_FALSE(exists(first));
        HoldTrackFilesForBurn();
    }
    EXPECT_TRUE(exists(second));
    ReleaseTrackFilesAfterBurn();
    EXPECT_FALSE(exists(second));

    // A file made anew under a name whose deletion waits (the next
    // conversion of the same place) belongs to its track again: the burn's
    // end leaves it.
    testsupport::WriteWholeFile(first, "pcm");
    {
        CCDTrack track(prefs);
        track.SetTempFile(first.c_str());
        HoldTrackFilesForBurn();
        track.SetTempFile("");
        track.SetTempFile(first.c_str());
        ReleaseTrackFilesAfterBurn();
        EXPECT_TRUE(exists(first));
    }
    EXPECT_FALSE(exists(first));
}

TEST(CDTrackTempFile, ACopyOfATrackLeavesTheOriginalsFileAlone) {
    testsupport::TempDir dir;
    const std::string converted = dir.File("converted.tmp");
    testsupport::WriteWholeFile(converted, "pcm");
    CPreferences prefs;
    auto source = AnalysedTrack(prefs, 60000, kTrackReady);
    source->SetTempFile(converted.c_str());
    source->SetTempFileInputs("made from");
    // A clipboard copy and its pasted copy come and go.
    for (int copies = 0; copies < 2; ++copies) {
        CCDTrack copy(prefs);
        copy.CopyFrom(*source, -1, -1, false);
        EXPECT_EQ(copy.GetTempFile(), "");
        EXPECT_EQ(copy.GetTempFileInputs(), "");
    }
    EXPECT_EQ(access(converted.c_str(), F_OK), 0);
    EXPECT_EQ(source->GetTempFileInputs(), "made from");
    source.reset();
    EXPECT_NE(access(converted.c_str(), F_OK), 0);
}

}  // namespace
