// The ASF header reader and writer over hand-built headers: what is listed
// and in which order, damaged headers refused without reading outside the
// bytes, and rewriting that changes only the attribute objects.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "mediacore/asf_attribute_list.h"
#include "mediacore/asf_header.h"
#include "mediacore/errors.h"
#include "mediacore/tests/asf_builder.h"

namespace {

using namespace asftest;

// A GUID value's 16 bytes.
const Buffer kGuidValue = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const Buffer kMcdi = {0x31, 0x00, 0x2B, 0x00, 0x39, 0x00, 0x36, 0x00, 0x00, 0xFF, 0x00};

// Every kind of object the reader takes apart, with a value of every type.
Buffer FullHeader() {
    return Header({
        FileProperties(5000, 30'000'000 + 15'000'000, 1500),
        AudioStream(1, 16000),
        ContentDescription({u"Song", u"Band", u"", u"Notes", u""}),
        ExtendedContent({
            {u"WM/AlbumTitle", 0, Utf16z(u"Caf\u00e9 \u266B")},
            {u"WM/MCDI", 1, kMcdi},
            {u"IsVBR", 2, Le<std::uint32_t>(0)},  // constant: the stated rates hold
            {u"WM/Track", 3, Le<std::uint32_t>(7)},
            {u"WM/Length", 4, Le<std::uint64_t>(0x0102030405060708ull)},
            {u"WM/Shorty", 5, Le<std::uint16_t>(513)},
        }),
        Extension({
            MetadataObject(ASF_Metadata_Object, {{0, u"WM/Flag", 2, Le<std::uint16_t>(1)},
                                                 {1, u"StreamOnly", 3, Le<std::uint32_t>(9)}}),
            MetadataObject(ASF_Metadata_Library_Object, {{0, u"WM/Id", 6, kGuidValue}}),
        }),
    });
}

TAsfHeader Parse(const Buffer& bytes) {
    TAsfHeader header;
    EXPECT_EQ(ReadAsfHeader(bytes, header), S_OK);
    return header;
}

const TAsfAttribute* Find(const std::vector<TAsfAttribute>& list, const std::u16string& name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const TAsfAttribute& a) { return a.name == name; });
    return it == list.end() ? nullptr : &*it;
}

TEST(AsfHeaderRead, ListsFileAttributesInOrderWithInterfaceValues) {
    const TAsfHeader header = Parse(FullHeader());
    const std::vector<TAsfAttribute> list = ListFileAttributes(header);

    std::vector<std::u16string> names;
    for (const auto& a : list) names.push_back(a.name);
    const std::vector<std::u16string> expected = {u"Duration", u"Bitrate",   u"Title",     u"Author",
                                                  u"Description", u"WM/AlbumTitle", u"WM/MCDI", u"IsVBR",
                                                  u"WM/Track", u"WM/Length", u"WM/Shorty", u"WM/Flag",
                                                  u"WM/Id"};
    EXPECT_EQ(names, expected);

    // Play duration less the preroll (1500 ms = 15,000,000 units).
    EXPECT_EQ(list[0].type, WMT_TYPE_QWORD);
    EXPECT_EQ(list[0].value, Le<std::uint64_t>(30'000'000));
    // No bitrate object: the audio stream's byte rate.
    EXPECT_EQ(list[1].type, WMT_TYPE_DWORD);
    EXPECT_EQ(list[1].value, Le<std::uint32_t>(128000));

    struct TExpect {
        std::u16string name;
        WMT_ATTR_DATATYPE type;
        Buffer value;
    };
    const TExpect values[] = {
        {u"Title", WMT_TYPE_STRING, Utf16z(u"Song")},
        {u"WM/AlbumTitle", WMT_TYPE_STRING, Utf16z(u"Caf\u00e9 \u266B")},
        {u"WM/MCDI", WMT_TYPE_BINARY, kMcdi},
        {u"IsVBR", WMT_TYPE_BOOL, Le<std::uint32_t>(0)},
        {u"WM/Track", WMT_TYPE_DWORD, Le<std::uint32_t>(7)},
        {u"WM/Length", WMT_TYPE_QWORD, Le<std::uint64_t>(0x0102030405060708ull)},
        {u"WM/Shorty", WMT_TYPE_WORD, Le<std::uint16_t>(513)},
        // The metadata object's 16-bit BOOL is handed out 32 bits wide.
        {u"WM/Flag", WMT_TYPE_BOOL, Le<std::uint32_t>(1)},
        {u"WM/Id", WMT_TYPE_GUID, kGuidValue},
    };
    for (const TExpect& e : values) {
        const TAsfAttribute* a = Find(list, e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->type, e.type);
        EXPECT_EQ(a->value, e.value);
    }
    // Records of other streams are not file attributes.
    EXPECT_EQ(Find(list, u"StreamOnly"), nullptr);
    EXPECT_FALSE(header.isProtected);
}

TEST(AsfHeaderRead, BitrateFromBitrateObjectAndDurationNeverNegative) {
    Buffer bitrates;
    AppendU16(bitrates, 2);
    AppendU16(bitrates, 1);
    AppendU32(bitrates, 64000);
    AppendU16(bitrates, 2);
    AppendU32(bitrates, 32000);
    // A preroll longer than the play duration.
    const TAsfHeader header = Parse(Header({FileProperties(0, 1000, 5), AudioStream(1, 16000),
                                            Object(ASF_Stream_Bitrate_Properties_Object, bitrates)}));
    const auto list = ListFileAttributes(header);
    EXPECT_EQ(list[0].value, Le<std::uint64_t>(0));
    EXPECT_EQ(list[1].value, Le<std::uint32_t>(96000));
}

// A variable-rate file states peak rates far above its average: its bit rate
// is the data after the header over the play time.
TEST(AsfHeaderRead, VariableRateFilesReportTheirAverage) {
    Buffer bitrates;
    AppendU16(bitrates, 1);
    AppendU16(bitrates, 1);
    AppendU32(bitrates, 576894);
    const auto make = [&](std::uint64_t fileSize, bool vbr) {
        return Header({FileProperties(fileSize, 100'000'000 + 30'000'000, 3000), AudioStream(1, 72111),
                       Object(ASF_Stream_Bitrate_Properties_Object, bitrates),
                       ExtendedContent({{u"IsVBR", 2, Le<std::uint32_t>(vbr ? 1 : 0)}})});
    };
    const std::size_t headerBytes = make(0, true).size();
    struct Case {
        const char* name;
        std::uint64_t fileSize;
        bool vbr;
        std::uint32_t bitrate;
    };
    const Case cases[] = {
        {"variable: 48,000 bytes over 10 s", headerBytes + 48000, true, 38400},
        {"constant: the stated rate", headerBytes + 48000, false, 576894},
        {"variable without data: the stated rate", headerBytes, true, 576894},
    };
    for (const Case& c : cases) {
        const auto list = ListFileAttributes(Parse(make(c.fileSize, c.vbr)));
        EXPECT_EQ(list[1].value, Le<std::uint32_t>(c.bitrate)) << c.name;
    }
}

TEST(AsfHeaderRead, TextWithoutTerminatorIsHandedOutTerminated) {
    Buffer raw = Utf16z(u"ab");
    raw.resize(4);  // no terminator stored
    const auto list = ListFileAttributes(Parse(Header({ExtendedContent({{u"WM/Genre", 0, raw}})})));
    EXPECT_EQ(Find(list, u"WM/Genre")->value, Utf16z(u"ab"));
}

TEST(AsfHeaderRead, EncryptionMarksTheHeaderProtected) {
    const Buffer cases[] = {
        Header({Object(ASF_Content_Encryption_Object, Buffer(8, 0))}),
        Header({Object(ASF_Extended_Content_Encryption_Object, Buffer(4, 0))}),
        Header({Extension({Object(ASF_Advanced_Content_Encryption_Object, Buffer(2, 0))})}),
        Header({AudioStream(1, 16000, kAsfStreamEncryptedFlag)}),
    };
    for (const Buffer& bytes : cases) EXPECT_TRUE(Parse(bytes).isProtected);
}

// Damage of every kind the reader must catch. Each case is a whole header,
// copied into a buffer of exactly its size so that the sanitizer sees any
// read past it.
TEST(AsfHeaderRead, DamagedHeadersAreRefused) {
    auto withSize = [](Buffer object, std::uint64_t size) {
        for (int i = 0; i < 8; ++i) object[16 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        return object;
    };
    Buffer oddTitle;
    AppendU16(oddTitle, 3);
    for (int i = 0; i < 4; ++i) AppendU16(oddTitle, 0);
    oddTitle.insert(oddTitle.end(), {'a', 0, 0});
    Buffer countBeyond;
    AppendU16(countBeyond, 40);  // 40 descriptors, none there
    Buffer nameBeyond;
    AppendU16(nameBeyond, 1);
    AppendU16(nameBeyond, 200);
    Buffer shortProperties(40, 0);
    const Buffer full = FullHeader();
    Buffer badExtensionSize = Extension({});
    badExtensionSize[24 + 18] = 9;  // data size says 9, there are none

    struct TCase {
        const char* what;
        Buffer bytes;
    };
    const TCase cases[] = {
        {"not a header", Object(ASF_Data_Object, Buffer(10, 0))},
        {"cut inside the head", Buffer(full.begin(), full.begin() + 20)},
        {"header size past the bytes", withSize(Header({}), 31)},
        {"header size under its head", withSize(Header({}), 12)},
        {"object size under 24", Header({withSize(Object(ASF_Content_Description_Object, Buffer(10, 0)), 23)})},
        {"zero-length object", Header({withSize(Object(ASF_Content_Description_Object, {}), 0)})},
        {"object past the header", Header({withSize(Object(ASF_Content_Description_Object, Buffer(10, 0)), 35)})},
        {"odd UTF-16 length", Header({Object(ASF_Content_Description_Object, oddTitle)})},
        {"count beyond the bytes", Header({Object(ASF_Extended_Content_Description_Object, countBeyond)})},
        {"name beyond the bytes", Header({Object(ASF_Extended_Content_Description_Object, nameBeyond)})},
        {"unknown value type", Header({ExtendedContent({{u"X", 9, Buffer(4, 0)}})})},
        {"GUID in the extended content", Header({ExtendedContent({{u"X", 6, kGuidValue}})})},
        {"DWORD of 3 bytes", Header({ExtendedContent({{u"X", 3, Buffer(3, 0)}})})},
        {"metadata BOOL of 4 bytes", Header({Extension({MetadataObject(ASF_Metadata_Object, {{0, u"X", 2, Buffer(4, 0)}})})})},
        {"short file properties", Header({Object(ASF_File_Properties_Object, shortProperties)})},
        {"extension data size wrong", Header({badExtensionSize})},
    };
    for (const TCase& c : cases) {
        TAsfHeader header;
        EXPECT_EQ(ReadAsfHeader(c.bytes, header), MEDIACORE_E_BAD_HEADER) << c.what;
    }
    // A header whose last object stops short of the header's end.
    Buffer gap = Header({});
    gap.insert(gap.end(), 10, 0);
    gap[16] = static_cast<std::uint8_t>(gap.size());
    TAsfHeader header;
    EXPECT_EQ(ReadAsfHeader(gap, header), MEDIACORE_E_BAD_HEADER);
}

// The bytes of each top-level object of a header, keyed by nothing but order.
std::vector<Buffer> ObjectBytes(const Buffer& bytes, const TAsfHeader& header) {
    std::vector<Buffer> out;
    for (const TAsfObjectSpan& o : header.objects) {
        out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(o.offset),
                         bytes.begin() + static_cast<std::ptrdiff_t>(o.offset + o.size));
    }
    return out;
}

TEST(AsfHeaderWrite, RebuildsDescriptionsAndCopiesEverythingElse) {
    const Buffer original = FullHeader();
    TAsfHeader header = Parse(original);
    bool extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(header, {u"Title", WMT_TYPE_STRING, Utf16z(u"Neu \u00fc")}, &extensionChanged), S_OK);
    ASSERT_EQ(StoreFileAttribute(header, {u"WM/MCDI", WMT_TYPE_BINARY, {9, 9}}, &extensionChanged), S_OK);
    ASSERT_EQ(StoreFileAttribute(header, {u"WM/Year", WMT_TYPE_STRING, Utf16z(u"1999")}, &extensionChanged), S_OK);
    EXPECT_FALSE(extensionChanged);

    const std::uint64_t rest = 1234;
    const Buffer rewritten = WriteAsfHeader(original, header, extensionChanged, rest);
    const TAsfHeader again = Parse(rewritten);
    EXPECT_EQ(again.headerBytes, rewritten.size());
    EXPECT_EQ(again.fileSize, rewritten.size() + rest);
    ASSERT_EQ(again.objects.size(), header.objects.size());

    const auto before = ObjectBytes(original, header);
    const auto after = ObjectBytes(rewritten, again);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const GUID& id = header.objects[i].id;
        if (id == ASF_Content_Description_Object || id == ASF_Extended_Content_Description_Object) continue;
        if (id == ASF_File_Properties_Object) {
            // Only the file size field differs.
            Buffer patched = before[i];
            std::copy_n(after[i].begin() + kAsfFileSizeFieldOffset, 8, patched.begin() + kAsfFileSizeFieldOffset);
            EXPECT_EQ(patched, after[i]);
            continue;
        }
        EXPECT_EQ(before[i], after[i]) << "object " << i;
    }
    const auto list = ListFileAttributes(again);
    EXPECT_EQ(Find(list, u"Title")->value, Utf16z(u"Neu \u00fc"));
    EXPECT_EQ(Find(list, u"Author")->value, Utf16z(u"Band"));
    EXPECT_EQ(Find(list, u"WM/MCDI")->value, (Buffer{9, 9}));
    EXPECT_EQ(Find(list, u"WM/Year")->value, Utf16z(u"1999"));
    EXPECT_EQ(list.size(), ListFileAttributes(header).size());
}

TEST(AsfHeaderWrite, AddsMissingObjectsAndPlacesEveryType) {
    const Buffer original = Header({FileProperties(0, 10'000'000, 0), AudioStream(1, 8000), Extension({})});
    TAsfHeader header = Parse(original);
    bool extensionChanged = false;
    const TAsfAttribute values[] = {
        {u"Author", WMT_TYPE_STRING, Utf16z(u"\u65e5\u672c")},
        {u"WM/Text", WMT_TYPE_STRING, Utf16z(u"x")},
        {u"WM/Bytes", WMT_TYPE_BINARY, {0, 1, 0xFF}},
        {u"WM/Bool", WMT_TYPE_BOOL, Le<std::uint32_t>(1)},
        {u"WM/Dword", WMT_TYPE_DWORD, Le<std::uint32_t>(0xDEADBEEF)},
        {u"WM/Qword", WMT_TYPE_QWORD, Le<std::uint64_t>(1ull << 40)},
        {u"WM/Word", WMT_TYPE_WORD, Le<std::uint16_t>(0xBEEF)},
        {u"WM/Guid", WMT_TYPE_GUID, kGuidValue},
    };
    for (const TAsfAttribute& v : values) ASSERT_EQ(StoreFileAttribute(header, v, &extensionChanged), S_OK);
    EXPECT_TRUE(extensionChanged);  // the GUID went into a new library object

    const TAsfHeader again = Parse(WriteAsfHeader(original, header, extensionChanged, 0));
    EXPECT_TRUE(again.hasContentDescription);
    EXPECT_TRUE(again.hasExtendedContent);
    ASSERT_EQ(again.metadataLibrary.size(), 1u);
    const auto list = ListFileAttributes(again);
    for (const TAsfAttribute& v : values) {
        const TAsfAttribute* a = Find(list, v.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->type, v.type);
        EXPECT_EQ(a->value, v.value);
    }
}

TEST(AsfHeaderWrite, ReplacesValuesWhereTheyLive) {
    const Buffer original = FullHeader();
    TAsfHeader header = Parse(original);
    const std::size_t count = ListFileAttributes(header).size();
    bool extensionChanged = false;
    // In the metadata object and in the library.
    ASSERT_EQ(StoreFileAttribute(header, {u"WM/Flag", WMT_TYPE_BOOL, Le<std::uint32_t>(0)}, &extensionChanged), S_OK);
    ASSERT_EQ(StoreFileAttribute(header, {u"WM/Id", WMT_TYPE_GUID, Buffer(16, 0xEE)}, &extensionChanged), S_OK);
    EXPECT_TRUE(extensionChanged);
    const Buffer once = WriteAsfHeader(original, header, extensionChanged, 0);
    TAsfHeader again = Parse(once);
    auto list = ListFileAttributes(again);
    EXPECT_EQ(list.size(), count);
    EXPECT_EQ(Find(list, u"WM/Flag")->value, Le<std::uint32_t>(0));
    EXPECT_EQ(Find(list, u"WM/Id")->value, Buffer(16, 0xEE));
    ASSERT_EQ(again.metadata.size(), 2u);
    EXPECT_EQ(again.metadata[1].stream, 1);  // the other stream's record survives

    // A GUID for a descriptor or a metadata object record moves into the
    // library, which alone can hold one; no older copy stays behind.
    extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(again, {u"WM/Shorty", WMT_TYPE_GUID, Buffer(16, 0x11)}, &extensionChanged), S_OK);
    ASSERT_EQ(StoreFileAttribute(again, {u"WM/Flag", WMT_TYPE_GUID, Buffer(16, 0x22)}, &extensionChanged), S_OK);
    const TAsfHeader twice = Parse(WriteAsfHeader(once, again, extensionChanged, 0));
    list = ListFileAttributes(twice);
    EXPECT_EQ(list.size(), count);
    EXPECT_EQ(Find(list, u"WM/Shorty")->value, Buffer(16, 0x11));
    EXPECT_EQ(Find(list, u"WM/Flag")->value, Buffer(16, 0x22));
    ASSERT_EQ(twice.metadata.size(), 1u);
    EXPECT_EQ(twice.metadata[0].stream, 1);
}

// Readers look names up without regard to case, so an entry in another
// spelling (as other programs write "title" beside the description's Title)
// would hide a stored value: storing replaces every namesake.
TEST(AsfHeaderWrite, StoringReplacesNamesakesInEveryCase) {
    const Buffer original = Header({
        ContentDescription({u"Old", u"Old Band", u"", u"", u""}),
        ExtendedContent({
            {u"title", 0, Utf16z(u"old lower")},
            {u"AUTHOR", 0, Utf16z(u"old upper")},
            {u"wm/albumtitle", 0, Utf16z(u"old album")},
            {u"WM/ALBUMTITLE", 0, Utf16z(u"older album")},
        }),
        Extension({MetadataObject(ASF_Metadata_Library_Object, {{0, u"Wm/AlbumTitle", 0, Utf16z(u"oldest")}})}),
    });
    TAsfHeader header = Parse(original);
    bool extensionChanged = false;
    struct Case {
        std::u16string name;
        std::u16string value;
    };
    const Case cases[] = {
        {u"Title", u"New Title"},
        {u"author", u"New Band"},
        {u"WM/AlbumTitle", u"New Album"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(StoreFileAttribute(header, {c.name, WMT_TYPE_STRING, Utf16z(c.value)}, &extensionChanged), S_OK);
    }
    EXPECT_EQ(StoreFileAttribute(header, {u"duration", WMT_TYPE_QWORD, Le<std::uint64_t>(1)}, &extensionChanged),
              MEDIACORE_E_READ_ONLY);
    const auto list = ListFileAttributes(Parse(WriteAsfHeader(original, header, extensionChanged, 0)));
    for (const Case& c : cases) {
        std::vector<std::u16string> values;
        for (const TAsfAttribute& a : list) {
            std::u16string folded = a.name;
            std::u16string wanted = c.name;
            for (auto* text : {&folded, &wanted}) {
                for (char16_t& u : *text) u = (u >= u'A' && u <= u'Z') ? static_cast<char16_t>(u + 32) : u;
            }
            if (folded == wanted) values.push_back(std::u16string(reinterpret_cast<const char16_t*>(a.value.data()),
                                                                  a.value.size() / 2 - 1));
        }
        EXPECT_EQ(values, std::vector<std::u16string>{c.value}) << std::string(c.name.begin(), c.name.end());
    }
}

TEST(AsfHeaderWrite, RepeatedObjectsKeepEveryValueOnce) {
    const Buffer original = Header({
        ExtendedContent({{u"A", 3, Le<std::uint32_t>(1)}}),
        ExtendedContent({{u"B", 3, Le<std::uint32_t>(2)}}),
        Extension({MetadataObject(ASF_Metadata_Library_Object, {{0, u"C", 5, Le<std::uint16_t>(3)}}),
                   MetadataObject(ASF_Metadata_Library_Object, {{0, u"D", 5, Le<std::uint16_t>(4)}})}),
    });
    TAsfHeader header = Parse(original);
    bool extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(header, {u"E", WMT_TYPE_GUID, kGuidValue}, &extensionChanged), S_OK);
    const auto list = ListFileAttributes(Parse(WriteAsfHeader(original, header, extensionChanged, 0)));
    std::vector<std::u16string> names;
    for (const auto& a : list) names.push_back(a.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Duration", u"Bitrate", u"A", u"B", u"C", u"D", u"E"}));
}

// A file may carry a second Header Extension Object (damaged, or written by
// a careless tool): the first is the one read and rebuilt, the second is
// copied as it stands, and nothing is read outside the header's bytes.
TEST(AsfHeaderWrite, ASecondExtensionIsKeptAsItStands) {
    const Buffer second = Extension({MetadataObject(ASF_Metadata_Object, {{0, u"Late", 5, Le<std::uint16_t>(9)}})});
    const Buffer original = Header({
        Extension({MetadataObject(ASF_Metadata_Object, {{0, u"WM/Flag", 2, Le<std::uint16_t>(1)}}),
                   MetadataObject(ASF_Metadata_Library_Object, {{0, u"C", 5, Le<std::uint16_t>(3)}}),
                   Object(GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, Buffer(300, 0x5A))}),
        second,
    });
    TAsfHeader header = Parse(original);
    bool extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(header, {u"E", WMT_TYPE_GUID, kGuidValue}, &extensionChanged), S_OK);
    const Buffer rewritten = WriteAsfHeader(original, header, extensionChanged, 0);
    const TAsfHeader again = Parse(rewritten);
    std::vector<std::u16string> names;
    for (const auto& a : ListFileAttributes(again)) names.push_back(a.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Duration", u"Bitrate", u"WM/Flag", u"C", u"E"}));
    ASSERT_EQ(again.objects.size(), 2u);
    EXPECT_TRUE(std::search(rewritten.begin(), rewritten.end(), second.begin(), second.end()) != rewritten.end());
    EXPECT_TRUE(std::search(rewritten.begin(), rewritten.end(), original.begin() + 30, original.begin() + 30 + 24) ==
                rewritten.end());
}

// Texts a file stores without their terminator at the largest length a
// 16-bit field allows are handed out terminated, but written back as they
// came: with the terminator they would no longer fit their length field.
TEST(AsfHeaderWrite, TextsAtTheLengthLimitAreWrittenBackAsTheyCame) {
    const std::u16string longName(0xFFFE / 2, u'n');
    Buffer longValue;
    for (std::size_t i = 0; i < 0xFFFE / 2; ++i) longValue.insert(longValue.end(), {'v', 0});
    Buffer body;
    AppendU16(body, 1);
    AppendU16(body, 0xFFFE);
    for (char16_t unit : longName) AppendU16(body, unit);
    AppendU16(body, 0);
    AppendU16(body, 0xFFFE);
    body.insert(body.end(), longValue.begin(), longValue.end());
    // The author likewise, in the content description.
    Buffer content;
    for (std::uint16_t length : {0, 0xFFFE, 0, 0, 0}) AppendU16(content, length);
    for (char16_t unit : longName) AppendU16(content, unit);
    const Buffer original = Header({Object(ASF_Extended_Content_Description_Object, body),
                                    Object(ASF_Content_Description_Object, content)});

    TAsfHeader header = Parse(original);
    ASSERT_EQ(header.extendedContent.size(), 1u);
    EXPECT_EQ(header.extendedContent[0].name, longName);
    bool extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(header, {u"Title", WMT_TYPE_STRING, Utf16z(u"T")}, &extensionChanged), S_OK);
    const Buffer rewritten = WriteAsfHeader(original, header, extensionChanged, 0);
    const TAsfHeader again = Parse(rewritten);
    ASSERT_EQ(again.extendedContent.size(), 1u);
    EXPECT_EQ(again.extendedContent[0].name, longName);
    EXPECT_EQ(again.extendedContent[0].value, header.extendedContent[0].value);
    EXPECT_EQ(again.content[kAsfTitle], u"T");
    EXPECT_EQ(again.content[kAsfAuthor], longName);
}

// Counts of descriptors and records are 16 bits wide; repeated objects can
// hold more between them, and they are written back into as many objects as
// they need rather than under a count that wrapped.
TEST(AsfHeaderWrite, MoreEntriesThanOneObjectCountsGoIntoSeveral) {
    const std::size_t half = 33000;  // two of them pass the count of 65,535
    const auto descriptors = [](std::size_t from, std::size_t count) {
        std::vector<TDescriptor> out;
        for (std::size_t i = from; i < from + count; ++i) out.push_back({u"d", 5, Le<std::uint16_t>(i & 0xFFFF)});
        return out;
    };
    const auto records = [](std::size_t count) {
        std::vector<TRecord> out(count, TRecord{0, u"r", 5, Le<std::uint16_t>(1)});
        return out;
    };
    const Buffer original = Header({
        ExtendedContent(descriptors(0, half)),
        ExtendedContent(descriptors(half, half)),
        Extension({MetadataObject(ASF_Metadata_Library_Object, records(half)),
                   MetadataObject(ASF_Metadata_Library_Object, records(half))}),
    });
    TAsfHeader header = Parse(original);
    ASSERT_EQ(header.extendedContent.size(), 2 * half);
    ASSERT_EQ(header.metadataLibrary.size(), 2 * half);
    bool extensionChanged = false;
    ASSERT_EQ(StoreFileAttribute(header, {u"r", WMT_TYPE_WORD, Le<std::uint16_t>(7)}, &extensionChanged), S_OK);
    ASSERT_TRUE(extensionChanged);
    const Buffer rewritten = WriteAsfHeader(original, header, extensionChanged, 0);
    const TAsfHeader again = Parse(rewritten);
    std::uint32_t counted = 0;
    std::memcpy(&counted, rewritten.data() + 24, sizeof counted);
    EXPECT_EQ(counted, again.objects.size());
    ASSERT_EQ(again.extendedContent.size(), 2 * half);
    EXPECT_EQ(again.extendedContent.back().value, Le<std::uint16_t>((2 * half - 1) & 0xFFFF));
    ASSERT_EQ(again.metadataLibrary.size(), 2 * half);
    EXPECT_EQ(again.metadataLibrary.front().attribute.value, Le<std::uint16_t>(7));
    EXPECT_EQ(ListFileAttributes(again).size(), ListFileAttributes(header).size());
}

TEST(AsfHeaderWrite, RefusesWhatTheObjectsCannotHold) {
    TAsfHeader header = Parse(FullHeader());
    bool extensionChanged = false;
    struct TCase {
        TAsfAttribute attribute;
        HRESULT expected;
    };
    const TCase cases[] = {
        {{u"Duration", WMT_TYPE_QWORD, Le<std::uint64_t>(1)}, MEDIACORE_E_READ_ONLY},
        {{u"Bitrate", WMT_TYPE_DWORD, Le<std::uint32_t>(1)}, MEDIACORE_E_READ_ONLY},
        {{u"Title", WMT_TYPE_DWORD, Le<std::uint32_t>(1)}, E_INVALIDARG},
        {{u"", WMT_TYPE_STRING, Utf16z(u"x")}, E_INVALIDARG},
        {{std::u16string(40000, u'n'), WMT_TYPE_STRING, Utf16z(u"x")}, E_INVALIDARG},
    };
    for (const TCase& c : cases) EXPECT_EQ(StoreFileAttribute(header, c.attribute, &extensionChanged), c.expected);
}

}  // namespace
