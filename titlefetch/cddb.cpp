#include "titlefetch/cddb.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "titlefetch/cddb_text.h"
#include "titlefetch/http_socket.h"
#include "utilities/unicode.h"

namespace {

// The standard Base64 alphabet of RFC 4648, table 1.
constexpr const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Stands in for a user or host name the system cannot give.
constexpr const char kUnknownName[] = "Unknown";
// Lengths of the name buffers the hello text's names are read into.
constexpr std::size_t kNameBufferSize = 260;

// The site as a URL authority: the host, with the port when it is not
// HTTP's own.
std::string Authority(const TITLEFETCH_TSite& site) {
    std::string text(FieldText(site.host));
    if (site.port != 80) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // about a literal + std::to_string(...).
        text += ':';
        text += std::to_string(site.port);
    }
    return text;
}

// The status number of an answer's "HTTP/1.x NNN ..." first line; 0 when
// the answer does not start with one.
int HttpStatusOf(std::string_view answer) {
    constexpr std::string_view kHttp = "HTTP/";
    if (answer.substr(0, kHttp.size()) != kHttp) return 0;
    const std::size_t space = answer.find(' ');
    if (space == std::string_view::npos || answer.size() < space + 4) return 0;
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (answer[i] < '0' || answer[i] > '9') return 0;
        status = status * 10 + (answer[i] - '0');
    }
    return status;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The value of an answer header's field (name compared without regard to
// case); empty when the header has none.
std::string HeaderField(std::string_view answer, std::string_view name) {
    const std::size_t end = std::min(answer.find("\r\n\r\n"), answer.find("\n\n"));
    std::string_view header = answer.substr(0, end);
    while (!header.empty()) {
        const std::size_t lf = header.find('\n');
        std::string_view line = header.substr(0, lf);
        header = lf == std::string_view::npos ? std::string_view() : header.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t colon = line.find(':');
        if (colon != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < colon && same; ++i)
            same = std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
        if (!same) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        return std::string(value);
    }
    return {};
}

// Points site at a redirect's location: an http:// address (host, port,
// path; the query is the command's, asked afresh) or a path on the same
// server. False for any other scheme or a location the site cannot hold.
bool FollowLocation(std::string_view location, TITLEFETCH_TSite& site) {
    constexpr std::string_view kHttp = "http://";
    std::string_view path = location;
    std::string host(FieldText(site.host));
    std::int32_t port = site.port;
    const auto startsWithHttp = [&] {
        if (location.size() < kHttp.size()) return false;
        for (std::size_t i = 0; i < kHttp.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(location[i])) != kHttp[i]) return false;
        return true;
    };
    if (startsWithHttp()) {
        const std::string_view rest = location.substr(kHttp.size());
        const std::size_t slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
        // No user information: it would go nowhere in this request.
        if (authority.empty() || authority.find('@') != std::string_view::npos) return false;
        port = 80;
        const std::size_t colon = authority.rfind(':');
        if (colon != std::string_view::npos && authority.find(']') == std::string_view::npos) {
            const std::string_view digits = authority.substr(colon + 1);
            if (digits.empty() || digits.size() > 5) return false;
            port = 0;
            for (const char c : digits) {
                if (c < '0' || c > '9') return false;
                port = port * 10 + (c - '0');
            }
            if (port == 0 || port > 65535) return false;
            authority = authority.substr(0, colon);
        }
        host = std::string(authority);
    } else if (location.empty() || location.front() != '/') {
        // Another scheme (https://, ftp:), or no address at all.
        return false;
    }
    path = path.substr(0, path.find('?'));
    path = path.substr(0, path.find('#'));
    for (const char c : path)
        if (static_cast<unsigned char>(c) <= ' ') return false;
    if (host.empty() || host.size() >= kSiteTextSize || path.empty() || path.size() >= kSiteTextSize) return false;
    std::snprintf(site.host, sizeof site.host, "%s", host.c_str());
    std::snprintf(site.cgiPath, sizeof site.cgiPath, "%.*s", static_cast<int>(path.size()), path.data());
    site.port = port;
    return true;
}

// A caller's text as one header line's value: a line end in it would end
// the header line and start another.
std::string HeaderValue(const char* text) {
    std::string value = text != nullptr ? text : "";
    for (char& ch : value) {
        if (ch == '\r' || ch == '\n') ch = ' ';
    }
    return value;
}

// Empties a record for a new read: the strings of its lists are deleted.
void ClearRecord(TITLEFETCH_TRResult& record) {
    DeleteRecordTexts(record.trackTitles);
    DeleteRecordTexts(record.extendedTrackData);
    record.playOrder.Empty();
    record.discLength = 0;
    record.discId = 0;
    record.revision = 0;
    record.year = 0;
    for (char* field : {record.artist, record.title, record.genre, record.extendedData, record.clientName,
                        record.clientVersion, record.clientComment}) {
        std::memset(field, 0, kSiteTextSize);
    }
}

std::string LogonName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && *found->pw_name != '\0') {
        return std::string(found->pw_name, strnlen(found->pw_name, kNameBufferSize - 1));
    }
    return kUnknownName;
}

std::string LocalHostName() {
    char name[kNameBufferSize] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return kUnknownName;
    return name;
}

}  // namespace

CCDDB::CCDDB()
    : m_productName("Marovelle_Trackpress"), m_productVersion("2.0"), m_base64tab(kBase64Alphabet) {}

void CCDDB::setProxyDetails(const char* host, std::int32_t port, const char* user, const char* password) {
    m_proxyHost = host;
    m_proxyPort = port;
    m_proxyUser = user;
    m_proxyPassword = password;
}

CCOMString CCDDB::getHelloCommand() const {
    std::string user;
    std::string host;
    const std::string email(m_email.GetString());
    const std::size_t at = email.rfind('@');
    if (at != std::string::npos && at > 0 && at + 1 < email.size()) {
        // The address the server's operator can reach the user at. The
        // server splits the hello at blanks, so nothing may turn into one.
        user = SanitizeAddressWord(std::string_view(email).substr(0, at));
        host = SanitizeAddressWord(std::string_view(email).substr(at + 1));
    } else {
        user = SanitizeHelloWord(LogonName());
        host = SanitizeHelloWord(LocalHostName());
    }
    CCOMString hello;
    hello.Format("hello=%s+%s+%s+%s&proto=%d", user.c_str(), host.c_str(), m_productName.GetString(),
                 m_productVersion.GetString(), m_protocolLevel);
    return hello;
}

CCOMString CCDDB::getProxyHeader(const TITLEFETCH_TSite& site) const {
    const std::string host = Authority(site);
    CCOMString header;
    if (m_proxyUser.IsEmpty()) {
        header.Format("Host: %s", host.c_str());
        return header;
    }
    const std::string credentials = std::string(m_proxyUser.GetString()) + ":" + m_proxyPassword.GetString();
    const std::string encoded = EncodeBase64(credentials, m_base64tab.GetString());
    header.Format("Proxy-Authorization: Basic %s\r\nHost: %s", encoded.c_str(), host.c_str());
    return header;
}

std::string CCDDB::formatRequest(const TITLEFETCH_TSite& site, const std::string& command) const {
    const std::string hello(getHelloCommand().GetString());
    const std::string path(FieldText(site.cgiPath));
    if (m_proxyHost.IsEmpty()) {
        // Servers on shared hosts need the "Host:" line to find the script.
        return "GET " + path + "?" + command + "&" + hello + " HTTP/1.0\r\nHost: " + Authority(site) + "\r\n\r\n";
    }
    return "GET http://" + Authority(site) + path + "?" + command + "&" + hello + " HTTP/1.0\r\n" +
           getProxyHeader(site).GetString() + "\r\n\r\n";
}

std::string CCDDB::decodeAnswer(std::string_view raw) const {
    if (m_protocolLevel <= 5) return Latin1ToUtf8(raw);
    // Level 6 answers are UTF-8; a server that sends something else is
    // read as the single-byte text older servers wrote.
    return IsValidUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw);
}

std::string CCDDB::encodeForServer(std::string_view utf8) const {
    return m_protocolLevel <= 5 ? Utf8ToLatin1(utf8) : std::string(utf8);
}

void CCDDB::keepResponse(std::string_view text) { m_lastCommandResp = std::string(text).c_str(); }

bool CCDDB::failBadAnswer() {
    m_lastError = 0;
    SetLastError(CDDB_ERR_BAD_ANSWER);
    return false;
}

int CCDDB::exchangeOnce(const TITLEFETCH_TSite& site, const std::string& request, int mode, std::string& body,
                        std::string& answer) {
    body.clear();
    answer.clear();
    CHTTPSocket socket(m_timeout);
    m_lastError = 0;
    m_httpStatus = 0;
    if (!socket.create()) return CDDB_NO_SOCKET;
    const bool viaProxy = !m_proxyHost.IsEmpty();
    const std::string host(viaProxy ? std::string_view(m_proxyHost.GetString()) : FieldText(site.host));
    if (!socket.connect(host.c_str(), viaProxy ? m_proxyPort : site.port)) return CDDB_NO_CONNECTION;
    if (!socket.send(request.data(), request.size())) return CDDB_NOT_SENT_OR_READ;
    SetLastError(0);
    if (!readResponse(socket, kTerminator, answer, kReadStep, mode)) {
        // What arrived, for its status line and header.
        answer = m_lastCommandResp.GetString();
        m_httpStatus = HttpStatusOf(answer);
        const bool timedOut = ::GetLastError() == CDDB_ERR_TIMED_OUT;
        m_lastError = 0;
        // A server that never answered in time is told apart from one whose
        // answer could not be read.
        SetLastError(timedOut ? CDDB_ERR_TIMED_OUT : CDDB_ERR_BAD_ANSWER);
        if (m_httpStatus >= 500 && m_httpStatus <= 599) SetLastError(CDDB_ERR_SERVER_REFUSED);
        return CDDB_NOT_SENT_OR_READ;
    }
    m_httpStatus = HttpStatusOf(answer);
    const std::optional<std::string_view> raw = getBody(answer);
    if (!raw) {
        // Without the header's end there is no telling where the body starts.
        keepResponse(decodeAnswer(answer));
        failBadAnswer();
        return CDDB_BAD_ANSWER;
    }
    body = decodeAnswer(*raw);
    return CDDB_OK;
}

int CCDDB::exchange(const TITLEFETCH_TSite& site, const RequestMaker& request, int mode, std::string& body) {
    TITLEFETCH_TSite target = site;
    for (int redirects = 0;; ++redirects) {
        std::string answer;
        const int code = exchangeOnce(target, request(target), mode, body, answer);
        if (!IsRedirect(m_httpStatus)) return code;
        body.clear();
        const std::string location = HeaderField(answer, "Location");
        LogFmt("CCDDB::exchange - The server sent the request on to %s", location.c_str());
        if (redirects >= kMaxRedirects || !FollowLocation(location, target)) {
            keepResponse(decodeAnswer(answer));
            m_lastError = 0;
            SetLastError(CDDB_ERR_REDIRECTED);
            return CDDB_BAD_ANSWER;
        }
    }
}

void CCDDB::noteRefusal(std::string_view body) {
    const auto serverError = [](int code) { return code >= 500 && code <= 599; };
    const int code = getCDDBResponseCode(body);
    if (code == 530) {
        m_lastError = 0;
        SetLastError(CDDB_ERR_SERVER_ERROR);
    } else if (serverError(m_httpStatus) || serverError(code)) {
        m_lastError = 0;
        SetLastError(CDDB_ERR_SERVER_REFUSED);
    }
}

bool CCDDB::hasConnection() { return hasConnection(MakeDefaultSite()); }

bool CCDDB::hasConnection(const TITLEFETCH_TSite& site) {
    CHTTPSocket socket(m_timeout);
    return socket.create() && socket.connect(std::string(FieldText(site.host)).c_str(), site.port);
}

bool CCDDB::getSites(MvList<TITLEFETCH_TSite*>& list, const TITLEFETCH_TSite& site) {
    std::string body;
    if (exchange(site, commandRequest("cmd=sites"), kReadMultiLine, body) != CDDB_OK) return false;
    return parseSitesBody(body, list);
}

bool CCDDB::getSites(MvList<TITLEFETCH_TSite*>& list, const char* host, const char* cgiPath, int port) {
    return getSites(list, MakeSite(host, cgiPath, port));
}

bool CCDDB::getGenres(const TITLEFETCH_TSite& site, MvList<TITLEFETCH_TGenre*>& list) {
    std::string body;
    if (exchange(site, commandRequest("cmd=cddb+lscat"), kReadMultiLine, body) != CDDB_OK) return false;
    return parseGenresBody(body, list);
}

bool CCDDB::getStatus(const TITLEFETCH_TSite& site, TCDDBStatus& status) {
    std::string body;
    if (exchange(site, commandRequest("cmd=stat"), kReadMultiLine, body) != CDDB_OK) return false;
    return parseStatusBody(body, status);
}

bool CCDDB::messageOfTheDay(const TITLEFETCH_TSite& site, CCOMString& message) {
    std::string body;
    if (exchange(site, commandRequest("cmd=motd"), kReadMultiLine, body) != CDDB_OK) return false;
    return parseMessageBody(body, message);
}

bool CCDDB::messageOfTheDay(CCOMString& message, const char* host, const char* cgiPath, int port) {
    return messageOfTheDay(MakeSite(host, cgiPath, port), message);
}

int CCDDB::query(const TITLEFETCH_TSite& site, std::uint32_t discId, const MvList<PLATTER_TTrackPos*>& tracks,
                 std::int32_t discLengthSeconds, MvList<TITLEFETCH_TQResult*>& results) {
    char number[16];
    std::snprintf(number, sizeof number, "%08" PRIx32, discId);
    std::string command = std::string("cmd=cddb+query+") + number + "+" + std::to_string(tracks.count) + "+";
    bool first = true;
    for (const PLATTER_TTrackPos* track : tracks) {
        if (!first) command += '+';
        command += std::to_string(track != nullptr ? track->frameOffset : 0);
        first = false;
    }
    command += '+';
    command += std::to_string(discLengthSeconds);

    std::string body;
    const int code = exchange(site, commandRequest(command), kReadQuery, body);
    if (code != CDDB_OK) return code;
    if (parseQueryBody(body, results)) return CDDB_OK;
    noteRefusal(body);
    return CDDB_BAD_ANSWER;
}

int CCDDB::read(const TITLEFETCH_TSite& site, std::uint32_t discId, const char* genre, TITLEFETCH_TRResult& record) {
    ClearRecord(record);
    char number[16];
    std::snprintf(number, sizeof number, "%08" PRIx32, discId);
    // Genres are single words; encoding keeps any other text from breaking
    // the request line.
    const std::string command =
        "cmd=cddb+read+" + PercentEncode(genre != nullptr ? genre : "") + "+" + number;

    std::string body;
    const int code = exchange(site, commandRequest(command), kReadMultiLine, body);
    if (code != CDDB_OK) return code;
    // The record's frame offsets are not needed: the caller has the disc.
    MvList<PLATTER_TTrackPos*> tracks;
    const bool parsed = parseRecordBody(body, tracks, record);
    for (PLATTER_TTrackPos* track : tracks) delete track;
    if (!parsed) {
        noteRefusal(body);
        return CDDB_BAD_ANSWER;
    }
    // A server may answer with a record filed under another ID of the same
    // disc; the caller asked for this one.
    record.discId = discId;
    return CDDB_OK;
}

bool CCDDB::submit(const TITLEFETCH_TSite& site, const char* genre, const char* email,
                   const MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record, const char* note,
                   bool submitMode) {
    const std::string body = encodeForServer(formSubmitBody(record, tracks));
    const auto request = [&](const TITLEFETCH_TSite& target) {
        const std::string path(FieldText(target.cgiPath));
        std::string text = m_proxyHost.IsEmpty()
                               ? "POST " + path + " HTTP/1.0\r\nHost: " + Authority(target) + "\r\n"
                               : "POST http://" + Authority(target) + path + " HTTP/1.0\r\n" +
                                     getProxyHeader(target).GetString() + "\r\n";
        char discid[32];
        std::snprintf(discid, sizeof discid, "Discid: %08" PRIx32 "\r\n", record.discId);
        // Submission servers take the genre as the record's category and
        // refuse a request without that header.
        text += "Category: " + encodeForServer(HeaderValue(genre)) + "\r\n";
        text += discid;
        text += "User-Email: " + encodeForServer(HeaderValue(email)) + "\r\n";
        text += submitMode ? "Submit-Mode: submit\r\n" : "Submit-Mode: test\r\n";
        text += "X-Cddbd-Note: " + encodeForServer(HeaderValue(note)) + "\r\n";
        text += m_protocolLevel <= 5 ? "Charset: ISO-8859-1\r\n" : "Charset: UTF-8\r\n";
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        text += body;
        return text;
    };

    std::string answer;
    if (exchange(site, request, kReadSubmit, answer) != CDDB_OK) return false;
    return parseSubmitBody(answer);
}

std::uint32_t CCDDB::getLastError() const { return m_lastError != 0 ? m_lastError : ::GetLastError(); }
