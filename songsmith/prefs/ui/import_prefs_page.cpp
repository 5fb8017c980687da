#include "songsmith/prefs/ui/import_prefs_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preference_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/import_favorites_dlg.h"
#include "songsmith/prefs/ui/list_box_rows.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/convert/converter_factory.h"
#include "utilities/shell_folders.h"

namespace {

// Notification of a list whose selection changed, as list boxes send it.
constexpr int kSelectionChanged = 1;

// Layout of the page's controls (the page is 372 by 272 pixels).
constexpr int kLeft = 8;
constexpr int kWidth = 356;
constexpr int kRowHeight = 22;
constexpr int kFormatTop = 22;
constexpr int kFormatStep = 24;
constexpr int kLengthLeft = 124;
constexpr int kLengthWidth = 170;
constexpr int kPlacesTop = 114;
constexpr int kSecondColumn = 188;
constexpr int kButtonWidth = 110;
constexpr int kExclusionsTop = 188;
constexpr int kListTop = 206;
constexpr int kListWidth = 240;
constexpr int kListHeight = 64;
constexpr int kSmallButtonWidth = 100;

constexpr const char* kRemoveFavoritesKey = "PREFI_RemoveExcl";
constexpr const char* kNoFormatsKey = "PREFI_NoFormats";

// The shortest lengths a song of a format may have, by row index.
constexpr const char* kLengthKeys[] = {"PREFI_LengthAny", "PREFI_Length15", "PREFI_Length30",
                                       "PREFI_Length60"};

// A control as wide as its text needs, within room pixels.
template <typename T>
T* AddControl(QWidget* window, int id, const QString& text, int left, int top, int room) {
    auto* control = new T(text, window);
    control->setObjectName(QString::number(id));
    control->setGeometry(left, top, std::min(control->sizeHint().width(), room), kRowHeight);
    return control;
}

QLabel* AddText(QWidget* window, int id, const QString& text, int top) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QString::number(id));
    label->setGeometry(kLeft, top, kWidth, kRowHeight - 4);
    return label;
}

int Flag(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

// The desktop folder with a trailing '/'; empty when there is none or it
// would not fit a path record.
std::string DesktopFolder() {
    char desktop[MAX_PATH] = {};
    if (!GetSpecialFolderPath(desktop, sizeof desktop, kShellFolderDesktop, false)) return {};
    std::string folder = WithTrailingSlash(desktop);
    return FitsPathRecord(folder) ? folder : std::string();
}

}  // namespace

const std::array<CImportPrefsPage::TFormat, 3> CImportPrefsPage::kFormats = {{
    {kMp3, kMp3Length, "MP3 files", &CPreferences::ImportMp3, &CPreferences::ImportMinMp3},
    {kWav, kWavLength, "WAVE files", &CPreferences::ImportWav, &CPreferences::ImportMinWav},
    {kWma, kWmaLength, "WMA files", &CPreferences::ImportWma, &CPreferences::ImportMinWma},
}};

CPreferences& CImportPrefsPage::Prefs() const {
    return Owner().Context().prefs;
}

bool CImportPrefsPage::WmaAllowed() const {
    return ConversionToWMAAllowed() != 0;
}

bool CImportPrefsPage::LibraryImporting() const {
    const CMainWindow* main = Owner().Context().mainWindow;
    const CFindContainerWindow* pane = main != nullptr ? main->TabPane() : nullptr;
    return pane != nullptr && pane->IsLibraryImporting();
}

void CImportPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    CreateControls(window);
    ShowValues();
    // The import reads these while it runs.
    if (LibraryImporting()) {
        for (QWidget* control : window->findChildren<QWidget*>()) control->setEnabled(false);
    }
}

void CImportPrefsPage::CreateControls(QWidget* window) {
    AddText(window, kTitleText, ProgString("PREFI_Title"), 2);
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        const TFormat& format = kFormats[i];
        const int top = kFormatTop + static_cast<int>(i) * kFormatStep;
        formatBoxes_[i] = AddControl<QCheckBox>(window, format.box, QString::fromUtf8(format.text),
                                                kLeft, top, kLengthLeft - kLeft);
        ForwardClicks(formatBoxes_[i], format.box);
        auto* lengths = new QComboBox(window);
        lengths->setObjectName(QString::number(format.lengths));
        for (const char* key : kLengthKeys) lengths->addItem(ProgString(key));
        lengths->setGeometry(kLengthLeft, top, kLengthWidth, kRowHeight);
        lengthLists_[i] = lengths;
    }

    AddText(window, kPlacesText, ProgString("PREFI_Title2"), kPlacesTop - 18);
    favorites_ = AddControl<QCheckBox>(window, kFavorites, ProgString("PREFI_Favorites"), kLeft,
                                       kPlacesTop, kWidth - kButtonWidth - 8);
    viewFavorites_ = new QPushButton(ProgString("PREFI_ViewFavorites"), window);
    viewFavorites_->setObjectName(QString::number(kViewFavorites));
    viewFavorites_->setGeometry(kLeft + kWidth - kButtonWidth, kPlacesTop, kButtonWidth,
                                kRowHeight);
    desktop_ = AddControl<QCheckBox>(window, kDesktop, ProgString("PREFI_Desktop"), kLeft,
                                     kPlacesTop + 24, kSecondColumn - kLeft);
    network_ = AddControl<QCheckBox>(window, kNetwork, ProgString("PREFI_Network"), kSecondColumn,
                                     kPlacesTop + 24, kLeft + kWidth - kSecondColumn);
    rest_ = AddControl<QCheckBox>(window, kRest, ProgString("PREFI_Rest"), kLeft, kPlacesTop + 48,
                                  kWidth);
    for (auto [button, id] : {std::pair<QAbstractButton*, int>{favorites_, kFavorites},
                              {viewFavorites_, kViewFavorites},
                              {desktop_, kDesktop},
                              {rest_, kRest},
                              {network_, kNetwork}}) {
        ForwardClicks(button, id);
    }

    AddText(window, kExclusionsText, ProgString("PREFI_ExclListTitle"), kExclusionsTop);
    exclusions_ = new QListWidget(window);
    exclusions_->setObjectName(QString::number(kExclusions));
    exclusions_->setSelectionMode(QAbstractItemView::SingleSelection);
    exclusions_->setGeometry(kLeft, kListTop, kListWidth, kListHeight);
    QObject::connect(exclusions_, &QListWidget::itemSelectionChanged, window, [this] {
        DlgProc(Window(), TPageMessage{EPageMessage::kCommand, kExclusions, kSelectionChanged});
    });
    const int buttonLeft = kLeft + kListWidth + 8;
    auto* add = new QPushButton(ProgString("PREFI_Add"), window);
    add->setObjectName(QString::number(kAdd));
    add->setGeometry(buttonLeft, kListTop, kSmallButtonWidth, kRowHeight + 2);
    ForwardClicks(add, kAdd);
    remove_ = new QPushButton(ProgString("PREFI_Remove"), window);
    remove_->setObjectName(QString::number(kRemove));
    remove_->setGeometry(buttonLeft, kListTop + 30, kSmallButtonWidth, kRowHeight + 2);
    ForwardClicks(remove_, kRemove);
}

void CImportPrefsPage::ShowValues() {
    const CPreferences& prefs = Prefs();
    const bool wma = WmaAllowed();
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        const TFormat& format = kFormats[i];
        // Without WMA support the box is off, whatever was stored, so
        // confirming stores 0 and the import never looks for such files.
        const bool usable = format.box != kWma || wma;
        formatBoxes_[i]->setEnabled(usable);
        formatBoxes_[i]->setChecked(usable && prefs.*format.on != 0);
        const int shortest = prefs.*format.shortest;
        // A stored index that names no row shows the first one.
        lengthLists_[i]->setCurrentIndex(
            shortest >= 0 && shortest < lengthLists_[i]->count() ? shortest : 0);
        lengthLists_[i]->setEnabled(formatBoxes_[i]->isChecked());
    }
    for (const TExcludeDir& excluded : prefs.ImportExcludeDirs)
        AppendPathRow(exclusions_, excluded.path);
    favorites_->setChecked(prefs.ImportFavorites != 0);
    viewFavorites_->setEnabled(favorites_->isChecked());
    desktop_->setChecked(prefs.ImportDesktop != 0);
    rest_->setChecked(prefs.ImportRest != 0);
    network_->setChecked(prefs.ImportNetwork != 0);
    EnableRemove();
}

void CImportPrefsPage::OnCommand(QWidget*, int control, int) {
    switch (control) {
        case kMp3:
        case kWav:
        case kWma:
            OnFormatClicked(control);
            break;
        case kFavorites:
            viewFavorites_->setEnabled(favorites_->isChecked());
            break;
        case kDesktop:
            OnDesktopClicked();
            break;
        case kAdd:
            OnAdd();
            break;
        case kRemove:
            OnRemove();
            break;
        case kExclusions:
            EnableRemove();
            break;
        case kViewFavorites: {
            CImportFavoritesDlg favorites(Prefs());
            favorites.DoModal(Window());
            break;
        }
        default:
            // The rest and network boxes keep their state in the box.
            break;
    }
}

void CImportPrefsPage::OnFormatClicked(int box) {
    for (std::size_t i = 0; i < kFormats.size(); ++i)
        if (kFormats[i].box == box) lengthLists_[i]->setEnabled(formatBoxes_[i]->isChecked());
}

void CImportPrefsPage::OnDesktopClicked() {
    const std::string desktop = DesktopFolder();
    if (desktop.empty()) return;
    if (!desktop_->isChecked()) {
        AppendPathRow(exclusions_, desktop);
        return;
    }
    for (int row = 0; row < exclusions_->count(); ++row) {
        if (RowPath(exclusions_, row) != desktop) continue;
        delete exclusions_->takeItem(row);
        EnableRemove();
        return;
    }
}

void CImportPrefsPage::OnAdd() {
    void* owner = static_cast<QWidget*>(Window());
    const std::string folder = ChooseListFolder(owner, "PREFI_SelectFolder", lastFolder_.c_str());
    if (folder.empty() || HasRowPath(exclusions_, folder)) return;
    CPreferences& prefs = Prefs();
    // The import must not search a folder it is told to leave out, so the
    // user may drop the favourites inside it; that acts at once.
    prefs.Lock();
    const bool favoritesInside = HasFoldersIn(prefs.MusicDirectories, folder);
    prefs.Unlock();
    if (favoritesInside) {
        const QByteArray caption = ProgString("PREFI_RemoveExclTitle").toUtf8();
        if (ShowMessageKey(owner, kRemoveFavoritesKey, MB_YESNO | MB_ICONQUESTION,
                           caption.constData()) == IDYES) {
            prefs.Lock();
            RemoveFoldersIn(prefs.MusicDirectories, folder);
            prefs.Unlock();
        }
    }
    AppendPathRow(exclusions_, folder);
    lastFolder_ = folder;
}

void CImportPrefsPage::OnRemove() {
    DeleteSelectedRow(exclusions_);
    EnableRemove();
}

void CImportPrefsPage::EnableRemove() {
    remove_->setEnabled(SelectedRow(exclusions_) >= 0);
}

bool CImportPrefsPage::Apply() {
    const bool anyFormat = std::any_of(formatBoxes_.begin(), formatBoxes_.end(),
                                       [](const QCheckBox* box) { return box->isChecked(); });
    if (!anyFormat) {
        ShowMessageKey(static_cast<QWidget*>(Window()), kNoFormatsKey, MB_OK | MB_ICONWARNING,
                       "No Formats Selected");
        return false;
    }
    CPreferences& prefs = Prefs();
    for (std::size_t i = 0; i < kFormats.size(); ++i) {
        const int on = Flag(formatBoxes_[i]);
        prefs.*kFormats[i].on = on;
        prefs.*kFormats[i].shortest = on != 0 ? lengthLists_[i]->currentIndex() : 0;
    }
    prefs.ImportFavorites = Flag(favorites_);
    prefs.ImportDesktop = Flag(desktop_);
    prefs.ImportRest = Flag(rest_);
    prefs.ImportNetwork = Flag(network_);
    prefs.ImportExcludeDirs.Empty();
    for (int row = 0; row < exclusions_->count(); ++row) {
        TExcludeDir excluded{};
        const std::string path = RowPath(exclusions_, row);
        // Every row was checked to fit when it was added or loaded.
        path.copy(excluded.path, sizeof excluded.path - 1);
        prefs.ImportExcludeDirs.Append(excluded);
    }
    return true;
}

void CImportPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(QStringLiteral("Import Preferences"));
    CPrefsPage::Show(show);
}
