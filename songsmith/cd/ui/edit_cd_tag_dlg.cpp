#include "songsmith/cd/ui/edit_cd_tag_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <span>
#include <string>

#include "platform/message_box.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/app/keyed_message.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

constexpr int kWidth = 620;
constexpr int kMargin = CFieldRows::kMargin;
constexpr int kIntroHeight = 34;
constexpr int kFieldWidth = 270;
constexpr int kRowHeight = CFieldRows::kRowHeight;
constexpr int kButtonWidth = 110;
// Bytes of a row's comment, terminator included (the song information's).
constexpr std::size_t kCommentBytes = 2048;
const CFieldRows kRows(kMargin + kIntroHeight + 8, 80, kWidth);

QRect FieldCell(int row, int width = kFieldWidth) {
    return kRows.Field(row, width);
}
// A use-for-all box to the right of its field.
QRect BoxCell(int row) {
    const int left = kRows.FieldLeft() + kFieldWidth + 12;
    return {left, kRows.Top(row), kWidth - left - kMargin, kRowHeight};
}

struct TSharedControl {
    ECdTagShared field;
    int box;
};
constexpr TSharedControl kShared[] = {
    {ECdTagShared::kArtist, CEditCDTagDlg::kUseArtist},
    {ECdTagShared::kAlbum, CEditCDTagDlg::kUseAlbum},
    {ECdTagShared::kYear, CEditCDTagDlg::kUseYear},
    {ECdTagShared::kGenre, CEditCDTagDlg::kUseGenre},
};

}  // namespace

bool CEditCDTagDlg::BeforeOpen() {
    rows_ = page_.CopyTagRows();
    discId_ = page_.DriveDiscId();
    if (rows_.empty()) return false;
    row_ = std::clamp(row_, 0, static_cast<int>(rows_.size()) - 1);
    return true;
}

void CEditCDTagDlg::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    for (const TSharedControl& shared : kShared)
        Control<QCheckBox>(shared.box)->setChecked(CdRowsAgree(rows_, shared.field));
    ShowRow();
}

void CEditCDTagDlg::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    QLabel* intro = AddLabel(kIntro, ProgString("EditCDTag_Label0"),
                             {kMargin, kMargin, kWidth - 2 * kMargin, kIntroHeight});
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    AddLabel(kLabels[0], ProgString("EditCDTag_Label1"), kRows.Label(0));
    AddLabel(kLabels[1], ProgString("EditCDTag_Label2"), kRows.Label(1));
    AddLabel(kLabels[2], ProgString("EditCDTag_Label3"), kRows.Label(2));
    AddLabel(kLabels[3], ProgString("EditCDTag_Label4"), kRows.Label(3));
    AddLabel(kLabels[4], ProgString("EditCDTag_Label5"), kRows.Label(4));
    AddLabel(kLabels[5], ProgString("EditCDTag_Label6"), kRows.Label(5));
    AddEdit(kTitle, "", FieldCell(0));
    QLineEdit* artist = AddEdit(kArtist, "", FieldCell(1));
    QLineEdit* album = AddEdit(kAlbum, "", FieldCell(2));
    QComboBox* year = AddYearList(kYear, FieldCell(3, 90));
    QComboBox* genre = AddGenreList(kGenre, FieldCell(4, 200));
    AddEdit(kComment, "", FieldCell(5));
    AddCheckBox(kUseArtist, ProgString("EditCDTag_UseArtist"), BoxCell(1), false);
    AddCheckBox(kUseAlbum, ProgString("EditCDTag_UseAlbum"), BoxCell(2), false);
    AddCheckBox(kUseYear, ProgString("EditCDTag_UseYear"), BoxCell(3), false);
    AddCheckBox(kUseGenre, ProgString("EditCDTag_UseGenre"), BoxCell(4), false);

    // A ticked box takes its field to every row at once: when it is clicked
    // and whenever its field changes.
    for (const TSharedControl& shared : kShared) {
        QObject::connect(Control<QCheckBox>(shared.box), &QCheckBox::clicked, &dialog,
                         [this, field = shared.field] { ApplyIfTicked(field); });
    }
    QObject::connect(artist, &QLineEdit::textChanged, &dialog,
                     [this] { ApplyIfTicked(ECdTagShared::kArtist); });
    QObject::connect(album, &QLineEdit::textChanged, &dialog,
                     [this] { ApplyIfTicked(ECdTagShared::kAlbum); });
    QObject::connect(year, &QComboBox::currentIndexChanged, &dialog,
                     [this] { ApplyIfTicked(ECdTagShared::kYear); });
    QObject::connect(genre, &QComboBox::editTextChanged, &dialog,
                     [this] { ApplyIfTicked(ECdTagShared::kGenre); });

    const int positionTop = kRows.Top(6) + 6;
    AddLabel(kPosition, QString(), {kRows.FieldLeft(), positionTop + 3, 120, kRowHeight - 6});
    AddButton(kPrevious, ProgString("EditCDTag_PrevTrack"),
              {kWidth - kMargin - 2 * kButtonWidth - 8, positionTop, kButtonWidth, kRowHeight});
    AddButton(kNext, ProgString("EditCDTag_NextTrack"),
              {kWidth - kMargin - kButtonWidth, positionTop, kButtonWidth, kRowHeight});
    AddOkCancel("EditCDTag_Save", positionTop + CFieldRows::kRowStep + 12, kWidth);
}

void CEditCDTagDlg::ShowRow() {
    const TCDTagRow& row = rows_[static_cast<std::size_t>(row_)];
    const int count = static_cast<int>(rows_.size());
    showing_ = true;
    Control<QLineEdit>(kTitle)->setText(QString::fromStdString(row.title));
    Control<QLineEdit>(kArtist)->setText(QString::fromStdString(row.artist));
    Control<QLineEdit>(kAlbum)->setText(QString::fromStdString(row.album));
    Control<QLineEdit>(kComment)->setText(QString::fromStdString(row.comment));
    ShowYear(Control<QComboBox>(kYear), row.year);
    ShowGenreNumber(Control<QComboBox>(kGenre), row.genreIndex, row.genre);
    showing_ = false;
    Control<QLabel>(kPosition)->setText(
        QString::fromStdString(FormatKeyedText("EditCDTag_Position", {row_ + 1, count})));
    Window()->setWindowTitle(
        QString::fromStdString(FormatKeyedText("EditCDTag_Title", {row_ + 1, count})));
    FocusAndSelect(kTitle);
}

void CEditCDTagDlg::StoreRow() {
    TCDTagRow& row = rows_[static_cast<std::size_t>(row_)];
    row.title = TrimBlanks(ControlText(kTitle, kTagTextBytes));
    row.artist = TrimBlanks(ControlText(kArtist, kTagTextBytes));
    row.album = TrimBlanks(ControlText(kAlbum, kTagTextBytes));
    row.year = ReadYear(Control<QComboBox>(kYear));
    row.genre = CutToBuffer(GenreListText(Control<QComboBox>(kGenre)), kTagTextBytes);
    // A name the table does not have leaves the number as it was.
    if (const std::int32_t index = GenreTableIndex(row.genre); index != kNoGenre)
        row.genreIndex = index;
    row.comment = ControlText(kComment, kCommentBytes);
}

TCDTagRow CEditCDTagDlg::SharedValue() const {
    TCDTagRow value;
    value.artist = TrimBlanks(ControlText(kArtist, kTagTextBytes));
    value.album = TrimBlanks(ControlText(kAlbum, kTagTextBytes));
    value.year = ReadYear(Control<QComboBox>(kYear));
    value.genre = CutToBuffer(GenreListText(Control<QComboBox>(kGenre)), kTagTextBytes);
    value.genreIndex = GenreTableIndex(value.genre);
    return value;
}

void CEditCDTagDlg::ApplyIfTicked(ECdTagShared field) {
    if (showing_ || Window() == nullptr) return;
    for (const TSharedControl& shared : kShared) {
        if (shared.field == field && Control<QCheckBox>(shared.box)->isChecked())
            ApplyToAllRows(rows_, field, SharedValue());
    }
}

void CEditCDTagDlg::ApplyTicked() {
    for (const TSharedControl& shared : kShared) ApplyIfTicked(shared.field);
}

void CEditCDTagDlg::OnCommand(int id) {
    if (id == kNext) Move(1);
    if (id == kPrevious) Move(-1);
    CSmallDialog::OnCommand(id);
}

void CEditCDTagDlg::Move(int step) {
    if (!VerifyField(kTitle, "Title")) return;
    StoreRow();
    ApplyTicked();
    const int count = static_cast<int>(rows_.size());
    row_ = (row_ + step + count) % count;
    ShowRow();
}

void CEditCDTagDlg::OnOk() {
    ApplyTicked();
    if (!VerifyField(kTitle, "Title")) return;
    StoreRow();
    if (page_.DriveDiscId() != discId_ && !AskCopyToNewDisc()) return;
    const std::size_t copied =
        std::min(rows_.size(), static_cast<std::size_t>(std::max(page_.TagRowCount(), 0)));
    page_.TakeTagRows(std::span<const TCDTagRow>(rows_).first(copied));
    End(1);
}

bool CEditCDTagDlg::AskCopyToNewDisc() {
    const int pageRows = page_.TagRowCount();
    const int dialogRows = static_cast<int>(rows_.size());
    const std::string second = pageRows == dialogRows ? KeyedText("EditCDTag_CopyEven")
                               : pageRows < dialogRows
                                   ? FormatKeyedText("EditCDTag_CopyMore", {pageRows})
                                   : FormatKeyedText("EditCDTag_CopyLess", {dialogRows});
    const std::string caption = KeyedText("EditCDTag_Change");
    const int answer = ShowKeyedMessage(static_cast<QWidget*>(Window()), "EditCDTag_Copy",
                                        {page_.DriveText(), second},
                                        MB_YESNOCANCEL | MB_ICONQUESTION, caption.c_str());
    if (answer == IDNO) End(2);
    return answer == IDYES;
}
