#include "songsmith/library/ui/import_favorites_dlg.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cstdint>
#include <ctime>

#include "platform/message_box.h"
#include "songsmith/prefs/preference_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/list_box_rows.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/file_system.h"
#include "utilities/ui/center_window.h"

namespace {

// Layout of the dialog (left, top, width, height).
constexpr int kDialogWidth = 420;
constexpr int kDialogHeight = 310;
constexpr int kMargin = 10;
constexpr int kTextWidth = kDialogWidth - 2 * kMargin;
constexpr int kListTop = 86;
constexpr int kListWidth = 290;
constexpr int kListHeight = 180;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 24;
constexpr int kButtonLeft = kMargin + kListWidth + 10;

// The time stamp of a row.
constexpr int kStampRole = Qt::UserRole;

// The Qt window: its close box and Escape are Cancel.
class CFavoritesFrame : public QDialog {
public:
    CFavoritesFrame(QWidget* parent, CImportFavoritesDlg& owner) : QDialog(parent), owner_(owner) {}
    void reject() override { owner_.OnCancel(); }

private:
    CImportFavoritesDlg& owner_;
};

std::uint32_t RowStamp(const QListWidget* list, int row) {
    return static_cast<std::uint32_t>(list->item(row)->data(kStampRole).toULongLong());
}

}  // namespace

CImportFavoritesDlg::CImportFavoritesDlg(CPreferences& prefs) : prefs_(prefs) {}

CImportFavoritesDlg::~CImportFavoritesDlg() {
    delete dialog_.data();
}

int CImportFavoritesDlg::DoModal(QWidget* parent) {
    auto* frame = new CFavoritesFrame(parent, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    const int result = frame->exec();
    delete frame;
    return result;
}

void CImportFavoritesDlg::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    FillList();
    OnSelectionChanged();
    CenterWindow(&dialog, dialog.parentWidget());
}

void CImportFavoritesDlg::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("PREFI2_Favorites"));
    dialog.setFixedSize(kDialogWidth, kDialogHeight);

    auto* title = new QLabel(ProgString("PREFI2_Favorites"), &dialog);
    title->setObjectName(QString::number(kTitleText));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setGeometry(kMargin, kMargin, kTextWidth, 18);
    auto* description = new QLabel(ProgString("PREFI2_FavoritesDesc"), &dialog);
    description->setObjectName(QString::number(kDescription));
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setGeometry(kMargin, 32, kTextWidth, kListTop - 32 - 6);

    list_ = new QListWidget(&dialog);
    list_->setObjectName(QString::number(kList));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setGeometry(kMargin, kListTop, kListWidth, kListHeight);
    QObject::connect(list_, &QListWidget::itemSelectionChanged, &dialog,
                     [this] { OnSelectionChanged(); });

    struct TButton {
        int id;
        QString text;
        int top;
        void (CImportFavoritesDlg::*handler)();
    };
    const TButton buttons[] = {
        {kAdd, ProgString("PREFI_Add"), kListTop, &CImportFavoritesDlg::OnAdd},
        {kRemove, ProgString("PREFI_Remove"), kListTop + 30, &CImportFavoritesDlg::OnRemove},
        {kUp, ProgString("PREFI_Up"), kListTop + 72, &CImportFavoritesDlg::OnUp},
        {kDown, ProgString("PREFI_Down"), kListTop + 102, &CImportFavoritesDlg::OnDown},
        {IDOK, ProgString("OK"), kDialogHeight - kMargin - kButtonHeight,
         &CImportFavoritesDlg::OnOk},
        {IDCANCEL, ProgString("Cancel"), kDialogHeight - kMargin - kButtonHeight,
         &CImportFavoritesDlg::OnCancel},
    };
    for (const TButton& entry : buttons) {
        auto* button = new QPushButton(entry.text, &dialog);
        button->setObjectName(QString::number(entry.id));
        const int left = entry.id == IDOK       ? kDialogWidth - kMargin - 2 * kButtonWidth - 8
                         : entry.id == IDCANCEL ? kDialogWidth - kMargin - kButtonWidth
                                                : kButtonLeft;
        button->setGeometry(left, entry.top, kButtonWidth, kButtonHeight);
        button->setAutoDefault(false);
        button->setDefault(entry.id == IDOK);
        QObject::connect(button, &QPushButton::clicked, &dialog,
                         [this, handler = entry.handler] { (this->*handler)(); });
        if (entry.id == kRemove) remove_ = button;
        if (entry.id == kUp) up_ = button;
        if (entry.id == kDown) down_ = button;
    }
}

void CImportFavoritesDlg::FillList() {
    prefs_.Lock();
    for (int i = 0; i < prefs_.MusicDirectories.Count(); ++i) {
        const _lastDirList* folder = prefs_.MusicDirectories.Index(i);
        if (folder == nullptr) continue;
        QListWidgetItem* row = AppendPathRow(list_, folder->path);
        row->setData(kStampRole,
                     QVariant::fromValue<qulonglong>(static_cast<std::uint32_t>(folder->number)));
    }
    prefs_.Unlock();
}

void CImportFavoritesDlg::OnSelectionChanged() {
    const int row = SelectedRow(list_);
    remove_->setEnabled(row >= 0);
    up_->setEnabled(row > 0);
    down_->setEnabled(row >= 0 && row < list_->count() - 1);
}

void CImportFavoritesDlg::OnAdd() {
    const std::string folder =
        ChooseListFolder(static_cast<QWidget*>(dialog_), "PREFI_SelectFolder", lastFolder_.c_str());
    if (folder.empty() || HasRowPath(list_, folder)) return;
    QListWidgetItem* row = AppendPathRow(list_, folder);
    row->setData(kStampRole,
                 QVariant::fromValue<qulonglong>(static_cast<std::uint32_t>(std::time(nullptr))));
    lastFolder_ = folder;
    // A new last row gives the selected one somewhere to go down to.
    OnSelectionChanged();
}

void CImportFavoritesDlg::OnRemove() {
    DeleteSelectedRow(list_);
    OnSelectionChanged();
}

void CImportFavoritesDlg::OnUp() {
    MoveSelected(-1);
}

void CImportFavoritesDlg::OnDown() {
    MoveSelected(1);
}

void CImportFavoritesDlg::MoveSelected(int step) {
    const int row = SelectedRow(list_);
    const int target = row + step;
    if (row < 0 || target < 0 || target >= list_->count()) return;
    SwapRowPaths(list_, row, target);
    SelectRow(list_, target);
    OnSelectionChanged();
}

void CImportFavoritesDlg::OnOk() {
    prefs_.Lock();
    prefs_.MusicDirectories.DeleteAll();
    // The list keeps its folders newest stamp first, and equal stamps in the
    // order they were added: a row's stamp is lowered to the one above it
    // when it is newer (a row moved up, a folder added at the end), so the
    // folders are kept in the order the list shows.
    std::uint32_t above = UINT32_MAX;
    for (int row = 0; row < list_->count(); ++row) {
        const std::string folder = RowPath(list_, row);
        // A folder deleted or renamed since it was listed would only make
        // the import search in vain.
        if (IsValidDirectory(folder.c_str()) == 0) continue;
        above = std::min(above, RowStamp(list_, row));
        prefs_.MusicDirectories.Add(folder.c_str(), above, 0, 0);
    }
    prefs_.Unlock();
    dialog_->done(IDOK);
}

void CImportFavoritesDlg::OnCancel() {
    dialog_->done(IDCANCEL);
}
