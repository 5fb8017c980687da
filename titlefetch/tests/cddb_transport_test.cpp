// How answers arrive: in pieces, slowly, not at all, too large, cut short,
// without an HTTP header's end, or from no server.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scripted_server.h"
#include "titlefetch/cddb.h"
#include "titlefetch/http_socket.h"
#include "titlefetch/name_resolver.h"
#include "titlefetch/tests/cddb_test_support.h"

using cddbtest::FreeAll;
using cddbtest::Http;
using testsupport::ScriptedServer;
using testsupport::ServerScript;
using testsupport::ServerStep;

namespace {

constexpr std::uint32_t kTimeoutMs = 300;

// "210 ..." and count genre lines of ten bytes each, terminated.
std::string GenreList(int count) {
    std::string body = "210 OK, category list follows (until terminating `.')\r\n";
    for (int i = 0; i < count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "genre%03d\r\n", i);
        body += line;
    }
    return body + ".\r\n";
}

// The genres command against one connection scripted by script.
struct GenresRun {
    explicit GenresRun(ServerScript script, std::uint32_t timeoutMs = kTimeoutMs) : server({std::move(script)}) {
        cddb.setTimeout(timeoutMs);
        ok = cddb.getGenres(cddbtest::LoopbackSite(server.Port()), genres);
        error = GetLastError();
    }
    ~GenresRun() { FreeAll(genres); }

    ScriptedServer server;
    CCDDB cddb;
    MvList<TITLEFETCH_TGenre*> genres;
    bool ok = false;
    std::uint32_t error = 0;
};

// The query command against one connection scripted by script.
int RunQuery(ServerScript script, CCDDB& cddb, MvList<TITLEFETCH_TQResult*>& results) {
    ScriptedServer server({std::move(script)});
    cddb.setTimeout(kTimeoutMs);
    const cddbtest::TrackList tracks({150, 403, 787}, 1102);
    return cddb.query(cddbtest::LoopbackSite(server.Port()), 0x08000c03, tracks.list, 14, results);
}

}  // namespace

TEST(CddbTransport, AnswersSplitAnywhereAreJoined) {
    const std::string answer = Http(GenreList(3));
    const std::size_t header = answer.find("\r\n\r\n") + 4;
    const std::size_t midLine = answer.find("genre001") + 3;
    const std::size_t midTerminator = answer.size() - 3;  // after "\r\n."
    const std::vector<std::vector<std::size_t>> splits = {
        {header},
        {header - 2, 1},
        {midLine},
        {midTerminator},
        {midTerminator - 1, 1},
        {header, midLine - header, midTerminator - midLine},
    };
    for (const auto& pieces : splits) {
        GenresRun run(testsupport::SendInPieces(answer, pieces, 20));
        EXPECT_TRUE(run.ok) << pieces.size() << " pieces, first " << pieces[0];
        ASSERT_EQ(run.genres.count, 3);
        EXPECT_STREQ(run.genres.items[2]->name, "genre002");
    }

    // Whatever follows the terminator in the same piece is no part of the
    // answer.
    GenresRun trailing({ServerStep::Send(answer + "junk\r\nmore junk\r\n")});
    EXPECT_TRUE(trailing.ok);
    ASSERT_EQ(trailing.genres.count, 3);
    EXPECT_STREQ(trailing.genres.items[2]->name, "genre002");
}

TEST(CddbTransport, AnswersOfBareLfServersEndAtTheirPeriodLine) {
    using cddbtest::WithBareLf;
    const std::string answer = WithBareLf(Http(GenreList(3)));
    const std::size_t period = answer.size() - 2;  // before ".\n"
    struct Case {
        const char* name;
        ServerScript script;
    };
    const Case cases[] = {
        {"in one piece", testsupport::SendInPieces(answer, {}, 0)},
        {"split before the period", testsupport::SendInPieces(answer, {period}, 20)},
        {"split after the period", testsupport::SendInPieces(answer, {period + 1}, 20)},
        {"kept open after the period line", {ServerStep::Send(answer), ServerStep::Stall()}},
        {"a period line ended by CR LF", {ServerStep::Send(answer.substr(0, period) + ".\r\n"), ServerStep::Stall()}},
    };
    for (const Case& c : cases) {
        GenresRun run(c.script);
        EXPECT_TRUE(run.ok) << c.name;
        ASSERT_EQ(run.genres.count, 3) << c.name;
        EXPECT_STREQ(run.genres.items[2]->name, "genre002") << c.name;
    }

    // A period inside a line, or a line that only begins with one, ends
    // nothing.
    GenresRun inside({ServerStep::Send(WithBareLf(Http("210 OK\r\n.rock\r\nja.zz\r\n.\r\n")))});
    ASSERT_TRUE(inside.ok);
    ASSERT_EQ(inside.genres.count, 2);
    EXPECT_STREQ(inside.genres.items[0]->name, ".rock");
}

TEST(CddbTransport, AOneLineAnswerInChunksEndsWithItsLine) {
    const std::string match = "200 rock 08000c03 Test Artist / Test Album\r\n";
    const ServerScript scripts[] = {
        {ServerStep::Send(cddbtest::Chunked(match, 5)), ServerStep::Stall()},
        // The data's chunk not yet closed: its line is whole all the same.
        {ServerStep::Send(cddbtest::Chunked(match, 100).substr(0, cddbtest::Chunked(match, 100).size() - 7)),
         ServerStep::Stall()},
    };
    for (const ServerScript& script : scripts) {
        CCDDB cddb;
        MvList<TITLEFETCH_TQResult*> results;
        EXPECT_EQ(RunQuery(script, cddb, results), CDDB_OK);
        ASSERT_EQ(results.count, 1);
        EXPECT_STREQ(results.items[0]->title, "Test Album");
        FreeAll(results);
    }
}

TEST(CddbTransport, LongAnswersGrowTheBuffer) {
    // 500 and 1000 lines: past one and past two growth steps.
    for (const int lines : {500, 1000}) {
        const std::string answer = Http(GenreList(lines));
        ASSERT_GT(answer.size(), lines == 500 ? 4096u : 8192u);
        GenresRun run(testsupport::SendInPieces(answer, {4000, 4095, 1}, 10));
        EXPECT_TRUE(run.ok) << lines;
        ASSERT_EQ(run.genres.count, lines);
        EXPECT_STREQ(run.genres.items[lines - 1]->name, lines == 500 ? "genre499" : "genre999");
    }
}

TEST(CddbTransport, FailuresOfTheExchange) {
    const std::string header = "HTTP/1.0 200 OK\r\n\r\n";
    struct Case {
        const char* name;
        ServerScript script;
        std::uint32_t timeoutMs;
        std::uint32_t error;
        std::string kept;  // the start of the last command response
    };
    ServerScript trickle;
    for (int i = 0; i < 100; ++i) {
        trickle.push_back(ServerStep::Send(i == 0 ? header + "210 OK\r\n" : "x"));
        trickle.push_back(ServerStep::Wait(30));
    }
    // Complete, but after more than fifteen time-outs in all.
    trickle.push_back(ServerStep::Send("\r\n.\r\n"));
    // A server that did not answer in time is told apart from an answer
    // that came but could not be read.
    const Case cases[] = {
        {"stall", {ServerStep::Send(header + "210 OK\r\nrock\r\n"), ServerStep::Stall()}, kTimeoutMs,
         CDDB_ERR_TIMED_OUT, header + "210 OK\r\nrock\r\n"},
        // Each piece comes well within the time-out; the whole read may
        // still take no more than fifteen of them.
        {"trickle", trickle, 150, CDDB_ERR_TIMED_OUT, header + "210 OK\r\n"},
        {"closed before the terminator", {ServerStep::Send(header + "210 OK\r\nrock\r\n.")}, kTimeoutMs,
         CDDB_ERR_BAD_ANSWER, header + "210 OK\r\nrock\r\n."},
        {"oversize", {ServerStep::Send(header + "210 OK\r\n" + std::string(1100 * 1024, 'x'))}, kTimeoutMs,
         CDDB_ERR_BAD_ANSWER, header + "210 OK\r\nxxx"},
        {"empty body", {ServerStep::Send(header)}, kTimeoutMs, CDDB_ERR_BAD_ANSWER, header},
        {"not HTTP", {ServerStep::Send("SSH-2.0-OpenSSH_9.2\r\n"), ServerStep::Stall()}, kTimeoutMs,
         CDDB_ERR_BAD_ANSWER, "SSH-2.0"},
    };
    for (const Case& c : cases) {
        GenresRun run(c.script, c.timeoutMs);
        EXPECT_FALSE(run.ok) << c.name;
        EXPECT_EQ(run.error, c.error) << c.name;
        EXPECT_EQ(run.cddb.lastError(), 0u) << c.name;
        EXPECT_EQ(std::string(run.cddb.lastCommandResp()).rfind(c.kept, 0), 0u) << c.name;
    }
}

TEST(CddbTransport, TheReaderReportsATimeOut) {
    ScriptedServer server({{ServerStep::Send("HTTP/1.0 200 OK\r\n\r\n210 OK\r\n"), ServerStep::Stall()}});
    CCDDB cddb;
    cddb.setTimeout(kTimeoutMs);
    CHTTPSocket socket(kTimeoutMs);
    ASSERT_TRUE(socket.create());
    ASSERT_TRUE(socket.connect("127.0.0.1", server.Port()));
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    ASSERT_TRUE(socket.send(request.data(), request.size()));
    std::string answer;
    EXPECT_FALSE(cddb.readResponse(socket, CCDDB::kTerminator, answer, CCDDB::kReadStep, CCDDB::kReadMultiLine));
    EXPECT_EQ(GetLastError(), CDDB_ERR_TIMED_OUT);
    EXPECT_STREQ(cddb.lastCommandResp(), "HTTP/1.0 200 OK\r\n\r\n210 OK\r\n");
}

TEST(CddbTransport, OneLineAnswersEndAtTheirLineOrAtTheClose) {
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n";
    const std::string match = "200 rock 08000c03 Test Artist / Test Album\r\n";
    struct Case {
        const char* name;
        ServerScript script;
        int code;
    };
    // The query reader judges an answer only once its header and first line
    // are whole, and needs no close after a one-line answer.
    const Case cases[] = {
        {"header alone first", {ServerStep::Send(header), ServerStep::Wait(50), ServerStep::Send(match), ServerStep::Stall()}, 0},
        {"code cut short", {ServerStep::Send(header + "20"), ServerStep::Wait(50), ServerStep::Send(match.substr(2)), ServerStep::Stall()}, 0},
        {"line without its end, then the close", {ServerStep::Send(header + "200 rock 08000c03 A / B")}, 4},
        {"header ended by LF alone", {ServerStep::Send("HTTP/1.0 200 OK\n\n" + match), ServerStep::Stall()}, 0},
        {"no blank line after the header, terminated", {ServerStep::Send("HTTP/1.0 200 OK\r\n" + match + ".\r\n")}, 3},
        {"no blank line after the header, closed", {ServerStep::Send("HTTP/1.0 200 OK\r\n" + match)}, 4},
        {"stall before the first line", {ServerStep::Send(header), ServerStep::Stall()}, 4},
    };
    for (const Case& c : cases) {
        CCDDB cddb;
        MvList<TITLEFETCH_TQResult*> results;
        EXPECT_EQ(RunQuery(c.script, cddb, results), c.code) << c.name;
        if (c.code == 0) {
            ASSERT_EQ(results.count, 1) << c.name;
            EXPECT_STREQ(results.items[0]->title, "Test Album") << c.name;
        }
        FreeAll(results);
    }

    // A multi-line command also takes a one-line answer that the server
    // ends by closing the connection: the answer is then judged.
    GenresRun refused({ServerStep::Send(header + "401 No genres available\r\n")});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, CDDB_ERR_BAD_ANSWER);
    EXPECT_STREQ(refused.cddb.lastCommandResp(), "401 No genres available\r\n");
}

TEST(CddbTransport, ConnectingToAnUnreachableAddressGivesUpAtTheTimeOut) {
    // 192.0.2.1 is reserved for documentation (RFC 5737) and routes nowhere:
    // the attempt either fails at once or waits out the time-out.
    CCDDB cddb;
    cddb.setTimeout(kTimeoutMs);
    MvList<TITLEFETCH_TQResult*> results;
    const cddbtest::TrackList tracks({150}, 2400);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(cddb.query(MakeSite("192.0.2.1", "/~cddb/cddb.cgi", 80), 0x02001e01, tracks.list, 32, results),
              CDDB_NO_CONNECTION);
    // Long before the system's own connect time-out of minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(CddbTransport, NoServerToTalkTo) {
    struct Case {
        const char* name;
        TITLEFETCH_TSite site;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"refused port", cddbtest::LoopbackSite(testsupport::UnusedLoopbackPort()), 0},
        // ".invalid" never resolves (RFC 6761).
        {"unresolvable name", MakeSite("cddb.invalid", "/~cddb/cddb.cgi", 80), CDDB_ERR_INVALID_ARGUMENT},
    };
    for (const Case& c : cases) {
        CCDDB cddb;
        cddb.setTimeout(kTimeoutMs);
        const cddbtest::TrackList tracks({150}, 2400);
        MvList<TITLEFETCH_TQResult*> results;
        SetLastError(0);
        EXPECT_EQ(cddb.query(c.site, 0x02001e01, tracks.list, 32, results), CDDB_NO_CONNECTION) << c.name;
        if (c.error != 0) {
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
        EXPECT_NE(GetLastError(), 0u) << c.name;
        EXPECT_EQ(cddb.lastError(), 0u) << c.name;

        MvList<TITLEFETCH_TSite*> sites;
        EXPECT_FALSE(cddb.getSites(sites, c.site)) << c.name;
    }
}

namespace {

// A name server that answers nothing: lookups wait until the test lets them
// go (or, should the client never give up, until a long while has passed).
struct TStalledLookups {
    std::mutex mutex;
    std::condition_variable changed;
    int entered = 0;
    bool released = false;
};
TStalledLookups& Stalled() {
    static TStalledLookups state;
    return state;
}

int StallingLookup(const char*, const char*, const addrinfo*, addrinfo** result) {
    TStalledLookups& state = Stalled();
    std::unique_lock lock(state.mutex);
    ++state.entered;
    state.changed.notify_all();
    state.changed.wait_for(lock, testsupport::kHangLimit, [&] { return state.released; });
    *result = nullptr;
    return EAI_AGAIN;
}

// Every name is the loopback address.
int LoopbackLookup(const char*, const char* service, const addrinfo* hints, addrinfo** result) {
    return getaddrinfo("127.0.0.1", service, hints, result);
}

}  // namespace

TEST(CddbTransport, NameLookupsCountAgainstTheTimeOut) {
    const cddbtest::TrackList tracks({150}, 2400);
    MvList<TITLEFETCH_TQResult*> results;
    CCDDB cddb;
    cddb.setTimeout(kTimeoutMs);

    // Names are looked up through the resolver in force.
    SetResolveFunction(&LoopbackLookup);
    ScriptedServer server({{ServerStep::Send(Http("202 No match for disc ID 02001e01.\r\n"))}});
    EXPECT_EQ(cddb.query(MakeSite("cddb.example.org", "/~cddb/cddb.cgi", server.Port()), 0x02001e01, tracks.list, 32,
                         results),
              CDDB_OK);

    // A lookup that hears nothing back fails the command at the time-out.
    {
        std::lock_guard lock(Stalled().mutex);
        Stalled().entered = 0;
        Stalled().released = false;
    }
    SetResolveFunction(&StallingLookup);
    const auto start = std::chrono::steady_clock::now();
    SetLastError(0);
    EXPECT_EQ(cddb.query(MakeSite("cddb.example.org", "/~cddb/cddb.cgi", 80), 0x02001e01, tracks.list, 32, results),
              CDDB_NO_CONNECTION);
    EXPECT_EQ(GetLastError(), CDDB_ERR_TIMED_OUT);
    // The stalled look-up never returns by itself: only the time-out ends it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, testsupport::kHangLimit);
    SetResolveFunction(nullptr);
    {
        // The abandoned lookup ran through the hook; let it finish.
        std::unique_lock lock(Stalled().mutex);
        Stalled().changed.wait(lock, [] { return Stalled().entered > 0; });
        Stalled().released = true;
        Stalled().changed.notify_all();
    }
}

namespace {

// A system resolver that never answers.
int NeverAnsweringLookup(const char*, const char*, const addrinfo*, addrinfo**) {
    for (;;) pause();
}

constexpr const char* kStalledExitChild = "TITLEFETCH_STALLED_EXIT_CHILD";

}  // namespace

TEST(CddbTransport, QuittingNeverWaitsForANameLookupThatHangs) {
    if (std::getenv(kStalledExitChild) != nullptr) {
        // The child: a lookup that will never end is given up at its time-out,
        // then the process quits as the program does.
        SetResolveFunction(&NeverAnsweringLookup);
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        AddressList addresses;
        const ResolveOutcome outcome = ResolveHost("stalled.example.org", "80", hints, 50, addresses);
        std::exit(outcome == ResolveOutcome::TimedOut ? 0 : 3);
    }
    // This test's executable once more, running only this test as the child.
    std::string self(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    ASSERT_GT(length, 0);
    self.resize(static_cast<std::size_t>(length));
    std::string filter = "--gtest_filter=CddbTransport.QuittingNeverWaitsForANameLookupThatHangs";
    char* argv[] = {self.data(), filter.data(), nullptr};
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    environment.push_back(std::string(kStalledExitChild) + "=1");
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    // The child ends on its own; a limit only a hang reaches.
    int status = 0;
    pid_t ended = 0;
    const auto limit = std::chrono::steady_clock::now() + testsupport::kHangLimit;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the process did not quit while a name lookup hung";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
