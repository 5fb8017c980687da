#include "filekit/internet_download.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "filekit/errors.h"
#include "filekit/file_obj.h"
#include "filekit/internet_access.h"
#include "platform/last_error.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scripted_server.h"
#include "testsupport/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kVersionText = "2.5.1\r\nhttp://127.0.0.1/songsmith-setup.bin\r\n";

std::string BigBody() {
    std::string body(700000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 31) % 251);
    return body;
}

// Answers of the test server by path. A stall keeps the connection open and
// silent until the client goes away; a trickle sends one more byte every
// 1.2 s instead; a cut closes it after the text.
struct TAnswer {
    std::string text;
    enum { kClose, kStall, kTrickle } after = kClose;
};

std::string Response(const std::string& status, const std::string& extraHeaders,
                     const std::string& body, std::size_t announced) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(announced) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

std::map<std::string, TAnswer> Answers() {
    const std::string page = "<html><body><h1>Not Found</h1></body></html>";
    return {
        {"/version.txt",
         {Response("200 OK", "Content-Type: text/plain\r\n", kVersionText, kVersionText.size())}},
        // What a proxy is asked for.
        {"http://songsmith.invalid/version.txt",
         {Response("200 OK", "", kVersionText, kVersionText.size())}},
        {"/empty", {Response("200 OK", "", "", 0)}},
        {"/missing", {Response("404 Not Found", "Content-Type: text/html\r\n", page, page.size())}},
        {"/moved", {Response("302 Found", "Location: /version.txt\r\n", "moved", 5)}},
        {"/loop", {Response("302 Found", "Location: /loop\r\n", "", 0)}},
        {"/to-file", {Response("302 Found", "Location: file:///etc/hostname\r\n", "", 0)}},
        {"/big", {Response("200 OK", "", BigBody(), 700000)}},
        {"/short", {Response("200 OK", "", "only ten..", 1000)}},
        {"/stall", {Response("200 OK", "", "only ten..", 1000), TAnswer::kStall}},
        {"/silent", {"", TAnswer::kStall}},
        {"/trickle", {Response("200 OK", "", "", 1000), TAnswer::kTrickle}},
    };
}

// How many bytes a trickling answer sends at the most: more than any test
// waits for at one byte each 1.2 s.
constexpr int kTrickleBytes = 20;

// The steps that give an answer: its text, then what follows it.
testsupport::ServerScript ScriptFor(const TAnswer& answer) {
    using testsupport::ServerStep;
    testsupport::ServerScript script{ServerStep::Send(answer.text)};
    if (answer.after == TAnswer::kTrickle) {
        for (int i = 0; i < kTrickleBytes; ++i) {
            script.push_back(ServerStep::Wait(1200));
            script.push_back(ServerStep::Send("t"));
        }
    }
    script.push_back(answer.after == TAnswer::kClose ? ServerStep::Close() : ServerStep::Stall());
    return script;
}

// The request's target: what follows the method on the request line.
std::string RequestTarget(const std::string& request) {
    const std::size_t start = request.find(' ') + 1;
    return request.substr(start, request.find(' ', start) - start);
}

// The shared scripted server on 127.0.0.1, answering each request by its
// target from Answers().
class CLoopbackServer {
public:
    CLoopbackServer()
        : server_([answers = Answers()](const std::string& request) {
              const auto found = answers.find(RequestTarget(request));
              return ScriptFor(found != answers.end()
                                   ? found->second
                                   : TAnswer{Response("404 Not Found", "", "", 0)});
          }) {}

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
    }
    std::string LastRequest() const {
        const std::vector<std::string> requests = server_.Requests();
        return requests.empty() ? std::string() : requests.back();
    }

private:
    testsupport::ScriptedServer server_;
};

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task"); tasks != nullptr) {
        while (dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class InternetDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session_.Open("Songsmith", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr), 1);
        path_ = dir_.File("download.txt");
    }

    // Starts downloading path into a new file object.
    CFileObj* Start(const std::string& url) {
        auto* file = new CFileObj();
        EXPECT_EQ(file->OpenFromInternet(&session_, url.c_str(), path_.c_str()), 1) << url;
        return file;
    }
    // Polls as the program does until the download ends; false when it
    // still runs after limitMs (only a hang takes that long).
    static bool WaitForEnd(CFileObj* file, long long limitMs = testsupport::kHangLimitMs) {
        const Clock::time_point start = Clock::now();
        while (file->FileDownloading()) {
            if (MillisecondsSince(start) > limitMs) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    testsupport::TempDir dir_;
    CLoopbackServer server_;
    MyInternetAccess session_;
    std::string path_;
};

}  // namespace

TEST_F(InternetDownloadTest, AVersionFileArrivesReadyToReadLineByLine) {
    CFileObj* file = Start(server_.Url("/version.txt"));
    ASSERT_TRUE(WaitForEnd(file));
    EXPECT_EQ(file->DownloadWasSuccessful(), 1);
    ASSERT_EQ(file->CompleteDownload(0), 1);
    EXPECT_EQ(file->WriteMode(), 0) << "reopened read-only";
    char line[1025];
    ASSERT_GT(file->ReadNextString(line, 254), 0);
    EXPECT_STREQ(line, "2.5.1");
    ASSERT_GT(file->ReadNextString(line, 1024), 0);
    EXPECT_STREQ(line, "http://127.0.0.1/songsmith-setup.bin");

    const std::string request = server_.LastRequest();
    EXPECT_NE(request.find("GET /version.txt HTTP/1.1\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("User-Agent: Songsmith\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Cache-Control: no-cache\r\n"), std::string::npos) << request;

    // One release frees the file and its download.
    DeleteRefObject(&file);
    EXPECT_EQ(file, nullptr);
}

TEST_F(InternetDownloadTest, OnlyAWholeSuccessfulAnswerCounts) {
    struct Case {
        std::string url;
        int whole;
        std::string content;  // what the file holds afterwards
    } cases[] = {
        {server_.Url("/empty"), 1, ""},        {server_.Url("/moved"), 1, kVersionText},
        {server_.Url("/big"), 1, BigBody()},   {server_.Url("/missing"), 0, ""},
        {server_.Url("/nowhere"), 0, ""},      {server_.Url("/short"), 0, "only ten.."},
        {server_.Url("/to-file"), 0, ""},      {server_.Url("/loop"), 0, ""},
        {"http://127.0.0.1:1/refused", 0, ""}, {"ftp://127.0.0.1/not-http", 0, ""},
    };
    for (const Case& c : cases) {
        CFileObj* file = Start(c.url);
        EXPECT_TRUE(WaitForEnd(file)) << c.url;
        EXPECT_EQ(file->DownloadWasSuccessful(), c.whole) << c.url;
        EXPECT_EQ(file->CompleteDownload(0), 1) << c.url;
        EXPECT_EQ(file->Size(), static_cast<std::int64_t>(c.content.size())) << c.url;
        EXPECT_TRUE(testsupport::ReadWholeFile(path_) == c.content) << c.url;
        DeleteRefObject(&file);
    }
}

TEST_F(InternetDownloadTest, ReportsAmountsWhileRunningAndCancelsAtOnce) {
    CFileObj* file = Start(server_.Url("/stall"));
    std::uint64_t received = 0;
    std::uint64_t total = 0;
    const Clock::time_point start = Clock::now();
    while (MillisecondsSince(start) < testsupport::kHangLimitMs &&
           file->GetDownloadAmounts(received, total) && received < 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(received, 10u);
    EXPECT_EQ(total, 1000u);
    EXPECT_EQ(file->FileDownloading(), 1) << "the server keeps the rest back";

    // The server would keep the rest back until the minute-long stall
    // time-out: the cancel returns long before it.
    const Clock::time_point cancel = Clock::now();
    EXPECT_EQ(file->CompleteDownload(1), 1);
    EXPECT_LT(MillisecondsSince(cancel),
              static_cast<long long>(MyInternetAccess::kDefaultStallTimeoutMs / 2));
    EXPECT_EQ(file->FileDownloading(), 0);
    EXPECT_EQ(file->DownloadWasSuccessful(), 0);
    EXPECT_EQ(file->GetDownloadAmounts(received, total), 0);
    EXPECT_FALSE(DoesFileExist(path_.c_str())) << "the partial file is deleted";
    EXPECT_STREQ(file->FilePath(), "");
    DeleteRefObject(&file);
}

TEST_F(InternetDownloadTest, AStalledServerTimesOut) {
    session_.SetTimeouts(2000, 1000);
    for (const char* path : {"/silent", "/stall"}) {
        const Clock::time_point start = Clock::now();
        CFileObj* file = Start(server_.Url(path));
        EXPECT_TRUE(WaitForEnd(file)) << path;
        EXPECT_GE(MillisecondsSince(start), 900) << path;
        EXPECT_EQ(file->DownloadWasSuccessful(), 0) << path;
        DeleteRefObject(&file);
    }
}

TEST_F(InternetDownloadTest, ATricklingServerTimesOut) {
    // Every byte comes before the silence limit, yet well under a byte a
    // second arrives: the transfer counts as stalled all the same.
    session_.SetTimeouts(2000, 1500);
    CFileObj* file = Start(server_.Url("/trickle"));
    EXPECT_TRUE(WaitForEnd(file));
    EXPECT_EQ(file->DownloadWasSuccessful(), 0);
    DeleteRefObject(&file);
}

TEST(InternetDownloadThreads, ReleasingARunningDownloadLeavesNoThreadBehind) {
    const int before = ThreadCount();
    {
        testsupport::TempDir dir;
        CLoopbackServer server;
        MyInternetAccess session;
        ASSERT_EQ(session.Open("Songsmith", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr), 1);
        auto* file = new CFileObj();
        const std::string path = dir.File("partial.bin");
        ASSERT_EQ(file->OpenFromInternet(&session, server.Url("/stall").c_str(), path.c_str()), 1);
        // Released while its thread is inside the transfer: the first bytes
        // have come and the server keeps the rest back.
        std::uint64_t received = 0;
        std::uint64_t total = 0;
        const Clock::time_point start = Clock::now();
        while (MillisecondsSince(start) < testsupport::kHangLimitMs &&
               file->GetDownloadAmounts(received, total) && received < 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(received, 10u);
        ASSERT_EQ(file->FileDownloading(), 1);
        session.Close();  // the running download keeps its own copy of the settings

        // Long before the minute-long stall time-out.
        const Clock::time_point release = Clock::now();
        DeleteRefObject(&file);
        EXPECT_EQ(file, nullptr);
        EXPECT_LT(MillisecondsSince(release),
                  static_cast<long long>(MyInternetAccess::kDefaultStallTimeoutMs / 2));
    }
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(InternetDownloadTest, HonoursTheProxyChoice) {
    const std::string serverProxy = server_.Url("").substr(7);  // "127.0.0.1:port"
    struct Case {
        const char* proxy;
        const char* bypass;
        std::string url;
    } cases[] = {
        // Through the test server acting as the proxy: no name is resolved.
        {serverProxy.c_str(), nullptr, "http://songsmith.invalid/version.txt"},
        // Past a dead proxy to a host on the bypass list.
        {"127.0.0.1:1", "<local>; 127.0.0.1", server_.Url("/version.txt")},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(session_.Open("Songsmith", INTERNET_OPEN_TYPE_PROXY, c.proxy, c.bypass), 1);
        CFileObj* file = Start(c.url);
        EXPECT_TRUE(WaitForEnd(file)) << c.url;
        EXPECT_EQ(file->DownloadWasSuccessful(), 1) << c.url;
        EXPECT_EQ(testsupport::ReadWholeFile(path_), kVersionText) << c.url;
        DeleteRefObject(&file);
    }
}

TEST_F(InternetDownloadTest, RefusesWhatCannotStart) {
    CFileObj file;
    SetLastError(0);
    EXPECT_EQ(file.CompleteDownload(1), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_NO_DOWNLOAD);
    EXPECT_EQ(file.DownloadWasSuccessful(), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_NO_DOWNLOAD);
    std::uint64_t received = 0;
    std::uint64_t total = 0;
    EXPECT_EQ(file.GetDownloadAmounts(received, total), 0);
    EXPECT_EQ(file.FileDownloading(), 0);

    ASSERT_EQ(file.Create(path_.c_str()), 1);
    EXPECT_EQ(file.OpenFromInternet(&session_, server_.Url("/version.txt").c_str(), path_.c_str()),
              0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_FILE_ALREADY_OPEN);
    EXPECT_EQ(file.FileDownloading(), 0);
    file.Close();

    MyInternetAccess closed;
    EXPECT_EQ(closed.IsOpen(), 0);
    EXPECT_EQ(file.OpenFromInternet(&closed, server_.Url("/version.txt").c_str(), path_.c_str()),
              0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_SESSION_NOT_OPEN);
    EXPECT_EQ(file.OpenFromInternet(nullptr, "http://127.0.0.1/", path_.c_str()), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_SESSION_NOT_OPEN);

    EXPECT_EQ(closed.Open("Songsmith", 2, nullptr, nullptr), 0) << "an unknown access type";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A local file that cannot be created: nothing starts, and the file
    // object has no download to complete.
    const std::string nowhere = dir_.File("missing/folder/download.txt");
    SetLastError(0);
    EXPECT_EQ(file.OpenFromInternet(&session_, server_.Url("/version.txt").c_str(), nowhere.c_str()), 0);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(file.IsOpen(), 0);
    EXPECT_EQ(file.FileDownloading(), 0);
    EXPECT_EQ(file.CompleteDownload(0), 0);
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_NO_DOWNLOAD);
}

TEST(InternetVersion, TheLibraryVersionIsClassedByMajorAndMinor) {
    const struct {
        std::uint32_t major;
        std::uint32_t minor;
        TIEVersion expected;
    } cases[] = {
        {1, 0, kIEVersion1_0}, {1, 1, kIEVersion1_1}, {1, 2, kIEVersion1_2},
        {1, 3, kIEVersionOther}, {0, 1, kIEVersionOther}, {2, 0, kIEVersionOther},
        {7, 88, kIEVersionOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IEVersionFrom(TInternetVersion{c.major, c.minor}), c.expected) << c.major << "." << c.minor;
    }
    // libcurl is at version 7 or later, so the session reports another version.
    TInternetVersion running;
    ASSERT_TRUE(InternetLibraryVersion(&running));
    EXPECT_GE(running.dwMajorVersion, 7u);
    MyInternetAccess session;
    EXPECT_EQ(session.GetIEVersion(), kIEVersionOther);
}
