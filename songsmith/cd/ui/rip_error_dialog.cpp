#include "songsmith/cd/ui/rip_error_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <string_view>

#include "songsmith/app/keyed_format.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/text_copy.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kDialogWidth = 400;
constexpr int kTextGap = 10;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kTextLeft = kMargin + kIconSize + 12;
constexpr int kTextWidth = kDialogWidth - kTextLeft - kMargin;

class CRipErrorFrame : public QDialog {
public:
    explicit CRipErrorFrame(QWidget* parent) : QDialog(parent) {}
    // Only OK ends the notice: the close box and Escape do nothing.
    void reject() override {}
};

// Adds a text at top across the text column, as tall as it needs; returns
// the top of the next one.
int AddText(QDialog& dialog, int id, const QString& text, int top) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QString::number(id));
    // Every text here is shown as it stands, markup included.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int height = std::max(label->heightForWidth(kTextWidth), label->fontMetrics().height());
    label->setGeometry(kTextLeft, top, kTextWidth, height);
    return top + height + kTextGap;
}

}  // namespace

CRipErrorDlg::~CRipErrorDlg() { delete dialog_.data(); }

int CRipErrorDlg::DoModal(QWidget* parent, const char* errorText, int errorCode) {
    const std::string_view text = errorText != nullptr ? errorText : "";
    errorText_ = std::string(text.substr(0, textcopy::Utf8PrefixLength(text, kErrorTextMax)));
    errorCode_ = errorCode;
    auto* frame = new CRipErrorFrame(parent);
    dialog_ = frame;
    OnInitDialog(*frame);
    const int result = frame->exec();
    delete frame;
    return result;
}

void CRipErrorDlg::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    CenterWindowOnScreen(&dialog);
}

void CRipErrorDlg::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("Program Name"));

    auto* icon = new QLabel(&dialog);
    icon->setObjectName(QString::number(kIcon));
    icon->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
    icon->setGeometry(kMargin, kMargin, kIconSize, kIconSize);

    // The key's text is the user's to edit: it is used as a format only when
    // it takes the one number it is given.
    int top = AddText(dialog, kCodeLine,
                      QString::fromStdString(FormatKeyedText("CDTab_RipError1", {errorCode_})), kMargin);
    top = AddText(dialog, kSecondLine, ProgString("CDTab_RipError2"), top);
    top = AddText(dialog, kErrorText, QString::fromStdString(errorText_), top);

    auto* ok = new QPushButton(ProgString("OK"), &dialog);
    ok->setObjectName(QString::number(1));
    ok->setGeometry(kDialogWidth - kMargin - kButtonWidth, top + kTextGap, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { OnCommand(1); });
    dialog.setFixedSize(kDialogWidth, top + kTextGap + kButtonHeight + kMargin);
}

void CRipErrorDlg::OnCommand(int id) {
    if (id == 1 && dialog_ != nullptr) dialog_->done(1);
}
