// The xmcd writer: the text of a record as a submission sends it.

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "titlefetch/cddb.h"
#include "titlefetch/cddb_text.h"
#include "utilities/unicode.h"

namespace {

std::string ListText(const CCOMString* text) { return text != nullptr ? std::string(text->GetString()) : std::string(); }

// The length of the next unit of escaped text at pos: an escape pair, one
// UTF-8 character, or a single byte that does not decode.
std::size_t UnitLength(std::string_view text, std::size_t pos) {
    if (text[pos] == '\\') return pos + 1 < text.size() ? 2 : 1;
    std::size_t next = pos;
    DecodeUtf8(text, next);
    return next - pos;
}

}  // namespace

std::string CCDDB::prepareTextForSubmit(std::string_view text) { return EscapeXmcdValue(text); }

std::string CCDDB::formSubmitLine(std::string_view keyword, std::string_view value) {
    const std::string escaped = prepareTextForSubmit(value);
    const std::string head = std::string(keyword) + "=";
    if (escaped.empty()) return head + "\r\n";
    // Room for the value on one line; a keyword too long to leave room still
    // gets one unit a line, so the loop always moves on.
    const std::size_t room = kMaxSubmitLine > head.size() ? kMaxSubmitLine - head.size() : 1;
    std::string lines;
    std::string_view rest = escaped;
    while (!rest.empty()) {
        std::size_t piece = 0;
        while (piece < rest.size()) {
            const std::size_t unit = UnitLength(rest, piece);
            if (piece + unit > room && piece > 0) break;
            piece += unit;
        }
        lines += head;
        lines += rest.substr(0, piece);
        lines += "\r\n";
        rest.remove_prefix(piece);
    }
    return lines;
}

std::string CCDDB::formSubmitBody(const TITLEFETCH_TRResult& record, const MvList<PLATTER_TTrackPos*>& tracks) const {
    std::string body = "# xmcd\r\n#\r\n# Track frame offsets:\r\n";
    char line[64];
    for (const PLATTER_TTrackPos* track : tracks) {
        std::snprintf(line, sizeof line, "# %" PRId32 "\r\n", track != nullptr ? track->frameOffset : 0);
        body += line;
    }
    std::snprintf(line, sizeof line, "#\r\n# Disc length: %" PRIu32 " seconds\r\n", record.discLength);
    body += line;
    std::snprintf(line, sizeof line, "#\r\n# Revision: %" PRId32 "\r\n", record.revision);
    body += line;

    // A record made by hand names no client: this one sent it.
    std::string name(FieldText(record.clientName));
    std::string version(FieldText(record.clientVersion));
    const std::string_view comment = FieldText(record.clientComment);
    if (name.empty()) {
        name = m_productName.GetString();
        version = m_productVersion.GetString();
    }
    body += "# Submitted via: " + prepareTextForSubmit(name) + " " + prepareTextForSubmit(version) + " " +
            prepareTextForSubmit(comment) + "\r\n#\r\n";

    std::snprintf(line, sizeof line, "DISCID=%08" PRIx32 "\r\n", record.discId);
    body += line;
    const std::string_view artist = FieldText(record.artist);
    const std::string_view title = FieldText(record.title);
    body += formSubmitLine("DTITLE", artist.empty() ? std::string(title) : std::string(artist) + " / " + std::string(title));
    // Year and genre lines came with protocol level 5.
    if (m_protocolLevel > 4) {
        if (record.year != 0) {
            std::snprintf(line, sizeof line, "DYEAR=%04" PRId32 "\r\n", record.year);
            body += line;
        } else {
            body += "DYEAR=\r\n";
        }
        body += formSubmitLine("DGENRE", FieldText(record.genre));
    }
    for (std::int32_t i = 0; i < record.trackTitles.count; ++i) {
        body += formSubmitLine("TTITLE" + std::to_string(i), ListText(record.trackTitles.items[i]));
    }
    body += formSubmitLine("EXTD", FieldText(record.extendedData));
    for (std::int32_t i = 0; i < record.extendedTrackData.count; ++i) {
        body += formSubmitLine("EXTT" + std::to_string(i), ListText(record.extendedTrackData.items[i]));
    }
    // Servers that check strictly refuse a body whose last line has no end.
    body += "PLAYORDER=\r\n";
    return body;
}
