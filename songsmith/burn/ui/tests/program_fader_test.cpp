// The running program's Fader command and toolbar button: each opens the
// fader settings dialog over the main window, and what the dialog confirms
// becomes the program's transition settings and outdates the session's
// converted files.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

#include "platform/message_box.h"
#include "platter/types.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/burn/ui/fader_settings_dialog.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/session/session_list.h"
#include "testsupport/gui_input.h"

namespace {

using ProgramFaderTest = ProgramFixture;
using Dlg = CFaderSettingsDlg;
using testsupport::ClickControl;
using testsupport::FindControl;

TEST_F(ProgramFaderTest, TheFaderCommandAndButtonOpenTheDialogWhoseOkTheProgramTakes) {
    struct TCase {
        int command;
        int radio;
        TFadePreferences expected;
    } cases[] = {{cmd::kFader, Dlg::kSeparate, {1, 2500, 2500, 1500}},
                 {cmd::kToolbarFader, Dlg::kMix, {2, 2500, 2500, 1500}}};
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        program.prefs.fadePreferences = {0, 1000, 2500, 1500};
        program.prefs.BurnerPrefs[kBurnerConvertFirst] = 0;
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.command);
            ASSERT_NE(program.sessionList, nullptr);
            program.sessionList->SetChangedSinceConversion(false);
            bool opened = false;
            testsupport::WhenModalShown([&](QWidget* dialog) {
                QCoreApplication::processEvents();
                opened = dialog->objectName() == QString::number(Dlg::kDialogId);
                ClickControl(dialog, c.radio);
                QLineEdit* gap = FindControl<QComboBox>(dialog, Dlg::kGapBox)->lineEdit();
                gap->selectAll();
                QTest::keyClicks(gap, QStringLiteral("2.5"));
                ClickControl(dialog, IDOK);
            });
            program.mainWindow.OnCommand(c.command);
            EXPECT_TRUE(opened);
            const TFadePreferences& fade = program.prefs.fadePreferences;
            EXPECT_EQ(fade.transitionMode, c.expected.transitionMode);
            EXPECT_EQ(fade.gapMs, c.expected.gapMs);
            EXPECT_TRUE(program.sessionList->ChangedSinceConversion());
        }
        // Mixed tracks need converted files unless the Zent engine writes.
        EXPECT_EQ(program.prefs.BurnerPrefs[kBurnerConvertFirst],
                  program.drives.Engine() == kEngineZent ? 0 : 1);
        program.mainWindow.Window()->close();
    };
    CProgram program(options);
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);
}

}  // namespace
