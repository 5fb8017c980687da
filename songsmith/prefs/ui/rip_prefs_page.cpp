#include "songsmith/prefs/ui/rip_prefs_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <string>

#include "platter/platter.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/cd/ui/mp3_settings_dialog.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/cd/ui/wave_settings_dialog.h"
#include "songsmith/cd/ui/wma_settings_dialog.h"
#include "tonecore/convert/converter_factory.h"
#include "utilities/text_copy.h"
#include "utilities/ui/dialog_controls.h"

namespace {

constexpr const char* kFolderTooLongKey = "PREFR_FolderTooLong";
// A combo box's selection change, as its commands report it.
constexpr int kSelectionChange = 1;

// The format rows; WMA only where WMA conversion is possible.
struct TFormatRow {
    const char* text;
    int tag;
};
constexpr TFormatRow kFormatRows[] = {
    {"MP3", CRipPrefsPage::kFormatMP3}, {"WAVE", CRipPrefsPage::kFormatWave}, {"WMA", CRipPrefsPage::kFormatWMA}};

// "RipJitter" of the jitter radios: automatic, on, off.
constexpr int kJitterAutoValue = 0;
constexpr int kJitterOnValue = 1;
constexpr int kJitterOffValue = 2;
// "RipError" of the error radios: ignore, retry, abort.
constexpr int kIgnoreValue = 1;
constexpr int kRetryValue = 2;
constexpr int kAbortValue = 0;

constexpr int kJitterControls[] = {CRipPrefsPage::kJitterText, CRipPrefsPage::kJitterAuto, CRipPrefsPage::kJitterOn,
                                   CRipPrefsPage::kJitterOff};
constexpr int kRetryControls[] = {CRipPrefsPage::kRetries, CRipPrefsPage::kRetriesText};
constexpr int kFormatControls[] = {CRipPrefsPage::kFormatText, CRipPrefsPage::kFormatList,
                                   CRipPrefsPage::kSettings};

// Layout of the page (pixels): two columns over a frame for the destination.
constexpr int kLeft = 8;
constexpr int kRight = 364;
constexpr int kColumn = 196;
constexpr int kRow = 20;
constexpr int kFieldHeight = 24;

template <typename T>
T* Add(QWidget* parent, int id, const QString& text, int left, int top, int width = 0, int height = kRow) {
    return AddDialogControl<T>(parent, id, text, left, top, width, height);
}

int Flag(const QAbstractButton* box) { return box->isChecked() ? 1 : 0; }

// The row whose item data is value; -1 when none is.
int RowOfValue(const QComboBox* list, int value) { return list->findData(value); }

// The number a field holds; 0 when it holds none.
int NumberOrZero(const QString& text) {
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    return ok ? number : 0;
}

}  // namespace

CRipPrefsPage::CRipPrefsPage(CPrefsDialog& owner, std::function<bool()> ripping)
    : CPrefsPage(owner), ripping_(std::move(ripping)) {}

void CRipPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    CreateControls(window);
    FillLists();
    ShowStoredValues();
    EnableOnOpening();
}

void CRipPrefsPage::CreateControls(QWidget* window) {
    Add<QLabel>(window, kFolderText, ProgString("PREFR_Folder"), kLeft, 2, kRight - kLeft, 18);
    folder_ = AddDialogControl<QLineEdit>(window, kFolder, kLeft, 20, 270, kFieldHeight);
    auto* change = Add<QPushButton>(window, kChange, ProgString("PREFR_Change"), 284, 20, kRight - 284, kFieldHeight);
    change->setAutoDefault(false);

    artistFolder_ = Add<QCheckBox>(window, kArtistFolder, ProgString("PREFR_UseFolder"), kLeft, 48);
    signal_ = Add<QCheckBox>(window, kSignal, ProgString("PREFR_Play"), kColumn, 48);
    useArtist_ = Add<QCheckBox>(window, kUseArtist, ProgString("PREFR_UseArtist"), kLeft, 68);
    useAlbum_ = Add<QCheckBox>(window, kUseAlbum, ProgString("PREFR_UseAlbum"), kColumn, 68);
    useTrack_ = Add<QCheckBox>(window, kUseTrack, ProgString("PREFR_UseTrack"), kLeft, 88);
    Add<QLabel>(window, kSpeedText, ProgString("PREFR_Speed"), kColumn, 90, 80);
    speeds_ = AddDialogControl<QComboBox>(window, kSpeedList, 280, 88, kRight - 280, kFieldHeight);

    Add<QLabel>(window, kJitterText, ProgString("PREFR_Jitter0"), kLeft, 114, 112);
    jitter_ = new QButtonGroup(window);
    jitter_->addButton(Add<QRadioButton>(window, kJitterAuto, ProgString("PREFR_Jitter1"), 124, 114), kJitterAutoValue);
    jitter_->addButton(Add<QRadioButton>(window, kJitterOn, ProgString("PREFR_Jitter2"), 190, 114), kJitterOnValue);
    jitter_->addButton(Add<QRadioButton>(window, kJitterOff, ProgString("PREFR_Jitter3"), 246, 114), kJitterOffValue);

    Add<QLabel>(window, kErrorText, ProgString("PREFR_Error0"), kLeft, 138, kRight - kLeft, 18);
    errors_ = new QButtonGroup(window);
    errors_->addButton(Add<QRadioButton>(window, kErrorIgnore, ProgString("PREFR_Error1"), 24, 158), kIgnoreValue);
    errorRetry_ = Add<QRadioButton>(window, kErrorRetry, ProgString("PREFR_Error2"), 108, 158);
    errors_->addButton(errorRetry_, kRetryValue);
    retries_ = AddDialogControl<QLineEdit>(window, kRetries, errorRetry_->geometry().right() + 4, 156, 44, kFieldHeight);
    Add<QLabel>(window, kRetriesText, ProgString("PREFR_Times"), retries_->geometry().right() + 5, 158);
    errors_->addButton(Add<QRadioButton>(window, kErrorAbort, ProgString("PREFR_Error3"), 256, 158), kAbortValue);

    auto* frame = Add<QGroupBox>(window, kDestFrame, ProgString("PREFR_DestFrame"), kLeft, 184, kRight - kLeft, 84);
    destTemp_ = Add<QRadioButton>(frame, kDestTemp, ProgString("PREFR_DestTemp"), 10, 22);
    destPerm_ = Add<QRadioButton>(frame, kDestPerm, ProgString("PREFR_DestPerm"), 200, 22);
    Add<QLabel>(frame, kFormatText, ProgString("PREFR_Format"), 10, 52, 64);
    formats_ = AddDialogControl<QComboBox>(frame, kFormatList, 76, 49, 100, kFieldHeight);
    auto* settings = Add<QPushButton>(frame, kSettings, ProgString("PREFR_Settings"), 200, 49, 100, kFieldHeight);
    settings->setAutoDefault(false);

    ripOnFly_ = Add<QCheckBox>(window, kRipOnFly, ProgString("PREFR_RipOnFly"), kLeft, 250);

    for (const int id : {kChange, kErrorIgnore, kErrorRetry, kErrorAbort, kDestTemp, kDestPerm, kSettings}) {
        ForwardClicks(window->findChild<QAbstractButton*>(QString::number(id)), id);
    }
    QObject::connect(formats_, &QComboBox::activated, window, [this] {
        DlgProc(Window(), TPageMessage{EPageMessage::kCommand, kFormatList, kSelectionChange});
    });
}

void CRipPrefsPage::FillLists() {
    for (const TSpeed& speed : kSpeeds) speeds_->addItem(QString::fromLatin1(speed.text), speed.value);
    const bool wma = ConversionToWMAAllowed() != 0;
    for (const TFormatRow& row : kFormatRows) {
        if (row.tag != kFormatWMA || wma) formats_->addItem(QString::fromLatin1(row.text), row.tag);
    }
}

void CRipPrefsPage::ShowStoredValues() {
    const CPreferences& prefs = Owner().Context().prefs;
    folder_->setText(QString::fromUtf8(prefs.RipPath));
    artistFolder_->setChecked(prefs.RipArtistSubfolder != 0);
    useArtist_->setChecked(prefs.RipUseArtist != 0);
    useAlbum_->setChecked(prefs.RipUseAlbum != 0);
    useTrack_->setChecked(prefs.RipUseTrack != 0);
    signal_->setChecked(prefs.RipSignal != 0);
    // A stored value that matches no radio leaves the group unchecked.
    if (QAbstractButton* radio = jitter_->button(prefs.RipJitter)) radio->setChecked(true);
    if (QAbstractButton* radio = errors_->button(prefs.RipError)) radio->setChecked(true);
    retries_->setText(QString::asprintf("%d", prefs.RipRetries));
    (prefs.RipDestTemp != 0 ? destTemp_ : destPerm_)->setChecked(true);
    ripOnFly_->setChecked(prefs.RipOnFly);
    speeds_->setCurrentIndex(std::max(RowOfValue(speeds_, prefs.RipSpeed), 0));
    // WMA stored on a machine that cannot make WMA files (the media module
    // is missing): the list says so rather than show another format that
    // is not the one stored, and confirming keeps it until the user picks
    // another.
    if (prefs.RipFormat == kFormatWMA && RowOfValue(formats_, kFormatWMA) < 0)
        formats_->addItem(ProgString("PREFR_WmaUnavailable"), kFormatWMA);
    formats_->setCurrentIndex(std::max(RowOfValue(formats_, prefs.RipFormat), 0));
    workingFormat_ = prefs.RipFormat;
}

void CRipPrefsPage::EnableOnOpening() {
    QWidget* window = Window();
    const CPreferences& prefs = Owner().Context().prefs;
    EnableZeControls(window, kRetryControls, static_cast<int>(std::size(kRetryControls)), prefs.RipError == kRetryValue);
    EnableZeControls(window, kFormatControls, static_cast<int>(std::size(kFormatControls)), prefs.RipDestTemp == 0);
    if (ZentEngineInUse(Owner().Context())) {
        EnableZeControls(window, kJitterControls, static_cast<int>(std::size(kJitterControls)), false);
    } else {
        ripOnFly_->setEnabled(false);
    }
    ripOnFly_->hide();
    if (!CdPageRips()) return;
    // Nothing of the ripping may change under a CD page that rips.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty()) control->setEnabled(false);
    }
}

bool CRipPrefsPage::CdPageRips() const {
    if (ripping_) return ripping_();
    const CMainWindow* main = Owner().Context().mainWindow;
    const CFindContainerWindow* pane = main != nullptr ? main->TabPane() : nullptr;
    return pane != nullptr && pane->GetRippingCDTab() != nullptr;
}

void CRipPrefsPage::OnCommand(QWidget*, int control, int code) {
    switch (control) {
        case kErrorIgnore:
        case kErrorRetry:
        case kErrorAbort:
            EnableRetries();
            break;
        case kFormatList:
            if (code == kSelectionChange && formats_->currentIndex() >= 0) {
                workingFormat_ = formats_->currentData().toInt();
            }
            break;
        case kChange:
            ChooseFolder();
            break;
        case kDestTemp:
        case kDestPerm:
            ShowDestination();
            break;
        case kSettings:
            OpenFormatSettings();
            break;
        default:
            break;
    }
}

void CRipPrefsPage::EnableRetries() {
    EnableZeControls(Window(), kRetryControls, static_cast<int>(std::size(kRetryControls)), errorRetry_->isChecked());
}

void CRipPrefsPage::ShowDestination() {
    const bool temporary = destTemp_->isChecked();
    const int shown = temporary ? kFormatWave : workingFormat_;
    formats_->setCurrentIndex(std::max(RowOfValue(formats_, shown), 0));
    EnableZeControls(Window(), kFormatControls, static_cast<int>(std::size(kFormatControls)), destPerm_->isChecked());
}

void CRipPrefsPage::ChooseFolder() {
    std::string chosen = GetUiServices().ChooseFolder(Window(), "PREFR_Folder", nullptr);
    if (chosen.empty()) return;
    if (chosen.back() != '/') chosen += '/';
    folder_->setText(QString::fromStdString(chosen));
}

void CRipPrefsPage::OpenFormatSettings() {
    CPreferences& prefs = Owner().Context().prefs;
    switch (formats_->currentData().toInt()) {
        case kFormatWave: {
            CWaveSettingsDlg dialog(prefs);
            dialog.DoModal(Window());
            break;
        }
        case kFormatMP3: {
            CMP3SettingsDlg dialog(prefs);
            dialog.DoModal(Window());
            break;
        }
        case kFormatWMA: {
            CWMASettingsDlg dialog(prefs);
            dialog.DoModal(Window());
            break;
        }
        default:
            break;
    }
}

bool CRipPrefsPage::Apply() {
    CPreferences& prefs = Owner().Context().prefs;
    const std::string folder = folder_->text().toStdString();
    // The folder is kept in a fixed field; a longer one would be stored cut,
    // and ripping would go to another folder than the one shown.
    if (folder.size() >= sizeof prefs.RipPath) {
        ShowMessageKey(static_cast<QWidget*>(Owner().Window()), kFolderTooLongKey, MB_OK | MB_ICONWARNING);
        return false;
    }
    textcopy::CopyTextCut(folder, prefs.RipPath, sizeof prefs.RipPath);
    prefs.RipSignal = Flag(signal_);
    prefs.RipArtistSubfolder = Flag(artistFolder_);
    prefs.RipUseArtist = Flag(useArtist_);
    prefs.RipUseAlbum = Flag(useAlbum_);
    prefs.RipUseTrack = Flag(useTrack_);
    prefs.RipDestTemp = Flag(destTemp_);
    if (jitter_->checkedId() != -1) prefs.RipJitter = jitter_->checkedId();
    if (errors_->checkedId() != -1) prefs.RipError = errors_->checkedId();
    prefs.RipRetries = NumberOrZero(retries_->text());
    if (speeds_->currentIndex() >= 0) prefs.RipSpeed = speeds_->currentData().toInt();
    if (formats_->currentIndex() >= 0) prefs.RipFormat = formats_->currentData().toInt();
    prefs.RipOnFly = ripOnFly_->isChecked();
    return true;
}

void CRipPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(ProgString("PREFR_PageTitle"));
    CPrefsPage::Show(show);
}
