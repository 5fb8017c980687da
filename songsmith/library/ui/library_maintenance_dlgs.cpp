#include "songsmith/library/ui/library_maintenance_dlgs.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>

#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kMargin = 12;
constexpr int kLineHeight = 20;
constexpr int kIndent = 16;

// A text label across width pixels, wrapped and as tall as its text; returns
// the top of what follows.
int AddWrappedText(QLabel* label, int top, int width) {
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int height = std::max(label->heightForWidth(width), label->fontMetrics().height());
    label->setGeometry(kMargin, top, width, height);
    return top + height + 8;
}

// An option below the text before it, indented; returns the top of what
// follows.
int PlaceRadio(QRadioButton* radio, int top, int width) {
    PlaceButton(radio, {kMargin + kIndent, top, width - kIndent, kLineHeight});
    return top + kLineHeight + 4;
}

}  // namespace

void CEmptyTrashDlg::OnInitDialog(QDialog& dialog) {
    constexpr int kWidth = 480;
    constexpr int kTextWidth = kWidth - 2 * kMargin;
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("EmptyTrash_Title"));
    int top = AddWrappedText(AddLabel(kText1, ProgString("LibTab_ConfirmEmptyTrash1"), {}), kMargin,
                             kTextWidth);
    top = PlaceRadio(
        AddRadio(kDeleteFiles, ProgString("LibTab_ConfirmEmptyTrash3"), {}, choice_ == 0), top,
        kTextWidth);
    top =
        PlaceRadio(AddRadio(kKeepFiles, ProgString("LibTab_ConfirmEmptyTrash4"), {}, choice_ == 1),
                   top, kTextWidth);
    top = PlaceRadio(
        AddRadio(kLibraryOnly, ProgString("LibTab_ConfirmEmptyTrash5"), {}, choice_ == 2), top,
        kTextWidth);
    top = AddWrappedText(AddLabel(kText2, ProgString("LibTab_ConfirmEmptyTrash2"), {}), top + 6,
                         kTextWidth);
    AddOkCancel("OK", top + 4, kWidth);
}

void CEmptyTrashDlg::OnOk() {
    if (Control<QRadioButton>(kDeleteFiles)->isChecked()) choice_ = 0;
    if (Control<QRadioButton>(kKeepFiles)->isChecked()) choice_ = 1;
    if (Control<QRadioButton>(kLibraryOnly)->isChecked()) choice_ = 2;
    End(1);
}

void CCorruptLibraryDlg::OnInitDialog(QDialog& dialog) {
    constexpr int kWidth = 460;
    constexpr int kTextWidth = kWidth - 2 * kMargin;
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("LibTab_CorruptTitle"));
    int top = AddWrappedText(AddLabel(kLabel1, ProgString("LibTab_CorruptLabel1"), {}), kMargin,
                             kTextWidth);
    top =
        AddWrappedText(AddLabel(kLabel2, ProgString("LibTab_CorruptLabel2"), {}), top, kTextWidth);
    top = PlaceRadio(AddRadio(kStartOver, ProgString("LibTab_CorruptOption1"), {}, false), top,
                     kTextWidth);
    top = PlaceRadio(AddRadio(kTryAgain, ProgString("LibTab_CorruptOption2"), {}, true), top,
                     kTextWidth);
    top = AddWrappedText(AddLabel(kLabel3, ProgString("LibTab_CorruptLabel3"), {}), top + 6,
                         kTextWidth);
    top =
        AddWrappedText(AddLabel(kLabel4, ProgString("LibTab_CorruptLabel4"), {}), top, kTextWidth);
    AddOkCancel("OK", top + 4, kWidth);
}

void CCorruptLibraryDlg::Place(QDialog& dialog, QWidget*) {
    CenterWindowOnScreen(&dialog);
}

void CCorruptLibraryDlg::OnOk() {
    if (Control<QRadioButton>(kStartOver)->isChecked()) answer_ = 1;
    if (Control<QRadioButton>(kTryAgain)->isChecked()) answer_ = 0;
    End(1);
}

void CDeleteEmptyFolderDlg::OnInitDialog(QDialog& dialog) {
    constexpr int kWidth = 420;
    constexpr int kTextWidth = kWidth - 2 * kMargin;
    constexpr int kButtonWidth = 90;
    constexpr int kButtonHeight = 24;
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("LibTab_DeleteEmptyTitle"));
    // The names come from the library: the checked formatter takes them as
    // arguments only, and the question is held to its limit.
    const std::string question = FormatKeyedText("LibTab_DeleteEmptyFolder", {kind_, folder_});
    int top = AddWrappedText(
        AddLabel(kText, QString::fromStdString(std::string(CutToBuffer(question, kTextBytes))), {}),
        kMargin, kTextWidth);
    AddCheckBox(kAlways, ProgString("LibTab_AlwaysDeleteEmpty"),
                {kMargin, top, kTextWidth, kLineHeight}, prefs_.ImportDelEmptyFolder != 0);
    top += kLineHeight + 12;
    AddButton(kYes, ProgString("Yes"),
              {kWidth - kMargin - 2 * kButtonWidth - 8, top, kButtonWidth, kButtonHeight}, true);
    AddButton(kNo, ProgString("No"),
              {kWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight});
    dialog.setFixedSize(kWidth, top + kButtonHeight + kMargin);
}

void CDeleteEmptyFolderDlg::OnCommand(int id) {
    if (id == kYes) {
        prefs_.ImportDelEmptyFolder = Control<QCheckBox>(kAlways)->isChecked() ? 1 : 0;
        End(kYes);
    } else if (id == kNo) {
        End(kNo);
    }
}
