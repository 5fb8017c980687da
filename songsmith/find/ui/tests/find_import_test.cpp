// The Find page searching on into the Library page's own import, through the
// whole program: a search that finds nothing, with "search for new songs"
// ticked, shows the placeholder rows, starts the import of the favourite
// folders, lists the new songs that match as the import finds them, and ends
// when the import does.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <set>
#include <string>

#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/library/library_links.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/prog_string.h"
#include "songvault/songvault.h"
#include "testsupport/gui_input.h"
#include "testsupport/song_tree.h"
#include "testsupport/temp_dir.h"

namespace {

using FindImportTest = ProgramFixture;

std::set<std::string> ListedPaths(const CFoundRowsModel& model) {
    std::set<std::string> paths;
    for (const TFoundRow& row : model.Rows()) paths.insert(row.entry.path);
    return paths;
}

TEST_F(FindImportTest, ASearchFindingNothingListsTheMatchingSongsTheLibraryImportFinds) {
    if (!testsupport::CSongTree::HaveLame()) GTEST_SKIP() << "lame is not installed";
    testsupport::TempDir songs;
    const std::string folder = songs.File("music");
    {
        // The import walks one favourite folder (never walked: its time is
        // unknown) and nothing else.
        CPreferences earlier;
        earlier.MusicDirectories.UpdateOrAdd(folder.c_str(), 0, 0, 1);
        earlier.ImportDesktop = 0;
        earlier.ImportRest = 0;
        earlier.ImportNetwork = 0;
        earlier.ImportMinMp3 = 0;
        earlier.importAfterSearch = 1;
        StorePreferences(earlier);
    }
    struct {
        int placeholderRows = 0;
        std::string placeholderText;
        bool rowsBeforePlaceholder = false;
        bool rowsAfterSearchEnded = false;
        bool searchingAtImportEnd = false;
        bool editEnabledDuringImport = false;
        std::string editText;
        int importEnds = 0;
        std::set<std::string> listed;
        std::string status;
        bool ended = false;
    } seen;
    std::set<std::string> matching;
    std::set<std::string> all;

    TProgramOptions options = Options();
    auto search = [&](CProgram& program) {
        CFindTab* find = program.mainWindow.TabPane()->GetFindTab();
        CLibraryTab* library = program.mainWindow.TabPane()->GetLibraryTab();
        ASSERT_NE(find, nullptr);
        ASSERT_NE(library, nullptr);
        // New files in the folder since the program started: the library
        // holds none of them yet.
        testsupport::CSongTree tree(songs.File("work"));
        ASSERT_TRUE(tree.AddMp3s(folder, 12, "Glimmer"));
        for (const testsupport::TTreeSong& song : tree.songs()) matching.insert(song.path);
        ASSERT_TRUE(tree.AddMp3s(folder, 8, "Other", 12));
        for (const testsupport::TTreeSong& song : tree.songs()) all.insert(song.path);

        // What the page shows, as it changes.
        const CFoundRowsModel& model = find->Model();
        QObject::connect(&model, &QAbstractItemModel::modelReset, find->Window(), [&] {
            if (!model.Placeholder()) return;
            seen.placeholderRows = model.rowCount();
            seen.placeholderText = model.index(0, 0).data().toString().toStdString();
        });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, find->Window(), [&] {
            if (model.Placeholder()) return;
            if (seen.placeholderRows == 0) seen.rowsBeforePlaceholder = true;
            if (!find->IsSearching()) seen.rowsAfterSearchEnded = true;
        });
        // The import's end, as the program's binding tells the page of it.
        TLibraryPartners partners = LibraryPartners();
        const std::function<void()> tellFind = partners.importFinishedToFind;
        ASSERT_TRUE(tellFind);
        auto* edit = testsupport::FindControl<QLineEdit>(find->Window(), kFindEditId);
        ASSERT_NE(edit, nullptr);
        partners.importFinishedToFind = [&, tellFind, edit] {
            ++seen.importEnds;
            seen.searchingAtImportEnd = find->IsSearching();
            // The user types on while the search looks for new songs.
            seen.editEnabledDuringImport = edit->isEnabled();
            QTest::keyClicks(edit, " mo");
            tellFind();
        };
        SetLibraryPartners(partners);

        auto* box = testsupport::FindControl<QCheckBox>(find->Window(), kFindImportBoxId);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isChecked());
        edit->setFocus();
        edit->setText("GLIMMER");
        QTest::keyClick(edit, Qt::Key_Return);
        seen.ended = WaitFor([&] { return seen.importEnds > 0 && !find->IsSearching(); }, 120000);
        // No key typed meanwhile is lost when the search ends.
        QTest::keyClicks(edit, "re");
        seen.editText = edit->text().toStdString();
        seen.listed = ListedPaths(model);
        seen.status = testsupport::FindControl<QLabel>(find->Window(), kFindStatusId)->text().toStdString();
        EXPECT_FALSE(model.Placeholder());
        // The import ran to its end: every new song is in the library.
        EXPECT_FALSE(library->IsImporting());
        TSVT_Song stored{};
        for (const std::string& path : all) EXPECT_TRUE(program.library.FindSongByPath(&stored, path.c_str())) << path;
    };
    options.whenShown = [&](CProgram& program) {
        search(program);
        program.mainWindow.Window()->close();
    };
    CProgram program(options);
    program.SetSessionLoader([](const std::vector<std::string>&) {});
    EXPECT_EQ(program.Run({}), CProgram::kResultRan);

    ASSERT_TRUE(seen.ended);
    // The placeholder rows first, then the songs the import found.
    EXPECT_EQ(seen.placeholderRows, kFindPlaceholderRows);
    EXPECT_EQ(seen.placeholderText, ProgString("FindTab_Empty1").toStdString());
    EXPECT_FALSE(seen.rowsBeforePlaceholder);
    // Exactly the new songs that match, listed before the search ended.
    EXPECT_EQ(seen.listed, matching);
    EXPECT_FALSE(seen.rowsAfterSearchEnded);
    EXPECT_EQ(seen.status, "Found " + std::to_string(matching.size()) + " songs.");
    // The search lasted as long as the import, whose end ended it.
    EXPECT_EQ(seen.importEnds, 1);
    EXPECT_TRUE(seen.searchingAtImportEnd);
    EXPECT_TRUE(seen.editEnabledDuringImport);
    EXPECT_EQ(seen.editText, "GLIMMER more");
}

}  // namespace
