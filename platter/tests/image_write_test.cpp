// Writing discs with the image drive: layout, events, refusals, faults, test
// writes, copies and pacing.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>

#include "platter/errors.h"
#include "platter/image_drive.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

const std::vector<std::int32_t> kThreeTrackEvents = {43, 44, 28, 29, 20, 23, 25, 27, 25, 27, 25, 27, 24, 30, 31};

TEST_F(ImageDriveTest, FileTracksWithAGapAndTitlesReadBackBitExact) {
    Start();
    // Lengths that do not fill their last sector, and a one-second gap after
    // the first track.
    const std::vector<std::string> paths = {Wave("a.wav", 44100 * 2 + 7, 1), Wave("b.wav", 44100, 2),
                                            Wave("c.wav", 30000, 3)};
    const std::string sheet = files.File("mycue.txt");
    WriteFile(sheet, "TITLE \"Disc \"\"Q\"\"\"\r\nFILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                     "        POSTGAP 00:01:00\r\n      TITLE \"One\"\r\n  TRACK 02 AUDIO\r\n      TITLE \"Two\"\r\n"
                     "  TRACK 03 AUDIO\r\n      TITLE \"Three\"\r\n");
    TWriteDiscParams block = MakeFileBlock(paths, recorder, {75, 0, 0});
    block.cdText = 1;
    std::strcpy(block.cueSheetPath, sheet.c_str());

    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK) << LastErrorText();
    EXPECT_EQ(recorder.Codes(), kThreeTrackEvents);
    EXPECT_EQ(engine->percentDone.load(), 100);
    EXPECT_EQ(TrayNames(), (std::set<std::string>{"disc.bin", "disc.cue"}));
    drive->RefreshStatus();
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_WRITTEN);

    // The gap is silence under track 2's INDEX 00; the layout came from the
    // block, not from the sheet's POSTGAP line (it would double the gap).
    const std::string cue = ReadFile(tray.File("disc.cue"));
    EXPECT_NE(cue.find("TITLE \"Disc   Q  \"\n"), std::string::npos) << cue;
    EXPECT_NE(cue.find("TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:02:01\n    INDEX 01 00:03:01\n"),
              std::string::npos) << cue;
    EXPECT_EQ(cue.find("POSTGAP"), std::string::npos);

    ASSERT_TRUE(drive->ReadDeviceInfo()) << LastErrorText();
    ASSERT_EQ(drive->trackCount, 3);
    EXPECT_EQ(drive->trackTable[0].startFrame, 150);
    EXPECT_EQ(drive->trackTable[1].startFrame, 150 + 151 + 75);
    EXPECT_EQ(drive->trackTable[2].startFrame, 150 + 151 + 75 + 75);
    EXPECT_EQ(drive->trackPositions.count, 3);
    EXPECT_EQ(drive->trackPositions.items[1]->frameOffset, drive->trackTable[1].startFrame);
    EXPECT_NE(drive->discId, 0u);
    EXPECT_EQ(Rip(1), SectorPadded(pcm[paths[0]], 75));
    EXPECT_EQ(Rip(2), SectorPadded(pcm[paths[1]]));
    EXPECT_EQ(Rip(3), SectorPadded(pcm[paths[2]]));
}

TEST_F(ImageDriveTest, EventsCarryTrackNumbersAndBlocks) {
    Start();
    const std::vector<std::string> paths = {Wave("a.wav", 44100, 1), Wave("b.wav", 600, 2)};
    TWriteDiscParams block = MakeFileBlock(paths, recorder, {150, 0});
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    std::vector<std::array<std::int32_t, 3>> starts;
    for (const TBurnEvent& event : recorder.events)
        if (event.code == EVENT_RECORD_TRACK_START || event.code == EVENT_RECORD_TRACK_END)
            starts.push_back({event.code, event.trackNumber, event.blocksToRecord});
    // Track 1 records its 75 sectors and the 150-sector gap after it.
    EXPECT_EQ(starts, (std::vector<std::array<std::int32_t, 3>>{{25, 1, 225}, {27, 1, 0}, {25, 2, 2}, {27, 2, 0}}));
}

TEST_F(ImageDriveTest, OnTheFlyTracksEndAtTheNearestSectorAndOnlyTheEndIsPadded) {
    Start();
    // Ten seconds, more than the queue between renderer and writer holds.
    const std::vector<std::int32_t> lengths = {
        PLATTER_SECTOR_BYTES * 100 + 1000,   // ends 1000 bytes into a sector: rounds down
        PLATTER_SECTOR_BYTES * 200 + 1300,   // cumulative end rounds up
        PLATTER_BYTES_PER_SECOND * 10 + 4};  // the last one: padded
    std::int64_t total = 0;
    for (auto l : lengths) total += l;
    recorder.render = MakePcm(total / 4, 5);
    TWriteDiscParams block = MakeStreamBlock(lengths, recorder);
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK) << LastErrorText();
    EXPECT_EQ(recorder.Codes(), (std::vector<std::int32_t>{43, 44, 28, 29, 20, 23, 25, 27, 25, 27, 25, 27, 24, 30, 31}));
    // Events and rendering run on the library's threads, not the caller's.
    EXPECT_EQ(recorder.eventThreads.size(), 1u);
    EXPECT_EQ(recorder.eventThreads.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(recorder.renderThreads.size(), 1u);
    EXPECT_EQ(recorder.renderThreads.count(std::this_thread::get_id()), 0u);

    ASSERT_TRUE(drive->ReadDeviceInfo());
    const std::int64_t end1 = (lengths[0] + PLATTER_SECTOR_BYTES / 2) / PLATTER_SECTOR_BYTES;
    const std::int64_t end2 = (std::int64_t{lengths[0]} + lengths[1] + PLATTER_SECTOR_BYTES / 2) / PLATTER_SECTOR_BYTES;
    EXPECT_EQ(drive->trackTable[1].startFrame, 150 + end1);
    EXPECT_EQ(drive->trackTable[2].startFrame, 150 + end2);
    const std::string disc = Rip(1) + Rip(2) + Rip(3);
    EXPECT_EQ(disc, SectorPadded(recorder.render));
}

TEST_F(ImageDriveTest, OnTheFlyRenderingIsStoppedOnceTheDiscIsFullAndPaddedWhenShort) {
    Start();
    struct {
        std::int64_t renderBytes;
        bool stopped;
    } cases[] = {{PLATTER_BYTES_PER_SECOND * 12, true}, {PLATTER_BYTES_PER_SECOND / 2, false}};
    for (const auto& c : cases) {
        drive->Eject();
        TBurnRecorder rec;
        rec.render = MakePcm(c.renderBytes / 4, 1);
        TWriteDiscParams block = MakeStreamBlock({PLATTER_BYTES_PER_SECOND}, rec);
        ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
        EXPECT_EQ(rec.renderStopped.load(), c.stopped);
        std::string expected = rec.render;
        expected.resize(PLATTER_BYTES_PER_SECOND, '\0');
        ASSERT_TRUE(drive->ReadDeviceInfo());
        EXPECT_EQ(Rip(1), expected);
    }
}

TEST_F(ImageDriveTest, AFailedRenderingFailsTheWriteInsteadOfBurningSilence) {
    Start();
    recorder.render = MakePcm(44100, 1);
    recorder.renderResult = 0;
    TWriteDiscParams block = MakeStreamBlock({PLATTER_BYTES_PER_SECOND, PLATTER_BYTES_PER_SECOND}, recorder);
    EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_FAILED);
    EXPECT_EQ(recorder.Codes(), (std::vector<std::int32_t>{43, 44, 28, 29, 20, 23, 25, 27, 25}));
    EXPECT_EQ(TrayNames(), (std::set<std::string>{"disc.spoilt"}));
}

TEST_F(ImageDriveTest, PathsAreCopiedWhenTheWriteStarts) {
    Start();
    std::string path = Wave("a.wav", 44100, 1);
    const std::string original = pcm[path];
    Wave("b.wav", 44100, 2);
    struct TScribble {
        std::string* path;
        std::string other;
    } scribble{&path, files.File("b.wav")};
    // The program changes its track records while the write runs.
    TWriteDiscParams block = MakeFileBlock({path}, recorder);
    block.tracks[0].path = path.c_str();
    block.eventContext = &scribble;
    block.eventCallback = [](void* context, TBurnEvent*) -> std::int32_t {
        auto* s = static_cast<TScribble*>(context);
        std::memcpy(s->path->data(), s->other.data(), s->path->size());
        return 1;
    };
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    ASSERT_TRUE(drive->ReadDeviceInfo());
    EXPECT_EQ(Rip(1), original);
}

struct TRefusal {
    const char* what;
    std::int32_t media;
    std::int32_t minutes;
    std::function<TWriteDiscParams(ImageDriveTest&, TBurnRecorder&)> block;
    std::int32_t code;
};


TEST_F(ImageDriveTest, RefusalsComeBeforeAnyEventAndLeaveTheTrayAlone) {
    // Each case starts an engine of its own, with the disc the case asks for.
    std::vector<std::string> keep;
    auto fileBlock = [&](std::vector<std::string> paths) {
        return [&keep, paths](ImageDriveTest&, TBurnRecorder& rec) {
            keep.insert(keep.end(), paths.begin(), paths.end());
            TWriteDiscParams block;
            block.trackCount = static_cast<std::uint8_t>(paths.size());
            for (std::size_t i = 0; i < paths.size(); ++i) {
                block.tracks[i].path = keep[keep.size() - paths.size() + i].c_str();
                block.tracks[i].fileType = PLATTER_FILE_WAV_CONVERTED;
            }
            block.eventCallback = &TBurnRecorder::OnEvent;
            block.eventContext = &rec;
            return block;
        };
    };
    keep.reserve(1000);
    const std::string good = Wave("good.wav", 44100, 1);
    const std::string mono = files.File("mono.wav");
    WriteFile(mono, WaveBytes(MakePcm(1000, 1), 1, 1, 44100, 16));
    const std::string rate = files.File("rate.wav");
    WriteFile(rate, WaveBytes(MakePcm(1000, 1), 1, 2, 22050, 16));
    const std::string adpcm = files.File("adpcm.wav");
    WriteFile(adpcm, WaveBytes(MakePcm(1000, 1), 2, 2, 44100, 16));
    const std::string cut = files.File("cut.wav");
    WriteFile(cut, WaveBytes(MakePcm(1000, 1)).substr(0, 2000));
    const std::string empty = files.File("empty.wav");
    WriteFile(empty, WaveBytes(""));
    const std::string mp3 = files.File("song.mp3");
    WriteFile(mp3, std::string("ID3\x03\0\0\0\0\0\0", 10) + std::string(1000, '\x55'));
    const std::string zero = files.File("zero.wav");
    WriteFile(zero, "");
    const std::string longWave = files.File("long.wav");
    WriteSparseWave(longWave, std::int64_t{PLATTER_BYTES_PER_SECOND} * (21 * 60 + 1));

    const std::vector<TRefusal> cases = {
        {"no disc", PLATTER_MEDIA_NONE, 80, fileBlock({good}), PLATTER_WRITE_NO_DISC},
        {"rewritable not allowed", PLATTER_MEDIA_BLANK_CDRW, 80, fileBlock({good}), PLATTER_WRITE_REWRITABLE},
        {"too long for 21 minutes", PLATTER_MEDIA_BLANK_CDR, 21, fileBlock({longWave}), PLATTER_WRITE_DISC_TOO_SMALL},
        {"missing file", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({good, files.File("gone.wav")}), PLATTER_WRITE_REFUSED},
        {"mono", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({mono}), PLATTER_WRITE_REFUSED},
        {"22050 Hz", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({rate}), PLATTER_WRITE_REFUSED},
        {"not PCM", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({adpcm}), PLATTER_WRITE_REFUSED},
        {"data cut short", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({cut}), PLATTER_WRITE_REFUSED},
        {"no audio", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({empty}), PLATTER_WRITE_REFUSED},
        {"empty file", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({zero}), PLATTER_WRITE_REFUSED},
        {"MP3 without a decoder", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({mp3}), PLATTER_WRITE_REFUSED},
        {"no tracks", PLATTER_MEDIA_BLANK_CDR, 80, fileBlock({}), PLATTER_WRITE_REFUSED},
        {"100 tracks", PLATTER_MEDIA_BLANK_CDR, 80,
         [&](ImageDriveTest& t, TBurnRecorder& rec) {
             TWriteDiscParams block = fileBlock({good})(t, rec);
             block.trackCount = 100;
             return block;
         },
         PLATTER_WRITE_REFUSED},
        {"unterminated cue sheet path", PLATTER_MEDIA_BLANK_CDR, 80,
         [&](ImageDriveTest& t, TBurnRecorder& rec) {
             TWriteDiscParams block = fileBlock({good})(t, rec);
             std::memset(block.cueSheetPath, 'x', sizeof block.cueSheetPath);
             return block;
         },
         PLATTER_WRITE_REFUSED},
        {"on the fly without lengths", PLATTER_MEDIA_BLANK_CDR, 80,
         [](ImageDriveTest&, TBurnRecorder& rec) { return MakeStreamBlock({PLATTER_SECTOR_BYTES, 0}, rec); },
         PLATTER_WRITE_REFUSED},
    };
    for (const TRefusal& c : cases) {
        testsupport::TempDir caseTray;
        TImageDriveConfig caseConfig;
        caseConfig.trays = {caseTray.Path()};
        caseConfig.freshMedia = c.media;
        caseConfig.capacityMinutes = c.minutes;
        caseConfig.paced = false;
        caseConfig.clock = &clock;
        PLATTER_CPlatter caseEngine;
        caseEngine.imageDrive = caseConfig;
        ASSERT_TRUE(caseEngine.InitializeASPILayer(false, nullptr, nullptr, nullptr));
        PLATTER_CDevice* device = caseEngine.GetDevice(0);
        TBurnRecorder rec;
        TWriteDiscParams block = c.block(*this, rec);
        EXPECT_EQ(device->WriteDisc(&block), c.code) << c.what;
        char text[200] = "";
        EXPECT_EQ(device->GetLastError(text, sizeof text), c.code) << c.what;
        EXPECT_STRNE(text, "") << c.what;
        char engineText[200] = "";
        EXPECT_EQ(caseEngine.GetLastError(engineText, sizeof engineText), c.code) << c.what;
        EXPECT_STREQ(engineText, text) << c.what;
        EXPECT_TRUE(rec.events.empty()) << c.what;
        EXPECT_TRUE(std::filesystem::is_empty(caseTray.Path())) << c.what;
        device->RefreshStatus();
        EXPECT_EQ(device->mediaStatus.load(), c.media) << c.what;
    }
}

TEST_F(ImageDriveTest, AWrittenDiscIsRefusedUntilEjectedAndEjectedDiscsAreKept) {
    Start();
    const std::string path = Wave("a.wav", 4410, 1);
    for (int copy = 1; copy <= 2; ++copy) {
        TWriteDiscParams block = MakeFileBlock({path}, recorder);
        ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
        recorder.events.clear();
        EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_NOT_BLANK);
        EXPECT_TRUE(recorder.events.empty());
        EXPECT_TRUE(drive->Eject());
        EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR);
    }
    EXPECT_EQ(TrayNames(), (std::set<std::string>{"ejected-001.bin", "ejected-001.cue", "ejected-002.bin",
                                                  "ejected-002.cue"}));
    // An ejected disc still reads as an image under its new name.
    EXPECT_NE(ReadFile(tray.File("ejected-002.cue")).find("FILE \"ejected-002.bin\" BINARY"), std::string::npos);
}

TEST_F(ImageDriveTest, AnOperatorSwapsTheWrittenDiscAfterTheDelay) {
    config.swapDelayMs = 7000;
    Start();
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 4410, 1)}, recorder);
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    clock.SleepMs(6999);
    EXPECT_FALSE(drive->GetCapacity(1) > 0);
    drive->RefreshStatus();
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_WRITTEN);
    clock.SleepMs(1);
    EXPECT_EQ(drive->GetCapacity(1), 80 * 60 * 1000);
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR);
    EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    EXPECT_TRUE(TrayNames().count("ejected-001.cue") == 1);
}

TEST_F(ImageDriveTest, ARewritableDiscIsWrittenWhenAllowed) {
    config.freshMedia = PLATTER_MEDIA_BLANK_CDRW;
    Start();
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDRW);
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 4410, 1)}, recorder);
    block.allowRewritable = 1;
    EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_WRITTEN);
}

// A disc full at its first track is refused before anything is written,
// as a session too long for it: no event, and the disc stays blank.
TEST_F(ImageDriveTest, ADiscFullAtTheFirstTrackIsRefusedBeforeWriting) {
    testsupport::TempDir caseTray;
    PLATTER_CPlatter caseEngine;
    caseEngine.imageDrive.trays = {caseTray.Path()};
    caseEngine.imageDrive.paced = false;
    caseEngine.imageDrive.swapDelayMs = 0;
    caseEngine.imageDrive.fault = TImageFault{TImageFaultKind::kDiscFull, 1};
    ASSERT_TRUE(caseEngine.InitializeASPILayer(false, nullptr, nullptr, nullptr));
    PLATTER_CDevice* device = caseEngine.GetDevice(0);
    TBurnRecorder rec;
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 4410, 1)}, rec);
    EXPECT_EQ(device->WriteDisc(&block), PLATTER_WRITE_DISC_TOO_SMALL);
    EXPECT_TRUE(rec.Codes().empty());
    device->RefreshStatus();
    EXPECT_EQ(device->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR);
}

TEST_F(ImageDriveTest, FaultsEndTheWriteWithTheirCodeAndSpoilTheDisc) {
    struct {
        const char* what;
        TImageFaultKind kind;
        bool burnProof;
        std::int32_t code;
        std::int32_t statusAfter;
    } cases[] = {
        {"underrun", TImageFaultKind::kUnderrun, false, PLATTER_WRITE_UNDERRUN, PLATTER_MEDIA_WRITTEN},
        {"underrun with burn-proof", TImageFaultKind::kUnderrun, true, PLATTER_WRITE_OK, PLATTER_MEDIA_WRITTEN},
        {"write error", TImageFaultKind::kWriteError, false, PLATTER_WRITE_FAILED, PLATTER_MEDIA_WRITTEN},
        {"disc full", TImageFaultKind::kDiscFull, false, PLATTER_WRITE_DISC_TOO_SMALL, PLATTER_MEDIA_WRITTEN},
        {"media removed", TImageFaultKind::kMediaRemoved, false, PLATTER_WRITE_FAILED, PLATTER_MEDIA_NONE},
    };
    const std::vector<std::string> paths = {Wave("a.wav", 4410, 1), Wave("b.wav", 4410, 2), Wave("c.wav", 4410, 3)};
    for (const auto& c : cases) {
        for (bool test : {false, true}) {
            testsupport::TempDir caseTray;
            PLATTER_CPlatter caseEngine;
            caseEngine.imageDrive.trays = {caseTray.Path()};
            caseEngine.imageDrive.paced = false;
            caseEngine.imageDrive.swapDelayMs = 0;
            caseEngine.imageDrive.fault = TImageFault{c.kind, 2};
            ASSERT_TRUE(caseEngine.InitializeASPILayer(false, nullptr, nullptr, nullptr));
            PLATTER_CDevice* device = caseEngine.GetDevice(0);
            TBurnRecorder rec;
            TWriteDiscParams block = MakeFileBlock(paths, rec);
            block.burnProof = c.burnProof ? 1 : 0;
            block.testWrite = test ? 1 : 0;
            EXPECT_EQ(device->WriteDisc(&block), c.code) << c.what << (test ? " (test)" : "");
            if (c.code == PLATTER_WRITE_OK) continue;
            // The program reads why from the engine.
            char deviceText[256];
            char engineText[256];
            EXPECT_EQ(caseEngine.GetLastError(engineText, sizeof engineText),
                      device->GetLastError(deviceText, sizeof deviceText)) << c.what;
            EXPECT_STREQ(engineText, deviceText) << c.what;
            // Track 2 began and never ended; no half-written image is left.
            EXPECT_EQ(rec.Codes(), (std::vector<std::int32_t>{43, 44, 28, 29, 20, 23, 25, 27, 25})) << c.what;
            std::set<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(caseTray.Path()))
                names.insert(entry.path().filename().string());
            const bool spoilt = !test && c.kind != TImageFaultKind::kMediaRemoved;
            EXPECT_EQ(names, spoilt ? std::set<std::string>{"disc.spoilt"} : std::set<std::string>{}) << c.what;
            device->RefreshStatus();
            const std::int32_t expected = test && c.kind != TImageFaultKind::kMediaRemoved ? PLATTER_MEDIA_BLANK_CDR
                                                                                           : c.statusAfter;
            EXPECT_EQ(device->mediaStatus.load(), expected) << c.what;
            EXPECT_FALSE(device->ReadDeviceInfo());
            device->Eject();
            EXPECT_EQ(device->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR) << c.what;
        }
    }
}

TEST_F(ImageDriveTest, AbortWriteFailsTheWrite) {
    Start();
    struct TAborter {
        PLATTER_CDevice* drive;
        int tracks = 0;
    } aborter{drive};
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 4410, 1), Wave("b.wav", 4410, 2)}, recorder);
    block.eventContext = &aborter;
    block.eventCallback = [](void* context, TBurnEvent* event) -> std::int32_t {
        auto* a = static_cast<TAborter*>(context);
        if (event->code == EVENT_RECORD_TRACK_START && ++a->tracks == 2) a->drive->AbortWrite();
        return 1;
    };
    EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_FAILED);
    EXPECT_EQ(TrayNames(), (std::set<std::string>{"disc.spoilt"}));
}

TEST_F(ImageDriveTest, ATestWriteGoesThroughTheEventsAndWritesNothing) {
    Start();
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 44100, 1), Wave("b.wav", 44100, 2),
                                            Wave("c.wav", 44100, 3)}, recorder);
    block.testWrite = 1;
    EXPECT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    EXPECT_EQ(recorder.Codes(), kThreeTrackEvents);
    EXPECT_TRUE(TrayNames().empty());
    EXPECT_EQ(drive->mediaStatus.load(), PLATTER_MEDIA_BLANK_CDR);
}

TEST_F(ImageDriveTest, APacedSeventyFourMinuteWriteRunsOnTheClock) {
    config.paced = true;
    Start();
    // 74 minutes in nine tracks at 8x: 555 seconds on the drive's clock.
    std::vector<std::string> paths;
    const std::int64_t trackSectors = 74 * 60 * 75 / 9;
    for (int i = 0; i < 9; ++i) {
        paths.push_back(files.File("t" + std::to_string(i) + ".wav"));
        WriteSparseWave(paths.back(), trackSectors * PLATTER_SECTOR_BYTES);
    }
    TWriteDiscParams block = MakeFileBlock(paths, recorder);
    block.testWrite = 1;
    block.writeSpeed = 8;
    const auto wallStart = std::chrono::steady_clock::now();
    const std::int64_t start = clock.NowMs();
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK) << LastErrorText();
    const std::int64_t sectors = trackSectors * 9;
    EXPECT_EQ(clock.NowMs() - start, sectors * 1000 / (75 * 8));
    // Each track's end comes when its sectors are through at that speed.
    const std::int64_t firstTrackEnd = recorder.eventTimes[7] - start;
    EXPECT_NEAR(static_cast<double>(firstTrackEnd), trackSectors * 1000.0 / 600.0, 1.0);
    // The pacing runs on the drive's clock, not the wall's: 555 seconds of
    // writing take no more than the copying does.
    EXPECT_LT(std::chrono::steady_clock::now() - wallStart, testsupport::kHangLimit);

    // The engine's remaining-time estimate follows the progress.
    EXPECT_EQ(engine->CalcBurnTimeRemaining(), 0);
}

TEST_F(ImageDriveTest, RemainingTimeComesFromTheProgressSoFar) {
    config.paced = true;
    Start();
    struct TProbe {
        PLATTER_CPlatter* engine;
        std::vector<std::pair<std::int32_t, std::int32_t>> seen;  // percent, remaining ms
    } probe{engine.get(), {}};
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 44100 * 4, 1), Wave("b.wav", 44100 * 4, 2)}, recorder);
    block.writeSpeed = 1;
    block.eventContext = &probe;
    block.eventCallback = [](void* context, TBurnEvent* event) -> std::int32_t {
        auto* p = static_cast<TProbe*>(context);
        if (event->code == EVENT_RECORD_TRACK_END)
            p->seen.emplace_back(p->engine->percentDone.load(), p->engine->CalcBurnTimeRemaining());
        return 1;
    };
    ASSERT_EQ(drive->WriteDisc(&block), PLATTER_WRITE_OK);
    // Half the disc in 4 s at single speed: 4 s to go.
    ASSERT_EQ(probe.seen.size(), 2u);
    EXPECT_EQ(probe.seen[0], std::make_pair(50, 4000));
}

}  // namespace
}  // namespace platter_test
