// The AutoPlay command, the automatic-start entry and the restart, on a
// seeded registry store in a temporary folder.
#include "songsmith/app/system_switches.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "filekit/reg_key.h"
#include "platform/registry_store.h"
#include "testsupport/temp_dir.h"

namespace {

class SystemSwitchesTest : public ::testing::Test {
protected:
    void SetUp() override { RegistryStoreSetFolder(dir_.Path() + "/"); }
    void TearDown() override { RegistryStoreSetFolder(""); }

    // Writes value (null name: the default) under path and saves the store.
    static void Seed(const char* path, const char* name, const char* text) {
        CRegKey root(HKEY_LOCAL_MACHINE);
        std::unique_ptr<CRegKey> key(root.CreateSubKey(path));
        ASSERT_TRUE(key);
        ASSERT_EQ(key->SetKeyString(name, text), 1);
    }
    // A value as the store keeps it on disk; nullopt when missing.
    static std::optional<std::string> Stored(const char* path, const char* name) {
        RegistryStoreUnload();
        CRegKey root(HKEY_LOCAL_MACHINE);
        std::unique_ptr<CRegKey> key(root.GetSubKey(path));
        if (!key || key->GetKeyType(name, nullptr, nullptr) == 0) return std::nullopt;
        const char* text = key->GetKeyString(name);
        return std::string(text != nullptr ? text : "");
    }
    std::string StoreFile() const {
        RegistryStoreSave();
        return testsupport::ReadWholeFile(RegistryStoreFilePath(HKEY_LOCAL_MACHINE));
    }

    testsupport::TempDir dir_;
};

TEST_F(SystemSwitchesTest, AutoPlayIsKeptAsideAndPutBack) {
    Seed(kAutoPlayCommandRegPath, nullptr, "player.exe /play %1");
    SetCDAutoPlayEnabled(false);
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, nullptr), "");
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, kAutoPlayOldDefault), "player.exe /play %1");
    // Switching off twice keeps the first copy: the default is empty now.
    SetCDAutoPlayEnabled(false);
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, kAutoPlayOldDefault), "player.exe /play %1");

    SetCDAutoPlayEnabled(true);
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, nullptr), "player.exe /play %1");
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, kAutoPlayOldDefault), std::nullopt);
    // Nothing kept: enabling leaves the default alone.
    SetCDAutoPlayEnabled(true);
    EXPECT_EQ(Stored(kAutoPlayCommandRegPath, nullptr), "player.exe /play %1");
}

TEST_F(SystemSwitchesTest, MissingKeysChangeNothing) {
    Seed("Software\\Other", "Kept", "1");
    const std::string before = StoreFile();
    SetCDAutoPlayEnabled(false);
    SetCDAutoPlayEnabled(true);
    RemoveAutoStartEntry();
    EXPECT_EQ(StoreFile(), before);
}

TEST_F(SystemSwitchesTest, RestartWritesTheStartEntryThatStartUpRemoves) {
    Seed(kAutoStartRegPath, "OtherProgram", "/usr/bin/other");
    EXPECT_EQ(RestartWindows(true, "/home/ann/My Session.tps"), 0);
    const std::optional<std::string> entry = Stored(kAutoStartRegPath, kAutoStartEntry);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->substr(entry->size() - 25), " /home/ann/My Session.tps");
    EXPECT_EQ(entry->front(), '/');

    EXPECT_EQ(RestartWindows(true, ""), 0);
    const std::optional<std::string> bare = Stored(kAutoStartRegPath, kAutoStartEntry);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->find(' '), std::string::npos) << *bare;

    RemoveAutoStartEntry();
    EXPECT_EQ(Stored(kAutoStartRegPath, kAutoStartEntry), std::nullopt);
    EXPECT_EQ(Stored(kAutoStartRegPath, "OtherProgram"), "/usr/bin/other");
}

}  // namespace
