#pragma once
// CSessionList: the pane of the main window that lists the session's tracks.

#include <QPointer>
#include <QWidget>

class CSessionList {
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMinHeight = 200;

    CSessionList() = default;
    ~CSessionList();
    CSessionList(const CSessionList&) = delete;
    CSessionList& operator=(const CSessionList&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int GetMinWidth() const { return kMinWidth; }
    int GetMinHeight() const { return kMinHeight; }

private:
    QPointer<QWidget> window_;
};
