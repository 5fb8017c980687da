// GetTrackTimes on generated BIN/CUE images: the entries' positions and
// lengths, which tracks a mixed-mode disc and an Enhanced CD list, the
// failures, and the lines each run leaves in the log.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platter/testsupport/disc_image_maker.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/titlefetch.h"

using platter_test::TImageLayout;
using platter_test::WriteDiscImage;

namespace {

LogClockTime FixedClock() { return LogClockTime{1, 2, 3, 4}; }

// An entry as (position, length) in frames.
struct TEntryFrames {
    std::int64_t position;
    std::int64_t length;
    bool operator==(const TEntryFrames&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TEntryFrames& entry) {
    return out << "{" << entry.position << ", " << entry.length << "}";
}

std::vector<TEntryFrames> FramesOf(const MvList<PLATTER_TTrackPos*>& tracks) {
    std::vector<TEntryFrames> frames;
    for (const PLATTER_TTrackPos* track : tracks) {
        EXPECT_EQ(track->frameOffset, 0);
        frames.push_back({track->PositionInFrames(), track->LengthInFrames()});
    }
    return frames;
}

class TrackTimesTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath = images.File("titlefetch.log");
        LogSetClock(&FixedClock);
        LogInit(logPath.c_str());
        LogOn(1);
    }
    void TearDown() override {
        LogDeinit();
        LogSetClock(nullptr);
        facade.DeallocTrackPosList(&tracks, false);
    }

    // The log's lines without their time prefix, which the fixed clock makes
    // the same on every line.
    std::vector<std::string> LogLines() {
        LogDeinit();  // closes the file, so everything is on disk
        const std::string text = testsupport::ReadWholeFile(logPath);
        LogInit(logPath.c_str());
        const std::string prefix = "01:02:03 [  4 ms]: ";
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            EXPECT_EQ(line.substr(0, prefix.size()), prefix) << line;
            lines.push_back(line.substr(prefix.size()));
            start = end == std::string::npos ? text.size() : end + 2;
        }
        return lines;
    }

    testsupport::TempDir images;
    std::string logPath;
    TITLEFETCH_CTitlefetch facade;
    MvList<PLATTER_TTrackPos*> tracks;
};

TEST_F(TrackTimesTest, ImagesGiveOneEntryPerListedTrackAndAClosingEntry) {
    struct Case {
        const char* what;
        TImageLayout image;
        std::vector<TEntryFrames> entries;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"three audio tracks of odd lengths; the first starts at 0:02:00",
         platter_test::AudioDiscLayout(),
         {{150, 150}, {403, 253}, {787, 384}, {1103, 316}},
         {"Titlefetch::GetTrackTimes - totalTracks = 3", "   Track 1: 0 min, 2 sec, 0 frame",
          "   Track 2: 0 min, 5 sec, 28 frame", "   Track 3: 0 min, 10 sec, 37 frame",
          "Titlefetch::GetTrackTimes - Returning successful"}},
        {"mixed mode: the leading data track stays",
         platter_test::MixedModeLayout(),
         {{150, 150}, {450, 300}, {601, 151}, {829, 228}},
         {"Titlefetch::GetTrackTimes - totalTracks = 3", "   Track 1: 0 min, 2 sec, 0 frame",
          "   Track 2: 0 min, 6 sec, 0 frame", "   Track 3: 0 min, 8 sec, 1 frame",
          "Titlefetch::GetTrackTimes - Returning successful"}},
        {"Enhanced CD: the later session's data track is left out and the audio ends with the first session",
         platter_test::EnhancedCdLayout(),
         {{150, 150}, {351, 201}, {515, 164}},
         {"Titlefetch::GetTrackTimes - totalTracks = 3", "   Track 1: 0 min, 2 sec, 0 frame",
          "   Track 2: 0 min, 4 sec, 51 frame", "Titlefetch::GetTrackTimes - Returning successful"}},
        {"a data track right after the audio, with no room for a session gap, ends it there",
         TImageLayout{{{253}, {300, true}}},
         {{150, 150}, {404, 254}},
         {"Titlefetch::GetTrackTimes - totalTracks = 2", "   Track 1: 0 min, 2 sec, 0 frame",
          "Titlefetch::GetTrackTimes - Returning successful"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogInit(logPath.c_str());  // each case's lines from an empty log
        const std::string cue = WriteDiscImage(images.Path(), "disc" + std::to_string(n++), c.image).cuePath;
        ASSERT_TRUE(facade.GetTrackTimes(tracks, cue.c_str()));
        EXPECT_EQ(FramesOf(tracks), c.entries);
        EXPECT_EQ(LogLines(), c.log);
    }
}

TEST_F(TrackTimesTest, TwelveTracksGiveThirteenEntriesTheLastOneFrameLonger) {
    TImageLayout twelve;
    for (int i = 0; i < 12; ++i) twelve.tracks.push_back({751 + 37 * i});
    twelve.sparseAudio = true;  // only the table of contents matters
    // A list that held records gets them replaced.
    facade.GetTrackTimes(tracks, WriteDiscImage(images.Path(), "short", TImageLayout{{{100}}}).cuePath.c_str());
    ASSERT_EQ(tracks.count, 2);

    ASSERT_TRUE(facade.GetTrackTimes(tracks, WriteDiscImage(images.Path(), "twelve", twelve).cuePath.c_str()));
    ASSERT_EQ(tracks.count, 13);
    std::int64_t start = 150;
    std::int64_t previous = 0;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(tracks.items[i]->PositionInFrames(), start) << i;
        EXPECT_EQ(tracks.items[i]->LengthInFrames(), start - previous) << i;
        previous = start;
        start += twelve.tracks[static_cast<std::size_t>(i)].sectors;
    }
    EXPECT_EQ(tracks.items[12]->LengthInFrames(), twelve.tracks.back().sectors + 1);
    EXPECT_EQ(tracks.items[12]->PositionInFrames(), start + 1);
    // The fields are minutes, seconds and frames within range.
    const PLATTER_TTrackPos& last = *tracks.items[12];
    EXPECT_LT(last.positionSeconds, 60);
    EXPECT_LT(last.positionFrames, 75);
    EXPECT_LT(last.lengthFrames, 75);
}

TEST_F(TrackTimesTest, BrokenImagesFailAtTheOpen) {
    const std::string audioCue = "FILE \"x.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    const std::string sector(2352, '\0');
    struct Case {
        const char* what;
        std::optional<std::string> cueText;  // none: no CUE file
        std::optional<std::string> binBytes;  // none: no data file
    };
    const Case cases[] = {
        {"a missing image", std::nullopt, std::nullopt},
        {"a CUE naming a missing data file", audioCue, std::nullopt},
        {"an empty CUE", "", sector},
        {"an empty data file", audioCue, ""},
        {"a CUE holding binary bytes", std::string("FILE \0\x01", 7), sector},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogInit(logPath.c_str());
        const std::string name = "bad" + std::to_string(n++);
        if (c.cueText) testsupport::WriteWholeFile(images.File(name + ".cue"), *c.cueText);
        if (c.binBytes) testsupport::WriteWholeFile(images.File(name + ".bin"), *c.binBytes);
        // Whatever the list held goes.
        tracks.Append(new PLATTER_TTrackPos);
        EXPECT_FALSE(facade.GetTrackTimes(tracks, images.File(name + ".cue").c_str()));
        EXPECT_EQ(tracks.count, 0);
        EXPECT_EQ(tracks.items, nullptr);
        EXPECT_EQ(LogLines(), std::vector<std::string>{"TITLEFETCH::GetTrackTimes - Failed to open cdaudio device: "
                                                       "'The CD drive or disc image could not be opened.'"});
    }
}

TEST_F(TrackTimesTest, DiscsWithoutUsableAudioFailAtTheirStep) {
    struct Case {
        const char* what;
        TImageLayout image;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"a data-only disc", platter_test::DataOnlyLayout(),
         {"Titlefetch::GetTrackTimes - totalTracks = 2",
          "Titlefetch::GetTrackTimes - No audio tracks: 'The disc holds no audio tracks.'"}},
        {"a data file cut short before the last track", platter_test::TruncatedLayout(),
         {"Titlefetch::GetTrackTimes - totalTracks = 3", "   Track 1: 0 min, 2 sec, 0 frame",
          "   Track 2: 0 min, 5 sec, 28 frame", "   Track 3: 0 min, 10 sec, 37 frame",
          "Titlefetch::GetTrackTimes - Failed to get last track's length: "
          "'The CD drive's table of contents could not be read.'"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogInit(logPath.c_str());
        tracks.Append(new PLATTER_TTrackPos);
        const std::string cue = WriteDiscImage(images.Path(), "bad" + std::to_string(n++), c.image).cuePath;
        EXPECT_FALSE(facade.GetTrackTimes(tracks, cue.c_str()));
        EXPECT_EQ(tracks.count, 0);
        // libcdio may say what it thinks of the image on the way; its words
        // are its own.
        std::vector<std::string> lines = LogLines();
        std::erase_if(lines, [](const std::string& line) { return line.rfind("libcdio ", 0) == 0; });
        EXPECT_EQ(lines, c.log);
    }
}

// Asking for a drive that is not there fails like a missing image, whatever
// libcdio says about it on the way, and the process goes on.
TEST_F(TrackTimesTest, WithoutADriveTheOpenFails) {
    std::vector<const char*> drives = {"/dev/no-such-cd-drive"};
    // The default drive too, on machines that have none.
    if (!std::filesystem::exists("/dev/sr0") && !std::filesystem::exists("/dev/cdrom")) drives.push_back(nullptr);
    for (const char* drive : drives) {
        SCOPED_TRACE(drive != nullptr ? drive : "the default drive");
        LogInit(logPath.c_str());
        tracks.Append(new PLATTER_TTrackPos);
        EXPECT_FALSE(facade.GetTrackTimes(tracks, drive));
        EXPECT_EQ(tracks.count, 0);
        const std::vector<std::string> lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(),
                  "TITLEFETCH::GetTrackTimes - Failed to open cdaudio device: "
                  "'The CD drive or disc image could not be opened.'");
    }
}

}  // namespace
