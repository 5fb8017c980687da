#pragma once
// CLogoPanel: the program's logo and the burn progress picture in the right
// part of the main window's bottom band.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>

class CLogoPanel {
public:
    static constexpr int kMinWidth = 200;

    CLogoPanel();
    ~CLogoPanel();
    CLogoPanel(const CLogoPanel&) = delete;
    CLogoPanel& operator=(const CLogoPanel&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int GetMinWidth() const { return kMinWidth; }

    // What the panel draws (0 the logo, 1 a blank disc, 2 burn progress,
    // 4 a burnt disc) and the progress level; from any thread, the
    // repaint follows on the main thread.
    void SetMode(int mode);
    void SetLevel(int level);
    int Mode() const { return mode_.load(); }
    int Level() const { return level_.load(); }

private:
    void QueueRepaint();

    QPointer<QWidget> window_;
    std::atomic<int> mode_{0};
    std::atomic<int> level_{0};
    // Receives the queued repaints; repaints still queued when the panel
    // goes are dropped with it.
    std::unique_ptr<QObject> repaintTarget_;
};
