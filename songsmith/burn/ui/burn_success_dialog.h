#pragma once
// CBurnSuccessDlg: the burn (or the test) went well. A short animation
// plays beside the message; a second button goes on to make a label for
// the disc through the main window's command.

#include <QPointer>
#include <QRect>

#include "songsmith/app/app_message.h"
#include "songsmith/drawing/ui/dib_section.h"

class QDialog;
class QPainter;
class QTimer;
class QWidget;

class CBurnSuccessDlg {
public:
    static constexpr int kDialogId = 198;
    static constexpr int kMessage = 1157;
    static constexpr int kAnimationPlace = 1090;
    static constexpr int kMakeLabel = 1323;
    static constexpr int kAnimationTimer = 1006;
    // The animation's frames of the burn animation strip.
    static constexpr int kFirstFrame = 16;
    static constexpr int kLastFrame = 18;

    // test: the pass was a test; copies: the discs written; mainWindow:
    // where the label command goes; animationMs: a frame's time.
    CBurnSuccessDlg(bool test, int copies, TReceiverId mainWindow, int animationMs);
    ~CBurnSuccessDlg();
    CBurnSuccessDlg(const CBurnSuccessDlg&) = delete;
    CBurnSuccessDlg& operator=(const CBurnSuccessDlg&) = delete;

    // 1 for OK and for the label button, 0 for the close box.
    int DoModal(QWidget* parent);

    // The animation's tick.
    void OnTimer();
    static CBurnSuccessDlg* FromWindow(QWidget* window);
    int Frame() const { return frame_; }

private:
    void OnInitDialog(QWidget* parent);
    void OnMakeLabel();
    void OnPaint(QPainter& painter);

    bool test_;
    int copies_;
    TReceiverId mainWindow_;
    int animationMs_;
    QPointer<QDialog> dialog_;
    CDibSection strip_;
    QRect frameRect_;
    int frame_ = kFirstFrame;
};
