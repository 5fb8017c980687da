#include "songsmith/burn/ui/burn_failed_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <array>

#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

using Dlg = CBurnFailedDlg;

// Layout (pixels).
constexpr int kWidth = 460;
constexpr int kHeight = 292;
constexpr int kMargin = 12;
constexpr int kRow = 20;
constexpr int kButtonHeight = 26;
constexpr int kInnerWidth = kWidth - 2 * kMargin;

// The texts the dialog keeps, as the bounded buffers it was built with.
constexpr std::size_t kTextChars = 1023;

QLabel* AddText(QWidget* dialog, int id, const QString& text, int top, int height) {
    auto* label = AddDialogControl<QLabel>(dialog, id, text, kMargin, top, kInnerWidth, height);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

CBurnFailedDlg::CBurnFailedDlg(std::string errorText, std::string secondText, bool test, bool usable, int lastSpeed)
    : errorText_(errorText.substr(0, kTextChars)),
      secondText_(secondText.substr(0, kTextChars)),
      test_(test),
      usable_(usable),
      lastSpeed_(lastSpeed) {}

CBurnFailedDlg::~CBurnFailedDlg() {
    delete dialog_.data();
}

int CBurnFailedDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight), {nullptr, nullptr}, this);
    dialog_ = window;
    OnInitDialog(parent);
    const int result = window->exec();
    delete window;
    return result;
}

void CBurnFailedDlg::OnInitDialog(QWidget* parent) {
    QDialog* dialog = dialog_;
    CenterWindow(dialog, parent);
    dialog->setWindowTitle(ProgString(test_ ? "BFD_TestFailedTitle" : "BFD_BurnFailedTitle"));

    AddText(dialog, kErrorText, QString::fromStdString(errorText_), kMargin, 40);
    QLabel* second = AddText(dialog, kSecondText, QString::fromStdString(secondText_), kMargin + 44, 36);
    second->setVisible(!secondText_.empty());
    AddText(dialog, kUsable, ProgString(usable_ ? "BFD_CDUsable" : "BFD_CDNotUsable"), kMargin + 84, kRow);
    AddText(dialog, kLastSpeed, QString::fromStdString(FormatKeyedText("BFD_LastBurnSpeed", {lastSpeed_})),
            kMargin + 84 + kRow + 4, kRow);
    AddText(dialog, kChoices, ProgString("BFD_Choices"), kMargin + 140, kRow);

    struct TChoice {
        int id;
        const char* key;
    };
    const std::array<TChoice, 3> choices = {{
        {kRetrySame, test_ ? "BFD_ChoiceRetryTestSame" : "BFD_ChoiceRetrySame"},
        {kRetrySlower, test_ ? "BFD_ChoiceRetryTestSlower" : "BFD_ChoiceRetrySlower"},
        {kCancel, "BFD_ChoiceCancel"},
    }};
    int top = kMargin + 140 + kRow + 6;
    for (const TChoice& choice : choices) {
        auto* button = AddDialogControl<QPushButton>(dialog, choice.id, ProgString(choice.key), kMargin + 16, top,
                                                     kInnerWidth - 32, kButtonHeight);
        QObject::connect(button, &QPushButton::clicked, dialog, [dialog, id = choice.id] { dialog->done(id); });
        top += kButtonHeight + 6;
    }
}
