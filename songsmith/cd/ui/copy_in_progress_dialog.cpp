#include "songsmith/cd/ui/copy_in_progress_dialog.h"

#include <QCheckBox>
#include <QLabel>

#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

constexpr int kWidth = 420;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

}  // namespace

void CCopyInProgressDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("Program Name"));
    const int textWidth = kWidth - 2 * kMargin;
    QLabel* first = AddLabel(kFirstText, ProgString("CIP_Text1"), QRect(kMargin, kMargin, textWidth, 10));
    first->setWordWrap(true);
    first->resize(textWidth, first->heightForWidth(textWidth));
    QLabel* second =
        AddLabel(kSecondText, ProgString("CIP_Text2"), QRect(kMargin, first->geometry().bottom() + 10, textWidth, 10));
    second->setWordWrap(true);
    second->resize(textWidth, second->heightForWidth(textWidth));
    const int boxTop = second->geometry().bottom() + 12;
    AddCheckBox(kDontAsk, ProgString("CIP_DontAsk"), QRect(kMargin, boxTop, textWidth, 22), false);
    const int buttonsTop = boxTop + 22 + 14;
    AddButton(kYes, ProgString("Yes"), QRect(kWidth - kMargin - 2 * kButtonWidth - 8, buttonsTop, kButtonWidth, kButtonHeight));
    AddButton(kNo, ProgString("No"), QRect(kWidth - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight), true);
    dialog.setFixedSize(kWidth, buttonsTop + kButtonHeight + kMargin);
}

void CCopyInProgressDlg::OnCommand(int id) {
    if (id != kYes && id != kNo) return;
    const auto* box = Control<QCheckBox>(kDontAsk);
    prefs_.Lock();
    prefs_.RipConfirmQuit = box != nullptr && box->isChecked() ? 0 : 1;
    prefs_.Unlock();
    End(id);
}
