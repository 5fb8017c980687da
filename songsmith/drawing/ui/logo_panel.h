#pragma once
// CLogoPanel: the program's logo at the right of the main window's bottom
// band. A small meter inside the logo follows the burn controller (an empty
// meter, a progress level in 16 steps, or a busy animation); a second
// picture sits below the logo, and a click on either opens the program's
// home page.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <memory>

#include "songsmith/drawing/ui/dib_section.h"

class QPainter;
class QRegion;
class QTimer;

class CLogoPanel {
public:
    static constexpr int kDialogId = 136;
    // The width the bottom band gives the panel.
    static constexpr int kWidth = 190;
    static constexpr int kAnimationTimer = 1002;
    static constexpr int kAnimationIntervalMs = 100;

    CLogoPanel();
    ~CLogoPanel();
    CLogoPanel(const CLogoPanel&) = delete;
    CLogoPanel& operator=(const CLogoPanel&) = delete;

    int GetWidth() const { return kWidth; }
    // Shows the panel when it exists; otherwise makes it as a child of
    // parent at the given place and shows it. True when the panel exists.
    bool Create(QWidget* parent, int x, int y, int width, int height);
    void Move(int x, int y, int width, int height);
    QWidget* Window() const { return window_; }

    // What the meter shows: 0 nothing (the bare logo), 1 the empty meter,
    // 2 the progress level, 3 the meter held at its last frame, 4 the busy
    // animation. The burn threads call both; off the GUI thread the value is
    // stored at once and the drawing follows there, in the order of the
    // calls. Callers stop calling before the panel goes.
    void SetMode(int mode);
    // The progress of the running step, 0.0 to 1.0, in 16 steps; a negative
    // value shows the empty meter.
    void SetLevel(double value);
    int Mode() const { return mode_.load(); }
    double Level() const { return level_.load(); }

    // The panel's events, on the GUI thread.
    void OnTimer(int id);
    void OnMouseMove(QPoint point);
    void OnLButtonDown(QPoint point);
    void OnPaint(QPainter& painter, const QRegion& region);

    bool AnimationRunning() const;
    // In panel pixels.
    QRect LogoRect() const { return logoRect_; }
    QRect PictureRect() const { return pictureRect_; }
    QRect MeterRect() const { return meterRect_; }

private:
    void OnInitDialog();
    void ApplyMode(int mode);
    void ApplyLevel(double value);
    // Draws the current meter frame into the shown logo, after copying the
    // clean logo over it when copyClean is set; none in mode 0.
    void DrawMeter(bool copyClean);
    void RepaintMeter();
    bool OnGuiThread() const;

    QPointer<QWidget> window_;
    // What the callers asked last, from any thread.
    std::atomic<int> mode_{0};
    std::atomic<double> level_{-1.0};
    // What is drawn; GUI thread only.
    int drawnMode_ = 0;
    int frame_ = 0;
    int cursorState_ = 2;
    CDibSection shownLogo_;
    CDibSection cleanLogo_;
    CDibSection meterStrip_;
    CDibSection picture_;
    QRect logoRect_;
    QRect pictureRect_;
    QRect meterRect_;
    std::unique_ptr<QTimer> animation_;
    // Receives the calls queued from other threads; those still queued when
    // the panel goes are dropped with it.
    std::unique_ptr<QObject> guiTarget_;
};
