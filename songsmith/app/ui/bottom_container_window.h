#pragma once
// CBottomContainerWindow: the main window's bottom band, the player panel on
// the left and the logo panel on the right.

#include <QPointer>
#include <QWidget>
#include <memory>

class CLogoPanel;
class CPlayerPanel;

class CBottomContainerWindow {
public:
    CBottomContainerWindow();
    ~CBottomContainerWindow();
    CBottomContainerWindow(const CBottomContainerWindow&) = delete;
    CBottomContainerWindow& operator=(const CBottomContainerWindow&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    // The player panel gets the width the logo panel's width leaves, but at
    // least its own minimum; the logo panel takes the rest.
    void Move(int x, int y, int width, int height);
    int GetMinWidth() const;
    int Height() const;

    QWidget* Window() const { return window_; }
    CLogoPanel* Logo() const { return logo_.get(); }
    CPlayerPanel* Player() const { return player_.get(); }

private:
    QPointer<QWidget> window_;
    std::unique_ptr<CPlayerPanel> player_;
    std::unique_ptr<CLogoPanel> logo_;
};
