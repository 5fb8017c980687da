#include "songsmith/dialogs/ui/agreement_dialog.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>

#include "platform/user_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kDialogWidth = 520;
constexpr int kDialogHeight = 420;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 24;
constexpr int kButtonTop = kDialogHeight - kMargin - kButtonHeight;
constexpr int kCheckboxTop = kButtonTop - 30;

class CAgreementFrame : public QDialog {
public:
    CAgreementFrame(QWidget* parent, CAgreementDlg& owner) : QDialog(parent), owner_(owner) {}
    // The close box and Escape are Cancel.
    void reject() override { owner_.OnCommand(2); }

private:
    CAgreementDlg& owner_;
};

}  // namespace

std::string AgreementFilePath() { return FindResourceFile("agreement.htm"); }

CAgreementDlg::CAgreementDlg(CPreferences& prefs, std::string agreementPath)
    : prefs_(prefs), agreementPath_(std::move(agreementPath)) {}

CAgreementDlg::~CAgreementDlg() { delete dialog_.data(); }

bool CAgreementDlg::DoModal(QWidget* parent) {
    auto* frame = new CAgreementFrame(parent, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    frame->exec();
    delete frame;
    return true;
}

void CAgreementDlg::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    dialog.setWindowTitle(ProgString("LD_Title"));
    LoadAgreement();
    CenterWindow(&dialog, dialog.parentWidget());
}

void CAgreementDlg::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setFixedSize(kDialogWidth, kDialogHeight);

    auto* text = new QTextBrowser(&dialog);
    text->setObjectName(QString::number(kText));
    text->setReadOnly(true);
    // The agreement's links, if any, are not followed inside the box.
    text->setOpenLinks(false);
    text->setGeometry(kMargin, kMargin, kDialogWidth - 2 * kMargin, kCheckboxTop - 2 * kMargin);

    auto* box = new QCheckBox(ProgString("LD_Checkbox"), &dialog);
    box->setObjectName(QString::number(kCheckbox));
    box->setGeometry(kMargin, kCheckboxTop, kDialogWidth - 2 * kMargin, 22);

    auto* go = new QPushButton(ProgString("LD_Continue"), &dialog);
    go->setObjectName(QString::number(kContinue));
    go->setGeometry(kDialogWidth - 2 * (kMargin + kButtonWidth), kButtonTop, kButtonWidth, kButtonHeight);
    go->setEnabled(false);
    auto* cancel = new QPushButton(ProgString("Cancel"), &dialog);
    cancel->setObjectName(QString::number(2));
    cancel->setGeometry(kDialogWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight);
    cancel->setDefault(true);

    QObject::connect(box, &QCheckBox::toggled, &dialog, [this] { OnCommand(kCheckbox); });
    QObject::connect(go, &QPushButton::clicked, &dialog, [this] { OnCommand(kContinue); });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [this] { OnCommand(2); });
}

void CAgreementDlg::LoadAgreement() {
    auto* text = dialog_->findChild<QTextBrowser*>(QString::number(kText));
    if (text == nullptr || agreementPath_.empty()) return;
    // A missing or unreadable agreement leaves the box empty; ticking and
    // Continue still work.
    QFile file(QString::fromStdString(agreementPath_));
    if (!file.open(QIODevice::ReadOnly)) return;
    text->setHtml(QString::fromUtf8(file.readAll()));
}

void CAgreementDlg::OnCommand(int id) {
    if (dialog_ == nullptr) return;
    switch (id) {
        case kCheckbox:
            if (auto* box = dialog_->findChild<QCheckBox*>(QString::number(kCheckbox))) {
                if (auto* go = dialog_->findChild<QPushButton*>(QString::number(kContinue))) {
                    go->setEnabled(box->isChecked());
                }
            }
            break;
        case kContinue:
            prefs_.bAgreedToLicense = 1;
            dialog_->done(1);
            break;
        case 2:
            dialog_->done(2);
            break;
        default:
            break;
    }
}
