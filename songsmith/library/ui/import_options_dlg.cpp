#include "songsmith/library/ui/import_options_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "platform/message_box.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preference_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/list_box_rows.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "songsmith/app/ui/prog_string.h"
#include "tonecore/convert/converter_factory.h"

namespace {

constexpr int kWidth = 440;
constexpr int kMargin = 12;
constexpr int kRowHeight = 22;
constexpr int kPictureSize = 48;
constexpr int kLengthLeft = 150;
constexpr int kLengthWidth = 190;
constexpr int kListWidth = 300;
constexpr int kButtonWidth = 96;

constexpr const char* kLengthKeys[] = {"PREFI_LengthAny", "PREFI_Length15", "PREFI_Length30", "PREFI_Length60"};

QLabel* AddWrappedLabel(QDialog& dialog, int id, const char* key, QRect where) {
    auto* label = new QLabel(ProgString(key), &dialog);
    label->setObjectName(QString::number(id));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(where);
    return label;
}

}  // namespace

const std::array<CImportOptionsDlg::TKind, 3> CImportOptionsDlg::kKinds = {{
    {kMp3, kMp3Length, "InitImport_Mp3", &CPreferences::ImportMp3, &CPreferences::ImportMinMp3},
    {kWav, kWavLength, "InitImport_Wav", &CPreferences::ImportWav, &CPreferences::ImportMinWav},
    {kWma, kWmaLength, "InitImport_Wma", &CPreferences::ImportWma, &CPreferences::ImportMinWma},
}};

CImportOptionsDlg::CImportOptionsDlg(CPreferences& prefs) : prefs_(prefs) {}

void CImportOptionsDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(QString::fromStdString(
        FormatKeyedText("InitImport_Title", {KeyedText("Program Name").c_str()})));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* picture = new QLabel(&dialog);
    picture->setObjectName(QString::number(kPicture));
    picture->setPixmap(ProgramIcon().pixmap(kPictureSize, kPictureSize));
    picture->setGeometry(kMargin, kMargin, kPictureSize, kPictureSize);
    const int textLeft = kMargin + kPictureSize + kMargin;
    AddWrappedLabel(dialog, kLabel1, "InitImport_Label1", QRect(textLeft, kMargin, kWidth - textLeft - kMargin, 34));
    AddWrappedLabel(dialog, kLabel2, "InitImport_Label2", QRect(textLeft, 50, kWidth - textLeft - kMargin, 48));
    AddWrappedLabel(dialog, kLabel3, "InitImport_Label3", QRect(kMargin, 106, kWidth - 2 * kMargin, 18));

    const bool wmaAllowed = ConversionToWMAAllowed() != 0;
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        const TKind& kind = kKinds[i];
        const int top = 128 + static_cast<int>(i) * 28;
        const bool usable = kind.box != kWma || wmaAllowed;
        on_[i] = usable && prefs_.*kind.on != 0;
        QCheckBox* box = AddCheckBox(kind.box, ProgString(kind.textKey),
                                     QRect(kMargin + 12, top, kLengthLeft - kMargin - 16, kRowHeight), on_[i]);
        box->setEnabled(usable);
        auto* lengths = new QComboBox(&dialog);
        lengths->setObjectName(QString::number(kind.lengths));
        for (const char* key : kLengthKeys) lengths->addItem(ProgString(key));
        const int shortest = prefs_.*kind.shortest;
        lengths->setCurrentIndex(shortest >= 0 && shortest < lengths->count() ? shortest : 0);
        lengths->setGeometry(kLengthLeft, top, kLengthWidth, kRowHeight);
        lengths->setEnabled(on_[i]);
        QObject::connect(box, &QCheckBox::clicked, &dialog, [this, id = kind.box] { OnCommand(id); });
    }

    AddWrappedLabel(dialog, kLabel7, "InitImport_Label7", QRect(kMargin, 216, kWidth - 2 * kMargin, 18));
    AddWrappedLabel(dialog, kLabel9, "InitImport_Label9", QRect(kMargin, 240, kWidth - 2 * kMargin, 18));
    auto* folders = new QListWidget(&dialog);
    folders->setObjectName(QString::number(kFolders));
    folders->setSelectionMode(QAbstractItemView::SingleSelection);
    folders->setGeometry(kMargin, 260, kListWidth, 84);
    for (const TExcludeDir& excluded : prefs_.ImportExcludeDirs) AppendPathRow(folders, excluded.path);
    QObject::connect(folders, &QListWidget::itemSelectionChanged, &dialog, [this] { EnableRemove(); });
    const int buttonLeft = kMargin + kListWidth + 10;
    AddButton(kAdd, ProgString("InitImport_Add"), QRect(buttonLeft, 260, kButtonWidth, kRowHeight + 2));
    AddButton(kRemove, ProgString("InitImport_Remove"), QRect(buttonLeft, 290, kButtonWidth, kRowHeight + 2));
    EnableRemove();

    AddWrappedLabel(dialog, kLabel8, "InitImport_Label8", QRect(kMargin, 356, kWidth - 2 * kMargin, 18));
    AddOkCancel("InitImport_Start", 382, kWidth);
}

void CImportOptionsDlg::Place(QDialog& dialog, QWidget*) {
    // Centred on the desktop, whatever the owner.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    }
}

QListWidget* CImportOptionsDlg::Folders() const { return Control<QListWidget>(kFolders); }

void CImportOptionsDlg::OnCommand(int id) {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].box == id) return OnKindClicked(i);
    switch (id) {
        case kAdd: OnAdd(); return;
        case kRemove: OnRemove(); return;
        default: CSmallDialog::OnCommand(id);
    }
}

void CImportOptionsDlg::OnKindClicked(std::size_t kind) {
    on_[kind] = !on_[kind];
    if (auto* lengths = Control<QComboBox>(kKinds[kind].lengths)) lengths->setEnabled(on_[kind]);
}

void CImportOptionsDlg::EnableRemove() {
    if (auto* remove = Control<QPushButton>(kRemove)) remove->setEnabled(SelectedRow(Folders()) >= 0);
}

void CImportOptionsDlg::OnAdd() {
    const std::string folder = ChooseListFolder(Window(), "PREFI_SelectFolder", lastFolder_.c_str());
    if (folder.empty()) return;
    lastFolder_ = folder;
    if (!HasRowPath(Folders(), folder)) AppendPathRow(Folders(), folder);
}

void CImportOptionsDlg::OnRemove() {
    QListWidget* folders = Folders();
    const int row = SelectedRow(folders);
    if (row < 0) return;
    delete folders->takeItem(row);
    // The first folder left is selected; with none left Remove goes grey.
    SelectRow(folders, folders->count() > 0 ? 0 : -1);
    EnableRemove();
}

void CImportOptionsDlg::OnOk() {
    if (std::none_of(on_.begin(), on_.end(), [](bool on) { return on; })) {
        ShowMessageKey(Window(), "PREFI_NoFormats", MB_OK | MB_ICONWARNING, "No Formats Selected");
        return;
    }
    prefs_.Lock();
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        prefs_.*kKinds[i].on = on_[i] ? 1 : 0;
        const auto* lengths = Control<QComboBox>(kKinds[i].lengths);
        prefs_.*kKinds[i].shortest = on_[i] && lengths != nullptr ? std::max(0, lengths->currentIndex()) : 0;
    }
    prefs_.ImportExcludeDirs.Empty();
    QListWidget* folders = Folders();
    for (int row = 0; row < folders->count(); ++row) {
        TExcludeDir excluded{};
        // Every row was checked to fit a record when it was added or loaded.
        RowPath(folders, row).copy(excluded.path, sizeof excluded.path - 1);
        prefs_.ImportExcludeDirs.Append(excluded);
    }
    prefs_.Unlock();
    End(IDOK);
}
