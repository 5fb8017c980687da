// Writing xmcd records: keyword lines cut to length, the body of a
// submission byte for byte, and records that read back as they were written.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "titlefetch/cddb.h"
#include "titlefetch/tests/cddb_test_support.h"

using cddbtest::FreeAll;
using cddbtest::OwnedRecord;
using cddbtest::SetField;
using cddbtest::ViewOf;

namespace {

std::string Repeat(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

// A record as a person might have typed it.
void FillRecord(TITLEFETCH_TRResult& record) {
    record.discLength = 14;
    record.discId = 0x08000c03;
    record.revision = 2;
    SetField(record.artist, "Test Artist");
    SetField(record.title, "Test Album");
    SetField(record.genre, "Test Genre");
    SetField(record.extendedData, "Notes\nmore");
    record.year = 1999;
    record.trackTitles.Append(new CCOMString("Tone 1"));
    record.trackTitles.Append(new CCOMString("Tab\there"));
    record.extendedTrackData.Append(new CCOMString("C:\\new"));
    record.extendedTrackData.Append(new CCOMString(""));
    SetField(record.clientName, "TestRipper");
    SetField(record.clientVersion, "1.2");
    SetField(record.clientComment, "beta");
}

}  // namespace

TEST(XmcdWriter, KeywordLinesStayShortAndNeverCutAUnit) {
    const std::string x244 = Repeat("x", 244);
    struct Case {
        const char* name;
        std::string value;
        std::string lines;
    };
    const Case cases[] = {
        {"empty", "", "TTITLE0=\r\n"},
        {"escapes", "a\\b\nc\td", "TTITLE0=a\\\\b\\nc\\td\r\n"},
        {"300 characters", Repeat("x", 300), "TTITLE0=" + Repeat("x", 245) + "\r\nTTITLE0=" + Repeat("x", 55) + "\r\n"},
        {"an escape pair at the cut", x244 + "\\", "TTITLE0=" + x244 + "\r\nTTITLE0=\\\\\r\n"},
        {"a newline at the cut", x244 + "\n", "TTITLE0=" + x244 + "\r\nTTITLE0=\\n\r\n"},
        {"a two-byte character at the cut", x244 + "\xC3\xA9", "TTITLE0=" + x244 + "\r\nTTITLE0=\xC3\xA9\r\n"},
        {"a four-byte character at the cut", Repeat("x", 243) + "\xF0\x9F\x8E\xB5",
         "TTITLE0=" + Repeat("x", 243) + "\r\nTTITLE0=\xF0\x9F\x8E\xB5\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CCDDB::formSubmitLine("TTITLE0", c.value), c.lines) << c.name;
    }
    // A longer keyword leaves less room: every line holds 253 characters.
    const std::string lines = CCDDB::formSubmitLine("TTITLE12", Repeat("y", 600));
    EXPECT_EQ(lines, "TTITLE12=" + Repeat("y", 244) + "\r\nTTITLE12=" + Repeat("y", 244) + "\r\nTTITLE12=" +
                         Repeat("y", 112) + "\r\n");
}

TEST(XmcdWriter, TheBodyOfASubmission) {
    OwnedRecord record;
    FillRecord(record);
    const cddbtest::TrackList tracks({150, 403, 787}, 1102);
    CCDDB cddb;
    const std::string head =
        "# xmcd\r\n#\r\n# Track frame offsets:\r\n# 150\r\n# 403\r\n# 787\r\n#\r\n# Disc length: 14 seconds\r\n"
        "#\r\n# Revision: 2\r\n# Submitted via: TestRipper 1.2 beta\r\n#\r\nDISCID=08000c03\r\n"
        "DTITLE=Test Artist / Test Album\r\n";
    const std::string tail =
        "TTITLE0=Tone 1\r\nTTITLE1=Tab\\there\r\nEXTD=Notes\\nmore\r\nEXTT0=C:\\\\new\r\nEXTT1=\r\nPLAYORDER=\r\n";
    EXPECT_EQ(cddb.formSubmitBody(record, tracks.list), head + "DYEAR=1999\r\nDGENRE=Test Genre\r\n" + tail);

    // Level 4 knows no year or genre lines.
    cddb.setCDDBProtocolVersion(4);
    EXPECT_EQ(cddb.formSubmitBody(record, tracks.list), head + tail);

    // No year, no artist, no client: an empty year line, the title alone,
    // and this program as the client.
    cddb.setCDDBProtocolVersion(6);
    record.year = 0;
    SetField(record.artist, "");
    SetField(record.clientName, "");
    SetField(record.clientVersion, "");
    SetField(record.clientComment, "");
    const std::string body = cddb.formSubmitBody(record, tracks.list);
    EXPECT_NE(body.find("# Submitted via: Marovelle_Trackpress 2.0 \r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("\r\nDTITLE=Test Album\r\nDYEAR=\r\nDGENRE=Test Genre\r\n"), std::string::npos) << body;
}

TEST(XmcdWriter, WrittenRecordsReadBack) {
    struct Case {
        const char* name;
        std::string artist;
        std::vector<std::string> titles;
    };
    const Case cases[] = {
        {"escapes", "AC\\DC", {"C:\\new", "two\nlines", "a\ttab", "\\\\n", "ends in a backslash\\"}},
        {"text beyond Latin-1", "Bj\xC3\xB6rk & \xE5\xA4\x9A\xE5\x8F\xA3", {"\xE2\x9C\x93 done", "caf\xC3\xA9"}},
        {"long titles", "Artist", {Repeat("x", 300), Repeat("\xC3\xA9", 200), Repeat("\\", 300), Repeat("\xF0\x9F\x8E\xB5", 70)}},
    };
    for (const Case& c : cases) {
        OwnedRecord written;
        FillRecord(written);
        SetField(written.artist, c.artist);
        DeleteRecordTexts(written.trackTitles);
        DeleteRecordTexts(written.extendedTrackData);
        for (const std::string& title : c.titles) {
            written.trackTitles.Append(new CCOMString(title.c_str()));
            written.extendedTrackData.Append(new CCOMString(("notes on " + title).c_str()));
        }
        CCDDB cddb;
        cddb.setCDDBProtocolVersion(6);
        const cddbtest::TrackList tracks({150, 403, 787}, 1102);
        const std::string body = cddb.formSubmitBody(written, tracks.list);
        std::string_view rest = body;
        while (!rest.empty()) {
            std::string_view line = rest;
            const std::optional<std::string_view> next = CCDDB::getNextLine(line);
            EXPECT_LE(line.size(), CCDDB::kMaxSubmitLine) << c.name;
            rest = next ? *next : std::string_view();
        }

        OwnedRecord read;
        MvList<PLATTER_TTrackPos*> offsets;
        ASSERT_TRUE(cddb.parseRecordBody("210 rock 08000c03 CD database entry follows\r\n" + body, offsets, read))
            << c.name;
        EXPECT_EQ(ViewOf(read), ViewOf(written)) << c.name;
        EXPECT_EQ(offsets.count, 3) << c.name;
        FreeAll(offsets);
    }
}
