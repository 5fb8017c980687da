#pragma once
// CSessionListPane: the pane of the main window that shows the session list
// (songsmith/core/session_list.h), one row per track.

#include <QPointer>
#include <QWidget>

class CSessionListPane {
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMinHeight = 200;

    CSessionListPane() = default;
    ~CSessionListPane();
    CSessionListPane(const CSessionListPane&) = delete;
    CSessionListPane& operator=(const CSessionListPane&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int GetMinWidth() const { return kMinWidth; }
    int GetMinHeight() const { return kMinHeight; }

private:
    QPointer<QWidget> window_;
};
