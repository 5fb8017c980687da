#pragma once
// TITLEFETCH_TSite: one CDDB server site. The record crosses the library's
// interface and the preferences store it whole as a 1040-byte registry value,
// so field order and widths are fixed (two padding bytes follow the flags).

#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr int kSiteTextSize = 256;

struct TITLEFETCH_TSite {
    // Host name or dotted address, zero-terminated.
    char host[kSiteTextSize] = {};
    // TCP port; -1 marks a site whose protocol is not "http".
    std::int32_t port = 0;
    // Path of the CDDB script on the server, e.g. "/~cddb/cddb.cgi".
    char cgiPath[kSiteTextSize] = {};
    // Empty in this library; the preferences keep the location text here.
    char secondText[kSiteTextSize] = {};
    // Free text, usually the site's location.
    char description[kSiteTextSize] = {};
    // 1 north of the equator, 0 south.
    std::uint8_t north = 0;
    // 1 east of Greenwich, 0 west.
    std::uint8_t east = 0;
    // Degrees x 60 + minutes.
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
};
static_assert(sizeof(TITLEFETCH_TSite) == 1040, "the stored site record is 1040 bytes");
static_assert(offsetof(TITLEFETCH_TSite, port) == 256);
static_assert(offsetof(TITLEFETCH_TSite, cgiPath) == 260);
static_assert(offsetof(TITLEFETCH_TSite, secondText) == 516);
static_assert(offsetof(TITLEFETCH_TSite, description) == 772);
static_assert(offsetof(TITLEFETCH_TSite, north) == 1028);
static_assert(offsetof(TITLEFETCH_TSite, east) == 1029);
static_assert(offsetof(TITLEFETCH_TSite, latitude) == 1032);
static_assert(offsetof(TITLEFETCH_TSite, longitude) == 1036);

// The public server that answers CDDB commands over HTTP, used when no other
// site is chosen.
inline constexpr const char kDefaultCddbHost[] = "gnudb.gnudb.org";
inline constexpr std::int32_t kDefaultCddbPort = 80;
inline constexpr const char kDefaultCddbPath[] = "/~cddb/cddb.cgi";

// A site for host, path and port with empty texts, north and east set and
// latitude and longitude 0; texts longer than a field are cut to fit.
// (Host names and script paths are ASCII, so a byte cut is a character cut.)
inline TITLEFETCH_TSite MakeSite(const char* host, const char* cgiPath, std::int32_t port) {
    TITLEFETCH_TSite site;
    const auto copyField = [](char (&field)[kSiteTextSize], const char* text) {
        if (text != nullptr) std::memcpy(field, text, strnlen(text, kSiteTextSize - 1));
    };
    copyField(site.host, host);
    copyField(site.cgiPath, cgiPath);
    site.port = port;
    site.north = 1;
    site.east = 1;
    return site;
}

// The default site: the default server, port 80, "/~cddb/cddb.cgi".
inline TITLEFETCH_TSite MakeDefaultSite() {
    return MakeSite(kDefaultCddbHost, kDefaultCddbPath, kDefaultCddbPort);
}
