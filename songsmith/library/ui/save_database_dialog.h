#pragma once
// CSaveDatabaseDlg: the question asked at shut-down when the song library
// cannot be saved for lack of space: try again, save it on another drive,
// or give up.

#include <QDialog>
#include <QPointer>

class CSaveDatabaseDlg {
public:
    static constexpr int kDialogId = 280;
    static constexpr int kRetry = 1469;
    static constexpr int kNewDrive = 1470;
    static constexpr int kCancel = 2;

    CSaveDatabaseDlg() = default;
    ~CSaveDatabaseDlg();
    CSaveDatabaseDlg(const CSaveDatabaseDlg&) = delete;
    CSaveDatabaseDlg& operator=(const CSaveDatabaseDlg&) = delete;

    // Asks over parent, centred on the screen: kRetry, kNewDrive or kCancel
    // (also the close box).
    int DoModal(QWidget* parent);
    QDialog* Window() const { return dialog_; }

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnCommand(int id);

private:
    QPointer<QDialog> dialog_;
};
