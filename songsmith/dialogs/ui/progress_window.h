#pragma once
// The small always-on-top window with one progress bar that the program
// shows while the drive library starts and while the library loads for the
// first time. It is driven from inside blocking calls on the main thread, so
// every change repaints at once instead of waiting for the event loop.

#include <QDialog>
#include <QPointer>
#include <QProgressBar>
#include <QString>

#include "songsmith/system/drive_setup.h"

// Identifier of the bar inside the window.
inline constexpr int kProgressBarId = 1397;

class CProgressWindow final : public IStartupProgress {
public:
    CProgressWindow() = default;
    // Forgets the window only: whoever made it destroys it.
    ~CProgressWindow() override = default;
    CProgressWindow(const CProgressWindow&) = delete;
    CProgressWindow& operator=(const CProgressWindow&) = delete;

    // Makes the window, owned by owner when given, kept on top, centred on
    // the desktop, the step 1. True when made (or already there).
    bool Create(QWidget* owner);
    // Shows it and brings it to the top again.
    void Show() override;
    void Hide() override;
    // Hides and destroys the window when there is one.
    void Destroy();
    // The window's title; null: an empty one.
    void SetText(const char* text) override;
    // Limits clamped to 16 bits (0 to 65535); the bar goes back to low.
    void SetRange(int low, int high) override;
    void SetStep(int step) override;
    // Advances by the step, never past either end of the range. The window
    // is drawn again when the bar has moved by a hundredth of its range:
    // a load steps it once per record, 100,000 times for a large library.
    void StepIt() override;

    QDialog* Window() const { return window_; }
    QProgressBar* Bar() const;

private:
    void Repaint();

    QPointer<QDialog> window_;
    QPointer<QProgressBar> bar_;
    int step_ = 1;
};

// The window made at start-up, which shows the drive library's set-up and
// then the Library page's first load, whose end destroys it; null when the
// program has none.
void SetStartupProgressWindow(CProgressWindow* window);
CProgressWindow* StartupProgressWindow();
