#pragma once
// CPlayerPanel: the song player's controls in the left part of the main
// window's bottom band.

#include <QPointer>
#include <QWidget>

class CPlayerPanel {
public:
    // Its template's height, and the width it never gets less of.
    static constexpr int kHeight = 85;
    static constexpr int kMinWidth = 225;

    CPlayerPanel() = default;
    ~CPlayerPanel();
    CPlayerPanel(const CPlayerPanel&) = delete;
    CPlayerPanel& operator=(const CPlayerPanel&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int Height() const { return kHeight; }
    int GetMinWidth() const { return kMinWidth; }

private:
    QPointer<QWidget> window_;
};
