#include "songsmith/library/ui/library_tag_dlgs.h"

#include <QComboBox>
#include <QLineEdit>

#include "songsmith/library/genre_table.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "songvault/records.h"

namespace {

constexpr int kWidth = 380;
const CFieldRows kRows(CFieldRows::kMargin, 70, kWidth);

}  // namespace

void CEditArtistDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EditArtist_Title"));
    AddLabel(kNoId, ProgString("EditTag_LabelArtist"), kRows.Label(0));
    AddEdit(kName, FieldText(artist_.name), kRows.Field(0));
    AddOkCancel("OK", kRows.ButtonsTop(1), kWidth);
    FocusAndSelect(kName);
}

void CEditArtistDlg::OnOk() {
    if (!VerifyField(kName, "Artist")) return;
    CopyToField(ControlText(kName, kTagTextBytes), artist_.name);
    End(1);
}

void CEditAlbumDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EditAlbum_Title"));
    AddLabel(kNoId, ProgString("EditTag_LabelArtist"), kRows.Label(0));
    AddEdit(kArtist, FieldText(album_.artist), kRows.Field(0));
    AddLabel(kNoId, ProgString("EditTag_LabelAlbum"), kRows.Label(1));
    AddEdit(kAlbum, FieldText(album_.name), kRows.Field(1));
    AddLabel(kNoId, ProgString("EditTag_LabelYear"), kRows.Label(2));
    ShowYear(AddYearList(kYear, kRows.Field(2, 90)), album_.year);
    AddLabel(kNoId, ProgString("EditTag_LabelGenre"), kRows.Label(3));
    ShowGenreNumber(AddGenreList(kGenre, kRows.Field(3, 200)), album_.genre);
    AddOkCancel("OK", kRows.ButtonsTop(4), kWidth);
    FocusAndSelect(kAlbum);
}

void CEditAlbumDlg::OnOk() {
    if (!VerifyField(kArtist, "Artist") || !VerifyField(kAlbum, "Album")) return;
    CopyToField(ControlText(kArtist, kTagTextBytes), album_.artist);
    CopyToField(ControlText(kAlbum, kTagTextBytes), album_.name);
    album_.year = static_cast<std::int16_t>(ReadYear(Control<QComboBox>(kYear)));
    album_.genre =
        static_cast<std::int16_t>(GenreTableIndex(GenreListText(Control<QComboBox>(kGenre))));
    End(1);
}

void CEditGenreDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EditGenre_Title"));
    AddLabel(kNoId, ProgString("EditTag_LabelGenre"), kRows.Label(0));
    ShowGenreNumber(AddGenreList(kGenre, kRows.Field(0, 200)), genre_.genre);
    AddOkCancel("OK", kRows.ButtonsTop(1), kWidth);
    FocusAndSelect(kGenre);
}

void CEditGenreDlg::OnOk() {
    const TGenreMatch match = MatchGenreNoCase(GenreListText(Control<QComboBox>(kGenre)));
    genre_.genre = static_cast<std::int16_t>(match.index);
    if (match.index != kNoGenre) CopyToField(match.name, genre_.name);
    End(1);
}
