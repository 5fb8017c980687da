// The CD page as a user meets it in the real main window: image drives in
// temporary trays with generated discs, the disc timer's ticks called
// directly, the controls found by their ids, pictures written for a look.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/burner/tests/fixed_burn_status.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/tests/track_list_partners.h"
#include "songsmith/cd/ui/edit_cd_tag_dlg.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"

namespace {

using testsupport::FindControl;
using testsupport::SaveWidgetPng;

class CdTabTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetDriveStateSource(&driveState_);
        // Titles are looked up only when a test asks: no server is asked,
        // and no cached titles name the generated discs.
        prefs_->CDDBAutoRetr = 0;
        std::filesystem::remove(GetUserDataDir() + "cdplayer.ini");
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetDriveStateSource(nullptr);
    }

    // Trays hold no disc until a test puts one in.
    void OpenWithEmptyTrays(int drives) {
        platter_->imageDrive.freshMedia = PLATTER_MEDIA_NONE;
        Open(drives);
    }
    std::string Tray(int drive) const { return trays_.Path() + "/tray" + std::to_string(drive); }
    void InsertDisc(int drive, const platter_test::TImageLayout& layout) {
        platter_test::WriteDiscImage(Tray(drive), "disc", layout);
    }
    // One drive's page in front with the three-track audio disc read.
    void ShowAudioDiscPage() {
        OpenWithEmptyTrays(1);
        ShowPage(0);
        InsertDisc(0, platter_test::AudioDiscLayout());
        Page(0)->DiscTimerTick();
        Settle();
        ASSERT_EQ(Rows(0), 3);
    }
    void TakeDiscOut(int drive) {
        std::filesystem::remove(Tray(drive) + "/disc.cue");
        std::filesystem::remove(Tray(drive) + "/disc.bin");
    }
    CCDTab* Page(int drive) const { return main_->TabPane()->CdPages().at(static_cast<std::size_t>(drive)); }
    // Brings the drive's page to the front through the CD menu.
    void ShowPage(int drive) {
        QAction* item = MenuItem(cmd::kFirstCdDrive + drive);
        ASSERT_NE(item, nullptr);
        item->trigger();
        Settle();
    }
    QTableView* List(int drive) const { return FindControl<QTableView>(Page(drive)->Window(), kCdListId); }
    QString Cell(int drive, int row, int column) const {
        return List(drive)->model()->index(row, column).data().toString();
    }
    int Rows(int drive) const { return List(drive)->model()->rowCount(); }
    QString StatusText(int drive) const { return FindControl<QLabel>(Page(drive)->Window(), kCdStatusId)->text(); }
    // A left click in a row at x from the list's left edge.
    void ClickRow(int drive, int row, int x) {
        QTableView* list = List(drive);
        const int y = list->rowViewportPosition(row) + list->rowHeight(row) / 2;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        Settle();
    }
    std::vector<QString> MessageRows(int drive) const {
        std::vector<QString> texts;
        for (int row = 0; row < Rows(drive); ++row) texts.push_back(Cell(drive, row, 0));
        return texts;
    }
    static std::vector<QString> Keys(const char* key) {
        std::vector<QString> texts;
        for (int i = 1; i <= kCdMessageRows; ++i) {
            char name[40];
            std::snprintf(name, sizeof name, key, i);
            texts.push_back(ProgString(name));
        }
        return texts;
    }

    CFixedBurnStatus driveState_;
};

TEST_F(CdTabTest, AnAudioDiscShowsItsTracksAndTakingItOutShowsTheEmptyDriveRows) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    CCDTab* page = Page(0);
    EXPECT_TRUE(page->DiscTimerRunning());
    EXPECT_EQ(MessageRows(0), Keys("CDTab_EmptyCD%d"));
    EXPECT_EQ(StatusText(0), ProgString("CDTab_InsertCD"));

    InsertDisc(0, platter_test::AudioDiscLayout());
    page->DiscTimerTick();
    Settle();
    ASSERT_EQ(Rows(0), 3);
    const std::vector<QString> lengths = {"0:03", "0:05", "0:04"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(0, row, kCdColumnControl), QString::number(row + 1));
        EXPECT_EQ(Cell(0, row, kCdColumnTitle), QString::asprintf("Track %02d", row + 1));
        EXPECT_EQ(Cell(0, row, kCdColumnStatus), "Ready");
        EXPECT_EQ(Cell(0, row, kCdColumnLength), lengths[static_cast<std::size_t>(row)]);
        EXPECT_EQ(Cell(0, row, kCdColumnAlbum), "Unknown Album (8000c03)");
        EXPECT_EQ(Cell(0, row, kCdColumnGenre), "<Unknown>");
        // A disc without data has no year to show (not "0").
        EXPECT_EQ(Cell(0, row, kCdColumnYear), "");
        EXPECT_EQ(page->Disc().Row(row)->marked, 1);
        EXPECT_EQ(page->GetTrackMusicInfo(row)->trackCount, 3);
    }
    EXPECT_EQ(StatusText(0), ProgString("CDTab_SelectTracks"));
    EXPECT_TRUE(FindControl<QPushButton>(page->Window(), kCdLookUpId)->isEnabled());
    EXPECT_TRUE(FindControl<QPushButton>(page->Window(), kCdRipId)->isEnabled());
    EXPECT_EQ(FindControl<QPushButton>(page->Window(), kCdRipId)->text(), ProgString("CDTab_RipTracks"));
    EXPECT_TRUE(FindControl<QCheckBox>(page->Window(), kCdAddToSessionId)->isChecked());
    SaveWidgetPng(main_->Window(), "cd_tab_audio_disc");

    TakeDiscOut(0);
    page->DiscTimerTick();
    Settle();
    EXPECT_EQ(MessageRows(0), Keys("CDTab_EmptyCD%d"));
    EXPECT_EQ(StatusText(0), ProgString("CDTab_InsertCD"));
    EXPECT_FALSE(FindControl<QPushButton>(page->Window(), kCdLookUpId)->isEnabled());
    EXPECT_FALSE(FindControl<QPushButton>(page->Window(), kCdRipId)->isEnabled());
    SaveWidgetPng(page->Window(), "cd_tab_no_disc");
}

TEST_F(CdTabTest, TheDriveIsNamedByItsTrayAndTicksActOnlyOnTheVisiblePage) {
    OpenWithEmptyTrays(2);
    QTabWidget* tabs = main_->TabPane()->Tabs();
    for (int drive = 0; drive < 2; ++drive) {
        const QString label = QString::fromStdString("tray" + std::to_string(drive));
        EXPECT_EQ(QString::fromStdString(Page(drive)->Label()), label);
        EXPECT_EQ(tabs->tabText(tabs->indexOf(Page(drive)->Window())),
                  QString::fromStdString(FormatKeyedText("CDTab_Title", {label.toStdString().c_str()})).left(20));
        EXPECT_EQ(FindControl<QLabel>(Page(drive)->Window(), kPageStripId)->text(),
                  QString::fromStdString(FormatKeyedText("CDTab_Title", {label.toStdString().c_str()})));
    }
    ShowPage(0);
    InsertDisc(1, platter_test::AudioDiscLayout());
    Page(1)->DiscTimerTick();
    EXPECT_EQ(Page(1)->Disc().RowCount(), 0);
    EXPECT_FALSE(Page(1)->DiscTimerRunning());
    ShowPage(1);
    EXPECT_TRUE(Page(1)->DiscTimerRunning());
    EXPECT_FALSE(Page(0)->DiscTimerRunning());
    // A burn step keeps the drive to itself.
    driveState_.state = 6;
    Page(1)->DiscTimerTick();
    EXPECT_EQ(Page(1)->Disc().RowCount(), 0);
    driveState_.state = 0;
    Page(1)->DiscTimerTick();
    EXPECT_EQ(Page(1)->Disc().RowCount(), 3);
}

TEST_F(CdTabTest, DataAndBlankDiscsShowTheirMessageRowsAndMixedModeRowsTheirDiscNumbers) {
    // A fresh tray holds a blank CD-R here.
    Open(3);
    InsertDisc(0, platter_test::DataOnlyLayout());
    InsertDisc(2, platter_test::MixedModeLayout());
    const struct {
        int drive;
        const char* key;
        const char* png;
    } cases[] = {{0, "CDTab_DataCD%d", "cd_tab_data_disc"}, {1, "CDTab_BlankCD%d", "cd_tab_blank_disc"}};
    for (const auto& c : cases) {
        ShowPage(c.drive);
        Page(c.drive)->DiscTimerTick();
        Settle();
        EXPECT_EQ(MessageRows(c.drive), Keys(c.key)) << c.key;
        EXPECT_EQ(StatusText(c.drive), ProgString("CDTab_InsertCD"));
        EXPECT_FALSE(FindControl<QPushButton>(Page(c.drive)->Window(), kCdRipId)->isEnabled());
        SaveWidgetPng(Page(c.drive)->Window(), c.png);
    }
    ShowPage(2);
    Page(2)->DiscTimerTick();
    Settle();
    ASSERT_EQ(Rows(2), 2);
    EXPECT_EQ(Cell(2, 0, kCdColumnControl), "2");
    EXPECT_EQ(Cell(2, 1, kCdColumnControl), "3");
    EXPECT_EQ(Cell(2, 0, kCdColumnTitle), "Track 02");
    EXPECT_EQ(Page(2)->GetTrackMusicInfo(0)->trackCount, 2);
    EXPECT_EQ(Page(2)->GetTrackMusicInfo(1)->trackCount, 2);
}

TEST_F(CdTabTest, APageThatRipsDisablesTheOtherPagesListAndStatus) {
    OpenWithEmptyTrays(2);
    ShowPage(0);
    Page(0)->SetRipping(true);
    EXPECT_EQ(CCDTab::GetRippingPage(), Page(0));
    ShowPage(1);
    QWidget* other = Page(1)->Window();
    EXPECT_FALSE(FindControl<QTableView>(other, kCdListId)->isEnabled());
    EXPECT_FALSE(FindControl<QLabel>(other, kCdStatusId)->isEnabled());
    EXPECT_FALSE(FindControl<QPushButton>(other, kCdLookUpId)->isEnabled());
    EXPECT_FALSE(FindControl<QCheckBox>(other, kCdAddToSessionId)->isEnabled());
    EXPECT_FALSE(Page(1)->DiscTimerRunning());
    SaveWidgetPng(other, "cd_tab_other_page_rips");

    Page(0)->SetRipping(false);
    ShowPage(0);
    ShowPage(1);
    EXPECT_TRUE(FindControl<QTableView>(other, kCdListId)->isEnabled());
    EXPECT_TRUE(FindControl<QLabel>(other, kCdStatusId)->isEnabled());
    EXPECT_TRUE(Page(1)->DiscTimerRunning());
}

// Ripped rows and the real session track list.
class CdTabSessionTest : public CdTabTest {
protected:
    void SetUp() override {
        CdTabTest::SetUp();
        tracks_ = std::make_unique<CTrackList>(*prefs_);
        partners_ = std::make_unique<songfakes::CTrackListPartners>(*tracks_);
        SetCdSessionTracks(tracks_.get());
        partners_->tellPages = [this](const char* path, bool inSession) {
            for (CCDTab* page : main_->TabPane()->CdPages()) page->SetSongPlayState(path, inSession);
        };
    }
    void TearDown() override {
        CdTabTest::TearDown();
        SetCdSessionTracks(nullptr);
        partners_.reset();
        tracks_.reset();
    }
    // Row 0 ripped into a generated WAV file; row 1 being ripped, at 40 %.
    void RipSome() {
        TCDTrackRow& ripped = *Page(0)->Disc().Row(0);
        const std::string path = files_.File("Song One.wav");
        testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 300));
        std::snprintf(ripped.info->path, sizeof ripped.info->path, "%s", path.c_str());
        std::snprintf(ripped.info->title, sizeof ripped.info->title, "%s", "Song One");
        std::snprintf(ripped.info->artist, sizeof ripped.info->artist, "%s", "The Testers");
        std::snprintf(ripped.info->genre, sizeof ripped.info->genre, "%s", "slow rock");
        ripped.percent = kCdRipDone;
        ripped.SetStatus(kCdRowRipped);
        TCDTrackRow& ripping = *Page(0)->Disc().Row(1);
        ripping.percent = 40;
        ripping.SetStatus(kCdRowRipping);
        Page(0)->Disc().FollowRows();
    }

    testsupport::TempDir files_;
    std::unique_ptr<CTrackList> tracks_;
    std::unique_ptr<songfakes::CTrackListPartners> partners_;
};

TEST_F(CdTabSessionTest, ClickingARippedRowsCheckBoxAddsAndRemovesItsSong) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    InsertDisc(0, platter_test::AudioDiscLayout());
    Page(0)->DiscTimerTick();
    RipSome();
    Settle();
    constexpr int kCheckBoxX = 40;
    ClickRow(0, 0, kCheckBoxX);
    EXPECT_EQ(Page(0)->Disc().Row(0)->marked, 0);
    EXPECT_EQ(tracks_->GetCount(), 0);
    ClickRow(0, 0, kCheckBoxX);
    ASSERT_EQ(tracks_->GetCount(), 1);
    const TONECORE_CMusicInfo info = tracks_->GetAt(0)->GetMusicInfo();
    EXPECT_EQ(std::string(info.title), "Song One");
    EXPECT_EQ(std::string(info.artist), "The Testers");
    EXPECT_EQ(std::string(info.genre), "Slow Rock");
    EXPECT_EQ(info.genreIndex, 95);
    EXPECT_EQ(Page(0)->Disc().Row(0)->inSession, 1);
    EXPECT_EQ(Cell(0, 1, kCdColumnStatus), "40%");
    SaveWidgetPng(Page(0)->Window(), "cd_tab_rows_in_session_and_ripping");
    // Every column at its default width.
    QWidget* pane = Page(0)->Window()->parentWidget();
    Page(0)->Reposition(0, 0, 800, 260);
    SaveWidgetPng(List(0), "cd_tab_all_columns");
    Page(0)->Reposition(0, 0, pane->width(), pane->height());

    // The switch takes every marked song out; the session's word back
    // unmarks its row as well, as when the song leaves the session list.
    ASSERT_TRUE(testsupport::ClickControl(Page(0)->Window(), kCdAddToSessionId));
    Settle();
    EXPECT_FALSE(FindControl<QCheckBox>(Page(0)->Window(), kCdAddToSessionId)->isChecked());
    EXPECT_EQ(tracks_->GetCount(), 0);
    EXPECT_EQ(Page(0)->Disc().Row(0)->inSession, 0);
    EXPECT_EQ(Page(0)->Disc().Row(0)->marked, 0);
    // Switched off, marking adds nothing; switched on, the marked row joins.
    ClickRow(0, 0, kCheckBoxX);
    EXPECT_EQ(tracks_->GetCount(), 0);
    ASSERT_TRUE(testsupport::ClickControl(Page(0)->Window(), kCdAddToSessionId));
    Settle();
    EXPECT_TRUE(FindControl<QCheckBox>(Page(0)->Window(), kCdAddToSessionId)->isChecked());
    EXPECT_EQ(tracks_->GetCount(), 1);
}

TEST_F(CdTabTest, ThePlayButtonZoneMovesWithTheHorizontalScroll) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    InsertDisc(0, platter_test::AudioDiscLayout());
    Page(0)->DiscTimerTick();
    Settle();
    QTableView* list = List(0);
    constexpr int kOnPlayButton = 6;
    ClickRow(0, 0, kOnPlayButton);
    EXPECT_EQ(Page(0)->HoverZone(), kCdZonePlay);
    EXPECT_EQ(Page(0)->Disc().Row(0)->marked, 1);
    EXPECT_EQ(Page(0)->Disc().CurrentRow(), 0);

    list->resize(200, list->height());
    Settle();
    ASSERT_GT(list->horizontalScrollBar()->maximum(), 20);
    list->horizontalScrollBar()->setValue(20);
    Settle();
    // 12 pixels in, 32 into the row: the check box.
    ClickRow(0, 1, 12);
    EXPECT_EQ(Page(0)->HoverZone(), kCdZoneCheckBox);
    EXPECT_EQ(Page(0)->Disc().Row(1)->marked, 0);
    EXPECT_EQ(Page(0)->Disc().CurrentRow(), 1);
}

TEST_F(CdTabTest, TheMainCdMenuAsksThePageInFrontAndGreysEverythingDuringABurnStep) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    InsertDisc(0, platter_test::AudioDiscLayout());
    Page(0)->DiscTimerTick();
    Settle();
    constexpr int kTitleX = 100;
    ClickRow(0, 1, kTitleX);
    QAction* selectOne = MenuItem(cmd::kCdSelectOne);
    ASSERT_NE(selectOne, nullptr);
    QMenu* cdMenu = qobject_cast<QMenu*>(selectOne->parent());
    ASSERT_NE(cdMenu, nullptr);
    emit cdMenu->aboutToShow();
    EXPECT_EQ(selectOne->text(), ProgString("MUCT_Select1"));
    EXPECT_TRUE(selectOne->isEnabled());
    EXPECT_EQ(MenuItem(cmd::kCdSelectAll)->text(), ProgString("MUCT_DeselectAll"));
    EXPECT_FALSE(MenuItem(cmd::kCdClearAll)->isEnabled());
    EXPECT_TRUE(MenuItem(cmd::kRip)->isEnabled());
    EXPECT_TRUE(MenuItem(cmd::kCdLookup)->isEnabled());

    // Select All unmarks while any row is marked.
    MenuItem(cmd::kCdSelectAll)->trigger();
    Settle();
    EXPECT_FALSE(Page(0)->Disc().AnyMarked());
    emit cdMenu->aboutToShow();
    EXPECT_FALSE(MenuItem(cmd::kRip)->isEnabled());
    EXPECT_EQ(MenuItem(cmd::kCdSelectAll)->text(), ProgString("MUCT_SelectAll"));

    driveState_.state = 8;
    emit cdMenu->aboutToShow();
    for (int command : {cmd::kCdSelectOne, cmd::kCdEditTag, cmd::kCdPlay, cmd::kCdSelectAll, cmd::kCdLookup})
        EXPECT_FALSE(MenuItem(command)->isEnabled()) << command;

    // The page's own menu holds its six commands.
    driveState_.state = 0;
    const auto menu = Page(0)->MakeContextMenu();
    std::vector<int> commands;
    for (QAction* item : menu->actions()) commands.push_back(item->data().toInt());
    EXPECT_EQ(commands, (std::vector<int>{cmd::kCdPlay, cmd::kRip, cmd::kCdSelectOne, cmd::kCdSelectAll,
                                          cmd::kCdEditTag, cmd::kCdClearAll}));
}

TEST_F(CdTabTest, DoubleClickingAColumnDividerRestoresItsWidth) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    QHeaderView* header = List(0)->horizontalHeader();
    header->resizeSection(kCdColumnTitle, 40);
    Settle();
    const int divider = header->sectionViewportPosition(kCdColumnTitle) + header->sectionSize(kCdColumnTitle) - 1;
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(divider, header->height() / 2));
    Settle();
    EXPECT_EQ(header->sectionSize(kCdColumnTitle), 150);
}

TEST_F(CdTabTest, TheListFillsThePageAsItIsResized) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    Page(0)->Reposition(0, 0, 500, 400);
    QTableView* list = List(0);
    EXPECT_EQ(list->width(), 500 - 14);
    EXPECT_EQ(list->y() + list->height(), 400 - 14);
}

}  // namespace

namespace {

TEST_F(CdTabTest, ComingBackToThePageForgetsADiscThatWasChangedMeanwhile) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    InsertDisc(0, platter_test::AudioDiscLayout());
    Page(0)->DiscTimerTick();
    Page(0)->Disc().Row(0)->percent = 40;
    // The disc is read again on return only with the automatic lookup on.
    prefs_->CDDBAutoRetr = 1;
    QAction* findPage = MenuItem(cmd::kFindPage);
    ASSERT_NE(findPage, nullptr);

    // The same disc: the rows stay as they were.
    findPage->trigger();
    Settle();
    EXPECT_FALSE(Page(0)->DiscTimerRunning());
    ShowPage(0);
    ASSERT_EQ(Rows(0), 3);
    EXPECT_EQ(Page(0)->Disc().Row(0)->percent, 40);

    // Another disc: the old rows go, and the next tick reads the new one.
    findPage->trigger();
    Settle();
    TakeDiscOut(0);
    InsertDisc(0, platter_test::MixedModeLayout());
    ShowPage(0);
    EXPECT_EQ(Rows(0), 0);
    EXPECT_EQ(Page(0)->Disc().State(), kCdStateNone);
    EXPECT_TRUE(Page(0)->DiscTimerRunning());
    prefs_->CDDBAutoRetr = 0;
    Page(0)->DiscTimerTick();
    EXPECT_EQ(Rows(0), 2);
}

TEST_F(CdTabTest, DamagedImagesShowTheBlankDiscRows) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    // A sheet whose data file is missing cannot be read: a blank disc.
    InsertDisc(0, platter_test::AudioDiscLayout());
    std::filesystem::remove(Tray(0) + "/disc.bin");
    Page(0)->DiscTimerTick();
    Settle();
    EXPECT_EQ(MessageRows(0), Keys("CDTab_BlankCD%d"));
    EXPECT_TRUE(FindControl<QPushButton>(Page(0)->Window(), kCdLookUpId)->isEnabled());
    TakeDiscOut(0);
    Page(0)->DiscTimerTick();
    EXPECT_EQ(MessageRows(0), Keys("CDTab_EmptyCD%d"));

    // A data file cut short before its last track is refused as well.
    InsertDisc(0, platter_test::TruncatedLayout());
    Page(0)->DiscTimerTick();
    Settle();
    EXPECT_EQ(Page(0)->Disc().State(), kCdStateBlank);
    EXPECT_EQ(MessageRows(0), Keys("CDTab_BlankCD%d"));
}

}  // namespace

namespace {

TEST_F(CdTabTest, EnterRipsThePlayButtonPlaysAndTheMenuEditsThroughTheirParts) {
    OpenWithEmptyTrays(1);
    ShowPage(0);
    InsertDisc(0, platter_test::AudioDiscLayout());
    Page(0)->DiscTimerTick();
    Settle();
    std::vector<std::string> calls;
    Page(0)->hooks.rip = [&](int row) { calls.push_back("rip " + std::to_string(row)); };
    Page(0)->hooks.playOrStop = [&](int row) { calls.push_back("play " + std::to_string(row)); };

    List(0)->setFocus();
    QTest::keyClick(List(0), Qt::Key_Return);
    // Posted, so it runs once the key press is over.
    EXPECT_TRUE(calls.empty());
    Settle();
    ClickRow(0, 2, 6);
    // Editing opens the track tag dialog on the current row.
    testsupport::WhenModalShown([&](QWidget* modal) {
        calls.push_back("edit " + FindControl<QLabel>(modal, CEditCDTagDlg::kPosition)->text().toStdString());
        testsupport::ClickControl(modal, 2);
    });
    MenuItem(cmd::kCdEditTag)->trigger();
    MenuItem(cmd::kRip)->trigger();
    Settle();
    EXPECT_EQ(calls, (std::vector<std::string>{"rip -1", "play 2", "edit Track 3 of 3", "rip -1"}));

    // While the page rips, clicks do nothing and the menu's items are grey.
    Page(0)->SetRipping(true);
    EXPECT_FALSE(Page(0)->DiscTimerRunning());
    EXPECT_EQ(FindControl<QPushButton>(Page(0)->Window(), kCdRipId)->text(), ProgString("CDTab_StopRip"));
    ClickRow(0, 0, 40);
    EXPECT_EQ(Page(0)->Disc().Row(0)->marked, 1);
    QMenu* cdMenu = qobject_cast<QMenu*>(MenuItem(cmd::kCdSelectOne)->parent());
    emit cdMenu->aboutToShow();
    EXPECT_FALSE(MenuItem(cmd::kCdSelectOne)->isEnabled());
    EXPECT_EQ(MenuItem(cmd::kRip)->text(), ProgString("MUCT_StopRip"));
    Page(0)->SetRipping(false);
}

}  // namespace

namespace {

TEST_F(CdTabTest, EditTagFromTheMenuShowsTheSavedTitlesInTheList) {
    ShowAudioDiscPage();
    ClickRow(0, 0, 100);
    ASSERT_EQ(Page(0)->Disc().CurrentRow(), 0);
    const std::uint8_t marked = Page(0)->Disc().Row(0)->marked;

    testsupport::WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QStringLiteral("277"));
        // The title field has the focus with its text selected: typing
        // replaces it.
        testsupport::TypeText(modal, QStringLiteral("Opening Song"));
        testsupport::ClickControl(modal, CEditCDTagDlg::kNext);
        testsupport::TypeText(modal, QStringLiteral("Second Song"));
        FindControl<QLineEdit>(modal, CEditCDTagDlg::kArtist)->setText(QStringLiteral("The Band"));
        testsupport::ClickControl(modal, 1);
    });
    MenuItem(cmd::kCdEditTag)->trigger();
    Settle();
    EXPECT_EQ(Cell(0, 0, kCdColumnTitle), QStringLiteral("Opening Song"));
    EXPECT_EQ(Cell(0, 1, kCdColumnTitle), QStringLiteral("Second Song"));
    EXPECT_EQ(Cell(0, 1, kCdColumnArtist), QStringLiteral("The Band"));
    EXPECT_EQ(Cell(0, 2, kCdColumnTitle), QStringLiteral("Track 03"));
    EXPECT_EQ(Cell(0, 0, kCdColumnLength), QStringLiteral("0:03")) << "only the tags change";
    EXPECT_EQ(Page(0)->Disc().Row(0)->marked, marked);
    SaveWidgetPng(main_->Window(), "cd_tab_edited_titles");

    // Cancel leaves the rows as they were.
    testsupport::WhenModalShown([](QWidget* modal) {
        testsupport::TypeText(modal, QStringLiteral("Not Kept"));
        testsupport::ClickControl(modal, 2);
    });
    MenuItem(cmd::kCdEditTag)->trigger();
    Settle();
    EXPECT_EQ(Cell(0, 0, kCdColumnTitle), QStringLiteral("Opening Song"));
}

}  // namespace

namespace {

TEST_F(CdTabTest, ADiscSwappedWhileEditingGetsOnlyTheRowsItHasAfterYes) {
    ShowAudioDiscPage();
    ClickRow(0, 2, 100);

    testsupport::CFakeUiServices ui;
    ui.ExpectMessage("EditCDTag_Copy", IDYES);
    testsupport::WhenModalShown([&](QWidget* modal) {
        // Shown on the last row; the titles typed go round to the first.
        testsupport::TypeText(modal, QStringLiteral("Three"));
        testsupport::ClickControl(modal, CEditCDTagDlg::kNext);
        testsupport::TypeText(modal, QStringLiteral("One"));
        testsupport::ClickControl(modal, CEditCDTagDlg::kNext);
        testsupport::TypeText(modal, QStringLiteral("Two"));
        // Another disc, of two tracks, goes in meanwhile.
        TakeDiscOut(0);
        Page(0)->DiscTimerTick();
        platter_test::TImageLayout twoTracks;
        twoTracks.tracks = {{300}, {400}};
        InsertDisc(0, twoTracks);
        Page(0)->DiscTimerTick();
        ASSERT_EQ(Page(0)->Disc().RowCount(), 2);
        testsupport::ClickControl(modal, 1);
    });
    MenuItem(cmd::kCdEditTag)->trigger();
    Settle();
    ASSERT_EQ(Rows(0), 2);
    EXPECT_EQ(Cell(0, 0, kCdColumnTitle), QStringLiteral("One"));
    EXPECT_EQ(Cell(0, 1, kCdColumnTitle), QStringLiteral("Two"));
    EXPECT_EQ(Cell(0, 1, kCdColumnLength), QStringLiteral("0:05")) << "the new disc keeps its own lengths";
    const auto calls = ui.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].text.find("tray0"), std::string::npos) << calls[0].text;
}

}  // namespace
