#include "songsmith/prefs/ui/prefs_dialog.h"

#include <QDialog>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <algorithm>

#include "filekit/reg_key.h"
#include "platter/platter.h"
#include "songsmith/prefs/ui/burning_prefs_page.h"
#include "songsmith/prefs/ui/clipboard_prefs_page.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/prefs/ui/general_prefs_page.h"
#include "songsmith/prefs/ui/import_prefs_page.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/prefs/ui/remote_db_prefs_page.h"
#include "songsmith/prefs/ui/rip_prefs_page.h"
#include "utilities/ui/center_window.h"

namespace {

// The frame's layout in pixels: the page list on the left, the title and
// the page holder on the right, the buttons along the bottom.
constexpr int kDialogWidth = 520;
constexpr int kDialogHeight = 350;
constexpr int kMargin = 8;
constexpr QRect kListRect{kMargin, kMargin, 124, 300};
constexpr QRect kTitleRect{140, kMargin, 372, 20};
// Room between the title and the pages below it.
constexpr int kHolderGap = 8;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;

// How much darker than the button face the title band is painted, per
// colour channel; a channel already this dark is left as it is.
constexpr int kTitleShade = 32;
// Where the title text starts inside its band.
constexpr int kTitleTextLeft = 12;

int Shaded(int channel) { return channel < kTitleShade ? channel : channel - kTitleShade; }

// The title band: a darker face with the page's title in bold.
class CPrefsTitle : public QWidget {
public:
    CPrefsTitle(QWidget* parent, const CPrefsDialog& owner) : QWidget(parent), owner_(owner) {
        QFont bold = font();
        bold.setBold(true);
        setFont(bold);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor face = palette().color(QPalette::Button);
        painter.fillRect(rect(), QColor(Shaded(face.red()), Shaded(face.green()), Shaded(face.blue())));
        if (owner_.Title().isEmpty()) return;
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(kTitleTextLeft, 0, width() - kTitleTextLeft, height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, owner_.Title());
    }

private:
    const CPrefsDialog& owner_;
};

// The Qt window: its close box and Escape are Cancel.
class CPrefsFrame : public QDialog {
public:
    CPrefsFrame(QWidget* parent, CPrefsDialog& owner) : QDialog(parent), owner_(owner) {}
    void reject() override { owner_.OnCancel(); }

private:
    CPrefsDialog& owner_;
};

}  // namespace

bool ZentEngineInUse(const TPrefsContext& context) {
    const int engine = context.platter != nullptr ? context.platter->burningEngine.load()
                                                  : context.prefs.WhichBurningEngine;
    return engine == kEngineZent;
}

CPrefsDialog::CPrefsDialog(TPrefsContext context) : context_(context) {}

CPrefsDialog::~CPrefsDialog() {
    // The page objects go after their windows, which the frame owns.
    delete dialog_.data();
}

void CPrefsDialog::SetPage(int index, std::unique_ptr<CPrefsPage> page) {
    if (index >= 0 && index < kPageCount) pages_[static_cast<std::size_t>(index)].page = std::move(page);
}

std::unique_ptr<CPrefsPage> CPrefsDialog::MakePage(int index) {
    switch (index) {
        case 0:
            return std::make_unique<CGeneralPrefsPage>(*this);
        case 1:
            return std::make_unique<CClipboardPrefsPage>(*this);
        case 2:
            return std::make_unique<CBurningPrefsPage>(*this);
        case 3:
            return std::make_unique<CRipPrefsPage>(*this);
        case 4:
            return std::make_unique<CImportPrefsPage>(*this);
        case 5:
            return std::make_unique<CRemoteDBPrefsPage>(*this);
        default:
            // The other pages join with the parts of the program they set.
            return std::make_unique<CPrefsPage>(*this);
    }
}

bool CPrefsDialog::DoModal(QWidget* parent) {
    for (int i = 0; i < kPageCount; ++i) {
        TPageRecord& record = pages_[static_cast<std::size_t>(i)];
        if (record.page == nullptr) record.page = MakePage(i);
    }
    auto* frame = new CPrefsFrame(parent, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    frame->exec();
    delete frame;
    return true;
}

void CPrefsDialog::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    for (int i = 0; i < kPageCount; ++i) {
        TPageRecord& record = pages_[static_cast<std::size_t>(i)];
        record.window = record.page->Create(holder_);
        record.window->setObjectName(QString::number(kPageDialogIds[static_cast<std::size_t>(i)]));
    }
    FillList();
    dialog.setWindowTitle(ProgString("PREF_Title"));
    const int stored = context_.prefs.CurrentPrefPage;
    // A page number from elsewhere that names no page opens the first page.
    ShowPage(stored >= 0 && stored < kPageCount ? stored : 0);
    CenterWindow(&dialog, dialog.parentWidget());
}

void CPrefsDialog::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kPrefsDialogId));
    dialog.setFixedSize(kDialogWidth, kDialogHeight);

    list_ = new QListWidget(&dialog);
    list_->setObjectName(QString::number(kPrefsPageList));
    list_->setGeometry(kListRect);
    QObject::connect(list_, &QListWidget::itemSelectionChanged, &dialog,
                     [this] { OnSelectionChanged(); });

    titleWidget_ = new CPrefsTitle(&dialog, *this);
    titleWidget_->setObjectName(QString::number(kPrefsTitle));
    titleWidget_->setGeometry(kTitleRect);

    // From the title's left to its right edge, from a little below it down
    // to the bottom of the list.
    const int holderTop = kTitleRect.bottom() + 1 + kHolderGap;
    holder_ = new QStackedWidget(&dialog);
    holder_->setGeometry(kTitleRect.left(), holderTop, kTitleRect.width(),
                         kListRect.bottom() + 1 - holderTop);

    struct TButton {
        int id;
        const char* key;
        void (CPrefsDialog::*handler)();
    };
    const TButton buttons[] = {{IDOK, "OK", &CPrefsDialog::OnOk},
                               {IDCANCEL, "Cancel", &CPrefsDialog::OnCancel},
                               {kPrefsHelpButton, "Help", &CPrefsDialog::OnHelp}};
    int left = kDialogWidth - kMargin -
               static_cast<int>(std::size(buttons)) * (kButtonWidth + kButtonGap) + kButtonGap;
    const int top = kDialogHeight - kMargin - kButtonHeight;
    for (const TButton& spec : buttons) {
        auto* button = new QPushButton(ProgString(spec.key), &dialog);
        button->setObjectName(QString::number(spec.id));
        button->setGeometry(left, top, kButtonWidth, kButtonHeight);
        button->setAutoDefault(false);
        button->setDefault(spec.id == IDOK);
        QObject::connect(button, &QPushButton::clicked, &dialog, [this, handler = spec.handler] {
            (this->*handler)();
        });
        left += kButtonWidth + kButtonGap;
    }
}

void CPrefsDialog::FillList() {
    const QString rows[kPageCount] = {QStringLiteral("General"),  QStringLiteral("Clipboard"),
                                      QStringLiteral("Burning CDs"), ProgString("PREFR_PageName"),
                                      QStringLiteral("Importing"), QStringLiteral("Remote Database")};
    for (int i = 0; i < kPageCount; ++i) {
        list_->addItem(rows[i]);
        pages_[static_cast<std::size_t>(i)].row = list_->count() - 1;
    }
}

void CPrefsDialog::ShowPage(int index) {
    current_ = index;
    TPageRecord& record = pages_[static_cast<std::size_t>(index)];
    record.page->Show(true);
    // Selecting the row comes back through OnSelectionChanged, which finds
    // the page already current.
    list_->setCurrentRow(record.row);
}

void CPrefsDialog::OnSelectionChanged() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    const int row = list_->row(selected.front());
    for (int i = 0; i < kPageCount; ++i) {
        if (pages_[static_cast<std::size_t>(i)].row != row || i == current_) continue;
        pages_[static_cast<std::size_t>(current_)].page->Show(false);
        pages_[static_cast<std::size_t>(i)].page->Show(true);
        current_ = i;
        return;
    }
}

void CPrefsDialog::OnOk() {
    bool applied = true;
    // Every page applies, also after one has failed.
    for (TPageRecord& record : pages_) applied = record.page->Apply() && applied;
    context_.prefs.CurrentPrefPage = current_;
    context_.prefs.Save(HKEY_CURRENT_USER);
    if (!applied) return;
    result_ = IDOK;
    dialog_->done(IDOK);
}

void CPrefsDialog::OnCancel() {
    result_ = IDCANCEL;
    dialog_->done(IDCANCEL);
}

void CPrefsDialog::OnHelp() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    GetUiServices().ShowHelpContext(kFirstHelpContext + list_->row(selected.front()));
}

void CPrefsDialog::SetTitle(const QString& text) {
    title_ = text;
    if (!text.isEmpty() && titleWidget_ != nullptr) titleWidget_->update();
}
