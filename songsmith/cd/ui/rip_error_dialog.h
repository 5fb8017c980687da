#pragma once
// CRipErrorDlg: the notice shown when the drive library reports an error
// while ripping: a line with the error code, a second line, and the
// library's own error text. Only OK closes it. It is a window, so it runs on
// the GUI thread: the rip's finish message brings it up there.

#include <QDialog>
#include <QPointer>
#include <string>

class CRipErrorDlg {
public:
    static constexpr int kDialogId = 282;
    static constexpr int kCodeLine = 1476;
    static constexpr int kSecondLine = 1477;
    static constexpr int kErrorText = 1478;
    static constexpr int kIcon = 1193;
    // The longest error text kept, in bytes; a longer one is cut on a
    // character boundary.
    static constexpr std::size_t kErrorTextMax = 1023;

    CRipErrorDlg() = default;
    ~CRipErrorDlg();
    CRipErrorDlg(const CRipErrorDlg&) = delete;
    CRipErrorDlg& operator=(const CRipErrorDlg&) = delete;

    // Shows errorText (null: none) and errorCode over parent, centred on the
    // screen; returns how it ended (1).
    int DoModal(QWidget* parent, const char* errorText, int errorCode);
    QDialog* Window() const { return dialog_; }

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnCommand(int id);

private:
    void CreateControls(QDialog& dialog);

    QPointer<QDialog> dialog_;
    std::string errorText_;
    int errorCode_ = 0;
};
