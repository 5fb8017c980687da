// The rip's logic over the image drive: names, the files it leaves (and
// those it must not), what it tells its page, failures of every kind, and a
// cancel under slowed reads. WAV targets keep the test free of the encoder
// modules; the other formats are ripped by the page's end-to-end test.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "platter/errors.h"
#include "songsmith/cd/cd_rip.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/cd/rip_names.h"
#include "songsmith/cd/rip_settings.h"
#include "songsmith/cd/tests/cd_rip_fixture.h"
#include "songvault/records.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"
#include "tonecore/convert/conv2wave_file.h"

namespace {

using namespace std::chrono_literals;
using riptest::CdRipTest;
using riptest::CRipLog;

// ---------------------------------------------------------------- names

TEST(RipNames, FileNamesFollowTheChosenTextsAndStayApartWithinARip) {
    const TRipNameRules all{true, true, true};
    const TRipNameRules artistOnly{true, false, false};
    const TRipNameRules trackOnly{false, false, true};
    struct {
        TRipNameRules rules;
        const char* artist;
        const char* album;
        std::string title;
        int track;
        const char* expected;
    } cases[] = {
        {all, "A", "B", "T", 3, "A - B - 3. T"},
        {artistOnly, "A", "B", "T", 3, "A - T"},
        // A disc without titles names its album even when albums are off.
        {trackOnly, "", "Unknown Album (8000c03)", "Track 01", 1, "Unknown Album (8000c03) - 1. Track 01"},
        {artistOnly, "", "Some Album", "T", 2, "T"},
        {all, "", "", "Only Title", 4, "Only Title"},
        // What names cannot hold becomes blanks; blanks at the ends go.
        {artistOnly, "AC/DC", "", "a:b?", 1, "AC DC - a b"},
        {artistOnly, "", "", " tab\there\n ", 1, "tab here"},
        // Nothing left of the title: the track's own name.
        {artistOnly, "", "", "/:*?", 3, "Track 03"},
        {artistOnly, "", "", "   ", 12, "Track 12"},
        {artistOnly, "A", "", "?*", 5, "A - Track 05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(RipFileBaseName(c.rules, c.artist, c.album, c.title, c.track), c.expected);
    }
    EXPECT_EQ(RipArtistFolderName("A/B", "C:D"), "A B - C D");
    EXPECT_EQ(RipArtistFolderName("A", ""), "A");
    EXPECT_EQ(RipArtistFolderName("", "C"), "");

    CRipNames names;
    EXPECT_EQ(names.Take("/r/", RipFileBaseName(artistOnly, "", "", "a/b", 1), ".mp3"), "/r/a b.mp3");
    EXPECT_EQ(names.Take("/r/", RipFileBaseName(artistOnly, "", "", "a:b", 2), ".mp3"), "/r/a b (2).mp3");
    EXPECT_EQ(names.Take("/r/", "a b", ".mp3"), "/r/a b (3).mp3");
    EXPECT_EQ(names.Take("/s/", "a b", ".mp3"), "/s/a b.mp3");
}

TEST(RipNames, ALongNameIsCutOnACharacterBoundarySoTheWholePathFitsTheLibrarysLimit) {
    // 300 bytes of two-byte characters.
    std::string title;
    for (int i = 0; i < 150; ++i) title += "\xC3\xA9";
    // A folder that leaves the name its room: the whole path fits the
    // library's and the session's 259 bytes. One that leaves less than 64
    // bytes: the name keeps the file system's 255.
    const struct {
        std::string folder;
        std::size_t max;
        bool wholePath;
    } cases[] = {
        {"/folder/", kRipPathMax, true},
        {"/" + std::string(120, 'f') + "/", kRipPathMax, true},
        {"/" + std::string(220, 'f') + "/", kRipFileNameMax, false},
    };
    for (const auto& c : cases) {
        CRipNames names;
        for (const char* suffix : {"", " (2)"}) {
            const std::string path = names.Take(c.folder, RipFileBaseName({}, "", "", title, 1), ".mp3");
            const std::string name = path.substr(c.folder.size());
            SCOPED_TRACE(path);
            const std::size_t measured = c.wholePath ? path.size() : name.size();
            EXPECT_LE(measured, c.max);
            EXPECT_GE(measured, c.max - 1);
            const std::string ending = std::string(suffix) + ".mp3";
            ASSERT_GE(name.size(), ending.size());
            EXPECT_EQ(name.substr(name.size() - ending.size()), ending);
            // Only whole two-byte characters before the ending.
            const std::string kept = name.substr(0, name.size() - ending.size());
            EXPECT_EQ(kept.size() % 2, 0u);
            EXPECT_EQ(kept.substr(kept.size() - 2), "\xC3\xA9");
        }
    }
    // An artist's subfolder leaves the names their room.
    const std::string ripPath = "/" + std::string(100, 'r') + "/";
    const std::string folder = RipArtistFolderFitting(ripPath, std::string(300, 'a'), "");
    EXPECT_EQ(ripPath.size() + folder.size() + 1 + kRipNameRoom, kRipPathMax);
    EXPECT_EQ(RipArtistFolderFitting("/" + std::string(200, 'r') + "/", "A", ""), "");
}

TEST(RipNames, NamesFromTitlesNeverLeaveTheRipFolder) {
    const TRipNameRules artistOnly{true, false, false};
    // Dots at a name's start are dropped: no ".", "..", nor a hidden file.
    EXPECT_EQ(RipArtistFolderName("..", ""), "");
    EXPECT_EQ(RipArtistFolderName(".", ""), "");
    EXPECT_EQ(RipArtistFolderName(". .", "..."), "");
    EXPECT_EQ(RipArtistFolderName(".hidden", ""), "hidden");
    EXPECT_EQ(RipArtistFolderName("A.B.", ".."), "A.B. -");
    EXPECT_EQ(RipFileBaseName(artistOnly, "", "", "..", 2), "Track 02");
    EXPECT_EQ(RipFileBaseName(artistOnly, "", "", ".", 2), "Track 02");
    EXPECT_EQ(RipFileBaseName(artistOnly, "", "", ".profile", 2), "profile");
    EXPECT_EQ(RipFileBaseName(artistOnly, "..", "", "Song", 1), "- Song");
}

// ---------------------------------------------------------------- space

TEST(RipSpace, EstimatesPerFormatAndRoomEqualToTheNeedRefuses) {
    TRipSettings settings;
    settings.format = kRipFormatWav;
    EXPECT_EQ(EstimateRipBytes(settings, 10), 1764000u);
    settings.wavChannels = 1;
    settings.wavBits = 8;
    settings.wavRate = 22050;
    EXPECT_EQ(EstimateRipBytes(settings, 10), 220500u);
    settings.format = kRipFormatMp3;
    settings.mp3Quality = 9;
    EXPECT_GT(EstimateRipBytes(settings, 10), 0u);
    EXPECT_EQ(EstimateRipBytes(settings, 10) % (1024 / 8 * 10), 0u);
    settings.format = kRipFormatWma;
    settings.wmaQuality = 7;
    EXPECT_GT(EstimateRipBytes(settings, 10), 0u);
    settings.format = 7;
    EXPECT_EQ(EstimateRipBytes(settings, 10), 0u);

    // Three tracks of an hour each: more than 32 bits of bytes.
    settings = TRipSettings();
    settings.format = kRipFormatWav;
    const std::vector<std::int64_t> seconds = {3600, 3600, 3600};
    const std::int64_t need = 3 * ((635040000LL >> 10) + 1);
    std::string asked;
    auto freeKb = [&](double kb) {
        return [&asked, kb](const char* folder) {
            asked = folder;
            return kb;
        };
    };
    TRipSpace space = CheckRipSpace(settings, seconds, "/rips/", freeKb(static_cast<double>(need - 1)));
    EXPECT_EQ(space.required, need);
    EXPECT_EQ(space.available, need);
    EXPECT_FALSE(space.Enough());
    EXPECT_EQ(asked, "/rips/");
    EXPECT_TRUE(CheckRipSpace(settings, seconds, "/rips/", freeKb(static_cast<double>(need))).Enough());
    // Terabytes free are counted, not wrapped.
    space = CheckRipSpace(settings, seconds, "/rips/", freeKb(4.0e12));
    EXPECT_EQ(space.available, 4000000000001LL);
}

TEST(RipFolder, AMissingFolderIsMadeAndOneThatCannotBeFallsBackToMusic) {
    testsupport::TempDir home;
    const testsupport::CScopedEnv music("XDG_MUSIC_DIR", home.Path() + "/Music");
    const std::string made = home.Path() + "/a/b/rips";
    EXPECT_EQ(PrepareRipFolder(made), made + "/");
    EXPECT_TRUE(std::filesystem::is_directory(made));
    // Through a regular file no folder can be made.
    std::ofstream(home.Path() + "/file") << "x";
    const std::string blocked = PrepareRipFolder(home.Path() + "/file/rips");
    EXPECT_EQ(blocked, home.Path() + "/Music/");
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

// ---------------------------------------------------------------- the rip

// A WAV converter whose n-th write fails, as on a full disk.
class CFailingWave : public CConv2WaveFile {
public:
    explicit CFailingWave(int failAt) : failAt_(failAt) {}
    std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) override {
        if (++writes_ == failAt_) {
            if (accepted != nullptr) *accepted = 0;
            return -1;
        }
        return CConv2WaveFile::WriteStreamData(pcm, bytes, accepted);
    }

private:
    int failAt_;
    int writes_ = 0;
};

TEST_F(CdRipTest, MarkedTracksBecomeWholeTaggedFilesAndSongsForTheLibrary) {
    const TRipResult result = RipAll(Tracks({"a/b", "a:b", "Plain"}));
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.errorCode, 0);
    const std::string folder = rips_.Path() + "/Test Artist - Test Album/";
    const std::vector<std::string> expectedFiles = {"Test Artist - Test Album/Test Artist - Plain.wav",
                                                    "Test Artist - Test Album/Test Artist - a b (2).wav",
                                                    "Test Artist - Test Album/Test Artist - a b.wav"};
    // Only the finished files: no temporary file is left.
    EXPECT_EQ(Files(rips_.Path()), expectedFiles);
    const std::vector<std::string> paths = {folder + "Test Artist - a b.wav", folder + "Test Artist - a b (2).wav",
                                            folder + "Test Artist - Plain.wav"};
    for (int track = 1; track <= 3; ++track)
        EXPECT_TRUE(DataChunk(paths[static_cast<std::size_t>(track - 1)]) == TrackBytes(track)) << track;
    // The library's song of each path goes before the new song arrives;
    // each row then reads ripped.
    std::vector<std::string> expected = {"row 0 14", "row 1 14", "row 2 14"};
    for (int i = 0; i < 3; ++i) {
        const std::string& path = paths[static_cast<std::size_t>(i)];
        const std::string row = std::to_string(i);
        for (const std::string& line : {"row " + row + " 14", "delete " + path, "song " + path, "ripped " + row})
            expected.push_back(line);
    }
    expected.push_back("finished");
    EXPECT_EQ(log_.Lines(), expected);
    EXPECT_EQ(log_.lastPercent, 100);
    ASSERT_EQ(log_.songs.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const TSVT_Song& song = log_.songs[static_cast<std::size_t>(i)];
        EXPECT_EQ(song.format, SVT_FORMAT_WAV);
        EXPECT_EQ(song.track, i + 1);
        EXPECT_EQ(song.trackCount, 3);
        EXPECT_EQ(song.genre, 17);
        EXPECT_EQ(song.year, 2024);
        EXPECT_EQ(std::string(song.cdId, 8), "08000c03");
        EXPECT_EQ(std::string(song.artist), "Test Artist");
        EXPECT_EQ(song.sampleRateHz, 44100);
        EXPECT_EQ(song.bitRateKbps, 1411);
        EXPECT_EQ(song.tagType, 4);
        EXPECT_EQ(song.lengthMs, drive_->trackTable[i].lengthFrames * 1000 / 75);
        EXPECT_GT(song.createDate, 0u);
    }
    // A second rip replaces the files of the first, under the same names.
    log_.Reset();
    EXPECT_TRUE(RipAll(Tracks({"a/b", "a:b", "Plain"})).success);
    EXPECT_EQ(Files(rips_.Path()), expectedFiles);
}

TEST_F(CdRipTest, ABlankTitleNamesItsFileAndItsSongByTheTrack) {
    EXPECT_TRUE(RipAll(Tracks({"One", "  \t ", "Three"})).success);
    const std::string path = rips_.Path() + "/Test Artist - Test Album/Test Artist - Track 02.wav";
    EXPECT_TRUE(std::filesystem::exists(path));
    ASSERT_EQ(log_.songs.size(), 3u);
    EXPECT_STREQ(log_.songs[1].path, path.c_str());
    EXPECT_STREQ(log_.songs[1].title, "Test Artist - Track 02");
    EXPECT_STREQ(log_.songs[0].title, "One");
}

TEST_F(CdRipTest, ALongTitleIsCutSoThePathFitsTheLibraryAndOnlyAFolderTooLongKeepsASongOut) {
    const std::string title(300, 't');
    EXPECT_TRUE(RipAll(Tracks({"One", title, "Three"})).success);
    // The name is cut so that folder and name fit the library's record.
    const std::string folder = rips_.Path() + "/Test Artist - Test Album/";
    const std::string name =
        std::string("Test Artist - ") + std::string(kRipPathMax - folder.size() - 14 - 4, 't') + ".wav";
    const std::string path = folder + name;
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(path.size(), kRipPathMax);
    ASSERT_EQ(log_.songs.size(), 3u);
    EXPECT_STREQ(log_.songs[1].path, path.c_str());

    // A rip folder that leaves a name no room: the file is made, but its song
    // stays out of the library.
    const std::string deep = rips_.Path() + "/" + std::string(kRipPathMax - rips_.Path().size() - 40, 'd') + "/";
    std::filesystem::create_directories(deep);
    settings_.ripPath = deep;
    settings_.artistSubfolder = false;
    log_.Reset();
    EXPECT_TRUE(RipAll(Tracks({"One", title, "Three"})).success);
    const std::string longPath =
        deep + std::string("Test Artist - ") + std::string(kRipFileNameMax - 14 - 4, 't') + ".wav";
    EXPECT_TRUE(std::filesystem::exists(longPath));
    const std::vector<std::string> lines = log_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 1"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "delete " + longPath), 0);
    // The short names still fit.
    ASSERT_EQ(log_.songs.size(), 2u);
    EXPECT_STREQ(log_.songs[1].title, "Three");
}

TEST_F(CdRipTest, AnArtistOfDotsRipsIntoTheRipFolderItself) {
    std::vector<TRipTrack> tracks = Tracks({"..", "Two", "Three"});
    for (TRipTrack& track : tracks) {
        std::snprintf(track.info.artist, sizeof track.info.artist, "..");
        track.info.album[0] = '\0';
    }
    EXPECT_TRUE(RipAll(std::move(tracks)).success);
    // Nothing lands beside the rip folder; the files are in it.
    EXPECT_EQ(Files(rips_.Path()),
              (std::vector<std::string>{"- Three.wav", "- Track 01.wav", "- Two.wav"}));
    const std::filesystem::path parent = std::filesystem::path(rips_.Path()).parent_path();
    for (const char* name : {"- Three.wav", "- Track 01.wav", "- Two.wav", ".. - Two.wav"})
        EXPECT_FALSE(std::filesystem::exists(parent / name)) << name;
}

TEST_F(CdRipTest, TemporaryRipsGoToTheTemporaryFolderAndNothingToTheLibrary) {
    settings_.destTemp = true;
    EXPECT_TRUE(RipAll(Tracks()).success);
    EXPECT_EQ(Files(temp_.Path()),
              (std::vector<std::string>{"Test Artist - One.tmp", "Test Artist - Three.tmp", "Test Artist - Two.tmp"}));
    EXPECT_TRUE(Files(rips_.Path()).empty());
    for (const std::string& line : log_.Lines()) {
        EXPECT_EQ(line.find("song "), std::string::npos) << line;
        EXPECT_EQ(line.find("delete "), std::string::npos) << line;
    }
    EXPECT_TRUE(DataChunk(temp_.Path() + "/Test Artist - Two.tmp") == TrackBytes(2));
}

TEST_F(CdRipTest, AFailedWriteLeavesNoFileAndEndsTheRip) {
    // An earlier rip's file of that name stays as it was.
    const std::string folder = rips_.Path() + "/Test Artist - Test Album/";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "Test Artist - Two.wav") << "older";
    for (const int failAt : {1, 2, 3}) {
        SCOPED_TRACE(failAt);
        log_.Reset();
        int made = 0;
        TRipServices services;
        services.newConverter = [&](_tFileConversionTypedef, int) -> CConv2FileObj* {
            // Track 2's converter fails; the others write.
            return ++made == 2 ? new CFailingWave(failAt) : new CConv2WaveFile();
        };
        const TRipResult result = RipAll(Tracks(), services);
        EXPECT_FALSE(result.success);
        EXPECT_EQ(result.errorCode, 0);
        const std::vector<std::string> lines = log_.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "write failed " + folder + "Test Artist - Two.wav"), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "row 1 16 0"), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "song " + folder + "Test Artist - Two.wav"), 0);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 2"), 0);
        EXPECT_EQ(Files(rips_.Path()), (std::vector<std::string>{"Test Artist - Test Album/Test Artist - One.wav",
                                                                 "Test Artist - Test Album/Test Artist - Two.wav"}));
        std::ifstream older(folder + "Test Artist - Two.wav");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(older), {}), "older");
    }
}

TEST_F(CdRipTest, AFileThatCannotBeMadeSkipsItsTrackAndTheNextGoesOn) {
    int made = 0;
    TRipServices services;
    services.newConverter = [&](_tFileConversionTypedef, int) -> CConv2FileObj* {
        return ++made == 1 ? nullptr : new CConv2WaveFile();
    };
    const TRipResult result = RipAll(Tracks(), services);
    // The rip did not make every file it was asked for: it failed.
    EXPECT_FALSE(result.success);
    const std::string folder = rips_.Path() + "/Test Artist - Test Album/";
    EXPECT_EQ(result.createFailures, 1);
    EXPECT_EQ(result.createFailedPath, folder + "Test Artist - One.wav");
    EXPECT_EQ(result.createFailedCause, ERipCreateCause::kOther);
    const std::vector<std::string> lines = log_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "create failed " + folder + "Test Artist - One.wav"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "row 0 16 0"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 1"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 2"), 1);
    EXPECT_EQ(Files(rips_.Path()), (std::vector<std::string>{"Test Artist - Test Album/Test Artist - Three.wav",
                                                             "Test Artist - Test Album/Test Artist - Two.wav"}));

    // A rip folder through a regular file: no track's file can be made.
    std::ofstream(rips_.Path() + "/plain") << "x";
    settings_.ripPath = rips_.Path() + "/plain/sub/";
    settings_.artistSubfolder = false;
    log_.Reset();
    const TRipResult blockedResult = RipAll(Tracks());
    EXPECT_FALSE(blockedResult.success);
    EXPECT_EQ(blockedResult.createFailures, 3);
    EXPECT_EQ(blockedResult.createFailedCause, ERipCreateCause::kNotWritable);
    const std::vector<std::string> blocked = log_.Lines();
    EXPECT_EQ(std::count_if(blocked.begin(), blocked.end(),
                            [](const std::string& line) { return line.rfind("create failed ", 0) == 0; }),
              3);
    EXPECT_EQ(Files(rips_.Path()).size(), 3u);  // the two earlier files and "plain"
}

TEST_F(CdRipTest, WithoutTheMediaModuleEveryWmaTrackIsSkippedAndNothingIsLeft) {
    const testsupport::CScopedEnv noWma("SONGSMITH_WMA_SUPPORT", "0");
    settings_.format = kRipFormatWma;
    const TRipResult result = RipAll(Tracks());
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.createFailures, 3);
    EXPECT_EQ(result.createFailedCause, ERipCreateCause::kFormatUnavailable);
    const std::vector<std::string> lines = log_.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("create failed ", 0) == 0; }),
              3);
    for (const char* row : {"row 0 16 0", "row 1 16 0", "row 2 16 0"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), row), 1) << row;
    EXPECT_TRUE(log_.songs.empty());
    // Not even the artist's folder holds a file.
    EXPECT_TRUE(Files(rips_.Path()).empty());
}

TEST_F(CdRipTest, ADeadSectorFollowsTheErrorSetting) {
    const std::int32_t dead = drive_->trackTable[1].startFrame - 150 + 100;
    drive_->SetReadHook([&](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
        if (dead < lsn || dead >= lsn + count) return read(lsn, count, out);
        return -1;
    });
    struct {
        std::int16_t mode;
        bool ripped;
    } cases[] = {{PLATTER_READ_ERRORS_STOP, false}, {PLATTER_READ_ERRORS_IGNORE, true}, {PLATTER_READ_ERRORS_RETRY, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        std::filesystem::remove_all(rips_.Path() + "/Test Artist - Test Album");
        log_.Reset();
        settings_.errorMode = c.mode;
        settings_.retries = 2;
        const TRipResult result = RipAll(Tracks());
        const std::string two = rips_.Path() + "/Test Artist - Test Album/Test Artist - Two.wav";
        EXPECT_EQ(result.success, c.ripped);
        EXPECT_EQ(std::filesystem::exists(two), c.ripped);
        if (c.ripped) {
            std::string silenced = TrackBytes(2);
            std::fill_n(silenced.begin() + 100 * 2352, 2352, '\0');
            EXPECT_TRUE(DataChunk(two) == silenced);
            continue;
        }
        // The drive's error goes to the page for its dialog; track 3 is not
        // ripped.
        EXPECT_EQ(result.errorCode, PLATTER_ERR_READ);
        EXPECT_EQ(result.errorTrack, 2);
        EXPECT_FALSE(result.errorText.empty());
        const std::vector<std::string> lines = log_.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "row 1 16 0"), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "ripped 2"), 0);
        EXPECT_EQ(Files(rips_.Path()), (std::vector<std::string>{"Test Artist - Test Album/Test Artist - One.wav"}));
    }
    drive_->SetReadHook(nullptr);
}

}  // namespace
