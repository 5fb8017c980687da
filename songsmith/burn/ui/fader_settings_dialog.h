#pragma once
// CFaderSettingsDlg: how the session's tracks meet on the disc and in the
// player: straight after each other, separated by a gap of silence, or
// mixed (each overlapping the next, with fades). OK checks the lengths of
// the chosen kind and makes the edited settings the run's transition
// settings; Cancel and the close box change nothing.

#include <QPointer>
#include <cstdint>
#include <functional>

#include "songsmith/prefs/preference_records.h"

class CPreferences;
class QComboBox;
class QDialog;
class QWidget;

// What the dialog works on and whom it tells. Each function may be empty.
struct TFaderContext {
    CPreferences& prefs;
    // The Zent engine writes the discs: it mixes the tracks itself, so mixed
    // tracks need no converted files.
    bool zentEngine = false;
    // The song player finds where the next song starts anew.
    std::function<void()> queuePointChanged = nullptr;
    // The session list reckons and shows its totals again.
    std::function<void()> updateTotals = nullptr;
    // The session's converted files no longer match the settings.
    std::function<void()> conversionOutdated = nullptr;
};

class CFaderSettingsDlg {
public:
    static constexpr int kDialogId = 105;
    static constexpr int kNoSilence = 1014;
    static constexpr int kSeparate = 1011;
    static constexpr int kMix = 1012;
    static constexpr int kGapBox = 1013;
    static constexpr int kGapLabel = 1097;
    static constexpr int kOverlapLabel = 1101;
    static constexpr int kOverlapBox = 1015;
    static constexpr int kOverlapSecs = 1095;
    static constexpr int kFadeLabel = 1098;
    static constexpr int kFadeBox = 1016;
    static constexpr int kFadeSecs = 1096;

    explicit CFaderSettingsDlg(TFaderContext context);
    ~CFaderSettingsDlg();
    CFaderSettingsDlg(const CFaderSettingsDlg&) = delete;
    CFaderSettingsDlg& operator=(const CFaderSettingsDlg&) = delete;

    // Runs the dialog centred on the screen; 1 after OK, 0 otherwise.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog();
    void CreateControls();
    // The kind's radio button was chosen: its controls enabled, the others'
    // disabled.
    void OnKind(std::int32_t kind);
    void OnOk();
    // Reads one length box into value. A bad text is the user's error only
    // when the box belongs to the chosen kind: the error is shown and the
    // box shows value again. False after such an error.
    bool ReadLength(QComboBox* box, std::int32_t& value, std::int32_t ownKind,
                    const char* errorKey);
    void OnHelp();

    TFaderContext context_;
    QPointer<QDialog> dialog_;
    // The edited settings.
    std::int32_t kind_ = 0;
    std::int32_t gap_ = 0;
    std::int32_t overlap_ = 0;
    std::int32_t fade_ = 0;
    QComboBox* gapBox_ = nullptr;
    QComboBox* overlapBox_ = nullptr;
    QComboBox* fadeBox_ = nullptr;
};
