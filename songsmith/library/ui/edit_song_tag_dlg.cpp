#include "songsmith/library/ui/edit_song_tag_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <string>

#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "songvault/records.h"

namespace {

constexpr int kWidth = 440;
const CFieldRows kRows(CFieldRows::kMargin, 80, kWidth);

// The file's format as the song loader names it, or "<Unknown>" when the
// file cannot be read.
std::string FormatOfFile(const char* path) {
    CSongEntry entry;
    if (entry.LoadFromFile(path) != 0 && entry.formatText[0] != '\0') return entry.formatText;
    return KeyedText("EditTag_Unknown");
}

}  // namespace

void CEditSongTagDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EditSongTag_Title"));

    AddLabel(kNoId, ProgString("EditTag_LabelTitle"), kRows.Label(0));
    AddEdit(kTitle, FieldText(song_.title), kRows.Field(0));
    AddLabel(kNoId, ProgString("EditTag_LabelArtist"), kRows.Label(1));
    AddEdit(kArtist, FieldText(song_.artist), kRows.Field(1));
    AddLabel(kNoId, ProgString("EditTag_LabelAlbum"), kRows.Label(2));
    AddEdit(kAlbum, FieldText(song_.album), kRows.Field(2));
    AddLabel(kNoId, ProgString("EditTag_LabelYear"), kRows.Label(3));
    ShowYear(AddYearList(kYear, kRows.Field(3, 90)), song_.year);
    AddLabel(kNoId, ProgString("EditTag_LabelGenre"), kRows.Label(4));
    ShowGenreNumber(AddGenreList(kGenre, kRows.Field(4, 200)), song_.genre);
    AddLabel(kNoId, ProgString("EditTag_LabelComment"), kRows.Label(5));
    AddEdit(kComment, FieldText(song_.comment), kRows.Field(5));

    AddLabel(kNoId, ProgString("EditTag_LabelFormat"), kRows.Label(6));
    AddLabel(kFormat, QString::fromStdString(FormatOfFile(song_.path)), kRows.Field(6));
    AddLabel(kNoId, ProgString("EditTag_LabelLength"), kRows.Label(7));
    AddLabel(kLength, QString::fromStdString(SongLengthText(song_.lengthMs)), kRows.Field(7));
    AddLabel(kNoId, ProgString("EditTag_LabelFile"), kRows.Label(8));
    QLineEdit* file = AddEdit(kFile, FieldText(song_.path), kRows.Field(8));
    file->setReadOnly(true);
    file->setCursorPosition(0);

    AddOkCancel("EditTag_Save", kRows.ButtonsTop(9), kWidth);
    FocusAndSelect(kTitle);
}

void CEditSongTagDlg::OnOk() {
    if (!VerifyField(kTitle, "Title")) return;
    CopyToField(TrimBlanks(ControlText(kTitle, kTagTextBytes)), song_.title);
    CopyToField(TrimBlanks(ControlText(kArtist, kTagTextBytes)), song_.artist);
    CopyToField(TrimBlanks(ControlText(kAlbum, kTagTextBytes)), song_.album);
    song_.year = static_cast<std::int16_t>(ReadYear(Control<QComboBox>(kYear)));
    song_.genre =
        static_cast<std::int16_t>(GenreTableIndex(GenreListText(Control<QComboBox>(kGenre))));
    CopyToField(ControlText(kComment, kTagTextBytes), song_.comment);
    End(1);
}
