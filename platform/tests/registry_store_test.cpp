#include "platform/registry_store.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry_text.h"
#include "platform/user_folders.h"
#include "testsupport/temp_dir.h"

namespace {

std::vector<std::string> gReports;
void CollectReport(const char* text) {
    gReports.emplace_back(text);
}

// Writes half of what it is given, then fails as a full disk would.
ssize_t HalfThenDiskFull(int fd, const void* data, std::size_t size) {
    static bool failNext = false;
    if (failNext || size < 2) {
        failNext = false;
        errno = ENOSPC;
        return -1;
    }
    failNext = true;
    return write(fd, data, size / 2);
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        gReports.clear();
        RegistrySetReportHook(CollectReport);
        RegistryStoreSetFolder(dir_.Path());
    }
    void TearDown() override {
        RegistrySetWriteFunction(nullptr);
        RegistryStoreSetFolder("");
        RegistrySetReportHook(nullptr);
    }

    static HKEY Create(HKEY root, const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKey(root, path, &key), ERROR_SUCCESS) << path;
        return key;
    }
    static void Set(HKEY key, const char* name, std::uint32_t type,
                    const std::vector<std::uint8_t>& data) {
        ASSERT_EQ(
            RegSetValueEx(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
            ERROR_SUCCESS);
    }
    // The value's type and bytes, or type 0xffffffff when it cannot be read.
    static std::pair<std::uint32_t, std::vector<std::uint8_t>> Get(HKEY key, const char* name) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS) {
            return {0xffffffffu, {}};
        }
        std::vector<std::uint8_t> data(size);
        EXPECT_EQ(RegQueryValueEx(key, name, &type, data.data(), &size), ERROR_SUCCESS);
        return {type, data};
    }
    static std::vector<std::string> SubKeyNames(HKEY key) {
        std::vector<std::string> names;
        char name[256];
        for (std::uint32_t i = 0; RegEnumKey(key, i, name, sizeof(name)) == ERROR_SUCCESS; ++i) {
            names.emplace_back(name);
        }
        return names;
    }
    static std::vector<std::string> ValueNames(HKEY key) {
        std::vector<std::string> names;
        char name[256];
        std::uint32_t size = sizeof(name);
        for (std::uint32_t i = 0;
             RegEnumValue(key, i, name, &size, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
            names.emplace_back(name);
            size = sizeof(name);
        }
        return names;
    }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        if (DIR* folder = opendir(dir_.Path().c_str()); folder != nullptr) {
            while (dirent* entry = readdir(folder)) {
                if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
            }
            closedir(folder);
        }
        return names;
    }

    testsupport::TempDir dir_;
};

}  // namespace

TEST_F(RegistryStoreTest, EveryValueTypeSurvivesAReload) {
    std::vector<std::uint8_t> allBytes;
    for (int i = 0; i < 300; ++i) allBytes.push_back(static_cast<std::uint8_t>(i * 7));
    const std::vector<std::uint8_t> awkwardText =
        Bytes("a \"quoted\" \\path\\\r\nline\x01 \xc3\xa9t\xc3\xa9");
    const std::vector<std::uint8_t> number = {0x2a, 0, 0, 0x80};

    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith");
    Set(key, "Name", REG_SZ, Bytes("abc"));
    Set(key, "Awkward", REG_SZ, awkwardText);
    Set(key, "Count", REG_DWORD, number);
    Set(key, "ShortNumber", REG_DWORD, {1, 2});
    Set(key, "Record", REG_BINARY, allBytes);
    Set(key, "Odd", 0x4711, {0, 1, 2});
    Set(key, "Empty", REG_BINARY, {});
    Set(key, nullptr, REG_SZ, Bytes("default"));
    HKEY emptyKey = Create(key, "Empty Key");
    ASSERT_EQ(RegCloseKey(emptyKey), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    HKEY machine = Create(HKEY_LOCAL_MACHINE, "SYSTEM\\Options");
    Set(machine, "ProductType", REG_SZ, Bytes("WinNT"));
    ASSERT_EQ(RegCloseKey(machine), ERROR_SUCCESS);

    const std::string userText =
        testsupport::ReadWholeFile(RegistryStoreFilePath(HKEY_CURRENT_USER));
    EXPECT_NE(
        userText.find(
            "[HKEY_CURRENT_USER\\Software\\Marovelle\\Songsmith]\n@=\"default\"\n\"Awkward\""),
        std::string::npos)
        << userText;
    EXPECT_NE(userText.find("\"Name\"=\"abc\"\n"), std::string::npos) << "readable strings";
    EXPECT_NE(userText.find("\"Count\"=dword:8000002a\n"), std::string::npos);
    EXPECT_EQ(userText.find("ProductType"), std::string::npos) << "each root has its own file";

    RegistryStoreUnload();
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith", &key), ERROR_SUCCESS);
    using Value = std::pair<std::uint32_t, std::vector<std::uint8_t>>;
    EXPECT_EQ(Get(key, "Name"), Value(REG_SZ, Bytes("abc"))) << "stored without a terminator";
    EXPECT_EQ(Get(key, "Awkward"), Value(REG_SZ, awkwardText));
    EXPECT_EQ(Get(key, "Count"), Value(REG_DWORD, number));
    EXPECT_EQ(Get(key, "ShortNumber"), Value(REG_DWORD, {1, 2}));
    EXPECT_EQ(Get(key, "Record"), Value(REG_BINARY, allBytes));
    EXPECT_EQ(Get(key, "Odd"), Value(0x4711, {0, 1, 2}));
    EXPECT_EQ(Get(key, "Empty"), Value(REG_BINARY, {}));
    EXPECT_EQ(Get(key, ""), Value(REG_SZ, Bytes("default")));
    EXPECT_EQ(SubKeyNames(key), std::vector<std::string>{"Empty Key"});
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "SYSTEM\\Options", &machine), ERROR_SUCCESS);
    EXPECT_EQ(Get(machine, "ProductType"), Value(REG_SZ, Bytes("WinNT")));
    ASSERT_EQ(RegCloseKey(machine), ERROR_SUCCESS);
    EXPECT_TRUE(gReports.empty());
}

TEST_F(RegistryStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    HKEY first = Create(HKEY_CURRENT_USER, "SOFTWARE\\Marovelle\\Songsmith");
    Set(first, "SongsmithDir", REG_SZ, Bytes("/opt/songsmith"));
    HKEY second = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\marovelle\\SONGSMITH", &second),
              ERROR_SUCCESS);
    EXPECT_EQ(Get(second, "songsmithdir").second, Bytes("/opt/songsmith"));
    Set(second, "SONGSMITHDIR", REG_SZ, Bytes("/usr"));
    EXPECT_EQ(ValueNames(first), std::vector<std::string>{"SongsmithDir"});
    EXPECT_EQ(Get(first, "SongsmithDir").second, Bytes("/usr"));
    HKEY third = Create(HKEY_CURRENT_USER, "software");
    EXPECT_EQ(SubKeyNames(third), std::vector<std::string>{"Marovelle"});
    EXPECT_EQ(SubKeyNames(HKEY_CURRENT_USER), std::vector<std::string>{"SOFTWARE"});
    for (HKEY key : {first, second, third}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, EnumerationIsSortedAndStable) {
    HKEY key = Create(HKEY_CURRENT_USER, "Lists");
    for (const char* name : {"delta", "Bravo", "alpha", "Charlie"}) {
        RegCloseKey(Create(key, name));
        Set(key, name, REG_DWORD, {1, 0, 0, 0});
    }
    const std::vector<std::string> sorted = {"alpha", "Bravo", "Charlie", "delta"};
    EXPECT_EQ(SubKeyNames(key), sorted);
    EXPECT_EQ(ValueNames(key), sorted);
    Set(key, "bravo", REG_SZ, Bytes("changed"));
    EXPECT_EQ(ValueNames(key), sorted) << "a replaced value keeps its place";

    char tiny[5];
    EXPECT_EQ(RegEnumKey(key, 1, tiny, sizeof(tiny)), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKey(key, 4, tiny, sizeof(tiny)), ERROR_NO_MORE_ITEMS);

    // Deleting index 0 while one exists empties the key.
    char name[256];
    int rounds = 0;
    while (RegEnumKey(key, 0, name, sizeof(name)) == ERROR_SUCCESS && ++rounds < 10) {
        ASSERT_EQ(RegDeleteKey(key, name), ERROR_SUCCESS);
    }
    EXPECT_EQ(rounds, 4);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, DeletingAKeyTakesItsTreeAndInvalidatesHandles) {
    HKEY top = Create(HKEY_CURRENT_USER, "Top");
    HKEY deep = Create(top, "A\\B\\C");
    Set(deep, "v", REG_DWORD, {1, 0, 0, 0});
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKey(top, "A\\X", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(RegDeleteKey(top, "a"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(top, "a"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubKeyNames(top).empty());
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueEx(deep, "v", nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueEx(deep, "v", REG_SZ, nullptr, 0), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep), ERROR_SUCCESS) << "a handle on a deleted key still closes";
    EXPECT_EQ(RegCloseKey(deep), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValue(top, "nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(top), ERROR_SUCCESS);
}

TEST_F(RegistryStoreTest, RefusesKeyNamesTheFileCannotHold) {
    const std::string longest(kRegMaxKeyNameLength, 'k');
    struct Case {
        std::string path;
        std::uint32_t expected;
    } cases[] = {
        {longest, ERROR_SUCCESS},
        {longest + "k", ERROR_INVALID_PARAMETER},
        {"line\nbreak", ERROR_INVALID_PARAMETER},
        {"tab\there", ERROR_INVALID_PARAMETER},
        {"doubled\\\\separators\\", ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, c.path.c_str(), &key), c.expected) << c.path;
        if (key != nullptr) RegCloseKey(key);
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "doubled\\separators", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, AFailedSaveLeavesThePreviousFileIntact) {
    HKEY key = Create(HKEY_CURRENT_USER, "Prefs");
    Set(key, "Volume", REG_DWORD, {10, 0, 0, 0});
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    const std::string before = testsupport::ReadWholeFile(path);
    ASSERT_NE(before.find("dword:0000000a"), std::string::npos);

    RegistrySetWriteFunction(HalfThenDiskFull);
    Set(key, "Volume", REG_DWORD, {20, 0, 0, 0});
    Set(key, "Title", REG_SZ, Bytes(std::string(5000, 't')));
    EXPECT_EQ(RegCloseKey(key), ERROR_CANTWRITE);
    EXPECT_EQ(testsupport::ReadWholeFile(path), before);
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"current_user.reg"}) << "no temporary left";
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_NE(gReports[0].find("could not write"), std::string::npos) << gReports[0];

    // The change is still pending and goes out with the next save.
    RegistrySetWriteFunction(nullptr);
    EXPECT_EQ(RegistryStoreSave(), ERROR_SUCCESS);
    EXPECT_NE(testsupport::ReadWholeFile(path).find("dword:00000014"), std::string::npos);
}

TEST_F(RegistryStoreTest, ADamagedFileIsMovedAsideAndReported) {
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    const std::string damaged =
        "Songsmith registry 1\n[HKEY_CURRENT_USER\\Prefs]\n\"Volume\"=dword:zz\n";
    testsupport::WriteWholeFile(path, damaged);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Prefs", &key), ERROR_FILE_NOT_FOUND)
        << "a damaged file loads as an empty store";
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_NE(
        gReports[0].find("is damaged (line 3: bad dword); moved aside to " + path + ".damaged-"),
        std::string::npos)
        << gReports[0];
    std::vector<std::string> files = FilesInFolder();
    ASSERT_EQ(files.size(), 1u);
    const std::string aside = dir_.File(files[0]);
    EXPECT_EQ(testsupport::ReadWholeFile(aside), damaged);

    key = Create(HKEY_CURRENT_USER, "Prefs");
    Set(key, "Volume", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadWholeFile(aside), damaged) << "the damaged copy is never replaced";
    EXPECT_NE(testsupport::ReadWholeFile(path).find("dword:00000001"), std::string::npos);
}

TEST_F(RegistryStoreTest, AnUnreadableFileIsNeverReplaced) {
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << "a folder in the file's place cannot be read";
    HKEY key = Create(HKEY_CURRENT_USER, "Prefs");
    Set(key, "Volume", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(RegCloseKey(key), ERROR_CANTWRITE);
    ASSERT_EQ(gReports.size(), 1u);
    EXPECT_NE(gReports[0].find("cannot read"), std::string::npos) << gReports[0];
    struct stat st {};
    EXPECT_TRUE(stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

TEST(RegistryTextTest, ReadsHandWrittenFilesAndRefusesBrokenLines) {
    const std::string good =
        "Songsmith registry 1\r\n"
        "; written by hand\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\A]\r\n"
        "  \"Blob\" = hex:01, 02,\\\r\n"
        "      03\r\n"
        "@=\"d\"\r\n"
        "[hkey_current_user\\a\\B]\r\n"
        "End of registry\r\n"
        "\r\n";
    TRegNode root;
    std::string error;
    ASSERT_TRUE(ReadRegistryText(good, "HKEY_CURRENT_USER", root, error)) << error;
    ASSERT_EQ(root.subKeys.size(), 1u);
    const TRegNode& a = *root.subKeys[0];
    ASSERT_NE(a.FindValue("blob"), nullptr);
    EXPECT_EQ(a.FindValue("blob")->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(a.FindValue("")->data, Bytes("d"));
    EXPECT_NE(a.FindSubKey("b"), nullptr);

    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"REGEDIT4\n", "line 1: not a registry store file"},
        {"Songsmith registry 1\n\"v\"=dword:1\n", "line 2: value outside a key"},
        {"Songsmith registry 1\n[HKEY_LOCAL_MACHINE\\A]\n",
         "line 2: key outside HKEY_CURRENT_USER"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER\\A\n",
         "line 2: ']' expected at the end of the key"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER\\\\A]\n",
         "line 2: bad key name or key too deep"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=\"open\n", "line 3: bad string"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=\"\\q\"\n", "line 3: bad string"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=dword:123456789\n", "line 3: bad dword"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=hex:1,02\n", "line 3: bad hex data"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=hex(zz):02\n", "line 3: bad value type"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=\"a\" x\n",
         "line 3: text after the value"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\"=qword:1\n",
         "line 3: unknown value form"},
        {"Songsmith registry 1\n[HKEY_CURRENT_USER]\n\"v\" \"a\"\n",
         "line 3: '=' expected after the value name"},
        {"Songsmith registry 1\nnonsense\n", "line 2: unexpected text"},
        // Cut short, at a line boundary or before anything was written.
        {"Songsmith registry 1\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n", "no end line: the file is cut short"},
        {"Songsmith registry 1\n", "no end line: the file is cut short"},
        {"", "the file is empty"},
        {"Songsmith registry 1\nEnd of registry\n[HKEY_CURRENT_USER\\A]\n", "line 3: text after the end line"},
    };
    for (const Case& c : cases) {
        TRegNode scratch;
        error.clear();
        EXPECT_FALSE(ReadRegistryText(c.text, "HKEY_CURRENT_USER", scratch, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }

    std::string deep = "Songsmith registry 1\n[HKEY_CURRENT_USER";
    for (int i = 0; i <= kRegMaxKeyDepth; ++i) deep += "\\k";
    deep += "]\n";
    TRegNode scratch;
    EXPECT_FALSE(ReadRegistryText(deep, "HKEY_CURRENT_USER", scratch, error));
}

// A file cut short anywhere, even between two lines, must not load in part:
// it is set aside whole, and the store starts empty rather than with some of
// its values, which the next save would make the only ones left.
TEST_F(RegistryStoreTest, AFileCutShortIsSetAsideNotReadInPart) {
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    HKEY key = Create(HKEY_CURRENT_USER, "Prefs");
    for (int i = 0; i < 30; ++i) Set(key, std::to_string(i).c_str(), REG_DWORD, {static_cast<std::uint8_t>(i), 0, 0, 0});
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    const std::string saved = testsupport::ReadWholeFile(path);
    std::size_t twentyLines = 0;
    for (int line = 0; line < 20; ++line) twentyLines = saved.find('\n', twentyLines) + 1;

    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"cut after 20 lines", saved.substr(0, twentyLines)},
        {"cut inside the end line", saved.substr(0, saved.size() - 5)},
        {"header only", saved.substr(0, saved.find('\n') + 1)},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegistryStoreUnload();
        for (const std::string& file : FilesInFolder()) ASSERT_EQ(unlink(dir_.File(file).c_str()), 0);
        testsupport::WriteWholeFile(path, c.bytes);
        gReports.clear();
        key = nullptr;
        EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Prefs", &key), ERROR_FILE_NOT_FOUND);
        if (key != nullptr) RegCloseKey(key);
        ASSERT_EQ(gReports.size(), 1u);
        EXPECT_NE(gReports[0].find("is damaged"), std::string::npos) << gReports[0];
        const std::vector<std::string> files = FilesInFolder();
        ASSERT_EQ(files.size(), 1u);
        EXPECT_NE(files[0].find(".damaged-"), std::string::npos) << files[0];
        EXPECT_EQ(testsupport::ReadWholeFile(dir_.File(files[0])), c.bytes);
    }
    // The whole file reads back whole.
    RegistryStoreUnload();
    testsupport::WriteWholeFile(path, saved);
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Prefs", &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key).size(), 30u);
    RegCloseKey(key);
}

// Another process (simulated by replacing the file) saved between this
// process's load and its save: both processes' changes survive, and where
// both changed one value, the later save wins.
TEST_F(RegistryStoreTest, ASaveKeepsWhatAnotherProcessSavedMeanwhile) {
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    HKEY key = Create(HKEY_CURRENT_USER, "Prefs");
    Set(key, "Mine", REG_DWORD, {1, 0, 0, 0});
    Set(key, "Both", REG_DWORD, {1, 0, 0, 0});
    Set(key, "Old", REG_DWORD, {1, 0, 0, 0});
    RegCloseKey(Create(key, "Gone"));
    ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);

    TRegNode other;
    std::string error;
    ASSERT_TRUE(ReadRegistryText(testsupport::ReadWholeFile(path), "HKEY_CURRENT_USER", other, error)) << error;
    TRegNode& prefs = *other.FindSubKey("Prefs");
    prefs.SetValue("Theirs", REG_DWORD, {2, 0, 0, 0});
    prefs.SetValue("Both", REG_DWORD, {2, 0, 0, 0});
    other.AddSubKey("Other");
    testsupport::WriteWholeFile(path, WriteRegistryText("HKEY_CURRENT_USER", other));
    // A save cut short by a crash left its temporary files behind.
    testsupport::WriteWholeFile(path + ".tmp", "left over");
    testsupport::WriteWholeFile(path + ".tmp-Ab12Cd", "left over");

    Set(key, "Mine", REG_DWORD, {3, 0, 0, 0});
    ASSERT_EQ(RegDeleteValue(key, "Old"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKey(key, "Gone"), ERROR_SUCCESS);
    RegCloseKey(Create(key, "Ours"));
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"current_user.reg"}) << "temporaries cleaned";

    RegistryStoreUnload();
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Prefs", &key), ERROR_SUCCESS);
    using Value = std::pair<std::uint32_t, std::vector<std::uint8_t>>;
    EXPECT_EQ(Get(key, "Mine"), Value(REG_DWORD, {3, 0, 0, 0}));
    EXPECT_EQ(Get(key, "Theirs"), Value(REG_DWORD, {2, 0, 0, 0}));
    EXPECT_EQ(Get(key, "Both"), Value(REG_DWORD, {2, 0, 0, 0})) << "changed last by the other process";
    EXPECT_EQ(Get(key, "Old").first, 0xffffffffu);
    EXPECT_EQ(SubKeyNames(key), std::vector<std::string>{"Ours"});
    RegCloseKey(key);
    EXPECT_EQ(SubKeyNames(HKEY_CURRENT_USER), (std::vector<std::string>{"Other", "Prefs"}));
    EXPECT_TRUE(gReports.empty());
}

// Two processes save one store file again and again at once: the file always
// reads, no save is lost (each process's last value is there at the end),
// and nothing is set aside as damaged.
TEST_F(RegistryStoreTest, TwoProcessesSavingAtOnceLoseNothing) {
    constexpr int kRounds = 150;
    const std::string rounds = std::to_string(kRounds);
    const std::string path = RegistryStoreFilePath(HKEY_CURRENT_USER);
    std::vector<pid_t> children;
    for (const char* name : {"A", "B"}) {
        std::vector<std::string> args = {TRACKPRESS_REGISTRY_WRITER, dir_.Path(), name, rounds};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        children.push_back(pid);
    }

    std::string firstError;
    int reads = 0;
    std::vector<int> statuses(children.size(), -1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (std::size_t running = children.size(); running > 0;) {
        if (std::chrono::steady_clock::now() > deadline) {
            for (pid_t pid : children) kill(pid, SIGKILL);
            for (pid_t pid : children) waitpid(pid, nullptr, 0);
            FAIL() << "the writers did not finish in time";
        }
        const std::string text = testsupport::ReadWholeFile(path);
        TRegNode scratch;
        std::string error;
        if (!text.empty() && !ReadRegistryText(text, "HKEY_CURRENT_USER", scratch, error) && firstError.empty()) {
            firstError = error;
        }
        ++reads;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (statuses[i] != -1) continue;
            int status = 0;
            if (waitpid(children[i], &status, WNOHANG) == children[i]) {
                statuses[i] = status;
                --running;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (int status : statuses) EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(firstError, "") << "a read among " << reads << " failed";

    RegistryStoreUnload();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Shared", &key), ERROR_SUCCESS);
    using Value = std::pair<std::uint32_t, std::vector<std::uint8_t>>;
    const Value last(REG_DWORD, {kRounds, 0, 0, 0});
    EXPECT_EQ(Get(key, "A"), last);
    EXPECT_EQ(Get(key, "B"), last);
    RegCloseKey(key);
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"current_user.reg"});
    EXPECT_TRUE(gReports.empty());
}

TEST_F(RegistryStoreTest, ThreadsShareTheStore) {
    constexpr int kThreads = 4;
    constexpr int kValues = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string path = "Shared\\Thread";
            path += std::to_string(t);
            for (int i = 0; i < kValues; ++i) {
                HKEY key = nullptr;
                if (RegCreateKey(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS) return;
                const std::uint8_t data[4] = {static_cast<std::uint8_t>(i), 0, 0, 0};
                const std::string name = std::to_string(i);
                RegSetValueEx(key, name.c_str(), REG_DWORD, data, 4);
                RegCloseKey(key);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    RegistryStoreUnload();
    HKEY shared = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Shared", &shared), ERROR_SUCCESS);
    ASSERT_EQ(SubKeyNames(shared).size(), static_cast<std::size_t>(kThreads));
    for (const std::string& name : SubKeyNames(shared)) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKey(shared, name.c_str(), &key), ERROR_SUCCESS);
        EXPECT_EQ(ValueNames(key).size(), static_cast<std::size_t>(kValues)) << name;
        RegCloseKey(key);
    }
    RegCloseKey(shared);
}

TEST(RegistryStoreFolder, FilesLiveInTheUserConfigFolder) {
    RegistryStoreSetFolder("");
    EXPECT_EQ(RegistryStoreFilePath(HKEY_CURRENT_USER), GetUserConfigDir() + "current_user.reg");
    EXPECT_EQ(RegistryStoreFilePath(HKEY_LOCAL_MACHINE), GetUserConfigDir() + "local_machine.reg");
    EXPECT_EQ(RegistryStoreFilePath(nullptr), "");
}
