// Song-information records: every stored layout read from hand-built
// records, the newest written byte for byte, and the copies between the two
// record kinds.
#include "tonecore/tags/music_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "filekit/errors.h"
#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "filekit/tests/chunk_builder.h"
#include "platform/last_error.h"
#include "tonecore/tags/tests/music_info_layouts.h"

namespace {

using chunk_builder::MemStream;
using chunk_builder::Riff;

using namespace musicinfo_layouts;

// Reads a record of `version` out of a "cdtr" chunk, as the playlist reader
// does.
struct TRecordStream {
    explicit TRecordStream(const std::string& record) {
        mem = MemStream(Riff("cdss", {chunk_builder::Chunk("cdtr", record)}));
        _chunkInfo header;
        // The record starts behind the form's header and the chunk's.
        opened = riff.Open(mem, &header) && riff.SeekToChunk(FourCC("cdtr"), 0, 1) && mem->Seek(20, 0);
    }
    ~TRecordStream() {
        riff.Close();
        DeleteRefObject(&mem);
    }
    CMemObj* mem = nullptr;
    CRIFF riff;
    bool opened = false;
};

// The bytes Write puts into a session file's record chunk: empty when it
// wrote nothing.
std::string WrittenRecord(TONECORE_CMusicInfo& info, TTPSVersion version, bool& ok) {
    auto* out = new CMemObj();
    out->Create();
    CRIFF riff;
    riff.Create(out, FourCC("cdss"));
    riff.StartWriteStream(FourCC("cdtr"));
    const auto start = static_cast<std::size_t>(out->Tell());
    ok = info.Write(riff, version);
    const std::string record = chunk_builder::Contents(out).substr(start);
    riff.Close();
    DeleteRefObject(&out);
    return record;
}

// Every member against what a layout holds; the rest against what a reader
// resets it to.
void ExpectFields(const TONECORE_CMusicInfo& info, const std::vector<TField>& layout, const TValues& v) {
    auto text = [&](const char* name, const char* actual, std::size_t width) {
        std::string expected = Has(layout, name) ? v.Text(name) : "";
        if (expected.size() > width - 1) expected.resize(width - 1);
        EXPECT_EQ(actual, expected) << name;
    };
    auto word = [&](const char* name, std::int32_t actual, std::int32_t reset) {
        EXPECT_EQ(actual, Has(layout, name) ? v.Word(name) : reset) << name;
    };
    auto flag = [&](const char* name, bool actual) { EXPECT_EQ(actual, Has(layout, name)) << name; };
    text("title", info.title, 256);
    text("display", info.displayText, 512);
    text("artist", info.artist, 256);
    text("album", info.album, 256);
    text("genre", info.genre, 256);
    text("comment", info.comment, 2048);
    text("copyright", info.copyright, 1024);
    text("path", info.path, 260);
    text("format", info.formatText, 128);
    text("encodedBy", info.encodedBy, 256);
    word("genreIndex", info.genreIndex, 0);
    word("year", info.year, 0);
    word("tagSize", info.tagSize, 0);
    word("tagType", info.tagType, 0);
    word("spare", info.spareWord, 0);
    word("cdidLength", static_cast<std::int32_t>(info.cdIdentifierLength), 0);
    word("track", info.trackNumber, -1);
    word("count", info.trackCount, -1);
    word("word1", info.pathWords[0], 0);
    word("word2", info.pathWords[1], 0);
    word("length", info.lengthMs, 0);
    word("trimStart", info.trimStartMs, 0);
    word("trimEnd", info.trimEndMs, 0);
    word("autoStart", info.autoTrimStartMs, 0);
    word("autoEnd", info.autoTrimEndMs, 0);
    word("state1", info.stateWords[0], 0);
    word("state2", info.stateWords[1], 0);
    word("state3", info.stateWords[2], 0);
    word("dbid", info.databaseId, 0);
    flag("copyrighted", info.copyrighted);
    flag("original", info.original);
    const char* flagNames[7] = {"flag1", "flag2", "flag3", "flag4", "flag5", "flag6", "flag7"};
    for (int i = 0; i < 7; ++i) flag(flagNames[i], info.flags[i]);
    EXPECT_EQ(info.cdIdentifier[1], Has(layout, "cdid") ? 7 + 'c' : 0);
    EXPECT_EQ(info.waveFormat.nChannels, static_cast<std::uint16_t>(((2 * 7 + 'w') & 0xFF) | ((3 * 7 + 'w') & 0xFF) << 8));
    EXPECT_EQ(info.volume, 0.75);
    EXPECT_EQ(info.playData, 0x5566778811223344u);
}

struct TLayoutCase {
    TTPSVersion version;
    std::vector<TField> layout;
    std::size_t bytes;
};

TEST(MusicInfoRead, EveryLayoutFromAHandBuiltRecord) {
    const std::vector<TLayoutCase> cases = {
        {5, kVersion5, 6175}, {4, Version4(), 6179}, {3, Version3(), 9016},
        {2, Version0To2(), 6136}, {1, Version0To2(), 6136}, {0, Version0To2(), 6136},
    };
    TValues values;
    for (const TLayoutCase& c : cases) {
        SCOPED_TRACE(c.version);
        const std::string record = Build(c.layout, values);
        ASSERT_EQ(record.size(), c.bytes);
        // Two records back to back: the second starts where the first ends.
        TRecordStream stream(record + record);
        ASSERT_TRUE(stream.opened);
        TONECORE_CMusicInfo first;
        TONECORE_CMusicInfo second;
        second.databaseId = 99;
        ASSERT_TRUE(first.Read(stream.riff, c.version));
        ASSERT_TRUE(second.Read(stream.riff, c.version));
        ExpectFields(first, c.layout, values);
        ExpectFields(second, c.layout, values);
    }
}

TEST(MusicInfoRead, RefusesNewerLayoutsAndShortRecordsWithoutChangingTheRecord) {
    const std::string record = Build(kVersion5, TValues{});
    struct TCase {
        TTPSVersion version;
        std::size_t keep;
        std::uint32_t error;
    };
    const TCase cases[] = {{6, record.size(), 0}, {-1, record.size(), 0}, {5, record.size() - 1, FILEKIT_ERR_RIFF_READ},
                           {3, record.size(), FILEKIT_ERR_RIFF_READ}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.version);
        TRecordStream stream(record.substr(0, c.keep));
        TONECORE_CMusicInfo info;
        std::strcpy(info.title, "kept");
        SetLastError(0);
        EXPECT_FALSE(info.Read(stream.riff, c.version));
        EXPECT_STREQ(info.title, "kept");
        EXPECT_EQ(info.trackNumber, -1);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(MusicInfoRead, WideOldTextsAreCutOnACharacterBoundaryAndOldCodePageTextBecomesUtf8) {
    TValues values;
    values.texts["title"] = std::string(300, 'x');
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "\xC3\xA9";  // 200 x U+00E9, 400 bytes
    values.texts["artist"] = accents;
    values.texts["album"] = "Caf\xE9 \x80";  // Windows-1252: e acute, euro sign
    TRecordStream stream(Build(Version3(), values));
    TONECORE_CMusicInfo info;
    ASSERT_TRUE(info.Read(stream.riff, 3));
    EXPECT_EQ(std::string(info.title), std::string(255, 'x'));
    EXPECT_EQ(std::string(info.artist), accents.substr(0, 254));
    EXPECT_STREQ(info.album, "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(MusicInfoWrite, WritesTheNewestLayoutByteForByte) {
    TValues values;
    TRecordStream source(Build(kVersion5, values));
    TONECORE_CMusicInfo info;
    ASSERT_TRUE(info.Read(source.riff, 5));

    bool ok = false;
    const std::string written = WrittenRecord(info, 2, ok);  // the version asked for does not matter
    ASSERT_TRUE(ok);

    const std::string expected = Build(kVersion5, values);
    ASSERT_EQ(written.size(), 6175u);
    EXPECT_EQ(written, expected);
    // Where the session file's readers look for some of the fields.
    EXPECT_EQ(written.substr(0, 10), "title text");
    EXPECT_EQ(written.substr(256, 12), "display text");
    EXPECT_EQ(written.substr(5453, 9), "path text");
    EXPECT_EQ(chunk_builder::ReadLe32(written, 6171), static_cast<std::uint32_t>(values.Word("dbid")));
}

TEST(MusicInfoWrite, ZeroTrimEndBecomesTheLengthAndRecordsRoundTrip) {
    TONECORE_CMusicInfo info;
    std::strcpy(info.title, "T\xC3\xADtulo");
    std::strcpy(info.path, "/music/a.mp3");
    info.lengthMs = 123456;
    info.trimEndMs = 0;
    info.autoTrimEndMs = 5;
    info.flags[6] = true;
    info.cdIdentifierLength = 3;
    info.cdIdentifier[2] = 0x99;

    bool ok = false;
    TRecordStream stream(WrittenRecord(info, 5, ok));
    ASSERT_TRUE(ok);
    EXPECT_EQ(info.trimEndMs, 123456);
    EXPECT_EQ(info.autoTrimEndMs, 123456);
    TONECORE_CMusicInfo back;
    ASSERT_TRUE(back.Read(stream.riff, 5));
    EXPECT_STREQ(back.title, info.title);
    EXPECT_STREQ(back.path, info.path);
    EXPECT_EQ(back.trimEndMs, 123456);
    EXPECT_TRUE(back.flags[6]);
    EXPECT_EQ(back.cdIdentifier[2], 0x99);
    EXPECT_EQ(back.trackNumber, -1);
}

TEST(MusicInfoWrite, APathTooLongForTheStoredFieldIsRefusedNotCut) {
    for (const std::size_t length : {259u, 260u, 1000u}) {
        SCOPED_TRACE(length);
        TONECORE_CMusicInfo info;
        const std::string path = "/" + std::string(length - 1, 'p');
        std::strcpy(info.path, path.c_str());
        SetLastError(0);
        bool written = false;
        const std::string record = WrittenRecord(info, 5, written);
        EXPECT_EQ(written, length < 260);
        if (!written) {
            EXPECT_EQ(GetLastError(), FILEKIT_ERR_PATH_TOO_LONG);
            EXPECT_EQ(record, "");
        }
    }
}

// A path read from an older program's Windows-1252 bytes can be longer as
// UTF-8 than the stored field: it is written in those bytes again and reads
// back as the same text. A path with a character the code page lacks is
// refused as before.
TEST(MusicInfoWrite, ALongPathFromWindows1252IsStoredInItAgain) {
    const std::string quotes(200, '\x92');  // 600 bytes as UTF-8
    TONECORE_CMusicInfo info;
    bool ok = false;
    {
        std::string record = WrittenRecord(info, 5, ok);
        ASSERT_TRUE(ok);
        record.replace(5453, quotes.size(), quotes);
        TRecordStream stream(record);
        ASSERT_TRUE(info.Read(stream.riff, 5));
    }
    ASSERT_EQ(std::strlen(info.path), 600u);
    const std::string written = WrittenRecord(info, 5, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(written.substr(5453, 201), quotes + '\0');
    TRecordStream stream(written);
    TONECORE_CMusicInfo back;
    ASSERT_TRUE(back.Read(stream.riff, 5));
    EXPECT_STREQ(back.path, info.path);

    // U+2603 has no byte in the code page.
    std::string snowmen;
    for (int i = 0; i < 100; ++i) snowmen += "\xE2\x98\x83";
    std::strcpy(info.path, snowmen.c_str());
    EXPECT_EQ(WrittenRecord(info, 5, ok), "");
    EXPECT_FALSE(ok);
}

TEST(MusicInfoCopy, TagRecordRoundTripAndSlimCopyKeepsTheProgramsFields) {
    TONECORE_CMusicInfo info;
    std::strcpy(info.title, "Title");
    std::strcpy(info.copyright, "(c) someone");
    info.year = 1999;
    info.genreIndex = 17;
    info.trackNumber = 3;
    info.trackCount = 12;
    info.cdIdentifierLength = 2;
    info.cdIdentifier[0] = 0xAB;
    info.tagType = TAG_TYPE_ID3V2;
    info.copyrighted = true;

    TMusicInfo tags;
    info.CopyToTMusicInfo(tags);
    TONECORE_CMusicInfo back;
    back = tags;
    EXPECT_STREQ(back.title, "Title");
    EXPECT_STREQ(back.copyright, "(c) someone");
    EXPECT_EQ(back.year, 1999);
    EXPECT_EQ(back.genreIndex, 17);
    EXPECT_EQ(back.trackNumber, 3);
    EXPECT_EQ(back.trackCount, 12);
    EXPECT_EQ(back.cdIdentifierLength, 2u);
    EXPECT_EQ(back.cdIdentifier[0], 0xAB);
    EXPECT_EQ(back.tagType, TAG_TYPE_ID3V2);
    EXPECT_TRUE(back.copyrighted);

    // A 1023-byte tag text is cut to the narrower field on a character
    // boundary.
    std::string longTitle;
    while (longTitle.size() < 1020) longTitle += "\xE2\x82\xAC";  // U+20AC, 3 bytes
    std::strcpy(tags.title, longTitle.c_str());
    back = tags;
    EXPECT_EQ(std::string(back.title), longTitle.substr(0, 255));

    TONECORE_CMusicInfo slim;
    std::strcpy(slim.displayText, "mine");
    slim.playData = 42;
    slim.flags[3] = true;
    info.flags[0] = true;
    slim.CopySlim(info);
    EXPECT_STREQ(slim.title, "Title");
    EXPECT_EQ(slim.year, 1999);
    EXPECT_TRUE(slim.flags[0]);
    EXPECT_STREQ(slim.displayText, "mine");
    EXPECT_EQ(slim.playData, 42u);
    EXPECT_TRUE(slim.flags[3]);

    // Whole copies keep everything, the program's fields included.
    info.playData = 7;
    info.stateWords[2] = 16;
    const TONECORE_CMusicInfo copy(info);
    EXPECT_EQ(copy.playData, 7u);
    EXPECT_EQ(copy.stateWords[2], 16);
    EXPECT_EQ(copy.year, 1999);
}

TEST(MusicInfo, FreshRecordsHoldTheirInitialValues) {
    const TMusicInfo tags;
    EXPECT_EQ(tags.genreIndex, 255);
    EXPECT_EQ(tags.trackNumber, -1);
    EXPECT_EQ(tags.trackCount, -1);
    EXPECT_EQ(tags.title[0], '\0');
    const TONECORE_CMusicInfo info;
    EXPECT_EQ(info.genreIndex, 0);
    EXPECT_EQ(info.trackNumber, -1);
    EXPECT_EQ(info.trackCount, -1);
    EXPECT_EQ(info.volume, 0.0);
}

}  // namespace
