#pragma once
// CSessionListPane: the pane of the main window that shows the session list
// (songsmith/core/session_list.h), one row per track.

#include <QPointer>
#include <QWidget>

#include "songsmith/app_message_router.h"

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
    // The session list's window for the program's messages (track changes,
    // play states, the loader's passes): handler takes them while the pane
    // lives.
    void SetMessageHandler(CAppMessageReceiver::THandler handler);

private:
    QPointer<QWidget> window_;
    QPointer<CAppMessageReceiver> receiver_;
};
