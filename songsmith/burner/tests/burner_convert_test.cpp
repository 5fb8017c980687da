// Track by track preparation (modes 2 to 4): which tracks are converted,
// what their files hold, the cut at the capacity, copies of songs on remote
// disks typed by their source, the cue sheet, and the player's mixer left
// playing through a rendering.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "platform/wave_out_fake.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/prefs/preference_defaults.h"
#include "songsmith/burner/tests/burner_render_fixture.h"
#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/track_states.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/tests/sound_group_support.h"
#include "utilities/file_system.h"
#include "utilities/keyed_text.h"

namespace {

using rendertest::Bytes;
using rendertest::FilesIn;
using rendertest::WavData;

class TrackConvertTest : public rendertest::RenderTest {
protected:
    int Convert(int burnMode) {
        burner_->mode = burnMode;
        burner_->errorIndex = 0;
        for (const std::string& file : FilesIn(temp_, ".tmp")) std::filesystem::remove(file);
        return burner_->ConvertTracksAsNeeded();
    }
    std::vector<std::int32_t> Ends(int count) const {
        return {burner_->trackEnds.begin() + 1, burner_->trackEnds.begin() + 1 + count};
    }
};

// Short songs and songs that are not CD quality are converted in every
// mode; a converted file is its song, padded with zeros to 4 seconds; a
// CD-quality song that needs nothing is written from its own file.
TEST_F(TrackConvertTest, OnlyTheTracksThatNeedItAreConverted) {
    const std::string shortSong = Song("short.wav", 3);
    const std::string plain = Song("plain.wav", 5);
    const std::string narrow = Song("narrow.wav", 5, "-r 22050 -c 1 -b 8");
    Add(shortSong);
    Add(plain);
    Add(narrow);
    for (int burnMode : {2, 3, 4}) {
        SCOPED_TRACE(burnMode);
        prefs_.BurnerPrefs[kBurnerConvertFirst] = burnMode == 4 ? 1 : 0;
        ASSERT_EQ(Convert(burnMode), 3);
        EXPECT_EQ(burner_->preparedTracks.load(), 3);
        // The ends are the running sum of the lengths, the short song's 4000.
        EXPECT_EQ(Ends(3), (std::vector<std::int32_t>{4000, 9000, 14000}));
        EXPECT_EQ(burner_->totalBurnLength.load(), 14000);
        std::string padded = WavData(shortSong);
        padded.resize(705600, '\0');
        EXPECT_EQ(tracks_.GetAt(0)->GetTempFile(), temp_ + "/songsmith_track01.tmp");
        EXPECT_TRUE(WavData(temp_ + "/songsmith_track01.tmp") == padded);
        EXPECT_EQ(tracks_.GetAt(1)->GetTempFile(), "");
        EXPECT_EQ(tracks_.GetAt(2)->GetTempFile(), temp_ + "/songsmith_track03.tmp");
        EXPECT_EQ(WavData(temp_ + "/songsmith_track03.tmp").size(), Bytes(5000));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(tracks_.GetAt(i)->GetState(), kTrackReadyButNotLoaded) << i;
    }
    // What the estimate counts as converted is what was converted.
    EXPECT_EQ(burner_->GetLengthToConvert(false, false), 3000 + 5000);
}

// Past the capacity the crossing track is cut 100 ms before it (faded out
// when so chosen), or skipped when less than 4000 ms would remain.
TEST_F(TrackConvertTest, TheTrackAtTheCapacityIsCutOrSkipped) {
    writer_->capacityMs = 59990;  // a one-minute disc
    const std::string a = Song("a.wav", 20), b = Song("b.wav", 20), c = Song("c.wav", 30), d = Song("d.wav", 18);
    struct TCase {
        std::vector<std::string> songs;
        int excess;
        int prepared;
        std::vector<std::int32_t> ends;
        std::vector<std::string> fades;
    } cases[] = {
        {{a, b, c}, 0, 3, {20000, 40000, 59890}, {}},
        {{a, b, c}, 2, 3, {20000, 40000, 59890}, {"0-19890 len 19890 in 1 out 1"}},
        {{a, b, d, c}, 2, 3, {20000, 40000, 58000}, {}},
    };
    for (const TCase& k : cases) {
        SCOPED_TRACE(k.songs.size() * 10 + k.excess);
        tracks_.Clear(false);
        fades_.clear();
        for (const std::string& song : k.songs) Add(song);
        prefs_.excessTreatment = k.excess;
        ASSERT_EQ(Convert(2), k.prepared);
        EXPECT_EQ(Ends(k.prepared), k.ends);
        EXPECT_EQ(fades_, k.fades);
        const std::vector<std::string> files = FilesIn(temp_, ".tmp");
        if (k.songs.size() == 3) {
            ASSERT_EQ(files.size(), 1u);
            const std::string cut = WavData(files[0]);
            EXPECT_EQ(cut.size(), Bytes(19890));
            if (k.excess == 0) {
                EXPECT_TRUE(cut == WavData(c).substr(0, Bytes(19890)));
            }
        } else {
            EXPECT_TRUE(files.empty());
        }
    }
}

// File system types of network mounts: songs under "remote" lie there.
bool RemoteType(const char* path, std::int64_t* type) {
    *type = std::string(path).find("/remote") != std::string::npos ? 0x6969 : 0xEF53;
    return true;
}

// Songs on a remote disk are copied beside the track files and typed by
// what they are, in the cue sheet too.
TEST_F(TrackConvertTest, RemoteSongsAreCopiedAndTypedByTheirSource) {
    if (!songfiles::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    // Only a running engine decodes MP3 songs, as in the program.
    const songfiles::CEngineScope engine(prefs_, dir_.File("cache"));
    ASSERT_TRUE(engine.Started());
    std::filesystem::create_directories(dir_.File("remote"));
    const std::string wav = Song("remote/r.wav", 5);
    const std::string mp3 = dir_.File("remote/m.mp3");
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 128 '" + Song("m.wav", 6) + "' '" + mp3 + "'"));
    Add(wav);
    Add(mp3);
    SetFileSystemTypeFunction(RemoteType);
    const int prepared = Convert(2);
    SetFileSystemTypeFunction(nullptr);
    ASSERT_EQ(prepared, 2);
    EXPECT_EQ(tracks_.GetAt(0)->GetTempFile(), temp_ + "/songsmith_track01.tmm");
    EXPECT_EQ(testsupport::ReadWholeFile(temp_ + "/songsmith_track01.tmm"), testsupport::ReadWholeFile(wav));
    EXPECT_EQ(tracks_.GetAt(1)->GetTempFile(), temp_ + "/songsmith_track02.tmm");
    EXPECT_EQ(tracks_.GetAt(0)->GetState(), kTrackReadyButNotLoaded);

    const std::string cue = temp_ + "/mycue.txt";
    ASSERT_TRUE(burner_->CreateCueSheet(cue.c_str(), 2));
    const std::string sheet = testsupport::ReadWholeFile(cue);
    EXPECT_NE(sheet.find("FILE \"" + temp_ + "/songsmith_track01.tmm\" WAVE\r\n"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("FILE \"" + temp_ + "/songsmith_track02.tmm\" MP3\r\n"), std::string::npos) << sheet;
}

// The estimate counts what the preparation converts: WMA songs always,
// and songs shorter than the disc's shortest track; CD-quality PCM, mu-law
// and MP3 songs that need nothing are written as they are.
TEST_F(TrackConvertTest, TheLengthToConvertCountsWmaAndShortSongs) {
    struct TSong {
        int tag;
        std::int32_t ms;
    } songs[] = {{1, 5000}, {0x55, 6000}, {0x161, 7000}, {9, 8000}, {1, 3000}};
    for (const TSong& song : songs) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "/music/%d.x", song.ms);
        info.waveFormat.wFormatTag = static_cast<std::uint16_t>(song.tag);
        info.lengthMs = song.ms;
        info.trimEndMs = song.ms;
        info.autoTrimEndMs = song.ms;
        tracks_.GetAt(tracks_.InsertMusicInfo(info, tracks_.GetCount()))->SetCdQuality(true);
    }
    EXPECT_EQ(burner_->GetLengthToConvert(false, false), 7000 + 3000);
    EXPECT_EQ(burner_->GetLengthToConvert(false, true), 7000 + 3000);
    // Converting everything first: the session's length on the disc.
    EXPECT_EQ(burner_->GetLengthToConvert(true, false), 5000 + 6000 + 7000 + 8000 + 4000);
}

// The cue sheet, byte for byte.
TEST(CueSheetTest, TitlesFilesAndGaps) {
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    char untitled[64];
    MyLoadString("Untitled", untitled, sizeof untitled);
    testsupport::TempDir dir;
    CPreferences prefs;
    prefs.fadePreferences = TFadePreferences{1, 2000, 2500, 1500};
    CTrackList tracks(prefs);
    burner_test::CTestDrives drives;
    burner_test::CTestHost host;
    CBurner burner(drives, prefs, host);
    burner.SetTrackList(&tracks);
    const auto add = [&](const char* path, const char* title) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "%s", path);
        std::snprintf(info.title, sizeof info.title, "%s", title);
        return tracks.GetAt(tracks.InsertMusicInfo(info, tracks.GetCount()));
    };
    add("/music/one.wav", "Say \"hi\"\nnow");
    add("/music/two.mp3", "Two");
    add("/net/three.wav", "Three")->SetTempFile("/tmp/x/songsmith_track03.tmm");
    add("/net/four.mp3", "Four")->SetTempFile("/tmp/x/songsmith_track04.tmm");
    struct TCase {
        const char* session;
        const char* title;
    } cases[] = {{"", untitled}, {"/home/me/Road Trip.tps", "Road Trip"}, {"abcd", "abcd"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.session);
        tracks.SetSessionName(c.session);
        const std::string cue = dir.File("mycue.txt");
        ASSERT_TRUE(burner.CreateCueSheet(cue.c_str(), 4));
        const std::string expected = std::string("TITLE \"") + c.title +
                                     "\"\r\n"
                                     "FILE \"/music/one.wav\" WAVE\r\n"
                                     "  TRACK 01 AUDIO\r\n"
                                     "    INDEX 01 00:00:00\r\n"
                                     "        POSTGAP 00:02:00\r\n"
                                     "      TITLE \"Say  hi  now\"\r\n"
                                     "FILE \"/music/two.mp3\" MP3\r\n"
                                     "  TRACK 02 AUDIO\r\n"
                                     "    INDEX 01 00:00:00\r\n"
                                     "        POSTGAP 00:02:00\r\n"
                                     "      TITLE \"Two\"\r\n"
                                     "FILE \"/tmp/x/songsmith_track03.tmm\" WAVE\r\n"
                                     "  TRACK 03 AUDIO\r\n"
                                     "    INDEX 01 00:00:00\r\n"
                                     "        POSTGAP 00:02:00\r\n"
                                     "      TITLE \"Three\"\r\n"
                                     "FILE \"/tmp/x/songsmith_track04.tmm\" MP3\r\n"
                                     "  TRACK 04 AUDIO\r\n"
                                     "    INDEX 01 00:00:00\r\n"
                                     "      TITLE \"Four\"\r\n";
        EXPECT_EQ(testsupport::ReadWholeFile(cue), expected);
    }
    // A folder that cannot hold the sheet.
    EXPECT_FALSE(burner.CreateCueSheet(dir.File("none/mycue.txt").c_str(), 1));
    burner.SetTrackList(nullptr);
    tracks.Clear(false);
}

// The player's mixer, playing on the sound device, is the engine's current
// mixer after a burn has rendered, and still plays.
TEST_F(TrackConvertTest, ThePlayersMixerPlaysOnThroughARendering) {
    CFakeWaveOutScope fake;
    _tInitMixer init;
    init.device = WAVE_MAPPER;
    init.bufferCount = 4;
    init.bufferBytes = 1764;
    init.format = kBurnCdFormat;
    CPCMMixer player(&init);
    grouptest::TAtomRef<CPCMSound> tone = grouptest::ConstantSound(kBurnCdFormat, 5000, 1000);
    grouptest::TAtomRef<CSoundGroup> group(new CSoundGroup);
    tone->Add(group.get(), 0);
    ASSERT_EQ(player.Play(group.get(), 0, 0), 1);
    ASSERT_EQ(GetCurrentMixer(), &player);
    Add(Song("a.wav", 5));
    burner_->mode = 1;
    ASSERT_EQ(burner_->MixSessionToWav(BurnPcmSinkCallback, burner_.get(), true, true), 1);
    ASSERT_EQ(Convert(2), 1);
    EXPECT_EQ(GetCurrentMixer(), &player);
    EXPECT_TRUE(player.Playing());
    player.Stop();
}

}  // namespace

namespace {

// No temporary folder chosen: the track files go to the program's own
// temporary folder, never to the home or the root folder.
TEST_F(TrackConvertTest, WithoutAChosenFolderTrackFilesGoToTheProgramsTemporaryFolder) {
    Add(Song("short.wav", 3));
    prefs_.Marovelle_Temp_Dir[0] = '\0';
    ASSERT_EQ(Convert(2), 1);
    const std::string file = tracks_.GetAt(0)->GetTempFile();
    EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(DefaultTempFolder()));
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
    tracks_.Clear(false);
    EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

}  // namespace
