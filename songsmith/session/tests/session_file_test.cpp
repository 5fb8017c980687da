// The session file through the track list: files built here from the
// record layouts (not by the code under test) load with their fields and
// save back byte for byte; failed saves keep the old file; damaged files
// load nothing; loaded serials are unique; an analysed session comes back
// without a new analysis.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "filekit/tests/chunk_builder.h"
#include "platform/wait_clock.h"
#include "songsmith/burn/burn_layout.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/player/track_envelope.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_loader.h"
#include "songsmith/session/track_states.h"
#include "testsupport/temp_dir.h"
#include "tonecore/playlists/playlist.h"
#include "tonecore/tags/tests/music_info_layouts.h"

namespace {

using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::ReadLe32;
using musicinfo_layouts::Build;
using musicinfo_layouts::TValues;
using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

// Where a version-5 record keeps the fields these tests change.
constexpr std::size_t kAnalysedFlagAt = 5447;
constexpr std::size_t kPathAt = 5453;
constexpr std::size_t kPeakLevelAt = 6123;
constexpr std::size_t kVolumeAt = 6151;
constexpr std::size_t kSerialAt = 6163;
constexpr std::size_t kStateAt = 6167;
constexpr std::size_t kRecordBytes = 6175;

void Put32(std::string& record, std::size_t at, std::uint32_t value) {
    record.replace(at, 4, Le32(value));
}
void PutDouble(std::string& record, std::size_t at, double value) {
    record.replace(at, 8, std::string(reinterpret_cast<const char*>(&value), 8));
}

// Field values as the program stores them: trims within the song.
TValues StoredValues() {
    TValues values;
    values.words["length"] = 200000;
    values.words["trimStart"] = 500;
    values.words["trimEnd"] = 190000;
    values.words["autoStart"] = 1000;
    values.words["autoEnd"] = 199000;
    return values;
}

// A version-5 record for path, as a session stores a track that waits for
// its analysis (not analysed, state 3), with the serial given.
std::string WaitingRecord(const std::string& path, int serial) {
    TValues values = StoredValues();
    values.texts["path"] = path;
    values.texts["title"] = "title of " + path;
    std::string record = Build(musicinfo_layouts::kVersion5, values);
    record[kAnalysedFlagAt] = '\0';
    Put32(record, kStateAt, kTrackWaiting);
    Put32(record, kSerialAt, static_cast<std::uint32_t>(serial));
    PutDouble(record, kVolumeAt, 1.25);
    return record;
}

std::string Header(std::int32_t version, std::int32_t count, std::uint32_t bytes = 8) {
    std::string data = Le32(static_cast<std::uint32_t>(version)) +
                       Le32(static_cast<std::uint32_t>(count));
    data.resize(bytes, '\0');
    return Chunk("cdhd", data);
}

// A session file: the header and the records, with any chunks around them.
std::string Session(std::int32_t version, std::int32_t count, const std::string& records,
                    const std::string& before = "", const std::string& between = "") {
    return chunk_builder::Riff("cdss",
                               {before + Header(version, count) + between + Chunk("cdtr", records)});
}

// The wait clock of the loads: every reading is counted, since every decode
// reads it before it starts.
int g_clockReads = 0;
std::int64_t g_now = 0;
void FakeSleep(std::uint32_t ms) { g_now += ms; }
std::int64_t FakeNow() {
    ++g_clockReads;
    return g_now += 100;
}

ssize_t FailingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

class SessionFileTest : public testing::Test {
protected:
    void SetUp() override {
        engine_ = std::make_unique<songfiles::CEngineScope>(prefs_, dir_.File("cache"));
        ASSERT_TRUE(engine_->Started());
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
    }
    void TearDown() override {
        list_.StopLoaderThread();
        list_.SetLoader(nullptr);
        list_.Clear(false);
        SetWaitClock(realClock_);
    }

    // A song file of ms milliseconds, written here.
    std::string Song(const std::string& name, std::uint32_t ms = 300) {
        const std::string path = dir_.File(name);
        WriteWholeFile(path, songfiles::WavBytes(44100, 2, ms));
        return path;
    }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.File(name);
        WriteWholeFile(path, bytes);
        return path;
    }
    std::vector<int> Serials() {
        std::vector<int> serials;
        for (int i = 0; i < list_.GetCount(); ++i) serials.push_back(list_.GetAt(i)->GetSerial());
        return serials;
    }
    void AddSongs(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string path = Song("added" + std::to_string(i) + ".wav");
            ASSERT_EQ(list_.InsertSong(CSongEntry(path.c_str()), list_.GetCount()), i);
        }
    }

    testsupport::TempDir dir_;
    songfakes::CSongActionScope scope_;
    CPreferences prefs_;
    std::unique_ptr<songfiles::CEngineScope> engine_;
    CTrackList list_{prefs_};
    TWaitClock realClock_{};
};

TEST_F(SessionFileTest, AnEmptySessionIsThirtySixBytes) {
    const std::string path = dir_.File("empty.tps");
    list_.SetDirty(true);
    ASSERT_TRUE(list_.SaveSession(path.c_str()));
    EXPECT_FALSE(list_.IsDirty());
    EXPECT_EQ(ReadWholeFile(path), Session(5, 0, ""));
    EXPECT_EQ(ReadWholeFile(path).size(), 36u);
    EXPECT_TRUE(list_.LoadSession(path.c_str()));
    EXPECT_EQ(list_.GetCount(), 0);
}

// One record and three (odd counts: no pad byte after the records) are
// loaded and saved back unchanged, byte for byte.
TEST_F(SessionFileTest, ASavedSessionHoldsExactlyItsRecords) {
    for (const int count : {1, 3}) {
        SCOPED_TRACE(count);
        list_.Clear(false);
        std::string records;
        for (int i = 0; i < count; ++i)
            records += WaitingRecord(dir_.File("song" + std::to_string(i) + ".mp3"), 7000 + i);
        const std::string file = File("in.tps", Session(5, count, records));
        ASSERT_TRUE(list_.LoadSession(file.c_str()));
        ASSERT_EQ(list_.GetCount(), count);
        EXPECT_EQ(list_.GetAt(count - 1)->GetSerial(), 7000 + count - 1);

        const std::string saved = dir_.File("out.tps");
        ASSERT_TRUE(list_.SaveSession(saved.c_str()));
        const std::string bytes = ReadWholeFile(saved);
        EXPECT_EQ(bytes.size(), 36 + kRecordBytes * static_cast<std::size_t>(count));
        EXPECT_EQ(bytes, ReadWholeFile(file));
    }
    // A user trim end of 0 is saved as the length, and the track takes it.
    CCDTrack& track = *list_.GetAt(0);
    ASSERT_TRUE(track.SetUserTrims(0, 0));
    const std::string saved = dir_.File("trimmed.tps");
    ASSERT_TRUE(list_.SaveSession(saved.c_str()));
    const std::int32_t length = track.GetMusicInfo().lengthMs;
    EXPECT_EQ(track.GetUserTrimEnd(), length);
    EXPECT_EQ(track.GetAutoTrimEnd(), length);
    EXPECT_EQ(ReadLe32(ReadWholeFile(saved), 36 + 6139), static_cast<std::uint32_t>(length));
}

// Older layouts load with their fields, and what they lack takes the
// defaults; chunks the session does not know are passed over.
TEST_F(SessionFileTest, OlderLayoutsAndUnknownChunksLoad) {
    using musicinfo_layouts::Has;
    const struct {
        TTPSVersion version;
        std::vector<musicinfo_layouts::TField> layout;
    } kCases[] = {
        {0, musicinfo_layouts::Version0To2()}, {2, musicinfo_layouts::Version0To2()},
        {3, musicinfo_layouts::Version3()},    {4, musicinfo_layouts::Version4()},
        {5, musicinfo_layouts::kVersion5},
    };
    const TValues values = StoredValues();
    const std::string unknown = Chunk("junk", "abc");  // odd, unpadded
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.version);
        list_.Clear(false);
        const std::string record = Build(c.layout, values);
        const std::string file =
            File("old.tps", Session(c.version, 2, record + record, unknown, unknown));
        ASSERT_TRUE(list_.LoadSession(file.c_str()));
        ASSERT_EQ(list_.GetCount(), 2);
        const TONECORE_CMusicInfo info = list_.GetAt(1)->GetMusicInfo();
        EXPECT_EQ(std::string(info.title), values.Text("title"));
        EXPECT_EQ(std::string(info.path), values.Text("path"));
        EXPECT_EQ(std::string(info.displayText), values.Text("display"));
        EXPECT_EQ(info.lengthMs, values.Word("length"));
        EXPECT_EQ(info.trimEndMs, values.Word("trimEnd"));
        EXPECT_EQ(info.autoTrimStartMs, values.Word("autoStart"));
        EXPECT_EQ(list_.GetAt(1)->GetPeakLevel(), 0.75);
        EXPECT_EQ(info.trackNumber, Has(c.layout, "track") ? values.Word("track") : -1);
        EXPECT_EQ(std::string(info.copyright), Has(c.layout, "copyright") ? values.Text("copyright") : "");
        EXPECT_EQ(info.pathWords[1], Has(c.layout, "word2") ? values.Word("word2") : 0);
        EXPECT_EQ(info.databaseId, Has(c.layout, "dbid") ? values.Word("dbid") : 0);
        // Stored as analysed, but no peaks cache: to be analysed again.
        EXPECT_EQ(list_.GetAt(1)->GetState(), kTrackWaiting);
        EXPECT_FALSE(list_.GetAt(1)->IsAnalysedWhenStored());
    }
}

// Whatever is wrong with a file, none of its tracks stays, and the tracks
// that were there before are left as they were.
TEST_F(SessionFileTest, ADamagedFileLoadsNothing) {
    AddSongs(2);
    const std::vector<int> before = Serials();
    const std::string one = WaitingRecord("/music/one.mp3", 500);
    const std::string two = one + WaitingRecord("/music/two.mp3", 501);
    const std::string good = Session(5, 2, two);
    const struct {
        const char* what;
        std::string bytes;
    } kCases[] = {
        {"a huge count over one record", Session(5, 0x7fffffff, one)},
        {"three claimed, two present", Session(5, 3, two)},
        {"a header of 7 bytes", chunk_builder::Riff("cdss", {Header(5, 2, 7) + Chunk("cdtr", two)})},
        {"a header of 12 bytes", chunk_builder::Riff("cdss", {Header(5, 2, 12) + Chunk("cdtr", two)})},
        {"version 1", Session(1, 1, std::string(6136, '\0'))},
        {"version 6", Session(6, 2, two)},
        {"records before the header",
         chunk_builder::Riff("cdss", {Chunk("cdtr", two) + Header(5, 2)})},
        {"cut after a record", good.substr(0, 36 + kRecordBytes)},
        {"cut inside a record", good.substr(0, 36 + kRecordBytes + 100)},
        {"cut inside the header", good.substr(0, 35)},
        {"empty", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        const std::string file = File("bad.tps", c.bytes);
        EXPECT_FALSE(list_.LoadSession(file.c_str()));
        EXPECT_EQ(Serials(), before);
        EXPECT_FALSE(list_.IsDirty());
    }
    EXPECT_FALSE(list_.LoadSession(dir_.File("missing.tps").c_str()));
    EXPECT_EQ(Serials(), before);
    // The good file itself loads.
    EXPECT_TRUE(list_.LoadSession(File("good.tps", good).c_str()));
    EXPECT_EQ(list_.GetCount(), 4);
}

// A stored peak level or volume factor that is not a number must not make
// a track silent or its gain a NaN.
TEST_F(SessionFileTest, LevelsThatAreNotNumbersReadAsNeutral) {
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(bad);
        list_.Clear(false);
        std::string record = WaitingRecord("/music/song.mp3", 9);
        PutDouble(record, kPeakLevelAt, bad);
        PutDouble(record, kVolumeAt, -bad);
        ASSERT_TRUE(list_.LoadSession(File("nan.tps", Session(5, 1, record)).c_str()));
        EXPECT_EQ(list_.GetAt(0)->GetPeakLevel(), 0.0);
        EXPECT_EQ(list_.GetAt(0)->GetVolume(), 1.0);
    }
}

// Stored numbers that no session of this program holds (a damaged or
// hostile file) come in bounded: trims within the song, the volume within
// what the volume dialog gives, the peak level within full scale, a state
// from the table. The session's totals, the part of each song a burn
// renders and its envelope then stay whole (the sanitizer catches an
// overflow on the way).
TEST_F(SessionFileTest, StoredNumbersComeInWithinTheirRanges) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::size_t kLengthAt = 6131;
    const struct {
        const char* what;
        std::int32_t length, trims[4];  // user start, end, automatic start, end
        double peak, volume;
        int state;
        std::int32_t userLength, autoLength;
        double peakRead, volumeRead;
        int stateRead;
    } kCases[] = {
        {"as the program stores it", 60000, {500, 59000, 1000, 58000}, 0.5, 2.0, kTrackWaiting,
         58500, 57000, 0.5, 2.0, kTrackWaiting},
        {"trims at the ends of int", 60000, {kMin, kMax, kMax, kMin}, 0.5, 1.0, kTrackWaiting,
         60000, 0, 0.5, 1.0, kTrackWaiting},
        {"an end before its start", 60000, {40000, 30000, 50000, -1}, 0.5, 1.0, kTrackWaiting,
         0, 0, 0.5, 1.0, kTrackWaiting},
        {"a negative length", -5, {0, 100, 0, 100}, 0.5, 1.0, kTrackWaiting, 0, 0, 0.5, 1.0, kTrackWaiting},
        {"the longest length", kMax, {0, kMax, 0, kMax}, 0.5, 1.0, kTrackWaiting,
         kMax, kMax, 0.5, 1.0, kTrackWaiting},
        {"a huge volume and peak", 60000, {0, 60000, 0, 60000}, 1e300, 1e300, kTrackWaiting,
         60000, 60000, 1.0, kLoudestTrackVolume, kTrackWaiting},
        {"a negative volume and peak", 60000, {0, 60000, 0, 60000}, -1.0, -3.0, kTrackWaiting,
         60000, 60000, 0.0, 0.0, kTrackWaiting},
        {"a peak below one 16-bit step", 60000, {0, 60000, 0, 60000}, 1e-300, 1.0, kTrackWaiting,
         60000, 60000, 0.0, 1.0, kTrackWaiting},
        {"a state past the table", 60000, {0, 60000, 0, 60000}, 0.5, 1.0, 99, 60000, 60000, 0.5, 1.0,
         kTrackWaiting},
        {"a negative state", 60000, {0, 60000, 0, 60000}, 0.5, 1.0, -4, 60000, 60000, 0.5, 1.0,
         kTrackWaiting},
        {"a burn's state", 60000, {0, 60000, 0, 60000}, 0.5, 1.0, kTrackBurning, 60000, 60000, 0.5, 1.0,
         kTrackWaiting},
        {"a missing file's state", 60000, {0, 60000, 0, 60000}, 0.5, 1.0, kTrackFileNotFound,
         60000, 60000, 0.5, 1.0, kTrackFileNotFound},
    };
    prefs_.bNormalizeSounds = 1;
    prefs_.bTrimSoundsAutomatically = 1;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        list_.Clear(false);
        std::string record = WaitingRecord("/music/song.mp3", 9);
        Put32(record, kLengthAt, static_cast<std::uint32_t>(c.length));
        for (std::size_t i = 0; i < 4; ++i) Put32(record, kLengthAt + 4 + 4 * i, static_cast<std::uint32_t>(c.trims[i]));
        PutDouble(record, kPeakLevelAt, c.peak);
        PutDouble(record, kVolumeAt, c.volume);
        Put32(record, kStateAt, static_cast<std::uint32_t>(c.state));
        // Two alike, so the totals add the extremes up.
        ASSERT_TRUE(list_.LoadSession(File("stored.tps", Session(5, 2, record + record)).c_str()));
        const CCDTrack& track = *list_.GetAt(0);
        EXPECT_EQ(track.GetTrimmedLength(false), c.userLength);
        EXPECT_EQ(track.GetTrimmedLength(true), c.autoLength);
        EXPECT_EQ(track.GetPeakLevel(), c.peakRead);
        EXPECT_EQ(track.GetVolume(), c.volumeRead);
        EXPECT_EQ(track.GetState(), c.stateRead);

        // The totals: two tracks of the stored length (not analysed: the
        // song's length counts), never past what a total can hold.
        const std::int64_t length = std::max(c.length, 0);
        EXPECT_EQ(list_.GetTotalLength(), std::min<std::int64_t>(2 * length, kMax));
        // On the disc a track still to be loaded counts the song's length,
        // one that is missing its trimmed length; each at least the minimum.
        const bool pending = c.stateRead >= kTrackInUse && c.stateRead <= kTrackFailedPrep;
        const std::int64_t disc = std::max<std::int64_t>(pending ? length : c.userLength, kMinDiscTrackMs);
        EXPECT_EQ(list_.GetBurnLength(false, false), std::min<std::int64_t>(2 * disc, kMax));
        for (const double level : {0.0, 1.0}) (void)track.NeedsProcessing(level, false);

        // The burn's part of the song and its envelope.
        const TBurnRange range = BurnRangeOf(track, false);
        EXPECT_EQ(range.lengthMs, c.userLength);
        EXPECT_GE(range.startMs, 0);
        const double gain = TrackGain(LoudnessInputsFor(track.GetSerial(), list_, prefs_));
        EXPECT_TRUE(std::isfinite(gain));
        EXPECT_LE(gain, kLoudestTrackVolume * 32768.0);
        const std::vector<TEnvelopePoint> points =
            FadeEnvelopePoints(gain, 0, range.lengthMs, range.lengthMs, 1500, true, true);
        for (std::size_t i = 1; i < points.size(); ++i) EXPECT_GT(points[i].timeMs, points[i - 1].timeMs);
        for (const TEnvelopePoint& point : points) EXPECT_LE(point.level, gain);
    }
}

// Serials that collide with each other or with the list's own, or that
// lie above the next one to hand out, come out unique, and tracks made
// afterwards get higher ones.
TEST_F(SessionFileTest, LoadedSerialsAreUnique) {
    AddSongs(1);
    const int own = list_.GetAt(0)->GetSerial();
    const int next = prefs_.LastTrackID.load();  // the next serial to hand out
    // Two that no serial can follow, two alike, one the list has, one that
    // is the next to hand out.
    const std::string file = File(
        "serials.tps",
        Session(5, 6,
                WaitingRecord("/a.mp3", own) + WaitingRecord("/b.mp3", next + 30) +
                    WaitingRecord("/c.mp3", next + 30) + WaitingRecord("/d.mp3", next) +
                    WaitingRecord("/e.mp3", std::numeric_limits<int>::max()) +
                    WaitingRecord("/f.mp3", -5)));
    ASSERT_TRUE(list_.LoadSession(file.c_str()));
    const std::vector<int> serials = Serials();
    ASSERT_EQ(serials.size(), 7u);
    EXPECT_EQ(std::set<int>(serials.begin(), serials.end()).size(), 7u);
    EXPECT_GT(*std::min_element(serials.begin(), serials.end()), 0);
    // Serials no other track has are kept.
    EXPECT_EQ(serials[0], own);
    EXPECT_EQ(serials[2], next + 30);
    EXPECT_EQ(serials[4], next);
    const int largest = *std::max_element(serials.begin(), serials.end());
    ASSERT_EQ(list_.InsertSong(CSongEntry(Song("later.wav").c_str()), 9), 7);
    EXPECT_GT(list_.GetAt(7)->GetSerial(), largest);
}

// A path written on another system names no file here: the track is found
// missing, and saved again the path is what it was.
TEST_F(SessionFileTest, AForeignPathIsKeptAsItStands) {
    const std::string foreign = "C:\\Music\\Song.mp3";
    const std::string record = WaitingRecord(foreign, 3);
    ASSERT_TRUE(list_.LoadSession(File("foreign.tps", Session(5, 1, record)).c_str()));
    CTrackLoader loader(list_, nullptr);
    list_.SetLoader(&loader);
    loader.RunPass();
    EXPECT_EQ(list_.GetAt(0)->GetState(), kTrackFileNotFound);
    list_.SetLoader(nullptr);
    const std::string saved = dir_.File("saved.tps");
    ASSERT_TRUE(list_.SaveSession(saved.c_str()));
    EXPECT_EQ(ReadWholeFile(saved).substr(36 + kPathAt, 260), record.substr(kPathAt, 260));
}

// An older program's path in Windows-1252 can take more bytes as UTF-8 than
// the stored field has: the session that loaded it still saves, in the
// code page the path came in, and loads back to the same tracks; a copy of
// the track is taken as well.
TEST_F(SessionFileTest, AnOlderProgramsLongPathSavesAndLoadsBack) {
    const std::string quotes(105, '\x91');  // 315 bytes as UTF-8
    for (const std::string& stored : {quotes, "C:\\Music\\" + quotes + ".mp3", std::string(259, '\xE9')}) {
        SCOPED_TRACE(stored.size());
        list_.Clear(false);
        std::string record = WaitingRecord("", 3);
        record.replace(kPathAt, stored.size(), stored);
        const std::string file = File("old.tps", Session(5, 1, record));
        ASSERT_TRUE(list_.LoadSession(file.c_str()));
        const std::string path = list_.GetAt(0)->GetPath();
        EXPECT_GT(path.size(), 259u);
        const std::string saved = dir_.File("saved.tps");
        ASSERT_TRUE(list_.SaveSession(saved.c_str()));
        const std::string bytes = ReadWholeFile(saved);
        ASSERT_EQ(bytes.size(), 36 + kRecordBytes);
        EXPECT_EQ(bytes.substr(36 + kPathAt, 260), record.substr(kPathAt, 260));

        CTrackList reread(prefs_);
        ASSERT_TRUE(reread.LoadSession(saved.c_str()));
        ASSERT_EQ(reread.GetCount(), 1);
        EXPECT_EQ(reread.GetAt(0)->GetPath(), path);
        EXPECT_EQ(list_.AppendCopy(*list_.GetAt(0)), 1);
    }
}

// A save that fails anywhere leaves the old file as it was and the session
// dirty.
TEST_F(SessionFileTest, AFailedSaveKeepsTheOldFile) {
    AddSongs(2);
    const std::string folder = dir_.File("sessions");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/mine.tps";
    const std::string old = "the old session";
    WriteWholeFile(path, old);

    list_.SetDirty(true);
    EXPECT_FALSE(list_.SaveSession(path.c_str(), FailingWrite));
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_TRUE(list_.IsDirty());

    // The rename fails: a folder stands where the file would go.
    const std::string taken = folder + "/taken.tps";
    std::filesystem::create_directory(taken);
    WriteWholeFile(taken + "/inside", old);
    EXPECT_FALSE(list_.SaveSession(taken.c_str()));
    EXPECT_EQ(ReadWholeFile(taken + "/inside"), old);
    EXPECT_TRUE(list_.IsDirty());

    if (geteuid() != 0) {  // the superuser writes into any folder
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        EXPECT_FALSE(list_.SaveSession(path.c_str()));
        ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
        EXPECT_EQ(ReadWholeFile(path), old);
        EXPECT_TRUE(list_.IsDirty());
    }
    // Nothing was left beside the file.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++entries;
    EXPECT_EQ(entries, 2u);

    // No track has a path that a session file cannot hold.
    TONECORE_CMusicInfo info;
    const std::string longPath = "/" + std::string(299, 'x');
    std::strcpy(info.path, longPath.c_str());
    EXPECT_EQ(list_.InsertMusicInfo(info, 0), -1);
    EXPECT_EQ(list_.GetCount(), 2);
    ASSERT_TRUE(list_.SaveSession(path.c_str()));
    EXPECT_FALSE(list_.IsDirty());
}

// Ninety-nine analysed songs saved, cleared and opened again come back as
// they were, ready without a new analysis; the engine's playlist reader
// finds the same songs in the file.
TEST_F(SessionFileTest, AnAnalysedSessionComesBackWithoutANewAnalysis) {
    constexpr int kTracks = 99;
    for (int i = 0; i < kTracks; ++i) {
        const std::string path = Song("song" + std::to_string(i) + ".wav", 200 + 10 * i);
        ASSERT_EQ(list_.InsertSong(CSongEntry(path.c_str()), i), i);
    }
    CTrackLoader loader(list_, nullptr);
    list_.SetLoader(&loader);
    for (int i = 0; i < kTracks; ++i) loader.RunCycle();
    ASSERT_FALSE(list_.HasPendingTracks());
    list_.GetAt(5)->SetVolume(0.5);
    ASSERT_TRUE(list_.GetAt(7)->SetUserTrims(20, 150));
    std::vector<int> serials;
    std::vector<int> stamps;
    for (int i = 0; i < kTracks; ++i) {
        ASSERT_EQ(list_.GetAt(i)->GetState(), kTrackReady);
        serials.push_back(list_.GetAt(i)->GetSerial());
        stamps.push_back(list_.GetAt(i)->GetChangeStamp());
    }
    const std::string path = dir_.File("ninety-nine.tps");
    ASSERT_TRUE(list_.SaveSession(path.c_str()));
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes.size(), 36 + kRecordBytes * kTracks);

    list_.Clear(false);
    const int readsBefore = g_clockReads;
    ASSERT_TRUE(list_.LoadSession(path.c_str()));
    ASSERT_EQ(list_.GetCount(), kTracks);
    for (int i = 0; i < 5; ++i) loader.RunCycle();
    EXPECT_EQ(g_clockReads, readsBefore);  // nothing was decoded
    for (int i = 0; i < kTracks; ++i) {
        SCOPED_TRACE(i);
        const CCDTrack& track = *list_.GetAt(i);
        EXPECT_EQ(track.GetState(), kTrackReady);
        EXPECT_TRUE(track.IsAnalysed());
        EXPECT_EQ(track.GetSerial(), serials[static_cast<std::size_t>(i)]);
        EXPECT_EQ(track.GetChangeStamp(), stamps[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(list_.GetAt(5)->GetVolume(), 0.5);
    EXPECT_EQ(list_.GetAt(7)->GetUserTrimEnd(), 150);
    // Every field of every record came back: saved again, the file is the
    // same.
    const std::string again = dir_.File("again.tps");
    ASSERT_TRUE(list_.SaveSession(again.c_str()));
    EXPECT_EQ(ReadWholeFile(again), bytes);

    CPlaylist playlist;
    ASSERT_TRUE(playlist.LoadFromFile(path.c_str(), false));
    ASSERT_EQ(playlist.Count(), kTracks);
    for (int i = 0; i < kTracks; ++i)
        EXPECT_EQ(std::string(playlist.GetTrackFilePath(i)), list_.GetAt(i)->GetPath());
    list_.SetLoader(nullptr);
}

}  // namespace
