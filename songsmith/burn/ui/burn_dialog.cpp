#include "songsmith/burn/ui/burn_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <string>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platter/types.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/burn/ui/control_help.h"
#include "songsmith/burn/ui/up_down_control.h"
#include "songsmith/burner/burner.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/track_list.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/text_format.h"
#include "utilities/ui/center_window.h"

namespace {

using Dlg = CBurnDialog;

constexpr int kModeTest = 0;
constexpr int kModeTestThenBurn = 1;
constexpr int kModeBurn = 2;

// Layout (pixels). The controls of a frame are placed inside it.
constexpr int kWidth = 480;
constexpr int kHeight = 446;
constexpr int kMargin = 12;
constexpr int kFrameInner = 14;
constexpr int kRow = 24;
constexpr int kModeFrameWidth = 384;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;

constexpr TControlTopic kHelpTopics[] = {{IDOK, 11},
                                         {Dlg::kCopies, 6},
                                         {Dlg::kCopiesUpDown, 6},
                                         {Dlg::kMakeLabel, 6},
                                         {Dlg::kCopiesLabel, 6},
                                         {Dlg::kTest, 7},
                                         {Dlg::kTestThenBurn, 8},
                                         {Dlg::kCdText, 3},
                                         {Dlg::kSpeedList, 5},
                                         {Dlg::kSpeedLabel, 5},
                                         {Dlg::kBurn, 9},
                                         {Dlg::kBurnProof, 4},
                                         {Dlg::kConvertFirst, 2},
                                         {Dlg::kEstimate, 10}};

QString SpeedText(int speedX) {
    return QString::asprintf("%2d X", speedX);
}

int LeftOfNext(const QWidget* control, int gap) {
    return control->x() + control->width() + gap;
}

}  // namespace

CBurnDialog::CBurnDialog(TBurnDialogContext context) : context_(std::move(context)) {}

CBurnDialog::~CBurnDialog() {
    delete dialog_.data();
}

int CBurnDialog::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(
        parent, kDialogId, QSize(kWidth, kHeight),
        {[this] { OnHelp(); }, [this](QPainter& painter) { OnPaint(painter); }});
    dialog_ = window;
    OnInitDialog(parent);
    const int result = window->exec();
    delete window;
    picture_.Release();
    return result;
}

void CBurnDialog::OnInitDialog(QWidget* parent) {
    Log("CBurnDialog: received WM_INITDIALOG");
    CPreferences& prefs = context_.prefs;
    CBurner& burner = context_.burner;
    CenterWindow(dialog_, parent);
    dialog_->setWindowTitle(ProgString("BD_TITLE"));
    CreateControls();

    cdText_->setChecked(prefs.BurnerPrefs[kBurnerCdText] != 0);
    cdText_->setEnabled(burner.SupportsCDText());
    burnProof_->setChecked(prefs.BurnerPrefs[kBurnerBurnProof] != 0);
    burnProof_->setEnabled(burner.SupportsBurnProof());
    convertFirst_->setChecked(prefs.BurnerPrefs[kBurnerConvertFirst] != 0);
    FillSpeedList();

    const int savedMode = prefs.BurnerPrefs[kBurnerMode];
    mode_ = savedMode == kModeTest || savedMode == kModeTestThenBurn ? savedMode : kModeBurn;
    const int radio = mode_ == kModeTest           ? kTest
                      : mode_ == kModeTestThenBurn ? kTestThenBurn
                                                   : kBurn;
    dialog_->findChild<QRadioButton*>(QString::number(radio))->setChecked(true);
    UpdateBurnEstimate();

    // Every change recomputes the estimate from here on; the saved copies
    // pass the same checks as typed ones.
    QObject::connect(copies_, &QLineEdit::textChanged, dialog_, [this] { OnCopiesChanged(); });
    QObject::connect(speeds_, &QComboBox::currentIndexChanged, dialog_,
                     [this] { UpdateBurnEstimate(); });
    QObject::connect(convertFirst_, &QCheckBox::toggled, dialog_, [this] { UpdateBurnEstimate(); });
    copies_->setText(QString::number(prefs.BurnerPrefs[kBurnerCopies]));

    picture_.LoadBitmapImage(kPictureBurnWarning);
    pictureRect_ = dialog_->findChild<QWidget*>(QString::number(kPicture))->geometry();
    dialog_->findChild<QPushButton*>(QString::number(IDOK))->setFocus();
    Log("CBurnDialog: finished WM_INITDIALOG handler");
}

void CBurnDialog::CreateControls() {
    QDialog* dialog = dialog_;
    auto* writerFrame = AddDialogControl<QGroupBox>(
        dialog, kWriterFrame, ProgString("BD_BurnerFrame"), kMargin, 8, kWidth - 2 * kMargin, 58);
    char writer[256] = {};
    context_.burner.GetWriterDescription(writer, sizeof writer, -1, true);
    AddDialogControl<QLabel>(writerFrame, kWriterText, QString::fromUtf8(writer), kFrameInner, 24,
                             writerFrame->width() - 2 * kFrameInner, kRow);

    auto* modeFrame = AddDialogControl<QGroupBox>(
        dialog, kModeFrame, ProgString("BD_BurnerModeFrame"), kMargin, 76, kModeFrameWidth, 282);
    auto* modes = new QButtonGroup(dialog);
    struct TModeButton {
        int id;
        QString text;
        int mode;
        int top;
    };
    const std::array<TModeButton, 3> modeButtons = {
        {{kTest, ProgString("BD_Test"), kModeTest, 24},
         {kTestThenBurn, ProgString("BD_TestThenBurn"), kModeTestThenBurn, 50},
         {kBurn, ProgString("BD_Burn"), kModeBurn, 76}}};
    for (const TModeButton& button : modeButtons) {
        auto* radio = AddDialogControl<QRadioButton>(modeFrame, button.id, button.text, kFrameInner,
                                                     button.top, 0, kRow);
        modes->addButton(radio);
        QObject::connect(radio, &QRadioButton::clicked, dialog,
                         [this, mode = button.mode] { OnMode(mode); });
    }

    auto* make = AddDialogControl<QLabel>(modeFrame, kMakeLabel, ProgString("BD_Make"), kFrameInner,
                                          110, 0, kRow);
    copies_ = AddDialogControl<QLineEdit>(modeFrame, kCopies, LeftOfNext(make, 6), 110, 56, kRow);
    auto* upDown = new CUpDownControl(modeFrame, copies_, kMinCopies, kMaxCopies);
    upDown->setObjectName(QString::number(kCopiesUpDown));
    upDown->setGeometry(LeftOfNext(copies_, 0), 110, 18, kRow);
    AddDialogControl<QLabel>(modeFrame, kCopiesLabel, ProgString("BD_CDS"), LeftOfNext(upDown, 6),
                             110, 0, kRow);

    cdText_ = AddDialogControl<QCheckBox>(modeFrame, kCdText, ProgString("BD_BurnCDText"),
                                          kFrameInner, 146, 0, kRow);
    burnProof_ = AddDialogControl<QCheckBox>(modeFrame, kBurnProof, ProgString("BD_UseBurnProof"),
                                             kFrameInner, 172, 0, kRow);
    convertFirst_ = AddDialogControl<QCheckBox>(
        modeFrame, kConvertFirst, ProgString("BD_ConvertFirst"), kFrameInner, 198, 0, kRow);
    auto* speedLabel = AddDialogControl<QLabel>(modeFrame, kSpeedLabel, ProgString("BD_BurnSpeed"),
                                                kFrameInner, 238, 0, kRow);
    speeds_ = AddDialogControl<QComboBox>(
        modeFrame, kSpeedList, std::max(LeftOfNext(speedLabel, 8), 130), 237, 150, kRow + 2);

    // The picture is painted by the dialog where this placeholder lies.
    auto* picture = new QWidget(dialog);
    picture->setObjectName(QString::number(kPicture));
    picture->setGeometry(kMargin + kModeFrameWidth + 18, 100, 48, 48);
    picture->hide();

    estimate_ = AddDialogControl<QLabel>(dialog, kEstimate, QString(), kMargin + 2, 368,
                                         kWidth - 2 * kMargin - 4, kRow);

    const int top = kHeight - kMargin - kButtonHeight;
    auto* start = AddDialogControl<QPushButton>(dialog, IDOK, ProgString("BD_Start"),
                                                kWidth - kMargin - 2 * kButtonWidth - 8, top,
                                                kButtonWidth, kButtonHeight);
    auto* cancel = AddDialogControl<QPushButton>(dialog, IDCANCEL, ProgString("Cancel"),
                                                 kWidth - kMargin - kButtonWidth, top, kButtonWidth,
                                                 kButtonHeight);
    start->setDefault(true);
    QObject::connect(start, &QPushButton::clicked, dialog, [this] { OnStart(); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->reject(); });
}

// Each row keeps the speed it stands for (the Zent engine's speeds are
// multiples of 1X, the other engine's are speed numbers), so a row left out
// of the list moves no other row's meaning.
void CBurnDialog::FillSpeedList() {
    const CBurner& burner = context_.burner;
    LogFmt("CBurnDialog: minSpeed %d maxSpeed %d", burner.GetMinSpeed(), burner.GetMaxSpeed());
    speeds_->addItem(ProgString("BD_MaxSpeed"), kMaxSpeedValue);
    maxSpeedIndex_ = kMaxSpeedRow;
    const int saved = context_.prefs.BurnerPrefs[kBurnerWriteSpeed];
    int selected = kMaxSpeedRow;
    if (context_.zentEngine) {
        const int count = burner.GetNumCDRBurnSpeeds();
        LogFmt("CBurnDialog: GetNumCDRBurnSpeeds() returns %d", count);
        for (int i = count - 1; i >= 0; --i) {
            const int speed = burner.GetCDRBurnSpeed(i);
            if (speed == PLATTER_SPEED_UNUSABLE) continue;
            speeds_->addItem(SpeedText(speed), speed);
            if (speed == saved) selected = speeds_->count() - 1;
        }
        Log("CBurnDialog: retrieved Zent burn speeds");
    } else {
        Log("CBurnDialog: filling list of GoldenHawk burn speeds");
        for (int number = burner.GetMaxSpeed(); number >= burner.GetMinSpeed(); --number) {
            speeds_->addItem(SpeedText(burner.GetSpeedOfIndex(number)), number);
            if (number == saved) selected = speeds_->count() - 1;
        }
        Log("CBurnDialog: filled list of GoldenHawk burn speeds");
    }
    // The saved fastest choice, and a saved speed the writer no longer
    // offers, select the first row.
    if (saved == kMaxSpeedValue) selected = kMaxSpeedRow;
    speeds_->setCurrentIndex(selected);
}

int CBurnDialog::SelectedSpeedData() const {
    const int row = speeds_->currentIndex();
    return row <= maxSpeedIndex_ ? kMaxSpeedValue : speeds_->itemData(row).toInt();
}

int CBurnDialog::EstimateSpeed() const {
    const CBurner& burner = context_.burner;
    const int data = SelectedSpeedData();
    int speed = 0;
    if (speeds_->currentIndex() <= maxSpeedIndex_) {
        speed = context_.zentEngine ? burner.GetMaxSpeed()
                                    : burner.GetSpeedOfIndex(burner.GetMaxSpeed());
    } else if (context_.zentEngine) {
        speed = data > 0 ? data : burner.GetMaxSpeed();
    } else {
        speed = burner.GetSpeedOfIndex(data);
    }
    return speed != 0 ? speed : burner.GetMaxSpeed();
}

int CBurnDialog::StoredSpeed() const {
    if (speeds_->currentIndex() <= maxSpeedIndex_) return kMaxSpeedValue;
    const int data = SelectedSpeedData();
    if (context_.zentEngine) return data > 0 ? data : kMaxSpeedValue;
    return data;
}

std::optional<int> CBurnDialog::CopiesInBox() const {
    const QString text = copies_->text().trimmed();
    if (text.isEmpty()) return std::nullopt;
    long long value = 0;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return std::nullopt;
        // Any number past the most copies counts as that many more.
        value = std::min<long long>(value * 10 + (ch.unicode() - '0'), kMaxCopies + 1LL);
    }
    return static_cast<int>(value);
}

void CBurnDialog::UpdateBurnEstimate() {
    Log("entered CBurnDialog::UpdateBurnEstimate");
    CPreferences& prefs = context_.prefs;
    CBurner& burner = context_.burner;
    const int capacity = burner.MaxMilsPerCD(false);
    LogFmt("CBurnDialog::UpdateBurnEstimate: MaxMilsPerCD() = %u", static_cast<unsigned>(capacity));
    const int length = std::min(
        context_.tracks.GetBurnLength(prefs.bTrimSoundsAutomatically != 0, true), capacity);
    const int speed = EstimateSpeed();
    LogFmt("CBurnDialog::UpdateBurnEstimate: curSpeed = %d", speed);
    const long long copies = std::clamp(CopiesInBox().value_or(kMinCopies), kMinCopies, kMaxCopies);
    // A test is one pass with the laser off; the burn then writes each copy.
    // Only the first pass converts.
    const long long writes = (mode_ != kModeBurn ? 1 : 0) + (mode_ != kModeTest ? copies : 0);
    long long estimate = burner.EstimateBurnTime(length, speed, convertFirst_->isChecked());
    if (writes > 1) estimate += (writes - 1) * burner.EstimateBurnTime(length, speed, false);
    LogFmt("CBurnDialog::UpdateBurnEstimate: estTime = %lld", estimate);
    char time[kLengthStringSize] = {};
    MakeLengthString(static_cast<long>(estimate), time, sizeof time, 0);
    estimate_->setText(QString::fromStdString(FormatKeyedText("BD_Estimate", {time})));
    Log("leaving CBurnDialog::UpdateBurnEstimate");
}

void CBurnDialog::OnMode(int mode) {
    mode_ = mode;
    UpdateBurnEstimate();
}

void CBurnDialog::OnCopiesChanged() {
    if (clampingCopies_) return;
    const std::optional<int> typed = CopiesInBox();
    const int copies = std::clamp(typed.value_or(0), kMinCopies, kMaxCopies);
    if (typed != copies) {
        clampingCopies_ = true;
        copies_->setText(QString::number(copies));
        clampingCopies_ = false;
    }
    UpdateBurnEstimate();
}

int CBurnDialog::Ask(const char* key, const char* captionKey, std::uint32_t flags,
                     bool* dontAskAgain) {
    const std::string caption = KeyedText(captionKey);
    const int answer =
        ShowMessageKey(static_cast<QWidget*>(dialog_.data()), key, flags, caption.c_str());
    if (dontAskAgain != nullptr) *dontAskAgain = GetLastDontAskAgain() != 0;
    return answer;
}

void CBurnDialog::OnStart() {
    CPreferences& prefs = context_.prefs;
    CBurner& burner = context_.burner;
    if (!burner.discBurntThisRun.load() && mode_ == kModeBurn && prefs.bFirstBurnWarning != 0) {
        bool dontAsk = false;
        const int answer = Ask("BEM_FirstBurn", "BEM_FirstBurnTitle",
                               MB_YESNO | MB_ICONWARNING | kMessageBoxDontAskAgain, &dontAsk);
        prefs.bFirstBurnWarning = dontAsk ? 0 : 1;
        if (answer != IDYES) return;
    }

    bool convert = convertFirst_->isChecked();
    prefs.Lock();
    const int transitionMode = prefs.fadePreferences.transitionMode;
    prefs.Unlock();
    if (prefs.bFastBurnWarning != 0 && !convert && transitionMode == 2 && !context_.zentEngine) {
        const int answer = Ask("BEM_ConvertWavWarning1", "BEM_ConvertWavWarning1Title",
                               MB_YESNOCANCEL | MB_ICONQUESTION, nullptr);
        if (answer == IDYES) {
            convert = true;
        } else if (answer != IDNO) {
            return;
        }
    }

    // Converting only what must be converted leaves out the trims, volume
    // and normalising of the songs the full check would also convert.
    if (prefs.bMandatoryWaveConversionsOnly != 0 && !convert && prefs.bConvertWavWarning3 != 0 &&
        !context_.zentEngine &&
        burner.GetLengthToConvert(false, true) != burner.GetLengthToConvert(false, false)) {
        bool dontAsk = false;
        const int answer = Ask("BEM_ConvertWavWarning3", "BEM_ConvertWavWarning3Title",
                               MB_YESNO | MB_ICONQUESTION | kMessageBoxDontAskAgain, &dontAsk);
        prefs.bConvertWavWarning3 = dontAsk ? 0 : 1;
        if (answer != IDYES) return;
    }

    prefs.BurnerPrefs[kBurnerMode] = mode_;
    if (const std::optional<int> copies = CopiesInBox()) {
        prefs.BurnerPrefs[kBurnerCopies] = *copies;
        burner.copies.store(*copies);
    }
    prefs.BurnerPrefs[kBurnerCdText] = cdText_->isChecked() ? 1 : 0;
    prefs.BurnerPrefs[kBurnerBurnProof] = burnProof_->isChecked() ? 1 : 0;
    // WAV files converted under the other choice must not be reused.
    if (convert != (prefs.BurnerPrefs[kBurnerConvertFirst] != 0) && context_.conversionOutdated)
        context_.conversionOutdated();
    prefs.BurnerPrefs[kBurnerConvertFirst] = convert ? 1 : 0;
    prefs.BurnerPrefs[kBurnerWriteSpeed] = StoredSpeed();
    dialog_->done(IDOK);
}

void CBurnDialog::OnHelp() {
    ShowFocusedControlHelp(dialog_, kHelpTopics);
}

void CBurnDialog::OnPaint(QPainter& painter) {
    if (picture_.GetBitmap().isNull()) return;
    picture_.DrawTransparent(painter, QRect(pictureRect_.topLeft(), picture_.GetClipBox().size()),
                             QPoint(0, 0));
}
