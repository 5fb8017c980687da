#pragma once
// CMP3SettingsDlg: the MP3 settings of ripped songs: the encoder library,
// the quality preset on a slider, variable bit rate and the tag kind. It
// works on a conversion target made for MP3 and on a converter of the chosen
// encoder, through the engine's settings helpers. OK writes the four
// "FormatMP3..." preferences at once.

#include <QPointer>
#include <memory>

#include "songsmith/dialogs/ui/settings_controls.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_types.h"
#include "tonecore/convert/mp3_settings_helpers.h"

class CConv2FileObj;
class CConv2MP3;
class CFormatDialogFrame;
class CLinkControl;
class CPreferences;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QWidget;

class CMP3SettingsDlg {
public:
    static constexpr int kDialogId = 211;
    static constexpr int kEncoderText = 1144;
    static constexpr int kEncoderList = 1077;
    static constexpr int kPresetText = 1396;
    static constexpr int kBestQuality = 1129;
    static constexpr int kLargestSize = 1126;
    static constexpr int kWorstQuality = 1128;
    static constexpr int kSmallestSize = 1127;
    static constexpr int kPresetName = 1130;
    static constexpr int kPresetFormat = 1122;
    static constexpr int kPresetSlider = 1125;
    static constexpr int kVarBitRate = 1394;
    static constexpr int kTagText = 1117;
    static constexpr int kTagList = 1118;
    static constexpr int kThanks = 1163;
    static constexpr int kLink = 1162;

    // The web page of the encoder project the dialog thanks.
    static constexpr const char* kEncoderProjectUrl = "https://lame.sourceforge.io/";

    explicit CMP3SettingsDlg(CPreferences& prefs);
    ~CMP3SettingsDlg();
    CMP3SettingsDlg(const CMP3SettingsDlg&) = delete;
    CMP3SettingsDlg& operator=(const CMP3SettingsDlg&) = delete;

    // Runs the dialog over parent; 1 after OK, 2 after Cancel, 0 when closed.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog(CFormatDialogFrame& dialog);
    void CreateControls(CFormatDialogFrame& dialog);
    void OnPresetMoved();
    void OnEncoderChanged();
    void OnOk();
    CConv2MP3* Converter() const;
    // The refreshed preset controls, for an encoder change.
    TMP3PresetControls PresetControls();

    CPreferences& prefs_;
    CConv2FileFormat format_;
    _tMP3EncoderDllTypedef encoder_;
    CConv2FileObj* conv_ = nullptr;

    QPointer<CFormatDialogFrame> dialog_;
    QComboBox* encoders_ = nullptr;
    QComboBox* tags_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* presetName_ = nullptr;
    QLabel* presetFormat_ = nullptr;
    QCheckBox* varBitRate_ = nullptr;
    CLinkControl* link_ = nullptr;
    std::unique_ptr<CComboChoiceList> encoderList_;
    std::unique_ptr<CComboChoiceList> tagList_;
    std::unique_ptr<CSliderRange> presetSlider_;
    std::unique_ptr<CTextField> presetNameText_;
    std::unique_ptr<CTextField> presetFormatText_;
};
