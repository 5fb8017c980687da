// Naming a CD's tracks through the real main window: an image drive with a
// generated disc, a loopback CDDB server chosen the way the preferences
// choose it, the title cache in the scratch home, boxes scripted, Select a
// Disc driven as a user would, and the lookup's answers awaited by polling
// the page's state (never by sleeping).
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "platter/testsupport/disc_image_maker.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/app/ui/container_window.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/cd/cddb_sites.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/burner/tests/fixed_burn_status.h"
#include "songsmith/cd/ui/edit_cd_tag_dlg.h"
#include "songsmith/library/ui/edit_missing_tag_dlg.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/cd/ui/select_disc_dialog.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scripted_server.h"
#include "testsupport/widget_png.h"
#include "titlefetch/titlefetch.h"

namespace {

using testsupport::FindControl;
using testsupport::SaveWidgetPng;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using testsupport::ServerStep;

// The generated audio disc's ID.
constexpr std::uint32_t kDiscId = 0x08000c03;

std::string Http(const std::string& body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }

// An xmcd record of the three-track disc; year and genre lines only when
// given.
std::string Record(const std::string& id, const std::vector<std::string>& titles, const std::string& year,
                   const std::string& genre) {
    std::string text = "210 rock " + id + " CD database entry follows\r\n# xmcd\r\n#\r\n# Track frame offsets:\r\n"
                       "#\t150\r\n#\t403\r\n#\t787\r\n#\r\n# Disc length: 14 seconds\r\n#\r\nDISCID=" + id +
                       "\r\nDTITLE=The Artist / The Album\r\n";
    if (!year.empty()) text += "DYEAR=" + year + "\r\n";
    if (!genre.empty()) text += "DGENRE=" + genre + "\r\n";
    for (std::size_t i = 0; i < titles.size(); ++i) text += "TTITLE" + std::to_string(i) + "=" + titles[i] + "\r\n";
    return Http(text + "EXTD=\r\nPLAYORDER=\r\n.\r\n");
}

bool Has(const std::string& request, const char* text) { return request.find(text) != std::string::npos; }

int Count(const std::vector<std::string>& requests, const char* text) {
    int count = 0;
    for (const std::string& request : requests) count += Has(request, text) ? 1 : 0;
    return count;
}

// Lets a server's answer wait until the test opens the gate.
class CGate {
public:
    void Open() {
        std::lock_guard guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, testsupport::kHangLimit, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

class CdTitleLookupTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetDriveStateSource(&driveState_);
        std::filesystem::remove(GetUserDataDir() + "cdplayer.ini");
        titlefetch_.SetTimeout(300);
        SetProgramTitlefetch(&titlefetch_);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        // Other tests insert the same generated disc.
        std::filesystem::remove(GetUserDataDir() + "cdplayer.ini");
        SetProgramTitlefetch(nullptr);
        SetDriveStateSource(nullptr);
    }

    // The server answers by the command each request carries; a decoy
    // listed first in the preferences' sites must never be asked.
    void Serve(ScriptedServer::Responder responder) {
        server_ = std::make_unique<ScriptedServer>(std::move(responder));
        ChooseSite(server_->Port());
    }
    void ChooseSite(int port) {
        prefs_->DeleteSites();
        prefs_->AddSite(MakeSite("localhost", "/~cddb/cddb.cgi", decoy_.Port()));
        prefs_->AddSite(MakeSite("127.0.0.1", "/~cddb/cddb.cgi", port));
        std::snprintf(prefs_->CDDBSite, sizeof prefs_->CDDBSite, "127.0.0.1");
        ApplyChosenSite(*prefs_, titlefetch_);
    }
    std::vector<std::string> Requests() const { return server_->Requests(); }

    void OpenWithDisc() {
        platter_->imageDrive.freshMedia = PLATTER_MEDIA_NONE;
        Open(1);
        ShowPage();
        InsertDisc();
    }
    void ShowPage() {
        MenuItem(cmd::kFirstCdDrive)->trigger();
        Settle();
    }
    std::string Tray() const { return trays_.Path() + "/tray0"; }
    void InsertDisc() { platter_test::WriteDiscImage(Tray(), "disc", platter_test::AudioDiscLayout()); }
    // Another disc: two tracks of other lengths, so another disc ID.
    void InsertOtherDisc() {
        platter_test::TImageLayout layout;
        layout.tracks = {{253}, {3000}};
        platter_test::WriteDiscImage(Tray(), "disc", layout);
    }
    // The tray swapped for the other disc, as the disc timer sees it.
    void SwapForTheOtherDisc() {
        TakeDiscOut();
        Tick();
        InsertOtherDisc();
        Tick();
    }
    void TakeDiscOut() {
        std::filesystem::remove(Tray() + "/disc.cue");
        std::filesystem::remove(Tray() + "/disc.bin");
    }
    // One tick of the disc timer, as the page's own timer would run it.
    void Tick() {
        Page()->DiscTimerTick();
        Settle();
    }
    CCDTab* Page() const { return main_->TabPane()->CdPages().at(0); }
    // Waits until the lookup has ended (phase 3, or 0 when it was dropped).
    bool WaitForLookup(int phase = kPhaseDone) {
        QElapsedTimer clock;
        clock.start();
        while (Page()->Disc().LookupPhase() != phase) {
            if (clock.elapsed() > testsupport::kHangLimitMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        Settle();
        return true;
    }
    QString Cell(int row, int column) const {
        return FindControl<QTableView>(Page()->Window(), kCdListId)->model()->index(row, column).data().toString();
    }
    std::vector<QString> Titles() const {
        std::vector<QString> titles;
        for (int row = 0; row < Page()->Disc().RowCount(); ++row) titles.push_back(Cell(row, kCdColumnTitle));
        return titles;
    }
    QString Status() const { return FindControl<QLabel>(Page()->Window(), kCdStatusId)->text(); }
    bool LookUpEnabled() const { return FindControl<QPushButton>(Page()->Window(), kCdLookUpId)->isEnabled(); }
    // The cache's titles for the disc; empty when it holds none.
    std::vector<std::string> CachedTitles(std::uint32_t discId = kDiscId) {
        std::vector<std::string> titles;
        INI_TEntry* entry = titlefetch_.GetCDPlayerINIEntry(discId);
        if (entry == nullptr) return titles;
        for (const CCOMString* title : entry->trackTitles) titles.emplace_back(title->GetString());
        titlefetch_.DeallocINIEntry(entry);
        return titles;
    }

    CFixedBurnStatus driveState_;
    TITLEFETCH_CTitlefetch titlefetch_;
    testsupport::CFakeUiServices boxes_;
    ScriptedServer decoy_{ScriptedServer::Responder([](const std::string&) { return ServerScript{}; })};
    std::unique_ptr<ScriptedServer> server_;
};

const std::vector<QString> kUntitled = {"Track 01", "Track 02", "Track 03"};

TEST_F(CdTitleLookupTest, AFoundDiscIsNamedCachedAndNamedAgainFromTheCacheUnlessLookUpIsPressed) {
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+08000c03+3+150+403+787+14&"))
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 The Artist / The Album\r\n"))};
        if (Has(request, "cmd=cddb+read+rock+08000c03&"))
            return ServerScript{ServerStep::Send(Record("08000c03", {"Intro", "Middle", "intro"}, "1999", "Rock"))};
        return ServerScript{};
    });
    OpenWithDisc();
    Tick();
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(Page()->Lookup().Result(), kLookupFetched);
    // Titles two tracks share get their track numbers.
    EXPECT_EQ(Titles(), (std::vector<QString>{"Intro 1", "Middle", "intro 3"}));
    for (int row = 0; row < 3; ++row) {
        const TONECORE_CMusicInfo& info = *Page()->GetTrackMusicInfo(row);
        EXPECT_STREQ(info.artist, "The Artist");
        EXPECT_STREQ(info.album, "The Album");
        EXPECT_EQ(info.year, 1999);
        EXPECT_STREQ(info.genre, "Rock");
        EXPECT_EQ(info.genreIndex, 17);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.cdIdentifier), info.cdIdentifierLength), "8000c03");
        EXPECT_EQ(info.trackCount, 3);
    }
    EXPECT_EQ(Status(), ProgString("CDTab_SelectTracks"));
    EXPECT_TRUE(LookUpEnabled());
    EXPECT_EQ(CachedTitles(), (std::vector<std::string>{"Intro 1", "Middle", "intro 3"}));
    EXPECT_EQ(Requests().size(), 2u);
    SaveWidgetPng(main_->Window(), "cd_lookup_named_by_server");
    // The album, artist, year and genre columns, scrolled into view.
    auto* list = FindControl<QTableView>(Page()->Window(), kCdListId);
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    SaveWidgetPng(list, "cd_lookup_named_by_server_columns");
    list->horizontalScrollBar()->setValue(0);

    // Back in the drive, the disc is named from the cache alone.
    TakeDiscOut();
    Tick();
    EXPECT_EQ(Titles(), std::vector<QString>{});
    InsertDisc();
    Tick();
    EXPECT_EQ(Page()->Lookup().Result(), kLookupFromCache);
    EXPECT_EQ(Titles(), (std::vector<QString>{"Intro 1", "Middle", "intro 3"}));
    EXPECT_EQ(Cell(0, kCdColumnAlbum), "The Album");
    EXPECT_EQ(Requests().size(), 2u);

    // Look Up asks the server even so.
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdLookUpId));
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(Page()->Lookup().Result(), kLookupFetched);
    EXPECT_EQ(Count(Requests(), "cmd=cddb+query+"), 2);
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+"), 2);
    EXPECT_TRUE(decoy_.Requests().empty());
}

TEST_F(CdTitleLookupTest, SeveralMatchesAreChosenFromInSelectADisc) {
    // One disc ID filed in two categories, as real servers do: the match
    // chosen names the category read.
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+"))
            return ServerScript{ServerStep::Send(Http("211 Found inexact matches, list follows\r\n"
                                                      "rock 08000c03 The Artist / The Album\r\n"
                                                      "jazz 08000c03 Other Artist / Other Album\r\n.\r\n"))};
        if (Has(request, "cmd=cddb+read+jazz+08000c03&"))
            return ServerScript{ServerStep::Send(Record("08000c03", {"One", "Two", "Three"}, "2001", "Jazz"))};
        if (Has(request, "cmd=cddb+read+rock+08000c03&"))
            return ServerScript{ServerStep::Send(Record("08000c03", {"Wrong", "Wrong", "Wrong"}, "1999", "Rock"))};
        return ServerScript{};
    });
    OpenWithDisc();
    std::vector<QString> lines;
    testsupport::WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QString::number(CSelectDiscDlg::kDialogId));
        EXPECT_EQ(modal->windowTitle(), ProgString("SelectDisc_Title"));
        auto* list = FindControl<QListWidget>(modal, CSelectDiscDlg::kList);
        for (int i = 0; i < list->count(); ++i) lines.push_back(list->item(i)->text());
        EXPECT_EQ(list->currentRow(), 0);
        SaveWidgetPng(modal, "cd_lookup_select_a_disc");
        list->setCurrentRow(1);
        testsupport::ClickControl(modal, 1);
    });
    Tick();
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(lines, (std::vector<QString>{"The Artist - The Album (rock)", "Other Artist - Other Album (jazz)",
                                           "<None of the above>"}));
    EXPECT_EQ(Page()->Lookup().ChosenDiscId(), 0x08000c03u);
    EXPECT_STREQ(Page()->Lookup().ChosenMatch().genre, "jazz");
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+jazz+08000c03&"), 1);
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+rock+"), 0);
    EXPECT_EQ(Titles(), (std::vector<QString>{"One", "Two", "Three"}));
    // Filed under the disc's own ID, which the next insertion asks for.
    EXPECT_EQ(CachedTitles(), (std::vector<std::string>{"One", "Two", "Three"}));

    // None of the above: nothing is fetched and the titles stay.
    testsupport::WhenModalShown([](QWidget* modal) {
        auto* list = FindControl<QListWidget>(modal, CSelectDiscDlg::kList);
        list->setCurrentRow(2);
        QListWidgetItem* none = list->item(2);
        const QRect place = list->visualItemRect(none);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
    });
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdLookUpId));
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(Page()->Lookup().Result(), kLookupNoneChosen);
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+"), 1);
    EXPECT_EQ(Titles(), (std::vector<QString>{"One", "Two", "Three"}));
    EXPECT_TRUE(LookUpEnabled());
}

TEST_F(CdTitleLookupTest, AnUnknownDiscIsTypedInAndFoundInTheCacheNextTime) {
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+")) return ServerScript{ServerStep::Send(Http("202 No match found\r\n"))};
        return ServerScript{};
    });
    OpenWithDisc();
    // The user types the titles in Edit CD Track Tag, opened on the first
    // track.
    QString shownFirst;
    testsupport::WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QString::number(CEditCDTagDlg::kDialogId));
        shownFirst = FindControl<QLabel>(modal, CEditCDTagDlg::kPosition)->text();
        for (int track = 1; track <= 3; ++track) {
            testsupport::TypeText(modal, QString("Typed %1").arg(track));
            testsupport::ClickControl(modal, CEditCDTagDlg::kNext);
        }
        testsupport::ClickControl(modal, 1);
    });
    boxes_.ExpectMessage("CDTab_NoRDB", IDYES);
    Tick();
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(Page()->Lookup().Result(), kLookupNoMatch);
    EXPECT_EQ(shownFirst, "Track 1 of 3");
    EXPECT_EQ(boxes_.Calls().back().caption, ProgString("CDTab_TrackInfoTitle").toStdString());
    EXPECT_EQ(Titles(), (std::vector<QString>{"Typed 1", "Typed 2", "Typed 3"}));
    EXPECT_EQ(CachedTitles(), (std::vector<std::string>{"Typed 1", "Typed 2", "Typed 3"}));

    TakeDiscOut();
    Tick();
    InsertDisc();
    Tick();
    EXPECT_EQ(Page()->Lookup().Result(), kLookupFromCache);
    EXPECT_EQ(Titles(), (std::vector<QString>{"Typed 1", "Typed 2", "Typed 3"}));
    EXPECT_EQ(Count(Requests(), "cmd=cddb+query+"), 1);

    // A cancelled hand entry writes nothing.
    std::filesystem::remove(GetUserDataDir() + "cdplayer.ini");
    Page()->Disc().SetCurrentRow(0);
    testsupport::WhenModalShown([](QWidget* modal) {
        testsupport::TypeText(modal, "Not Kept");
        testsupport::ClickControl(modal, 2);
    });
    Page()->OnCommand(cmd::kCdEditTag);
    EXPECT_EQ(CachedTitles(), std::vector<std::string>{});
}

TEST_F(CdTitleLookupTest, FailedStepsAreTriedThreeTimesThenReportedByTheirCode) {
    const struct {
        const char* name;
        bool refusedPort;
        std::string query;  // empty: a stall
        std::string read;
        const char* key;
        // The hand entry offered for bad data is declined.
        std::int32_t answer;
        const char* title;
        const char* counted;
    } cases[] = {
        {"refused port", true, "", "", "CDTab_NoConnectRDB", IDOK, "CDTab_LookupFailedTitle", nullptr},
        {"garbage", false, Http("this is no answer\r\n"), "", "CDTab_BadDataRDB", IDNO, "CDTab_LookupFailedTitle",
         "cmd=cddb+query+"},
        {"refused client", false, Http("500 Unknown developer email\r\n"), "", "CDTab_RefusedRDB", IDNO,
         "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
        {"stall", false, "", "", "CDTab_OtherRDB", IDOK, "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
        {"record refused", false, Http("200 rock 08000c03 The Artist / The Album\r\n"),
         "HTTP/1.1 503 Service Unavailable\r\n\r\n<html>busy</html>\r\n", "CDTab_RefusedRDB", IDNO,
         "CDTab_RetrieveFailedTitle", "cmd=cddb+read+"},
        {"http 500 without a body", false, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", "",
         "CDTab_RefusedRDB", IDNO, "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
        {"server error", false, Http("530 Server error, server CPU load too high\r\n"), "", "CDTab_ServerErrorRDB",
         IDOK, "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
        {"no final period", false,
         Http("211 Found inexact matches, list follows\r\nrock 08000c03 The Artist / The Album\r\n"), "",
         "CDTab_BadDataRDB", IDNO, "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
        {"not HTTP", false, "SSH-2.0-OpenSSH_9.2\r\n", "", "CDTab_BadDataRDB", IDNO, "CDTab_LookupFailedTitle",
         "cmd=cddb+query+"},
        {"moved to https", false,
         "HTTP/1.1 301 Moved Permanently\r\nLocation: https://127.0.0.1/~cddb/cddb.cgi\r\n\r\n", "",
         "CDTab_MovedRDB", IDOK, "CDTab_LookupFailedTitle", "cmd=cddb+query+"},
    };
    // Long enough for a loaded machine to answer; the stall waits it out.
    titlefetch_.SetTimeout(1000);
    OpenWithDisc();
    // The page finds the disc now, not at a tick of its timer in the middle
    // of a case (where its own lookup would ask that case's question once
    // more), and that lookup fails for want of a server.
    ChooseSite(testsupport::UnusedLoopbackPort());
    boxes_.ExpectMessage("CDTab_NoConnectRDB", IDOK);
    Page()->DiscTimerTick();
    ASSERT_TRUE(WaitForLookup());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Serve([&c](const std::string& request) {
            const std::string& answer = Has(request, "cmd=cddb+read+") ? c.read : c.query;
            if (answer.empty()) return ServerScript{ServerStep::Stall()};
            return ServerScript{ServerStep::Send(answer)};
        });
        if (c.refusedPort) ChooseSite(testsupport::UnusedLoopbackPort());
        boxes_.ExpectMessage(c.key, c.answer);
        // The page may still be busy with the disc it just found.
        ASSERT_TRUE(QTest::qWaitFor([this] { return LookUpEnabled(); }, testsupport::kHangLimitMs));
        ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdLookUpId));
        ASSERT_TRUE(WaitForLookup());
        EXPECT_EQ(Page()->Lookup().Result(), kLookupFailed);
        EXPECT_EQ(boxes_.Calls().back().caption, ProgString(c.title).toStdString());
        EXPECT_EQ(Status(), ProgString(c.title));
        EXPECT_TRUE(LookUpEnabled());
        EXPECT_TRUE(Page()->DiscTimerRunning());
        if (c.counted != nullptr) {
            EXPECT_EQ(Count(Requests(), c.counted), 3);
        }
        EXPECT_EQ(Titles(), kUntitled);
    }
    EXPECT_TRUE(decoy_.Requests().empty());
}

TEST_F(CdTitleLookupTest, ARecordWithGapsOffersToFillThemIn) {
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+"))
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 The Artist / The Album\r\n"))};
        // No year, and one title short.
        return ServerScript{ServerStep::Send(Record("08000c03", {"First", "Second"}, "", "Rock"))};
    });
    OpenWithDisc();
    // Missing Tag Information: the user picks the year.
    testsupport::WhenModalShown([](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QString::number(CEditMissingTagDlg::kDialogId));
        auto* year = FindControl<QComboBox>(modal, CEditMissingTagDlg::kYear);
        year->setCurrentIndex(year->findData(1987));
        testsupport::ClickControl(modal, 1);
    });
    boxes_.ExpectMessage("CDTab_MissingRDB", IDYES);
    Tick();
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(boxes_.Calls().back().caption, ProgString("CDTab_MissingRDBTitle").toStdString());
    EXPECT_EQ(Titles(), (std::vector<QString>{"First", "Second", "Track 03"}));
    EXPECT_EQ(Page()->GetTrackMusicInfo(2)->year, 1987);
    EXPECT_STREQ(Page()->GetTrackMusicInfo(2)->artist, "The Artist");
    EXPECT_STREQ(Page()->GetTrackMusicInfo(2)->genre, "Rock");
}

TEST_F(CdTitleLookupTest, AnswersArrivingDuringARipOrAfterTheDiscWentAreDropped) {
    // The gates hold each record as long as the test needs: no attempt may
    // time out meanwhile, however slowly the machine runs. The third is the
    // record of the lookup the disc's return starts.
    titlefetch_.SetTimeout(30000);
    std::vector<std::unique_ptr<CGate>> readGates;
    for (int i = 0; i < 3; ++i) readGates.push_back(std::make_unique<CGate>());
    std::atomic<int> reads{0};
    Serve([&](const std::string& request) {
        if (Has(request, "cmd=cddb+query+"))
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 The Artist / The Album\r\n"))};
        // Each record waits until the test lets it go.
        readGates.at(static_cast<std::size_t>(reads++))->Wait();
        return ServerScript{ServerStep::Send(Record("08000c03", {"A", "B", "C"}, "1999", "Rock"))};
    });
    OpenWithDisc();
    // The search answers while the page rips.
    Page()->DiscTimerTick();
    Page()->SetRipping(true);
    ASSERT_TRUE(WaitForLookup(kPhaseIdle));
    EXPECT_EQ(Titles(), kUntitled);
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+"), 0);
    Page()->SetRipping(false);

    // The record answers while the page rips. (The end of a rip gives Look
    // Up back; here the command is sent as the button would.)
    Page()->OnCommand(kCdLookUpId);
    ASSERT_TRUE(WaitForLookup(kPhaseFetching));
    Page()->SetRipping(true);
    readGates[0]->Open();
    ASSERT_TRUE(WaitForLookup(kPhaseIdle));
    EXPECT_EQ(Titles(), kUntitled);
    EXPECT_EQ(CachedTitles(), std::vector<std::string>{});
    Page()->SetRipping(false);

    // A record arriving after its disc was taken out names nothing.
    Page()->OnCommand(kCdLookUpId);
    ASSERT_TRUE(WaitForLookup(kPhaseFetching));
    TakeDiscOut();
    Tick();
    readGates[1]->Open();
    ASSERT_TRUE(WaitForLookup());
    EXPECT_EQ(Page()->Disc().RowCount(), 0);
    EXPECT_EQ(CachedTitles(), std::vector<std::string>{});
    InsertDisc();
    Tick();
    EXPECT_EQ(Titles(), kUntitled);
    // The disc's return looks it up afresh, and that record names it.
    readGates[2]->Open();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return reads == 3 && Page()->Disc().LookupPhase() == kPhaseDone; },
                        testsupport::kHangLimitMs));
    Settle();
    EXPECT_EQ(Titles(), (std::vector<QString>{"A", "B", "C"}));
}

TEST_F(CdTitleLookupTest, ADiscSwappedWhileTheMissingInformationQuestionIsOpenGetsNoneOfItsTitles) {
    prefs_->CDDBAutoRetr = 0;
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+08000c03+"))
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 The Artist / The Album\r\n"))};
        // No year: the question comes.
        if (Has(request, "cmd=cddb+read+rock+08000c03&"))
            return ServerScript{ServerStep::Send(Record("08000c03", {"A1", "A2", "A3"}, "", "Rock"))};
        return ServerScript{};
    });
    OpenWithDisc();
    Tick();
    ASSERT_EQ(Page()->Disc().DiscId(), kDiscId);
    ASSERT_EQ(Titles(), kUntitled);
    // While the question is open, the disc timer finds another disc.
    std::uint32_t otherId = 0;
    boxes_.ExpectMessageWhile("CDTab_MissingRDB", IDNO, [&] {
        SwapForTheOtherDisc();
        otherId = Page()->Disc().DiscId();
    });
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdLookUpId));
    ASSERT_TRUE(WaitForLookup());
    ASSERT_NE(otherId, 0u);
    ASSERT_NE(otherId, kDiscId);
    EXPECT_EQ(Page()->Disc().DiscId(), otherId);
    // The other disc keeps its own rows; nothing is filed for either disc.
    EXPECT_EQ(Titles(), (std::vector<QString>{"Track 01", "Track 02"}));
    EXPECT_NE(Page()->Lookup().Result(), kLookupFetched);
    EXPECT_EQ(CachedTitles(otherId), std::vector<std::string>{});
    EXPECT_EQ(CachedTitles(kDiscId), std::vector<std::string>{});
    EXPECT_TRUE(LookUpEnabled());
    EXPECT_EQ(Count(Requests(), "cmd=cddb+query+"), 1);
}

TEST_F(CdTitleLookupTest, AMatchChosenAfterTheDiscWasSwappedIsNotRead) {
    prefs_->CDDBAutoRetr = 0;
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+08000c03+"))
            return ServerScript{ServerStep::Send(Http("211 Found inexact matches, list follows\r\n"
                                                      "rock 08000c03 The Artist / The Album\r\n"
                                                      "jazz 08000c03 Other Artist / Other Album\r\n.\r\n"))};
        return ServerScript{ServerStep::Send(Record("08000c03", {"A1", "A2", "A3"}, "2001", "Jazz"))};
    });
    OpenWithDisc();
    Tick();
    testsupport::WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QString::number(CSelectDiscDlg::kDialogId));
        SwapForTheOtherDisc();
        FindControl<QListWidget>(modal, CSelectDiscDlg::kList)->setCurrentRow(1);
        testsupport::ClickControl(modal, 1);
    });
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdLookUpId));
    ASSERT_TRUE(WaitForLookup());
    EXPECT_NE(Page()->Disc().DiscId(), kDiscId);
    EXPECT_EQ(Titles(), (std::vector<QString>{"Track 01", "Track 02"}));
    EXPECT_EQ(Count(Requests(), "cmd=cddb+read+"), 0);
    EXPECT_EQ(CachedTitles(Page()->Disc().DiscId()), std::vector<std::string>{});
    EXPECT_TRUE(LookUpEnabled());
}

TEST_F(CdTitleLookupTest, ADiscSwappedWhileTheMissingTagDialogIsOpenIsLookedUpOnlyAfterIt) {
    // Automatic lookup: the disc that comes in is looked up, but only once
    // the dialog over the first disc's record has closed.
    Serve([](const std::string& request) {
        if (Has(request, "cmd=cddb+query+08000c03+"))
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 The Artist / The Album\r\n"))};
        if (Has(request, "cmd=cddb+read+rock+08000c03&"))
            return ServerScript{ServerStep::Send(Record("08000c03", {"A1", "A2", "A3"}, "", "Rock"))};
        if (Has(request, "cmd=cddb+query+"))
            return ServerScript{ServerStep::Send(Http("200 jazz 1f000c02 Other Artist / Other Album\r\n"))};
        if (Has(request, "cmd=cddb+read+jazz+"))
            return ServerScript{ServerStep::Send(Record("1f000c02", {"B1", "B2"}, "2005", "Jazz"))};
        return ServerScript{};
    });
    OpenWithDisc();
    boxes_.ExpectMessage("CDTab_MissingRDB", IDYES);
    std::uint32_t otherId = 0;
    int phaseInDialog = -1;
    testsupport::WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal->objectName(), QString::number(CEditMissingTagDlg::kDialogId));
        SwapForTheOtherDisc();
        otherId = Page()->Disc().DiscId();
        // No lookup of the new disc runs while the dialog is open.
        phaseInDialog = Page()->Disc().LookupPhase();
        auto* year = FindControl<QComboBox>(modal, CEditMissingTagDlg::kYear);
        year->setCurrentIndex(year->findData(1987));
        testsupport::ClickControl(modal, 1);
    });
    Tick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return otherId != 0 && Titles() == std::vector<QString>{"B1", "B2"}; }, testsupport::kHangLimitMs));
    ASSERT_TRUE(WaitForLookup());
    EXPECT_NE(phaseInDialog, kPhaseSearching);
    EXPECT_NE(otherId, kDiscId);
    // The new disc has its own record, none of what was typed for the first.
    EXPECT_EQ(Page()->GetTrackMusicInfo(0)->year, 2005);
    EXPECT_STREQ(Page()->GetTrackMusicInfo(1)->genre, "Jazz");
    EXPECT_EQ(CachedTitles(otherId), (std::vector<std::string>{"B1", "B2"}));
    EXPECT_EQ(CachedTitles(kDiscId), std::vector<std::string>{});
    // The first disc's search and record, then the second's.
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(Has(requests[2], "cmd=cddb+query+")) << requests[2];
    EXPECT_FALSE(Has(requests[2], "08000c03")) << requests[2];
}

TEST_F(CdTitleLookupTest, APageClosedDuringALookupGoesAtOnce) {
    // Every attempt stalls until it times out; three are allowed.
    Serve([](const std::string&) { return ServerScript{ServerStep::Stall()}; });
    OpenWithDisc();
    Page()->DiscTimerTick();
    // The thread's status text reaches the page (a slow machine may already
    // be at a later attempt).
    std::vector<QString> attempts;
    for (int attempt = 1; attempt <= 3; ++attempt)
        attempts.push_back(
            QString::fromStdString(FormatKeyedText("CDTab_LookingUp", {attempt, 3})));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !Requests().empty() &&
                   std::find(attempts.begin(), attempts.end(), Status()) != attempts.end();
        },
        testsupport::kHangLimitMs))
        << Status().toStdString();
    EXPECT_EQ(attempts[0], "Looking up track info (attempt 1 of 3)...");
    // The close ends the lookup with the attempt under way (one may begin
    // as it comes): no later attempt reaches the server.
    const std::size_t before = Requests().size();
    main_.reset();
    // Whatever was still queued for the page is freed (the sanitizers'
    // leak check sees it) and reaches nobody.
    Settle();
    EXPECT_LE(Requests().size(), before + 1);
}

}  // namespace
