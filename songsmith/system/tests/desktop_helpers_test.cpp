// The mixer program found on a search path, the short help texts, and the
// check for another CD package's drivers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "songsmith/system/conflicting_software.h"
#include "songsmith/app/help_pages.h"
#include "songsmith/system/mixer_program.h"
#include "testsupport/temp_dir.h"

namespace {

void MakeFile(const std::string& path, bool executable) {
    testsupport::WriteWholeFile(path, "#!/bin/sh\n");
    chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(MixerProgramTest, FirstKnownMixerOnThePathInTheirOrder) {
    testsupport::TempDir first, second;
    MakeFile(first.File("gnome-control-center"), true);
    MakeFile(first.File("pavucontrol"), false);  // not executable: passed over
    MakeFile(second.File("pavucontrol-qt"), true);
    const std::string both = first.Path() + "::" + second.Path();

    TMixerCommand mixer = FindMixerProgram(both.c_str());
    EXPECT_EQ(mixer.program, second.File("pavucontrol-qt"));
    EXPECT_EQ(mixer.parameters, "");

    mixer = FindMixerProgram(first.Path().c_str());
    EXPECT_EQ(mixer.program, first.File("gnome-control-center"));
    EXPECT_EQ(mixer.parameters, "sound");

    EXPECT_EQ(FindMixerProgram("").program, "");
    EXPECT_EQ(FindMixerProgram(nullptr).program, "");
}

TEST(HelpPagesTest, ShippedPagesHaveTheContentsAndEveryPopupTopic) {
    ASSERT_FALSE(HelpIndexPath().empty());
    const std::string index = testsupport::ReadWholeFile(HelpIndexPath());
    EXPECT_NE(index.find("id=\"" + HelpContextAnchor(16) + "\""), std::string::npos);
    for (int topic = 1; topic <= 15; ++topic) EXPECT_GT(HelpPopupText(topic).size(), 20u) << topic;
    EXPECT_EQ(HelpPopupText(16), "");
}

TEST(ConflictingSoftwareTest, EitherDriverFileIsFound) {
    testsupport::TempDir system;
    EXPECT_FALSE(CheckConflictingCDSoftware(system.Path()));
    EXPECT_FALSE(CheckConflictingCDSoftware());
    mkdir(system.File("IOSUBSYS").c_str(), 0755);
    MakeFile(system.File("IOSUBSYS/C2REC.VXD"), false);
    EXPECT_TRUE(CheckConflictingCDSoftware(system.Path()));
}

}  // namespace
