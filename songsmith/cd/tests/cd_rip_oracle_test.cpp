// A rip to WAV checked by outside programs: cd-paranoia rips each track of
// the same image to the bytes of the file's "data" chunk, and ffprobe reads
// the texts of its INFO list. Skips without them.
#include <gtest/gtest.h>

#include "songsmith/cd/tests/cd_rip_fixture.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/command_output.h"

namespace {

class CdRipOracle : public riptest::CdRipTest {};

TEST_F(CdRipOracle, EachWaveFileHoldsWhatCdParanoiaRipsAndTagsFfprobeReads) {
    if (!songfiles::HaveTools({"cd-paranoia", "ffprobe"})) GTEST_SKIP() << "cd-paranoia and ffprobe";
    ASSERT_TRUE(RipAll(Tracks({"First", "Second", "Third"})).success);
    const std::string folder = rips_.Path() + "/Test Artist - Test Album/";
    const char* titles[] = {"First", "Second", "Third"};
    for (int track = 1; track <= 3; ++track) {
        SCOPED_TRACE(track);
        const std::string wav = folder + "Test Artist - " + titles[track - 1] + ".wav";
        const std::string raw = rips_.File("track" + std::to_string(track) + ".raw");
        testsupport::CommandOutput("cd-paranoia -q -d '" + image_.cuePath + "' -r " + std::to_string(track) + " '" +
                                   raw + "' 2>/dev/null");
        std::ifstream in(raw, std::ios::binary);
        const std::string reference((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(reference.size(), TrackBytes(track).size());
        EXPECT_TRUE(DataChunk(wav) == reference);
        const std::string tags = testsupport::CommandOutput(
            "ffprobe -v error -show_entries format_tags -of default=noprint_wrappers=1 '" + wav + "'");
        EXPECT_NE(tags.find(std::string("title=") + titles[track - 1]), std::string::npos) << tags;
        EXPECT_NE(tags.find("artist=Test Artist"), std::string::npos) << tags;
        EXPECT_NE(tags.find("IALB=Test Album"), std::string::npos) << tags;
    }
}

}  // namespace
