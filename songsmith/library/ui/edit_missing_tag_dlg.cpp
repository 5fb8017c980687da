#include "songsmith/library/ui/edit_missing_tag_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <string>

#include "filekit/log.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "titlefetch/disc_record.h"

namespace {

constexpr int kWidth = 400;
const CFieldRows kRows(CFieldRows::kMargin, 80, kWidth);

}  // namespace

int CEditMissingTagDlg::Create(QWidget* owner) {
    if (record_ != nullptr) {
        const std::string artist(FieldText(record_->artist));
        const std::string album(FieldText(record_->title));
        LogFmt("CEditMissingTagDlg::Create - Record artist = %s, album = %s, year = %d, genre = %d",
               artist.c_str(), album.c_str(), static_cast<int>(record_->year),
               // The record keeps its genre as text; its number is the
               // table's.
               static_cast<int>(GenreTableIndex(FieldText(record_->genre))));
    }
    return DoModal(owner);
}

void CEditMissingTagDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EditCDMTag_Title"));
    AddLabel(kLabels[0], ProgString("EditCDMTag_Label0"), kRows.Label(0));
    AddLabel(kLabels[1], ProgString("EditCDMTag_Label1"), kRows.Label(1));
    AddLabel(kLabels[2], ProgString("EditCDMTag_Label2"), kRows.Label(2));
    AddLabel(kLabels[3], ProgString("EditCDMTag_Label3"), kRows.Label(3));
    AddEdit(kArtist, record_ != nullptr ? FieldText(record_->artist) : "", kRows.Field(0));
    AddEdit(kAlbum, record_ != nullptr ? FieldText(record_->title) : "", kRows.Field(1));
    QComboBox* year = AddYearList(kYear, kRows.Field(2, 90));
    QComboBox* genre = AddGenreList(kGenre, kRows.Field(3, 200));
    AddOkCancel("EditTag_Save", kRows.ButtonsTop(4), kWidth);
    if (record_ == nullptr) {
        FocusAndSelect(kArtist);
        return;
    }
    ShowYear(year, record_->year);
    ShowGenreName(genre, FieldText(record_->genre));
    // The first field that is missing gets the focus.
    const int first = record_->artist[0] == '\0'  ? kArtist
                      : record_->title[0] == '\0' ? kAlbum
                      : record_->year == 0        ? kYear
                                                  : kGenre;
    FocusAndSelect(first);
}

void CEditMissingTagDlg::OnOk() {
    if (submit_ && (!VerifyField(kArtist, "Artist") || !VerifyField(kAlbum, "Album"))) return;
    if (record_ != nullptr) {
        CopyToField(ControlText(kArtist, kTagTextBytes), record_->artist);
        CopyToField(ControlText(kAlbum, kTagTextBytes), record_->title);
        record_->year = ReadYear(Control<QComboBox>(kYear));
        CopyToField(GenreListText(Control<QComboBox>(kGenre)), record_->genre);
    }
    End(1);
}
