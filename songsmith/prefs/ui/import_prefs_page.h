#pragma once
// CImportPrefsPage: the preferences dialog's Importing page: which song
// files the library import takes (MP3, WAVE, WMA, each with a shortest
// length), where it searches (favourite folders, the desktop, the rest of
// the computer, network drives) and the folders it never searches. The
// favourite folders are edited in their own dialog (View Favorites).
//
// Dropping favourites inside a new exclusion acts on the preferences at
// once; everything else waits for Apply.

#include <array>
#include <string>

#include "songsmith/prefs/ui/prefs_page.h"

class CPreferences;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

class CImportPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 265;
    static constexpr int kTitleText = 1336;
    static constexpr int kMp3 = 1282;
    static constexpr int kWav = 1283;
    static constexpr int kWma = 1284;
    static constexpr int kMp3Length = 1285;
    static constexpr int kWavLength = 1286;
    static constexpr int kWmaLength = 1287;
    static constexpr int kPlacesText = 1337;
    static constexpr int kViewFavorites = 1488;
    static constexpr int kFavorites = 1487;
    static constexpr int kDesktop = 1485;
    static constexpr int kRest = 1486;
    static constexpr int kNetwork = 1490;
    static constexpr int kExclusionsText = 1489;
    static constexpr int kExclusions = 1338;
    static constexpr int kAdd = 1295;
    static constexpr int kRemove = 1296;

    using CPrefsPage::CPrefsPage;

    void OnCommand(QWidget* window, int control, int code) override;
    void OnInitDialog(QWidget* window) override;
    bool Apply() override;
    void Show(bool show) override;

protected:
    // Whether the engine can handle WMA files; without it the WMA box stays
    // off and disabled.
    virtual bool WmaAllowed() const;
    // Whether the Library tab imports now; the page is then read-only.
    virtual bool LibraryImporting() const;

private:
    // One song format: its box, its length list and its preferences.
    struct TFormat {
        int box;
        int lengths;
        const char* text;
        int CPreferences::*on;
        int CPreferences::*shortest;
    };
    static const std::array<TFormat, 3> kFormats;

    CPreferences& Prefs() const;
    void CreateControls(QWidget* window);
    void ShowValues();
    void OnFormatClicked(int box);
    void OnDesktopClicked();
    void OnAdd();
    void OnRemove();
    void EnableRemove();

    std::array<QCheckBox*, 3> formatBoxes_{};
    std::array<QComboBox*, 3> lengthLists_{};
    QCheckBox* favorites_ = nullptr;
    QPushButton* viewFavorites_ = nullptr;
    QCheckBox* desktop_ = nullptr;
    QCheckBox* rest_ = nullptr;
    QCheckBox* network_ = nullptr;
    QListWidget* exclusions_ = nullptr;
    QPushButton* remove_ = nullptr;
    // The folder last chosen with Add, where the next choice starts.
    std::string lastFolder_;
};
