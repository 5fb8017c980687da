// Generated discs ripped by ExtractTrack and by cd-paranoia, track by track,
// with jitter checks on (cd-paranoia's default checks) and off (its -Z):
// the bytes must be the same. Skips without cd-paranoia.
#include <gtest/gtest.h>

#include "platter/testsupport/disc_image_maker.h"
#include "platter/tests/image_fixture.h"

namespace platter_test {
namespace {

class RipOracleTest : public ImageDriveTest {
protected:
    // cd-paranoia's rip of one track of the disc in the tray.
    std::string Paranoia(std::int32_t track, bool checks) {
        const std::string raw = files.File("paranoia.raw");
        std::filesystem::remove(raw);
        RunTool(std::string("cd-paranoia -q ") + (checks ? "" : "-Z ") + "-d '" + tray.File("disc.cue") + "' -r " +
                   std::to_string(track) + " '" + raw + "'");
        return ReadFile(raw);
    }
    std::string Ours(std::int32_t track, bool checks) {
        TRipRecorder rip;
        TExtractParams params = rip.Params(track);
        params.jitterCorrection = checks ? PLATTER_JITTER_ON : PLATTER_JITTER_OFF;
        EXPECT_TRUE(drive->ExtractTrack(&params)) << LastErrorText();
        return rip.data;
    }
};

TEST_F(RipOracleTest, EveryAudioTrackInEveryModeEqualsCdParanoias) {
    if (!ToolOnPath("cd-paranoia")) GTEST_SKIP() << "cd-paranoia is not installed";
    struct {
        const char* what;
        TImageSpec spec;
        std::vector<std::int32_t> audioTracks;
    } discs[] = {
        {"audio, odd frame counts", AudioDiscSpec(), {1, 2, 3}},
        {"mixed mode", MixedModeSpec(), {2, 3}},
    };
    Start();
    for (const auto& disc : discs) {
        WriteDiscImage(tray.Path(), "disc", disc.spec);
        for (std::int32_t track : disc.audioTracks) {
            for (bool checks : {true, false}) {
                SCOPED_TRACE(std::string(disc.what) + ", track " + std::to_string(track) + (checks ? "" : ", -Z"));
                const std::string theirs = Paranoia(track, checks);
                ASSERT_FALSE(theirs.empty());
                EXPECT_TRUE(Ours(track, checks) == theirs);
            }
        }
    }
}

TEST_F(RipOracleTest, AnEnhancedCdsLastAudioTrackIsTheFirstPartOfCdParanoias) {
    if (!ToolOnPath("cd-paranoia")) GTEST_SKIP() << "cd-paranoia is not installed";
    WriteDiscImage(tray.Path(), "disc", EnhancedCdSpec());
    Start();
    EXPECT_TRUE(Ours(1, true) == Paranoia(1, true));
    // cd-paranoia sees no sessions in an image and keeps the gap before the
    // data track as audio; ours ends where the audio session does. (Its
    // unchecked rip of the long gap is the quick one; the audio is the same.)
    const std::string theirs = Paranoia(2, false);
    EXPECT_EQ(theirs.size(), (163u + 11400u) * PLATTER_SECTOR_BYTES);
    for (bool checks : {true, false}) {
        const std::string ours = Ours(2, checks);
        EXPECT_EQ(ours.size(), 163u * PLATTER_SECTOR_BYTES);
        EXPECT_TRUE(theirs.compare(0, ours.size(), ours) == 0) << (checks ? "checked" : "unchecked");
    }
}

}  // namespace
}  // namespace platter_test
