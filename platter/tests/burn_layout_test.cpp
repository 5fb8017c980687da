// The disc handed to libburn: tracks of the measured sectors from the block,
// and CD-Text packs that a reader decodes back to the titles.
#include <gtest/gtest.h>

#include <cdio/cdtext.h>
#include <libburn/libburn.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platter/audio_fifo.h"
#include "platter/burn_feed.h"
#include "platter/burn_layout.h"
#include "platter/burn_library.h"
#include "platter/track_source.h"
#include "platter/write_plan.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

using namespace burn;

class BurnLayoutTest : public ::testing::Test {
protected:
    // The plan of a block, measured, with one feed per track.
    bool Lay(const TWriteDiscParams& block, bool withCdText) {
        std::string why;
        if (!CopyWriteBlock(block, plan, why) || !MeasurePlanTracks(plan, nullptr, sources, why)) {
            ADD_FAILURE() << why;
            return false;
        }
        if (plan.cdText) ReadCueSheetTitles(plan);
        std::vector<burn_source*> feeds;
        for (std::size_t i = 0; i < plan.tracks.size(); ++i)
            feeds.push_back(plan.onTheFly ? NewStreamTrackFeed(fifo, renderResult, plan.tracks[i].sectors, 1)
                                          : NewFileTrackFeed(*sources[i], plan.tracks[i].sectors));
        return layout.Build(plan, feeds, withCdText);
    }

    std::vector<int> TrackSectors() const {
        int count = 0;
        burn_track** tracks = burn_session_get_tracks(layout.Session(), &count);
        std::vector<int> sectors;
        for (int i = 0; i < count; ++i) sectors.push_back(burn_track_get_sectors(tracks[i]));
        return sectors;
    }

    std::string Wave(const std::string& name, std::int64_t frames) {
        const std::string path = files.File(name);
        WriteFile(path, WaveBytes(MakePcm(frames, 2)));
        return path;
    }

    CBurnLibraryUse library;
    testsupport::TempDir files;
    TBurnRecorder recorder;
    TWritePlan plan;
    std::vector<std::unique_ptr<CTrackSource>> sources;
    CAudioFifo fifo{4096};
    std::atomic<std::int32_t> renderResult{1};
    CBurnLayout layout;
};

TEST_F(BurnLayoutTest, TracksHaveTheSectorsOfTheirFilesAndStreamedLengths) {
    ASSERT_TRUE(library.Ready());
    // 588 frames fill one sector exactly; one more frame needs a second.
    const TWriteDiscParams files3 =
        MakeFileBlock({Wave("a.wav", 588 * 75), Wave("b.wav", 588 * 2 + 1), Wave("c.wav", 1)}, recorder, {75, 0, 0});
    ASSERT_TRUE(Lay(files3, false));
    EXPECT_EQ(TrackSectors(), (std::vector<int>{75, 3, 1}));
    EXPECT_EQ(burn_session_get_sectors(layout.Session()), 79);
}

TEST_F(BurnLayoutTest, StreamedTracksEndAtTheirNearestSector) {
    ASSERT_TRUE(library.Ready());
    // Cumulative 1.4, 2.9 and 4.1 sectors: boundaries at 1 and 3, the end
    // padded to 5.
    const std::int32_t s = PLATTER_SECTOR_BYTES;
    ASSERT_TRUE(Lay(MakeStreamBlock({s * 14 / 10, s * 15 / 10, s * 12 / 10}, recorder), false));
    EXPECT_EQ(TrackSectors(), (std::vector<int>{1, 2, 2}));
}

TEST_F(BurnLayoutTest, CdTextPacksDecodeToTheCleanedLatin1Titles) {
    ASSERT_TRUE(library.Ready());
    const std::string sheet = files.File("mycue.txt");
    WriteFile(sheet, "TITLE \"Disc \"\"Q\"\"\"\r\nFILE \"x.mp3\" MP3\r\n"
                     "  TRACK 01 AUDIO\r\n    TITLE \"Caf\xC3\xA9\"\r\n"
                     "  TRACK 02 AUDIO\r\n    TITLE \"\xE6\x97\xA5\xE6\x9C\xAC mix\"\r\n");
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 588), Wave("b.wav", 588), Wave("c.wav", 588)}, recorder);
    block.cdText = 1;
    std::strcpy(block.cueSheetPath, sheet.c_str());
    ASSERT_TRUE(Lay(block, true));

    unsigned char* packs = nullptr;
    int count = 0;
    ASSERT_GT(burn_cdtext_from_session(layout.Session(), &packs, &count, 0), 0);
    ASSERT_GT(count, 0);
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(packs, &std::free);
    std::unique_ptr<cdtext_t, decltype(&cdtext_destroy)> text(cdtext_init(), &cdtext_destroy);
    ASSERT_EQ(cdtext_data_init(text.get(), packs, static_cast<std::size_t>(count) * 18), 0);

    // libcdio hands the ISO 8859-1 text back as UTF-8.
    const auto title = [&](track_t track) {
        const char* value = cdtext_get_const(text.get(), CDTEXT_FIELD_TITLE, track);
        return std::string(value != nullptr ? value : "(none)");
    };
    EXPECT_EQ(title(0), "Disc   Q  ");
    EXPECT_EQ(title(1), "Caf\xC3\xA9");
    EXPECT_EQ(title(2), "?? mix");
    EXPECT_EQ(title(3), "(none)");
}

TEST_F(BurnLayoutTest, NoCdTextWithoutTheWritersSupport) {
    ASSERT_TRUE(library.Ready());
    const std::string sheet = files.File("mycue.txt");
    WriteFile(sheet, "TITLE \"Disc\"\r\n  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n");
    TWriteDiscParams block = MakeFileBlock({Wave("a.wav", 588)}, recorder);
    block.cdText = 1;
    std::strcpy(block.cueSheetPath, sheet.c_str());
    ASSERT_TRUE(Lay(block, false));
    EXPECT_EQ(burn_cdtext_from_session(layout.Session(), nullptr, nullptr, 1), 0);
}

}  // namespace
}  // namespace platter_test
