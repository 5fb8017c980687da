#include "utilities/ui/file_dialog.h"

#include <QFileDialog>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "utilities/errors.h"
#include "utilities/ui/dialog_controls.h"

namespace {

TEST(FileDialogTest, WindowsFiltersBecomeQtFilters) {
    struct {
        const char* filter;
        QStringList expected;
    } const cases[] = {
        {"Text (*.txt)|*.txt|", {"Text (*.txt)"}},
        {"Songs|*.mp3;*.wav|All files (*.*)|*.*|", {"Songs (*.mp3 *.wav)", "All files (*.*)"}},
        // A description whose own list differs shows what is really filtered.
        {"Playlists (*.m3u)|*.m3u;*.pls|", {"Playlists (*.m3u *.pls)"}},
        {"|*.iso|", {"*.iso"}},
        {"Text\0*.txt\0Songs\0*.mp3;*.mp2\0", {"Text (*.txt)", "Songs (*.mp3 *.mp2)"}},
        {"Lonely description|", {}},
        {"", {}},
        {nullptr, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtFiltersFromWindowsFilter(c.filter), c.expected)
            << (c.filter != nullptr ? c.filter : "(null)");
    }
}

TEST(FileDialogTest, ChosenFilesAreWrittenAsThePlatformDialogWroteThem) {
    char file[64];
    char title[64];
    ASSERT_TRUE(WriteChosenFiles({"/music/rock/song.mp3"}, file, title, sizeof file));
    EXPECT_STREQ(file, "/music/rock/song.mp3");
    EXPECT_STREQ(title, "song.mp3");

    ASSERT_TRUE(WriteChosenFiles({"/music/a.mp3", "/music/b.wav"}, file, title, sizeof file));
    EXPECT_EQ(std::string(file, 20), std::string("/music\0a.mp3\0b.wav\0\0", 20));
    EXPECT_STREQ(title, "");

    // Exactly fitting, and one byte short.
    char exact[21];
    EXPECT_TRUE(WriteChosenFiles({"/music/a.mp3", "/music/b.wav"}, exact, nullptr, sizeof exact - 1));
    SetLastError(0);
    EXPECT_FALSE(WriteChosenFiles({"/music/a.mp3", "/music/b.wav"}, exact, nullptr, 19));
    EXPECT_EQ(GetLastError(), UTILITIES_ERR_NAMES_TOO_LONG);
    EXPECT_FALSE(WriteChosenFiles({}, file, title, sizeof file));
}

// Files a.txt, b.txt and c.mp3 in a fresh folder.
struct TChoiceFolder {
    testsupport::TempDir dir;
    TChoiceFolder() {
        for (const char* name : {"a.txt", "b.txt", "c.mp3"}) {
            testsupport::WriteWholeFile(dir.File(name), "x");
        }
    }
};

TEST(FileDialogTest, OpenDialogReturnsTheChosenFileAndFilter) {
    TChoiceFolder folder;
    char file[512] = "";
    char title[512] = "";
    int filterIndex = 2;
    QString shownFilter;
    testsupport::WhenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shownFilter = dialog->selectedNameFilter();
        EXPECT_EQ(dialog->windowTitle(), "Open a text");
        dialog->selectFile(QString::fromStdString(folder.dir.File("c.mp3")));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice
    });
    EXPECT_EQ(DoStandardFileDialog(nullptr, nullptr, file, title, sizeof file, true,
                                   "Text (*.txt)|*.txt|Songs|*.mp3|", "txt", "Open a text",
                                   folder.dir.Path().c_str(), &filterIndex),
              1);
    EXPECT_EQ(shownFilter, "Songs (*.mp3)");
    EXPECT_EQ(std::string(file), folder.dir.File("c.mp3"));
    EXPECT_STREQ(title, "c.mp3");
    EXPECT_EQ(filterIndex, 2);
}

TEST(FileDialogTest, MultiSelectionReturnsTheFolderAndEachName) {
    TChoiceFolder folder;
    char file[512] = "";
    testsupport::WhenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->selectFile("\"a.txt\" \"b.txt\"");
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice
    });
    ASSERT_EQ(DoStandardFileDialog(nullptr, nullptr, file, nullptr, sizeof file, true,
                                   "Text (*.txt)|*.txt|", nullptr, "Add", folder.dir.Path().c_str(),
                                   nullptr, true),
              1);
    const std::string expected = folder.dir.Path() + std::string("\0a.txt\0b.txt\0", 14);
    EXPECT_EQ(std::string(file, expected.size() + 1), expected + '\0');
}

TEST(FileDialogTest, SaveDialogAddsTheDefaultExtensionAndCancelReturnsZero) {
    TChoiceFolder folder;
    char file[512] = "";
    char title[512] = "";
    testsupport::WhenModalShown([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->selectFile(QString::fromStdString(folder.dir.File("new")));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice
    });
    EXPECT_EQ(DoStandardFileDialog(nullptr, nullptr, file, title, sizeof file, false,
                                   "Playlists|*.m3u|", "m3u", "Save", folder.dir.Path().c_str(),
                                   nullptr),
              1);
    EXPECT_EQ(std::string(file), folder.dir.File("new.m3u"));

    std::strcpy(file, "kept");
    testsupport::WhenModalShown([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(DoStandardFileDialog(nullptr, nullptr, file, title, sizeof file, false, nullptr,
                                   nullptr, "Save", folder.dir.Path().c_str(), nullptr),
              0);
}

TEST(DialogControlsTest, EnablesAndShowsTheListedControlsOnly) {
    QWidget dialog;
    QWidget group(&dialog);  // controls may sit inside a group
    QPushButton first(&group), second(&dialog), untouched(&dialog);
    first.setObjectName("1000");
    second.setObjectName("1001");
    untouched.setObjectName("1002");
    dialog.show();
    const int ids[] = {1000, 1001, 4711};
    EnableZeControls(&dialog, ids, 3, false);
    EXPECT_FALSE(first.isEnabled());
    EXPECT_FALSE(second.isEnabled());
    EXPECT_TRUE(untouched.isEnabled());
    EnableZeControls(&dialog, ids, 1, true);
    EXPECT_TRUE(first.isEnabled());
    EXPECT_FALSE(second.isEnabled());

    ShowZeControls(&dialog, ids, 2, false);
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    EXPECT_TRUE(untouched.isVisible());
    ShowZeControls(&dialog, ids, 2, true);
    EXPECT_TRUE(first.isVisible());
    EXPECT_EQ(GetDialogControl(&dialog, 1000), &first);
    EXPECT_EQ(GetDialogControl(&dialog, 4711), nullptr);
}

}  // namespace
