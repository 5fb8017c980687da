#include "filekit/reg_key.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"

namespace {

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryStoreSetFolder(dir_.Path());
        root_ = std::make_unique<CRegKey>(HKEY_CURRENT_USER);
        key_ = root_->CreateSubKey("SOFTWARE\\Marovelle\\Songsmith");
        ASSERT_NE(key_, nullptr);
    }
    void TearDown() override {
        DeleteRegKey(&key_);
        root_.reset();
        RegistryStoreSetFolder("");
    }

    std::vector<std::string> SubKeys(CRegKey* key) {
        std::vector<std::string> names;
        char name[64];
        for (std::uint32_t i = 0; key->EnumerateSubKeys(i, name, sizeof(name)); ++i)
            names.push_back(name);
        return names;
    }

    testsupport::TempDir dir_;
    std::unique_ptr<CRegKey> root_;
    CRegKey* key_ = nullptr;
};

}  // namespace

TEST_F(RegKeyTest, StringsAreStoredWithoutTerminatorAndReadBackTerminated) {
    ASSERT_EQ(key_->SetKeyString("Name", "abc"), 1);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(RegQueryValueEx(key_->Key(), "Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u);
    EXPECT_STREQ(key_->GetKeyString("Name"), "abc");
    EXPECT_STREQ(key_->GetKeyString("NAME"), "abc") << "names ignore case";

    ASSERT_EQ(key_->SetKeyString("Blank", ""), 1);
    EXPECT_EQ(key_->GetKeyString("Blank"), nullptr) << "an empty value reads as missing";
    EXPECT_EQ(key_->SetKeyString("Null", nullptr), 0);
}

TEST_F(RegKeyTest, TheValueBufferOutlivesAFailedRead) {
    ASSERT_EQ(key_->SetKeyString("First", "one"), 1);
    const char* first = key_->GetKeyString("First");
    ASSERT_STREQ(first, "one");
    SetLastError(0);
    EXPECT_EQ(key_->GetKeyString("Missing"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(first, "one") << "a failed query leaves the buffer alone";
}

TEST_F(RegKeyTest, WritesAStringFromTheKeysOwnBuffer) {
    ASSERT_EQ(key_->SetKeyString("Original", "keep me"), 1);
    const char* own = key_->GetKeyString("Original");
    ASSERT_EQ(key_->SetKeyString("Copy", own), 1);
    EXPECT_STREQ(key_->GetKeyString("Copy"), "keep me");
    const char* again = key_->GetKeyString("Original");
    ASSERT_EQ(key_->SetKeyString("Original", again + 5), 1) << "a tail of the buffer itself";
    EXPECT_STREQ(key_->GetKeyString("Original"), "me");
}

TEST_F(RegKeyTest, NumbersReadUpToFourBytesOfAnyType) {
    ASSERT_EQ(key_->SetKeyNum("Dword", 0x12345678u), 1);
    const std::uint8_t two[] = {1, 2};
    const std::uint8_t five[] = {1, 2, 3, 4, 5};
    ASSERT_EQ(key_->SetKeyData("Two", two, sizeof(two)), 1);
    ASSERT_EQ(key_->SetKeyData("Five", five, sizeof(five)), 1);
    ASSERT_EQ(key_->SetKeyString("Text", "ab"), 1);
    struct Case {
        const char* name;
        std::uint32_t expected;
    } cases[] = {
        {"Dword", 0x12345678u}, {"Two", 0x0201u}, {"Five", 0}, {"Text", 0x6261u}, {"Missing", 0}};
    for (const Case& c : cases) EXPECT_EQ(key_->GetKeyNum(c.name), c.expected) << c.name;

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(RegQueryValueEx(key_->Key(), "Dword", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
}

TEST_F(RegKeyTest, TypeQueryGivesKindAndSizeAndLeavesTheBuffer) {
    ASSERT_EQ(key_->SetKeyNum("Dword", 7), 1);
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_EQ(key_->SetKeyData("Binary", bytes, sizeof(bytes)), 1);
    ASSERT_EQ(key_->SetKeyString("Text", "abcde"), 1);
    const char* held = key_->GetKeyString("Text");
    struct Case {
        const char* name;
        int exists;
        std::uint32_t type;
        std::uint32_t size;
    } cases[] = {{"dword", 1, REG_DWORD, 4}, {"Binary", 1, REG_BINARY, 3},
                 {"Text", 1, REG_SZ, 5}, {"Missing", 0, 99, 99}};
    for (const Case& c : cases) {
        std::uint32_t type = 99;
        std::uint32_t size = 99;
        EXPECT_EQ(key_->GetKeyType(c.name, &type, &size), c.exists) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(size, c.size) << c.name;
    }
    EXPECT_EQ(key_->GetKeyType("Dword", nullptr, nullptr), 1);
    EXPECT_STREQ(held, "abcde") << "a query reads no data into the value buffer";
}

TEST_F(RegKeyTest, BinaryDataRoundTripsWithItsSize) {
    unsigned char record[268];
    for (std::size_t i = 0; i < sizeof(record); ++i) record[i] = static_cast<unsigned char>(i);
    ASSERT_EQ(key_->SetKeyData("ZY_MusicDir0", record, sizeof(record)), 1);
    std::uint32_t size = 0;
    const char* data = key_->GetKeyData("zy_musicdir0", &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, sizeof(record));
    EXPECT_EQ(std::memcmp(data, record, sizeof(record)), 0);
    EXPECT_EQ(data[size], '\0') << "a terminator follows the data";

    ASSERT_EQ(key_->SetKeyData("Nothing", nullptr, 0), 1);
    size = 99;
    EXPECT_EQ(key_->GetKeyData("Nothing", &size), nullptr);
}

TEST_F(RegKeyTest, SubKeyExistsTestsAValue) {
    CRegKey* sub = key_->CreateSubKey("x");
    ASSERT_NE(sub, nullptr);
    DeleteRegKey(&sub);
    EXPECT_EQ(sub, nullptr);
    DeleteRegKey(&sub);  // null is ignored
    EXPECT_EQ(key_->SubKeyExists("x"), 0);
    ASSERT_EQ(key_->SetKeyNum("bLogOn", 1), 1);
    EXPECT_EQ(key_->SubKeyExists("bLogOn"), 1);
    key_->DeleteRegValue("bLogOn");
    EXPECT_EQ(key_->SubKeyExists("bLogOn"), 0);
}

TEST_F(RegKeyTest, GetSubKeyOpensOnlyAndFindsAnyCase) {
    EXPECT_EQ(root_->GetSubKey("Software\\Marovelle\\Other"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(key_->SetKeyString("SongsmithDir", "/opt/songsmith"), 1);
    CRegKey* same = root_->GetSubKey("Software\\Marovelle\\Songsmith");
    ASSERT_NE(same, nullptr);
    EXPECT_STREQ(same->GetKeyString("SongsmithDir"), "/opt/songsmith");
    DeleteRegKey(&same);
    EXPECT_EQ(CRegKey().Key(), HKEY_LOCAL_MACHINE) << "the default root";
}

TEST_F(RegKeyTest, EnumeratesSubKeysAndValuesByIndex) {
    for (const char* name : {"b", "A", "c"}) {
        CRegKey* sub = key_->CreateSubKey(name);
        DeleteRegKey(&sub);
        key_->SetKeyNum(name, 1);
    }
    EXPECT_EQ(SubKeys(key_), (std::vector<std::string>{"A", "b", "c"}));
    char name[8];
    EXPECT_EQ(key_->EnumerateValues(2, name, sizeof(name)), 1);
    EXPECT_STREQ(name, "c");
    EXPECT_EQ(key_->EnumerateValues(3, name, sizeof(name)), 0);
    EXPECT_EQ(key_->EnumerateValues(0, name, 1), 0) << "a name that does not fit";
}

TEST_F(RegKeyTest, DeleteSubKeysEmptiesATreeOrTakesOneWhole) {
    for (const char* path :
         {"One\\Two\\Three", "One\\Two\\Other", "One\\Side", "Keep\\Below", "Keep\\More"}) {
        CRegKey* sub = key_->CreateSubKey(path);
        ASSERT_NE(sub, nullptr);
        sub->SetKeyNum("v", 1);
        DeleteRegKey(&sub);
    }
    key_->SetKeyNum("Own", 7);

    EXPECT_EQ(key_->DeleteSubKeys("one"), 1) << "a named key goes with everything below it";
    EXPECT_EQ(SubKeys(key_), std::vector<std::string>{"Keep"});
    EXPECT_EQ(key_->DeleteSubKeys("One"), 0);

    CRegKey* keep = key_->GetSubKey("Keep");
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(key_->DeleteSubKeys(nullptr), 1);
    EXPECT_TRUE(SubKeys(key_).empty());
    EXPECT_EQ(key_->GetKeyNum("Own"), 7u) << "the key itself and its values stay";
    EXPECT_EQ(key_->DeleteSubKeys(nullptr), 1) << "nothing to delete";

    // The walk over a key deleted meanwhile ends at once with 0.
    EXPECT_EQ(keep->DeleteSubKeys(nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_KEY_DELETED);
    DeleteRegKey(&keep);
}

// The operation and key path that the store refuses, for the test below.
std::string gRefusedOperation;
std::string gRefusedPath;
std::uint32_t RefuseOne(const char* operation, const char* path) {
    return operation == gRefusedOperation && path == gRefusedPath ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

// A listed sub-key that cannot be opened, or cannot be deleted once emptied,
// stops the walk with 0 at once instead of trying index 0 again for ever;
// the sub-keys before it are gone and the rest stay.
TEST_F(RegKeyTest, DeleteSubKeysStopsAtASubKeyItCannotOpenOrDelete) {
    const std::string own = "SOFTWARE\\Marovelle\\Songsmith\\";
    const struct {
        const char* operation;
        std::vector<std::string> left;         // sub-keys left after the walk
        std::vector<std::string> leftInBlock;  // what the refused key still holds
    } cases[] = {
        {"open", {"Block", "Later"}, {"Inner"}},
        {"delete", {"Block", "Later"}, {}},
    };
    RegistrySetFaultFunction(RefuseOne);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        for (const char* path : {"Above\\Inner", "Block\\Inner", "Later\\Inner"}) {
            CRegKey* sub = key_->CreateSubKey(path);
            ASSERT_NE(sub, nullptr);
            DeleteRegKey(&sub);
        }
        gRefusedOperation = c.operation;
        gRefusedPath = own + "Block";
        SetLastError(0);
        EXPECT_EQ(key_->DeleteSubKeys(nullptr), 0);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(SubKeys(key_), c.left);
        gRefusedPath.clear();
        CRegKey* block = key_->GetSubKey("Block");
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(SubKeys(block), c.leftInBlock);
        DeleteRegKey(&block);
        EXPECT_EQ(key_->DeleteSubKeys(nullptr), 1) << "once allowed, the walk finishes";
        EXPECT_TRUE(SubKeys(key_).empty());
    }
    RegistrySetFaultFunction(nullptr);
}

TEST(RegistryReports, ADamagedStoreIsReportedInTheLog) {
    testsupport::TempDir dir;
    RegistryStoreSetFolder(dir.Path());
    const std::string storePath = RegistryStoreFilePath(HKEY_CURRENT_USER);
    testsupport::WriteWholeFile(storePath, "garbage\n");
    const std::string logPath = dir.File("songsmith.log");
    LogInit(logPath.c_str());
    LogOn(1);
    {
        CRegKey root(HKEY_CURRENT_USER);
        EXPECT_EQ(root.GetSubKey("Anything"), nullptr);
    }
    LogDeinit();
    RegistryStoreSetFolder("");
    const std::string log = testsupport::ReadWholeFile(logPath);
    EXPECT_NE(log.find("RegistryStore::Load - " + storePath +
                       " is damaged (line 1: not a registry store file); moved aside to "),
              std::string::npos)
        << log;
}
