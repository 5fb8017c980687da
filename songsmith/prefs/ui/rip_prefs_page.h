#pragma once
// CRipPrefsPage: the preferences dialog's Rip page: where and how the CD
// pages rip tracks: the folder and the parts of the file names, read speed,
// jitter correction, what to do with a part of the disc that cannot be read,
// whether ripped songs stay as song files, and their format, whose settings
// its Settings button opens. The format dialogs act at once; the page's own
// controls reach the preferences when the dialog is confirmed.

#include <array>
#include <functional>

#include "songsmith/prefs/ui/prefs_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

class CRipPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 262;
    static constexpr int kFolderText = 1338;
    static constexpr int kFolder = 1002;
    static constexpr int kChange = 1358;
    static constexpr int kArtistFolder = 1274;
    static constexpr int kUseArtist = 1275;
    static constexpr int kUseAlbum = 1276;
    static constexpr int kUseTrack = 1277;
    static constexpr int kSignal = 1279;
    static constexpr int kSpeedText = 1380;
    static constexpr int kSpeedList = 1379;
    static constexpr int kJitterText = 1376;
    static constexpr int kJitterAuto = 1377;
    static constexpr int kJitterOn = 1378;
    static constexpr int kJitterOff = 1013;
    static constexpr int kErrorText = 1375;
    static constexpr int kErrorIgnore = 1373;
    static constexpr int kErrorRetry = 1374;
    static constexpr int kErrorAbort = 1012;
    static constexpr int kRetries = 1381;
    static constexpr int kRetriesText = 1383;
    static constexpr int kDestFrame = 1424;
    static constexpr int kDestTemp = 1422;
    static constexpr int kDestPerm = 1423;
    static constexpr int kFormatText = 1339;
    static constexpr int kFormatList = 1278;
    static constexpr int kSettings = 1389;
    static constexpr int kRipOnFly = 1500;

    // Song formats by their wave format tag.
    static constexpr int kFormatMP3 = 85;
    static constexpr int kFormatWave = 1;
    static constexpr int kFormatWMA = 353;

    // The read speeds offered, each with the value "RipSpeed" keeps.
    struct TSpeed {
        const char* text;
        int value;
    };
    static constexpr std::array<TSpeed, 20> kSpeeds = {{
        {"Max", 255}, {"1x", 0},   {"2x", 1},   {"4x", 2},   {"6x", 3},   {"8x", 4},   {"10x", 5},
        {"12x", 6},   {"14x", 7},  {"16x", 8},  {"18x", 9},  {"20x", 10}, {"24x", 11}, {"28x", 12},
        {"32x", 13},  {"36x", 14}, {"40x", 15}, {"48x", 16}, {"52x", 17}, {"72x", 18},
    }};

    // ripping tells whether a CD page rips now; without it the page asks
    // the main window's tab pane.
    explicit CRipPrefsPage(CPrefsDialog& owner, std::function<bool()> ripping = {});

    void OnCommand(QWidget* window, int control, int code) override;
    void OnInitDialog(QWidget* window) override;
    // False, with a warning and nothing stored, when the folder is too long
    // to be kept.
    bool Apply() override;
    void Show(bool show) override;

    // The song format the format list stands for while temporary wave files
    // show WAVE in it.
    int WorkingFormat() const { return workingFormat_; }

private:
    void CreateControls(QWidget* window);
    void FillLists();
    void ShowStoredValues();
    void EnableOnOpening();
    bool CdPageRips() const;
    // Retries are asked for only when the page retries.
    void EnableRetries();
    // Temporary wave files show WAVE; song files the working format, which
    // can then be changed.
    void ShowDestination();
    void ChooseFolder();
    void OpenFormatSettings();

    std::function<bool()> ripping_;
    int workingFormat_ = kFormatMP3;

    QLineEdit* folder_ = nullptr;
    QCheckBox* artistFolder_ = nullptr;
    QCheckBox* useArtist_ = nullptr;
    QCheckBox* useAlbum_ = nullptr;
    QCheckBox* useTrack_ = nullptr;
    QCheckBox* signal_ = nullptr;
    QComboBox* speeds_ = nullptr;
    QButtonGroup* jitter_ = nullptr;
    QButtonGroup* errors_ = nullptr;
    QRadioButton* errorRetry_ = nullptr;
    QLineEdit* retries_ = nullptr;
    QRadioButton* destTemp_ = nullptr;
    QRadioButton* destPerm_ = nullptr;
    QComboBox* formats_ = nullptr;
    QCheckBox* ripOnFly_ = nullptr;
};
