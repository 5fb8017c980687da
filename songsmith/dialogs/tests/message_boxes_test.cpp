// The program's message boxes as the UI services see them, and the scripted
// stand-in that the program's tests answer them with.
#include "songsmith/dialogs/message_boxes.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/user_folders.h"
#include "testsupport/fake_ui_services.h"
#include "utilities/keyed_text.h"

namespace {

class MessageBoxesTest : public ::testing::Test {
protected:
    void SetUp() override { SetStringFile(FindResourceFile("progstrings.txt").c_str()); }
};

TEST_F(MessageBoxesTest, RequestsCarryLineBreaksTheDefaultCaptionAndTheKeyOrItsText) {
    testsupport::CFakeUiServices ui;
    ui.ExpectMessage("One\nTwo\nThree\nFour", IDOK);
    ui.ExpectMessage("No_Such_Key", IDNO);
    ui.ExpectMessage("Yes", IDYES, true);
    EXPECT_EQ(ShowMessageText(nullptr, "One\\nTwo\\rThree\\r\\nFour", MB_OK, nullptr), IDOK);
    EXPECT_EQ(ShowMessageKey(nullptr, "No_Such_Key", MB_YESNO, ""), IDNO);
    EXPECT_EQ(ShowMessageKey(nullptr, "Yes", MB_YESNO | kMessageBoxDontAskAgain, "Own caption"), IDYES);

    const std::vector<testsupport::TUiCall> calls = ui.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].caption, "Songsmith");
    EXPECT_EQ(calls[1].text, "No_Such_Key");
    EXPECT_EQ(calls[1].caption, "Songsmith");
    EXPECT_EQ(calls[2].text, "Yes");
    EXPECT_EQ(calls[2].caption, "Own caption");
    EXPECT_EQ(calls[2].flags, MB_YESNO | kMessageBoxDontAskAgain);
}

TEST_F(MessageBoxesTest, LastStateFollowsEachAnswer) {
    testsupport::CFakeUiServices ui;
    ui.ExpectMessage("A", IDYES, true);
    ui.ExpectMessage("B", IDCANCEL, false);
    ShowMessageKey(nullptr, "A", MB_YESNO | kMessageBoxDontAskAgain);
    EXPECT_EQ(GetLastDontAskAgain(), 1);
    ShowMessageKey(nullptr, "B", MB_YESNO | kMessageBoxDontAskAgain);
    EXPECT_EQ(GetLastDontAskAgain(), 0);
}

TEST_F(MessageBoxesTest, FakeFailsOnAQuestionNobodyScriptedNamingItsKey) {
    EXPECT_NONFATAL_FAILURE(
        {
            testsupport::CFakeUiServices ui;
            ui.ExpectMessage("BD_Expected", IDYES);
            EXPECT_EQ(ShowMessageKey(nullptr, "BD_Surprise", MB_YESNO), IDCANCEL);
            ShowMessageKey(nullptr, "BD_Expected", MB_YESNO);
        },
        "unexpected message \"BD_Surprise\"");
}

TEST_F(MessageBoxesTest, FakeAnswersChoosersInScriptOrderAndRecordsLaunches) {
    testsupport::CFakeUiServices ui;
    ui.ExpectFile(true, "Add Songs", {"/music/a.mp3", "/music/b.wav"});
    ui.ExpectFolder("LibTab_SaveDBMsg", "/data/library");
    ui.ExpectFile(false, "Save Session", {});
    IUiServices& services = GetUiServices();
    TFileChooserRequest open;
    open.title = "Add Songs";
    open.multiSelect = true;
    EXPECT_EQ(services.ChooseFile(nullptr, open), (std::vector<std::string>{"/music/a.mp3", "/music/b.wav"}));
    services.ShowHelpContext(16);
    EXPECT_EQ(services.ChooseFolder(nullptr, "LibTab_SaveDBMsg", "/data"), "/data/library");
    TFileChooserRequest save;
    save.open = false;
    save.title = "Save Session";
    EXPECT_TRUE(services.ChooseFile(nullptr, save).empty());

    std::vector<std::string> kinds;
    for (const testsupport::TUiCall& call : ui.Calls()) kinds.push_back(call.kind);
    EXPECT_EQ(kinds, (std::vector<std::string>{"open file", "help context", "folder", "save file"}));
    EXPECT_EQ(ui.Calls()[1].number, 16);
}

TEST_F(MessageBoxesTest, WithoutServicesEveryBoxCountsAsClosed) {
    ASSERT_EQ(SetUiServices(nullptr), nullptr);
    EXPECT_EQ(ShowMessageText(nullptr, "Nobody reads this", MB_YESNO | kMessageBoxDontAskAgain), IDCANCEL);
    EXPECT_EQ(GetLastDontAskAgain(), 0);
}

}  // namespace
