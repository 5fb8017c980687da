#pragma once
// CStatusBar: the line of text at the bottom of the main window. Any thread
// may give it a text; the text travels as a copy in a posted message, so a
// worker never shares a buffer with the window, and the text posted last is
// the one shown last.

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <memory>
#include <string>

#include "songsmith/app/app_message.h"

class CAppMessageReceiver;

inline constexpr int kStatusBarId = 721;

class CStatusBar {
public:
    CStatusBar();
    ~CStatusBar();
    CStatusBar(const CStatusBar&) = delete;
    CStatusBar& operator=(const CStatusBar&) = delete;

    // With create 0 does nothing (false). Otherwise makes the status bar of
    // parent with the text "Ready".
    bool Create(QMainWindow* parent, int create);
    // One part only: nothing to re-lay after a resize.
    void SetParts(int width);
    // Show text, from any thread: general texts and the burn controller's
    // state texts.
    void PostText(const char* text);
    void SetStateText(const char* text);

    QStatusBar* Window() const { return window_; }
    // The text shown now.
    std::string Text() const;
    int Height() const;

private:
    std::intptr_t OnMessage(TAppMessage& message);

    QPointer<QStatusBar> window_;
    QPointer<QLabel> part_;
    // Lives as long as the object, so texts posted before the window exists
    // or after it is gone are dropped safely.
    std::unique_ptr<CAppMessageReceiver> receiver_;
};
