// The writer's drive settings on a registry store the test seeds with device
// instances, the CD-ROM service's "Autorun" and remembered values: what is
// read, what a change remembers, and what the restore puts back and forgets.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "filekit/reg_key.h"
#include "platform/registry_store.h"
#include "songsmith/burner/burner.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "testsupport/scoped_env.h"
#include "testsupport/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using TKey = std::unique_ptr<CRegKey>;

constexpr const char* kProgramKey = "SOFTWARE\\Marovelle\\Songsmith";
constexpr const char* kCdromService = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";

TKey Create(HKEY root, const std::string& path) {
    CRegKey rootKey(root);
    return TKey(rootKey.CreateSubKey(path.c_str()));
}

TKey OpenKey(HKEY root, const std::string& path) {
    CRegKey rootKey(root);
    return TKey(rootKey.GetSubKey(path.c_str()));
}

// A value's bytes; nullopt when the key or the value is missing.
std::optional<Bytes> ValueAt(HKEY root, const std::string& path, const char* name) {
    TKey key = OpenKey(root, path);
    std::uint32_t size = 0;
    if (key == nullptr || !key->GetKeyType(name, nullptr, &size)) return std::nullopt;
    const char* data = key->GetKeyData(name, &size);
    if (data == nullptr) return Bytes{};
    return Bytes(data, data + size);
}

std::vector<std::string> SubKeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    TKey key = OpenKey(root, path);
    char name[kRegMaxKeyNameLength + 1];
    for (std::uint32_t i = 0; key != nullptr && key->EnumerateSubKeys(i, name, sizeof name); ++i)
        names.emplace_back(name);
    return names;
}

// The values of one device instance under "Enum\SCSI".
struct TInstance {
    std::string deviceKey;
    std::string description;
    std::map<std::string, Bytes> values;
};

std::string InstancePath(const TInstance& instance) { return "Enum\\SCSI\\" + instance.deviceKey + "\\0001"; }

// Returns the open key: the store saves when a handle closes, so a test
// seeding many keys closes them together.
TKey Seed(const TInstance& instance) {
    TKey key = Create(HKEY_LOCAL_MACHINE, InstancePath(instance));
    EXPECT_NE(key, nullptr);
    if (key == nullptr) return key;
    key->SetKeyString("DeviceDesc", instance.description.c_str());
    for (const auto& [name, bytes] : instance.values)
        key->SetKeyData(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return key;
}

void SeedAutorun(std::uint32_t value) {
    TKey key = Create(HKEY_LOCAL_MACHINE, kCdromService);
    ASSERT_NE(key, nullptr);
    key->SetKeyNum("Autorun", value);
}

void Remember(const std::string& owner, const std::map<std::string, Bytes>& values) {
    TKey key = Create(HKEY_CURRENT_USER, std::string(kProgramKey) + "\\" + owner);
    ASSERT_NE(key, nullptr);
    for (const auto& [name, bytes] : values)
        key->SetKeyData(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::optional<Bytes> Remembered(const std::string& owner, const char* name) {
    return ValueAt(HKEY_CURRENT_USER, std::string(kProgramKey) + "\\" + owner, name);
}

class BurnerDriveSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The store goes back to the per-user folder, now the scratch home's.
        RegistryStoreSetFolder("");
        logPath_ = home_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
    }
    void TearDown() override {
        LogDeinit();
        // Saves what is left into the scratch home before it goes.
        RegistryStoreSetFolder("");
    }

    // Writers in list order by their vendor and product; the first is chosen.
    std::unique_ptr<CBurner> WithWriters(const std::vector<std::pair<const char*, const char*>>& writers) {
        drives.devices.clear();
        for (const auto& [vendor, product] : writers) drives.Add(true).SetIdentityText(vendor, product);
        prefs.BurnerPrefs[kBurnerWriterSecond] = -1;
        auto burner = std::make_unique<CBurner>(drives, prefs, host);
        EXPECT_EQ(burner->Initialize(), 1);
        return burner;
    }

    std::string LogText() { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir home_;
    testsupport::CScopedEnv homeEnv_{"SONGSMITH_HOME", home_.Path()};
    std::string logPath_;
    burner_test::CTestDrives drives;
    burner_test::CTestHost host;
    CPreferences prefs;
};

const TInstance kBurnerA{"CdRom&Ven_Acme&Prod_A", "Acme Burner A  CD-RW", {{"Disconnect", {1}},
                                                                          {"SyncDataXfer", {1, 0}},
                                                                          {"DMACurrentlyUsed", {0}}}};
const TInstance kBurnerB{"CdRom&Ven_Acme&Prod_B", "Acme Burner B", {{"AutoInsertNotification", {0}},
                                                                   {"Disconnect", {0}},
                                                                   {"SyncDataXfer", {1}}}};
const TInstance kOther{"CdRom&Ven_Zeta", "Zeta Reader", {{"Disconnect", {1}}}};

TEST_F(BurnerDriveSettingsTest, ReadsFindTheWritersInstanceAndOnlyOneByteValues) {
    for (const TInstance& instance : {kBurnerA, kBurnerB, kOther}) Seed(instance);
    SeedAutorun(1);
    // "Acme Burner" alone names no writer here; "Nova Writer" has no instance.
    auto burner = WithWriters({{"Acme", "Burner A"}, {"Acme", "Burner B"}, {"Nova", "Writer"}});
    struct TCase {
        const char* name;  // null: the auto-insert getter with its fall-through
        int writer;
        bool found;
        int value;
    } cases[] = {
        {"Disconnect", -1, true, 1},
        {"DMACurrentlyUsed", -1, true, 0},
        {"SyncDataXfer", -1, false, 0},  // two bytes long
        {"Missing", -1, false, 0},
        {"Disconnect", 0, true, 1},
        {"Disconnect", 1, true, 0},
        {"AutoInsertNotification", 1, true, 0},
        {"AutoInsertNotification", -1, false, 0},
        {nullptr, 1, true, 0},   // the drive's own value
        {nullptr, -1, true, 1},  // none of its own: "Autorun"
        {"Disconnect", 2, false, 0},  // no instance describes it
        {"Disconnect", 3, false, 0},  // no such writer
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.name == nullptr ? "auto-insert" : c.name) + " of " + std::to_string(c.writer));
        int value = 77;
        const bool found = c.name == nullptr ? burner->GetAutoInsertNotification(&value, c.writer)
                                             : burner->GetDriveRegistryValue(c.name, &value, c.writer);
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(value, c.found ? c.value : 77);
    }
    int value = 0;
    EXPECT_TRUE(burner->GetDisconnect(&value));
    EXPECT_TRUE(burner->GetDMACurrentlyUsed(&value));
    EXPECT_TRUE(burner->GetSyncDataXfer(&value, 1));
    EXPECT_TRUE(burner->GetCdromAutorun(&value));
    EXPECT_EQ(value, 1);

    // Without a writer nothing is read.
    drives.devices.clear();
    CBurner none(drives, prefs, host);
    EXPECT_FALSE(none.GetDisconnect(&value));
    EXPECT_FALSE(none.SetDisconnect(0));
}

TEST_F(BurnerDriveSettingsTest, OnlyTheFirstHundredDeviceKeysAreExamined) {
    // Device keys enumerate by name: "Dev000" first.
    std::vector<TKey> seeded;
    for (int i = 0; i < 101; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "Dev%03d", i);
        const std::string description = i == 99 ? "Last Seen" : i == 100 ? "Never Seen" : "Filler";
        seeded.push_back(Seed({key, description, {{"Disconnect", {1}}}}));
    }
    seeded.clear();
    auto burner = WithWriters({{"Last", "Seen"}, {"Never", "Seen"}});
    int value = 0;
    EXPECT_TRUE(burner->GetDisconnect(&value, 0));
    EXPECT_FALSE(burner->GetDisconnect(&value, 1));
}

TEST_F(BurnerDriveSettingsTest, AChangeRemembersTheValueBeforeTheFirstChangeOnly) {
    TInstance instance = kBurnerB;
    instance.values["AutoInsertNotification"] = {1};
    Seed(instance);
    auto burner = WithWriters({{"Acme", "Burner B"}});
    const std::string path = InstancePath(instance);

    // Setting a value to what it is changes and remembers nothing.
    EXPECT_TRUE(burner->SetSyncDataXfer(1));
    EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER, kProgramKey).empty());

    // Off twice, then on: the value from before the first change is kept.
    for (const std::uint8_t value : {0, 0, 1}) {
        EXPECT_TRUE(burner->SetAutoInsertNotification(value));
        EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, path, "AutoInsertNotification"), Bytes{value});
        EXPECT_EQ(Remembered("Acme Burner B", "AutoInsertNotification"), Bytes{1});
    }
    EXPECT_TRUE(burner->SetAutoInsertNotification(0));
    EXPECT_TRUE(burner->SetDisconnect(1));
    EXPECT_EQ(Remembered("Acme Burner B", "Disconnect"), Bytes{0});
    // A value the instance lacks is not added.
    EXPECT_FALSE(burner->SetDMACurrentlyUsed(1));
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, path, "DMACurrentlyUsed"), std::nullopt);
    EXPECT_EQ(Remembered("Acme Burner B", "DMACurrentlyUsed"), std::nullopt);

    EXPECT_TRUE(burner->RestoreDriveSettings());
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, path, "AutoInsertNotification"), Bytes{1});
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, path, "Disconnect"), Bytes{0});
    EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER, kProgramKey).empty());
    // Nothing left to restore.
    EXPECT_FALSE(burner->RestoreDriveSettings());
}

TEST_F(BurnerDriveSettingsTest, RestoreWritesEachRememberedValueToTheWriterItNames) {
    const TInstance a{"CdRom&Ven_Acme&Prod_A", "Acme Burner A", {{"Disconnect", {0}}, {"SyncDataXfer", {1}}}};
    const TInstance b{"CdRom&Ven_Acme&Prod_B", "Acme Burner B", {{"AutoInsertNotification", {0}}, {"SyncDataXfer", {1}}}};
    const TInstance gone{"CdRom&Ven_Gone", "Gone Drive", {{"Disconnect", {1}}}};
    for (const TInstance& instance : {a, b, gone}) Seed(instance);
    SeedAutorun(0);
    // Remembered while A was the first writer; B comes first now.
    Remember("Acme Burner A", {{"Disconnect", {1}}, {"SyncDataXfer", {1}}});
    Remember("Acme Burner B", {{"AutoInsertNotification", {1}}, {"SyncDataXfer", {0}}});
    Remember("Gone Drive", {{"Disconnect", {0}}});
    Remember("Win2K", {{"AutoInsertNotification", {1}}});
    // A value of the preferences beside the remembered sub-keys.
    Create(HKEY_CURRENT_USER, kProgramKey)->SetKeyNum("bLogOn", 1);
    auto burner = WithWriters({{"Acme", "Burner B"}, {"Acme", "Burner A"}});

    EXPECT_TRUE(burner->RestoreDriveSettings());
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, InstancePath(a), "Disconnect"), Bytes{1});
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, InstancePath(a), "SyncDataXfer"), Bytes{1});
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, InstancePath(b), "AutoInsertNotification"), Bytes{1});
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, InstancePath(b), "SyncDataXfer"), Bytes{0});
    EXPECT_EQ(ValueAt(HKEY_LOCAL_MACHINE, InstancePath(gone), "Disconnect"), Bytes{1});
    int autorun = 0;
    ASSERT_TRUE(burner->GetCdromAutorun(&autorun));
    EXPECT_EQ(autorun, 1);
    EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER, kProgramKey).empty());
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, kProgramKey, "bLogOn"), (Bytes{1, 0, 0, 0}));
}

TEST_F(BurnerDriveSettingsTest, AutorunChangesAreLoggedAndRememberedOnce) {
    SeedAutorun(1);
    // The writer has no instance of its own: the service's value is used.
    auto burner = WithWriters({{"Acme", "Burner A"}});
    EXPECT_TRUE(burner->SetAutoInsertNotification(0));
    int value = 7;
    ASSERT_TRUE(burner->GetAutoInsertNotification(&value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(burner->SetCdromAutorun(1));
    ASSERT_TRUE(burner->GetCdromAutorun(&value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(Remembered("Win2K", "AutoInsertNotification"), Bytes{1});
    EXPECT_EQ(SubKeys(HKEY_CURRENT_USER, kProgramKey), std::vector<std::string>{"Win2K"});
    const std::string log = LogText();
    const std::size_t disabled = log.find("Disabled AIN for Win2k/WinNT/WinXP");
    ASSERT_NE(disabled, std::string::npos) << log;
    EXPECT_NE(log.find("Enabled AIN for Win2k/WinNT/WinXP", disabled), std::string::npos) << log;
}

TEST_F(BurnerDriveSettingsTest, WithoutTheKeysNothingIsReadOrWritten) {
    // The store as a Linux machine has it: the program's own values only.
    Create(HKEY_CURRENT_USER, kProgramKey)->SetKeyNum("bLogOn", 1);
    ASSERT_EQ(RegistryStoreSave(), 0u);
    const std::string userFile = RegistryStoreFilePath(HKEY_CURRENT_USER);
    const std::string machineFile = RegistryStoreFilePath(HKEY_LOCAL_MACHINE);
    const std::string userBefore = testsupport::ReadWholeFile(userFile);
    const std::string machineBefore = testsupport::ReadWholeFile(machineFile);
    ASSERT_FALSE(userBefore.empty());

    auto burner = WithWriters({{"Acme", "Burner A"}, {"Acme", "Burner B"}});
    for (const int writer : {-1, 0, 1}) {
        int value = 0;
        EXPECT_FALSE(burner->GetAutoInsertNotification(&value, writer));
        EXPECT_FALSE(burner->GetDisconnect(&value, writer));
        EXPECT_FALSE(burner->GetSyncDataXfer(&value, writer));
        EXPECT_FALSE(burner->GetDMACurrentlyUsed(&value, writer));
    }
    int value = 0;
    EXPECT_FALSE(burner->GetCdromAutorun(&value));
    for (const std::uint8_t on : {0, 1}) {
        EXPECT_FALSE(burner->SetAutoInsertNotification(on));
        EXPECT_FALSE(burner->SetDisconnect(on));
        EXPECT_FALSE(burner->SetSyncDataXfer(on));
        EXPECT_FALSE(burner->SetDMACurrentlyUsed(on));
        EXPECT_FALSE(burner->SetCdromAutorun(on));
    }
    EXPECT_FALSE(burner->RestoreDriveSettings());
    ASSERT_EQ(RegistryStoreSave(), 0u);
    EXPECT_EQ(testsupport::ReadWholeFile(userFile), userBefore);
    EXPECT_EQ(testsupport::ReadWholeFile(machineFile), machineBefore);
    EXPECT_EQ(LogText().find("AIN"), std::string::npos);
}

}  // namespace
