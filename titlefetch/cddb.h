#pragma once
// CCDDB: the CDDB client. It speaks the CDDB protocol over HTTP/1.0 to a
// server's CGI script, one connection per command, and turns the answers
// into records; it also computes a disc's CDDB disc ID and length from its
// track positions. Nothing here starts a thread: every command blocks its
// caller until the answer is read or the time-out passes.
//
// Failures are reported through the result (false, or a CDDBResult code),
// the thread's last-error value (errors.h) and the last-error member, which
// holds a device error code or 0 when the thread's value applies. Answers are
// read as Latin-1 at protocol level 5 and below and as UTF-8 above; every
// text this class hands out is UTF-8.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "titlefetch/cddb_records.h"
#include "titlefetch/disc_record.h"
#include "titlefetch/errors.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "titlefetch/track_pos.h"
#include "utilities/com_string.h"

class CHTTPSocket;

class CCDDB {
public:
    // The end of a multi-line CDDB answer: a line holding a single period.
    // Servers end their lines with CR LF or with a bare LF; the reader takes
    // either (FindAnswerEnd).
    static constexpr const char* kTerminator = "\r\n.\r\n";
    // The answer buffer starts at this size and grows by it.
    static constexpr int kReadStep = 4096;
    // Larger answers are refused: no CDDB answer comes near this.
    static constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
    // However the data trickles in, a read ends after this many time-outs.
    static constexpr int kMaxTimeoutsPerRead = 15;
    // Redirects followed for one command.
    static constexpr int kMaxRedirects = 3;
    // Most entries a list answer fills in (sites, genres, query matches, a
    // status block, a record's play order); further ones are passed over. Real answers list a few
    // dozen, and every entry is a record of its own in a list that grows by
    // ten slots at a time, so an answer of a million short lines would take
    // minutes and hundreds of megabytes.
    static constexpr std::int32_t kMaxListEntries = 1000;

    // How the response reader decides that an answer is complete.
    enum ReadMode : int {
        // Multi-line answers: until the terminator.
        kReadMultiLine = 0,
        // A code outside 210-219 ends the answer after its first line.
        kReadQuery = 1,
        kReadSubmit = 2,
    };

    CCDDB();
    CCDDB(const CCDDB&) = default;
    CCDDB& operator=(const CCDDB&) = default;
    ~CCDDB() = default;

    // Settings. The string getters return copies.
    std::uint32_t timeout() const { return m_timeout; }
    void setTimeout(std::uint32_t ms) { m_timeout = ms; }
    CCOMString productName() const { return m_productName; }
    void setProductName(const char* name) { m_productName = name; }
    CCOMString productVersion() const { return m_productVersion; }
    void setProductVersion(const char* version) { m_productVersion = version; }
    std::int32_t protocolVersion() const { return m_protocolLevel; }
    void setCDDBProtocolVersion(std::int32_t level) { m_protocolLevel = level; }
    CCOMString proxyHost() const { return m_proxyHost; }
    void setProxyHost(const char* host) { m_proxyHost = host; }
    std::int32_t proxyPort() const { return m_proxyPort; }
    void setProxyPort(std::int32_t port) { m_proxyPort = port; }
    CCOMString proxyUser() const { return m_proxyUser; }
    void setProxyUser(const char* user) { m_proxyUser = user; }
    CCOMString proxyPassword() const { return m_proxyPassword; }
    void setProxyPassword(const char* password) { m_proxyPassword = password; }
    void setProxyDetails(const char* host, std::int32_t port, const char* user, const char* password);
    CCOMString base64tab() const { return m_base64tab; }
    CCOMString lastCommandResp() const { return m_lastCommandResp; }
    std::uint32_t lastError() const { return m_lastError; }
    // The user's e-mail address for the hello text; empty (the default)
    // sends the logon and host names instead.
    CCOMString email() const { return m_email; }
    void setEmail(const char* address) { m_email = address; }

    // Commands. Each opens its own connection to the site (or the proxy)
    // and closes it when done.
    // Whether a TCP connection to the default server's port 80 can be made
    // (without a proxy; nothing is sent).
    bool hasConnection();
    // The same for the site's host and port.
    bool hasConnection(const TITLEFETCH_TSite& site);
    // The server's site list. The list's records are freed first; sites of
    // another protocol than "http" are left out.
    bool getSites(MvList<TITLEFETCH_TSite*>& list, const TITLEFETCH_TSite& site);
    bool getSites(MvList<TITLEFETCH_TSite*>& list, const char* host, const char* cgiPath, int port);
    // The server's genres. The list's records are freed first.
    bool getGenres(const TITLEFETCH_TSite& site, MvList<TITLEFETCH_TGenre*>& list);
    // The server's status. The lists' arrays are released first, never the
    // strings they held.
    bool getStatus(const TITLEFETCH_TSite& site, TCDDBStatus& status);
    bool messageOfTheDay(const TITLEFETCH_TSite& site, CCOMString& message);
    bool messageOfTheDay(CCOMString& message, const char* host, const char* cgiPath, int port);
    // The matches for a disc. results' array is released first (its records
    // stay the caller's). A CDDBResult code.
    int query(const TITLEFETCH_TSite& site, std::uint32_t discId, const MvList<PLATTER_TTrackPos*>& tracks,
              std::int32_t discLengthSeconds, MvList<TITLEFETCH_TQResult*>& results);
    // The disc's record in genre. The record is emptied first (its strings
    // deleted), so nothing of an earlier disc or attempt stays in it; on
    // success it carries the disc ID asked for. A CDDBResult code: an answer
    // other than a record gives CDDB_BAD_ANSWER with the thread's last error
    // 10043 and the answer kept as the last command response.
    int read(const TITLEFETCH_TSite& site, std::uint32_t discId, const char* genre, TITLEFETCH_TRResult& record);
    // Sends the record as xmcd text (written at this client's protocol
    // level) to the site's script. submitMode false asks the server for a
    // test of the record only. True when the server answers 200 to 209.
    bool submit(const TITLEFETCH_TSite& site, const char* genre, const char* email,
                const MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record, const char* note,
                bool submitMode);

    // The CDDB disc ID of a list with one entry per track (no end entry); 0
    // for an empty list.
    std::uint32_t computeDiscID(const MvList<PLATTER_TTrackPos*>& tracks) const;
    // The sum of the entries' lengths in whole seconds; 0 for an empty list.
    std::uint32_t computeDiscLength(const MvList<PLATTER_TTrackPos*>& tracks) const;

    // The last-error member when it is not 0, else the thread's value.
    std::uint32_t getLastError() const;
    // The text of an error. A code other than -1 becomes the last-error
    // member first. With a member set, the device error's text; otherwise
    // the text of the thread's last error, or "" when there is none.
    CCOMString getErrorMessage(std::int64_t code = -1);
    // "hello=<user>+<host>+<product>+<version>&proto=<level>".
    CCOMString getHelloCommand() const;
    // "Host: <host>", after the proxy credentials when a proxy user is set.
    CCOMString getProxyHeader(const TITLEFETCH_TSite& site) const;

    // Reads an answer from socket into answer until it is complete (mode)
    // or the terminator arrives; a terminator is cut off where it was found.
    // A chunked body is decoded as it arrives. On failure the part that
    // arrived becomes the last command response; a time-out sets the
    // thread's last error to 10060, an answer cut short, too large, not
    // HTTP or in broken chunks 10043.
    bool readResponse(CHTTPSocket& socket, const char* terminator, std::string& answer, int step, int mode);

    // Pieces of an answer. The body is the text after the HTTP header's end
    // ("\r\n\r\n", or "\n\n"); none when the header does not end.
    static std::optional<std::string_view> getBody(std::string_view answer);
    // The number in the body's first three characters; -1 when there is
    // none.
    static int getCDDBResponseCode(std::string_view body);
    // The text after the first line end ("\r\n", else "\n"); none without.
    static std::optional<std::string_view> skipToNextLine(std::string_view text);
    // The same, and text is cut to its first line (without its line end).
    static std::optional<std::string_view> getNextLine(std::string_view& text);
    // Whether answer holds a whole one-line answer: the header has ended,
    // the body's first line is complete and its code is outside 210-219.
    static bool isCompleteOneLineAnswer(std::string_view answer);

    // Answer parsers over a body that is already UTF-8.
    bool parseSitesBody(std::string_view body, MvList<TITLEFETCH_TSite*>& list);
    static bool parseSite(std::string_view line, TITLEFETCH_TSite& site);
    bool parseGenresBody(std::string_view body, MvList<TITLEFETCH_TGenre*>& list);
    bool parseStatusBody(std::string_view body, TCDDBStatus& status);
    // Splits "name: value" at the first ':', which must be neither the first
    // nor the last character; both parts trimmed.
    static bool splitSemiColonLine(std::string_view line, std::string_view& name, std::string_view& value);
    bool parseQueryBody(std::string_view body, MvList<TITLEFETCH_TQResult*>& results);
    static bool parseQueryResult(std::string_view line, TITLEFETCH_TQResult& result);
    bool parseMessageBody(std::string_view body, CCOMString& message);
    // The xmcd record of a read answer. The frame offsets of its comment
    // block (at most a disc's 99) are appended to tracks (as records the
    // caller frees); the
    // record's fields are set from the text and its three lists replaced
    // (their strings deleted). False (10043, a log line, the body kept as the
    // last command response) when the body is no record or lacks one of the
    // lines every record has.
    bool parseRecordBody(std::string_view body, MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record);
    // Whether the server took a submission (a code from 200 to 209).
    bool parseSubmitBody(std::string_view body);

    // The xmcd writer, in UTF-8. The body of a submission: the record with
    // the frame offsets of tracks (one entry per track), ended by the line
    // "PLAYORDER=". The year and genre lines are written
    // only above protocol level 4.
    std::string formSubmitBody(const TITLEFETCH_TRResult& record, const MvList<PLATTER_TTrackPos*>& tracks) const;
    // "keyword=value" lines of at most kMaxSubmitLine characters before
    // their CR LF: a longer value is continued on further lines of the same
    // keyword, never cut inside an escape pair or a UTF-8 character.
    static std::string formSubmitLine(std::string_view keyword, std::string_view value);
    // The value with the xmcd escapes applied.
    static std::string prepareTextForSubmit(std::string_view text);
    // Longest line the writer makes, without its CR LF: servers take 256
    // bytes with the line end, and one more keeps clear of readers that
    // count the terminating zero too.
    static constexpr std::size_t kMaxSubmitLine = 253;

private:
    // What the xmcd reader gathers from the lines before the record is
    // filled.
    struct XmcdDraft;
    // One "#" line's text (after the "#", trimmed). False when the record
    // must be refused.
    bool parseCommentLine(std::string_view text, XmcdDraft& draft, MvList<PLATTER_TTrackPos*>& tracks,
                          TITLEFETCH_TRResult& record);
    // One "keyword=value" line.
    void parseKeywordLine(std::string_view line, XmcdDraft& draft, TITLEFETCH_TRResult& record);
    // Fails the xmcd reader with logText.
    bool failRecord(const char* logText);
    // Text as the server takes it at this client's protocol level.
    std::string encodeForServer(std::string_view utf8) const;

    // The request for a site (a redirect asks the same of another site).
    using RequestMaker = std::function<std::string(const TITLEFETCH_TSite& site)>;
    // Connects (directly or through the proxy), sends the request, reads the
    // answer in mode and hands back its body as UTF-8. A CDDBResult code.
    // A redirect (301, 302, 303, 307, 308) to another http:// address or a
    // path of the same server is followed up to kMaxRedirects times; one
    // elsewhere, or one too many, fails with CDDB_ERR_REDIRECTED. An answer
    // that arrived but could not be read whole (cut short, too large, not
    // HTTP) leaves CDDB_ERR_BAD_ANSWER, one that never came in time
    // CDDB_ERR_TIMED_OUT; an HTTP 5xx status CDDB_ERR_SERVER_REFUSED.
    int exchange(const TITLEFETCH_TSite& site, const RequestMaker& request, int mode, std::string& body);
    // The request of a CDDB command ("cmd=...") for whichever site.
    RequestMaker commandRequest(std::string command) const {
        return [this, command = std::move(command)](const TITLEFETCH_TSite& site) {
            return formatRequest(site, command);
        };
    }
    // One connection of exchange; answer holds what arrived, whole or not.
    int exchangeOnce(const TITLEFETCH_TSite& site, const std::string& request, int mode, std::string& body,
                     std::string& answer);
    // "GET ..." for a CDDB command ("cmd=..." without the hello text).
    std::string formatRequest(const TITLEFETCH_TSite& site, const std::string& command) const;
    // Server answers as UTF-8 by the protocol level's character set.
    std::string decodeAnswer(std::string_view raw) const;
    // Keeps text as the last command response.
    void keepResponse(std::string_view text);
    // The failure of a parser that found a wrong code or bad lines.
    bool failBadAnswer();
    // Keeps body as the last command response; false (10043) unless its
    // code opens a list (210-219).
    bool acceptListAnswer(std::string_view body);
    // After a query or read answer that could not be used: when the server
    // said 5xx (in the HTTP status or the body's code), the thread's last
    // error becomes CDDB_ERR_SERVER_REFUSED instead, or, for CDDB's own 530
    // (an error of the server's), CDDB_ERR_SERVER_ERROR.
    void noteRefusal(std::string_view body);

    CCOMString m_lastCommandResp;
    std::uint32_t m_lastError = 0;
    std::uint32_t m_timeout = 2000;
    // The HTTP status of the last answer's header; 0 when it had none.
    int m_httpStatus = 0;
    CCOMString m_productName;
    CCOMString m_productVersion;
    std::int32_t m_protocolLevel = 5;
    CCOMString m_proxyHost;
    std::int32_t m_proxyPort = 80;
    CCOMString m_proxyUser;
    CCOMString m_proxyPassword;
    CCOMString m_base64tab;
    CCOMString m_email;
};
