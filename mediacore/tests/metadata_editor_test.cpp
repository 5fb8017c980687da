// The metadata editor over hand-built files: typed attributes set, saved
// through a temporary file and read back; what a failed save leaves; the
// files it refuses; the two-call size protocol of the header information.

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "mediacore/errors.h"
#include "mediacore/metadata_editor.h"
#include "mediacore/tests/asf_builder.h"
#include "testsupport/temp_dir.h"
#include "utilities/unicode.h"

namespace {

using namespace asftest;
using testsupport::ReadWholeFile;
using testsupport::TempDir;
using testsupport::WriteWholeFile;

std::string AsText(const Buffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A small song file: a header with some attributes and a data object.
Buffer SongFile() {
    const Buffer data = DataObject(300);
    Buffer header = Header({FileProperties(0, 20'000'000, 0), AudioStream(1, 16000),
                            ContentDescription({u"Old", u"", u"", u"", u""}),
                            ExtendedContent({{u"WM/Genre", 0, Utf16z(u"Rock")}}), Extension({})});
    Buffer file = Concat({header, data});
    PatchU64(file, 30 + 24 + 16, file.size());
    return file;
}

struct TValue {
    WMT_ATTR_DATATYPE type;
    Buffer value;
    bool operator==(const TValue&) const = default;
};

// Every file attribute, by name, through the interface.
std::map<std::u16string, TValue> ReadAll(IWMHeaderInfo& info) {
    std::map<std::u16string, TValue> out;
    WORD count = 0;
    EXPECT_EQ(info.GetAttributeCount(0, &count), S_OK);
    for (WORD i = 0; i < count; ++i) {
        WORD stream = 0, nameLength = 0, valueLength = 0;
        WMT_ATTR_DATATYPE type{};
        EXPECT_EQ(info.GetAttributeByIndex(i, &stream, nullptr, &nameLength, &type, nullptr, &valueLength), S_OK);
        std::u16string name(nameLength, u'\0');
        Buffer value(valueLength);
        EXPECT_EQ(info.GetAttributeByIndex(i, &stream, name.data(), &nameLength, &type, value.data(), &valueLength),
                  S_OK);
        name.resize(nameLength - 1u);
        out[name] = {type, value};
    }
    return out;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("song \u00e4.wma");
        WriteWholeFile(path_, AsText(SongFile()));
        editor_ = new CMetadataEditor();
        editor_->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&info_));
    }
    void TearDown() override {
        info_->Release();
        editor_->Release();
    }
    HRESULT OpenSong() { return editor_->Open(Utf8ToUtf16(path_).c_str()); }
    HRESULT Set(const std::u16string& name, WMT_ATTR_DATATYPE type, const Buffer& value) {
        return info_->SetAttribute(0, name.c_str(), type, value.data(), static_cast<WORD>(value.size()));
    }
    // Names in the folder other than the song.
    std::vector<std::string> StrayFiles() const {
        std::vector<std::string> names;
        DIR* folder = opendir(dir_.Path().c_str());
        while (dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && name != "link.wma" && dir_.File(name) != path_) names.push_back(name);
        }
        closedir(folder);
        return names;
    }

    TempDir dir_;
    std::string path_;
    CMetadataEditor* editor_ = nullptr;
    IWMHeaderInfo* info_ = nullptr;
};

TEST_F(EditorTest, EveryTypeSetFlushedAndReadBack) {
    const std::map<std::u16string, TValue> values = {
        {u"Title", {WMT_TYPE_STRING, Utf16z(u"N\u00e9u \u266B \U0001F3B5")}},
        {u"WM/Genre", {WMT_TYPE_STRING, Utf16z(u"Jazz")}},
        {u"WM/MCDI", {WMT_TYPE_BINARY, {0x31, 0, 0x2B, 0, 0, 0xFF, 0x7F}}},
        {u"WM/Bool", {WMT_TYPE_BOOL, Le<std::uint32_t>(1)}},
        {u"WM/Dword", {WMT_TYPE_DWORD, Le<std::uint32_t>(0x89ABCDEF)}},
        {u"WM/Qword", {WMT_TYPE_QWORD, Le<std::uint64_t>(0x0123456789ABCDEFull)}},
        {u"WM/Word", {WMT_TYPE_WORD, Le<std::uint16_t>(0xFEDC)}},
        {u"WM/Guid", {WMT_TYPE_GUID, Buffer{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}},
    };
    const std::string before = ReadWholeFile(path_);
    ASSERT_EQ(OpenSong(), S_OK);
    for (const auto& [name, v] : values) ASSERT_EQ(Set(name, v.type, v.value), S_OK) << Utf16ToUtf8(name);
    ASSERT_EQ(editor_->Flush(), S_OK);
    EXPECT_TRUE(StrayFiles().empty());

    // The data object follows the new header unchanged.
    const std::string after = ReadWholeFile(path_);
    const std::string data = AsText(DataObject(300));
    EXPECT_EQ(after.substr(after.size() - data.size()), data);

    ASSERT_EQ(OpenSong(), S_OK);
    const auto read = ReadAll(*info_);
    for (const auto& [name, v] : values) {
        ASSERT_EQ(read.count(name), 1u) << Utf16ToUtf8(name);
        EXPECT_EQ(read.at(name), v) << Utf16ToUtf8(name);
    }
    EXPECT_EQ(read.at(u"Duration"), (TValue{WMT_TYPE_QWORD, Le<std::uint64_t>(20'000'000)}));
    EXPECT_EQ(read.at(u"Bitrate"), (TValue{WMT_TYPE_DWORD, Le<std::uint32_t>(128000)}));
    EXPECT_EQ(editor_->Close(), S_OK);
    EXPECT_NE(before, after);
}

TEST_F(EditorTest, FailedSaveLeavesTheOriginal) {
    const std::string before = ReadWholeFile(path_);
    ASSERT_EQ(OpenSong(), S_OK);
    ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Lost")), S_OK);

    // A file size limit below the new file's size makes the write fail
    // part-way, as a full disk would.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &tight);
    const HRESULT hr = editor_->Flush();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(hr, MEDIACORE_E_FILE);
    EXPECT_EQ(ReadWholeFile(path_), before);
    EXPECT_TRUE(StrayFiles().empty());
    // Still open: the save can be tried again.
    EXPECT_EQ(editor_->Flush(), S_OK);
    EXPECT_NE(ReadWholeFile(path_), before);
}

// A save that was killed leaves its temporary file beside the song: the
// next open or save of that song removes it, but never the file of a save
// still running (which holds it locked), nor files of other names.
TEST_F(EditorTest, LeftoversOfKilledSavesAreRemoved) {
    const std::string stale = path_ + ".tagsave-a1B2c3";
    const std::string running = path_ + ".tagsave-Zz9Yy8";
    const std::vector<std::string> others = {path_ + ".tagsave-toolong1", dir_.File("other.wma.tagsave-a1B2c3"),
                                             path_ + ".XXXXXX"};
    for (const std::string& name : others) WriteWholeFile(name, "not ours");
    WriteWholeFile(stale, std::string(5000, 's'));
    WriteWholeFile(running, "being written");
    const int held = open(running.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);

    ASSERT_EQ(OpenSong(), S_OK);
    EXPECT_FALSE(std::filesystem::exists(stale)) << "removed at the open";
    EXPECT_TRUE(std::filesystem::exists(running));
    WriteWholeFile(stale, "left again by another killed save");
    ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Saved")), S_OK);
    ASSERT_EQ(editor_->Flush(), S_OK);
    EXPECT_FALSE(std::filesystem::exists(stale)) << "removed at the save";
    EXPECT_TRUE(std::filesystem::exists(running)) << "a running save keeps its file";
    for (const std::string& name : others) EXPECT_TRUE(std::filesystem::exists(name)) << name;

    close(held);
    ASSERT_EQ(OpenSong(), S_OK);
    EXPECT_FALSE(std::filesystem::exists(running)) << "its save is gone";
    EXPECT_EQ(editor_->Close(), S_OK);
}

// Songs whose names take nearly all of the 255 bytes a folder entry holds
// (names of several-byte characters included) save as any other: the
// temporary file's name is cut to fit, and nothing is left beside them.
TEST_F(EditorTest, SongsOfTheLongestNamesSave) {
    const std::string twoByte = "\u00e4";
    const std::vector<std::string> names = {
        std::string(237, 'a') + ".wma",
        std::string(246, 'b') + ".wma",
        std::string(251, 'c') + ".wma",
        std::string(1, 'd') + [&] {
            std::string text;
            while (text.size() + twoByte.size() <= 250) text += twoByte;
            return text;
        }() + ".wma",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        ASSERT_LE(name.size(), 255u);
        std::filesystem::remove(path_);
        path_ = dir_.File(name);
        WriteWholeFile(path_, AsText(SongFile()));
        ASSERT_EQ(OpenSong(), S_OK);
        ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Saved")), S_OK);
        ASSERT_EQ(editor_->Flush(), S_OK);
        EXPECT_TRUE(StrayFiles().empty());
        ASSERT_EQ(OpenSong(), S_OK);
        EXPECT_EQ(ReadAll(*info_).at(u"Title").value, Utf16z(u"Saved"));
        EXPECT_EQ(editor_->Close(), S_OK);
    }
}

TEST_F(EditorTest, RefusedFiles) {
    Buffer protectedFile = Concat({Header({FileProperties(0, 1, 0), Object(ASF_Content_Encryption_Object, Buffer(8, 0))}),
                                   DataObject(10)});
    WriteWholeFile(dir_.File("protected.wma"), AsText(protectedFile));
    WriteWholeFile(dir_.File("text.wma"), "not a media file at all, just some text");
    Buffer cut = SongFile();
    cut.resize(100);
    WriteWholeFile(dir_.File("cut.wma"), AsText(cut));

    const struct {
        const char* file;
        HRESULT expected;
    } cases[] = {{"protected.wma", MEDIACORE_E_PROTECTED},
                 {"text.wma", MEDIACORE_E_BAD_HEADER},
                 {"cut.wma", MEDIACORE_E_BAD_HEADER},
                 {"missing.wma", MEDIACORE_E_FILE},
                 {"", MEDIACORE_E_FILE}};
    for (const auto& c : cases) {
        EXPECT_EQ(editor_->Open(Utf8ToUtf16(dir_.File(c.file)).c_str()), c.expected) << c.file;
    }
    EXPECT_EQ(editor_->Open(nullptr), E_INVALIDARG);
}

TEST_F(EditorTest, AttributeSizeProtocolAndArguments) {
    ASSERT_EQ(OpenSong(), S_OK);
    WORD stream = 0, nameLength = 0, valueLength = 0;
    WMT_ATTR_DATATYPE type{};
    // Index 2 is the title "Old".
    ASSERT_EQ(info_->GetAttributeByIndex(2, &stream, nullptr, &nameLength, &type, nullptr, &valueLength), S_OK);
    EXPECT_EQ(nameLength, 6);
    EXPECT_EQ(valueLength, 8);
    WCHAR name[6];
    BYTE value[8];
    WORD small = 7;
    EXPECT_EQ(info_->GetAttributeByIndex(2, &stream, name, &nameLength, &type, value, &small),
              MEDIACORE_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(small, 8);
    EXPECT_EQ(info_->GetAttributeByIndex(9, &stream, name, &nameLength, &type, value, &valueLength), E_INVALIDARG);

    const BYTE four[4] = {};
    const struct {
        WORD stream;
        WMT_ATTR_DATATYPE type;
        WORD length;
        HRESULT expected;
    } sets[] = {{0, WMT_TYPE_DWORD, 3, E_INVALIDARG}, {0, WMT_TYPE_WORD, 4, E_INVALIDARG},
                {0, WMT_TYPE_STRING, 3, E_INVALIDARG}, {0, static_cast<WMT_ATTR_DATATYPE>(9), 4, E_INVALIDARG},
                {1, WMT_TYPE_DWORD, 4, E_INVALIDARG}, {0, WMT_TYPE_DWORD, 4, S_OK}};
    for (const auto& s : sets) {
        EXPECT_EQ(info_->SetAttribute(s.stream, u"WM/X", s.type, four, s.length), s.expected);
    }
    EXPECT_EQ(info_->SetAttribute(0, u"Duration", WMT_TYPE_QWORD, value, 8), MEDIACORE_E_READ_ONLY);

    // Flush closes: nothing more can be asked of the file.
    ASSERT_EQ(editor_->Flush(), S_OK);
    WORD count = 0;
    EXPECT_EQ(info_->GetAttributeCount(0, &count), MEDIACORE_E_NOT_OPEN);
    EXPECT_EQ(info_->SetAttribute(0, u"WM/X", WMT_TYPE_DWORD, four, 4), MEDIACORE_E_NOT_OPEN);
    EXPECT_EQ(editor_->Flush(), MEDIACORE_E_NOT_OPEN);
}

TEST_F(EditorTest, FileChangedSinceOpenIsNotOverwritten) {
    ASSERT_EQ(OpenSong(), S_OK);
    ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Mine")), S_OK);
    // Someone else retitles the song meanwhile, keeping its size.
    std::string theirs = ReadWholeFile(path_);
    const std::string old = AsText(Utf16z(u"Old"));
    theirs.replace(theirs.find(old), old.size(), AsText(Utf16z(u"New")));
    WriteWholeFile(path_, theirs);
    EXPECT_EQ(editor_->Flush(), MEDIACORE_E_FILE);
    EXPECT_EQ(ReadWholeFile(path_), theirs);
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(EditorTest, SavingThroughALinkReplacesTheSong) {
    const std::string link = dir_.File("link.wma");
    ASSERT_EQ(symlink(path_.c_str(), link.c_str()), 0);
    ASSERT_EQ(editor_->Open(Utf8ToUtf16(link).c_str()), S_OK);
    ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Linked")), S_OK);
    ASSERT_EQ(editor_->Flush(), S_OK);
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(OpenSong(), S_OK);
    EXPECT_EQ(ReadAll(*info_).at(u"Title").value, Utf16z(u"Linked"));
}

TEST_F(EditorTest, NothingSetNothingWritten) {
    ASSERT_EQ(OpenSong(), S_OK);
    const std::string before = ReadWholeFile(path_);
    ASSERT_EQ(Set(u"Title", WMT_TYPE_STRING, Utf16z(u"Unsaved")), S_OK);
    ASSERT_EQ(editor_->Close(), S_OK);
    ASSERT_EQ(OpenSong(), S_OK);
    ASSERT_EQ(editor_->Flush(), S_OK);
    EXPECT_EQ(ReadWholeFile(path_), before);
}

}  // namespace
