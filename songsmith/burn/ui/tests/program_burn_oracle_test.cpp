// A disc burnt from the running program's window, read by libcdio's
// reference tools: cd-info lists its tracks with their CD-Text titles, and
// cd-paranoia rips the tracks to exactly the image's audio. Skips without
// the tools (or lame).
#include "songsmith/burn/ui/tests/program_burn_fixture.h"
#include "testsupport/command_output.h"

namespace {

std::string Output(const std::string& command) { return testsupport::CommandOutput(command + " 2>&1"); }

using ProgramBurnOracleTest = burnprogram::ProgramBurnFixture;

TEST_F(ProgramBurnOracleTest, TheReferenceToolsReadTheDiscBurntFromTheWindow) {
    if (!songtest::HaveTools({"cd-info", "cd-paranoia", "lame"})) GTEST_SKIP() << "cd-info, cd-paranoia and lame";
    StoreBurnPreferences();
    RunProgram(BurnOptions(), [&](CProgram& program) {
        const std::string mp3 = Mp3("four.mp3", 5, "Fourth Song");
        ASSERT_FALSE(mp3.empty());
        AddTracks(program, {Wav("one.wav", 5, 1, "First Song"), Wav("two.wav", 4, 2), Wav("three.wav", 3, 3, "Third Song"),
                            mp3});
        TBurnDrive drive;
        drive.tickCdText = true;
        BurnFromTheWindow(program, drive);
        const std::string cue = TrayFile(1, "disc.cue");
        const std::string info = Output("cd-info --no-header --no-cddb --cue-file '" + cue + "'");
        for (const char* title : {"TITLE: First Song", "TITLE: two", "TITLE: Third Song", "TITLE: Fourth Song"})
            EXPECT_NE(info.find(title), std::string::npos) << title << "\n" << info;
        // The four tracks ripped one after the other are the whole image.
        std::string ripped;
        for (int track = 1; track <= 4; ++track) {
            const std::string raw = home_.File("track" + std::to_string(track) + ".raw");
            Output("cd-paranoia -q -d '" + cue + "' -r " + std::to_string(track) + " '" + raw + "'");
            const std::string audio = testsupport::ReadWholeFile(raw);
            EXPECT_GT(audio.size(), 3u * burnprogram::kSecondBytes) << track;
            ripped += audio;
        }
        EXPECT_TRUE(ripped == testsupport::ReadWholeFile(TrayFile(1, "disc.bin")));
    });
}

}  // namespace
