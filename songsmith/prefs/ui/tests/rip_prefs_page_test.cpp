// The Rip page of the preferences dialog, driven offscreen by control id:
// what it shows of the stored values, how its controls enable each other,
// the folder chooser, the refused long folder, the page while a CD page
// rips, what OK stores, and a whole change through the page and its MP3
// dialog down to the registry store.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QSlider>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "filekit/reg_key.h"
#include "songsmith/prefs/ui/tests/rip_prefs_fixture.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "songsmith/prefs/ui/tests/stored_preferences.h"
#include "songsmith/cd/ui/mp3_settings_dialog.h"
#include "songsmith/prefs/ui/rip_prefs_page.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using Page = CRipPrefsPage;

class RipPrefsPageTest : public RipPrefsFixture {
protected:
    testsupport::CFakeUiServices ui_;
};

std::string Text(QWidget* window, int id) {
    auto* edit = FindControl<QLineEdit>(window, id);
    return edit != nullptr ? edit->text().toStdString() : std::string("(no edit)");
}

// Every control of the page.
constexpr int kEveryControl[] = {
    Page::kFolderText,  Page::kFolder,       Page::kChange,      Page::kArtistFolder, Page::kUseArtist,
    Page::kUseAlbum,    Page::kUseTrack,     Page::kSignal,      Page::kSpeedText,    Page::kSpeedList,
    Page::kJitterText,  Page::kJitterAuto,   Page::kJitterOn,    Page::kJitterOff,    Page::kErrorText,
    Page::kErrorIgnore, Page::kErrorRetry,   Page::kErrorAbort,  Page::kRetries,      Page::kRetriesText,
    Page::kDestFrame,   Page::kDestTemp,     Page::kDestPerm,    Page::kFormatText,   Page::kFormatList,
    Page::kSettings,    Page::kRipOnFly};

void SetRipPath(CPreferences& prefs, const std::string& path) {
    std::strncpy(prefs.RipPath, path.c_str(), sizeof prefs.RipPath - 1);
}

TEST_F(RipPrefsPageTest, TheListsShowTheStoredSpeedAndFormatAndTheFirstRowForAnyOther) {
    struct {
        int speed;
        const char* speedShown;
        int format;
        bool wma;
        const char* formatShown;
        int formatStored;  // after confirming
    } const cases[] = {
        {3, "6x", 1, true, "WAVE", 1},
        {255, "Max", 85, true, "MP3", 85},
        {18, "72x", 353, true, "WMA", 353},
        // WMA stored without the media module: shown as it is, and kept.
        {19, "Max", 353, false, "WMA (n/a)", 353},  // and a speed no row has
        {0, "1x", 7, true, "MP3", 85},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        UseModules({.media = c.wma});
        prefs_->RipSpeed = c.speed;
        prefs_->RipFormat = c.format;
        RunPrefs([&](QWidget* dialog) {
            EXPECT_EQ(Shown(dialog, Page::kSpeedList), c.speedShown);
            EXPECT_EQ(Shown(dialog, Page::kFormatList), c.formatShown);
            const std::vector<std::string> formats = Rows(dialog, Page::kFormatList);
            EXPECT_EQ(formats, c.wma ? std::vector<std::string>({"MP3", "WAVE", "WMA"})
                                     : std::vector<std::string>({"MP3", "WAVE", "WMA (n/a)"}));
            if (!c.wma) testsupport::SaveWidgetPng(dialog, "rip_prefs_wma_unavailable");
            ClickControl(dialog, IDOK);
        });
        // Confirming stores the rows shown.
        EXPECT_EQ(prefs_->RipSpeed, c.speed == 19 ? 255 : c.speed);
        EXPECT_EQ(prefs_->RipFormat, c.formatStored);
    }
    // Every speed in its order, each storing its own value.
    const std::vector<std::string> speeds = {"Max", "1x",  "2x",  "4x",  "6x",  "8x",  "10x", "12x", "14x", "16x",
                                             "18x", "20x", "24x", "28x", "32x", "36x", "40x", "48x", "52x", "72x"};
    const int values[] = {255, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    for (int row = 0; row < static_cast<int>(speeds.size()); ++row) {
        RunPrefs([&](QWidget* dialog) {
            EXPECT_EQ(Rows(dialog, Page::kSpeedList), speeds);
            ChooseRow(dialog, Page::kSpeedList, row);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->RipSpeed, values[row]) << speeds[static_cast<std::size_t>(row)];
    }
}

TEST_F(RipPrefsPageTest, TemporaryWaveFilesShowWaveUntilSongFilesShowTheFormatChosenBefore) {
    prefs_->RipFormat = 85;
    prefs_->RipDestTemp = 0;
    const int formatControls[] = {Page::kFormatText, Page::kFormatList, Page::kSettings};
    for (const bool stayTemporary : {true, false}) {
        SCOPED_TRACE(stayTemporary);
        prefs_->RipFormat = 85;
        prefs_->RipDestTemp = 0;
        RunPrefs([&](QWidget* dialog) {
            for (int id : formatControls) EXPECT_TRUE(Enabled(dialog, id)) << id;
            ChooseText(dialog, Page::kFormatList, "WMA");
            ClickControl(In(dialog), Page::kDestTemp);
            EXPECT_EQ(Shown(dialog, Page::kFormatList), "WAVE");
            for (int id : formatControls) EXPECT_FALSE(Enabled(dialog, id)) << id;
            ClickControl(In(dialog), Page::kDestPerm);
            EXPECT_EQ(Shown(dialog, Page::kFormatList), "WMA");
            for (int id : formatControls) EXPECT_TRUE(Enabled(dialog, id)) << id;
            if (stayTemporary) ClickControl(In(dialog), Page::kDestTemp);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->RipDestTemp, stayTemporary ? 1 : 0);
        EXPECT_EQ(prefs_->RipFormat, stayTemporary ? 1 : 353);
    }
    // Opening with temporary files keeps the format list disabled on the
    // stored format.
    prefs_->RipDestTemp = 1;
    prefs_->RipFormat = 85;
    RunPrefs([&](QWidget* dialog) {
        EXPECT_TRUE(Checked(dialog, Page::kDestTemp));
        for (int id : formatControls) EXPECT_FALSE(Enabled(dialog, id)) << id;
        ClickControl(In(dialog), Page::kDestPerm);
        EXPECT_EQ(Shown(dialog, Page::kFormatList), "MP3");
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(RipPrefsPageTest, OnlyRetryAsksForRetriesAndATextThatIsNoNumberStoresNone) {
    struct {
        int stored;
        int radio;
    } const opened[] = {{2, Page::kErrorRetry}, {1, Page::kErrorIgnore}, {0, Page::kErrorAbort}};
    for (const auto& c : opened) {
        prefs_->RipError = c.stored;
        RunPrefs([&](QWidget* dialog) {
            EXPECT_TRUE(Checked(dialog, c.radio));
            EXPECT_EQ(Enabled(dialog, Page::kRetries), c.stored == 2);
            EXPECT_EQ(Enabled(dialog, Page::kRetriesText), c.stored == 2);
            for (int radio : {Page::kErrorRetry, Page::kErrorIgnore, Page::kErrorRetry, Page::kErrorAbort}) {
                ClickControl(dialog, radio);
                EXPECT_EQ(Enabled(dialog, Page::kRetries), radio == Page::kErrorRetry) << radio;
                EXPECT_EQ(Enabled(dialog, Page::kRetriesText), radio == Page::kErrorRetry) << radio;
            }
            ClickControl(dialog, IDCANCEL);
        });
    }
    struct {
        const char* typed;
        int stored;
    } const texts[] = {{"x", 0}, {"12", 12}, {"7 times", 0}, {"", 0}, {" 40 ", 40}};
    for (const auto& c : texts) {
        SCOPED_TRACE(c.typed);
        prefs_->RipRetries = 100;
        prefs_->RipError = 1;
        RunPrefs([&](QWidget* dialog) {
            EXPECT_EQ(Text(dialog, Page::kRetries), "100");
            ClickControl(In(dialog), Page::kErrorRetry);
            Retype(dialog, Page::kRetries, c.typed);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->RipRetries, c.stored);
        EXPECT_EQ(prefs_->RipError, 2);
    }
}

TEST_F(RipPrefsPageTest, TheBoxesAndRadiosRoundTripAndARadioGroupWithNoneCheckedKeepsItsValue) {
    const int boxes[] = {Page::kArtistFolder, Page::kUseArtist, Page::kUseAlbum, Page::kUseTrack, Page::kSignal};
    int CPreferences::*const members[] = {&CPreferences::RipArtistSubfolder, &CPreferences::RipUseArtist,
                                          &CPreferences::RipUseAlbum, &CPreferences::RipUseTrack,
                                          &CPreferences::RipSignal};
    for (int value = 0; value < 32; value += 5) {
        SCOPED_TRACE(value);
        for (int i = 0; i < 5; ++i) (*prefs_).*members[i] = (value >> i) & 1;
        RunPrefs([&](QWidget* dialog) {
            for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(Checked(dialog, boxes[i]), ((value >> i) & 1) != 0) << boxes[i];
                ClickControl(dialog, boxes[i]);
            }
            ClickControl(dialog, IDOK);
        });
        for (int i = 0; i < 5; ++i) EXPECT_EQ((*prefs_).*members[i], 1 - ((value >> i) & 1)) << boxes[i];
    }
    // The jitter radios by value; a value none of them stands for leaves
    // them all unchecked and stays as it is.
    const int jitterRadios[] = {Page::kJitterAuto, Page::kJitterOn, Page::kJitterOff};
    for (int jitter : {0, 1, 2, 5}) {
        SCOPED_TRACE(jitter);
        prefs_->RipJitter = jitter;
        RunPrefs([&](QWidget* dialog) {
            for (int i = 0; i < 3; ++i) EXPECT_EQ(Checked(dialog, jitterRadios[i]), i == jitter);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->RipJitter, jitter);
    }
    prefs_->RipJitter = 5;
    RunPrefs([&](QWidget* dialog) {
        ClickControl(In(dialog), Page::kJitterOn);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(prefs_->RipJitter, 1);
}

TEST_F(RipPrefsPageTest, JitterControlsGoWithTheGoldenHawkEngineAndTheOnTheFlyBoxIsNeverShown) {
    const int jitterControls[] = {Page::kJitterText, Page::kJitterAuto, Page::kJitterOn, Page::kJitterOff};
    for (int engine : {kEngineZent, kEngineGoldenHawk}) {
        SCOPED_TRACE(engine);
        platter_->burningEngine = engine;
        prefs_->RipOnFly = true;
        RunPrefs([&](QWidget* dialog) {
            for (int id : jitterControls) EXPECT_EQ(Enabled(dialog, id), engine != kEngineZent) << id;
            EXPECT_EQ(Enabled(dialog, Page::kRipOnFly), engine == kEngineZent);
            EXPECT_FALSE(FindControl(In(dialog), Page::kRipOnFly)->isVisible());
            ClickControl(dialog, IDOK);
        });
        EXPECT_TRUE(prefs_->RipOnFly);
    }
}

TEST_F(RipPrefsPageTest, ChangeOffersTheFolderChooserAndAChosenFolderEndsInASlash) {
    SetRipPath(*prefs_, "/home/user/Music/");
    ui_.ExpectFolder("PREFR_Folder", "/srv/rips");
    ui_.ExpectFolder("PREFR_Folder", "");  // cancelled
    ui_.ExpectFolder("PREFR_Folder", "/");
    RunPrefs([&](QWidget* dialog) {
        EXPECT_EQ(Text(dialog, Page::kFolder), "/home/user/Music/");
        ClickControl(In(dialog), Page::kChange);
        EXPECT_EQ(Text(dialog, Page::kFolder), "/srv/rips/");
        ClickControl(In(dialog), Page::kChange);
        EXPECT_EQ(Text(dialog, Page::kFolder), "/srv/rips/");
        ClickControl(In(dialog), Page::kChange);
        EXPECT_EQ(Text(dialog, Page::kFolder), "/");
        ClickControl(dialog, IDOK);
    });
    EXPECT_STREQ(prefs_->RipPath, "/");
    // No start folder is given.
    for (const testsupport::TUiCall& call : ui_.Calls()) {
        if (call.kind == "folder") {
            EXPECT_EQ(call.text, "");
        }
    }
}

TEST_F(RipPrefsPageTest, AFolderTooLongToKeepIsRefusedWithTheDialogOpenAndNothingOfThePageStored) {
    const std::string kept = "/home/user/Music/";
    struct {
        std::string folder;
        bool refused;
    } const cases[] = {
        {"/" + std::string(258, 'a'), false},         // 259 bytes: the most the field keeps
        {"/" + std::string(259, 'a'), true},          // 260 bytes
        {"/" + std::string(299, 'b'), true},          // 300 bytes
        {"/" + std::string(129, 'x') + [] {           // 130 two-byte letters: 261 bytes
             std::string e;
             for (int i = 0; i < 65; ++i) e += "\xC3\xA9";
             return e;
         }(),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.size());
        SetRipPath(*prefs_, kept);
        prefs_->RipSignal = 1;
        prefs_->Save(HKEY_CURRENT_USER);
        testsupport::CFakeUiServices ui;
        if (c.refused) ui.ExpectMessage("PREFR_FolderTooLong", IDOK);
        const int result = RunPrefs([&](QWidget* dialog) {
            FindControl<QLineEdit>(In(dialog), Page::kFolder)->setText(QString::fromStdString(c.folder));
            ClickControl(In(dialog), Page::kSignal);
            ClickControl(dialog, IDOK);
            EXPECT_EQ(dialog->isVisible(), c.refused);
            if (!dialog->isVisible()) return;
            // The page kept everything as it was; the store too.
            EXPECT_EQ(prefs_->RipPath, kept);
            EXPECT_EQ(prefs_->RipSignal, 1);
            CPreferences fresh;
            fresh.Load(HKEY_CURRENT_USER);
            EXPECT_EQ(fresh.RipPath, kept);
            ClickControl(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, c.refused ? IDCANCEL : IDOK);
        EXPECT_EQ(prefs_->RipPath, c.refused ? kept : c.folder);
        EXPECT_EQ(prefs_->RipSignal, c.refused ? 1 : 0);
    }
}

TEST_F(RipPrefsPageTest, WhileACdPageRipsEveryControlIsDisabledAndConfirmingKeepsTheValues) {
    prefs_->RipError = 2;
    prefs_->RipFormat = 1;
    prefs_->RipSpeed = 4;
    prefs_->Save(HKEY_CURRENT_USER);
    const TStoredValues before = ReadStoredValues();
    RunPrefs(
        [&](QWidget* dialog) {
            for (int id : kEveryControl) EXPECT_FALSE(Enabled(dialog, id)) << id;
            ClickControl(dialog, IDOK);
        },
        [](CPrefsDialog& dialog) {
            dialog.SetPage(kRipPage, std::make_unique<CRipPrefsPage>(dialog, [] { return true; }));
        });
    EXPECT_EQ(ChangedValueNames(before, ReadStoredValues()), std::set<std::string>{});
    // Without a main window no CD page rips.
    RunPrefs([&](QWidget* dialog) {
        EXPECT_TRUE(Enabled(dialog, Page::kFolder));
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(RipPrefsPageTest, AFolderAnMP3PresetAndVariableBitRateChosenThroughThePageReachTheStore) {
    prefs_->RipFormat = 85;
    prefs_->RipDestTemp = 0;
    prefs_->FormatMP3Quality = 9;
    prefs_->FormatMP3VarBitRate = 0;
    prefs_->Save(HKEY_CURRENT_USER);
    const TStoredValues before = ReadStoredValues();
    ui_.ExpectFolder("PREFR_Folder", "/srv/music/rips");
    int newPreset = 0;
    const int result = RunPrefs([&](QWidget* dialog) {
        ClickControl(In(dialog), Page::kChange);
        EXPECT_EQ(RunModal([&] { return ClickControl(In(dialog), Page::kSettings) ? 1 : 0; },
                           [&](QWidget* mp3) {
                               EXPECT_EQ(mp3->objectName(), QString::number(CMP3SettingsDlg::kDialogId));
                               // Modal over the page.
                               EXPECT_EQ(mp3->parentWidget(), FindControl(dialog, Page::kDialogId));
                               auto* slider = FindControl<QSlider>(mp3, CMP3SettingsDlg::kPresetSlider);
                               slider->setFocus();
                               QTest::keyClick(slider, Qt::Key_Left);
                               QTest::keyClick(slider, Qt::Key_Left);
                               ClickControl(mp3, CMP3SettingsDlg::kVarBitRate);
                               ClickControl(mp3, IDOK);
                           }),
                  1);
        newPreset = prefs_->FormatMP3Quality;
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(newPreset, 7);
    EXPECT_EQ(ChangedValueNames(before, ReadStoredValues()),
              (std::set<std::string>{"FormatMP3Quality", "FormatMP3VarBitRate", "RipPath"}));
    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_STREQ(fresh.RipPath, "/srv/music/rips/");
    EXPECT_EQ(fresh.FormatMP3Quality, 7);
    EXPECT_EQ(fresh.FormatMP3VarBitRate, 1);
}

TEST_F(RipPrefsPageTest, SettingsOpensTheDialogOfTheShownFormat) {
    const struct {
        const char* format;
        int dialog;
    } cases[] = {{"MP3", CMP3SettingsDlg::kDialogId}, {"WAVE", 276}, {"WMA", 284}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        RunPrefs([&](QWidget* dialog) {
            ChooseText(dialog, Page::kFormatList, c.format);
            RunModal([&] { return ClickControl(In(dialog), Page::kSettings) ? 1 : 0; },
                     [&](QWidget* format) {
                         EXPECT_EQ(format->objectName(), QString::number(c.dialog));
                         // Centred over the page.
                         QWidget* page = FindControl(dialog, Page::kDialogId);
                         const QPoint middle = page->mapToGlobal(page->rect().center());
                         EXPECT_LE((format->geometry().center() - middle).manhattanLength(), 4);
                         ClickControl(format, IDCANCEL);
                     });
            ClickControl(dialog, IDCANCEL);
        });
    }
}

TEST_F(RipPrefsPageTest, ThePageShowsEveryControlUnclipped) {
    UseModules({.lame = true, .blade = false, .media = true});
    platter_->burningEngine = kEngineGoldenHawk;
    RunPrefs([&](QWidget* dialog) {
        QWidget* page = FindControl(dialog, Page::kDialogId);
        EXPECT_TRUE(page->isVisible());
        ExpectUnclipped(page);
        ExpectUnclipped(FindControl(page, Page::kDestFrame));
        testsupport::SaveWidgetPng(dialog, "prefs_rip");
        ClickControl(dialog, IDCANCEL);
    });
}

}  // namespace
