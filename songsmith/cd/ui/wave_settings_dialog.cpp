#include "songsmith/cd/ui/wave_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMetaObject>
#include <QRadioButton>

#include "songsmith/prefs/preferences.h"
#include "songsmith/cd/ui/format_dialog_frame.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/convert/conv2file_types.h"
#include "tonecore/convert/wave_settings_helpers.h"
#include "utilities/ui/dialog_controls.h"

namespace {

// What CD quality always stores, whatever the user's controls show.
constexpr std::int32_t kCdRate = 44100;
constexpr std::int32_t kCdChannels = 2;
constexpr std::int32_t kCdBits = 16;

// The controls of the user's own settings, which CD quality disables.
constexpr int kUserControls[] = {CWaveSettingsDlg::kRateText, CWaveSettingsDlg::kRateList,
                                 CWaveSettingsDlg::kModeText, CWaveSettingsDlg::kStereo,
                                 CWaveSettingsDlg::kMono,     CWaveSettingsDlg::kBitsText,
                                 CWaveSettingsDlg::kBits16,   CWaveSettingsDlg::kBits8};

// Layout (pixels).
constexpr int kWidth = 380;
constexpr int kHeight = 288;
constexpr int kLeft = 12;
constexpr int kIndent = 32;
constexpr int kFieldLeft = 160;
constexpr int kSecondLeft = 260;
constexpr int kRow = 22;
constexpr int kTextBytes = 512;

// Radio buttons in a group of their own: checking one unchecks the other.
QButtonGroup* Group(QWidget* parent, QAbstractButton* first, QAbstractButton* second) {
    auto* group = new QButtonGroup(parent);
    group->addButton(first);
    group->addButton(second);
    return group;
}

}  // namespace

CWaveSettingsDlg::CWaveSettingsDlg(CPreferences& prefs) : prefs_(prefs), format_(WAVE_FORMAT_PCM) {
    format_.SetSoundQuality(prefs.FormatWAVQuality);
    format_.nSamplesPerSec = static_cast<std::uint32_t>(prefs.FormatWAVSampleRate);
    format_.nChannels = static_cast<std::uint16_t>(prefs.FormatWAVChannels);
    format_.wBitsPerSample = static_cast<std::uint16_t>(prefs.FormatWAVBitRate);
}

CWaveSettingsDlg::~CWaveSettingsDlg() { delete dialog_.data(); }

int CWaveSettingsDlg::DoModal(QWidget* parent) {
    return CFormatDialogFrame::Run(dialog_, parent, kDialogId, ProgString("PREFWAV_Title"), QSize(kWidth, kHeight),
                                   [this] { OnOk(); }, [this](CFormatDialogFrame& dialog) { OnInitDialog(dialog); });
}

void CWaveSettingsDlg::CreateControls(CFormatDialogFrame& dialog) {
    const int textWidth = kFieldLeft - kIndent - 4;
    cdQuality_ = AddDialogControl<QRadioButton>(&dialog, kCdQuality, ToneCoreText("IDS_CD_QUALITY"), kLeft, 12, 0, kRow);
    auto* why = AddDialogControl<QLabel>(&dialog, kWhyCdQuality, ToneCoreText("IDS_WHY_CD_QUALITY"), kIndent, 36,
                                         kWidth - kLeft - kIndent, 2 * kRow);
    why->setWordWrap(true);
    why->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    userSpecified_ =
        AddDialogControl<QRadioButton>(&dialog, kUserSpecified, ToneCoreText("IDS_USER_SPECIFIED"), kLeft, 86, 0, kRow);
    AddDialogControl<QLabel>(&dialog, kRateText, ToneCoreText("IDS_SAMPLERATE"), kIndent, 114, textWidth, kRow);
    rates_ = AddDialogControl<QComboBox>(&dialog, kRateList, kFieldLeft, 112, 120, 26);
    AddDialogControl<QLabel>(&dialog, kModeText, ToneCoreText("IDS_MODE"), kIndent, 144, textWidth, kRow);
    stereo_ = AddDialogControl<QRadioButton>(&dialog, kStereo, ToneCoreText("IDS_STEREO"), kFieldLeft, 144, 0, kRow);
    mono_ = AddDialogControl<QRadioButton>(&dialog, kMono, ToneCoreText("IDS_MONO"), kSecondLeft, 144, 0, kRow);
    AddDialogControl<QLabel>(&dialog, kBitsText, ToneCoreText("IDS_BITSPERSAMPLE"), kIndent, 170, textWidth, kRow);
    bits16_ = AddDialogControl<QRadioButton>(&dialog, kBits16, ProgString("PREFWAV_16Bit"), kFieldLeft, 170, 0, kRow);
    bits8_ = AddDialogControl<QRadioButton>(&dialog, kBits8, ProgString("PREFWAV_8Bit"), kSecondLeft, 170, 0, kRow);
    useTags_ = AddDialogControl<QCheckBox>(&dialog, kUseTags, ProgString("PREFWAV_UseTags"), kLeft, 206, 0, kRow);
    Group(&dialog, cdQuality_, userSpecified_);
    Group(&dialog, stereo_, mono_);
    Group(&dialog, bits16_, bits8_);
    rateList_ = std::make_unique<CComboChoiceList>(rates_);
    QObject::connect(cdQuality_, &QRadioButton::clicked, &dialog, [this] { EnableQualityControls(true); });
    QObject::connect(userSpecified_, &QRadioButton::clicked, &dialog, [this] { EnableQualityControls(false); });
}

void CWaveSettingsDlg::OnInitDialog(CFormatDialogFrame& dialog) {
    CreateControls(dialog);
    // The click arrives once the dialog runs, as the user's would.
    QRadioButton* quality = format_.soundQuality == SOUND_QUALITY_CD ? cdQuality_ : userSpecified_;
    QMetaObject::invokeMethod(quality, &QRadioButton::click, Qt::QueuedConnection);
    char buffer[kTextBytes];
    LoadStringsWaveSampleRates(rateList_.get(), buffer, sizeof buffer);
    SetWaveSampleRateValue(rateList_.get(), &format_);
    stereo_->setChecked(format_.nChannels == 2);
    mono_->setChecked(format_.nChannels == 1);
    bits16_->setChecked(format_.wBitsPerSample == 16);
    bits8_->setChecked(format_.wBitsPerSample == 8);
    useTags_->setChecked(prefs_.FormatWAVUseTags != 0);
}

void CWaveSettingsDlg::EnableQualityControls(bool cdQuality) {
    EnableZeControls(dialog_, kUserControls, static_cast<int>(std::size(kUserControls)), !cdQuality);
    const int why[] = {kWhyCdQuality};
    EnableZeControls(dialog_, why, 1, cdQuality);
}

void CWaveSettingsDlg::OnOk() {
    if (cdQuality_->isChecked()) {
        format_.SetSoundQuality(SOUND_QUALITY_CD);
    } else {
        format_.SetSoundQuality(userSpecified_->isChecked() ? SOUND_QUALITY_USER : SOUND_QUALITY_FOLLOW_SOURCE);
    }
    prefs_.FormatWAVQuality = format_.soundQuality;
    if (cdQuality_->isChecked()) {
        prefs_.FormatWAVSampleRate = kCdRate;
        prefs_.FormatWAVChannels = kCdChannels;
        prefs_.FormatWAVBitRate = kCdBits;
    } else {
        GetWaveSampleRateValue(rateList_.get(), &format_);
        prefs_.FormatWAVSampleRate = static_cast<int>(format_.nSamplesPerSec);
        prefs_.FormatWAVChannels = stereo_->isChecked() ? 2 : 1;
        prefs_.FormatWAVBitRate = bits16_->isChecked() ? 16 : 8;
    }
    prefs_.FormatWAVUseTags = useTags_->isChecked() ? 1 : 0;
    dialog_->done(1);
}
