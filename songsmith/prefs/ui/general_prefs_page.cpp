#include "songsmith/prefs/ui/general_prefs_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMetaObject>
#include <QRadioButton>
#include <algorithm>

#include "filekit/log.h"
#include "platter/platter.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"

namespace {

constexpr const char* kEngineChangedKey = "PFD_EngineChanged";
constexpr const char* kAccessChangedKey = "PFD_ASPIChanged";
constexpr const char* kClosingKey = "PFD_ASPIChangedRem";

// Layout of the page's controls (left, top, width, height).
constexpr int kLeft = 8;
constexpr int kIndent = 24;
constexpr int kSubIndent = 44;
constexpr int kRowHeight = 22;
constexpr int kWidth = 350;

// A control as wide as its text needs, within the page: a button reacts to
// clicks on its box and text only.
template <typename T>
T* AddControl(QWidget* window, int id, const char* key, int left, int top, int height = kRowHeight) {
    auto* control = new T(ProgString(key), window);
    control->setObjectName(QString::number(id));
    const int room = kWidth - (left - kLeft);
    control->setGeometry(left, top, std::min(control->sizeHint().width(), room), height);
    return control;
}

int Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

}  // namespace

void CGeneralPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    CreateControls(window);
    const CPreferences& prefs = Owner().Context().prefs;
    small_->setChecked(prefs.ShowSmallToolbar != 0);
    log_->setChecked(prefs.bLogOn != 0);
    // The box keeps the stored value also while it is disabled, so confirming
    // the page never changes it behind the user's back.
    zentLogging_->setChecked(prefs.bZentLogging != 0);
    ShowEngineInUse();
    EnableCrosswise();
}

void CGeneralPrefsPage::CreateControls(QWidget* window) {
    small_ = AddControl<QCheckBox>(window, kSmallToolbar, "PREFG_Small", kLeft, 8);
    log_ = AddControl<QCheckBox>(window, kLogOn, "PREFG_Log", kLeft, 32);
    auto* text = AddControl<QLabel>(window, kEngineText, "PREFG_Engine", kLeft, 66, 2 * kRowHeight);
    text->setWordWrap(true);
    text->resize(kWidth, text->height());
    zent_ = AddControl<QRadioButton>(window, kZent, "PREFG_Zent", kIndent, 112);
    zentLogging_ = AddControl<QCheckBox>(window, kZentLogging, "PREFG_ZentLogging", kSubIndent, 134);
    goldenHawk_ = AddControl<QRadioButton>(window, kGoldenHawk, "PREFG_GoldenHawk", kIndent, 160);
    ownAccess_ = AddControl<QCheckBox>(window, kOwnDriveAccess, "PREFG_Aspi", kSubIndent, 182);
    ForwardClicks(zent_, kZent);
    ForwardClicks(goldenHawk_, kGoldenHawk);
}

void CGeneralPrefsPage::OnCommand(QWidget*, int control, int) {
    if (control == kZent || control == kGoldenHawk) EnableCrosswise();
}

void CGeneralPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(QStringLiteral("General Preferences"));
    CPrefsPage::Show(show);
}

bool CGeneralPrefsPage::ZentInUse() const { return ZentEngineInUse(Owner().Context()); }

void CGeneralPrefsPage::ShowEngineInUse() {
    const bool zent = ZentInUse();
    zent_->setChecked(zent);
    goldenHawk_->setChecked(!zent);
    ownAccess_->setChecked(Owner().Context().prefs.UseMarovelleASPI != 0);
}

void CGeneralPrefsPage::EnableCrosswise() {
    const bool zent = zent_->isChecked();
    zentLogging_->setEnabled(zent);
    ownAccess_->setEnabled(!zent);
}

bool CGeneralPrefsPage::Apply() {
    ApplyToolbarSize();
    ApplyLogging();
    ApplyEngineAndAccess();
    ApplyZentLogging();
    return true;
}

void CGeneralPrefsPage::ApplyToolbarSize() {
    CPreferences& prefs = Owner().Context().prefs;
    const int small = Flag(small_);
    if (small == prefs.ShowSmallToolbar) return;
    prefs.ShowSmallToolbar = small;
    CMainWindow* main = Owner().Context().mainWindow;
    if (main == nullptr || main->Window() == nullptr || prefs.ShowToolbarWindow == 0) return;
    main->Toolbar().Create(main->Window(), 1);
    if (QWidget* central = main->Window()->centralWidget()) {
        main->ResizeSubWindows(central->width(), central->height());
    }
}

void CGeneralPrefsPage::ApplyLogging() {
    CPreferences& prefs = Owner().Context().prefs;
    prefs.bLogOn = Flag(log_);
    LogOn(prefs.bLogOn);
}

void CGeneralPrefsPage::ApplyEngineAndAccess() {
    CPreferences& prefs = Owner().Context().prefs;
    const int engine = zent_->isChecked() ? kEngineZent : kEngineGoldenHawk;
    const int access = Flag(ownAccess_);
    const int inUse = ZentInUse() ? kEngineZent : kEngineGoldenHawk;
    if (access == prefs.UseMarovelleASPI && engine == inUse) return;
    void* owner = static_cast<QWidget*>(Owner().Window());
    const char* question = engine != prefs.WhichBurningEngine ? kEngineChangedKey : kAccessChangedKey;
    if (ShowMessageKey(owner, question, MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
        ShowEngineInUse();
        EnableCrosswise();
        return;
    }
    prefs.UseMarovelleASPI = access;
    prefs.WhichBurningEngine = engine;
    ShowMessageKey(owner, kClosingKey, MB_OK | MB_ICONWARNING);
    // Queued, so the dialog closes first and the main window then runs its
    // whole close as if the user had closed it.
    CMainWindow* main = Owner().Context().mainWindow;
    if (main != nullptr && main->Window() != nullptr) {
        QMainWindow* window = main->Window();
        QMetaObject::invokeMethod(window, [window] { window->close(); }, Qt::QueuedConnection);
    }
}

void CGeneralPrefsPage::ApplyZentLogging() {
    CPreferences& prefs = Owner().Context().prefs;
    const int on = Flag(zentLogging_);
    if (on == prefs.bZentLogging) return;
    PLATTER_CPlatter* platter = Owner().Context().platter;
    if (platter != nullptr) platter->EnableZentPrivateLogging(on != 0);
    prefs.bZentLogging = on;
}
