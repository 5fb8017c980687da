#pragma once
// Controls of a dialog by identifier. Every control that the program refers
// to by number carries that number as its objectName.

class QWidget;

// The control of dialog (at any depth) with that identifier; null when there
// is none.
QWidget* GetDialogControl(QWidget* dialog, int id);

// Enables or disables each listed control of the dialog; missing ones are
// passed over.
void EnableZeControls(QWidget* dialog, const int* ids, int count, bool enable);
// Shows or hides each listed control of the dialog; missing ones are passed
// over.
void ShowZeControls(QWidget* dialog, const int* ids, int count, bool show);
