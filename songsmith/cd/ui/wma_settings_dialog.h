#pragma once
// CWMASettingsDlg: the WMA settings of ripped songs: a quality preset on a
// slider among those the media module's encoder offers, and whether the
// files get tags. Without WMA conversion its controls are disabled. OK
// writes the "FormatWMA..." preferences at once.

#include <QPointer>
#include <memory>

#include "songsmith/dialogs/ui/settings_controls.h"
#include "tonecore/convert/conv2file_format.h"

class CFormatDialogFrame;
class CPreferences;
class QCheckBox;
class QLabel;
class QSlider;
class QWidget;

class CWMASettingsDlg {
public:
    static constexpr int kDialogId = 284;
    static constexpr int kPresetSlider = 1125;
    static constexpr int kPresetText = 1122;
    // The caption left of the preset's text.
    static constexpr int kPresetCaption = 1396;
    static constexpr int kBestQuality = 1131;
    static constexpr int kLargestSize = 1499;
    static constexpr int kWorstQuality = 1498;
    static constexpr int kSmallestSize = 1130;
    static constexpr int kUseTags = 1116;

    explicit CWMASettingsDlg(CPreferences& prefs);
    ~CWMASettingsDlg();
    CWMASettingsDlg(const CWMASettingsDlg&) = delete;
    CWMASettingsDlg& operator=(const CWMASettingsDlg&) = delete;

    // Runs the dialog over parent; 1 after OK, 2 after Cancel, 0 when closed.
    int DoModal(QWidget* parent);

private:
    void OnInitDialog(CFormatDialogFrame& dialog);
    void CreateControls(CFormatDialogFrame& dialog);
    void ShowPreset();
    void OnPresetMoved();
    void OnOk();

    CPreferences& prefs_;
    CConv2FileFormat format_;

    QPointer<CFormatDialogFrame> dialog_;
    QSlider* slider_ = nullptr;
    QLabel* presetText_ = nullptr;
    QCheckBox* useTags_ = nullptr;
    std::unique_ptr<CSliderRange> presetSlider_;
    std::unique_ptr<CTextField> presetTextField_;
};
