#pragma once
// CBurnFailedDlg: the burn (or the test) failed. It shows what went wrong,
// whether the disc can still be used and the speed the writer last ran at,
// and offers to try the same burn again, to try again more slowly, or to
// stop.

#include <QPointer>
#include <string>

class QDialog;
class QWidget;

class CBurnFailedDlg {
public:
    static constexpr int kDialogId = 285;
    static constexpr int kErrorText = 1194;
    static constexpr int kSecondText = 1501;
    static constexpr int kUsable = 1502;
    static constexpr int kLastSpeed = 1503;
    static constexpr int kChoices = 1506;
    // The answers, and the buttons that give them (the third is IDCANCEL).
    static constexpr int kRetrySame = 1504;
    static constexpr int kRetrySlower = 1505;
    static constexpr int kCancel = 2;

    // secondText may be empty (no second line); usable: the disc can still
    // be written; lastSpeed: the writer's speed in X.
    CBurnFailedDlg(std::string errorText, std::string secondText, bool test, bool usable, int lastSpeed);
    ~CBurnFailedDlg();
    CBurnFailedDlg(const CBurnFailedDlg&) = delete;
    CBurnFailedDlg& operator=(const CBurnFailedDlg&) = delete;

    // kRetrySame, kRetrySlower or kCancel by the button chosen; 0 for the
    // close box.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog(QWidget* parent);

    QPointer<QDialog> dialog_;
    std::string errorText_;
    std::string secondText_;
    bool test_;
    bool usable_;
    int lastSpeed_;
};
