// Reading xmcd records: every line kind, continued values, escapes, gaps and
// the lines a record cannot do without.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "titlefetch/cddb.h"
#include "titlefetch/tests/cddb_test_support.h"

using cddbtest::FreeAll;
using cddbtest::OwnedRecord;
using cddbtest::RecordView;
using cddbtest::ViewOf;

namespace {

const char kCodeLine[] = "210 rock 08000c03 CD database entry follows (until terminating `.')";

// A read answer's body: the code line and the lines given, as the reader
// gets it (the terminator already cut off, so the last line has no end).
std::string Body(const std::vector<std::string>& lines, const char* end = "\r\n") {
    std::string body = std::string(kCodeLine) + end;
    for (std::size_t i = 0; i < lines.size(); ++i) body += lines[i] + (i + 1 < lines.size() ? end : "");
    return body;
}

// The comment block of a record with three tracks, then the given lines.
std::vector<std::string> WithHead(std::vector<std::string> keywords) {
    std::vector<std::string> lines = {"# xmcd",       "#",
                                      "# Track frame offsets:",
                                      "#       150",  "#       403",
                                      "#\t787",       "#",
                                      "# Disc length: 14 seconds",
                                      "#",            "# Revision: 3",
                                      "# Submitted via: TestRipper 1.2 beta",
                                      "#"};
    lines.insert(lines.end(), keywords.begin(), keywords.end());
    return lines;
}

// What every record of WithHead carries besides its keywords.
RecordView Head(RecordView view) {
    view.discLength = 14;
    view.revision = 3;
    view.clientName = "TestRipper";
    view.clientVersion = "1.2";
    view.clientComment = "beta";
    return view;
}

std::string Repeat(const std::string& text, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += text;
    return out;
}

// Collects what the library logs while it lives.
class LogCapture {
public:
    LogCapture() : path_(dir_.File("titlefetch.log")) {
        LogInit(path_.c_str());
        LogOn(1);
    }
    ~LogCapture() { LogDeinit(); }
    std::string Text() {
        LogDeinit();
        return testsupport::ReadWholeFile(path_);
    }

private:
    testsupport::TempDir dir_;
    std::string path_;
};

}  // namespace

TEST(XmcdReader, RecordsReadToTheirFields) {
    const std::string longArtist = Repeat("a", 254) + "\xC3\xA9" + "b";  // é across the 255th byte
    struct Case {
        const char* name;
        std::string body;
        RecordView expected;
    };
    const Case cases[] = {
        {"every keyword",
         Body(WithHead({"DISCID=08000c03", "DTITLE=Test Artist / Test Album", "DYEAR=1999", "DGENRE=Test Genre",
                        "TTITLE0=Tone 1", "TTITLE1=Tone 2", "TTITLE2=Tone 3", "EXTD=Made for tests", "EXTT0=first",
                        "EXTT1=", "EXTT2=", "PLAYORDER=3,1,2"})),
         Head({.artist = "Test Artist", .title = "Test Album", .genre = "Test Genre", .extendedData = "Made for tests",
               .discId = 0x08000c03, .year = 1999, .titles = {"Tone 1", "Tone 2", "Tone 3"},
               .extData = {"first", "", ""}, .playOrder = {3, 1, 2}})},
        {"values continued over lines, the separator spanning two DTITLE lines",
         Body(WithHead({"DISCID=08000c03", "DTITLE=Test Artist ", "DTITLE=/ Test Album", "TTITLE0=A very long ti",
                        "TTITLE1=Short", "TTITLE0=tle in two lines", "EXTD=Liner ", "EXTD=notes"})),
         Head({.artist = "Test Artist", .title = "Test Album", .extendedData = "Liner notes", .discId = 0x08000c03,
               .titles = {"A very long title in two lines", "Short"}, .extData = {"", ""}})},
        {"DTITLE without a separator names both",
         Body(WithHead({"DISCID=08000c03", "DTITLE=Various", "TTITLE0=One"})),
         Head({.artist = "Various", .title = "Various", .discId = 0x08000c03, .titles = {"One"}, .extData = {""}})},
        {"escapes, also split between the lines of one value",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A\\\\B / C\\tD", "TTITLE0=C:\\\\new", "TTITLE1=Line one\\nLine two",
                        "TTITLE2=Tab\\there", "TTITLE3=ends in a newline\\", "TTITLE3=n", "TTITLE4=a\\\\",
                        "TTITLE4=\\\\b", "TTITLE5=\\x stays"})),
         Head({.artist = "A\\B", .title = "C\tD", .discId = 0x08000c03,
               .titles = {"C:\\new", "Line one\nLine two", "Tab\there", "ends in a newline\n", "a\\\\b", "\\x stays"},
               .extData = {"", "", "", "", "", ""}})},
        {"ten titles, two extended texts",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "TTITLE0=t0", "TTITLE1=t1", "TTITLE2=t2", "TTITLE3=t3",
                        "TTITLE4=t4", "TTITLE5=t5", "TTITLE6=t6", "TTITLE7=t7", "TTITLE8=t8", "TTITLE9=t9",
                        "EXTT0=e0", "EXTT1=e1"})),
         Head({.artist = "A", .title = "B", .discId = 0x08000c03,
               .titles = {"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9"},
               .extData = {"e0", "e1", "", "", "", "", "", "", "", ""}})},
        {"gaps are padded, numbers of 100 and more and extended texts beyond the titles dropped",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "TTITLE0=first", "TTITLE2=third", "TTITLE100=never",
                        "TTITLE=no number", "TTITLEx=not a number", "EXTT5=beyond", "EXTT1=second"})),
         Head({.artist = "A", .title = "B", .discId = 0x08000c03, .titles = {"first", "", "third"},
               .extData = {"", "second", ""}})},
        {"a trailing comma in the play order adds nothing",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "PLAYORDER=4,"})),
         Head({.artist = "A", .title = "B", .discId = 0x08000c03, .playOrder = {4}})},
        {"an empty play order gives none",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "PLAYORDER=", "PLAYORDER="})),
         Head({.artist = "A", .title = "B", .discId = 0x08000c03})},
        {"a play order continued over lines",
         Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "PLAYORDER=1,1", "PLAYORDER=2,3"})),
         Head({.artist = "A", .title = "B", .discId = 0x08000c03, .playOrder = {1, 12, 3}})},
        {"a list of disc IDs gives the first; keywords keep their case",
         Body(WithHead({"DISCID=0A00C102,08000c03", "discid=12345678", "DTITLE=A / B", "dtitle=ignored"})),
         Head({.artist = "A", .title = "B", .discId = 0x0a00c102})},
        {"Submitted via: with a name only",
         Body({"# Track frame offsets:", "# 150", "# Disc length: 14 seconds", "# Submitted via: LoneName",
               "DISCID=08000c03", "DTITLE=A / B"}),
         {.artist = "A", .title = "B", .discLength = 14, .discId = 0x08000c03, .clientName = "LoneName"}},
        {"a revision without a number, lines ended by LF alone",
         Body({"# Track frame offsets:", "# 150", "# Disc length: 14 seconds", "# Revision:", "DISCID=08000c03",
               "DTITLE=A / B", "TTITLE0=x"},
              "\n"),
         {.artist = "A", .title = "B", .discLength = 14, .discId = 0x08000c03, .titles = {"x"}, .extData = {""}}},
        {"fields longer than 255 bytes are cut on a character boundary",
         Body(WithHead({"DISCID=08000c03", "DTITLE=" + longArtist + " / Album", "DGENRE=" + Repeat("g", 300)})),
         Head({.artist = Repeat("a", 254), .title = "Album", .genre = Repeat("g", 255), .discId = 0x08000c03})},
    };
    for (const Case& c : cases) {
        CCDDB cddb;
        OwnedRecord record;
        MvList<PLATTER_TTrackPos*> tracks;
        EXPECT_TRUE(cddb.parseRecordBody(c.body, tracks, record)) << c.name;
        EXPECT_EQ(ViewOf(record), c.expected) << c.name;
        EXPECT_STREQ(cddb.lastCommandResp(), "") << c.name;
        FreeAll(tracks);
    }
}

TEST(XmcdReader, FrameOffsetsComeFromTheirCommentBlock) {
    CCDDB cddb;
    OwnedRecord record;
    MvList<PLATTER_TTrackPos*> tracks;
    // Offsets before the block and after the disc length are no offsets.
    const std::string body = Body({"# 999", "# xmcd", "#", "# Track frame offsets:", "#  150", "#", "#\t 403 ",
                                   "#   10787", "# Disc length: 146 seconds", "# 777", "DISCID=08000c03",
                                   "DTITLE=A / B"});
    ASSERT_TRUE(cddb.parseRecordBody(body, tracks, record));
    std::vector<int> offsets;
    for (const PLATTER_TTrackPos* track : tracks) offsets.push_back(track->frameOffset);
    EXPECT_EQ(offsets, (std::vector<int>{150, 403, 10787}));
    EXPECT_EQ(record.discLength, 146u);
    FreeAll(tracks);

    // A disc whose first track starts at frame 0 to 9 (no pre-gap): a
    // single digit is an offset inside the block and nothing outside it.
    OwnedRecord early;
    ASSERT_TRUE(cddb.parseRecordBody(Body({"# 5", "# Track frame offsets:", "#      0", "#\t7", "# 403",
                                           "# Disc length: 146 seconds", "# 9", "DISCID=08000c03", "DTITLE=A / B"}),
                                     tracks, early));
    offsets.clear();
    for (const PLATTER_TTrackPos* track : tracks) offsets.push_back(track->frameOffset);
    EXPECT_EQ(offsets, (std::vector<int>{0, 7, 403}));
    FreeAll(tracks);
}

// A disc has at most 99 tracks: further offsets (a hostile answer can list
// hundreds of thousands) are passed over rather than listed.
TEST(XmcdReader, NoMoreOffsetsThanADiscHasTracks) {
    CCDDB cddb;
    OwnedRecord record;
    MvList<PLATTER_TTrackPos*> tracks;
    std::vector<std::string> lines = {"# Track frame offsets:"};
    for (int i = 0; i < 150; ++i) lines.push_back("# " + std::to_string(150 + 1000 * i));
    lines.insert(lines.end(), {"# Disc length: 2000 seconds", "DISCID=96000c03", "DTITLE=A / B"});
    ASSERT_TRUE(cddb.parseRecordBody(Body(lines), tracks, record));
    ASSERT_EQ(tracks.count, 99);
    EXPECT_EQ(tracks.items[98]->frameOffset, 150 + 1000 * 98);
    FreeAll(tracks);
}

// The play order is a list answer of its own: it stops at the list limit.
TEST(XmcdReader, PlayOrderStopsAtTheListLimit) {
    CCDDB cddb;
    OwnedRecord record;
    MvList<PLATTER_TTrackPos*> tracks;
    std::string order = "PLAYORDER=";
    for (int i = 0; i < CCDDB::kMaxListEntries + 5; ++i) order += std::to_string(i % 7 + 1) + ",";
    ASSERT_TRUE(cddb.parseRecordBody(Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", order})), tracks, record));
    ASSERT_EQ(record.playOrder.count, CCDDB::kMaxListEntries);
    EXPECT_EQ(record.playOrder.items[CCDDB::kMaxListEntries - 1], (CCDDB::kMaxListEntries - 1) % 7 + 1);
    FreeAll(tracks);
}

TEST(XmcdReader, ARecordReplacesWhatTheListsHeld) {
    CCDDB cddb;
    OwnedRecord record;
    record.trackTitles.Append(new CCOMString("old title"));
    record.extendedTrackData.Append(new CCOMString("old data"));
    record.playOrder.Append(7);
    MvList<PLATTER_TTrackPos*> tracks;
    ASSERT_TRUE(cddb.parseRecordBody(Body(WithHead({"DISCID=08000c03", "DTITLE=A / B", "TTITLE0=new", "PLAYORDER=1"})),
                                     tracks, record));
    EXPECT_EQ(cddbtest::Texts(record.trackTitles), std::vector<std::string>{"new"});
    EXPECT_EQ(cddbtest::Texts(record.extendedTrackData), std::vector<std::string>{""});
    ASSERT_EQ(record.playOrder.count, 1);
    EXPECT_EQ(record.playOrder.items[0], 1);
    FreeAll(tracks);
}

TEST(XmcdReader, RefusedRecordsSayWhatWasMissing) {
    const std::string offsets = "# Track frame offsets:\r\n# 150\r\n";
    const std::string length = "# Disc length: 14 seconds\r\n";
    const std::string discId = "DISCID=08000c03\r\n";
    const std::string dtitle = "DTITLE=A / B";
    const std::string code = std::string(kCodeLine) + "\r\n";
    struct Case {
        const char* name;
        std::string body;
        const char* logLine;  // null: nothing logged
    };
    const Case cases[] = {
        {"no frame offsets", code + length + discId + dtitle,
         "CDDB server failed to return a record with any Track frame offset lines\n"},
        {"no disc length", code + offsets + discId + dtitle,
         "CDDB server failed to return a record with a Disc length line\n"},
        {"no DISCID", code + offsets + length + dtitle, "CDDB server failed to return a record with a DISCID line\n"},
        {"a DISCID of seven characters", code + offsets + length + "DISCID=8000c03\r\n" + dtitle,
         "CDDB server failed to return a record with a DISCID line\n"},
        {"no DTITLE", code + offsets + length + discId, "CDDB server failed to return a record with a DTITLE line\n"},
        {"the first missing line is named", code + discId,
         "CDDB server failed to return a record with any Track frame offset lines\n"},
        {"only the code line", std::string(kCodeLine), "CDDB server failed to return a valid xmcd record\n"},
        {"Submitted via: without a name", code + offsets + length + "# Submitted via: \r\n" + discId + dtitle,
         "CDDB server failed to return a record with a valid Submitted via: line\n"},
        {"no such entry", "401 rock 08000c03 No such CD entry in database.\r\n", nullptr},
        {"server error", "402 Server error.\r\n", nullptr},
        {"no code", "", nullptr},
    };
    for (const Case& c : cases) {
        LogCapture log;
        CCDDB cddb;
        OwnedRecord record;
        MvList<PLATTER_TTrackPos*> tracks;
        SetLastError(0);
        EXPECT_FALSE(cddb.parseRecordBody(c.body, tracks, record)) << c.name;
        EXPECT_EQ(GetLastError(), CDDB_ERR_BAD_ANSWER) << c.name;
        EXPECT_EQ(cddb.lastError(), 0u) << c.name;
        EXPECT_EQ(std::string(cddb.lastCommandResp()), c.body) << c.name;
        EXPECT_EQ(record.trackTitles.count, 0) << c.name;
        const std::string logged = log.Text();
        if (c.logLine != nullptr) {
            EXPECT_NE(logged.find(std::string(c.logLine) + "\r\n"), std::string::npos) << c.name << "\n" << logged;
        } else {
            EXPECT_EQ(logged, "") << c.name;
        }
        FreeAll(tracks);
    }
}
