#pragma once
// The thin window of the burn and fader dialogs: a fixed-size modal QDialog
// that hands its events to the object that owns the dialog's behaviour.
// Escape, Cancel and the close box end it with 0; F1 asks for the focused
// control's help; painting goes to the owner after the window's own.

#include <QDialog>
#include <functional>

class QPainter;

class CBurnDialogWindow final : public QDialog {
public:
    struct THandlers {
        std::function<void()> help;
        // Empty: nothing drawn besides the controls.
        std::function<void(QPainter&)> paint;
    };

    CBurnDialogWindow(QWidget* parent, int id, QSize size, THandlers handlers);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    THandlers handlers_;
};
