#pragma once
// CLogoPanel: the program's logo and the burn progress picture in the right
// part of the main window's bottom band.

#include <QPointer>
#include <QWidget>

class CLogoPanel {
public:
    static constexpr int kMinWidth = 200;

    CLogoPanel() = default;
    ~CLogoPanel();
    CLogoPanel(const CLogoPanel&) = delete;
    CLogoPanel& operator=(const CLogoPanel&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int GetMinWidth() const { return kMinWidth; }

private:
    QPointer<QWidget> window_;
};
