// A disc the burn wrote to the image drive, read by libcdio's reference
// tools: cd-info lists its tracks and titles, and cd-paranoia rips each
// track to the bytes the drive's own extraction gives. Skips without them.
#include <gtest/gtest.h>

#include <cstdio>

#include "platter/write_plan.h"
#include "songsmith/burner/tests/burner_worker_fixture.h"

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}


class BurnOracleTest : public workertest::WorkerTest {};

TEST_F(BurnOracleTest, TheReferenceToolsReadTheBurntDiscAsTheDriveDoes) {
    if (!songfiles::HaveTools({"cd-info", "cd-paranoia", "lame"})) GTEST_SKIP() << "cd-info, cd-paranoia and lame";
    StartEngine();
    prefs_.BurnerPrefs[kBurnerCdText] = 1;
    const std::string mp3 = dir_.File("second.mp3");
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 192 '" + Song("second.wav", 4.5) + "' '" + mp3 + "'"));
    Add(Song("first.wav", 4.5));
    Add(mp3);
    Add(Song("third.wav", 4.5, "-r 22050 -c 1 -b 16"));
    UseImageDrive(0);
    Burn(4);
    ASSERT_EQ(Posts(), std::vector<std::string>{workertest::Finished(1, 1)});
    const std::string cue = TrayFolder() + "disc.cue";
    const std::string info = Output("cd-info --no-header --no-cddb --cue-file '" + cue + "'");
    for (const char* title : {"TITLE: first", "TITLE: second", "TITLE: third"})
        EXPECT_NE(info.find(title), std::string::npos) << title << "\n" << info;
    for (int track = 1; track <= 3; ++track) {
        SCOPED_TRACE(track);
        const std::string raw = dir_.File("track" + std::to_string(track) + ".raw");
        Output("cd-paranoia -q -d '" + cue + "' -r " + std::to_string(track) + " '" + raw + "'");
        const std::string ours = Rip(track);
        EXPECT_GT(ours.size(), 4000u * 176u);
        EXPECT_TRUE(workertest::ReadWhole(raw) == ours);
    }
}

}  // namespace
