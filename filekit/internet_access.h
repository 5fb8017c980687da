#pragma once
// The program's internet session: the settings every download made through
// it uses (agent name, proxy choice, time limits). Downloads copy the settings
// when they start, so closing the session never pulls them from under a
// running download.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// Access types, numbered as the program passes them.
inline constexpr std::uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;  // proxies from the environment
inline constexpr std::uint32_t INTERNET_OPEN_TYPE_DIRECT = 1;     // never a proxy
inline constexpr std::uint32_t INTERNET_OPEN_TYPE_PROXY = 3;      // the proxy given to Open
inline constexpr std::uint32_t INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY = 4;

struct TInternetSession {
    std::string agent;
    std::uint32_t accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    // Hosts reached without the proxy, separated by ';', ',' or blanks.
    std::string proxyBypass;
    std::uint32_t connectTimeoutMs = 0;
    // A transfer that receives nothing for this long ends as failed.
    std::uint32_t stallTimeoutMs = 0;
};
using HINTERNET = TInternetSession*;

// The internet functions' version as two numbers. Here the transfer library
// (libcurl) stands in for them: its major and minor version.
struct TInternetVersion {
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
};

// The version class the program tells apart: 1.0, 1.1 and 1.2, and any other
// version (or none readable). With libcurl, whose major version is 7 or more,
// it is always kIEVersionOther.
enum TIEVersion : int {
    kIEVersion1_0 = 0,
    kIEVersion1_1 = 1,
    kIEVersion1_2 = 2,
    kIEVersionOther = 3,
};

// The version's class: 1.0 to 1.2 by the minor number of major version 1,
// kIEVersionOther for every other version.
TIEVersion IEVersionFrom(const TInternetVersion& version);

class MyInternetAccess {
public:
    // A server that does not accept the connection within 30 s is given up.
    static constexpr std::uint32_t kDefaultConnectTimeoutMs = 30000;
    // A transfer that receives nothing for 60 s is given up.
    static constexpr std::uint32_t kDefaultStallTimeoutMs = 60000;

    MyInternetAccess() = default;
    ~MyInternetAccess();
    MyInternetAccess(const MyInternetAccess&) = delete;
    MyInternetAccess& operator=(const MyInternetAccess&) = delete;

    // Opens the session (closing an open one first). proxy and proxyBypass
    // count only with INTERNET_OPEN_TYPE_PROXY and may be null. 1/0; an
    // unknown access type fails with ERROR_INVALID_PARAMETER.
    int Open(const char* agent, std::uint32_t accessType, const char* proxy,
             const char* proxyBypass);
    void Close();
    int IsOpen();
    // The session's settings while open, else null. Read them under Lock().
    HINTERNET InternetHandle() { return session_.get(); }
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // The class of the transfer library's version (IEVersionFrom of
    // InternetLibraryVersion); kIEVersionOther when it cannot be read.
    TIEVersion GetIEVersion();

    // Time limits for downloads started from now on (tests shorten them).
    void SetTimeouts(std::uint32_t connectTimeoutMs, std::uint32_t stallTimeoutMs);

private:
    std::recursive_mutex lock_;
    std::unique_ptr<TInternetSession> session_;
    std::uint32_t connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    std::uint32_t stallTimeoutMs_ = kDefaultStallTimeoutMs;
};

// Initialises the transfer library once per process; false when it cannot be.
bool InternetLibraryReady();

// The running transfer library's version; false when it cannot be read.
bool InternetLibraryVersion(TInternetVersion* version);
