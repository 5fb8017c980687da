#pragma once
// The thin window of the burn and fader dialogs: a fixed-size modal QDialog
// that hands its events to the object that owns the dialog's behaviour.
// Escape, Cancel and the close box end it with 0 unless the owner takes
// them; F1 asks for the focused control's help; painting goes to the owner
// after the window's own.

#include <QDialog>
#include <functional>

class QPainter;

class CBurnDialogWindow final : public QDialog {
public:
    struct THandlers {
        std::function<void()> help;
        // Empty: nothing drawn besides the controls.
        std::function<void(QPainter&)> paint;
        // Escape and the close box; empty: the dialog ends with 0.
        std::function<void()> close = nullptr;
        // The window was minimised; may be empty.
        std::function<void()> minimized = nullptr;
    };

    // owner: the object whose dialog this is, for OwnerOf.
    CBurnDialogWindow(QWidget* parent, int id, QSize size, THandlers handlers, void* owner = nullptr);

    // The owner of window when it is such a dialog with that id; null
    // otherwise.
    static void* OwnerOf(QWidget* window, int id);

    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    THandlers handlers_;
    void* owner_;
};
