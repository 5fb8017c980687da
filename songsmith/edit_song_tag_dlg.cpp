#include "songsmith/edit_song_tag_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <string>

#include "songsmith/core/genre_table.h"
#include "songsmith/core/keyed_format.h"
#include "songsmith/core/song_entry.h"
#include "songsmith/core/tag_fields.h"
#include "songsmith/prog_string.h"
#include "songvault/records.h"

namespace {

constexpr int kWidth = 440;
constexpr int kMargin = 12;
constexpr int kLabelWidth = 80;
constexpr int kFieldLeft = kMargin + kLabelWidth + 6;
constexpr int kFieldWidth = kWidth - kFieldLeft - kMargin;
constexpr int kRowHeight = 24;
constexpr int kRowStep = 30;

QRect LabelCell(int row) {
    return {kMargin, kMargin + row * kRowStep + 3, kLabelWidth, kRowHeight - 6};
}
QRect FieldCell(int row, int width = kFieldWidth) {
    return {kFieldLeft, kMargin + row * kRowStep, width, kRowHeight};
}

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

    AddLabel(kNoId, ProgString("EditTag_LabelTitle"), LabelCell(0));
    AddEdit(kTitle, FieldText(song_.title), FieldCell(0));
    AddLabel(kNoId, ProgString("EditTag_LabelArtist"), LabelCell(1));
    AddEdit(kArtist, FieldText(song_.artist), FieldCell(1));
    AddLabel(kNoId, ProgString("EditTag_LabelAlbum"), LabelCell(2));
    AddEdit(kAlbum, FieldText(song_.album), FieldCell(2));
    AddLabel(kNoId, ProgString("EditTag_LabelYear"), LabelCell(3));
    ShowYear(AddYearList(kYear, FieldCell(3, 90)), song_.year);
    AddLabel(kNoId, ProgString("EditTag_LabelGenre"), LabelCell(4));
    ShowGenreNumber(AddGenreList(kGenre, FieldCell(4, 200)), song_.genre);
    AddLabel(kNoId, ProgString("EditTag_LabelComment"), LabelCell(5));
    AddEdit(kComment, FieldText(song_.comment), FieldCell(5));

    AddLabel(kNoId, ProgString("EditTag_LabelFormat"), LabelCell(6));
    AddLabel(kFormat, QString::fromStdString(FormatOfFile(song_.path)), FieldCell(6));
    AddLabel(kNoId, ProgString("EditTag_LabelLength"), LabelCell(7));
    AddLabel(kLength, QString::fromStdString(SongLengthText(song_.lengthMs)), FieldCell(7));
    AddLabel(kNoId, ProgString("EditTag_LabelFile"), LabelCell(8));
    QLineEdit* file = AddEdit(kFile, FieldText(song_.path), FieldCell(8));
    file->setReadOnly(true);
    file->setCursorPosition(0);

    const int buttonsTop = kMargin + 9 * kRowStep + 8;
    AddOkCancel("EditTag_Save", buttonsTop, kWidth);
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
