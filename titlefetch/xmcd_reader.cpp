// The xmcd reader: a disc record from the text of a read answer.
//
// Keyword values may be continued over several lines of the same keyword.
// The pieces are joined as they stand and the escapes are taken out of the
// joined value in one pass, so an escape pair that a writer split across two
// lines still reads as one character.

#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "titlefetch/cddb.h"
#include "titlefetch/cddb_text.h"

namespace {

// Records carry at most 99 tracks (the Red Book's track numbers); higher
// TTITLE and EXTT numbers are passed over rather than padded out to.
constexpr std::size_t kMaxTrackEntries = 100;
// Frame offsets past a disc's 99 tracks are passed over, so a hostile
// answer cannot make the track list grow without bound.
constexpr int kMaxTrackOffsets = 99;

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The number of a "TTITLEn" or "EXTTn" keyword; false when what follows the
// letters is not a number below kMaxTrackEntries.
bool EntryNumber(std::string_view digits, std::size_t& number) {
    if (digits.empty() || digits.size() > 3) return false;
    number = 0;
    for (const char ch : digits) {
        if (ch < '0' || ch > '9') return false;
        number = number * 10 + static_cast<std::size_t>(ch - '0');
    }
    return number < kMaxTrackEntries;
}

// Adds piece to entry number of a list of raw values: a new entry when the
// number is the next one (earlier missing numbers become empty entries), the
// continuation of the entry otherwise.
void AddPiece(std::vector<std::string>& entries, std::size_t number, std::string_view piece) {
    if (number >= entries.size()) entries.resize(number + 1);
    entries[number] += piece;
}

// The leading hexadecimal number of text: at most the eight digits of a
// 32-bit value, 0 when text does not begin with one.
std::uint32_t LeadingHex(std::string_view text) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < text.size() && i < 8; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

void ReplaceTexts(MvList<CCOMString*>& list, const std::vector<std::string>& rawValues) {
    DeleteRecordTexts(list);
    for (const std::string& raw : rawValues) {
        auto* text = new CCOMString(UnescapeXmcdValue(raw).c_str());
        if (!list.Append(text)) delete text;
    }
}

}  // namespace

struct CCDDB::XmcdDraft {
    bool inOffsets = false;
    int offsetCount = 0;
    bool discLengthSeen = false;
    bool discIdSeen = false;
    bool dtitleSeen = false;
    bool genreSeen = false;
    bool extdSeen = false;
    // Raw values (escapes still in), each the join of its lines.
    std::string dtitle;
    std::string genre;
    std::string extd;
    std::string playOrder;
    std::vector<std::string> titles;
    std::vector<std::string> extData;
};

bool CCDDB::failRecord(const char* logText) {
    m_lastError = 0;
    SetLastError(CDDB_ERR_BAD_ANSWER);
    Log(logText);
    return false;
}

bool CCDDB::parseCommentLine(std::string_view text, XmcdDraft& draft, MvList<PLATTER_TTrackPos*>& tracks,
                             TITLEFETCH_TRResult& record) {
    // A text of one character means nothing, except in the offsets block:
    // a track may start at frame 0 to 9.
    if (text.empty() || (text.size() == 1 && !draft.inOffsets)) return true;
    if (StartsWith(text, "xmcd")) return true;
    if (text.find("Track frame offsets:") != std::string_view::npos) {
        draft.inOffsets = true;
        return true;
    }
    if (StartsWith(text, "Disc length:")) {
        draft.inOffsets = false;
        draft.discLengthSeen = true;
        const std::int32_t seconds = text.size() > 13 ? LeadingDecimal(text.substr(13)) : 0;
        record.discLength = seconds > 0 ? static_cast<std::uint32_t>(seconds) : 0;
        return true;
    }
    if (StartsWith(text, "Revision:")) {
        record.revision = LeadingDecimal(text.substr(9));
        return true;
    }
    if (StartsWith(text, "Submitted via:")) {
        std::string_view rest = text.substr(14);
        // Words the line does not have stay empty (and point at text).
        std::string_view name = "", version = "", comment = "";
        // A client that gives its name but no version still sent a usable
        // record: only the name is required.
        if (!TakeWord(rest, name))
            return failRecord("CDDB server failed to return a record with a valid Submitted via: line\n");
        TakeWord(rest, version);
        TakeWord(rest, comment);
        CopyField(name, record.clientName);
        CopyField(version, record.clientVersion);
        CopyField(comment, record.clientComment);
        return true;
    }
    if (draft.inOffsets && draft.offsetCount < kMaxTrackOffsets) {
        ++draft.offsetCount;
        auto* track = new PLATTER_TTrackPos;
        track->frameOffset = LeadingDecimal(text);
        if (!tracks.Append(track)) delete track;
    }
    return true;
}

void CCDDB::parseKeywordLine(std::string_view line, XmcdDraft& draft, TITLEFETCH_TRResult& record) {
    const std::size_t equals = line.find('=');
    const std::string_view keyword = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    std::size_t number = 0;
    if (keyword == "DISCID") {
        // A disc ID is eight hexadecimal digits; a list of IDs follows it
        // after a comma.
        if (value.size() > 7) {
            record.discId = LeadingHex(value);
            draft.discIdSeen = true;
        }
    } else if (keyword == "DTITLE") {
        draft.dtitle += value;
        draft.dtitleSeen = true;
    } else if (keyword == "DYEAR") {
        record.year = LeadingDecimal(UnescapeXmcdValue(value));
    } else if (keyword == "DGENRE") {
        draft.genre += value;
        draft.genreSeen = true;
    } else if (keyword == "EXTD") {
        draft.extd += value;
        draft.extdSeen = true;
    } else if (keyword == "PLAYORDER") {
        draft.playOrder += value;
    } else if (StartsWith(keyword, "TTITLE") && EntryNumber(keyword.substr(6), number)) {
        AddPiece(draft.titles, number, value);
    } else if (StartsWith(keyword, "EXTT") && EntryNumber(keyword.substr(4), number)) {
        AddPiece(draft.extData, number, value);
    }
}

bool CCDDB::parseRecordBody(std::string_view body, MvList<PLATTER_TTrackPos*>& tracks, TITLEFETCH_TRResult& record) {
    keepResponse(body);
    const int code = getCDDBResponseCode(body);
    // Only a 210 answer carries a record; anything else (401 no such entry,
    // 402 server error, 403 database entry is corrupt, 409 no handshake) is
    // a failed read, not an empty record.
    if (code < 210 || code > 219) {
        m_lastError = 0;
        SetLastError(CDDB_ERR_BAD_ANSWER);
        return false;
    }
    std::optional<std::string_view> rest = skipToNextLine(body);
    if (!rest) return failRecord("CDDB server failed to return a valid xmcd record\n");

    XmcdDraft draft;
    while (rest) {
        std::string_view line = *rest;
        rest = getNextLine(line);
        if (!line.empty() && line[0] == '#') {
            if (!parseCommentLine(TrimBlanks(line.substr(1)), draft, tracks, record)) return false;
        } else if (line.find('=') != std::string_view::npos) {
            parseKeywordLine(line, draft, record);
        }
    }

    if (tracks.count == 0) return failRecord("CDDB server failed to return a record with any Track frame offset lines\n");
    if (!draft.discLengthSeen) return failRecord("CDDB server failed to return a record with a Disc length line\n");
    if (!draft.discIdSeen) return failRecord("CDDB server failed to return a record with a DISCID line\n");
    if (!draft.dtitleSeen) return failRecord("CDDB server failed to return a record with a DTITLE line\n");

    // Every track has its extended data, even when the record has none.
    draft.extData.resize(draft.titles.size());
    ReplaceTexts(record.trackTitles, draft.titles);
    ReplaceTexts(record.extendedTrackData, draft.extData);

    // "Artist / Title"; a record without the separator names the disc by
    // one text only, which then stands for both.
    const std::string dtitle = UnescapeXmcdValue(draft.dtitle);
    const std::size_t split = dtitle.find(" / ");
    if (split == std::string::npos) {
        CopyField(dtitle, record.artist);
        CopyField(dtitle, record.title);
    } else {
        CopyField(std::string_view(dtitle).substr(0, split), record.artist);
        CopyField(std::string_view(dtitle).substr(split + 3), record.title);
    }
    if (draft.genreSeen) CopyField(UnescapeXmcdValue(draft.genre), record.genre);
    if (draft.extdSeen) CopyField(UnescapeXmcdValue(draft.extd), record.extendedData);

    // "3,1,2": a trailing comma adds no track.
    record.playOrder.Empty();
    const std::string orderText = UnescapeXmcdValue(draft.playOrder);
    std::string_view order = orderText;
    while (record.playOrder.count < kMaxListEntries) {
        const std::size_t comma = order.find(',');
        const std::string_view piece = order.substr(0, comma);
        if (comma == std::string_view::npos) {
            if (!piece.empty()) record.playOrder.Append(LeadingDecimal(piece));
            break;
        }
        record.playOrder.Append(LeadingDecimal(piece));
        order.remove_prefix(comma + 1);
    }

    m_lastCommandResp.Empty();
    return true;
}
