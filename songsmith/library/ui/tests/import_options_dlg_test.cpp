// The first-import question by its controls: what Start Search stores, the
// warning without any kind of song, the WMA box without WMA support, and the
// list of folders left out.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/library/ui/import_options_dlg.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/scoped_env.h"
#include "tonecore/convert/converter_factory.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

class ImportOptionsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        prefs_.ImportExcludeDirs.Empty();
    }
    void TearDown() override { FreeConversionLibraries(); }
    // Opens the dialog with WMA conversion as the engine finds it.
    QDialog* Open(bool wma) {
        testsupport::CScopedEnv support("SONGSMITH_WMA_SUPPORT", wma ? nullptr : "0");
        FreeConversionLibraries();
        DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
        return dialog_.Open(nullptr);
    }
    std::vector<std::string> Folders(QDialog* dialog) const {
        std::vector<std::string> rows;
        auto* list = FindControl<QListWidget>(dialog, CImportOptionsDlg::kFolders);
        for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
        return rows;
    }
    void Exclude(const char* path) {
        TExcludeDir excluded{};
        std::string(path).copy(excluded.path, sizeof excluded.path - 1);
        prefs_.ImportExcludeDirs.Append(excluded);
    }

    CPreferences prefs_;
    CImportOptionsDlg dialog_{prefs_};
    testsupport::CFakeUiServices ui_;
};

TEST_F(ImportOptionsDlgTest, StartSearchStoresTheKindsTheirMinimumsAndTheFolders) {
    prefs_.ImportMp3 = 1;
    prefs_.ImportWav = 0;
    prefs_.ImportWma = 1;
    prefs_.ImportMinMp3 = 2;
    prefs_.ImportMinWav = 3;
    prefs_.ImportMinWma = 1;
    Exclude("/srv/old/");
    QDialog* dialog = Open(true);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), "278");
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Songsmith: Search for New Songs?");
    // The lists follow their boxes; each shows its stored choice.
    EXPECT_TRUE(FindControl<QComboBox>(dialog, CImportOptionsDlg::kMp3Length)->isEnabled());
    EXPECT_FALSE(FindControl<QComboBox>(dialog, CImportOptionsDlg::kWavLength)->isEnabled());
    EXPECT_EQ(FindControl<QComboBox>(dialog, CImportOptionsDlg::kMp3Length)->currentIndex(), 2);
    EXPECT_EQ(FindControl<QComboBox>(dialog, CImportOptionsDlg::kWavLength)->count(), 4);
    EXPECT_EQ(Folders(dialog), (std::vector<std::string>{"/srv/old/"}));

    // MP3 off (its list still shows a choice), WAV on at one minute, a folder
    // added twice.
    ClickControl(dialog, CImportOptionsDlg::kMp3);
    EXPECT_FALSE(FindControl<QComboBox>(dialog, CImportOptionsDlg::kMp3Length)->isEnabled());
    ClickControl(dialog, CImportOptionsDlg::kWav);
    FindControl<QComboBox>(dialog, CImportOptionsDlg::kWavLength)->setCurrentIndex(3);
    ui_.ExpectFolder("PREFI_SelectFolder", "/home/ann/Private");
    ui_.ExpectFolder("PREFI_SelectFolder", "/home/ann/Private/");
    ClickControl(dialog, CImportOptionsDlg::kAdd);
    ClickControl(dialog, CImportOptionsDlg::kAdd);
    EXPECT_EQ(Folders(dialog), (std::vector<std::string>{"/srv/old/", "/home/ann/Private/"}));
    ClickControl(dialog, IDOK);

    EXPECT_EQ(dialog_.Result(), IDOK);
    EXPECT_EQ(prefs_.ImportMp3, 0);
    EXPECT_EQ(prefs_.ImportMinMp3, 0);
    EXPECT_EQ(prefs_.ImportWav, 1);
    EXPECT_EQ(prefs_.ImportMinWav, 3);
    EXPECT_EQ(prefs_.ImportWma, 1);
    EXPECT_EQ(prefs_.ImportMinWma, 1);
    ASSERT_EQ(prefs_.ImportExcludeDirs.count, 2);
    EXPECT_STREQ(prefs_.ImportExcludeDirs.items[1].path, "/home/ann/Private/");
    EXPECT_EQ(prefs_.ImportExcludeDirs.items[1].number, 0);
    EXPECT_EQ(prefs_.ImportExcludeDirs.items[1].value, 0);
}

TEST_F(ImportOptionsDlgTest, NoKindWarnsAndStoresNothingWithoutWmaTheBoxIsOffAndStoresZero) {
    prefs_.ImportMp3 = 1;
    prefs_.ImportWav = 0;
    prefs_.ImportWma = 1;
    prefs_.ImportMinWma = 2;
    QDialog* dialog = Open(false);
    auto* wma = FindControl<QCheckBox>(dialog, CImportOptionsDlg::kWma);
    EXPECT_FALSE(wma->isEnabled());
    EXPECT_FALSE(wma->isChecked());
    EXPECT_FALSE(FindControl<QComboBox>(dialog, CImportOptionsDlg::kWmaLength)->isEnabled());

    ClickControl(dialog, CImportOptionsDlg::kMp3);
    ui_.ExpectMessage("PREFI_NoFormats", IDOK);
    ClickControl(dialog, IDOK);
    EXPECT_EQ(dialog_.Result(), CSmallDialog::kStillOpen);
    EXPECT_EQ(prefs_.ImportMp3, 1);
    ASSERT_EQ(ui_.Calls().size(), 1u);

    ClickControl(dialog, CImportOptionsDlg::kMp3);
    ClickControl(dialog, IDOK);
    EXPECT_EQ(dialog_.Result(), IDOK);
    EXPECT_EQ(prefs_.ImportWma, 0);
    EXPECT_EQ(prefs_.ImportMinWma, 0);
}

TEST_F(ImportOptionsDlgTest, RemovingSelectsTheFirstFolderLeftAndTheLastOneGreysRemove) {
    Exclude("/a/");
    Exclude("/b/");
    prefs_.ImportMp3 = 0;
    QDialog* dialog = Open(true);
    auto* list = FindControl<QListWidget>(dialog, CImportOptionsDlg::kFolders);
    auto* remove = FindControl<QPushButton>(dialog, CImportOptionsDlg::kRemove);
    EXPECT_FALSE(remove->isEnabled());
    list->setCurrentRow(1);
    EXPECT_TRUE(remove->isEnabled());
    ClickControl(dialog, CImportOptionsDlg::kRemove);
    EXPECT_EQ(Folders(dialog), (std::vector<std::string>{"/a/"}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(remove->isEnabled());
    ClickControl(dialog, CImportOptionsDlg::kRemove);
    EXPECT_TRUE(Folders(dialog).empty());
    EXPECT_FALSE(remove->isEnabled());
    // Cancel changes nothing.
    ClickControl(dialog, IDCANCEL);
    EXPECT_EQ(dialog_.Result(), IDCANCEL);
    EXPECT_EQ(prefs_.ImportExcludeDirs.count, 2);
}

}  // namespace
