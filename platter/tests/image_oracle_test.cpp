// Discs written by the image drive, read by the reference tools of libcdio:
// cd-info (table and titles), cd-paranoia (each track's audio) and cd-read
// (raw sectors). Each test skips when its tool is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

class ImageOracleTest : public ImageDriveTest {
protected:
    // Three tracks with a gap of 1.5 s after the first, and CD-Text.
    void BurnFiles() {
        Start();
        paths = {Wave("a.wav", 44100 * 3 + 11, 1), Wave("b.wav", 44100 * 2, 2), Wave("c.wav", 50000, 3)};
        const std::string sheet = files.File("mycue.txt");
        WriteFile(sheet, "TITLE \"Oracle Disc\"\r\n  TRACK 01 AUDIO\r\n      TITLE \"First\"\r\n"
                         "  TRACK 02 AUDIO\r\n      TITLE \"Second\"\r\n  TRACK 03 AUDIO\r\n      TITLE \"Third\"\r\n");
        TWriteDiscParams block = MakeFileBlock(paths, recorder, {112, 0, 0});
        block.cdText = 1;
        std::strcpy(block.cueSheetPath, sheet.c_str());
        ASSERT_EQ(drive->WriteDisc(&block), 0) << LastErrorText();
        ASSERT_TRUE(drive->ReadDeviceInfo());
    }
    std::string Cue() const { return tray.File("disc.cue"); }
    std::vector<std::string> paths;
};

TEST_F(ImageOracleTest, CdInfoSeesTheTracksAndTitles) {
    if (!ToolOnPath("cd-info")) GTEST_SKIP() << "cd-info is not installed";
    BurnFiles();
    const std::string out = RunTool("cd-info --no-header --no-cddb --cue-file '" + Cue() + "'");
    for (int i = 0; i < 3; ++i) {
        char row[64];
        std::snprintf(row, sizeof row, "%3d: ", i + 1);
        const std::size_t at = out.find(row);
        ASSERT_NE(at, std::string::npos) << out;
        char lsn[16];
        std::snprintf(lsn, sizeof lsn, "%06d", drive->trackTable[i].startFrame - 150);
        EXPECT_NE(out.substr(at, 40).find(lsn), std::string::npos) << out.substr(at, 60);
    }
    char leadout[16];
    std::snprintf(leadout, sizeof leadout, "%06d",
                  drive->trackTable[2].startFrame - 150 + drive->trackTable[2].lengthFrames);
    EXPECT_NE(out.find(std::string(leadout) + " leadout"), std::string::npos) << out;
    for (const char* title : {"TITLE: Oracle Disc", "TITLE: First", "TITLE: Second", "TITLE: Third"})
        EXPECT_NE(out.find(title), std::string::npos) << title << "\n" << out;
}

TEST_F(ImageOracleTest, CdParanoiaRipsWhatExtractTrackDelivers) {
    if (!ToolOnPath("cd-paranoia")) GTEST_SKIP() << "cd-paranoia is not installed";
    BurnFiles();
    for (int track = 1; track <= 3; ++track) {
        const std::string raw = files.File("track" + std::to_string(track) + ".raw");
        RunTool("cd-paranoia -q -d '" + Cue() + "' -r " + std::to_string(track) + " '" + raw + "'");
        const std::string ours = Rip(track);
        EXPECT_EQ(ReadFile(raw), ours) << "track " << track;
    }
    // Track 1 holds its audio, then the gap's silence.
    EXPECT_EQ(Rip(1), SectorPadded(pcm[paths[0]], 112));
}

TEST_F(ImageOracleTest, CdReadReadsTheSectorsThatWereWritten) {
    if (!ToolOnPath("cd-read")) GTEST_SKIP() << "cd-read is not installed";
    Start();
    std::int64_t total = 0;
    const std::vector<std::int32_t> lengths = {PLATTER_BYTES_PER_SECOND + 999, PLATTER_BYTES_PER_SECOND * 2 + 3};
    for (auto l : lengths) total += l;
    recorder.render = MakePcm(total / 4, 7);
    TWriteDiscParams block = MakeStreamBlock(lengths, recorder);
    ASSERT_EQ(drive->WriteDisc(&block), 0) << LastErrorText();
    const std::string disc = SectorPadded(recorder.render);
    const std::string raw = files.File("sectors.raw");
    // Sectors across the track boundary, and the last (padded) ones.
    for (std::int32_t first : {70, 220}) {
        RunTool("cd-read --no-header --mode=audio --cue-file='" + Cue() + "' -s " + std::to_string(first) +
                " -n 5 -o '" + raw + "'");
        EXPECT_EQ(ReadFile(raw), disc.substr(static_cast<std::size_t>(first) * PLATTER_SECTOR_BYTES,
                                             5 * PLATTER_SECTOR_BYTES))
            << "from sector " << first;
    }
}

}  // namespace
}  // namespace platter_test
