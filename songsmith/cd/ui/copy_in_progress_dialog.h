#pragma once
// CCopyInProgressDlg: the question asked when the program is closed while a
// CD page rips: stop the copy and quit (Yes), or keep ripping (No), with a
// box that stops the question from being asked again ("RipConfirmQuit").

#include "songsmith/dialogs/ui/small_dialog.h"

class CPreferences;

class CCopyInProgressDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 275;
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;
    static constexpr int kDontAsk = 1386;
    static constexpr int kFirstText = 1387;
    static constexpr int kSecondText = 1388;

    explicit CCopyInProgressDlg(CPreferences& prefs) : prefs_(prefs) {}

    // Yes and No end the dialog with their ids and store the box's state;
    // Escape and the close box end it with 0 and store nothing.
    void OnCommand(int id) override;
    void OnEscape() override { OnClose(); }

protected:
    void OnInitDialog(QDialog& dialog) override;

private:
    CPreferences& prefs_;
};
