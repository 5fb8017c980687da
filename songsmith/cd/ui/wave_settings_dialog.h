#pragma once
// CWaveSettingsDlg: the WAVE settings of ripped songs: CD quality, or a
// sample rate, mode and sample size of the user's; and whether the files get
// tags. OK writes the "FormatWAV..." preferences at once.

#include <QPointer>
#include <memory>

#include "songsmith/dialogs/ui/settings_controls.h"
#include "tonecore/convert/conv2file_format.h"

class CFormatDialogFrame;
class CPreferences;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QWidget;

class CWaveSettingsDlg {
public:
    static constexpr int kDialogId = 276;
    static constexpr int kCdQuality = 1387;
    static constexpr int kUserSpecified = 1388;
    static constexpr int kWhyCdQuality = 1146;
    static constexpr int kRateText = 1096;
    static constexpr int kRateList = 1097;
    static constexpr int kModeText = 1098;
    static constexpr int kStereo = 1099;
    static constexpr int kMono = 1110;
    static constexpr int kBitsText = 1113;
    static constexpr int kBits16 = 1114;
    static constexpr int kBits8 = 1115;
    static constexpr int kUseTags = 1395;

    explicit CWaveSettingsDlg(CPreferences& prefs);
    ~CWaveSettingsDlg();
    CWaveSettingsDlg(const CWaveSettingsDlg&) = delete;
    CWaveSettingsDlg& operator=(const CWaveSettingsDlg&) = delete;

    // Runs the dialog over parent; 1 after OK, 2 after Cancel, 0 when closed.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog(CFormatDialogFrame& dialog);
    void CreateControls(CFormatDialogFrame& dialog);
    // CD quality enables its explanation, the user's choice its controls.
    void EnableQualityControls(bool cdQuality);
    void OnOk();

    CPreferences& prefs_;
    CConv2FileFormat format_;

    QPointer<CFormatDialogFrame> dialog_;
    QRadioButton* cdQuality_ = nullptr;
    QRadioButton* userSpecified_ = nullptr;
    QComboBox* rates_ = nullptr;
    QRadioButton* stereo_ = nullptr;
    QRadioButton* mono_ = nullptr;
    QRadioButton* bits16_ = nullptr;
    QRadioButton* bits8_ = nullptr;
    QCheckBox* useTags_ = nullptr;
    std::unique_ptr<CComboChoiceList> rateList_;
};
