// Whole burns to the drive library's image drive, read back as a user would:
// every track of the written disc holds the audio the burn prepared (CD
// WAVs as they are, an MP3 through the registered decoder, other songs
// converted, the session rendered at once or on the fly), the CUE names the
// titles, copies are ejected or meet a written disc, and the title cache
// holds the written disc's titles.
#include <gtest/gtest.h>

#include "platter/write_plan.h"
#include "songsmith/burner/burn_file_type.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"
#include "titlefetch/ini_entry.h"
#include "titlefetch/titlefetch.h"

namespace {

using workertest::Finished;

using workertest::ReadWhole;

// Bytes with zeros up to a whole sector.
std::string SectorPadded(std::string bytes) {
    bytes.resize((bytes.size() + PLATTER_SECTOR_BYTES - 1) / PLATTER_SECTOR_BYTES * PLATTER_SECTOR_BYTES, '\0');
    return bytes;
}

class ImageBurnTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        StartEngine();
    }
    // The audio the decoder gives for a file.
    std::string Decoded(const std::string& path) { return songfiles::DecodedAudio(decoder_, path); }

    // The audio a track's file holds: the WAV data, or the MP3 decoded.
    std::string FileAudio(int index) {
        const CCDTrack& track = *tracks_.GetAt(index);
        const std::string temp = track.GetTempFile();
        const std::string file = temp.empty() ? track.GetPath() : temp;
        return BurnFileIsMp3(file, track.GetPath()) ? Decoded(file) : rendertest::WavData(file);
    }

    std::string Mp3(const std::string& name, double seconds, const std::string& tags = "") {
        const std::string mp3 = dir_.File(name);
        EXPECT_TRUE(songfiles::Run("lame --quiet -b 192 " + tags + " '" + Song(name + ".wav", seconds) + "' '" + mp3 +
                                   "'"));
        return mp3;
    }
};

TEST_F(ImageBurnTest, EachWrittenTrackReadsBackAsTheAudioTheBurnPrepared) {
    if (!songfiles::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    prefs_.BurnerPrefs[kBurnerCdText] = 1;
    const std::string mp3 = Mp3("b.mp3", 5.0);
    Add(Song("café.wav", 5.0));
    Add(mp3);
    Add(Song("c.wav", 5.0, "-r 22050 -c 2 -b 16"));
    struct TCase {
        std::int32_t engine;
        int mode;
    } cases[] = {{1, 1}, {1, 5}, {0, 2}, {0, 4}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "engine " << c.engine << " mode " << c.mode);
        UseImageDrive(c.engine);
        std::string rendered;
        if (c.mode == 5) {
            ASSERT_GT(burner_->MixSessionToWav(Collect, &rendered, false, true), 0);
        }
        const std::size_t postsBefore = Posts().size();
        Burn(c.mode);
        EXPECT_EQ(PostsAfter(postsBefore), std::vector<std::string>{Finished(1, 1)});
        ASSERT_TRUE(burner_->Device()->ReadDeviceInfo());
        ASSERT_EQ(burner_->Device()->trackCount, 3);
        if (c.mode == 5) {
            // On the fly the drive cuts the one stream into tracks.
            std::string joined;
            for (int t = 1; t <= 3; ++t) joined += Rip(t);
            EXPECT_EQ(joined, SectorPadded(rendered));
        } else {
            for (int t = 0; t < 3; ++t) {
                SCOPED_TRACE(t);
                const std::string expected = FileAudio(t);
                EXPECT_GT(expected.size(), 4000u * 176u);
                EXPECT_TRUE(Rip(t + 1) == SectorPadded(expected));
            }
        }
        if (c.mode == 4) {
            // Only the 22.05 kHz song was converted.
            EXPECT_EQ(tracks_.GetAt(0)->GetTempFile(), "");
            EXPECT_EQ(tracks_.GetAt(1)->GetTempFile(), "");
            EXPECT_NE(tracks_.GetAt(2)->GetTempFile(), "");
        }
        const std::string cue = ReadWhole(TrayFolder() + "disc.cue");
        for (int t = 0; t < 3; ++t) {
            const std::string title = CdTextTitle(tracks_.GetAt(t)->GetMusicInfo().title);
            EXPECT_NE(cue.find("TITLE \"" + title + "\""), std::string::npos) << title << "\n" << cue;
        }
        EXPECT_NE(CdTextTitle("café"), "café");
    }
}

// Songs whose ends fall inside a sector: converted first, the session is
// written with the very tracks a write on the fly makes of it.
TEST_F(ImageBurnTest, ConvertingFirstAndOnTheFlyWriteTheSameTracks) {
    Add(Song("a.wav", 5.3));
    Add(Song("b.wav", 4.7));
    Add(Song("c.wav", 6.1));
    std::string bins[2], cues[2];
    const int modes[] = {5, 1};
    for (int m = 0; m < 2; ++m) {
        SCOPED_TRACE(modes[m]);
        UseImageDrive(1);
        const std::size_t postsBefore = Posts().size();
        Burn(modes[m]);
        EXPECT_EQ(PostsAfter(postsBefore), std::vector<std::string>{Finished(1, 1)});
        bins[m] = ReadWhole(TrayFolder() + "disc.bin");
        cues[m] = ReadWhole(TrayFolder() + "disc.cue");
    }
    EXPECT_EQ(cues[1], cues[0]);
    EXPECT_GT(bins[0].size(), 16000u * 176u);
    EXPECT_TRUE(bins[1] == bins[0]);
}

// A one-minute disc in the drive of the other engine: the session is laid
// out for what the disc holds, so the drive never finds it too small.
TEST_F(ImageBurnTest, TheOtherEngineLaysTheSessionOutForTheDiscInTheDrive) {
    Add(Song("a.wav", 40));
    Add(Song("b.wav", 40));
    UseImageDrive(0, workertest::ShortTiming(), 1);
    int tooSmall = 0;
    Burn(2, false, 1, [&tooSmall](int request) { return request != 4 || ++tooSmall < 3; });
    EXPECT_EQ(tooSmall, 0);
    EXPECT_EQ(Posts().back(), Finished(1, 1));
    ASSERT_TRUE(burner_->Device()->ReadDeviceInfo());
    ASSERT_EQ(burner_->Device()->trackCount, 2);
    // The second song cut 100 ms before the disc's end.
    EXPECT_EQ(Rip(2).size(), SectorPadded(std::string(rendertest::Bytes(19900), '\0')).size());
}

TEST_F(ImageBurnTest, CopiesAreEjectedOneByOneOrTheNextMeetsTheWrittenDisc) {
    Add(Song("a.wav", 4.5));
    Add(Song("b.wav", 4.5));
    prefs_.BurnerPrefs[kBurnerMode] = 1;
    prefs_.BurnerPrefs[kBurnerPlaySound] = 1;
    prefs_.BurnerPrefs[kBurnerEject] = 1;
    UseImageDrive(0);
    Burn(4, true, 3);
    EXPECT_EQ(Posts(), std::vector<std::string>{Finished(1, 1)});
    // The test left no image; each copy was ejected, none is in the tray.
    const std::vector<std::string> ejected = rendertest::FilesIn(TrayFolder(), ".cue");
    ASSERT_EQ(ejected.size(), 3u);
    for (const std::string& cue : ejected) EXPECT_NE(cue.find("ejected-"), std::string::npos) << cue;
    EXPECT_EQ(Notes(), (std::vector<std::string>{"sound success.mp3", "request 1", "sound success.mp3",
                                                 "request 1"}));

    // Without ejecting, the second copy meets the written disc: the user is
    // asked for a blank disc again (and here stops).
    prefs_.BurnerPrefs[kBurnerEject] = 0;
    prefs_.BurnerPrefs[kBurnerMode] = 2;
    prefs_.BurnerPrefs[kBurnerPlaySound] = 0;
    UseImageDrive(0);
    notes_.clear();
    int asked = 0;
    Burn(4, false, 2, [&asked](int) { return ++asked < 2; });
    EXPECT_EQ(Notes(), (std::vector<std::string>{"request 1", "request 1"}));
    EXPECT_EQ(burner_->copyIndex.load(), 1);
    EXPECT_EQ(Posts().back(), workertest::Error(10));
}

TEST_F(ImageBurnTest, TheFirstCopyStoresTheDiscsTitlesUnderTheWrittenDiscsId) {
    if (!songfiles::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = dataHome != nullptr ? dataHome : "";
    setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
    struct TCase {
        const char* genreTag;
        const char* category;
    } cases[] = {{"--tg Rock", "Rock"}, {"", ""}};
    int made = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.category);
        tracks_.Clear(false);
        const std::string name = "first" + std::to_string(made++) + ".mp3";
        Add(Mp3(name, 4.5, std::string("--ta 'The Band' --tl 'The Album' --ty 1999 --tt 'Opening' ") + c.genreTag));
        Add(Song("second.wav", 4.5));
        UseImageDrive(0);
        TITLEFETCH_CTitlefetch titlefetch;
        burner_->SetTitlefetch(&titlefetch);
        Burn(4);
        ASSERT_EQ(Posts().back(), Finished(1, 1));
        ASSERT_TRUE(burner_->Device()->ReadDeviceInfo());
        const std::uint32_t id = titlefetch.GetDiscID(burner_->Device()->trackPositions);
        INI_TEntry* entry = titlefetch.GetCDPlayerINIEntry(id);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->artist, "The Band");
        EXPECT_STREQ(entry->title, "The Album");
        EXPECT_EQ(entry->year, 1999);
        EXPECT_STREQ(entry->category, c.category);
        ASSERT_EQ(entry->trackCount, 2);
        EXPECT_EQ(std::string((*entry->trackTitles.begin())->GetString()), "Opening");
        EXPECT_EQ(std::string(entry->trackTitles.begin()[1]->GetString()), "second");
        titlefetch.DeallocINIEntry(entry);
    }
    if (dataHome != nullptr)
        setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

}  // namespace
