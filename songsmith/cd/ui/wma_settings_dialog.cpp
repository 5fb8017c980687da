#include "songsmith/cd/ui/wma_settings_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

#include "songsmith/prefs/preferences.h"
#include "songsmith/cd/ui/format_dialog_frame.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/convert/conv2file_types.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/wma_settings_helpers.h"
#include "utilities/ui/dialog_controls.h"

namespace {

// Every control but the buttons: none of them means anything without WMA
// conversion.
constexpr int kControls[] = {CWMASettingsDlg::kUseTags,      CWMASettingsDlg::kPresetSlider,
                             CWMASettingsDlg::kPresetText,   CWMASettingsDlg::kBestQuality,
                             CWMASettingsDlg::kLargestSize,  CWMASettingsDlg::kWorstQuality,
                             CWMASettingsDlg::kSmallestSize};

// Layout (pixels).
constexpr int kWidth = 400;
constexpr int kHeight = 214;
constexpr int kLeft = 12;
constexpr int kInner = kWidth - 2 * kLeft;
constexpr int kRow = 22;
constexpr int kTextBytes = 512;

}  // namespace

CWMASettingsDlg::CWMASettingsDlg(CPreferences& prefs) : prefs_(prefs), format_(WAVE_FORMAT_PCM) {
    format_.preset = prefs.FormatWMAQuality;
    format_.nSamplesPerSec = static_cast<std::uint32_t>(prefs.FormatWMASampleRate);
    format_.nChannels = static_cast<std::uint16_t>(prefs.FormatWMAChannels);
    format_.wBitsPerSample = static_cast<std::uint16_t>(prefs.FormatWMABitRate);
}

CWMASettingsDlg::~CWMASettingsDlg() { delete dialog_.data(); }

int CWMASettingsDlg::DoModal(QWidget* parent) {
    return CFormatDialogFrame::Run(dialog_, parent, kDialogId, ProgString("PREFWMA_Title"), QSize(kWidth, kHeight),
                                   [this] { OnOk(); }, [this](CFormatDialogFrame& dialog) { OnInitDialog(dialog); });
}

void CWMASettingsDlg::CreateControls(CFormatDialogFrame& dialog) {
    auto* caption =
        AddDialogControl<QLabel>(&dialog, kPresetCaption, ToneCoreText("IDS_PRESET_QUALITY"), kLeft, 12, 0, kRow);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int textLeft = kLeft + caption->width() + 8;
    presetText_ = AddDialogControl<QLabel>(&dialog, kPresetText, QString(), textLeft, 12, kLeft + kInner - textLeft,
                                           2 * kRow);
    presetText_->setWordWrap(true);
    presetText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    slider_ = AddPresetSlider(&dialog, {kPresetSlider, kWorstQuality, kSmallestSize, kBestQuality, kLargestSize},
                              kLeft, 60, kInner);
    useTags_ = AddDialogControl<QCheckBox>(&dialog, kUseTags, ProgString("PREFWMA_UseTags"), kLeft, 138, 0, kRow);
    presetSlider_ = std::make_unique<CSliderRange>(slider_, [this] { OnPresetMoved(); });
    presetTextField_ = std::make_unique<CTextField>(presetText_);
}

void CWMASettingsDlg::OnInitDialog(CFormatDialogFrame& dialog) {
    CreateControls(dialog);
    const bool allowed = ConversionToWMAAllowed() != 0;
    if (allowed) InitWMAPresetSlider(presetSlider_.get(), &format_);
    ShowPreset();
    // The box keeps showing the stored choice while it is disabled, so
    // confirming the dialog without WMA conversion does not clear it.
    useTags_->setChecked(prefs_.FormatWMAUseTags != 0 && format_.tagType != 0);
    if (!allowed) EnableZeControls(&dialog, kControls, static_cast<int>(std::size(kControls)), false);
}

void CWMASettingsDlg::ShowPreset() {
    char buffer[kTextBytes];
    // The preset's name and then its settings go to the one text, which
    // keeps the settings.
    SetWMAPresetString(presetTextField_.get(), presetTextField_.get(), buffer, sizeof buffer, &format_);
}

void CWMASettingsDlg::OnPresetMoved() {
    const std::int32_t before = format_.preset;
    GetWMAPresetValue(presetSlider_.get(), &format_);
    if (format_.preset != before) ShowPreset();
}

void CWMASettingsDlg::OnOk() {
    const _tTagTypedef tag = useTags_->isChecked() ? TAG_TYPE_WMA_ATTRIBUTES : TAG_TYPE_NONE;
    prefs_.FormatWMAUseTags = useTags_->isChecked() ? 1 : 0;
    GetFormatFromPreset(&format_, format_.preset, tag);
    prefs_.FormatWMAQuality = format_.preset;
    prefs_.FormatWMASampleRate = static_cast<int>(format_.nSamplesPerSec);
    prefs_.FormatWMAChannels = format_.nChannels;
    prefs_.FormatWMABitRate = format_.wBitsPerSample;
    dialog_->done(1);
}
