#pragma once
// CAgreementDlg: the user agreement the main window shows until it has been
// accepted once. Continue is offered only while the box that says the user
// agrees is ticked; it sets "bAgreedToLicense" in the preferences (saved
// with them later). Cancel and the close box leave it unset.

#include <QDialog>
#include <QPointer>
#include <string>

class CPreferences;

// The agreement shipped with the program (an HTML page in the resource
// folder); empty when it is missing.
std::string AgreementFilePath();

class CAgreementDlg {
public:
    static constexpr int kDialogId = 202;
    static constexpr int kCheckbox = 1044;
    static constexpr int kContinue = 1051;
    static constexpr int kText = 1215;

    // The agreement is read from agreementPath.
    CAgreementDlg(CPreferences& prefs, std::string agreementPath = AgreementFilePath());
    ~CAgreementDlg();
    CAgreementDlg(const CAgreementDlg&) = delete;
    CAgreementDlg& operator=(const CAgreementDlg&) = delete;

    // Runs the dialog over parent; true when it ran (Qt runs every dialog it
    // is given). Whether the user accepted is in the preferences.
    bool DoModal(QWidget* parent);
    QDialog* Window() const { return dialog_; }

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnCommand(int id);

private:
    void CreateControls(QDialog& dialog);
    void LoadAgreement();

    CPreferences& prefs_;
    std::string agreementPath_;
    QPointer<QDialog> dialog_;
};
