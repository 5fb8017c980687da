#include "songsmith/cd/ui/mp3_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "filekit/ref_obj.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/cd/ui/format_dialog_frame.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/convert/mp3_settings_helpers.h"
#include "utilities/ui/link_control.h"

namespace {

// The encoder that is never offered: its row goes from the list whatever
// the probe found.
constexpr const char* kRefusedEncoder = "Blade";

// Layout (pixels).
constexpr int kWidth = 460;
constexpr int kHeight = 372;
constexpr int kLeft = 12;
constexpr int kInner = kWidth - 2 * kLeft;
constexpr int kFieldLeft = 90;
constexpr int kFieldWidth = kWidth - kLeft - kFieldLeft;
constexpr int kRow = 22;
constexpr int kTextBytes = 512;

}  // namespace

CMP3SettingsDlg::CMP3SettingsDlg(CPreferences& prefs)
    : prefs_(prefs), encoder_(static_cast<_tMP3EncoderDllTypedef>(prefs.FormatMP3Encoder)) {
    format_.CDQualitySettings(WAVE_FORMAT_MPEGLAYER3);
    format_.preset = prefs.FormatMP3Quality;
    format_.tagType = prefs.FormatMP3TagType;
    conv_ = NewCConv2FileObj(FILE_CONVERSION_MP3, encoder_);
}

CMP3SettingsDlg::~CMP3SettingsDlg() {
    delete dialog_.data();
    if (conv_ != nullptr) DeleteRefObject(&conv_);
}

CConv2MP3* CMP3SettingsDlg::Converter() const { return dynamic_cast<CConv2MP3*>(conv_); }

int CMP3SettingsDlg::DoModal(QWidget* parent) {
    return CFormatDialogFrame::Run(dialog_, parent, kDialogId, ProgString("PREFMP3_Title"), QSize(kWidth, kHeight),
                                   [this] { OnOk(); }, [this](CFormatDialogFrame& dialog) { OnInitDialog(dialog); });
}

void CMP3SettingsDlg::CreateControls(CFormatDialogFrame& dialog) {
    AddDialogControl<QLabel>(&dialog, kEncoderText, ToneCoreText("IDS_ENCODER_ENGINE"), kLeft, 14, kFieldLeft - kLeft, kRow);
    encoders_ = AddDialogControl<QComboBox>(&dialog, kEncoderList, kFieldLeft, 12, kFieldWidth, 26);

    AddDialogControl<QLabel>(&dialog, kPresetText, ToneCoreText("IDS_PRESET_QUALITY"), kLeft, 52, kFieldLeft - kLeft, kRow);
    presetName_ = AddDialogControl<QLabel>(&dialog, kPresetName, QString(), kFieldLeft, 52, kFieldWidth, kRow);
    presetFormat_ = AddDialogControl<QLabel>(&dialog, kPresetFormat, QString(), kFieldLeft, 74, kFieldWidth, 2 * kRow);
    presetFormat_->setWordWrap(true);
    presetFormat_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    slider_ = AddPresetSlider(&dialog, {kPresetSlider, kWorstQuality, kSmallestSize, kBestQuality, kLargestSize},
                              kLeft, 122, kInner);

    varBitRate_ = AddDialogControl<QCheckBox>(&dialog, kVarBitRate, ProgString("PREFMP3_VarBitRate"), kLeft, 198, 0, kRow);
    AddDialogControl<QLabel>(&dialog, kTagText, ToneCoreText("IDS_TAG_VERSION"), kLeft, 232, kFieldLeft - kLeft, kRow);
    tags_ = AddDialogControl<QComboBox>(&dialog, kTagList, kFieldLeft, 230, kFieldWidth, 26);

    auto* thanks = AddDialogControl<QLabel>(&dialog, kThanks, ProgString("PREFMP3_LameThanks"), kLeft, 268, kInner, 36);
    thanks->setWordWrap(true);
    thanks->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    link_ = new CLinkControl(&dialog);
    link_->setObjectName(QString::number(kLink));
    link_->SubClass(nullptr, kEncoderProjectUrl, kEncoderProjectUrl);
    link_->setGeometry(QRect(QPoint(kLeft, 306), link_->sizeHint()));
    dialog.SetLink(link_);

    encoderList_ = std::make_unique<CComboChoiceList>(encoders_);
    tagList_ = std::make_unique<CComboChoiceList>(tags_);
    presetSlider_ = std::make_unique<CSliderRange>(slider_, [this] { OnPresetMoved(); });
    presetNameText_ = std::make_unique<CTextField>(presetName_);
    presetFormatText_ = std::make_unique<CTextField>(presetFormat_);
}

void CMP3SettingsDlg::OnInitDialog(CFormatDialogFrame& dialog) {
    CreateControls(dialog);
    char buffer[kTextBytes];
    LoadStringsMP3Encoders(encoderList_.get(), buffer, sizeof buffer);
    SetMP3EncoderValue(encoderList_.get(), encoder_);
    const int refused = encoders_->findText(QString::fromLatin1(kRefusedEncoder), Qt::MatchContains | Qt::MatchCaseSensitive);
    if (refused >= 0) {
        const bool wasShown = encoders_->currentIndex() == refused;
        encoders_->removeItem(refused);
        // The list shows no encoder rather than another one the user did not
        // choose.
        if (wasShown) encoders_->setCurrentIndex(-1);
    }
    SetMP3PresetString(presetNameText_.get(), presetFormatText_.get(), buffer, sizeof buffer, &format_, Converter());
    InitMP3PresetSlider(presetSlider_.get(), &format_, Converter());
    varBitRate_->setChecked(prefs_.FormatMP3VarBitRate != 0);
    LoadStringsMP3TagTypes(tagList_.get(), buffer, sizeof buffer);
    SetMP3TagTypeValue(tagList_.get(), &format_);
    // Only a choice of the user's changes the encoder.
    QObject::connect(encoders_, &QComboBox::activated, &dialog, [this] { OnEncoderChanged(); });
}

TMP3PresetControls CMP3SettingsDlg::PresetControls() {
    return TMP3PresetControls{presetSlider_.get(), presetNameText_.get(), presetFormatText_.get(), nullptr};
}

void CMP3SettingsDlg::OnPresetMoved() {
    const std::int32_t before = format_.preset;
    GetMP3PresetValue(presetSlider_.get(), &format_, Converter());
    if (format_.preset == before) return;
    char buffer[kTextBytes];
    SetMP3PresetString(presetNameText_.get(), presetFormatText_.get(), buffer, sizeof buffer, &format_, Converter());
}

void CMP3SettingsDlg::OnEncoderChanged() {
    char buffer[kTextBytes];
    GetMP3EncoderValue(encoderList_.get(), PresetControls(), &encoder_, &format_, &conv_, buffer, sizeof buffer);
}

void CMP3SettingsDlg::OnOk() {
    OnEncoderChanged();
    prefs_.FormatMP3Encoder = encoder_;
    prefs_.FormatMP3Quality = format_.preset;
    GetMP3TagTypeValue(tagList_.get(), &format_);
    prefs_.FormatMP3TagType = format_.tagType;
    prefs_.FormatMP3VarBitRate = varBitRate_->isChecked() ? 1 : 0;
    dialog_->done(1);
}
