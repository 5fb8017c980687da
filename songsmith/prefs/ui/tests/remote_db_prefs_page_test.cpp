// The preferences dialog's Remote Database page, driven offscreen by control
// id over the real main window, with the title lookup pointed at a scripted
// CDDB server on 127.0.0.1: the site chosen, the description and location
// shown, updating the site list (kept whatever the dialog does, and kept
// as it was when nothing could be fetched), and what OK stores.
#include "songsmith/prefs/ui/remote_db_prefs_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "songsmith/prefs/ui/tests/prefs_dialog_fixture.h"
#include "testsupport/scripted_server.h"
#include "testsupport/widget_png.h"
#include "titlefetch/titlefetch.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using testsupport::ServerStep;
using Page = CRemoteDBPrefsPage;

constexpr int kRemotePageIndex = 5;

std::string Http(const std::string& status, const std::string& body) {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\n\r\n" + body;
}

// The sites the scripted server lists.
const char kSiteAnswer[] =
    "210 OK, site information follows (until terminating `.')\r\n"
    "cddb.example.org http 80 /~cddb/cddb.cgi N037.46 W122.25 Example City, CA\r\n"
    "mirror.example.net http 8080 /cgi/cddb.cgi S033.52 E151.12 Southern mirror\r\n"
    ".\r\n";

TITLEFETCH_TSite Site(const char* host, const char* description, const char* location = "") {
    TITLEFETCH_TSite site = MakeSite(host, "/~cddb/cddb.cgi", 80);
    std::strncpy(site.description, description, sizeof site.description - 1);
    std::strncpy(site.secondText, location, sizeof site.secondText - 1);
    return site;
}

std::vector<std::string> Hosts(const CPreferences& prefs) {
    std::vector<std::string> hosts;
    for (const TITLEFETCH_TSite* site : prefs.Sites) hosts.emplace_back(site->host);
    return hosts;
}

std::vector<std::string> Rows(QWidget* page) {
    std::vector<std::string> rows;
    auto* list = FindControl<QListWidget>(page, Page::kSiteList);
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
    return rows;
}

int Selected(QWidget* page) {
    auto* list = FindControl<QListWidget>(page, Page::kSiteList);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

std::string Text(QWidget* page, int id) {
    return FindControl<QLabel>(page, id)->text().toStdString();
}

class RemoteDBPrefsPageTest : public PrefsDialogFixture {
protected:
    void SetUp() override {
        PrefsDialogFixture::SetUp();
        prefs_->CurrentPrefPage = kRemotePageIndex;
        titlefetch_ = &titlefetch_object_;
        siteApplied_ = [this] { ++siteApplied_count_; };
    }

    // Points the title lookup at a loopback port.
    void UseServerAt(int port) {
        const TITLEFETCH_TSite site = MakeSite("127.0.0.1", "/~cddb/cddb.cgi", port);
        titlefetch_object_.SetSite(&site);
    }

    void StoreSites(const std::vector<TITLEFETCH_TSite>& sites, const char* chosen) {
        prefs_->DeleteSites();
        for (const TITLEFETCH_TSite& site : sites) prefs_->AddSite(site);
        std::snprintf(prefs_->CDDBSite, sizeof prefs_->CDDBSite, "%s", chosen);
    }

    // Runs the dialog on the page; drive gets the dialog and the page (whose
    // control ids other pages repeat).
    int RunPage(const std::function<void(QWidget* dialog, QWidget* page)>& drive) {
        return Run([&](QWidget* dialog, CPrefsDialog&) {
            drive(dialog, FindControl(dialog, Page::kDialogId));
        });
    }

    TITLEFETCH_CTitlefetch titlefetch_object_;
    int siteApplied_count_ = 0;
};

TEST_F(RemoteDBPrefsPageTest, AnUpdateReplacesTheSitesAtOnceAndTheyStayAfterCancel) {
    // The server holds its answer until the test lets it go, from within
    // the dialog while the update runs; a dialog that waited for the answer
    // would never get there (the server gives up waiting after a while).
    std::mutex gateLock;
    std::condition_variable gateOpened;
    bool gateOpen = false;
    bool answeredAtTheGate = false;
    ScriptedServer server([&](const std::string& request) -> ServerScript {
        if (request.find("cmd=sites&") == std::string::npos) return {};
        std::unique_lock lock(gateLock);
        answeredAtTheGate = gateOpened.wait_for(lock, std::chrono::seconds(60), [&] { return gateOpen; });
        return {ServerStep::Send(Http("200 OK", kSiteAnswer))};
    });
    UseServerAt(server.Port());
    StoreSites({Site("old.example.org", "Old server")}, "mirror.example.net");
    prefs_->CDDBAutoRetr = 1;
    const int result = RunPage([&](QWidget* dialog, QWidget* page) {
        EXPECT_EQ(Rows(page), std::vector<std::string>{"old.example.org"});
        // While the server is asked, the user unticks the lookup box, and
        // then the answer comes.
        bool unticked = false;
        QTimer::singleShot(0, page, [&] {
            EXPECT_FALSE(FindControl(page, Page::kUpdate)->isEnabled()) << "one update at a time";
            ClickControl(page, Page::kAutoLookup);
            unticked = true;
            const std::lock_guard lock(gateLock);
            gateOpen = true;
            gateOpened.notify_all();
        });
        ClickControl(page, Page::kUpdate);
        EXPECT_TRUE(unticked);
        EXPECT_TRUE(FindControl(page, Page::kUpdate)->isEnabled());
        EXPECT_EQ(Rows(page), (std::vector<std::string>{"cddb.example.org", "mirror.example.net"}));
        EXPECT_EQ(Selected(page), 1);
        EXPECT_EQ(Text(page, Page::kDescription), "Southern mirror");
        EXPECT_EQ(Text(page, Page::kLocation), "S:033.52 E:151.12");
        EXPECT_FALSE(FindControl<QCheckBox>(page, Page::kAutoLookup)->isChecked());
        EXPECT_EQ(Hosts(*prefs_),
                  (std::vector<std::string>{"cddb.example.org", "mirror.example.net"}));
        ExpectUnclipped(page);
        testsupport::SaveWidgetPng(dialog, "prefs_remote_db");
        ClickControl(dialog, IDCANCEL);
    });
    EXPECT_TRUE(answeredAtTheGate) << "the dialog went on while the server was asked";
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Hosts(*prefs_), (std::vector<std::string>{"cddb.example.org", "mirror.example.net"}));
    EXPECT_EQ(prefs_->Sites.items[0]->port, 80);
    EXPECT_EQ(prefs_->Sites.items[1]->port, 8080);
    EXPECT_EQ(prefs_->CDDBAutoRetr, 1) << "the box waits for OK";
    EXPECT_EQ(siteApplied_count_, 0);
    // The next save stores them.
    prefs_->Save(HKEY_CURRENT_USER);
    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(Hosts(fresh), Hosts(*prefs_));
}

TEST_F(RemoteDBPrefsPageTest, WhenNothingCanBeFetchedItSaysSoAndTheStoredSitesStay) {
    ScriptedServer refusing([](const std::string& request) -> ServerScript {
        if (request.empty()) return {};  // the connection test
        return {ServerStep::Send(Http("500 Internal Server Error", "Server broke\r\n"))};
    });
    ScriptedServer failing([](const std::string& request) -> ServerScript {
        if (request.empty()) return {};
        return {ServerStep::Send(Http("200 OK", "500 Command syntax error\r\n"))};
    });
    ScriptedServer empty([](const std::string& request) -> ServerScript {
        if (request.empty()) return {};
        return {ServerStep::Send(Http("200 OK", "210 OK, site information follows\r\n.\r\n"))};
    });
    const struct {
        const char* name;
        int port;
    } cases[] = {
        {"HTTP error", refusing.Port()},
        {"CDDB error", failing.Port()},
        {"no sites", empty.Port()},
        {"refused port", testsupport::UnusedLoopbackPort()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseServerAt(c.port);
        StoreSites({Site("a.example.org", "First"), Site("b.example.org", "Second")},
                   "b.example.org");
        const TITLEFETCH_TSite* before = prefs_->Sites.items[1];
        RunPage([&](QWidget* dialog, QWidget* page) {
            FindControl<QListWidget>(page, Page::kSiteList)->setCurrentRow(0);
            ui_.ExpectMessage("PREFD_UpdateFailed", IDOK);
            ClickControl(page, Page::kUpdate);
            EXPECT_EQ(ui_.Calls().back().flags, static_cast<std::uint32_t>(MB_OK | MB_ICONWARNING));
            EXPECT_EQ(Rows(page), (std::vector<std::string>{"a.example.org", "b.example.org"}));
            // Selected as on opening.
            EXPECT_EQ(Selected(page), 1);
            EXPECT_EQ(Text(page, Page::kDescription), "Second");
            ClickControl(dialog, IDCANCEL);
        });
        EXPECT_EQ(Hosts(*prefs_), (std::vector<std::string>{"a.example.org", "b.example.org"}));
        EXPECT_EQ(prefs_->Sites.items[1], before);
    }
}

TEST_F(RemoteDBPrefsPageTest, TheLastSiteOfTheStoredHostIsSelectedElseTheFirstAndOkStoresIt) {
    struct {
        const char* stored;
        int selected;
        const char* description;
    } const cases[] = {
        {"twin.example.org", 2, "Later twin"},
        {"none.example.org", 0, "Earlier twin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        StoreSites({Site("twin.example.org", "Earlier twin"), Site("other.example.org", "Other"),
                    Site("twin.example.org", "Later twin")},
                   c.stored);
        siteApplied_count_ = 0;
        const int result = RunPage([&](QWidget* dialog, QWidget* page) {
            EXPECT_EQ(Selected(page), c.selected);
            EXPECT_EQ(Text(page, Page::kDescription), c.description);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_STREQ(prefs_->CDDBSite, "twin.example.org");
        EXPECT_EQ(siteApplied_count_, 1);
    }
    // Another row chosen is stored; with none, the stored host stays.
    StoreSites({Site("a.example.org", "A"), Site("b.example.org", "B")}, "a.example.org");
    RunPage([&](QWidget* dialog, QWidget* page) {
        FindControl<QListWidget>(page, Page::kSiteList)->setCurrentRow(1);
        EXPECT_EQ(Text(page, Page::kDescription), "B");
        ClickControl(dialog, IDOK);
    });
    EXPECT_STREQ(prefs_->CDDBSite, "b.example.org");
    RunPage([&](QWidget* dialog, QWidget* page) {
        FindControl<QListWidget>(page, Page::kSiteList)->clearSelection();
        EXPECT_EQ(Text(page, Page::kDescription), "");
        EXPECT_EQ(Text(page, Page::kLocation), "");
        ClickControl(page, Page::kAutoLookup);
        ClickControl(dialog, IDOK);
    });
    EXPECT_STREQ(prefs_->CDDBSite, "b.example.org");
    EXPECT_EQ(prefs_->CDDBAutoRetr, 0);
}

TEST_F(RemoteDBPrefsPageTest, AnEmptyLocationIsShownFromTheCoordinatesAndKeptInTheRecord) {
    TITLEFETCH_TSite west = Site("west.example.org", "West coast");
    west.north = 1;
    west.latitude = 2237;
    west.east = 0;
    west.longitude = 7302;
    StoreSites({Site("named.example.org", "Named", "Somewhere, 37N"), west}, "west.example.org");
    RunPage([&](QWidget* dialog, QWidget* page) {
        EXPECT_EQ(Text(page, Page::kLocation), "N:037.17 W:121.42");
        FindControl<QListWidget>(page, Page::kSiteList)->setCurrentRow(0);
        EXPECT_EQ(Text(page, Page::kLocation), "Somewhere, 37N");
        ClickControl(dialog, IDCANCEL);
    });
    EXPECT_STREQ(prefs_->Sites.items[1]->secondText, "N:037.17 W:121.42");
    prefs_->Save(HKEY_CURRENT_USER);
    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    ASSERT_EQ(fresh.Sites.count, 2);
    EXPECT_STREQ(fresh.Sites.items[1]->secondText, "N:037.17 W:121.42");
}

TEST_F(RemoteDBPrefsPageTest, WithoutSitesTheDefaultServerIsAddedAndShown) {
    prefs_->DeleteSites();
    std::snprintf(prefs_->CDDBSite, sizeof prefs_->CDDBSite, "%s", "elsewhere.example.org");
    titlefetch_ = nullptr;
    RunPage([&](QWidget* dialog, QWidget* page) {
        EXPECT_EQ(Rows(page), std::vector<std::string>{kDefaultCddbHost});
        EXPECT_EQ(Selected(page), 0);
        EXPECT_EQ(Text(page, Page::kLocation), "N:000.00 E:000.00");
        // Without the program's title lookup there is nothing to update from.
        EXPECT_FALSE(FindControl(page, Page::kUpdate)->isEnabled());
        EXPECT_TRUE(FindControl<QCheckBox>(page, Page::kAutoLookup)->isChecked());
        ExpectUnclipped(page);
        ClickControl(dialog, IDOK);
    });
    ASSERT_EQ(prefs_->Sites.count, 1);
    const TITLEFETCH_TSite& site = *prefs_->Sites.items[0];
    EXPECT_STREQ(site.cgiPath, kDefaultCddbPath);
    EXPECT_EQ(site.port, kDefaultCddbPort);
    EXPECT_STREQ(prefs_->CDDBSite, kDefaultCddbHost);
}

}  // namespace
