#include "songsmith/burn/ui/fader_settings_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/burn/ui/control_help.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/transition_seconds.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"
#include "utilities/ui/dialog_controls.h"

namespace {

using Dlg = CFaderSettingsDlg;

constexpr std::int32_t kKindNone = 0;
constexpr std::int32_t kKindGap = 1;
constexpr std::int32_t kKindMix = 2;

// The lengths the boxes offer: 1.0 to 7.5 seconds in half seconds.
constexpr std::int32_t kFirstChoiceMs = 1000;
constexpr std::int32_t kLastChoiceMs = 7500;
constexpr std::int32_t kChoiceStepMs = 500;

// Layout (pixels).
constexpr int kWidth = 420;
constexpr int kHeight = 228;
constexpr int kLeft = 12;
constexpr int kIndent = 34;
constexpr int kBoxLeft = 196;
constexpr int kBoxWidth = 72;
constexpr int kSecsLeft = kBoxLeft + kBoxWidth + 8;
constexpr int kRow = 24;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

constexpr int kGapControls[] = {Dlg::kGapBox, Dlg::kGapLabel};
constexpr int kMixControls[] = {Dlg::kOverlapLabel, Dlg::kOverlapBox, Dlg::kOverlapSecs,
                                Dlg::kFadeLabel,    Dlg::kFadeBox,    Dlg::kFadeSecs};

constexpr TControlTopic kHelpTopics[] = {
    {Dlg::kNoSilence, 14},  {Dlg::kSeparate, 14},     {Dlg::kGapLabel, 14},    {Dlg::kMix, 15},
    {Dlg::kOverlapBox, 15}, {Dlg::kFadeBox, 15},      {Dlg::kOverlapSecs, 15}, {Dlg::kFadeSecs, 15},
    {Dlg::kFadeLabel, 15},  {Dlg::kOverlapLabel, 15}, {Dlg::kGapBox, 13}};

// Shows ms in box: its entry when it has one, else as typed text.
void ShowLength(QComboBox* box, std::int32_t ms) {
    const QString text = QString::fromStdString(TransitionSecondsText(ms));
    const int row = box->findText(text);
    if (row >= 0) {
        box->setCurrentIndex(row);
    } else {
        box->setEditText(text);
    }
}

QComboBox* AddLengthBox(QWidget* dialog, int id, int top) {
    auto* box = AddDialogControl<QComboBox>(dialog, id, kBoxLeft, top, kBoxWidth, kRow + 2);
    box->setEditable(true);
    // A typed length is a choice of this time, not a new entry of the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    for (std::int32_t ms = kFirstChoiceMs; ms <= kLastChoiceMs; ms += kChoiceStepMs)
        box->addItem(QString::fromStdString(TransitionSecondsText(ms)));
    return box;
}

}  // namespace

CFaderSettingsDlg::CFaderSettingsDlg(TFaderContext context) : context_(std::move(context)) {}

CFaderSettingsDlg::~CFaderSettingsDlg() {
    delete dialog_.data();
}

int CFaderSettingsDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight),
                                         {[this] { OnHelp(); }, {}});
    dialog_ = window;
    OnInitDialog();
    const int result = window->exec();
    delete window;
    return result;
}

void CFaderSettingsDlg::OnInitDialog() {
    CenterWindowOnScreen(dialog_);
    dialog_->setWindowTitle(ProgString("FD_Title"));
    CreateControls();
    // The fader settings are the run's working settings, which the player
    // and the burn read under the preferences' lock.
    context_.prefs.Lock();
    const TFadePreferences working = context_.prefs.fadePreferences;
    context_.prefs.Unlock();
    kind_ = working.transitionMode;
    gap_ = working.gapMs;
    overlap_ = working.overlapMs;
    fade_ = working.fadeMs;
    ShowLength(gapBox_, gap_);
    ShowLength(overlapBox_, overlap_);
    ShowLength(fadeBox_, fade_);
    const int radio = kind_ == kKindGap ? kSeparate : kind_ == kKindMix ? kMix : kNoSilence;
    // Clicked once the dialog runs, as the user's click would be; the click
    // also enables the kind's controls.
    QMetaObject::invokeMethod(dialog_->findChild<QRadioButton*>(QString::number(radio)),
                              &QRadioButton::click, Qt::QueuedConnection);
}

void CFaderSettingsDlg::CreateControls() {
    QDialog* dialog = dialog_;
    auto* none = AddDialogControl<QRadioButton>(dialog, kNoSilence, ProgString("FD_NoSilence"),
                                                kLeft, 12, 0, kRow);
    auto* gap = AddDialogControl<QRadioButton>(dialog, kSeparate, ProgString("FD_SepTracks"), kLeft,
                                               46, 0, kRow);
    gapBox_ = AddLengthBox(dialog, kGapBox, 45);
    AddDialogControl<QLabel>(dialog, kGapLabel, ProgString("FD_SecsSilence"), kSecsLeft, 46, 0,
                             kRow);
    auto* mix = AddDialogControl<QRadioButton>(dialog, kMix, ProgString("FD_MixTracks"), kLeft, 82,
                                               0, kRow);
    AddDialogControl<QLabel>(dialog, kOverlapLabel, ProgString("FD_Overlap"), kIndent, 112, 0,
                             kRow);
    overlapBox_ = AddLengthBox(dialog, kOverlapBox, 111);
    AddDialogControl<QLabel>(dialog, kOverlapSecs, ProgString("FD_Secs"), kSecsLeft, 112, 0, kRow);
    AddDialogControl<QLabel>(dialog, kFadeLabel, ProgString("FD_FadeBetween"), kIndent, 142, 0,
                             kRow);
    fadeBox_ = AddLengthBox(dialog, kFadeBox, 141);
    AddDialogControl<QLabel>(dialog, kFadeSecs, ProgString("FD_Secs"), kSecsLeft, 142, 0, kRow);

    auto* kinds = new QButtonGroup(dialog);
    const std::array<std::pair<QRadioButton*, std::int32_t>, 3> radios = {
        {{none, kKindNone}, {gap, kKindGap}, {mix, kKindMix}}};
    for (const auto& [radio, kind] : radios) {
        kinds->addButton(radio);
        QObject::connect(radio, &QRadioButton::clicked, dialog, [this, kind] { OnKind(kind); });
    }

    const int top = kHeight - 12 - kButtonHeight;
    auto* ok = AddDialogControl<QPushButton>(dialog, IDOK, ProgString("FD_OK"),
                                             kWidth - 12 - 2 * kButtonWidth - 8, top, kButtonWidth,
                                             kButtonHeight);
    auto* cancel =
        AddDialogControl<QPushButton>(dialog, IDCANCEL, ProgString("FD_Cancel"),
                                      kWidth - 12 - kButtonWidth, top, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, [this] { OnOk(); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->reject(); });
}

void CFaderSettingsDlg::OnKind(std::int32_t kind) {
    kind_ = kind;
    EnableZeControls(dialog_, kGapControls, static_cast<int>(std::size(kGapControls)),
                     kind == kKindGap);
    EnableZeControls(dialog_, kMixControls, static_cast<int>(std::size(kMixControls)),
                     kind == kKindMix);
}

bool CFaderSettingsDlg::ReadLength(QComboBox* box, std::int32_t& value, std::int32_t ownKind,
                                   const char* errorKey) {
    if (const auto ms = ParseTransitionSeconds(box->currentText().toStdString())) {
        value = *ms;
        return true;
    }
    // A length of a kind not chosen is not used, so it is not the user's
    // concern now.
    if (kind_ != ownKind) return true;
    ShowMessageKey(static_cast<QWidget*>(dialog_.data()), errorKey, MB_OK | MB_ICONERROR);
    ShowLength(box, value);
    return false;
}

void CFaderSettingsDlg::OnOk() {
    bool stay = !ReadLength(gapBox_, gap_, kKindGap, "FDE_GapError");
    stay = !ReadLength(overlapBox_, overlap_, kKindMix, "FDE_OverlapError") || stay;
    if (!ReadLength(fadeBox_, fade_, kKindMix, "FDE_FadeError") || stay) return;

    CPreferences& prefs = context_.prefs;
    const TFadePreferences edited{kind_, gap_, overlap_, fade_};
    prefs.Lock();
    const TFadePreferences before = prefs.fadePreferences;
    prefs.fadePreferences = edited;
    prefs.Unlock();
    // Other engines write mixed tracks only from files the burn converts
    // first.
    bool convertFirstSet = false;
    if (kind_ == kKindMix && !context_.zentEngine) {
        convertFirstSet = prefs.BurnerPrefs[kBurnerConvertFirst] == 0;
        prefs.BurnerPrefs[kBurnerConvertFirst] = 1;
    }
    // Files converted under other transitions, or not converted first,
    // would put the old gaps and overlaps on the next disc.
    const bool changed = before.transitionMode != edited.transitionMode ||
                         before.gapMs != edited.gapMs || before.overlapMs != edited.overlapMs ||
                         before.fadeMs != edited.fadeMs;
    if ((changed || convertFirstSet) && context_.conversionOutdated) context_.conversionOutdated();
    // Whatever the kind now is: a player left with a mixed queue point
    // would still start the next song early.
    if (context_.queuePointChanged) context_.queuePointChanged();
    dialog_->done(IDOK);
    if (context_.updateTotals) context_.updateTotals();
}

void CFaderSettingsDlg::OnHelp() {
    ShowFocusedControlHelp(dialog_, kHelpTopics);
}
