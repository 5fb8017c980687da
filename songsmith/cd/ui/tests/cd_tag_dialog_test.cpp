// The Edit CD Track Tag dialog offscreen over a scripted CD page: the
// use-for-all boxes set from the rows and applied as their fields change,
// Next and Previous going round the disc, and Save after the disc was
// swapped (Yes copies only the rows both discs have, No changes nothing,
// Cancel stays).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "songsmith/cd/ui/edit_cd_tag_dlg.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/tests/clipped_text.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

// A CD page whose rows and disc the test sets; it counts what it was given.
class CFakeCdPage : public ICDTagPage {
public:
    std::vector<TCDTagRow> rows;
    std::uint32_t discId = 0x8000c03;
    int takes = 0;

    std::vector<TCDTagRow> CopyTagRows() const override { return rows; }
    int TagRowCount() const override { return static_cast<int>(rows.size()); }
    void TakeTagRows(std::span<const TCDTagRow> taken) override {
        ++takes;
        ASSERT_LE(taken.size(), rows.size());
        for (std::size_t i = 0; i < taken.size(); ++i) rows[i] = taken[i];
    }
    std::uint32_t DriveDiscId() const override { return discId; }
    std::string DriveText() const override { return "sr0"; }
};

TCDTagRow Track(int number, std::string artist = "Artist", std::string album = "Album",
                int year = 1999, int genre = 17) {
    TCDTagRow row;
    row.title = "Track " + std::to_string(number);
    row.artist = std::move(artist);
    row.album = std::move(album);
    row.year = year;
    row.genreIndex = genre;
    row.genre = genre == 17 ? "Rock" : "<Unknown>";
    return row;
}

class CdTagDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        owner_.setGeometry(100, 100, 600, 500);
        owner_.show();
    }
    static QLineEdit* Edit(QDialog* dialog, int id) { return FindControl<QLineEdit>(dialog, id); }
    static bool Ticked(QDialog* dialog, int id) {
        return FindControl<QCheckBox>(dialog, id)->isChecked();
    }

    QWidget owner_;
};

TEST_F(CdTagDialogTest, BoxesAreTickedWhereAllRowsAgreeAndTheGivenRowShowsFirst) {
    CFakeCdPage page;
    page.rows = {Track(1, "", "Album", 1999, 17), Track(2, "A", "Album", 1999, 255),
                 Track(3, "A", "Other", 1999, 17)};
    CEditCDTagDlg dlg(page, 1);
    QDialog* dialog = dlg.Open(&owner_);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), QStringLiteral("277"));
    EXPECT_TRUE(Ticked(dialog, CEditCDTagDlg::kUseArtist))
        << "the empty first artist does not count";
    EXPECT_FALSE(Ticked(dialog, CEditCDTagDlg::kUseAlbum));
    EXPECT_TRUE(Ticked(dialog, CEditCDTagDlg::kUseYear));
    EXPECT_FALSE(Ticked(dialog, CEditCDTagDlg::kUseGenre));
    EXPECT_EQ(Edit(dialog, CEditCDTagDlg::kTitle)->text(), QStringLiteral("Track 2"));
    EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditCDTagDlg::kTitle));
    EXPECT_EQ(Edit(dialog, CEditCDTagDlg::kTitle)->selectedText(), QStringLiteral("Track 2"));
    EXPECT_EQ(FindControl<QLabel>(dialog, CEditCDTagDlg::kPosition)->text(),
              QStringLiteral("Track 2 of 3"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Edit CD Track Tag Info - Track 2 of 3"));
    // Genre 255 shows no line; the row's own text stays in the field.
    QComboBox* genre = FindControl<QComboBox>(dialog, CEditCDTagDlg::kGenre);
    EXPECT_EQ(genre->currentIndex(), -1);
    EXPECT_EQ(genre->currentText(), QStringLiteral("<Unknown>"));
    EXPECT_EQ(FindControl<QPushButton>(dialog, 1)->text(), ProgString("EditCDTag_Save"));
    testsupport::ExpectNoClippedText(dialog);
    testsupport::SaveWidgetPng(dialog, QStringLiteral("edit_cd_tag"));

    // Opening changed nothing, not even the rows the boxes were ticked for.
    EXPECT_EQ(dlg.Rows(), page.rows);
}

TEST_F(CdTagDialogTest, WithTheArtistBoxTickedTypingChangesEveryRowAtOnce) {
    CFakeCdPage page;
    page.rows = {Track(1, "A"), Track(2, "B"), Track(3, "C")};
    const std::vector<TCDTagRow> before = page.rows;
    CEditCDTagDlg dlg(page, 0);
    QDialog* dialog = dlg.Open(&owner_);
    EXPECT_FALSE(Ticked(dialog, CEditCDTagDlg::kUseArtist));
    ClickControl(dialog, CEditCDTagDlg::kUseArtist);
    for (const TCDTagRow& row : dlg.Rows())
        EXPECT_EQ(row.artist, "A") << "the click applies the field";

    Edit(dialog, CEditCDTagDlg::kArtist)->setFocus();
    Edit(dialog, CEditCDTagDlg::kArtist)->selectAll();
    testsupport::TypeText(dialog, QStringLiteral("Band"));
    for (const TCDTagRow& row : dlg.Rows()) EXPECT_EQ(row.artist, "Band");
    EXPECT_EQ(page.rows, before) << "the page changes only on Save";

    // The genre box, ticked since every row is "Rock": a name typed that the
    // table lacks sets 255 everywhere.
    EXPECT_TRUE(Ticked(dialog, CEditCDTagDlg::kUseGenre));
    FindControl<QComboBox>(dialog, CEditCDTagDlg::kGenre)->setEditText(QStringLiteral("Krautrock"));
    for (const TCDTagRow& row : dlg.Rows()) {
        EXPECT_EQ(row.genre, "Krautrock");
        EXPECT_EQ(row.genreIndex, 255);
    }
    // Unticked, the field is the shown row's alone.
    ClickControl(dialog, CEditCDTagDlg::kUseArtist);
    Edit(dialog, CEditCDTagDlg::kArtist)->setText(QStringLiteral("Solo"));
    ClickControl(dialog, CEditCDTagDlg::kNext);
    EXPECT_EQ(dlg.Rows()[0].artist, "Solo");
    EXPECT_EQ(dlg.Rows()[1].artist, "Band");

    ClickControl(dialog, 1);
    EXPECT_EQ(dlg.Result(), 1);
    EXPECT_EQ(page.rows, dlg.Rows());
}

TEST_F(CdTagDialogTest, NextAndPreviousGoRoundAndStoreTheRow) {
    CFakeCdPage page;
    page.rows = {Track(1), Track(2), Track(3)};
    CEditCDTagDlg dlg(page, 2);
    QDialog* dialog = dlg.Open(&owner_);
    Edit(dialog, CEditCDTagDlg::kTitle)->setText(QStringLiteral("  Last  "));
    Edit(dialog, CEditCDTagDlg::kComment)->setText(QStringLiteral(" note "));
    ClickControl(dialog, CEditCDTagDlg::kNext);
    EXPECT_EQ(dlg.ShownRow(), 0) << "Next wraps from the last row";
    EXPECT_EQ(dlg.Rows()[2].title, "Last");
    EXPECT_EQ(dlg.Rows()[2].comment, " note ");
    EXPECT_EQ(Edit(dialog, CEditCDTagDlg::kTitle)->text(), QStringLiteral("Track 1"));
    EXPECT_EQ(FindControl<QLabel>(dialog, CEditCDTagDlg::kPosition)->text(),
              QStringLiteral("Track 1 of 3"));
    ClickControl(dialog, CEditCDTagDlg::kPrevious);
    EXPECT_EQ(dlg.ShownRow(), 2) << "Previous wraps from the first row";
    EXPECT_EQ(Edit(dialog, CEditCDTagDlg::kTitle)->text(), QStringLiteral("Last"));

    // A blank title keeps the row where it is.
    testsupport::CFakeUiServices ui;
    ui.ExpectMessage("VerifyField", IDOK);
    Edit(dialog, CEditCDTagDlg::kTitle)->setText(QStringLiteral("   "));
    ClickControl(dialog, CEditCDTagDlg::kNext);
    EXPECT_EQ(dlg.ShownRow(), 2);
    EXPECT_EQ(dlg.Rows()[2].title, "Last");
    EXPECT_EQ(dialog->focusWidget(), Edit(dialog, CEditCDTagDlg::kTitle));
}

TEST_F(CdTagDialogTest, SavingAfterADiscSwapAsksAndCopiesOnlyTheRowsBothHave) {
    const struct {
        int answer;
        int newRows;
        const char* second;  // the text the question's second part holds
        int result;
        int copied;
    } cases[] = {
        {IDYES, 2, "only 2 tracks", 1, 2},
        {IDYES, 5, "more tracks: only the first 3", 1, 3},
        {IDYES, 3, "as many tracks", 1, 3},
        {IDNO, 2, "only 2 tracks", 2, 0},
        {IDCANCEL, 2, "only 2 tracks", CSmallDialog::kStillOpen, 0},
    };
    for (const auto& c : cases) {
        CFakeCdPage page;
        page.rows = {Track(1), Track(2), Track(3)};
        CEditCDTagDlg dlg(page, 0);
        QDialog* dialog = dlg.Open(&owner_);
        Edit(dialog, CEditCDTagDlg::kTitle)->setText(QStringLiteral("Typed"));

        // The disc is swapped while the dialog is open.
        page.discId = 0x1234;
        page.rows.clear();
        for (int i = 0; i < c.newRows; ++i) page.rows.push_back(Track(10 + i, "New"));
        const std::vector<TCDTagRow> swapped = page.rows;

        testsupport::CFakeUiServices ui;
        ui.ExpectMessage("EditCDTag_Copy", c.answer);
        ClickControl(dialog, 1);
        const auto calls = ui.Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].caption, "CD Change");
        EXPECT_EQ(calls[0].flags & MB_TYPEMASK, MB_YESNOCANCEL);
        EXPECT_NE(calls[0].text.find("sr0"), std::string::npos) << calls[0].text;
        EXPECT_NE(calls[0].text.find(c.second), std::string::npos) << calls[0].text;
        EXPECT_EQ(dlg.Result(), c.result) << c.answer << " " << c.newRows;
        for (int i = 0; i < c.newRows; ++i) {
            const TCDTagRow& row = page.rows[static_cast<std::size_t>(i)];
            if (i < c.copied) {
                EXPECT_EQ(row.title, i == 0 ? "Typed" : "Track " + std::to_string(i + 1)) << i;
                EXPECT_EQ(row.artist, "Artist");
            } else {
                EXPECT_EQ(row, swapped[static_cast<std::size_t>(i)]) << "row " << i << " untouched";
            }
        }
        EXPECT_EQ(page.takes, c.copied > 0 ? 1 : 0);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(dialog->isVisible());
        }
    }
}

TEST_F(CdTagDialogTest, SavingTheSameDiscAsksNothingAndCancelChangesNothing) {
    CFakeCdPage page;
    page.rows = {Track(1), Track(2)};
    {
        testsupport::CFakeUiServices ui;  // no question scripted: none may come
        CEditCDTagDlg dlg(page, 0);
        QDialog* dialog = dlg.Open(&owner_);
        Edit(dialog, CEditCDTagDlg::kTitle)->setText(QString(300, QChar('t')));
        FindControl<QComboBox>(dialog, CEditCDTagDlg::kGenre)->setEditText(QStringLiteral("Jazz"));
        ClickControl(dialog, 1);
        EXPECT_EQ(dlg.Result(), 1);
        EXPECT_EQ(page.rows[0].title, std::string(255, 't')) << "cut to the row's field";
        EXPECT_EQ(page.rows[0].genre, "Jazz");
        EXPECT_EQ(page.rows[0].genreIndex, 8);
        EXPECT_EQ(page.rows[1].title, "Track 2");
    }
    const std::vector<TCDTagRow> before = page.rows;
    CEditCDTagDlg dlg(page, 0);
    QDialog* dialog = dlg.Open(&owner_);
    Edit(dialog, CEditCDTagDlg::kTitle)->setText(QStringLiteral("Changed"));
    ClickControl(dialog, 2);
    EXPECT_EQ(dlg.Result(), 2);
    EXPECT_EQ(page.rows, before);

    // A page without rows has nothing to edit: no window.
    CFakeCdPage empty;
    CEditCDTagDlg none(empty, 0);
    EXPECT_EQ(none.Open(&owner_), nullptr);
    EXPECT_EQ(none.DoModal(&owner_), 2);
}

}  // namespace
