#pragma once
// CInsertDiscDlg: asks for a blank disc while the burn waits for one. Every
// look at the writer it closes by itself when a blank disc is in (or a
// write already runs), and gives up when the burn's worker has ended. A
// written disc left in the writer does not count: the prompt stays.

#include <QPointer>
#include <QRect>

#include "songsmith/drawing/ui/dib_section.h"

class CBurner;
class QDialog;
class QPainter;
class QTimer;
class QWidget;

class CInsertDiscDlg {
public:
    static constexpr int kDialogId = 108;
    static constexpr int kMessage = 1177;
    static constexpr int kPicturePlace = 1173;
    static constexpr int kPollTimer = 1003;

    explicit CInsertDiscDlg(CBurner& burner);
    ~CInsertDiscDlg();
    CInsertDiscDlg(const CInsertDiscDlg&) = delete;
    CInsertDiscDlg& operator=(const CInsertDiscDlg&) = delete;

    // 1 when a disc is ready (or a write runs) or the user continued; 0 when
    // the user aborted or the worker ended.
    int DoModal(QWidget* parent);

    // The timer's tick: the next animation frame, and the look at the
    // writer and the worker.
    void OnTimer();

    // The dialog whose window that is; null for another window.
    static CInsertDiscDlg* FromWindow(QWidget* window);
    int Frame() const { return frame_; }
    QTimer* Timer() const { return timer_; }

private:
    void OnInitDialog(QWidget* parent);
    void OnPaint(QPainter& painter);

    CBurner& burner_;
    QPointer<QDialog> dialog_;
    QTimer* timer_ = nullptr;
    CDibSection strip_;
    QRect frameRect_;
    int frame_ = 0;
};
