// The facade: every server call goes to the chosen site with the chosen
// settings, calls from several threads keep to their own answers, and the
// lists and records it hands out are freed through it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "testsupport/scripted_server.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/cddb.h"
#include "titlefetch/errors.h"
#include "titlefetch/tests/cddb_test_support.h"
#include "titlefetch/titlefetch.h"

using cddbtest::FreeAll;
using cddbtest::FirstLine;
using cddbtest::Http;
using cddbtest::OwnedRecord;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using testsupport::ServerStep;

namespace {

// The record of the disc ID the request asks for: its artist names the ID.
std::string RecordFor(const std::string& discId) {
    return Http("210 rock " + discId + " CD database entry follows\r\n# xmcd\r\n# Track frame offsets:\r\n# 150\r\n"
                "# Disc length: 14 seconds\r\nDISCID=" + discId + "\r\nDTITLE=Artist " + discId +
                " / Album\r\nTTITLE0=Only track\r\n.\r\n");
}

// Answers each CDDB command as a small server would; a connection that
// sends nothing (a connection test) gets nothing.
ServerScript AnswerCommand(const std::string& request) {
    const auto has = [&request](const char* text) { return request.find(text) != std::string::npos; };
    if (has("cmd=sites&")) {
        return {ServerStep::Send(Http("210 OK, site information follows\r\n"
                                      "cddb.example.org http 80 /~cddb/cddb.cgi N037.46 W122.25 Example City\r\n.\r\n"))};
    }
    if (has("cmd=cddb+lscat&")) return {ServerStep::Send(Http("210 OK\r\nrock\r\njazz\r\n.\r\n"))};
    if (has("cmd=cddb+query+")) {
        return {ServerStep::Send(Http("211 close matches found\r\nrock 08000c03 Test Artist / Test Album\r\n"
                                      "jazz 08000c04 Other Artist / Other Album\r\n.\r\n"))};
    }
    const std::size_t read = request.find("cmd=cddb+read+rock+");
    if (read != std::string::npos) return {ServerStep::Send(RecordFor(request.substr(read + 19, 8)))};
    if (request.rfind("POST ", 0) == 0) return {ServerStep::Send(Http("200 OK, submission has been sent.\r\n"))};
    return {};
}

}  // namespace

TEST(Titlefetch, EveryServerCallGoesToTheChosenSite) {
    ScriptedServer server(AnswerCommand);
    TITLEFETCH_CTitlefetch titlefetch;
    const TITLEFETCH_TSite site = cddbtest::LoopbackSite(server.Port());
    titlefetch.SetSite(&site);
    titlefetch.SetUserEmail("jane@example.com");
    // A copy takes the settings along.
    TITLEFETCH_CTitlefetch facade(titlefetch);

    EXPECT_TRUE(facade.HasConnection());
    const cddbtest::TrackList tracks({150, 403, 787}, 1102);
    MvList<TITLEFETCH_TQResult*> matches;
    EXPECT_EQ(facade.SearchForDiscID(0x08000c03, tracks.list, 14, matches), 0);
    ASSERT_EQ(matches.count, 2);
    EXPECT_STREQ(matches.items[1]->genre, "jazz");
    OwnedRecord record;
    EXPECT_EQ(facade.GetDiscRecord(0x08000c03, "rock", record), 0);
    EXPECT_STREQ(record.artist, "Artist 08000c03");
    MvList<TITLEFETCH_TGenre*> genres;
    EXPECT_TRUE(facade.GetGenreList(genres));
    EXPECT_EQ(genres.count, 2);
    MvList<TITLEFETCH_TSite*> sites;
    EXPECT_TRUE(facade.GetSiteList(sites));
    ASSERT_EQ(sites.count, 1);
    EXPECT_STREQ(sites.items[0]->host, "cddb.example.org");

    std::vector<std::string> commands;
    for (const std::string& request : server.Requests()) {
        if (request.empty()) continue;  // the connection tests
        commands.push_back(FirstLine(request));
        EXPECT_NE(request.find("&hello=jane+example.com+Marovelle_Trackpress+2.0&proto=6 "), std::string::npos)
            << request;
    }
    EXPECT_EQ(commands.size(), 4u);
    for (const char* command : {"?cmd=cddb+query+08000c03+3+150+403+787+14&", "?cmd=cddb+read+rock+08000c03&",
                                "?cmd=cddb+lscat&", "?cmd=sites&"}) {
        bool asked = false;
        for (const std::string& line : commands) asked = asked || line.find(command) != std::string::npos;
        EXPECT_TRUE(asked) << command;
    }

    // The level chosen goes into the hello text and chooses the character
    // set of the answers.
    facade.SetProtocolLevel(5);
    EXPECT_EQ(facade.GetDiscRecord(0x08000c03, "rock", record), 0);
    EXPECT_NE(server.Requests().back().find("&proto=5 "), std::string::npos);

    facade.DeallocQueryResultList(&matches, false);
    facade.DeallocGenreList(&genres, false);
    facade.DeallocSiteList(&sites, false);
}

TEST(Titlefetch, WithoutAServerTheSiteListHoldsTheDefaultSite) {
    TITLEFETCH_CTitlefetch facade;
    const TITLEFETCH_TSite nowhere = cddbtest::LoopbackSite(testsupport::UnusedLoopbackPort());
    facade.SetSite(&nowhere);
    EXPECT_FALSE(facade.HasConnection());
    MvList<TITLEFETCH_TSite*> sites;
    EXPECT_TRUE(facade.GetSiteList(sites));
    ASSERT_EQ(sites.count, 1);
    EXPECT_STREQ(sites.items[0]->host, "gnudb.gnudb.org");
    EXPECT_EQ(sites.items[0]->port, 80);
    EXPECT_STREQ(sites.items[0]->cgiPath, "/~cddb/cddb.cgi");

    // A failed call leaves no text behind.
    MvList<TITLEFETCH_TQResult*> matches;
    const cddbtest::TrackList tracks({150}, 2400);
    EXPECT_EQ(facade.SearchForDiscID(0x02001e01, tracks.list, 32, matches), CDDB_NO_CONNECTION);
    EXPECT_STREQ(facade.GetLastError(), "");
    facade.DeallocSiteList(&sites, false);
}

TEST(Titlefetch, FailedAnswersAreToldApartByWhatWentWrong) {
    const std::string match = "211 Found inexact matches, list follows\r\nrock 08000c03 A / B\r\n";
    const struct {
        const char* name;
        std::string answer;
        int code;
        std::uint32_t error;
    } cases[] = {
        // The server refuses this client.
        {"cddb 500", Http("500 Unknown developer email\r\n"), CDDB_BAD_ANSWER, CDDB_ERR_SERVER_REFUSED},
        {"http 503", "HTTP/1.1 503 Service Unavailable\r\n\r\n<html>busy</html>\r\n", CDDB_BAD_ANSWER,
         CDDB_ERR_SERVER_REFUSED},
        {"http 500 without a body", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n",
         CDDB_NOT_SENT_OR_READ, CDDB_ERR_SERVER_REFUSED},
        // CDDB's 530 is an error of the server's own.
        {"cddb 530", Http("530 Server error, server CPU load too high\r\n"), CDDB_BAD_ANSWER,
         CDDB_ERR_SERVER_ERROR},
        // Answers that arrived but cannot be used or read.
        {"garbage", Http("hello there\r\n"), CDDB_BAD_ANSWER, CDDB_ERR_BAD_ANSWER},
        {"cddb 403", Http("403 Database entry is corrupt\r\n"), CDDB_BAD_ANSWER, CDDB_ERR_BAD_ANSWER},
        {"no final period", Http(match), CDDB_NOT_SENT_OR_READ, CDDB_ERR_BAD_ANSWER},
        {"empty body", Http(""), CDDB_NOT_SENT_OR_READ, CDDB_ERR_BAD_ANSWER},
        {"5 MB", Http(match + std::string(5 * 1024 * 1024, 'x')), CDDB_NOT_SENT_OR_READ, CDDB_ERR_BAD_ANSWER},
        {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n", CDDB_NOT_SENT_OR_READ, CDDB_ERR_BAD_ANSWER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server([&c](const std::string&) { return ServerScript{ServerStep::Send(c.answer)}; });
        TITLEFETCH_CTitlefetch facade;
        const TITLEFETCH_TSite site = cddbtest::LoopbackSite(server.Port());
        facade.SetSite(&site);
        const cddbtest::TrackList tracks({150, 403, 787}, 1102);
        MvList<TITLEFETCH_TQResult*> matches;
        SetLastError(0);
        EXPECT_EQ(facade.SearchForDiscID(0x08000c03, tracks.list, 14, matches), c.code);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(matches.count, 0);
        FreeAll(matches);
        OwnedRecord record;
        SetLastError(0);
        EXPECT_EQ(facade.GetDiscRecord(0x08000c03, "rock", record), c.code);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(Titlefetch, RedirectsToPlainHttpAreFollowedAFewTimesAndOthersSaySo) {
    const std::string found = Http("200 rock 08000c03 The Artist / The Album\r\n");
    auto redirect = [](const std::string& status, const std::string& location) {
        return "HTTP/1.1 " + status + "\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
    };
    ScriptedServer target([&](const std::string& request) {
        if (FirstLine(request).rfind("GET /moved/cddb.cgi?cmd=cddb+query+08000c03+", 0) == 0)
            return ServerScript{ServerStep::Send(found)};
        return ServerScript{ServerStep::Send(Http("500 Wrong path\r\n"))};
    });
    const std::string elsewhere = "http://127.0.0.1:" + std::to_string(target.Port()) + "/moved/cddb.cgi";
    const struct {
        const char* name;
        std::vector<std::string> answers;  // of the first server, in turn
        int code;
        std::uint32_t error;
        std::size_t asked;  // requests the first server saw
    } cases[] = {
        {"301 to another server", {redirect("301 Moved Permanently", elsewhere + "?cmd=old")}, CDDB_OK, 0, 1},
        {"302, then 307 on the same server",
         {redirect("302 Found", "/hop"), redirect("307 Temporary Redirect", elsewhere)}, CDDB_OK, 0, 2},
        {"to https", {redirect("302 Found", "https://127.0.0.1/~cddb/cddb.cgi")}, CDDB_BAD_ANSWER,
         CDDB_ERR_REDIRECTED, 1},
        {"without end", std::vector<std::string>(10, redirect("302 Found", "/again")), CDDB_BAD_ANSWER,
         CDDB_ERR_REDIRECTED, 1 + CCDDB::kMaxRedirects},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t turn = 0;
        ScriptedServer first([&](const std::string&) {
            return ServerScript{ServerStep::Send(c.answers.at(std::min(turn++, c.answers.size() - 1)))};
        });
        TITLEFETCH_CTitlefetch facade;
        const TITLEFETCH_TSite site = cddbtest::LoopbackSite(first.Port());
        facade.SetSite(&site);
        const cddbtest::TrackList tracks({150, 403, 787}, 1102);
        MvList<TITLEFETCH_TQResult*> matches;
        SetLastError(0);
        EXPECT_EQ(facade.SearchForDiscID(0x08000c03, tracks.list, 14, matches), c.code);
        if (c.code == CDDB_OK) {
            ASSERT_EQ(matches.count, 1);
            EXPECT_STREQ(matches.items[0]->title, "The Album");
        } else {
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(first.Requests().size(), c.asked);
        FreeAll(matches);
    }
}

TEST(Titlefetch, TheTimeOutSetLimitsHowLongAStalledServerIsWaitedFor) {
    ScriptedServer server([](const std::string&) { return ServerScript{ServerStep::Stall()}; });
    TITLEFETCH_CTitlefetch facade;
    const TITLEFETCH_TSite site = cddbtest::LoopbackSite(server.Port());
    facade.SetSite(&site);
    facade.SetTimeout(300);
    const cddbtest::TrackList tracks({150}, 2400);
    MvList<TITLEFETCH_TQResult*> matches;
    const std::int64_t start = SteadyMilliseconds();
    EXPECT_EQ(facade.SearchForDiscID(0x02001e01, tracks.list, 32, matches), CDDB_NOT_SENT_OR_READ);
    const std::int64_t took = SteadyMilliseconds() - start;
    // Well before the default of two seconds.
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 1500);
}

TEST(Titlefetch, SubmitReportsTheOutcomeInTheModeAskedFor) {
    struct Case {
        const char* answer;
        bool submitMode;
        bool ok;
    };
    const Case cases[] = {
        {"200 OK, submission has been sent.\r\n", true, true},
        {"200 OK, submission has been sent.\r\n", false, true},
        {"500 Invalid header: Discid\r\n", true, false},
    };
    for (const Case& c : cases) {
        ScriptedServer server({{ServerStep::Send(Http(c.answer))}});
        TITLEFETCH_CTitlefetch facade;
        OwnedRecord record;
        record.discId = 0x08000c03;
        facade.AddTitleToRecord(record, "Tone 1");
        const cddbtest::TrackList tracks({150}, 1102);
        EXPECT_EQ(facade.Submit(cddbtest::LoopbackSite(server.Port()), "rock", "jane@example.com", tracks.list, record,
                                "", c.submitMode),
                  c.ok)
            << c.answer;
        const std::string request = server.Requests().at(0);
        // Submissions go to the script beside the query script.
        EXPECT_EQ(FirstLine(request), "POST /~cddb/submit.cgi HTTP/1.0");
        EXPECT_NE(request.find(c.submitMode ? "\r\nSubmit-Mode: submit\r\n" : "\r\nSubmit-Mode: test\r\n"),
                  std::string::npos);
        // The facade's level 6 sends UTF-8.
        EXPECT_NE(request.find("\r\nCharset: UTF-8\r\n"), std::string::npos);
    }
}

TEST(Titlefetch, CallsFromSeveralThreadsGetTheirOwnAnswers) {
    ScriptedServer server(AnswerCommand);
    TITLEFETCH_CTitlefetch facade;
    const TITLEFETCH_TSite site = cddbtest::LoopbackSite(server.Port());
    facade.SetSite(&site);
    constexpr int kThreads = 4;
    constexpr int kReadsEach = 3;
    std::vector<int> good(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&facade, &good, t] {
            const std::uint32_t discId = 0x08000c00u + static_cast<std::uint32_t>(t);
            char expected[32];
            std::snprintf(expected, sizeof expected, "Artist %08x", discId);
            for (int i = 0; i < kReadsEach; ++i) {
                OwnedRecord record;
                if (facade.GetDiscRecord(discId, "rock", record) == 0 && std::string(record.artist) == expected &&
                    record.discId == discId && record.trackTitles.count == 1) {
                    ++good[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(good[t], kReadsEach) << "thread " << t;
}

TEST(Titlefetch, ListsAndRecordsAreFreedThroughTheFacade) {
    TITLEFETCH_CTitlefetch facade;
    // Without the flag the list stays, empty and usable.
    MvList<TITLEFETCH_TSite*> sites;
    for (int i = 0; i < 12; ++i) sites.Append(new TITLEFETCH_TSite);
    facade.DeallocSiteList(&sites, false);
    EXPECT_EQ(sites.count, 0);
    EXPECT_EQ(sites.capacity, 0);
    EXPECT_EQ(sites.items, nullptr);
    sites.Append(new TITLEFETCH_TSite);
    facade.DeallocSiteList(&sites, false);

    // With it the list goes too (the leak checker sees anything left).
    auto* tracks = new MvList<PLATTER_TTrackPos*>;
    tracks->Append(new PLATTER_TTrackPos);
    facade.DeallocTrackPosList(tracks, true);
    auto* matches = new MvList<TITLEFETCH_TQResult*>;
    matches->Append(new TITLEFETCH_TQResult);
    facade.DeallocQueryResultList(matches, true);
    auto* genres = new MvList<TITLEFETCH_TGenre*>;
    genres->Append(new TITLEFETCH_TGenre);
    facade.DeallocGenreList(genres, true);
    facade.DeallocGenreList(nullptr, true);

    TITLEFETCH_TRResult record;
    for (int i = 0; i < 11; ++i) facade.AddTitleToRecord(record, ("Tone " + std::to_string(i + 1)).c_str());
    facade.AddExtDataToRecord(record, "notes");
    record.playOrder.Append(2);
    EXPECT_EQ(record.trackTitles.count, 11);
    EXPECT_EQ(record.trackTitles.capacity, 20);
    EXPECT_STREQ(*record.trackTitles.items[10], "Tone 11");
    EXPECT_STREQ(*record.extendedTrackData.items[0], "notes");
    facade.DeallocRecord(record);
    EXPECT_EQ(record.trackTitles.count, 0);
    EXPECT_EQ(record.trackTitles.items, nullptr);
    EXPECT_EQ(record.extendedTrackData.count, 0);
    // The play order is the owner's.
    EXPECT_EQ(record.playOrder.count, 1);
}

TEST(Titlefetch, TheLogFileIsCreatedEmpty) {
    testsupport::TempDir dir;
    const std::string path = dir.File("titlefetch.log");
    testsupport::WriteWholeFile(path, "older run\n");
    TITLEFETCH_CTitlefetch facade;
    EXPECT_TRUE(facade.SetLogFile(path.c_str()));
    EXPECT_EQ(testsupport::ReadWholeFile(path), "");
    EXPECT_TRUE(facade.SetLogFile(nullptr));
    EXPECT_FALSE(facade.SetLogFile(dir.File("missing/titlefetch.log").c_str()));
}
