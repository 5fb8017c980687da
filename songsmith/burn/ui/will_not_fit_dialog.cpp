#include "songsmith/burn/ui/will_not_fit_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdint>

#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/burn/ui/control_help.h"
#include "songsmith/burner/burner.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/center_window.h"

namespace {

using Dlg = CWillNotFitDlg;

// Layout (pixels).
constexpr int kWidth = 440;
constexpr int kHeight = 250;
constexpr int kMargin = 12;
constexpr int kRow = 24;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

// The fade lengths offered, in seconds.
constexpr int kFewestSeconds = 1;
constexpr int kMostSeconds = 15;

constexpr TControlTopic kHelpTopics[] = {
    {Dlg::kFadeOut, 1}, {Dlg::kSecondsList, 1}, {Dlg::kSecondsLabel, 1}, {Dlg::kChopOff, 12}};

constexpr int kMsPerMinute = 60000;

}  // namespace

CWillNotFitDlg::CWillNotFitDlg(CPreferences& prefs, CBurner& burner, CTrackList& tracks)
    : prefs_(prefs), burner_(burner), tracks_(tracks) {}

CWillNotFitDlg::~CWillNotFitDlg() {
    delete dialog_.data();
}

int CWillNotFitDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight),
                                         {[this] { OnHelp(); }, [this](QPainter& painter) { OnPaint(painter); }},
                                         this);
    dialog_ = window;
    OnInitDialog(parent);
    const int result = window->exec();
    delete window;
    picture_.Release();
    return result;
}

void CWillNotFitDlg::OnInitDialog(QWidget* parent) {
    CenterWindow(dialog_, parent);
    dialog_->setWindowTitle(ProgString("WFD_Title"));
    picture_.LoadBitmapImage(kPictureWillNotFit);
    CreateControls();
    ShowLengths();

    const int savedSeconds = (prefs_.excessFadeTime + 500) / 1000;
    if (savedSeconds >= kFewestSeconds && savedSeconds <= kMostSeconds)
        seconds_->setCurrentIndex(savedSeconds - kFewestSeconds);
    else
        seconds_->setCurrentIndex(-1);
    if (prefs_.excessTreatment == kTreatmentFade) fade_->click();
    if (prefs_.excessTreatment == kTreatmentCut) cut_->click();
    OnTreatment();
    dialog_->findChild<QPushButton*>(QString::number(IDOK))->setFocus();
}

void CWillNotFitDlg::CreateControls() {
    QDialog* dialog = dialog_;
    const QSize pictureSize = ProgramPictureSize(kPictureWillNotFit);
    auto* place = AddDialogControl<QWidget>(dialog, kPicturePlace, kMargin, kMargin, pictureSize.width(),
                                            pictureSize.height());
    place->hide();
    pictureRect_ = place->geometry();

    const int left = pictureRect_.right() + 1 + kMargin;
    const int width = kWidth - kMargin - left;
    auto* notFit = AddDialogControl<QLabel>(dialog, kNotFit, ProgString("WFD_NotFit"), left, kMargin, width, kRow);
    QFont bold = notFit->font();
    bold.setBold(true);
    notFit->setFont(bold);
    auto* text = AddDialogControl<QLabel>(dialog, kText, QString(), left, kMargin + kRow + 4, width, 66);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* group = new QButtonGroup(dialog);
    const int fadeTop = text->y() + text->height() + 10;
    fade_ = AddDialogControl<QRadioButton>(dialog, kFadeOut, ProgString("WFD_FadeOut"), left, fadeTop, 0, kRow);
    seconds_ = AddDialogControl<QComboBox>(dialog, kSecondsList, fade_->x() + fade_->width() + 6, fadeTop - 1, 56,
                                           kRow + 2);
    for (int s = kFewestSeconds; s <= kMostSeconds; ++s) seconds_->addItem(QString::number(s));
    AddDialogControl<QLabel>(dialog, kSecondsLabel, ProgString("WFD_Seconds"),
                             seconds_->x() + seconds_->width() + 6, fadeTop, 0, kRow);
    cut_ = AddDialogControl<QRadioButton>(dialog, kChopOff, ProgString("WFD_ChopOff"), left, fadeTop + kRow + 8, 0,
                                          kRow);
    group->addButton(fade_);
    group->addButton(cut_);
    QObject::connect(fade_, &QRadioButton::toggled, dialog, [this] { OnTreatment(); });

    const int top = kHeight - kMargin - kButtonHeight;
    auto* ok = AddDialogControl<QPushButton>(dialog, IDOK, ProgString("OK"), kWidth - kMargin - 2 * kButtonWidth - 8,
                                             top, kButtonWidth, kButtonHeight);
    auto* cancel = AddDialogControl<QPushButton>(dialog, IDCANCEL, ProgString("Cancel"),
                                                 kWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, [this] { OnOk(); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->done(0); });
}

void CWillNotFitDlg::ShowLengths() {
    const std::int64_t session = tracks_.GetBurnLength(prefs_.bTrimSoundsAutomatically != 0, true);
    const std::int64_t capacity = burner_.MaxMilsPerCD(true);
    // The drive may call a disc too small that the program thought large
    // enough: nothing is over then, rather than a negative time.
    const std::int64_t over = std::max<std::int64_t>(session - capacity, 0);
    const long long discMinutes = (capacity + kMsPerMinute / 2) / kMsPerMinute;
    const std::string text =
        FormatKeyedText("WFD_Text", {static_cast<long long>(session / kMsPerMinute),
                                     static_cast<long long>(session / 1000 % 60), discMinutes,
                                     static_cast<long long>(over / kMsPerMinute), static_cast<long long>(over / 1000 % 60)});
    dialog_->findChild<QLabel*>(QString::number(kText))->setText(QString::fromStdString(text));
}

void CWillNotFitDlg::OnTreatment() {
    const bool fade = fade_->isChecked();
    seconds_->setEnabled(fade);
    dialog_->findChild<QLabel*>(QString::number(kSecondsLabel))->setEnabled(fade);
}

void CWillNotFitDlg::OnOk() {
    if (seconds_->currentIndex() >= 0) prefs_.excessFadeTime = (seconds_->currentIndex() + kFewestSeconds) * 1000;
    if (fade_->isChecked()) prefs_.excessTreatment = kTreatmentFade;
    if (cut_->isChecked()) prefs_.excessTreatment = kTreatmentCut;
    dialog_->done(1);
}

void CWillNotFitDlg::OnHelp() {
    ShowFocusedControlHelp(dialog_, kHelpTopics);
}

void CWillNotFitDlg::OnPaint(QPainter& painter) {
    if (picture_.GetBitmap().isNull()) return;
    picture_.DrawTransparent(painter, QRect(pictureRect_.topLeft(), picture_.GetClipBox().size()), QPoint(0, 0));
}
