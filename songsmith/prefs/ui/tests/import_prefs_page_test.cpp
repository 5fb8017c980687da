// The preferences dialog's Importing page and its favourite folders dialog,
// driven offscreen by control id over the real main window, with scripted
// folder choices and answers: formats and lengths, the places, the
// exclusion list (the desktop box, Add with the favourites inside, Remove),
// the favourites' own edits, what reaches the preferences and the store.
#include "songsmith/prefs/ui/import_prefs_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "songsmith/library/ui/import_favorites_dlg.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/prefs/ui/tests/prefs_dialog_fixture.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

constexpr int kImportPageIndex = 4;

// The page with the engine's WMA support and the Library tab's import
// answered by the test.
class CTestImportPage : public CImportPrefsPage {
public:
    CTestImportPage(CPrefsDialog& owner, bool wma, bool importing)
        : CImportPrefsPage(owner), wma_(wma), importing_(importing) {}

protected:
    bool WmaAllowed() const override { return wma_; }
    bool LibraryImporting() const override { return importing_; }

private:
    bool wma_;
    bool importing_;
};

std::vector<std::string> Rows(QWidget* window, int id) {
    std::vector<std::string> rows;
    auto* list = FindControl<QListWidget>(window, id);
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
    return rows;
}

int Selected(QWidget* window, int id) {
    auto* list = FindControl<QListWidget>(window, id);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

void Select(QWidget* window, int id, int row) {
    FindControl<QListWidget>(window, id)->setCurrentRow(row);
}

bool Checked(QWidget* window, int id) {
    return FindControl<QAbstractButton>(window, id)->isChecked();
}
bool Enabled(QWidget* window, int id) {
    return FindControl(window, id)->isEnabled();
}

void SetExclusions(CPreferences& prefs, const std::vector<std::string>& paths) {
    prefs.ImportExcludeDirs.Empty();
    for (const std::string& path : paths) {
        TExcludeDir excluded{};
        path.copy(excluded.path, sizeof excluded.path - 1);
        prefs.ImportExcludeDirs.Append(excluded);
    }
}

std::vector<std::string> Exclusions(const CPreferences& prefs) {
    std::vector<std::string> paths;
    for (const TExcludeDir& excluded : prefs.ImportExcludeDirs) paths.emplace_back(excluded.path);
    return paths;
}

std::vector<std::string> Favourites(const CPreferences& prefs) {
    std::vector<std::string> paths;
    for (int i = 0; i < prefs.MusicDirectories.Count(); ++i)
        paths.emplace_back(prefs.MusicDirectories.Index(i)->path);
    return paths;
}

class ImportPrefsPageTest : public PrefsDialogFixture {
protected:
    void SetUp() override {
        PrefsDialogFixture::SetUp();
        prefs_->CurrentPrefPage = kImportPageIndex;
    }

    // Runs the dialog on the Importing page, with the page's WMA support
    // and the Library tab's import as given. drive gets the dialog and the
    // page (control ids repeat across pages, so the page's are found in it).
    int RunPage(const std::function<void(QWidget* dialog, QWidget* page)>& drive, bool wma = false,
                bool importing = false) {
        return Run(
            [&](QWidget* dialog, CPrefsDialog&) {
                drive(dialog, FindControl(dialog, CImportPrefsPage::kDialogId));
            },
            [&](CPrefsDialog& dialog) {
                dialog.SetPage(kImportPageIndex,
                               std::make_unique<CTestImportPage>(dialog, wma, importing));
            });
    }

    // A folder of the scratch tree, made, with a trailing '/'.
    std::string Folder(const std::string& name) const {
        std::filesystem::create_directories(folders_.Path() + "/" + name);
        return folders_.Path() + "/" + name + "/";
    }

    testsupport::TempDir folders_;
};

TEST_F(ImportPrefsPageTest, TheDesktopBoxAppendsTheDesktopAndTickedAgainRemovesItsFirstRow) {
    const testsupport::CScopedEnv desktopDir("XDG_DESKTOP_DIR", folders_.Path() + "/Desktop");
    const std::string desktop = Folder("Desktop");
    const std::string sibling = Folder("Desktop2");
    SetExclusions(*prefs_, {"/proc/", desktop, sibling});
    prefs_->ImportDesktop = 1;
    const int result = RunPage([&](QWidget* dialog, QWidget* page) {
        EXPECT_TRUE(Checked(page, CImportPrefsPage::kDesktop));
        ClickControl(page, CImportPrefsPage::kDesktop);
        EXPECT_EQ(Rows(page, CImportPrefsPage::kExclusions),
                  (std::vector<std::string>{"/proc/", desktop, sibling, desktop}));
        ClickControl(page, CImportPrefsPage::kDesktop);
        EXPECT_EQ(Rows(page, CImportPrefsPage::kExclusions),
                  (std::vector<std::string>{"/proc/", sibling, desktop}));
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(prefs_->ImportDesktop, 1);
    EXPECT_EQ(Exclusions(*prefs_), (std::vector<std::string>{"/proc/", sibling, desktop}));
}

TEST_F(ImportPrefsPageTest, ThePlaceBoxesShowAndStoreTheirPlacesAndFavouritesEnableTheirButton) {
    const int places[] = {CImportPrefsPage::kFavorites, CImportPrefsPage::kDesktop,
                          CImportPrefsPage::kRest, CImportPrefsPage::kNetwork};
    for (const int stored : {1, 0}) {
        SCOPED_TRACE(stored);
        prefs_->ImportFavorites = prefs_->ImportDesktop = stored;
        prefs_->ImportRest = prefs_->ImportNetwork = stored;
        RunPage([&](QWidget* dialog, QWidget* page) {
            for (const int id : places) EXPECT_EQ(Checked(page, id), stored == 1) << id;
            EXPECT_EQ(Enabled(page, CImportPrefsPage::kViewFavorites), stored == 1);
            for (const int id : places) ClickControl(page, id);
            EXPECT_EQ(Enabled(page, CImportPrefsPage::kViewFavorites), stored == 0);
            ClickControl(dialog, IDOK);
        });
        for (const int value : {prefs_->ImportFavorites, prefs_->ImportDesktop, prefs_->ImportRest,
                                prefs_->ImportNetwork}) {
            EXPECT_EQ(value, 1 - stored);
        }
    }
}

TEST_F(ImportPrefsPageTest, AnExclusionAboveFavouritesOffersToDropThemAtOnceEvenWhenCancelled) {
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        prefs_->MusicDirectories.DeleteAll();
        for (const auto& [path, stamp] : std::vector<std::pair<std::string, std::uint32_t>>{
                 {"/m/a/", 300}, {"/m/b/x/", 200}, {"/mm/", 100}, {"/M/c/", 60}, {"/n/", 50}}) {
            prefs_->MusicDirectories.Add(path.c_str(), stamp, 0, 0);
        }
        SetExclusions(*prefs_, {"/proc/"});
        prefs_->Save(HKEY_CURRENT_USER);
        const std::vector<std::string> all = Favourites(*prefs_);
        const std::vector<std::string> kept =
            answer == IDYES ? std::vector<std::string>{"/mm/", "/M/c/", "/n/"} : all;

        testsupport::CFakeUiServices ui;
        ui.ExpectFolder("PREFI_SelectFolder", "/m");
        ui.ExpectMessage("PREFI_RemoveExcl", answer);
        // The same folder again is no new row and asks nothing.
        ui.ExpectFolder("PREFI_SelectFolder", "/m/");
        const int result = RunPage([&](QWidget* dialog, QWidget* page) {
            ClickControl(page, CImportPrefsPage::kAdd);
            EXPECT_EQ(Favourites(*prefs_), kept);
            ClickControl(page, CImportPrefsPage::kAdd);
            EXPECT_EQ(Rows(page, CImportPrefsPage::kExclusions),
                      (std::vector<std::string>{"/proc/", "/m/"}));
            ClickControl(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL);
        const std::vector<testsupport::TUiCall> calls = ui.Calls();
        ASSERT_EQ(calls.size(), 3u);
        // The chooser starts where the last choice was.
        EXPECT_EQ(calls[0].text, "");
        EXPECT_EQ(calls[2].text, "/m/");
        EXPECT_EQ(calls[1].caption, ProgString("PREFI_RemoveExclTitle").toStdString());
        EXPECT_EQ(calls[1].flags, MB_YESNO | MB_ICONQUESTION);

        EXPECT_EQ(Favourites(*prefs_), kept);
        EXPECT_EQ(Exclusions(*prefs_), std::vector<std::string>{"/proc/"});
        prefs_->Save(HKEY_CURRENT_USER);
        CPreferences fresh;
        fresh.Load(HKEY_CURRENT_USER);
        EXPECT_EQ(Favourites(fresh), kept);
    }
}

TEST_F(ImportPrefsPageTest, AFolderTooLongForTheStoreIsRefusedWithAWarning) {
    SetExclusions(*prefs_, {});
    const std::string tooLong = "/" + std::string(258, 'd');
    testsupport::CFakeUiServices ui;
    ui.ExpectFolder("PREFI_SelectFolder", tooLong);
    ui.ExpectMessage("PREFI_FolderTooLong", IDOK);
    RunPage([&](QWidget* dialog, QWidget* page) {
        ClickControl(page, CImportPrefsPage::kAdd);
        EXPECT_TRUE(Rows(page, CImportPrefsPage::kExclusions).empty());
        ClickControl(dialog, IDOK);
    });
    EXPECT_TRUE(Exclusions(*prefs_).empty());
}

TEST_F(ImportPrefsPageTest, TheWmaBoxFollowsTheEnginesSupportAndEachLengthListItsFormat) {
    struct {
        bool wma;
        int stored;
        bool shown;
        int storedAfter;
        int lengthAfter;
    } const cases[] = {
        {false, 1, false, 0, 0},  // no support: off, and stored off
        {true, 1, true, 1, 2},
        {true, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "wma " << c.wma << " stored " << c.stored);
        prefs_->ImportWma = c.stored;
        prefs_->ImportMinWma = 2;
        RunPage(
            [&](QWidget* dialog, QWidget* page) {
                EXPECT_EQ(Enabled(page, CImportPrefsPage::kWma), c.wma);
                EXPECT_EQ(Checked(page, CImportPrefsPage::kWma), c.shown);
                auto* lengths = FindControl<QComboBox>(page, CImportPrefsPage::kWmaLength);
                EXPECT_EQ(lengths->isEnabled(), c.shown);
                EXPECT_EQ(lengths->currentIndex(), 2);
                // A format's box switches its list.
                ClickControl(page, CImportPrefsPage::kWav);
                EXPECT_FALSE(Enabled(page, CImportPrefsPage::kWavLength));
                ClickControl(page, CImportPrefsPage::kWav);
                EXPECT_TRUE(Enabled(page, CImportPrefsPage::kWavLength));
                ClickControl(dialog, IDOK);
            },
            c.wma);
        EXPECT_EQ(prefs_->ImportWma, c.storedAfter);
        EXPECT_EQ(prefs_->ImportMinWma, c.lengthAfter);
    }
}

TEST_F(ImportPrefsPageTest, WithoutAnyFormatTheDialogStaysOpenWithAWarning) {
    prefs_->ImportMinMp3 = 2;
    testsupport::CFakeUiServices ui;
    ui.ExpectMessage("PREFI_NoFormats", IDOK);
    const int result = RunPage([&](QWidget* dialog, QWidget* page) {
        ClickControl(page, CImportPrefsPage::kMp3);
        ClickControl(page, CImportPrefsPage::kWav);
        ClickControl(dialog, IDOK);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(prefs_->ImportMp3, 1);
        EXPECT_EQ(prefs_->ImportWav, 1);
        ClickControl(page, CImportPrefsPage::kWav);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].caption, "No Formats Selected");
    EXPECT_EQ(ui.Calls()[0].flags, MB_OK | MB_ICONWARNING);
    // The length of a format left out is stored as any length.
    EXPECT_EQ(prefs_->ImportMp3, 0);
    EXPECT_EQ(prefs_->ImportMinMp3, 0);
    EXPECT_EQ(prefs_->ImportWav, 1);
}

TEST_F(ImportPrefsPageTest, RemoveKeepsTheSelectionInPlaceMovesItUpFromTheEndAndClearsIt) {
    SetExclusions(*prefs_, {"/a/", "/b/", "/c/", "/d/"});
    RunPage([&](QWidget* dialog, QWidget* page) {
        constexpr int list = CImportPrefsPage::kExclusions;
        constexpr int remove = CImportPrefsPage::kRemove;
        EXPECT_FALSE(Enabled(page, remove));
        Select(page, list, 1);
        EXPECT_TRUE(Enabled(page, remove));
        struct {
            std::vector<std::string> rows;
            int selected;
        } const steps[] = {
            {{"/a/", "/c/", "/d/"}, 1},
            {{"/a/", "/d/"}, 1},
            {{"/a/"}, 0},
            {{}, -1},
        };
        for (const auto& step : steps) {
            ClickControl(page, remove);
            EXPECT_EQ(Rows(page, list), step.rows);
            EXPECT_EQ(Selected(page, list), step.selected);
            EXPECT_EQ(Enabled(page, remove), step.selected >= 0);
        }
        ClickControl(dialog, IDOK);
    });
    EXPECT_TRUE(Exclusions(*prefs_).empty());
}

TEST_F(ImportPrefsPageTest, OkStoresExactlyTheImportValuesOfTheControlsChanged) {
    prefs_->Save(HKEY_CURRENT_USER);
    const TStoredValues before = ReadStoredValues();
    const int excluded = prefs_->ImportExcludeDirs.count;
    testsupport::CFakeUiServices ui;
    ui.ExpectFolder("PREFI_SelectFolder", "/data/skip");
    const int result = RunPage([&](QWidget* dialog, QWidget* page) {
        ClickControl(page, CImportPrefsPage::kWav);
        FindControl<QComboBox>(page, CImportPrefsPage::kMp3Length)->setCurrentIndex(3);
        ClickControl(page, CImportPrefsPage::kRest);
        ClickControl(page, CImportPrefsPage::kAdd);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    const TStoredValues after = ReadStoredValues();
    const std::string added = "ZI_ExcludeDir" + std::to_string(excluded);
    EXPECT_EQ(ChangedValueNames(before, after),
              (std::set<std::string>{"ImportWav", "ImportMinWav", "ImportMinMp3", "ImportRest",
                                     "NumImportExcludeDirs", added}));
    ASSERT_EQ(after.count(added), 1u);
    EXPECT_STREQ(after.at(added).second.c_str(), "/data/skip/");

    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(fresh.ImportWav, 0);
    EXPECT_EQ(fresh.ImportMinWav, 0);
    EXPECT_EQ(fresh.ImportMinMp3, 3);
    EXPECT_EQ(fresh.ImportRest, 0);
    EXPECT_EQ(Exclusions(fresh), Exclusions(*prefs_));
    EXPECT_EQ(Exclusions(fresh).back(), "/data/skip/");
}

TEST_F(ImportPrefsPageTest, WhileTheLibraryImportsEveryControlIsDisabled) {
    RunPage(
        [&](QWidget* dialog, QWidget* page) {
            const QList<QWidget*> controls =
                page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            EXPECT_GE(controls.size(), 17);
            for (QWidget* control : controls)
                EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
            ClickControl(dialog, IDCANCEL);
        },
        true, true);
}

class ImportFavoritesTest : public ImportPrefsPageTest {
protected:
    // Opens the favourites from the page and works on them with drive,
    // which must close them; the prefs dialog is then cancelled.
    void RunFavourites(const std::function<void(QWidget* favourites)>& drive) {
        prefs_->ImportFavorites = 1;
        RunPage([&](QWidget* dialog, QWidget* page) {
            testsupport::WhenModalShown([&](QWidget* favourites) { drive(favourites); });
            ClickControl(page, CImportPrefsPage::kViewFavorites);
            ClickControl(dialog, IDCANCEL);
        });
    }
};

TEST_F(ImportFavoritesTest, EditsReachThePreferencesOnOkInTheirNewOrderWithoutVanishedFolders) {
    const std::string a = Folder("A"), b = Folder("B"), c = Folder("C"), d = Folder("D"),
                      e = Folder("E");
    prefs_->MusicDirectories.DeleteAll();
    for (const auto& [path, stamp] : std::vector<std::pair<std::string, std::uint32_t>>{
             {a, 400}, {b, 300}, {c, 200}, {e, 100}}) {
        prefs_->MusicDirectories.Add(path.c_str(), stamp, 0, 0);
    }
    testsupport::CFakeUiServices ui;
    ui.ExpectFolder("PREFI_SelectFolder", d.substr(0, d.size() - 1));
    ui.ExpectFolder("PREFI_SelectFolder", e);
    RunFavourites([&](QWidget* favourites) {
        using Dlg = CImportFavoritesDlg;
        EXPECT_EQ(Rows(favourites, Dlg::kList), (std::vector<std::string>{a, b, c, e}));
        EXPECT_EQ(
            FindControl<QListWidget>(favourites, Dlg::kList)->item(0)->data(Qt::UserRole).toUInt(),
            400u);
        for (int id : {Dlg::kRemove, Dlg::kUp, Dlg::kDown})
            EXPECT_FALSE(Enabled(favourites, id)) << id;
        ClickControl(favourites, Dlg::kAdd);
        ClickControl(favourites, Dlg::kAdd);  // already listed
        EXPECT_EQ(Rows(favourites, Dlg::kList), (std::vector<std::string>{a, b, c, e, d}));

        Select(favourites, Dlg::kList, 1);
        ClickControl(favourites, Dlg::kRemove);
        EXPECT_EQ(Rows(favourites, Dlg::kList), (std::vector<std::string>{a, c, e, d}));
        EXPECT_EQ(Selected(favourites, Dlg::kList), 1);

        Select(favourites, Dlg::kList, 2);
        ClickControl(favourites, Dlg::kUp);
        EXPECT_EQ(Rows(favourites, Dlg::kList), (std::vector<std::string>{a, e, c, d}));
        EXPECT_EQ(Selected(favourites, Dlg::kList), 1);
        EXPECT_TRUE(Enabled(favourites, Dlg::kUp));
        EXPECT_TRUE(Enabled(favourites, Dlg::kDown));

        Select(favourites, Dlg::kList, 0);
        EXPECT_FALSE(Enabled(favourites, Dlg::kUp));
        ClickControl(favourites, Dlg::kDown);
        EXPECT_EQ(Rows(favourites, Dlg::kList), (std::vector<std::string>{e, a, c, d}));
        Select(favourites, Dlg::kList, 3);
        EXPECT_FALSE(Enabled(favourites, Dlg::kDown));
        EXPECT_TRUE(Enabled(favourites, Dlg::kRemove));

        // A folder deleted meanwhile is dropped.
        std::filesystem::remove(c.substr(0, c.size() - 1));
        ClickControl(favourites, IDOK);
    });
    // Kept in the order the list showed, the new folder last.
    const std::vector<std::string> expected = {e, a, d};
    EXPECT_EQ(Favourites(*prefs_), expected);
    EXPECT_EQ(ui.Calls()[1].text, d);
    // The next start reads them back in that order.
    prefs_->Save(HKEY_CURRENT_USER);
    prefs_->MusicDirectories.DeleteAll();
    prefs_->Load(HKEY_CURRENT_USER);
    EXPECT_EQ(Favourites(*prefs_), expected);

    // Reopened, the list shows that order; Cancel and the close box change
    // nothing.
    for (bool closeBox : {false, true}) {
        RunFavourites([&](QWidget* favourites) {
            EXPECT_EQ(Rows(favourites, CImportFavoritesDlg::kList), expected);
            Select(favourites, CImportFavoritesDlg::kList, 0);
            ClickControl(favourites, CImportFavoritesDlg::kRemove);
            if (closeBox) {
                favourites->close();
            } else {
                ClickControl(favourites, IDCANCEL);
            }
        });
        EXPECT_EQ(Favourites(*prefs_), expected);
    }
}

TEST_F(ImportFavoritesTest, ThePageAndTheFavouritesShowEveryControlUnclipped) {
    SetExclusions(*prefs_, {"/proc/", "/sys/", "/home/jo/Videos/", "/mnt/backup/"});
    prefs_->MusicDirectories.DeleteAll();
    prefs_->MusicDirectories.Add("/home/jo/Music/", 200, 0, 0);
    prefs_->MusicDirectories.Add("/home/jo/Downloads/Albums/", 100, 0, 0);
    RunFavourites([&](QWidget* favourites) {
        EXPECT_EQ(favourites->objectName().toStdString(), "283");
        // Centred over the page.
        const QWidget* page =
            FindControl(favourites->parentWidget()->window(), CImportPrefsPage::kDialogId);
        const QPoint middle = page->mapToGlobal(page->rect().center());
        EXPECT_LE((favourites->geometry().center() - middle).manhattanLength(), 4);
        Select(favourites, CImportFavoritesDlg::kList, 1);
        ExpectUnclipped(favourites);
        testsupport::SaveWidgetPng(favourites, "prefs_import_favorites");
        ClickControl(favourites, IDCANCEL);
    });
    RunPage([&](QWidget* dialog, QWidget* page) {
        EXPECT_TRUE(page->isVisible());
        ExpectUnclipped(page);
        auto* lengths = FindControl<QComboBox>(page, CImportPrefsPage::kMp3Length);
        ASSERT_EQ(lengths->count(), 4);
        EXPECT_EQ(lengths->itemText(3), ProgString("PREFI_Length60"));
        testsupport::SaveWidgetPng(dialog, "prefs_import");
        ClickControl(dialog, IDCANCEL);
    });
}

}  // namespace
