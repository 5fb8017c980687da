#pragma once
// The Library page's questions about the library itself: what emptying its
// trash does with the song files, whether to start over with a library that
// did not finish loading, and whether to delete a library folder that has
// become empty.

#include <cstdint>
#include <string>

#include "songsmith/dialogs/ui/small_dialog.h"

class CPreferences;

// Emptying the trash: 0 the song files go to the desktop's trash, 1 they
// stay and the user is shown how to keep them out of later imports, 2 only
// the songs leave the library. OK stores the choice.
class CEmptyTrashDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 257;
    static constexpr int kDeleteFiles = 1437;
    static constexpr int kKeepFiles = 1438;
    static constexpr int kLibraryOnly = 1012;
    static constexpr int kText1 = 1439;
    static constexpr int kText2 = 1440;

    explicit CEmptyTrashDlg(int& choice) : choice_(choice) {}

protected:
    void OnInitDialog(QDialog& dialog) override;
    void OnOk() override;

private:
    int& choice_;
};

// The library did not finish loading last time. OK answers 1 (delete the
// library and start over; the song files stay) or 0 (try loading it
// again); Cancel and the close box leave the answer as it was.
class CCorruptLibraryDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 279;
    static constexpr int kStartOver = 1465;
    static constexpr int kTryAgain = 1466;
    static constexpr int kLabel1 = 1463;
    static constexpr int kLabel2 = 1464;
    static constexpr int kLabel3 = 1467;
    static constexpr int kLabel4 = 1468;

    std::int32_t Answer() const { return answer_; }
    // The caller's starting value (0).
    void SetAnswer(std::int32_t answer) { answer_ = answer; }

protected:
    void OnInitDialog(QDialog& dialog) override;
    // No page is up yet while the library loads: the middle of the screen.
    void Place(QDialog& dialog, QWidget* owner) override;
    void OnOk() override;

private:
    std::int32_t answer_ = 0;
};

// An artist, album or genre folder of the library has become empty: Yes
// (6) deletes it and, with the box ticked, makes that the standing answer
// ("ImportDelEmptyFolder"); No (7) keeps it and leaves the preference;
// closing gives 0.
class CDeleteEmptyFolderDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 274;
    static constexpr int kText = 1194;
    static constexpr int kAlways = 1385;
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;
    // The question's length limit, terminator included.
    static constexpr std::size_t kTextBytes = 1024;

    // kind: "Artist", "Album" or "Genre"; folder: the folder's name.
    CDeleteEmptyFolderDlg(CPreferences& prefs, std::string kind, std::string folder)
        : prefs_(prefs), kind_(std::move(kind)), folder_(std::move(folder)) {}

    void OnCommand(int id) override;
    // Without a Cancel button, Escape closes the question.
    void OnEscape() override { OnClose(); }

protected:
    void OnInitDialog(QDialog& dialog) override;

private:
    CPreferences& prefs_;
    std::string kind_;
    std::string folder_;
};
