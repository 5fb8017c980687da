// Attributes of files made by the ffmpeg program (both Windows Media audio
// versions), set through the module's editor, read back by the editor and by
// independent readers (mutagen, ffprobe), with the audio left as it was.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mediacore/tests/mediacore_module.h"
#include "testsupport/temp_dir.h"
#include "utilities/unicode.h"

#ifndef MEDIACORE_TEST_DIR
#error "MEDIACORE_TEST_DIR names the folder of this test's scripts"
#endif

namespace {

using Buffer = std::vector<std::uint8_t>;
using mediatest::TMediaModule;
using testsupport::ReadWholeFile;
using testsupport::TempDir;

bool RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[4096];
        while (std::size_t got = fread(block, 1, sizeof block, pipe)) out.append(block, got);
        pclose(pipe);
    }
    return out;
}

template <typename Number>
Buffer Le(Number value) {
    Buffer out;
    for (std::size_t i = 0; i < sizeof(Number); ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

Buffer Text(const std::u16string& text) {
    Buffer out;
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    out.insert(out.end(), {0, 0});
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

struct TSet {
    std::u16string name;
    WMT_ATTR_DATATYPE type;
    Buffer value;
    // What mutagen prints for it: its type number and the value.
    int readerType;
    std::string readerValue;
};

const std::u16string kTitle = u"Tr\u00e4ume \u266B \u65e5\u672c";
const Buffer kMcdi = {0x35, 0x00, 0x2B, 0x00, 0x39, 0x00, 0x36, 0x00, 0x2B, 0x00, 0x00, 0x00, 0xFF, 0x01};

std::vector<TSet> Attributes() {
    return {
        {u"Title", WMT_TYPE_STRING, Text(kTitle), 0, Hex(Utf16ToUtf8(kTitle))},
        {u"Author", WMT_TYPE_STRING, Text(u"Ensemble \u00c9t\u00e9"), 0, Hex("Ensemble \xc3\x89t\xc3\xa9")},
        {u"WM/AlbumTitle", WMT_TYPE_STRING, Text(u"Album"), 0, Hex("Album")},
        {u"WM/MCDI", WMT_TYPE_BINARY, kMcdi, 1, Hex(std::string(kMcdi.begin(), kMcdi.end()))},
        {u"WM/Bool", WMT_TYPE_BOOL, Le<std::uint32_t>(1), 2, "1"},
        {u"WM/Dword", WMT_TYPE_DWORD, Le<std::uint32_t>(3000000000u), 3, "3000000000"},
        {u"WM/Qword", WMT_TYPE_QWORD, Le<std::uint64_t>(1ull << 42), 4, std::to_string(1ull << 42)},
        {u"WM/Word", WMT_TYPE_WORD, Le<std::uint16_t>(65000), 5, "65000"},
        {u"WM/Guid", WMT_TYPE_GUID, Buffer{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 6,
         "0102030405060708090a0b0c0d0e0f10"},
    };
}

struct TRead {
    std::u16string name;
    WMT_ATTR_DATATYPE type;
    Buffer value;
};

// Every file attribute as the editor reads the file, in its order.
std::vector<TRead> EditorAttributes(TMediaModule& module, const std::string& path) {
    std::vector<TRead> out;
    IWMMetadataEditor* editor = nullptr;
    IWMHeaderInfo* info = nullptr;
    EXPECT_EQ(module.WMCreateEditor(&editor), S_OK);
    EXPECT_EQ(editor->Open(Utf8ToUtf16(path).c_str()), S_OK);
    editor->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&info));
    WORD count = 0;
    info->GetAttributeCount(0, &count);
    for (WORD i = 0; i < count; ++i) {
        WORD stream = 0, nameLength = 1024, valueLength = 512;
        WCHAR name[1024];
        BYTE value[512];
        WMT_ATTR_DATATYPE type{};
        if (info->GetAttributeByIndex(i, &stream, name, &nameLength, &type, value, &valueLength) == S_OK) {
            out.push_back({name, type, Buffer(value, value + valueLength)});
        }
    }
    info->Release();
    editor->Close();
    editor->Release();
    return out;
}

// name → (type, value) as the editor reads the file.
std::map<std::u16string, std::pair<WMT_ATTR_DATATYPE, Buffer>> ReadWithEditor(TMediaModule& module,
                                                                               const std::string& path) {
    std::map<std::u16string, std::pair<WMT_ATTR_DATATYPE, Buffer>> out;
    for (const TRead& read : EditorAttributes(module, path)) out[read.name] = {read.type, read.value};
    return out;
}

// Sets the attributes through the editor and saves the file.
void SetWithEditor(TMediaModule& module, const std::string& path, const std::vector<TSet>& sets) {
    IWMMetadataEditor* editor = nullptr;
    ASSERT_EQ(module.WMCreateEditor(&editor), S_OK);
    ASSERT_EQ(editor->Open(Utf8ToUtf16(path).c_str()), S_OK);
    IWMHeaderInfo* info = nullptr;
    ASSERT_EQ(editor->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&info)), S_OK);
    for (const TSet& set : sets) {
        EXPECT_EQ(info->SetAttribute(0, set.name.c_str(), set.type, set.value.data(), static_cast<WORD>(set.value.size())),
                  S_OK);
    }
    info->Release();
    ASSERT_EQ(editor->Flush(), S_OK);
    editor->Release();
}

std::uint64_t HeaderSize(const std::string& file) {
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = (size << 8) | static_cast<unsigned char>(file.at(16 + static_cast<std::size_t>(i)));
    return size;
}

class EditorOracle : public ::testing::TestWithParam<const char*> {};

TEST_P(EditorOracle, EveryTypeSurvivesForBothReaders) {
    if (!RunQuietly("ffmpeg -version") || !RunQuietly("/usr/bin/python3 -c 'import mutagen.asf'")) {
        GTEST_SKIP() << "ffmpeg and python3-mutagen are needed";
    }
    TempDir dir;
    const std::string path = dir.File("song.wma");
    ASSERT_TRUE(RunQuietly(std::string("ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=1 -ac 2 -c:a ") +
                    GetParam() + " -b:a 64k -metadata title=Old -metadata genre=Rock '" + path + "'"));
    const std::string before = ReadWholeFile(path);

    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    SetWithEditor(module, path, Attributes());

    // The audio after the header is untouched and still decodes.
    const std::string after = ReadWholeFile(path);
    EXPECT_EQ(after.substr(HeaderSize(after)), before.substr(HeaderSize(before)));
    EXPECT_TRUE(RunQuietly("ffmpeg -nostdin -v error -i '" + path + "' -f null -"));

    const auto ours = ReadWithEditor(module, path);
    for (const TSet& set : Attributes()) {
        ASSERT_EQ(ours.count(set.name), 1u) << Utf16ToUtf8(set.name);
        EXPECT_EQ(ours.at(set.name).first, set.type) << Utf16ToUtf8(set.name);
        EXPECT_EQ(ours.at(set.name).second, set.value) << Utf16ToUtf8(set.name);
    }
    // What ffmpeg wrote is still there.
    ASSERT_EQ(ours.count(u"WM/Genre"), 1u);
    EXPECT_EQ(ours.at(u"WM/Genre").second, Text(u"Rock"));
    // One second of audio, no preroll left in the length.
    Buffer duration = ours.at(u"Duration").second;
    ASSERT_EQ(duration.size(), 8u);
    std::uint64_t units = 0;
    for (int i = 7; i >= 0; --i) units = (units << 8) | duration[static_cast<std::size_t>(i)];
    EXPECT_NEAR(static_cast<double>(units), 10'000'000.0, 1'000'000.0);

    std::istringstream lines(Capture("/usr/bin/python3 " MEDIACORE_TEST_DIR "/read_asf_tags.py '" + path + "'"));
    std::map<std::string, std::pair<int, std::string>> theirs;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab1 = line.find('\t'), tab2 = line.rfind('\t');
        if (tab1 == std::string::npos || tab2 == tab1) continue;
        theirs[line.substr(0, tab1)] = {std::stoi(line.substr(tab1 + 1, tab2 - tab1 - 1)), line.substr(tab2 + 1)};
    }
    for (const TSet& set : Attributes()) {
        const std::string name = Utf16ToUtf8(set.name);
        ASSERT_EQ(theirs.count(name), 1u) << name;
        EXPECT_EQ(theirs.at(name).first, set.readerType) << name;
        EXPECT_EQ(theirs.at(name).second, set.readerValue) << name;
    }
}

// ffmpeg writes the artist twice: in the content description and as an
// extended descriptor "Author" (and the title once more as "title"). After
// an edit each is there once, with the new text, for every reader.
TEST_P(EditorOracle, AnEditedArtistIsTheOnlyOne) {
    if (!RunQuietly("ffmpeg -version") || !RunQuietly("ffprobe -version") ||
        !RunQuietly("/usr/bin/python3 -c 'import mutagen.asf'")) {
        GTEST_SKIP() << "ffmpeg, ffprobe and python3-mutagen are needed";
    }
    TempDir dir;
    const std::string path = dir.File("song.wma");
    ASSERT_TRUE(RunQuietly(std::string("ffmpeg -nostdin -v error -f lavfi -i sine=duration=1 -c:a ") + GetParam() +
                           " -metadata artist='FF Artist' -metadata title='FF Title' '" + path + "'"));
    const auto countOf = [&](const std::string& name) {
        std::istringstream lines(Capture("/usr/bin/python3 " MEDIACORE_TEST_DIR "/read_asf_tags.py '" + path + "'"));
        std::vector<std::string> values;
        for (std::string line; std::getline(lines, line);) {
            if (line.compare(0, name.size() + 1, name + "\t") == 0) values.push_back(line.substr(line.rfind('\t') + 1));
        }
        return values;
    };
    ASSERT_EQ(countOf("Author").size(), 2u) << "ffmpeg no longer writes the artist twice";

    TMediaModule module;
    ASSERT_NE(module.handle, nullptr);
    const Buffer artist = Text(u"New Artist");
    SetWithEditor(module, path,
                  {{u"Author", WMT_TYPE_STRING, artist, 0, ""}, {u"Title", WMT_TYPE_STRING, Text(u"New Title"), 0, ""}});
    std::vector<Buffer> authors;
    for (const TRead& read : EditorAttributes(module, path)) {
        if (read.name == u"Author") authors.push_back(read.value);
    }
    EXPECT_EQ(authors, std::vector<Buffer>{artist});

    EXPECT_EQ(countOf("Author"), std::vector<std::string>{Hex("New Artist")});
    EXPECT_EQ(countOf("Title"), std::vector<std::string>{Hex("New Title")});
    EXPECT_TRUE(countOf("title").empty());
    const std::string tags =
        Capture("ffprobe -v quiet -show_entries format_tags=artist,title -of default=noprint_wrappers=1 '" + path + "'");
    EXPECT_NE(tags.find("TAG:artist=New Artist"), std::string::npos) << tags;
    EXPECT_NE(tags.find("TAG:title=New Title"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("FF "), std::string::npos) << tags;
}

INSTANTIATE_TEST_SUITE_P(BothVersions, EditorOracle, ::testing::Values("wmav1", "wmav2"));

}  // namespace
