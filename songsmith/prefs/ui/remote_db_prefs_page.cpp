#include "songsmith/prefs/ui/remote_db_prefs_page.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/message_box.h"
#include "songsmith/cd/cddb_sites.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/list_box_rows.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/app/ui/prog_string.h"
#include "titlefetch/titlefetch.h"

namespace {

// Notification of a list whose selection changed, as list boxes send it.
constexpr int kSelectionChanged = 1;

// Layout of the page's controls (the page is 372 by 272 pixels).
constexpr int kLeft = 8;
constexpr int kWidth = 356;
constexpr int kRowHeight = 22;
constexpr int kListTop = 50;
constexpr int kListWidth = 236;
constexpr int kListHeight = 130;
constexpr int kButtonLeft = kLeft + kListWidth + 8;
constexpr int kButtonWidth = kLeft + kWidth - kButtonLeft;
constexpr int kValueLeft = 96;
constexpr int kDescriptionTop = 192;
constexpr int kLocationTop = 232;

// The index of the site a row shows.
constexpr int kSiteIndexRole = Qt::UserRole;

QLabel* AddText(QWidget* window, int id, const QString& text, int left, int top, int width,
                int height) {
    auto* label = new QLabel(text, window);
    label->setObjectName(QString::number(id));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(left, top, width, height);
    return label;
}

}  // namespace

CPreferences& CRemoteDBPrefsPage::Prefs() const {
    return Owner().Context().prefs;
}

void CRemoteDBPrefsPage::OnInitDialog(QWidget* window) {
    CPrefsPage::OnInitDialog(window);
    CPreferences& prefs = Prefs();
    // Some site is always there to choose.
    if (prefs.Sites.count <= 0) prefs.AddSite(MakeDefaultSite());
    CreateControls(window);
    FillSites();
    ShowSelectedSite();
    autoLookup_->setChecked(prefs.CDDBAutoRetr != 0);
}

void CRemoteDBPrefsPage::CreateControls(QWidget* window) {
    autoLookup_ = new QCheckBox(ProgString("PREFD_Auto"), window);
    autoLookup_->setObjectName(QString::number(kAutoLookup));
    autoLookup_->setGeometry(kLeft, 4, std::min(autoLookup_->sizeHint().width(), kWidth),
                             kRowHeight);
    AddText(window, kListText, ProgString("PREFD_List"), kLeft, kListTop - 20, kWidth, 18);
    sites_ = new QListWidget(window);
    sites_->setObjectName(QString::number(kSiteList));
    sites_->setSelectionMode(QAbstractItemView::SingleSelection);
    sites_->setGeometry(kLeft, kListTop, kListWidth, kListHeight);
    QObject::connect(sites_, &QListWidget::itemSelectionChanged, window, [this] {
        DlgProc(Window(), TPageMessage{EPageMessage::kCommand, kSiteList, kSelectionChanged});
    });
    update_ = new QPushButton(QStringLiteral("Update site list"), window);
    update_->setObjectName(QString::number(kUpdate));
    update_->setGeometry(kButtonLeft, kListTop, kButtonWidth, kRowHeight + 2);
    // Without the program's title lookup there is nothing to fetch with.
    update_->setEnabled(Owner().Context().titlefetch != nullptr);
    ForwardClicks(update_, kUpdate);

    AddText(window, kDescriptionText, ProgString("PREFD_Desc"), kLeft, kDescriptionTop,
            kValueLeft - kLeft, 18);
    description_ = AddText(window, kDescription, {}, kValueLeft, kDescriptionTop,
                           kLeft + kWidth - kValueLeft, 36);
    description_->setWordWrap(true);
    AddText(window, kLocationText, ProgString("PREFD_Loc"), kLeft, kLocationTop, kValueLeft - kLeft,
            18);
    location_ =
        AddText(window, kLocation, {}, kValueLeft, kLocationTop, kLeft + kWidth - kValueLeft, 18);
}

void CRemoteDBPrefsPage::FillSites() {
    const CPreferences& prefs = Prefs();
    // Refilling must not show a half-made list as a selection change.
    const QSignalBlocker quiet(sites_);
    sites_->clear();
    for (int i = 0; i < prefs.Sites.count; ++i) {
        const TITLEFETCH_TSite* site = prefs.Sites.items[i];
        auto* row =
            new QListWidgetItem(QString::fromUtf8(site != nullptr ? site->host : ""), sites_);
        row->setData(kSiteIndexRole, i);
    }
    SelectRow(sites_, ChosenSiteIndex(prefs.Sites, prefs.CDDBSite));
}

TITLEFETCH_TSite* CRemoteDBPrefsPage::SelectedSite() const {
    const int row = SelectedRow(sites_);
    if (row < 0) return nullptr;
    const MvList<TITLEFETCH_TSite*>& stored = Prefs().Sites;
    const int index = sites_->item(row)->data(kSiteIndexRole).toInt();
    return index >= 0 && index < stored.count ? stored.items[index] : nullptr;
}

void CRemoteDBPrefsPage::ShowSelectedSite() {
    TITLEFETCH_TSite* site = SelectedSite();
    if (site == nullptr) {
        description_->clear();
        location_->clear();
        return;
    }
    description_->setText(QString::fromUtf8(site->description));
    location_->setText(QString::fromUtf8(SiteLocationText(*site)));
}

void CRemoteDBPrefsPage::OnCommand(QWidget*, int control, int) {
    if (control == kSiteList) ShowSelectedSite();
    if (control == kUpdate) OnUpdate();
}

void CRemoteDBPrefsPage::OnUpdate() {
    TITLEFETCH_CTitlefetch* titlefetch = Owner().Context().titlefetch;
    if (titlefetch == nullptr) return;
    // The server may take seconds to answer; the dialog keeps answering the
    // user meanwhile, and the button waits for the answer.
    update_->setEnabled(false);
    MvList<TITLEFETCH_TSite*> fetched;
    {
        QEventLoop waiting;
        std::thread fetch([&] {
            titlefetch->GetSiteList(fetched);
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        });
        waiting.exec();
        fetch.join();
    }
    const bool updated = TakeFetchedSites(*titlefetch, fetched, Prefs());
    update_->setEnabled(true);
    // The list as on opening; the lookup box keeps what the user made it.
    FillSites();
    ShowSelectedSite();
    if (!updated && Window() != nullptr && Window()->isVisible())
        ShowMessageKey(Window(), "PREFD_UpdateFailed", MB_OK | MB_ICONWARNING);
}

bool CRemoteDBPrefsPage::Apply() {
    const TPrefsContext& context = Owner().Context();
    CPreferences& prefs = context.prefs;
    prefs.CDDBAutoRetr = autoLookup_->isChecked() ? 1 : 0;
    if (const TITLEFETCH_TSite* site = SelectedSite()) {
        const char* host = site->host;
        std::memset(prefs.CDDBSite, 0, sizeof prefs.CDDBSite);
        std::memcpy(prefs.CDDBSite, host, strnlen(host, sizeof prefs.CDDBSite - 1));
    }
    if (context.siteApplied) context.siteApplied();
    return true;
}

void CRemoteDBPrefsPage::Show(bool show) {
    if (show) Owner().SetTitle(QStringLiteral("Remote Database Preferences"));
    CPrefsPage::Show(show);
}
