#pragma once
// The program's own message box: a text beside an icon, one to three
// buttons, and a "do not ask this again" check box, chosen by the flags of
// platform/message_box.h and kMessageBoxDontAskAgain. The box grows with its
// text.

#include "songsmith/app/ui_services.h"

class QDialog;
class QWidget;

class CMessageBox {
public:
    explicit CMessageBox(TMessageRequest request);

    // Runs the box modally over owner (null: over nothing, centred on the
    // screen) and returns how the user left it.
    TMessageAnswer DoModal(QWidget* owner);

    // The dialog's events: opening, a click on one of the four buttons, and
    // the close request (close button, Escape).
    void OnInitDialog(QDialog& dialog, QWidget* owner);
    void OnButton(int id);
    void OnClose();

private:
    // The opening steps, in their order.
    void SetTexts(QDialog& dialog);
    int GrowText(QDialog& dialog);
    int PlaceCheckBox(QDialog& dialog, int growth);
    void SetIcon(QDialog& dialog);
    void ShowButtons(QDialog& dialog, int growth);
    // Ends the box with id, keeping the check box as the user left it.
    void End(int id);

    TMessageRequest request_;
    QDialog* dialog_ = nullptr;
    TMessageAnswer answer_;
};
