#include "songsmith/prefs/ui/burning_prefs_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <initializer_list>
#include <cstdint>
#include <optional>

#include "platter/platter.h"
#include "platter/types.h"
#include "songsmith/burn/burn_status.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/system_switches.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "tonecore/engine/engine_settings.h"

namespace {

constexpr const char* kRebootTitleKey = "BEM_RebootTitle";
constexpr const char* kRebootMessageKey = "BEM_RebootMessage";

// Layout of the page's controls (the page is 372 by 272 pixels).
constexpr int kLeft = 8;
constexpr int kRight = 364;
constexpr int kIndent = 24;
constexpr int kRowHeight = 22;
constexpr int kGap = 6;
constexpr int kSecondColumn = 188;
// The row tops, from the writer down to the disc size group.
constexpr int kWriterTop = 2;
constexpr int kEjectTop = 30;
constexpr int kDriveSettingsTop = 54;
constexpr int kWarnTop = 78;
constexpr int kMandatoryTop = 102;
constexpr int kNormalizeTop = 126;
constexpr int kLevelTop = 150;
constexpr int kTrimTop = 174;
constexpr int kSizeGroupTop = 200;
constexpr int kSizeGroupHeight = 70;
// The two rows inside the disc size group, below its title.
constexpr int kAutoDetectTop = 20;
constexpr int kUseSizeTop = 44;

// The writer's address as the preferences keep it: first, second and third
// number in "BurnerPrefs".
struct TWriterAddress {
    std::int32_t first = -1;
    std::int32_t second = -1;
    std::int32_t third = -1;
    bool operator==(const TWriterAddress&) const = default;
};

TWriterAddress StoredWriter(const CPreferences& prefs) {
    return {prefs.BurnerPrefs[kBurnerWriterFirst], prefs.BurnerPrefs[kBurnerWriterSecond],
            prefs.BurnerPrefs[kBurnerWriterThird]};
}

void StoreWriter(CPreferences& prefs, const TWriterAddress& address) {
    prefs.BurnerPrefs[kBurnerWriterFirst] = address.first;
    prefs.BurnerPrefs[kBurnerWriterSecond] = address.second;
    prefs.BurnerPrefs[kBurnerWriterThird] = address.third;
}

TWriterAddress AddressOf(const PLATTER_CDevice& device) {
    return {device.hostAdapter, device.target, device.lun};
}

// The writer's drive settings in the order of their boxes (1271 to 1273),
// read and written for the writer the burner uses.
struct TDriveSettingCalls {
    bool (*get)(CBurner& burner, int* out);
    bool (*set)(CBurner& burner, std::uint8_t value);
};
constexpr TDriveSettingCalls kDriveSettingCalls[] = {
    {[](CBurner& burner, int* out) { return burner.GetDisconnect(out); },
     [](CBurner& burner, std::uint8_t value) { return burner.SetDisconnect(value); }},
    {[](CBurner& burner, int* out) { return burner.GetAutoInsertNotification(out); },
     [](CBurner& burner, std::uint8_t value) { return burner.SetAutoInsertNotification(value); }},
    {[](CBurner& burner, int* out) { return burner.GetSyncDataXfer(out); },
     [](CBurner& burner, std::uint8_t value) { return burner.SetSyncDataXfer(value); }},
};

int Flag(const QAbstractButton* button) { return button->isChecked() ? 1 : 0; }

// The number a list row shows; none when its text is not a number.
std::optional<int> RowNumber(const QComboBox* list) {
    bool ok = false;
    const int number = list->currentText().trimmed().toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

// The row whose number matches, else fallback.
void SelectNumber(QComboBox* list, int number, int fallback) {
    for (int row = 0; row < list->count(); ++row) {
        bool ok = false;
        if (list->itemText(row).trimmed().toInt(&ok) == number && ok) {
            list->setCurrentIndex(row);
            return;
        }
    }
    list->setCurrentIndex(fallback);
}

// Places controls left to right along one row, each as wide as it needs
// and never past the right edge.
class CControlRow {
public:
    CControlRow(QWidget* parent, int left, int top, int right = kRight)
        : parent_(parent), left_(left), top_(top), right_(right) {}

    template <typename T>
    T* Add(int id, const QString& text) {
        auto* control = new T(text, parent_);
        Place(control, id, control->sizeHint().width());
        return control;
    }
    QComboBox* AddList(int id, int width = 0) {
        auto* list = new QComboBox(parent_);
        Place(list, id, width);
        return list;
    }
    // A list of the numbers 0 to last, formatted by format ("%d" or "%2d"),
    // as wide as its rows.
    QComboBox* AddNumbers(int id, const char* format, int last) {
        QComboBox* list = AddList(id);
        for (int number = 0; number <= last; ++number)
            list->addItem(QString::asprintf(format, number));
        Fit(list);
        return list;
    }
    // Lists are filled before they are placed, so their width fits their rows.
    void Fit(QComboBox* list, int width = 0) {
        list->setGeometry(list->x(), top_, width > 0 ? width : list->sizeHint().width(), kRowHeight);
        left_ = list->geometry().right() + 1 + kGap;
    }
    void MoveTo(int left) { left_ = left; }

private:
    void Place(QWidget* control, int id, int width) {
        control->setObjectName(QString::number(id));
        control->setGeometry(left_, top_, std::min(width, right_ - left_), kRowHeight);
        left_ += control->width() + kGap;
    }

    QWidget* parent_;
    int left_;
    int top_;
    int right_;
};

}  // namespace

const TPrefsContext& CBurningPrefsPage::Context() const { return Owner().Context(); }

CPreferences& CBurningPrefsPage::Prefs() const { return Context().prefs; }

bool CBurningPrefsPage::BurnRunning() const {
    const CBurner* burner = Context().burner;
    return burner != nullptr && IsBurnStepState(burner->State());
}

void CBurningPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    CreateControls(window);
    ShowValues();
    if (BurnRunning()) DisableAll();
}

void CBurningPrefsPage::CreateControls(QWidget* window) {
    CControlRow writer(window, kLeft, kWriterTop);
    writer.Add<QLabel>(kWriterText, ProgString("PREFB_Device"));
    writerList_ = writer.AddList(kWriterList, kRight);

    CControlRow endOfBurn(window, kLeft, kEjectTop);
    eject_ = endOfBurn.Add<QCheckBox>(kEject, ProgString("PREFB_Eject"));
    endOfBurn.MoveTo(kSecondColumn);
    playSound_ = endOfBurn.Add<QCheckBox>(kPlaySound, ProgString("PREFB_Play"));

    CControlRow drive(window, kLeft, kDriveSettingsTop);
    settings_[0].box = drive.Add<QCheckBox>(kDisconnect, ProgString("PREFB_Disc"));
    settings_[1].box = drive.Add<QCheckBox>(kAutoInsert, ProgString("PREFB_AIN"));
    settings_[2].box = drive.Add<QCheckBox>(kSyncTransfer, ProgString("PREFB_Sync"));

    CControlRow warn(window, kLeft, kWarnTop);
    warn_ = warn.Add<QCheckBox>(kWarnIncomplete, ProgString("PREFB_Warn"));
    warn.Add<QLabel>(kWarnText, ProgString("PREFB_Warn1"));
    warnPercent_ = warn.AddNumbers(kWarnPercentList, "%d", kWarnPercentRows - 1);
    warn.Add<QLabel>(kWarnPercentText, QStringLiteral("%"));

    CControlRow mandatory(window, kLeft, kMandatoryTop);
    mandatory_ = mandatory.Add<QCheckBox>(kMandatoryOnly, ProgString("PREFB_Mand"));

    CControlRow normalize(window, kLeft, kNormalizeTop);
    normalize_ = normalize.Add<QCheckBox>(kNormalize, ProgString("PREFB_Norm"));
    normalizePercent_ = normalize.AddNumbers(kNormalizeList, "%2d", kNormalizeRows - 1);
    normalize.Add<QLabel>(kNormalizePercentText, QStringLiteral("%"));

    CControlRow level(window, kIndent, kLevelTop);
    level.Add<QLabel>(kNormalizeText1, ProgString("PREFB_Norm1"));
    toLoudest_ = level.Add<QRadioButton>(kToLoudest, ProgString("PREFB_NormOpt1"));
    level.Add<QLabel>(kNormalizeText2, ProgString("PREFB_Norm2"));
    toFull_ = level.Add<QRadioButton>(kToFull, ProgString("PREFB_NormOpt2"));

    CControlRow trim(window, kLeft, kTrimTop);
    trim_ = trim.Add<QCheckBox>(kTrim, ProgString("PREFB_Trim"));
    trim.Add<QLabel>(kTrimText1, ProgString("PREFB_Trim1"));
    trimSeconds_ = trim.AddNumbers(kTrimList, "%2d", kTrimRows - 1);
    trim.Add<QLabel>(kTrimText2, ProgString("PREFB_Trim2"));

    auto* group = new QGroupBox(QStringLiteral("CD Size"), window);
    group->setObjectName(QString::number(kSizeGroup));
    group->setGeometry(kLeft, kSizeGroupTop, kRight - kLeft, kSizeGroupHeight);
    const int groupRight = group->width() - kLeft;
    CControlRow detect(group, kLeft, kAutoDetectTop, groupRight);
    autoDetect_ = detect.Add<QRadioButton>(kAutoDetectSize, QStringLiteral("Auto detect"));
    CControlRow use(group, kLeft, kUseSizeTop, groupRight);
    useSize_ = use.Add<QRadioButton>(kUseSize, QStringLiteral("Use:"));
    sizeList_ = use.AddList(kSizeList);
    for (int minutes : kDiscMinutes) {
        QString text = QString::asprintf("%d mins", minutes);
        if (minutes == kDefaultDiscMinutes) text += QStringLiteral(" (default)");
        sizeList_->addItem(text, minutes);
    }
    use.Fit(sizeList_);
    use.Add<QLabel>(kSizeText, QStringLiteral("CDs"));

    ForwardClicks(warn_, kWarnIncomplete);
    ForwardClicks(normalize_, kNormalize);
    ForwardClicks(trim_, kTrim);
    ForwardClicks(autoDetect_, kAutoDetectSize);
    ForwardClicks(useSize_, kUseSize);
}

void CBurningPrefsPage::ShowValues() {
    const CPreferences& prefs = Prefs();
    FillWriters();
    eject_->setChecked(prefs.BurnerPrefs[kBurnerEject] != 0);
    ShowDriveSettings();
    playSound_->setChecked(prefs.BurnerPrefs[kBurnerPlaySound] != 0);

    warn_->setChecked(prefs.bWarnAboutIncompleteSongs != 0);
    SelectNumber(warnPercent_, prefs.partialSongThreshold, kWarnPercentFallbackRow);
    EnableWarnGroup();

    mandatory_->setChecked(prefs.bMandatoryWaveConversionsOnly != 0);
    // The Zent engine always converts every song.
    if (ZentEngineInUse(Context())) mandatory_->setEnabled(false);

    normalize_->setChecked(prefs.bNormalizeSounds != 0);
    toLoudest_->setChecked(prefs.bNormalizeToLoudestTrack == 1);
    toFull_->setChecked(prefs.bNormalizeToLoudestTrack != 1);
    SelectNumber(normalizePercent_, prefs.iNormDiffThreshold, 0);
    EnableNormalizeGroup();

    trim_->setChecked(prefs.bTrimSoundsAutomatically != 0);
    // Row n is n seconds; the preference counts milliseconds.
    const bool wholeSeconds = prefs.minTrimThreshold % 1000 == 0;
    SelectNumber(trimSeconds_, wholeSeconds ? prefs.minTrimThreshold / 1000 : -1, 0);
    EnableTrimGroup();

    autoDetect_->setChecked(prefs.bAutoDetectMediaSize != 0);
    useSize_->setChecked(prefs.bAutoDetectMediaSize == 0);
    sizeList_->setCurrentIndex(sizeList_->findData(prefs.iDefaultMediaSize));
    EnableSizeList();
}

void CBurningPrefsPage::FillWriters() {
    const TPrefsContext& context = Context();
    std::optional<CPlatterDrives> library;
    IBurnerDrives* drives = context.drives;
    if (drives == nullptr && context.platter != nullptr) drives = &library.emplace(*context.platter);
    writers_.clear();
    const std::int32_t count = drives != nullptr ? drives->GetDevices() : 0;
    for (std::int32_t i = 0; i < count; ++i) {
        PLATTER_CDevice* device = drives->GetDevice(i);
        if (device == nullptr || (device->capabilities & PLATTER_CAP_WRITER) == 0) continue;
        writerList_->addItem(QString::fromUtf8(device->GetName()), static_cast<int>(writers_.size()));
        writers_.push_back(device);
    }
    const TWriterAddress stored = StoredWriter(Prefs());
    int selected = writers_.empty() ? -1 : 0;
    for (std::size_t row = 0; row < writers_.size(); ++row) {
        if (AddressOf(*writers_[row]) == stored) {
            selected = static_cast<int>(row);
            break;
        }
    }
    writerList_->setCurrentIndex(selected);
}

void CBurningPrefsPage::ShowDriveSettings() {
    CBurner* burner = Context().burner;
    for (std::size_t i = 0; i < settings_.size(); ++i) {
        int value = 0;
        TDriveSetting& setting = settings_[i];
        setting.readable = burner != nullptr && kDriveSettingCalls[i].get(*burner, &value);
        setting.box->setChecked(setting.readable && value != 0);
        setting.box->setEnabled(setting.readable);
    }
}

void CBurningPrefsPage::EnableControls(std::initializer_list<int> ids, bool on) {
    for (int id : ids) {
        if (auto* control = Window()->findChild<QWidget*>(QString::number(id))) control->setEnabled(on);
    }
}

void CBurningPrefsPage::EnableWarnGroup() {
    EnableControls({kWarnText, kWarnPercentList, kWarnPercentText}, warn_->isChecked());
}

void CBurningPrefsPage::EnableNormalizeGroup() {
    EnableControls({kNormalizeList, kNormalizePercentText, kNormalizeText1, kToLoudest,
                    kNormalizeText2, kToFull},
                   normalize_->isChecked());
}

void CBurningPrefsPage::EnableTrimGroup() {
    EnableControls({kTrimText1, kTrimList, kTrimText2}, trim_->isChecked());
}

void CBurningPrefsPage::EnableSizeList() {
    EnableControls({kSizeList, kSizeText}, !autoDetect_->isChecked());
}

void CBurningPrefsPage::DisableAll() {
    for (QWidget* control : Window()->findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty()) control->setEnabled(false);
    }
}

void CBurningPrefsPage::OnCommand(QWidget*, int control, int) {
    switch (control) {
        case kWarnIncomplete:
            EnableWarnGroup();
            break;
        case kNormalize:
            EnableNormalizeGroup();
            break;
        case kTrim:
            EnableTrimGroup();
            break;
        case kAutoDetectSize:
        case kUseSize:
            EnableSizeList();
            break;
        default:
            break;
    }
}

void CBurningPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(QStringLiteral("Burning CDs Preferences"));
    CPrefsPage::Show(show);
}

bool CBurningPrefsPage::Apply() {
    const TPrefsContext& context = Context();
    CPreferences& prefs = Prefs();
    const bool burning = BurnRunning();
    // A running burn keeps the writer and its settings it is using.
    const bool writerChanged = !burning && ApplyWriter();
    prefs.BurnerPrefs[kBurnerEject] = Flag(eject_);
    // The boxes show the settings of the writer the page opened with; a new
    // writer's settings were never shown, so they are left alone.
    const bool restartNeeded = !burning && !writerChanged && ApplyDriveSettings();
    prefs.BurnerPrefs[kBurnerPlaySound] = Flag(playSound_);
    prefs.bWarnAboutIncompleteSongs = Flag(warn_);
    if (const std::optional<int> percent = RowNumber(warnPercent_)) {
        prefs.partialSongThreshold = *percent;
        SetPartialSongThreshold(*percent);
    }
    ApplyConversionSettings();
    prefs.bAutoDetectMediaSize = Flag(autoDetect_);
    if (sizeList_->currentIndex() >= 0) prefs.iDefaultMediaSize = sizeList_->currentData().toInt();

    if (context.updateTotals) context.updateTotals();
    if (context.mainWindow != nullptr) context.mainWindow->UpdateTitle();
    if (context.refreshGain) context.refreshGain();
    if (restartNeeded) AskForRestart();
    return true;
}

bool CBurningPrefsPage::ApplyWriter() {
    const TPrefsContext& context = Context();
    CPreferences& prefs = Prefs();
    const TWriterAddress stored = StoredWriter(prefs);
    const int row = writerList_->currentIndex();
    if (row < 0 || static_cast<std::size_t>(row) >= writers_.size()) {
        StoreWriter(prefs, TWriterAddress{});
        return false;
    }
    const TWriterAddress chosen = AddressOf(*writers_[static_cast<std::size_t>(row)]);
    if (chosen == stored) return false;
    if (ZentEngineInUse(context) && context.platter != nullptr) {
        const CWaitCursor wait;
        context.platter->SetWriterDrive(chosen.first, chosen.second, chosen.third);
    }
    StoreWriter(prefs, chosen);
    // The controller picks its writer from the stored address.
    if (context.burner != nullptr) {
        context.burner->Shutdown();
        context.burner->Initialize();
    }
    return true;
}

bool CBurningPrefsPage::ApplyDriveSettings() {
    CBurner* burner = Context().burner;
    if (burner == nullptr) return false;
    bool written = false;
    for (std::size_t i = 0; i < settings_.size(); ++i) {
        const TDriveSetting& setting = settings_[i];
        const TDriveSettingCalls& calls = kDriveSettingCalls[i];
        int current = 0;
        // A setting the page could not show is never written.
        if (!setting.readable || !calls.get(*burner, &current)) continue;
        const int wanted = Flag(setting.box);
        if ((current != 0) == (wanted != 0)) continue;
        written = calls.set(*burner, static_cast<std::uint8_t>(wanted)) || written;
    }
    return written;
}

void CBurningPrefsPage::ApplyConversionSettings() {
    const TPrefsContext& context = Context();
    CPreferences& prefs = Prefs();
    const int mandatory = Flag(mandatory_);
    const int normalize = Flag(normalize_);
    const int normalizePercent = RowNumber(normalizePercent_).value_or(prefs.iNormDiffThreshold);
    const int toLoudest = Flag(toLoudest_);
    const int trim = Flag(trim_);
    const std::optional<int> trimSeconds = RowNumber(trimSeconds_);
    const int trimMs = trimSeconds ? *trimSeconds * 1000 : prefs.minTrimThreshold;

    // Converted files made with the old settings would no longer be right.
    const bool outdated = (prefs.bMandatoryWaveConversionsOnly != 0 && mandatory == 0) ||
                          normalize != prefs.bNormalizeSounds ||
                          (normalize != 0 && normalizePercent != prefs.iNormDiffThreshold) ||
                          (normalize != 0 && toLoudest != prefs.bNormalizeToLoudestTrack) ||
                          trim != prefs.bTrimSoundsAutomatically ||
                          (trim != 0 && trimMs < prefs.minTrimThreshold);
    if (outdated && context.conversionOutdated) context.conversionOutdated();

    prefs.bMandatoryWaveConversionsOnly = mandatory;
    prefs.bNormalizeSounds = normalize;
    if (context.refreshGain) context.refreshGain();
    prefs.iNormDiffThreshold = normalizePercent;
    prefs.bNormalizeToLoudestTrack = toLoudest;
    prefs.bTrimSoundsAutomatically = trim;
    prefs.minTrimThreshold = trimMs;
}

void CBurningPrefsPage::AskForRestart() {
    const QByteArray caption = ProgString(kRebootTitleKey).toUtf8();
    void* owner = static_cast<QWidget*>(Owner().Window());
    if (ShowMessageKey(owner, kRebootMessageKey, MB_YESNO | MB_ICONWARNING, caption.constData()) ==
        IDYES)
        RestartWindows(true, nullptr);
}
