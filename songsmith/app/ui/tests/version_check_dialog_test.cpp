// The version check against a scripted server on the loopback address: what
// the dialog says for each answer, a refused or stalled transfer, closing in
// the middle of one, and the link.
#include "songsmith/app/ui/version_check_dialog.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "filekit/internet_access.h"
#include "platform/user_folders.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/version_check_addresses.h"
#include "songsmith/app/ui/prog_string.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scripted_server.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/link_control.h"

namespace {

using testsupport::FindControl;
using testsupport::ServerScript;
using testsupport::ServerStep;

constexpr const char* kGeneralPage = "https://general.example/download/";

std::string Answer(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
ServerScript Serve(const std::string& status, const std::string& body) {
    return {ServerStep::Send(Answer(status, body)), ServerStep::Close()};
}

class VersionCheckTest : public testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        std::snprintf(prefs_.Marovelle_Temp_Dir, sizeof prefs_.Marovelle_Temp_Dir, "%s", dir_.Path().c_str());
        // Short limits, so a stalled server gives up within the test.
        session_.SetTimeouts(2000, 400);
        ASSERT_EQ(session_.Open("Songsmith test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr), 1);
    }
    void TearDown() override {
        SetVersionCheckAddresses({});
        SetLaunchBrowserHook({});
    }

    void PointAt(int port) {
        SetVersionCheckAddresses({"http://127.0.0.1:" + std::to_string(port) + "/songsmith_version.txt",
                                  kGeneralPage});
    }
    // Opens the dialog (without a modal loop) and waits until it shows a
    // result; false when none came within the time.
    bool Check(CVersionCheckDlg& dlg, QDialog& dialog) {
        dlg.OnInitDialog(dialog, nullptr);
        dialog.show();
        return QTest::qWaitFor(
            [&] { return Text(dialog, kVersionStatusText) != ProgString("VCD_Title"); },
            testsupport::kHangLimitMs);
    }
    static QString Text(QDialog& dialog, int id) { return FindControl<QLabel>(&dialog, id)->text(); }
    static std::string Link(QDialog& dialog) {
        // The link control has no meta-object of its own: findChild would
        // take the plain label it replaces for it.
        auto* link = dynamic_cast<CLinkControl*>(FindControl<QLabel>(&dialog, kVersionPageLink));
        return link != nullptr ? link->GetLink() : std::string();
    }

    testsupport::TempDir dir_;
    CPreferences prefs_;
    MyInternetAccess session_;
};

TEST_F(VersionCheckTest, SaysWhetherTheServersVersionIsNewer) {
    const std::string longPage = "https://site.example/" + std::string(2000 - 21, 'p');
    const struct {
        const char* what;
        TVersionNumbers running;
        std::string body;
        const char* status;
        const char* latest;  // null: the first line as sent
        std::string link;
    } cases[] = {
        {"equal", {2, 0, 0, 0}, "2.0.0.0\nhttps://site.example/get\n", "VCD_TitleLatest", nullptr,
         "https://site.example/get"},
        {"missing numbers are 0", {2, 0, 0, 0}, "2.0\r\nhttps://site.example/get", "VCD_TitleLatest", nullptr,
         "https://site.example/get"},
        {"newer", {2, 0, 0, 0}, "2.0.0.1\nhttp://site.example/new\n", "VCD_TitleFound", nullptr,
         "http://site.example/new"},
        {"older", {2, 0, 0, 0}, "1.9.9\nhttps://site.example/get\n", "VCD_TitleLatest", nullptr,
         "https://site.example/get"},
        {"numbers, not text", {0, 9}, "0.10\nhttps://site.example/get\n", "VCD_TitleFound", nullptr,
         "https://site.example/get"},
        {"not a version", {2, 0}, "abc\nhttps://site.example/get\n", "VCD_StatusProb", "?", kGeneralPage},
        {"a long page line is cut", {2, 0}, "3.0\n" + longPage + "\n", "VCD_TitleFound", nullptr,
         longPage.substr(0, 1024)},
        {"only web links are offered", {2, 0}, "3.0\nfile:///etc/passwd\n", "VCD_TitleFound", nullptr,
         kGeneralPage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::ScriptedServer server({Serve("200 OK", c.body)});
        PointAt(server.Port());
        CVersionCheckDlg dlg(session_, prefs_);
        dlg.SetRunningVersion(c.running);
        QDialog dialog;
        ASSERT_TRUE(Check(dlg, dialog));
        EXPECT_EQ(Text(dialog, kVersionStatusText), ProgString(c.status));
        EXPECT_EQ(dialog.windowTitle(), ProgString(c.status));
        const std::string firstLine = c.body.substr(0, c.body.find_first_of("\r\n"));
        EXPECT_EQ(Text(dialog, kVersionLatest).toStdString(), c.latest != nullptr ? c.latest : firstLine);
        EXPECT_EQ(Link(dialog), c.link);
        // The address shown ends inside the dialog, however long it is.
        auto* link = FindControl<QLabel>(&dialog, kVersionPageLink);
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width()) << link->text().toStdString();
        EXPECT_LE(link->geometry().right(), dialog.width());
        if (std::string(c.what) == "newer") testsupport::SaveWidgetPng(&dialog, "version_check_found");
        if (std::string(c.what) == "a long page line is cut") testsupport::SaveWidgetPng(&dialog, "version_check_long_link");
    }
}

TEST_F(VersionCheckTest, AFailedTransferOffersTheGeneralPage) {
    testsupport::ScriptedServer notFound({Serve("404 Not Found", "gone")});
    testsupport::ScriptedServer stalled(
        {{ServerStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n2.0"), ServerStep::Stall()}});
    const struct {
        const char* what;
        int port;
    } cases[] = {{"404", notFound.Port()},
                 {"refused", testsupport::UnusedLoopbackPort()},
                 {"stalled", stalled.Port()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PointAt(c.port);
        CVersionCheckDlg dlg(session_, prefs_);
        QDialog dialog;
        ASSERT_TRUE(Check(dlg, dialog));
        EXPECT_EQ(Text(dialog, kVersionStatusText), ProgString("VCD_StatusProb"));
        EXPECT_EQ(Text(dialog, kVersionLatest), QStringLiteral("?"));
        EXPECT_EQ(Link(dialog), kGeneralPage);
        if (std::string(c.what) == "404") testsupport::SaveWidgetPng(&dialog, "version_check_trouble");
    }
}

// Closing in the middle of a transfer stops it at once; the worker is joined
// before the dialog's object goes.
TEST_F(VersionCheckTest, ClosingDuringAStalledTransferReturnsAtOnce) {
    session_.SetTimeouts(30000, 60000);
    session_.Open("Songsmith test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr);
    testsupport::ScriptedServer stalled({{ServerStep::Stall()}});
    PointAt(stalled.Port());
    auto dlg = std::make_unique<CVersionCheckDlg>(session_, prefs_);
    QDialog dialog;
    dlg->OnInitDialog(dialog, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return stalled.Requests().size() == 1; }, testsupport::kHangLimitMs));
    EXPECT_EQ(Text(dialog, kVersionLatest), ProgString("VCD_Checking"));

    // Long before the stalled transfer's minute-long time-out.
    const auto start = std::chrono::steady_clock::now();
    dlg->OnClose();
    dlg.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// The whole dialog as the program runs it: it opens the closed session for
// itself and closes it again; a click on the link reaches the browser.
TEST_F(VersionCheckTest, RunsModallyAndOpensTheLinkClickedOn) {
    session_.Close();
    testsupport::ScriptedServer server({Serve("200 OK", "9.0\nhttps://site.example/get\n")});
    PointAt(server.Port());
    std::vector<std::string> opened;
    SetLaunchBrowserHook([&opened](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    bool sessionOpen = false;
    CVersionCheckDlg dlg(session_, prefs_);
    testsupport::WhenModalShown([&](QWidget* modal) {
        sessionOpen = session_.IsOpen() == 1;
        auto* dialog = static_cast<QDialog*>(modal);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !Link(*dialog).empty(); }, testsupport::kHangLimitMs));
        auto* link = dynamic_cast<CLinkControl*>(FindControl<QLabel>(dialog, kVersionPageLink));
        ASSERT_NE(link, nullptr);
        const TLinkRect hit = link->GetLastHitRect();
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(hit.left + 2, hit.top + 2));
        testsupport::ClickControl(dialog, 1);
    });
    EXPECT_TRUE(dlg.DoModal(nullptr));
    EXPECT_TRUE(sessionOpen);
    EXPECT_EQ(session_.IsOpen(), 0);
    EXPECT_EQ(opened, std::vector<std::string>{"https://site.example/get"});
}

}  // namespace
