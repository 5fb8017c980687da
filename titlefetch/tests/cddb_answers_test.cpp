// What the commands make of the server's answers: sites, genres, status,
// message of the day and query matches, served over the loopback interface.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "testsupport/scripted_server.h"
#include "titlefetch/cddb.h"
#include "titlefetch/tests/cddb_test_support.h"

using cddbtest::FreeAll;
using cddbtest::Http;
using testsupport::ScriptedServer;
using testsupport::ServerStep;

namespace {

// A server that answers one connection with the whole HTTP answer.
struct OneAnswer {
    explicit OneAnswer(const std::string& answer) : server({{ServerStep::Send(answer)}}) {}
    TITLEFETCH_TSite Site() const { return cddbtest::LoopbackSite(server.Port()); }
    ScriptedServer server;
};

CCDDB FastClient() {
    CCDDB cddb;
    cddb.setTimeout(300);
    return cddb;
}

}  // namespace

TEST(CddbAnswers, SitesKeepHttpSitesUpToTheFirstBadLine) {
    OneAnswer answer(Http(
        "210 OK, site information follows (until terminating `.')\r\n"
        "cddb.example.org http 80 /~cddb/cddb.cgi N037.46 W122.25 Example City, CA\r\n"
        "old.example.org cddbp 8880 - N000.00 W000.00 Protocol server\r\n"
        "mirror.example.net HTTP 8080 /cgi/cddb.cgi S033.52 E151.12 Southern\tmirror\r\n"
        "short.example.org http 80 /~cddb/cddb.cgi N37.46 W122.25 Six characters\r\n"
        "after.example.org http 80 /~cddb/cddb.cgi N000.00 W000.00 Never read\r\n"
        ".\r\n"));
    CCDDB cddb = FastClient();
    MvList<TITLEFETCH_TSite*> sites;
    // Records already in the list are freed by the command.
    sites.Append(new TITLEFETCH_TSite);
    ASSERT_TRUE(cddb.getSites(sites, answer.Site()));
    ASSERT_EQ(sites.count, 2);

    const TITLEFETCH_TSite& first = *sites.items[0];
    EXPECT_STREQ(first.host, "cddb.example.org");
    EXPECT_EQ(first.port, 80);
    EXPECT_STREQ(first.cgiPath, "/~cddb/cddb.cgi");
    EXPECT_STREQ(first.secondText, "");
    EXPECT_STREQ(first.description, "Example City, CA");
    EXPECT_EQ(first.north, 1);
    EXPECT_EQ(first.latitude, 37 * 60 + 46);
    EXPECT_EQ(first.east, 0);
    EXPECT_EQ(first.longitude, 122 * 60 + 25);

    const TITLEFETCH_TSite& second = *sites.items[1];
    EXPECT_STREQ(second.host, "mirror.example.net");
    EXPECT_EQ(second.port, 8080);
    EXPECT_STREQ(second.description, "Southern\tmirror");
    EXPECT_EQ(second.north, 0);
    EXPECT_EQ(second.latitude, 33 * 60 + 52);
    EXPECT_EQ(second.east, 1);
    EXPECT_EQ(second.longitude, 151 * 60 + 12);
    EXPECT_STREQ(cddb.lastCommandResp(), "");
    FreeAll(sites);
}

TEST(CddbAnswers, SiteLinesThatDoNotParse) {
    const char* lines[] = {
        "host http 80 /path N037.46 W122.25",           // no description
        "host http 80 /path X037.46 W122.25 Somewhere", // wrong hemisphere letter
        "host http 80 /path N037.46 N122.25 Somewhere", // latitude letter for longitude
        "host http 80 /path N0a7.46 W122.25 Somewhere", // not digits
        "host http 80 /path N037.46 W122.255 Somewhere", // eight characters
        "host http eighty /path N037.46 W122.25 Somewhere",
        "",
    };
    for (const char* line : lines) {
        TITLEFETCH_TSite site;
        EXPECT_FALSE(CCDDB::parseSite(line, site)) << line;
    }
}

TEST(CddbAnswers, GenresAndTheirListEmptyingRule) {
    OneAnswer answer(Http("210 OK, category list follows (until terminating `.')\r\nblues\r\nclassical\r\nrock\r\n.\r\n"));
    CCDDB cddb = FastClient();
    MvList<TITLEFETCH_TGenre*> genres;
    genres.Append(new TITLEFETCH_TGenre);
    ASSERT_TRUE(cddb.getGenres(answer.Site(), genres));
    ASSERT_EQ(genres.count, 3);
    EXPECT_STREQ(genres.items[0]->name, "blues");
    EXPECT_STREQ(genres.items[2]->name, "rock");
    EXPECT_EQ(genres.items[1]->id, -1);
    FreeAll(genres);
}

// Real answers list a few dozen entries; an answer that lists more than any
// list may hold (a hostile server's, up to the answer's size limit) fills
// the list up to that limit and passes over the rest, so a parse can neither
// take minutes nor fill the memory.
TEST(CddbAnswers, ListAnswersStopAtTheListLimit) {
    const int lines = CCDDB::kMaxListEntries + 5;
    const auto answer = [&](const char* code, const char* line) {
        std::string body = std::string(code) + " list follows\r\n";
        for (int i = 0; i < lines; ++i) body += line;
        return body;
    };
    CCDDB cddb;
    MvList<TITLEFETCH_TSite*> sites;
    ASSERT_TRUE(cddb.parseSitesBody(answer("210", "host http 80 /cgi N037.46 W122.25 Somewhere\r\n"), sites));
    EXPECT_EQ(sites.count, CCDDB::kMaxListEntries);
    FreeAll(sites);
    MvList<TITLEFETCH_TGenre*> genres;
    ASSERT_TRUE(cddb.parseGenresBody(answer("210", "rock\r\n"), genres));
    EXPECT_EQ(genres.count, CCDDB::kMaxListEntries);
    FreeAll(genres);
    MvList<TITLEFETCH_TQResult*> results;
    ASSERT_TRUE(cddb.parseQueryBody(answer("211", "rock 08000c03 A / B\r\n"), results));
    EXPECT_EQ(results.count, CCDDB::kMaxListEntries);
    FreeAll(results);
    TCDDBStatus status;
    std::string stat = answer("210", "") + "Server status:\r\nDatabase entries by genre:\r\n";
    for (int i = 0; i < lines; ++i) stat += "    rock: 5\r\n";
    ASSERT_TRUE(cddb.parseStatusBody(stat, status));
    EXPECT_EQ(status.genreNames.count, CCDDB::kMaxListEntries);
    EXPECT_EQ(status.genreCounts.count, CCDDB::kMaxListEntries);
    FreeAll(status.genreNames);
}

TEST(CddbAnswers, StatusFillsBothBlocksAndRefusesAnOddFlag) {
    const std::string good =
        "210 OK, status information follows (until terminating `.')\r\n"
        "Server status:\r\n"
        "    current proto: 6\r\n"
        "    max proto: 6\r\n"
        "    interface: http\r\n"
        "    gets: no\r\n"
        "    updates: yes\r\n"
        "    posting: no\r\n"
        "    quotes: yes\r\n"
        "    current users: 3\r\n"
        "    max users: 100\r\n"
        "    strip ext: yes\r\n"
        "Database entries: 512\r\n"
        "Database entries by genre:\r\n"
        "    blues: 12\r\n"
        "    rock: 500\r\n"
        "Pending File transmissions:\r\n"
        "    upload.example.org: 2\r\n"
        ".\r\n";
    OneAnswer answer(Http(good));
    CCDDB cddb = FastClient();
    TCDDBStatus status;
    CCOMString earlier("kept by its owner");
    status.genreNames.Append(&earlier);
    ASSERT_TRUE(cddb.getStatus(answer.Site(), status));
    EXPECT_EQ(status.currentProtocolLevel, 6);
    EXPECT_EQ(status.maxProtocolLevel, 6);
    EXPECT_EQ(status.gets, 0);
    EXPECT_EQ(status.updates, 1);
    EXPECT_EQ(status.posting, 0);
    EXPECT_EQ(status.quotes, 1);
    EXPECT_EQ(status.currentUsers, 3);
    EXPECT_EQ(status.maxUsers, 100);
    EXPECT_EQ(status.stripExt, 1);
    EXPECT_EQ(status.databaseEntries, 512);
    ASSERT_EQ(status.genreNames.count, 2);
    EXPECT_STREQ(*status.genreNames.items[0], "blues");
    EXPECT_STREQ(*status.genreNames.items[1], "rock");
    ASSERT_EQ(status.genreCounts.count, 2);
    EXPECT_EQ(status.genreCounts.items[1], 500);
    ASSERT_EQ(status.pendingNames.count, 1);
    EXPECT_STREQ(*status.pendingNames.items[0], "upload.example.org");
    EXPECT_EQ(status.pendingCounts.items[0], 2);
    EXPECT_STREQ(cddb.lastCommandResp(), "");
    FreeAll(status.genreNames);
    FreeAll(status.pendingNames);

    std::string bad = good;
    bad.replace(bad.find("gets: no"), 8, "gets: maybe");
    OneAnswer badAnswer(Http(bad));
    EXPECT_FALSE(cddb.getStatus(badAnswer.Site(), status));
    EXPECT_EQ(GetLastError(), CDDB_ERR_BAD_ANSWER);
    EXPECT_NE(std::string(cddb.lastCommandResp()).find("gets: maybe"), std::string::npos);
    FreeAll(status.genreNames);
    FreeAll(status.pendingNames);
}

TEST(CddbAnswers, MessageOfTheDayNeedsMoreThanOneLine) {
    struct Case {
        const char* body;
        bool ok;
        const char* message;
    };
    const Case cases[] = {
        {"210 Last modified: 05/31/96 MOTD follows\r\nWelcome.\r\nSecond line.\r\n.\r\n", true,
         "Welcome.\r\nSecond line."},
        {"210 Last modified: 05/31/96 MOTD follows\r\nWelcome.\r\n.\r\n", true, "Welcome."},
        {"210 Last modified: 05/31/96 MOTD follows\r\n.\r\n", false, ""},
        {"401 No message of the day\r\n", false, ""},
    };
    for (const Case& c : cases) {
        OneAnswer answer(Http(c.body));
        CCDDB cddb = FastClient();
        CCOMString message;
        EXPECT_EQ(cddb.messageOfTheDay(answer.Site(), message), c.ok) << c.body;
        EXPECT_STREQ(message, c.message) << c.body;
    }
}

TEST(CddbAnswers, QueryCodesAndMatches) {
    struct Case {
        const char* name;
        std::string body;
        int code;
        std::vector<std::vector<std::string>> matches;  // genre, id, artist, title
    };
    const Case cases[] = {
        {"exact match", "200 rock 08000c03 Test Artist / Test Album\r\n", 0,
         {{"rock", "08000c03", "Test Artist", "Test Album"}}},
        {"no match", "202 No match for disc ID 08000c03.\r\n", 0, {}},
        {"several exact matches",
         "210 Found exact matches, list follows (until terminating `.')\r\n"
         "rock 08000c03 AC/DC / Live\r\n"
         "misc 08000c03 Untitled\r\n"
         ".\r\n",
         0,
         {{"rock", "08000c03", "AC/DC", "Live"}, {"misc", "08000c03", "", "Untitled"}}},
        {"inexact matches, some lines bad",
         "211 Found inexact matches, list follows (until terminating `.')\r\n"
         "folk 08000c04 Band/Record\r\n"
         "jazz nothex A / B\r\n"
         "lonely\r\n"
         "rock 08000c05 Tone / Tones\tand more\r\n"
         ".\r\n",
         0,
         {{"folk", "08000c04", "Band", "Record"}, {"rock", "08000c05", "Tone", "Tones"}}},
        {"inexact matches, all lines bad", "211 Found inexact matches\r\nlonely\r\njazz 123456789 A / B\r\n.\r\n", 3, {}},
        {"exact match without a title", "200 rock 08000c03\r\n", 3, {}},
        {"already read", "403 Database entry is corrupt.\r\n", 3, {}},
        {"unregistered client", "500 Unknown developer email\r\n", 3, {}},
    };
    for (const Case& c : cases) {
        OneAnswer answer(Http(c.body));
        CCDDB cddb = FastClient();
        const cddbtest::TrackList tracks({150, 403, 787}, 1102);
        MvList<TITLEFETCH_TQResult*> results;
        // The query releases the list's array but leaves its records to
        // their owner (here the stack).
        TITLEFETCH_TQResult earlier;
        results.Append(&earlier);
        SetLastError(0);
        EXPECT_EQ(cddb.query(answer.Site(), 0x08000c03, tracks.list, 14, results), c.code) << c.name;
        ASSERT_EQ(results.count, static_cast<int>(c.matches.size())) << c.name;
        for (std::size_t i = 0; i < c.matches.size(); ++i) {
            char id[16];
            std::snprintf(id, sizeof id, "%08x", results.items[i]->discId);
            EXPECT_STREQ(results.items[i]->genre, c.matches[i][0].c_str()) << c.name;
            EXPECT_EQ(id, c.matches[i][1]) << c.name;
            EXPECT_STREQ(results.items[i]->artist, c.matches[i][2].c_str()) << c.name;
            EXPECT_STREQ(results.items[i]->title, c.matches[i][3].c_str()) << c.name;
        }
        if (c.code == 0) {
            EXPECT_STREQ(cddb.lastCommandResp(), "") << c.name;
        } else {
            // A 5xx answer is the server refusing the client.
            const bool refused = c.body.rfind('5', 0) == 0;
            EXPECT_EQ(GetLastError(), refused ? CDDB_ERR_SERVER_REFUSED : CDDB_ERR_BAD_ANSWER) << c.name;
            EXPECT_EQ(std::string(cddb.lastCommandResp()), c.body.substr(0, c.body.find("\r\n.\r\n"))) << c.name;
        }
        FreeAll(results);
    }
}

TEST(CddbAnswers, TextIsLatin1UpToLevelFiveAndUtf8AtSix) {
    struct Case {
        int level;
        std::string title;
    };
    const Case cases[] = {{5, "Bj\xf6rk / Hom\xe9genic"}, {6, "Bj\xc3\xb6rk / Hom\xc3\xa9genic"}};
    for (const Case& c : cases) {
        OneAnswer answer(Http("200 misc 08000c03 " + c.title + "\r\n"));
        CCDDB cddb = FastClient();
        cddb.setCDDBProtocolVersion(c.level);
        const cddbtest::TrackList tracks({150, 403, 787}, 1102);
        MvList<TITLEFETCH_TQResult*> results;
        ASSERT_EQ(cddb.query(answer.Site(), 0x08000c03, tracks.list, 14, results), 0) << c.level;
        EXPECT_STREQ(results.items[0]->artist, "Bj\xc3\xb6rk") << c.level;
        EXPECT_STREQ(results.items[0]->title, "Hom\xc3\xa9genic") << c.level;
        FreeAll(results);
    }
}

TEST(CddbAnswers, LongTitlesAreCutOnACharacterBoundary) {
    // 254 bytes of artist, then a two-byte character that no longer fits.
    const std::string artist = std::string(254, 'a') + "\xc3\xa9";
    const std::string line = "rock 08000c03 " + artist + " / " + std::string(600, 't');
    TITLEFETCH_TQResult result;
    ASSERT_TRUE(CCDDB::parseQueryResult(line, result));
    EXPECT_EQ(std::string(result.artist), std::string(254, 'a'));
    EXPECT_EQ(std::string(result.title), std::string(255, 't'));
}

TEST(CddbAnswers, BodyCodeAndLines) {
    EXPECT_EQ(CCDDB::getBody("HTTP/1.0 200 OK\r\nA: b\r\n\r\n210 x\r\n").value(), "210 x\r\n");
    EXPECT_EQ(CCDDB::getBody("HTTP/1.0 200 OK\n\n200 x").value(), "200 x");
    EXPECT_FALSE(CCDDB::getBody("HTTP/1.0 200 OK\r\n200 x\r\n").has_value());

    struct Code {
        const char* body;
        int code;
    };
    for (const Code& c : {Code{"211 found", 211}, Code{"202", 202}, Code{"20", -1}, Code{"", -1}, Code{"ok.", -1}})
        EXPECT_EQ(CCDDB::getCDDBResponseCode(c.body), c.code) << c.body;

    std::string_view text = "first\r\nsecond\nthird";
    std::optional<std::string_view> rest = CCDDB::getNextLine(text);
    EXPECT_EQ(text, "first");
    ASSERT_TRUE(rest.has_value());
    EXPECT_EQ(*rest, "second\nthird");
    EXPECT_EQ(CCDDB::skipToNextLine(*rest).value(), "third");
    EXPECT_FALSE(CCDDB::skipToNextLine("third").has_value());
}

TEST(CddbAnswers, QueryLogsTheCodeAndAnyAnswerItCannotUse) {
    testsupport::TempDir dir;
    const std::string path = dir.File("titlefetch.log");
    LogInit(path.c_str());
    LogOn(1);
    CCDDB cddb;
    MvList<TITLEFETCH_TQResult*> results;
    EXPECT_TRUE(cddb.parseQueryBody("202 No match", results));
    EXPECT_FALSE(cddb.parseQueryBody("500 Unknown developer email", results));
    LogDeinit();
    const std::string log = testsupport::ReadWholeFile(path);
    EXPECT_NE(log.find("CCDDB::parseQueryBody - Response code returned 202\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CCDDB::parseQueryBody - Response code returned 500\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" : 500 Unknown developer email\r\n"), std::string::npos) << log;
}
