#pragma once
// CGeneralPrefsPage: the preferences dialog's General page: toolbar button
// size, the log file, the CD writing engine with its private log, and the
// program's own drive access. A new engine or drive access only takes effect
// at the next start, so it is stored only when the user agrees to close the
// program now.

#include "songsmith/prefs/ui/prefs_page.h"

class QCheckBox;
class QRadioButton;

class CGeneralPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 264;
    static constexpr int kSmallToolbar = 1301;
    static constexpr int kLogOn = 1303;
    static constexpr int kEngineText = 1482;
    static constexpr int kZent = 1483;
    static constexpr int kGoldenHawk = 1484;
    static constexpr int kZentLogging = 1507;
    static constexpr int kOwnDriveAccess = 1436;

    using CPrefsPage::CPrefsPage;

    void OnCommand(QWidget* window, int control, int code) override;
    void OnInitDialog(QWidget* window) override;
    bool Apply() override;
    void Show(bool show) override;

private:
    void CreateControls(QWidget* window);
    // The engine radios and the drive-access box as the page opened.
    void ShowEngineInUse();
    // The Zent log box goes with the Zent engine, drive access with the other.
    void EnableCrosswise();
    bool ZentInUse() const;
    void ApplyToolbarSize();
    void ApplyLogging();
    void ApplyEngineAndAccess();
    void ApplyZentLogging();

    QCheckBox* small_ = nullptr;
    QCheckBox* log_ = nullptr;
    QRadioButton* zent_ = nullptr;
    QRadioButton* goldenHawk_ = nullptr;
    QCheckBox* zentLogging_ = nullptr;
    QCheckBox* ownAccess_ = nullptr;
};
