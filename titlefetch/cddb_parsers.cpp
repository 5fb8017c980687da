// The parsers of the CDDB answers: sites, genres, status, query matches and
// the message of the day. Each works on a body that is already UTF-8 and
// keeps the body as the last command response until it has parsed.

#include <string>

#include "filekit/log.h"
#include "platform/ascii_case.h"
#include "platform/last_error.h"
#include "titlefetch/cddb.h"
#include "titlefetch/cddb_text.h"

namespace {

// Multi-line answers carry codes 210 to 219 (the CDDB protocol's "OK,
// more data follows" range).
bool IsListCode(int code) { return code >= 210 && code <= 219; }

// Calls handle(line) for each line after the first, until it returns false.
template <class Handler>
void ForEachLineAfterFirst(std::string_view body, Handler handle) {
    std::optional<std::string_view> rest = CCDDB::skipToNextLine(body);
    while (rest) {
        std::string_view line = *rest;
        rest = CCDDB::getNextLine(line);
        if (!handle(line)) return;
    }
}

// "N" or "S" (or "E" or "W"), three digits of degrees, one separator and two
// digits of minutes: the value in minutes and the hemisphere flag.
bool ParseCoordinate(std::string_view text, char positive, char negative, std::int32_t& minutes,
                     std::uint8_t& flag) {
    const auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
    if (text.size() != 7 || (text[0] != positive && text[0] != negative)) return false;
    if (!isDigit(text[1]) || !isDigit(text[2]) || !isDigit(text[3]) || !isDigit(text[5]) || !isDigit(text[6]))
        return false;
    const int degrees = (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
    minutes = degrees * 60 + (text[5] - '0') * 10 + (text[6] - '0');
    flag = text[0] == positive ? 1 : 0;
    return true;
}

// The status answer's "name: value" lines: numbers, and flags that are
// "yes" or "no".
struct TStatusNumber {
    std::string_view name;
    std::int32_t TCDDBStatus::*field;
};
constexpr TStatusNumber kStatusNumbers[] = {
    {"current proto", &TCDDBStatus::currentProtocolLevel}, {"max proto", &TCDDBStatus::maxProtocolLevel},
    {"current users", &TCDDBStatus::currentUsers},         {"max users", &TCDDBStatus::maxUsers},
    {"Database entries", &TCDDBStatus::databaseEntries},
};
struct TStatusFlag {
    std::string_view name;
    std::uint8_t TCDDBStatus::*field;
};
constexpr TStatusFlag kStatusFlags[] = {
    {"gets", &TCDDBStatus::gets},     {"updates", &TCDDBStatus::updates},     {"posting", &TCDDBStatus::posting},
    {"quotes", &TCDDBStatus::quotes}, {"strip ext", &TCDDBStatus::stripExt},
};

// Takes one "name: value" line into status; other names are passed over.
// False for a flag that is neither "yes" nor "no".
bool TakeStatusValue(std::string_view name, std::string_view value, TCDDBStatus& status) {
    for (const TStatusNumber& number : kStatusNumbers) {
        if (name == number.name) {
            status.*number.field = LeadingDecimal(value);
            return true;
        }
    }
    for (const TStatusFlag& flag : kStatusFlags) {
        if (name != flag.name) continue;
        if (value != "yes" && value != "no") return false;
        status.*flag.field = value == "yes" ? 1 : 0;
        return true;
    }
    return true;
}

bool IsAllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return false;
    }
    return true;
}

bool ParseHexId(std::string_view text, std::uint32_t& id) {
    if (text.empty() || text.size() > 8) return false;
    std::uint32_t value = 0;
    for (const char ch : text) {
        const int digit = HexDigitValue(ch);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    id = value;
    return true;
}

}  // namespace

bool CCDDB::parseSite(std::string_view line, TITLEFETCH_TSite& site) {
    std::string_view host, protocol, port, path, latitude, longitude;
    if (!TakeWord(line, host) || !TakeWord(line, protocol) || !TakeWord(line, port) || !TakeWord(line, path) ||
        !TakeWord(line, latitude) || !TakeWord(line, longitude))
        return false;
    const std::string_view description = TrimBlanks(line.substr(0, line.find('\n')));
    if (description.empty() || !IsAllDigits(port)) return false;
    if (!ParseCoordinate(latitude, 'N', 'S', site.latitude, site.north) ||
        !ParseCoordinate(longitude, 'E', 'W', site.longitude, site.east))
        return false;
    CopyField(host, site.host);
    CopyField(path, site.cgiPath);
    CopyField(description, site.description);
    site.port = AsciiEqualNoCase(protocol, "http") ? LeadingDecimal(port) : -1;
    return true;
}

bool CCDDB::acceptListAnswer(std::string_view body) {
    keepResponse(body);
    return IsListCode(getCDDBResponseCode(body)) || failBadAnswer();
}

bool CCDDB::parseSitesBody(std::string_view body, MvList<TITLEFETCH_TSite*>& list) {
    if (!acceptListAnswer(body)) return false;
    DeleteRecordsAndEmpty(list);
    ForEachLineAfterFirst(body, [&](std::string_view line) {
        auto* site = new TITLEFETCH_TSite;
        if (!parseSite(line, *site)) {
            // The list ends at the first line that is not a site.
            delete site;
            return false;
        }
        if (site->port == -1 || !list.Append(site)) delete site;
        return list.count < kMaxListEntries;
    });
    m_lastCommandResp.Empty();
    return true;
}

bool CCDDB::parseGenresBody(std::string_view body, MvList<TITLEFETCH_TGenre*>& list) {
    if (!acceptListAnswer(body)) return false;
    DeleteRecordsAndEmpty(list);
    ForEachLineAfterFirst(body, [&](std::string_view line) {
        if (line.empty()) return true;
        auto* genre = new TITLEFETCH_TGenre;
        CopyField(line, genre->name);
        if (!list.Append(genre)) delete genre;
        return list.count < kMaxListEntries;
    });
    m_lastCommandResp.Empty();
    return true;
}

bool CCDDB::splitSemiColonLine(std::string_view line, std::string_view& name, std::string_view& value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 >= line.size()) return false;
    name = TrimBlanks(line.substr(0, colon));
    value = TrimBlanks(line.substr(colon + 1));
    return true;
}

bool CCDDB::parseStatusBody(std::string_view body, TCDDBStatus& status) {
    keepResponse(body);
    if (!IsListCode(getCDDBResponseCode(body))) return false;
    status.genreNames.Empty();
    status.genreCounts.Empty();
    status.pendingNames.Empty();
    status.pendingCounts.Empty();

    // The block a "name: count" line that begins with a blank belongs to.
    MvList<CCOMString*>* blockNames = nullptr;
    MvList<std::int32_t>* blockCounts = nullptr;
    bool ok = true;
    std::optional<std::string_view> rest = skipToNextLine(body);
    // The line after the code line is the status heading.
    if (rest) rest = skipToNextLine(*rest);
    while (rest) {
        std::string_view line = *rest;
        rest = getNextLine(line);
        if (blockNames != nullptr && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos || blockNames->count >= kMaxListEntries) continue;
            blockNames->Append(new CCOMString(std::string(TrimBlanks(line.substr(0, colon))).c_str()));
            blockCounts->Append(LeadingDecimal(line.substr(colon + 1)));
            continue;
        }
        blockNames = nullptr;
        blockCounts = nullptr;
        const std::string_view heading = TrimBlanks(line);
        if (heading == "Database entries by genre:") {
            blockNames = &status.genreNames;
            blockCounts = &status.genreCounts;
            continue;
        }
        if (heading == "Pending File transmissions:") {
            blockNames = &status.pendingNames;
            blockCounts = &status.pendingCounts;
            continue;
        }
        std::string_view name, value;
        if (!splitSemiColonLine(line, name, value)) break;
        if (!TakeStatusValue(name, value, status)) {
            ok = failBadAnswer();
            break;
        }
    }
    if (ok) m_lastCommandResp.Empty();
    return ok;
}

bool CCDDB::parseQueryResult(std::string_view line, TITLEFETCH_TQResult& result) {
    std::string_view genre, id;
    if (!TakeWord(line, genre) || !TakeWord(line, id) || !ParseHexId(id, result.discId)) return false;
    std::string_view title = line.substr(0, line.find('\t'));
    if (!title.empty() && (title.back() == '\r' || title.back() == '\n')) title.remove_suffix(1);
    if (TrimBlanks(title).empty()) return false;
    CopyField(genre, result.genre);
    // "Artist / Title"; an artist's own name may hold a bare "/".
    std::size_t split = title.find(" / ");
    std::size_t width = 3;
    if (split == std::string_view::npos) {
        split = title.find('/');
        width = 1;
    }
    if (split == std::string_view::npos) {
        CopyField("", result.artist);
        CopyField(title, result.title);
    } else {
        CopyField(TrimBlanks(title.substr(0, split)), result.artist);
        CopyField(TrimBlanks(title.substr(split + width)), result.title);
    }
    return true;
}

bool CCDDB::parseQueryBody(std::string_view body, MvList<TITLEFETCH_TQResult*>& results) {
    keepResponse(body);
    const int code = getCDDBResponseCode(body);
    LogFmt("CCDDB::parseQueryBody - Response code returned %d", code);
    results.Empty();
    bool ok = false;
    if (code == 200) {
        // Exact match: "200 genre discid title" on the code line itself.
        auto* result = new TITLEFETCH_TQResult;
        std::string_view line = body.size() > 5 ? body.substr(4) : std::string_view();
        getNextLine(line);
        ok = body.size() > 5 && parseQueryResult(line, *result) && results.Append(result);
        if (!ok) delete result;
    } else if (code == 202) {
        // No match.
        ok = true;
    } else if (IsListCode(code)) {
        ForEachLineAfterFirst(body, [&](std::string_view line) {
            auto* result = new TITLEFETCH_TQResult;
            if (!parseQueryResult(line, *result) || !results.Append(result)) delete result;
            return results.count < kMaxListEntries;
        });
        ok = results.count > 0;
    } else {
        Log(std::string(body).c_str());
    }
    if (!ok) return failBadAnswer();
    m_lastCommandResp.Empty();
    return true;
}

bool CCDDB::parseMessageBody(std::string_view body, CCOMString& message) {
    keepResponse(body);
    const std::optional<std::string_view> text = skipToNextLine(body);
    if (!IsListCode(getCDDBResponseCode(body)) || !text) return false;
    message = std::string(*text).c_str();
    m_lastCommandResp.Empty();
    return true;
}

bool CCDDB::parseSubmitBody(std::string_view body) {
    keepResponse(body);
    // 200 to 209: the protocol's "command OK" range.
    const int code = getCDDBResponseCode(body);
    if (code < 200 || code > 209) return false;
    m_lastCommandResp.Empty();
    return true;
}
