#include "songsmith/cd/ui/cd_tab.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "filekit/log.h"
#include "platter/device.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/cd/ui/cd_track_view.h"
#include "songsmith/cd/ui/edit_cd_tag_dlg.h"
#include "songsmith/library/ui/edit_missing_tag_dlg.h"
#include "songsmith/app/ui/event_hook.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/cd/cd_audio_device.h"
#include "songsmith/cd/cd_disc_tag_page.h"
#include "songsmith/cd/cd_lookup_answers.h"
#include "songsmith/cd/cd_menu_states.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/player/play_source.h"
#include "songsmith/player/song_player.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/cd/ui/select_disc_dialog.h"

namespace {

// Where the controls sit: a row of buttons under the title strip, the
// status text under them, and the list filling the rest.
constexpr int kMargin = 7;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 24;
constexpr int kGap = 6;
constexpr int kStatusHeight = 20;

// The pages that exist, to tell whether another one rips (main thread).
std::vector<CCDTab*>& LivePages() {
    static std::vector<CCDTab*> pages;
    return pages;
}

}  // namespace

CCDTab::CCDTab(PLATTER_CDevice* drive, CPreferences* prefs)
    : disc_(drive),
      lookup_(disc_, prefs),
      playback_(disc_, drive == nullptr ? std::string() : CdDriveLabel(drive->driveText)),
      prefs_(prefs) {
    LivePages().push_back(this);
    CCdAudioDevice::AddDrive(drive);
    BindPlayback();
    disc_.lookUpTitles = [this](bool forced) { return lookup_.Decide(forced); };
    lookup_.ripping = [this] { return IsRipping(); };
    lookup_.selectDisc = [this](const MvList<TITLEFETCH_TQResult*>& matches, TITLEFETCH_TQResult& chosen) {
        return SelectDisc(matches, chosen);
    };
    lookup_.editTracks = [this](int row) { return EditTrackTags(row); };
    lookup_.fillMissingTags = [this](TITLEFETCH_TRResult& record) {
        // Filled in here, the record is not sent back to the database.
        CEditMissingTagDlg dialog(&record, false);
        dialog.Create(Window());
    };
    lookup_.discTimer = [this](bool run) { RunDiscTimer(run); };
    hooks.rip = [this](int row) { RipCommand(row); };
}

CCDTab::~CCDTab() {
    // A rip still running ends with its worker joined and its half file
    // gone; the page shows nothing more.
    if (ripper_ != nullptr) ripper_->Stop(false);
    ripper_.reset();
    // The lookup's threads and the CD audio device's are joined first; what
    // they posted is freed with the page's queued messages.
    lookup_.Stop();
    if (CSongPlayer* player = CdPagePlayer()) player->RemoveCDPage(&playback_);
    playback_.Close();
    CCdAudioDevice::RemoveDrive(Drive());
    if (discTimer_ != nullptr) discTimer_->stop();
    auto& pages = LivePages();
    pages.erase(std::remove(pages.begin(), pages.end(), this), pages.end());
    disc_.changed = nullptr;
    // The window's list draws the rows: it goes before them.
    Lock();
    Unlock();
    delete window_.data();
}

void CCDTab::BindPlayback() {
    hooks.playOrStop = [this](int row) { playback_.PlayOrStop(row); };
    disc_.stopPlayback = [this] { StopPlaying(); };
    playback_.busy = [this](bool on) {
        if (window_ == nullptr) return;
        const CAppResources* resources = AppResources();
        if (!on)
            QApplication::restoreOverrideCursor();
        else if (resources != nullptr)
            QApplication::setOverrideCursor(resources->WaitCursor());
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
    };
    playback_.discTimer = [this](bool run) { RunDiscTimer(run); };
    // The device's thread and the player's worker reach the page through
    // its messages only.
    playback_.postNotify = [this](int code) {
        PostAppMessage(receiverId_.load(), TAppMessage{MM_MCINOTIFY, static_cast<std::uintptr_t>(code), 0, nullptr});
    };
    playback_.postStop = [this] {
        PostAppMessage(receiverId_.load(),
                       TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(kCdStopTrackCommand), 0, nullptr});
    };
    playback_.setPlaySource = SetPlaySource;
    playback_.playCdTrack = [](int row, const char* drive) {
        CSongPlayer* player = CdPagePlayer();
        return player != nullptr ? player->PlayCDTrack(row, drive, 0) : 0;
    };
    playback_.stopPlayer = [this] { StopPlaying(); };
    playback_.waveDevice = [this] {
        return prefs_ != nullptr ? static_cast<std::uint32_t>(prefs_->MixerDeviceID) : 0u;
    };
}

void CCDTab::RunDiscTimer(bool run) {
    if (discTimer_ == nullptr) return;
    // A rip keeps the timer stopped until it ends.
    if (run && !IsRipping())
        discTimer_->start();
    else if (!run)
        discTimer_->stop();
}

void CCDTab::StopPlaying() {
    CSongPlayer* player = CdPagePlayer();
    if (player != nullptr && player->GetCDTab() == &playback_) player->Stop();
    // Without the player (or after it let go of the page) the page stops
    // its own track.
    if (playback_.Playing() || disc_.PlayingIndex() >= 0) playback_.OnStop();
}

std::string CCDTab::Label() const {
    return Drive() == nullptr ? std::string() : CdDriveLabel(Drive()->driveText);
}

int CCDTab::PlayImageWidth() { return CdRowImage(false).width(); }

bool CCDTab::Create(QWidget* parent, int x, int y, int width, int height) {
    Log("CCDTab::Create - Creating super class");
    if (!CreatePage(parent, [this](QWidget* owner) { return BuildWindow(owner); }, x, y, width, height))
        return false;
    // Opening: the message rows until a disc is read.
    disc_.changed = [this] { Refresh(); };
    disc_.ShowMessageRows("CDTab_InsertCD");
    if (CSongPlayer* player = CdPagePlayer()) player->AddCDPage(&playback_);
    OnSetFocus();
    return true;
}

QWidget* CCDTab::BuildWindow(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->resize(kTemplateWidth, kTemplateHeight);
    page->setAutoFillBackground(true);

    strip_ = MakePageStrip(page, QString::fromStdString(FormatKeyedText("CDTab_Title", {Label().c_str()})), kTemplateWidth);

    const int buttonsTop = strip_->height() + kGap;
    lookUp_ = new QPushButton(ProgString("CDTab_LookUp"), page);
    lookUp_->setObjectName(QString::number(kCdLookUpId));
    lookUp_->setGeometry(kMargin, buttonsTop, kButtonWidth, kButtonHeight);
    rip_ = new QPushButton(ProgString("CDTab_RipTracks"), page);
    rip_->setObjectName(QString::number(kCdRipId));
    rip_->setGeometry(kMargin + kButtonWidth + kGap, buttonsTop, kButtonWidth, kButtonHeight);
    addToSession_ = new QCheckBox(ProgString("CDTab_AddSelected"), page);
    addToSession_->setObjectName(QString::number(kCdAddToSessionId));
    addToSession_->setGeometry(kMargin, buttonsTop + kButtonHeight + kGap, kTemplateWidth - 2 * kMargin,
                               kButtonHeight);
    addToSession_->setChecked(true);

    const int statusTop = addToSession_->y() + kButtonHeight + kGap;
    status_ = new QLabel(page);
    status_->setObjectName(QString::number(kCdStatusId));
    status_->setGeometry(kMargin, statusTop, kTemplateWidth - 2 * kMargin, kStatusHeight);

    model_ = new CCdRowsModel(disc_, page);
    delegate_ = new CCdRowDelegate(disc_, [this] { return IsRipping(); }, page);
    list_ = new QTableView(page);
    list_->setObjectName(QString::number(kCdListId));
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(delegate_->sizeHint(QStyleOptionViewItem(), QModelIndex()).height());
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeader()->setStretchLastSection(false);
    for (int column = 0; column < kCdColumnCount; ++column)
        list_->horizontalHeader()->resizeSection(column, CdColumnDefaultWidth(column));
    const int listTop = statusTop + kStatusHeight + kGap;
    list_->setGeometry(kMargin, listTop, kTemplateWidth - 2 * kMargin, kTemplateHeight - listTop - kMargin * 2);
    list_->viewport()->setMouseTracking(true);

    QObject::connect(list_->horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, list_,
                     [this](int column) { RestoreColumnWidth(column); });
    new CEventHook(list_->viewport(), [this](QEvent* event) {
        auto row = [this](const QMouseEvent* mouse) { return list_->rowAt(mouse->position().toPoint().y()); };
        switch (event->type()) {
            case QEvent::MouseMove: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                TrackMouse(row(mouse), mouse->position().toPoint().x());
                return false;
            }
            case QEvent::MouseButtonPress: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton)
                    OnListLeftClick(row(mouse), mouse->position().toPoint().x());
                else if (mouse->button() == Qt::RightButton)
                    OnListRightClick(row(mouse), mouse->globalPosition().toPoint());
                return true;
            }
            case QEvent::MouseButtonDblClick:
                return true;
            default:
                return false;
        }
    });
    new CEventHook(list_, [this](QEvent* event) {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        PostCommand(kCdRipId);
        return true;
    });
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(page, &QWidget::customContextMenuRequested, page, [this, page](const QPoint& at) {
        if (GetRippingPage() != nullptr) return;
        MakeContextMenu()->exec(page->mapToGlobal(at));
    });

    QObject::connect(lookUp_, &QPushButton::clicked, page, [this] { OnCommand(kCdLookUpId); });
    QObject::connect(rip_, &QPushButton::clicked, page, [this] { OnCommand(kCdRipId); });
    QObject::connect(addToSession_, &QCheckBox::clicked, page, [this] { OnCommand(kCdAddToSessionId); });

    discTimer_ = new QTimer(page);
    discTimer_->setObjectName(QString::number(kCdDiscTimerId));
    discTimer_->setInterval(kDiscTimerMs);
    QObject::connect(discTimer_, &QTimer::timeout, page, [this] { DiscTimerTick(); });

    // The tab pane sizes the page; the controls follow.
    new CEventHook(page, [this, page](QEvent* event) {
        if (event->type() == QEvent::Resize) LayOutControls(page->width(), page->height());
        return false;
    });
    receiver_ = new CAppMessageReceiver([this](TAppMessage& message) { return OnMessage(message); }, page);
    receiverId_.store(receiver_->Id());
    lookup_.receiver = receiver_->Id();
    lookup_.owner = page;
    return page;
}

CCDTab* CCDTab::GetRippingPage() {
    for (CCDTab* page : LivePages())
        if (page->IsRipping()) return page;
    return nullptr;
}

bool CCDTab::AddTab(QTabWidget* tabs, const char* captionKey, int kind) {
    if (!CTabPage::AddTab(tabs, captionKey, kind)) return false;
    const QString caption = QString::fromStdString(FormatKeyedText(captionKey, {Label().c_str()}));
    tabs->setTabText(tabs->indexOf(window_), caption.left(kTabCaptionMax));
    return true;
}

void CCDTab::Reposition(int x, int y, int width, int height) {
    CTabPage::Reposition(x, y, width, height);
    LayOutControls(width, height);
}

void CCDTab::LayOutControls(int width, int height) {
    if (list_ == nullptr) return;
    list_->setGeometry(list_->x(), list_->y(), std::max(0, width - 2 * kMargin),
                       std::max(0, height - list_->y() - 2 * kMargin));
    status_->resize(std::max(0, width - 2 * kMargin), status_->height());
    addToSession_->resize(std::max(0, width - 2 * kMargin), addToSession_->height());
    strip_->resize(width, strip_->height());
}

void CCDTab::Show(bool show) {
    CTabPage::Show(show);
    if (show)
        OnSetFocus();
    else
        OnKillFocus();
}

void CCDTab::OnSetFocus() {
    if (window_ == nullptr) return;
    const bool other = OtherPageRipping();
    list_->setEnabled(!other);
    status_->setEnabled(!other);
    disc_.SetRipEnabled(disc_.HasTracksToRip() && !other && !IsBurnStepState(CurrentDriveState()));
    const bool free = !other && !IsRipping();
    disc_.EnableLookUp(free);
    addToSession_->setEnabled(free);
    if (!free) {
        discTimer_->stop();
        return;
    }
    if (discTimer_->isActive() || disc_.PlayingIndex() >= 0) return;
    if (shownBefore_ && prefs_ != nullptr && prefs_->CDDBAutoRetr != 0)
        disc_.ReReadOnReturn();
    else if (disc_.State() == kCdStateAudioCd)
        disc_.EnableLookUp(true);
    shownBefore_ = true;
    discTimer_->start();
}

void CCDTab::OnKillFocus() {
    if (discTimer_ != nullptr) discTimer_->stop();
}

bool CCDTab::OtherPageRipping() const {
    return std::any_of(LivePages().begin(), LivePages().end(),
                       [this](const CCDTab* page) { return page != this && page->IsRipping(); });
}

void CCDTab::SetRipping(bool ripping) {
    Lock();
    ripping_.store(ripping);
    Unlock();
    // The rip reads the drive; the timer and playback leave it alone
    // meanwhile.
    if (ripping) StopPlaying();
    if (ripping && discTimer_ != nullptr) discTimer_->stop();
    const CAppResources* resources = AppResources();
    if (window_ != nullptr && resources != nullptr) {
        if (ripping)
            window_->setCursor(resources->WaitCursor());
        else
            window_->unsetCursor();
    }
    Refresh();
}

void CCDTab::DiscTimerTick() {
    if (window_ == nullptr || !window_->isVisible()) return;
    disc_.Tick(CurrentDriveState());
}

bool CCDTab::DiscTimerRunning() const { return discTimer_ != nullptr && discTimer_->isActive(); }

void CCDTab::Refresh() {
    if (list_ == nullptr) return;
    disc_.FillEmptyTitles();
    model_->Reload();
    list_->clearSpans();
    if (disc_.ShowsMessageRows())
        for (int row = 0; row < kCdMessageRows; ++row) list_->setSpan(row, 0, 1, kCdColumnCount);
    status_->setText(QString::fromStdString(disc_.StatusText()));
    lookUp_->setEnabled(disc_.LookUpEnabled());
    rip_->setEnabled(disc_.RipEnabled());
    rip_->setText(ProgString(IsRipping() ? "CDTab_StopRip" : "CDTab_RipTracks"));
    addToSession_->setChecked(disc_.AddToSession());
    list_->viewport()->update();
}

void CCDTab::RestoreColumnWidth(int column) {
    const int clamped = std::clamp(column, 0, kCdColumnCount - 1);
    list_->horizontalHeader()->resizeSection(clamped, CdColumnDefaultWidth(clamped));
}

void CCDTab::TrackMouse(int row, int x) {
    hoverRow_ = row;
    hoverZone_ = row >= 0 && disc_.Row(row) != nullptr
                     ? CdRowZone(x, list_->horizontalScrollBar()->value(), PlayImageWidth())
                     : kCdZoneNone;
    const CAppResources* resources = AppResources();
    if (resources == nullptr) return;
    if (IsRipping())
        list_->viewport()->setCursor(resources->WaitCursor());
    else if (hoverZone_ == kCdZonePlay)
        list_->viewport()->setCursor(
            resources->Cursor(hoverRow_ == disc_.PlayingIndex() ? kCursorStopSong : kCursorPlaySong));
    else
        list_->viewport()->unsetCursor();
}

void CCDTab::OnListLeftClick(int row, int x) {
    if (IsRipping()) return;
    TrackMouse(row, x);
    if (disc_.Row(row) == nullptr) return;
    disc_.SetCurrentRow(row);
    if (hoverZone_ == kCdZonePlay) {
        PlayOrStop(row);
        Refresh();
        return;
    }
    const TCDTrackRow* target = disc_.Row(row);
    disc_.OnSelect(row, target->marked == 0);
}

void CCDTab::OnListRightClick(int row, const QPoint& globalPos) {
    if (IsRipping() || disc_.RowCount() == 0) return;
    hoverRow_ = row;
    disc_.SetCurrentRow(disc_.Row(row) != nullptr ? row : -1);
    Refresh();
    MakeContextMenu()->exec(globalPos);
}

std::unique_ptr<QMenu> CCDTab::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QString::number(kCdContextMenuId));
    constexpr int kItems[] = {cmd::kCdPlay, cmd::kRip, cmd::kCdSelectOne, cmd::kCdSelectAll, cmd::kCdEditTag,
                              cmd::kCdClearAll};
    for (const int command : kItems) {
        QAction* item = menu->addAction(QString());
        item->setData(command);
        UpdateMenuItem(item);
        QObject::connect(item, &QAction::triggered, menu.get(), [this, command] {
            // The Rip item works as the Rip button.
            PostCommand(command == cmd::kRip ? kCdRipId : command);
        });
    }
    return menu;
}

void CCDTab::UpdateMenuItem(QAction* item) {
    if (item == nullptr) return;
    TCdMenuFacts facts;
    const TCDTrackRow* current = disc_.Row(disc_.CurrentRow());
    facts.hasCurrentRow = current != nullptr;
    facts.currentMarked = current != nullptr && current->marked != 0;
    facts.currentPlaying = current != nullptr && disc_.CurrentRow() == disc_.PlayingIndex();
    facts.ripping = IsRipping();
    facts.anyToRip = disc_.HasTracksToRip();
    facts.anyRows = disc_.RowCount() > 0;
    facts.anyMarked = disc_.AnyMarked();
    facts.anyRipped = disc_.AnyRipped();
    facts.lookUpEnabled = lookUp_ != nullptr && lookUp_->isEnabled();
    facts.driveState = CurrentDriveState();
    const TCdMenuItemState state = CdMenuItemState(item->data().toInt(), facts);
    if (!state.known) return;
    if (state.key != nullptr) item->setText(ProgString(state.key));
    item->setEnabled(!state.grey);
}

void CCDTab::SetSongPlayState(const char* path, bool playing) {
    disc_.SetSongPlayState(path, playing);
}

std::intptr_t CCDTab::OnCommand(int id) {
    switch (id) {
        case kCdLookUpId:
        case cmd::kCdLookup:
            lookup_.ClearResult();
            disc_.EnableLookUp(false);
            disc_.GetRDBID(true);
            return 1;
        case kCdAddToSessionId:
            disc_.ToggleAddToSession();
            return 1;
        case kCdRipId:
        case cmd::kRip:
            OnRip(-1);
            return 1;
        case cmd::kCdSelectOne:
            disc_.FlipCurrentMark();
            return 1;
        case cmd::kCdEditTag:
            OnEdit(disc_.CurrentRow());
            return 1;
        case cmd::kCdPlay:
            PlayOrStop(disc_.CurrentRow());
            return 1;
        case kCdStopTrackCommand:
            playback_.OnStop();
            return 1;
        case cmd::kCdSelectAll:
            disc_.SelectOrDeselectAll();
            return 1;
        case cmd::kCdClearAll:
            disc_.ClearRipped();
            return 1;
        default:
            return 0;
    }
}

void CCDTab::PostCommand(int id) {
    if (receiver_ == nullptr) return;
    PostAppMessage(receiver_->Id(), TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(id), 0, nullptr});
}

std::intptr_t CCDTab::OnMessage(TAppMessage& message) {
    if (message.number == WM_COMMAND) return OnCommand(static_cast<int>(message.wParam));
    if (message.number == WM_RIP_STEP) {
        RunRipSteps();
        return 1;
    }
    if (message.number == WM_RIP_FINISHED) {
        OnRipFinished(static_cast<unsigned>(message.lParam));
        return 1;
    }
    if (message.number == MM_MCINOTIFY) {
        playback_.OnNotify(static_cast<int>(message.wParam));
        return 1;
    }
    return lookup_.OnMessage(message);
}

void CCDTab::PlayOrStop(int row) {
    if (hooks.playOrStop) hooks.playOrStop(row);
}

void CCDTab::OnEdit(int row) { lookup_.OnEdit(row); }

bool CCDTab::EditTrackTags(int row) {
    // The dialog edits copies; the rows it hands back on Save are redrawn
    // through the disc's change notice.
    CCdDiscTagPage tags(disc_, Label());
    CEditCDTagDlg dialog(tags, row);
    return dialog.DoModal(Window()) == 1;
}

int CCDTab::SelectDisc(const MvList<TITLEFETCH_TQResult*>& matches, TITLEFETCH_TQResult& chosen) {
    CSelectDiscDlg dialog;
    const int result = dialog.DoModal(window_, matches);
    chosen = dialog.ChosenMatch();
    return result;
}

void CCDTab::OnRip(int row) {
    if (hooks.rip) hooks.rip(row);
}
