#pragma once
// CImportOptionsDlg: the question the Library page asks before the first
// library import: which kinds of song files to take, the shortest length of
// each, and folders to leave out. Start Search stores the choices in the
// import preferences and ends with 1; Cancel and the close box end with 2
// and change nothing.

#include <array>
#include <string>

#include "platform/message_box.h"
#include "songsmith/dialogs/ui/small_dialog.h"

class CPreferences;
class QComboBox;
class QListWidget;

class CImportOptionsDlg : public CSmallDialog {
public:
    static constexpr int kDialogId = 278;
    static constexpr int kPicture = 1460;
    static constexpr int kLabel1 = 1442;
    static constexpr int kLabel2 = 1457;
    static constexpr int kLabel3 = 1443;
    static constexpr int kLabel7 = 1444;
    static constexpr int kLabel8 = 1461;
    static constexpr int kLabel9 = 1462;
    static constexpr int kMp3 = 1445;
    static constexpr int kMp3Length = 1447;
    static constexpr int kWav = 1448;
    static constexpr int kWavLength = 1450;
    static constexpr int kWma = 1451;
    static constexpr int kWmaLength = 1453;
    static constexpr int kFolders = 1454;
    static constexpr int kAdd = 1455;
    static constexpr int kRemove = 1456;

    explicit CImportOptionsDlg(CPreferences& prefs);

    void OnCommand(int id) override;
    void OnClose() override { End(IDCANCEL); }

protected:
    void OnInitDialog(QDialog& dialog) override;
    void Place(QDialog& dialog, QWidget* owner) override;
    void OnOk() override;

private:
    // One kind of song file: its box, its length list and its preferences.
    struct TKind {
        int box;
        int lengths;
        const char* textKey;
        int CPreferences::*on;
        int CPreferences::*shortest;
    };
    static const std::array<TKind, 3> kKinds;

    void OnKindClicked(std::size_t kind);
    void OnAdd();
    void OnRemove();
    void EnableRemove();
    QListWidget* Folders() const;

    CPreferences& prefs_;
    // Whether each kind is taken, flipped by its box.
    std::array<bool, 3> on_{};
    // The folder last chosen with Add, where the next choice starts.
    std::string lastFolder_;
};
