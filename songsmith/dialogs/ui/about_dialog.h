#pragma once
// CAboutDlg: the About box of the Help menu. A picture, the program's texts
// by key, a link to the home page, and a credits line that starts blinking
// red after 15 seconds.

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <memory>

#include "songsmith/drawing/ui/dib_section.h"

class CLinkControl;
class QTimer;

class CAboutDlg {
public:
    static constexpr int kDialogId = 172;
    static constexpr int kPictureFrame = 1108;
    static constexpr int kLink = 1103;
    static constexpr int kCredits = 1137;
    // The pause before the credits start blinking, then each blink.
    static constexpr int kStartTimer = 666;
    static constexpr int kStartDelayMs = 15000;
    static constexpr int kBlinkTimer = 667;
    static constexpr int kBlinkIntervalMs = 500;
    static constexpr int kCreditsFontPixels = 14;

    CAboutDlg();
    ~CAboutDlg();
    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    // Runs the dialog over parent; true (Qt runs every dialog it is given).
    // Result() tells how it ended: 0 every way.
    bool DoModal(QWidget* parent);
    int Result() const { return result_; }
    QDialog* Window() const { return dialog_; }

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnTimer(int id);
    void OnCommand(int id);
    void OnPaint(QPainter& painter, const QRect& update);
    void OnLButtonUp(QPoint point);
    void OnDestroy();

    bool Blinking() const { return blink_; }
    // The timer with that identifier: whether it runs, and its interval.
    bool TimerRunning(int id) const;
    int TimerInterval(int id) const;

private:
    void CreateControls(QDialog& dialog);

    QPointer<QDialog> dialog_;
    CLinkControl* link_ = nullptr;
    CDibSection picture_;
    QRect pictureRect_;
    std::unique_ptr<QTimer> startTimer_;
    std::unique_ptr<QTimer> blinkTimer_;
    bool blink_ = false;
    int result_ = -1;
};

class CMainWindow;

// Opens the About box over parent.
void ShowAboutDialog(QWidget* parent);
// Makes the main window's About command (Help menu) open the box over it.
void SetAboutCommand(CMainWindow& mainWindow);
