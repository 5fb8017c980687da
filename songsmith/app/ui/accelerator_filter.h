#pragma once
// The main window's accelerator keys, watched for the whole application:
// Ctrl with a letter of the table, pressed while the main window or one of
// its children has the focus and no modal dialog is open, runs its command
// and never reaches the focused widget. The standard editing keys (select
// all, copy, paste, cut, redo, undo) are a text field's own while one has
// the focus, as is everything in a modal dialog.

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

class CAcceleratorFilter final : public QObject {
public:
    // run: the command of a key; the filter lives as long as window.
    CAcceleratorFilter(QWidget* window, std::function<void(int command)> run);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The command of the key event for window; 0 when it is not one.
    int CommandOf(QObject* watched, QEvent* event) const;

    QPointer<QWidget> window_;
    std::function<void(int command)> run_;
};
