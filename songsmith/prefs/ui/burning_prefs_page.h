#pragma once
// CBurningPrefsPage: the preferences dialog's Burning CDs page: the CD
// writer among the drives, three of the writer's drive settings, eject and
// sound at the end of a burn, and the settings that shape how a session is
// converted (incomplete songs, loudness, silence trims) and which disc size
// it is measured against.
//
// While a burn runs every control is disabled, and confirming keeps the
// writer and its drive settings: the burn is using them.

#include <array>
#include <initializer_list>
#include <vector>

#include "songsmith/prefs/ui/prefs_page.h"

class CPreferences;
class IBurnerDrives;
class PLATTER_CDevice;
class QCheckBox;
class QComboBox;
class QRadioButton;
struct TPrefsContext;

class CBurningPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 263;
    static constexpr int kWriterText = 1268;
    static constexpr int kWriterList = 1269;
    static constexpr int kEject = 1270;
    static constexpr int kDisconnect = 1271;
    static constexpr int kAutoInsert = 1272;
    static constexpr int kSyncTransfer = 1273;
    static constexpr int kPlaySound = 1302;
    static constexpr int kWarnIncomplete = 1304;
    static constexpr int kWarnText = 1305;
    static constexpr int kWarnPercentList = 1306;
    static constexpr int kWarnPercentText = 1307;
    static constexpr int kMandatoryOnly = 1308;
    static constexpr int kNormalize = 1309;
    static constexpr int kNormalizeList = 1310;
    static constexpr int kNormalizePercentText = 1311;
    static constexpr int kNormalizeText1 = 1312;
    static constexpr int kToLoudest = 1313;
    static constexpr int kNormalizeText2 = 1314;
    static constexpr int kToFull = 1315;
    static constexpr int kTrim = 1316;
    static constexpr int kTrimText1 = 1317;
    static constexpr int kTrimList = 1318;
    static constexpr int kTrimText2 = 1319;
    static constexpr int kSizeGroup = 1398;
    static constexpr int kAutoDetectSize = 1399;
    static constexpr int kUseSize = 1400;
    static constexpr int kSizeList = 1401;
    static constexpr int kSizeText = 1402;

    // The rows of the lists: 0 to 100 percent, 0 to 99 percent, 0 to 200
    // seconds, and the disc sizes in minutes.
    static constexpr int kWarnPercentRows = 101;
    static constexpr int kNormalizeRows = 100;
    static constexpr int kTrimRows = 201;
    static constexpr std::array<int, 3> kDiscMinutes = {21, 74, 80};
    static constexpr int kDefaultDiscMinutes = 74;
    // The row chosen when no row of the list holds the stored percentage.
    static constexpr int kWarnPercentFallbackRow = 9;

    using CPrefsPage::CPrefsPage;

    void OnCommand(QWidget* window, int control, int code) override;
    void OnInitDialog(QWidget* window) override;
    bool Apply() override;
    void Show(bool show) override;

private:
    // One of the writer's drive settings and its box; readable tells whether
    // the writer had it when the page opened.
    struct TDriveSetting {
        QCheckBox* box = nullptr;
        bool readable = false;
    };

    const TPrefsContext& Context() const;
    CPreferences& Prefs() const;
    bool BurnRunning() const;
    void CreateControls(QWidget* window);
    void ShowValues();
    void FillWriters();
    void ShowDriveSettings();
    void EnableControls(std::initializer_list<int> ids, bool on);
    // Each switch's group is enabled only while it is on.
    void EnableWarnGroup();
    void EnableNormalizeGroup();
    void EnableTrimGroup();
    void EnableSizeList();
    // Every control of the page; a burn keeps them still.
    void DisableAll();

    // The writer chosen, stored in the preferences; true when it changed.
    bool ApplyWriter();
    // True when a drive setting was written (the computer must restart).
    bool ApplyDriveSettings();
    void ApplyConversionSettings();
    void AskForRestart();

    // The writers offered, in the order of the list's rows; the drive
    // library owns them.
    std::vector<PLATTER_CDevice*> writers_;
    std::array<TDriveSetting, 3> settings_{};

    QComboBox* writerList_ = nullptr;
    QCheckBox* eject_ = nullptr;
    QCheckBox* playSound_ = nullptr;
    QCheckBox* warn_ = nullptr;
    QComboBox* warnPercent_ = nullptr;
    QCheckBox* mandatory_ = nullptr;
    QCheckBox* normalize_ = nullptr;
    QComboBox* normalizePercent_ = nullptr;
    QRadioButton* toLoudest_ = nullptr;
    QRadioButton* toFull_ = nullptr;
    QCheckBox* trim_ = nullptr;
    QComboBox* trimSeconds_ = nullptr;
    QRadioButton* autoDetect_ = nullptr;
    QRadioButton* useSize_ = nullptr;
    QComboBox* sizeList_ = nullptr;
};
