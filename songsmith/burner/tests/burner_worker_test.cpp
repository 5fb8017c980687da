// The burn worker against the scripted writer: what each write code turns
// into, the retries and the new layout after an answered request, aborts
// before and during a write, the 99-track limit, the space check, the write
// block handed to the drive, and the messages to the main window.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platter/errors.h"
#include "songsmith/system/fixed_drives.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"
#include "songsmith/session/track_states.h"

namespace {

using workertest::Error;
using workertest::Finished;

class BurnWorkerTest : public workertest::WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        drives_.engine = 0;
    }
    // Two CD-quality songs, written as they are in modes 2 to 4.
    void TwoSongs(double seconds = 5.0) {
        Add(Song("a.wav", seconds));
        Add(Song("b.wav", seconds));
    }
    std::size_t WriteCount() { return writer_->Writes().size(); }
};

TEST_F(BurnWorkerTest, EachWriteCodeBecomesAnErrorIndexOrARequestThatRetriesTheWrite) {
    TwoSongs();
    struct TCase {
        std::int32_t code;
        int request;     // 0: none
        int errorIndex;  // when no request
    } cases[] = {
        {PLATTER_WRITE_NO_DISC, 1, 0},   {PLATTER_WRITE_NOT_BLANK, 1, 0}, {PLATTER_WRITE_REWRITABLE, 2, 0},
        {PLATTER_WRITE_REFUSED, 0, 14},  {PLATTER_WRITE_FAILED, 0, 14},   {PLATTER_WRITE_UNDERRUN, 0, 15},
        {12, 0, 9},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.code);
        const std::size_t writesBefore = WriteCount();
        const std::size_t postsBefore = Posts().size();
        notes_.clear();
        writer_->ScriptWrite(TFakeWrite{c.code, "drive says " + std::to_string(c.code), {}, -1});
        Burn(2);
        const std::vector<std::string> posts = PostsAfter(postsBefore);
        if (c.request != 0) {
            // Answered: the same block is written again and succeeds.
            EXPECT_EQ(Notes(), std::vector<std::string>{"request " + std::to_string(c.request)});
            ASSERT_EQ(WriteCount(), writesBefore + 2);
            const auto writes = writer_->Writes();
            EXPECT_EQ(writes[writesBefore].paths, writes[writesBefore + 1].paths);
            EXPECT_EQ(posts, std::vector<std::string>{Finished(1, 1)});
            EXPECT_EQ(burner_->State(), kBurnStateBurnt);
        } else {
            EXPECT_TRUE(Notes().empty());
            EXPECT_EQ(WriteCount(), writesBefore + 1);
            EXPECT_EQ(burner_->errorIndex.load(), c.errorIndex);
            EXPECT_EQ(posts, (std::vector<std::string>{Finished(0, 1), Error(c.errorIndex)}));
            EXPECT_EQ(std::string(burner_->errorText.data()), "drive says " + std::to_string(c.code));
            EXPECT_EQ(burner_->State(), kBurnStateNoDisc);
        }
    }
}

TEST_F(BurnWorkerTest, ADiscTooSmallAnsweredLaysTheSessionOutAgainForTheNewDisc) {
    TwoSongs(40.0);
    writer_->ScriptWrite(TFakeWrite{PLATTER_WRITE_DISC_TOO_SMALL, "too small", {}, -1});
    // The user puts in a one-minute disc; the new layout reads it from the
    // drive whatever the engine.
    prefs_.bAutoDetectMediaSize = 0;
    Burn(2, false, 1, [this](int request) {
        EXPECT_EQ(request, 4);
        writer_->capacityMs = 60000 - 10;
        return true;
    });
    ASSERT_EQ(WriteCount(), 2u) << burner_->errorIndex.load() << " " << ::testing::PrintToString(Posts());
    const auto writes = writer_->Writes();
    EXPECT_EQ(writes[0].block.totalLengthMs, 80000);
    EXPECT_LT(writes[1].block.totalLengthMs, 60000);
    EXPECT_EQ(writes[1].block.tracks[0].lengthBytes, writes[0].block.tracks[0].lengthBytes);
    EXPECT_LT(writes[1].block.tracks[1].lengthBytes, writes[0].block.tracks[1].lengthBytes);
    // The cut track was rendered into a file of its own.
    EXPECT_EQ(writes[1].paths[0], writes[0].paths[0]);
    EXPECT_NE(writes[1].paths[1], writes[0].paths[1]);
    EXPECT_EQ(Posts(), std::vector<std::string>{Finished(1, 1)});
}

// Two copies, the second disc too small: once answered, only the second
// copy is laid out and written again; the first stays written.
TEST_F(BurnWorkerTest, ADiscTooSmallForTheSecondCopyRedoesOnlyThatCopy) {
    TwoSongs(40.0);
    prefs_.bAutoDetectMediaSize = 0;
    writer_->ScriptWrite(TFakeWrite{PLATTER_WRITE_OK, "", {}, -1});
    writer_->ScriptWrite(TFakeWrite{PLATTER_WRITE_DISC_TOO_SMALL, "too small", {}, -1});
    std::vector<int> requests;
    Burn(2, false, 2, [this, &requests](int request) {
        requests.push_back(request);
        if (request == 4) writer_->capacityMs = 60000 - 10;
        return true;
    });
    // Copy 1, copy 2 refused, copy 2 on the smaller disc.
    ASSERT_EQ(WriteCount(), 3u) << ::testing::PrintToString(Posts());
    EXPECT_EQ(requests, (std::vector<int>{1, 4}));
    const auto writes = writer_->Writes();
    EXPECT_EQ(writes[0].block.totalLengthMs, 80000);
    EXPECT_LT(writes[2].block.totalLengthMs, 60000);
    EXPECT_EQ(burner_->copyIndex.load(), 2);
    EXPECT_EQ(Posts(), std::vector<std::string>{Finished(1, 1)});
}

TEST_F(BurnWorkerTest, AFailureOnceWritingHasBegunSpoilsTheDiscAndAnAbortThenIsReported) {
    TwoSongs();
    const std::vector<TFakeTimedEvent> begun = {{0, EVENT_RECORD_USERDATA_START, 0, 0},
                                                {0, EVENT_RECORD_TRACK_START, 1, 100}};
    struct TCase {
        std::int32_t code;
        bool abortWhileWriting;
        bool isTest;
        int errorIndex;
        int notAborted;
    } cases[] = {
        // A code that would have asked for a disc spoils it once the tracks
        // were being written.
        {PLATTER_WRITE_NOT_BLANK, false, false, 14, 1},
        // An underrun stays an underrun.
        {PLATTER_WRITE_UNDERRUN, false, false, 15, 1},
        {PLATTER_WRITE_NOT_BLANK, true, false, 11, 0},
        {PLATTER_WRITE_NOT_BLANK, true, true, 10, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.errorIndex);
        const std::size_t postsBefore = Posts().size();
        notes_.clear();
        host_.onLogoMode = [this, &c](int mode) {
            if (mode == 2 && c.abortWhileWriting) burner_->abort = true;
        };
        writer_->ScriptWrite(TFakeWrite{c.code, "lost", begun, -1});
        Burn(2, c.isTest);
        host_.onLogoMode = nullptr;
        EXPECT_TRUE(Notes().empty());
        const std::vector<std::string> posts = PostsAfter(postsBefore);
        EXPECT_EQ(posts, (std::vector<std::string>{Finished(0, c.notAborted), Error(c.errorIndex)}));
        EXPECT_EQ(burner_->State(), kBurnStateNoDisc);
    }
}

TEST_F(BurnWorkerTest, AnAbortInTheWindowBeforeTheWriteCostsNoDisc) {
    TwoSongs();
    TBurnTiming timing = workertest::ShortTiming();
    timing.preWriteWindowMs = 600000;
    MakeBurner(drives_, timing);
    burner_->test = false;
    ASSERT_TRUE(burner_->StartBurn(2, 0));
    // The worker sets the writing flag as the window opens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!burner_->writing.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(burner_->writing.load());
    burner_->AbortBurn();
    EXPECT_FALSE(burner_->threadRunning.load());
    EXPECT_EQ(WriteCount(), 0u);
    EXPECT_EQ(burner_->errorIndex.load(), 10);
    EXPECT_EQ(Posts(), (std::vector<std::string>{Finished(0, 0), Error(10)}));
}

TEST_F(BurnWorkerTest, ASessionOfAHundredTracksBurnsItsFirstNinetyNine) {
    Add(Song("a.wav", 4.5));
    for (int i = 1; i < 100; ++i) tracks_.AppendCopy(*tracks_.GetAt(0));
    ASSERT_EQ(tracks_.GetCount(), 100);
    Burn(4);
    ASSERT_EQ(WriteCount(), 1u);
    const TFakeWriteRecord write = writer_->Writes()[0];
    EXPECT_EQ(write.block.trackCount, 99);
    EXPECT_EQ(write.paths.size(), 99u);
    EXPECT_EQ(write.block.tracks[98].fileType, PLATTER_FILE_WAV_ORIGINAL);
    EXPECT_EQ(write.block.tracks[98].lengthBytes, static_cast<std::int32_t>(4500 * 1764 / 10));
    // Every track but the hundredth ends the pass as written.
    EXPECT_EQ(tracks_.GetAt(98)->GetState(), kTrackReady);
    EXPECT_EQ(Posts(), std::vector<std::string>{Finished(1, 1)});
}

TEST_F(BurnWorkerTest, TooLittleSpaceFailsWithError8BeforeAnyTrackFile) {
    Add(Song("low.wav", 5.0, "-r 22050 -c 2 -b 16"));
    burner_->SetFreeSpaceFunction([](const char*) { return 0.0; });
    TFixedDriveProbe probe;
    probe.freeKB = [](const std::string&) { return 0.0; };
    SetFixedDriveProbe(probe);
    Burn(2);
    SetFixedDriveProbe({});
    EXPECT_EQ(burner_->errorIndex.load(), 8);
    EXPECT_EQ(WriteCount(), 0u);
    EXPECT_TRUE(rendertest::FilesIn(temp_, ".tmp").empty());
    EXPECT_EQ(Posts(), (std::vector<std::string>{Finished(0, 1), Error(8)}));
}

TEST_F(BurnWorkerTest, TheWriteBlockCarriesEachTracksFileKindGapAndLengthAndTheChosenSettings) {
    if (!songfiles::HaveTools({"lame"})) GTEST_SKIP() << "lame is needed";
    StartEngine();
    const std::string mp3 = dir_.File("b.mp3");
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 192 '" + Song("b-source.wav", 6.0) + "' '" + mp3 + "'"));
    Add(Song("a.wav", 5.0));
    Add(mp3);
    Add(Song("c.wav", 5.0, "-r 22050 -c 2 -b 16"));
    prefs_.fadePreferences = TFadePreferences{1, 2000, 2500, 1500};
    prefs_.BurnerPrefs[kBurnerWriteSpeed] = 7;
    prefs_.BurnerPrefs[kBurnerBurnProof] = 1;
    prefs_.BurnerPrefs[kBurnerCdText] = 1;
    prefs_.BurnerPrefs[kBurnerParamFlag] = 3;
    prefs_.BurnerPrefs[kBurnerParamNumber1] = 300;
    prefs_.BurnerPrefs[kBurnerParamNumber2] = 44;
    prefs_.AllowCDRWDiscs = true;
    writer_->capabilities |= PLATTER_CAP_CDTEXT | PLATTER_CAP_BURNPROOF;
    struct TCase {
        int mode;
        std::int32_t engine;
    } cases[] = {{2, 0}, {5, 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.mode);
        drives_.engine = c.engine;
        const std::size_t before = WriteCount();
        Burn(c.mode);
        ASSERT_EQ(WriteCount(), before + 1);
        const TFakeWriteRecord write = writer_->Writes()[before];
        const TWriteDiscParams& block = write.block;
        EXPECT_EQ(block.firstTrack, 1);
        ASSERT_EQ(block.trackCount, 3);
        EXPECT_EQ(block.writeSpeed, 7);
        EXPECT_EQ(block.burnProof, 1);
        EXPECT_EQ(block.testWrite, 0);
        EXPECT_EQ(block.cdText, 1);
        EXPECT_EQ(block.burnerPrefsValue1, 1);
        EXPECT_EQ(block.burnerPrefsValue2, 300);
        EXPECT_EQ(block.burnerPrefsValue3, 44);
        EXPECT_EQ((std::vector<int>{block.fixed6022, block.fixed6023, block.fixed6030, block.fixed6040}),
                  (std::vector<int>{0, 1, 1, 15}));
        EXPECT_EQ(block.eventCallback, &BurnEventCallback);
        EXPECT_EQ(block.eventContext, burner_.get());
        EXPECT_EQ(block.audioCallback, &BurnAudioCallback);
        EXPECT_EQ(block.audioContext, burner_.get());
        EXPECT_EQ(block.allowRewritable, 1);
        EXPECT_EQ(block.onTheFly, c.mode == 5 ? 1 : 0);
        EXPECT_EQ(std::string(block.cueSheetPath), temp_ + "/mycue.txt");
        EXPECT_NE(write.cueSheet.find("TITLE"), std::string::npos);
        std::int64_t total = 0;
        for (int t = 0; t < 3; ++t) {
            const TWriteTrackEntry& entry = block.tracks[t];
            EXPECT_EQ(entry.bytesPerSector, 2352);
            EXPECT_EQ(entry.lengthBytes,
                      static_cast<std::int32_t>(std::int64_t{burner_->trackLengths[static_cast<std::size_t>(t)]} *
                                                1764 / 10));
            total += burner_->trackLengths[static_cast<std::size_t>(t)];
        }
        EXPECT_EQ(block.totalLengthMs, total);
        if (c.mode == 2) {
            // 2 s of silence after every track but the last: 150 sectors.
            EXPECT_EQ((std::vector<int>{block.tracks[0].gapSectors, block.tracks[1].gapSectors,
                                        block.tracks[2].gapSectors}),
                      (std::vector<int>{150, 150, 0}));
            EXPECT_EQ((std::vector<int>{block.tracks[0].fileType, block.tracks[1].fileType, block.tracks[2].fileType}),
                      (std::vector<int>{PLATTER_FILE_WAV_ORIGINAL, PLATTER_FILE_MP3, PLATTER_FILE_WAV_CONVERTED}));
            EXPECT_EQ(write.paths[1], mp3);
            EXPECT_NE(write.paths[2], dir_.File("c.wav"));
        } else {
            // On the fly the gaps are rendered into the audio the drive pulls.
            EXPECT_EQ(block.tracks[0].gapSectors, 0);
            EXPECT_EQ(write.audio.size(), static_cast<std::size_t>(total * 1764 / 10 / 4 * 4));
        }
    }
}

TEST_F(BurnWorkerTest, ATestFollowedByTheBurnWritesOnceAsATestThenEachCopy) {
    TwoSongs();
    // A test alone leaves the state for the next poll to set from the drive.
    prefs_.BurnerPrefs[kBurnerMode] = 0;
    Burn(2, true, 2);
    ASSERT_EQ(WriteCount(), 1u);
    EXPECT_EQ(writer_->Writes()[0].block.testWrite, 1);
    EXPECT_EQ(burner_->State(), -1);
    EXPECT_FALSE(burner_->discBurntThisRun.load());
    notes_.clear();

    prefs_.BurnerPrefs[kBurnerMode] = 1;
    prefs_.BurnerPrefs[kBurnerPlaySound] = 1;
    Burn(2, true, 2);
    auto writes = writer_->Writes();
    writes.erase(writes.begin());
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ((std::vector<int>{writes[0].block.testWrite, writes[1].block.testWrite, writes[2].block.testWrite}),
              (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"sound success.mp3", "request 1"}));
    EXPECT_TRUE(burner_->discBurntThisRun.load());
    EXPECT_EQ(burner_->copyIndex.load(), 2);
    EXPECT_EQ(burner_->State(), kBurnStateBurnt);
    EXPECT_EQ(Posts(), (std::vector<std::string>{Finished(1, 1), Finished(1, 1)}));
}

}  // namespace
