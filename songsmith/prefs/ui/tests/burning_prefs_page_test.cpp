// The preferences dialog's Burning CDs page, driven offscreen by control id
// over the real main window, a real burn controller and a drive list of a
// scripted writer and a scripted reader ahead of the drive library's image
// drive: which writer is offered and chosen, the switches and their groups,
// the lists' rows, what OK stores and tells the rest of the program, the
// writer's drive settings with the restart question, and a running burn.
#include "songsmith/prefs/ui/burning_prefs_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "filekit/reg_key.h"
#include "platform/registry_store.h"
#include "platter/fake/fake_device.h"
#include "songsmith/burner/burner.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/app/system_switches.h"
#include "songsmith/burner/ui/main_burner_host.h"
#include "songsmith/prefs/ui/tests/prefs_dialog_fixture.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/engine/engine_settings.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using testsupport::SaveWidgetPng;
using Page = CBurningPrefsPage;
using TAddress = std::array<std::int32_t, 3>;

constexpr int kBurningPageIndex = 2;
// The image drive's address, and the scripted writer's.
constexpr TAddress kImageDrive = {1000, 0, 0};
constexpr TAddress kScriptedWriter = {2, 0, 0};
constexpr TAddress kNoWriter = {-1, -1, -1};

// Every control of the page.
constexpr int kAllControls[] = {1268, 1269, 1270, 1271, 1272, 1273, 1302, 1304, 1305, 1306, 1307,
                                1308, 1309, 1310, 1311, 1312, 1313, 1314, 1315, 1316, 1317, 1318,
                                1319, 1398, 1399, 1400, 1401, 1402};

// The scripted writer and reader, then the drive library's drives.
class CScriptedFirstDrives final : public IBurnerDrives {
public:
    explicit CScriptedFirstDrives(PLATTER_CPlatter& platter) : library_(platter) {
        reader.capabilities = 0;
        reader.target = 1;
        reader.SetIdentityText("Fake", "Reader");
    }
    bool Ready() override { return library_.Ready(); }
    std::int32_t Engine() override { return library_.Engine(); }
    std::int32_t PercentDone() override { return library_.PercentDone(); }
    std::int32_t CalcBurnTimeRemaining() override { return library_.CalcBurnTimeRemaining(); }
    std::int32_t GetDevices() override { return 2 + (withLibrary ? library_.GetDevices() : 0); }
    PLATTER_CDevice* GetDevice(std::int32_t index) override {
        if (index == 0) return &writer;
        if (index == 1) return &reader;
        return withLibrary ? library_.GetDevice(index - 2) : nullptr;
    }
    PLATTER_CDevice* FindDeviceByParams(std::int32_t adapter, std::int32_t target,
                                        std::int32_t lun) override {
        for (std::int32_t i = 0; i < GetDevices(); ++i) {
            PLATTER_CDevice* device = GetDevice(i);
            if (device->hostAdapter == adapter && device->target == target && device->lun == lun)
                return device;
        }
        return nullptr;
    }
    std::int32_t NumWriters(bool, bool) override {
        std::int32_t writers = 0;
        for (std::int32_t i = 0; i < GetDevices(); ++i)
            writers += (GetDevice(i)->capabilities & PLATTER_CAP_WRITER) != 0 ? 1 : 0;
        return writers;
    }

    PLATTER_CFakeDevice writer;
    PLATTER_CFakeDevice reader;
    bool withLibrary = true;

private:
    CPlatterDrives library_;
};

TAddress StoredAddress(const CPreferences& prefs) {
    return {prefs.BurnerPrefs[kBurnerWriterFirst], prefs.BurnerPrefs[kBurnerWriterSecond],
            prefs.BurnerPrefs[kBurnerWriterThird]};
}

void StoreAddress(CPreferences& prefs, const TAddress& address) {
    prefs.BurnerPrefs[kBurnerWriterFirst] = address[0];
    prefs.BurnerPrefs[kBurnerWriterSecond] = address[1];
    prefs.BurnerPrefs[kBurnerWriterThird] = address[2];
}

QComboBox* List(QWidget* dialog, int id) { return FindControl<QComboBox>(dialog, id); }
bool Checked(QWidget* dialog, int id) {
    return FindControl<QAbstractButton>(dialog, id)->isChecked();
}
bool Enabled(QWidget* dialog, int id) { return FindControl(dialog, id)->isEnabled(); }

std::vector<std::string> Rows(QComboBox* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->itemText(i).toStdString());
    return rows;
}

std::vector<int> RowData(QComboBox* list) {
    std::vector<int> data;
    for (int i = 0; i < list->count(); ++i) data.push_back(list->itemData(i).toInt());
    return data;
}

// The ids among ids whose control is enabled.
std::vector<int> EnabledOf(QWidget* dialog, std::initializer_list<int> ids) {
    std::vector<int> enabled;
    for (int id : ids)
        if (Enabled(dialog, id)) enabled.push_back(id);
    return enabled;
}

// The writer's drive settings as one device instance of the machine store.
constexpr const char* kInstanceRoot = "Enum\\SCSI\\";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void SeedInstance(const std::string& device, const char* description,
                  const std::map<std::string, std::uint8_t>& values) {
    CRegKey machine(HKEY_LOCAL_MACHINE);
    std::unique_ptr<CRegKey> key(
        machine.CreateSubKey((kInstanceRoot + device + "\\0001").c_str()));
    ASSERT_NE(key, nullptr);
    key->SetKeyString("DeviceDesc", description);
    for (const auto& [name, value] : values) key->SetKeyData(name.c_str(), &value, 1);
}

std::map<std::string, int> InstanceValues(const std::string& device) {
    std::map<std::string, int> values;
    CRegKey machine(HKEY_LOCAL_MACHINE);
    std::unique_ptr<CRegKey> key(machine.GetSubKey((kInstanceRoot + device + "\\0001").c_str()));
    if (key == nullptr) return values;
    for (const char* name : {"Disconnect", "AutoInsertNotification", "SyncDataXfer"}) {
        std::uint32_t size = 0;
        const char* data = key->GetKeyData(name, &size);
        if (data != nullptr && size == 1) values[name] = static_cast<std::uint8_t>(data[0]);
    }
    return values;
}

bool HasStartEntry() {
    CRegKey machine(HKEY_LOCAL_MACHINE);
    std::unique_ptr<CRegKey> key(machine.GetSubKey(kRunKey));
    return key != nullptr && key->GetKeyType(kAutoStartEntry, nullptr, nullptr) != 0;
}

// "BurnerPrefs" as stored, word by word.
std::array<std::int32_t, 18> StoredBurnerWords(const TStoredValues& values) {
    std::array<std::int32_t, 18> words{};
    const auto found = values.find("BurnerPrefs");
    if (found == values.end() || found->second.second.size() != sizeof words) {
        ADD_FAILURE() << "no BurnerPrefs record";
        return words;
    }
    // The record is little-endian, as this machine.
    std::memcpy(words.data(), found->second.second.data(), sizeof words);
    return words;
}

class BurningPrefsPageTest : public PrefsDialogFixture {
protected:
    void SetUp() override {
        // A store of this test's own, so the machine keys seeded here stay here.
        RegistryStoreSetFolder(store_.Path());
        PrefsDialogFixture::SetUp();
        prefs_->CurrentPrefPage = kBurningPageIndex;
        drives_ = std::make_unique<CScriptedFirstDrives>(*platter_);
        host_ = std::make_unique<CMainBurnerHost>(*main_);
        burner_ = std::make_unique<CBurner>(*drives_, *prefs_, *host_);
        StoreAddress(*prefs_, kImageDrive);
        ASSERT_EQ(burner_->Initialize(), 1);
        prefs_->Save(HKEY_CURRENT_USER);
    }
    void TearDown() override {
        burner_.reset();
        host_.reset();
        drives_.reset();
        PrefsDialogFixture::TearDown();
        SetPartialSongThreshold(kDefaultPartialSongThreshold);
        RegistryStoreSetFolder("");
    }

    TPrefsContext MakeContext() override {
        TPrefsContext context = PrefsDialogFixture::MakeContext();
        context.burner = burner_.get();
        context.drives = drives_.get();
        context.conversionOutdated = [this] { events_.push_back("outdated"); };
        context.refreshGain = [this] {
            events_.push_back("gain");
            gainSawNormalizing_.push_back(prefs_->bNormalizeSounds);
        };
        context.updateTotals = [this] {
            events_.push_back("totals");
            capacityAtTotals_ = burner_->DiscCapacityMs();
        };
        return context;
    }

    // Opens the dialog on the page, lets act work on it, and confirms.
    void RunAndConfirm(const std::function<void(QWidget* dialog)>& act) {
        events_.clear();
        gainSawNormalizing_.clear();
        const int result = Run([&](QWidget* dialog, CPrefsDialog&) {
            act(dialog);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, IDOK);
    }

    PLATTER_CDevice* ImageDrive() const { return drives_->GetDevice(2); }
    int CountOf(const char* event) const {
        return static_cast<int>(std::count(events_.begin(), events_.end(), event));
    }

    testsupport::TempDir store_;
    std::unique_ptr<CScriptedFirstDrives> drives_;
    std::unique_ptr<CMainBurnerHost> host_;
    std::unique_ptr<CBurner> burner_;
    std::vector<std::string> events_;
    std::vector<int> gainSawNormalizing_;
    int capacityAtTotals_ = -1;
};

TEST_F(BurningPrefsPageTest, OpensWithTheStoredValuesAndEachSwitchRulesItsGroup) {
    prefs_->BurnerPrefs[kBurnerEject] = 0;
    prefs_->BurnerPrefs[kBurnerPlaySound] = 1;
    prefs_->bWarnAboutIncompleteSongs = 1;
    prefs_->bMandatoryWaveConversionsOnly = 1;
    prefs_->bNormalizeSounds = 1;
    prefs_->bNormalizeToLoudestTrack = 0;
    prefs_->iNormDiffThreshold = 37;
    prefs_->bTrimSoundsAutomatically = 0;
    prefs_->minTrimThreshold = 5000;
    prefs_->bAutoDetectMediaSize = 0;
    prefs_->iDefaultMediaSize = 21;
    for (int engine : {kEngineGoldenHawk, kEngineZent}) {
        SCOPED_TRACE(engine);
        platter_->burningEngine = engine;
        Run([&](QWidget* dialog, CPrefsDialog& object) {
            EXPECT_EQ(object.Title().toStdString(), "Burning CDs Preferences");
            // The writers only, in list order; the stored address picks the row.
            QComboBox* writers = List(dialog, Page::kWriterList);
            EXPECT_EQ(Rows(writers), (std::vector<std::string>{drives_->writer.GetName(),
                                                               ImageDrive()->GetName()}));
            EXPECT_EQ(RowData(writers), (std::vector<int>{0, 1}));
            EXPECT_EQ(writers->currentIndex(), 1);

            EXPECT_FALSE(Checked(dialog, Page::kEject));
            EXPECT_TRUE(Checked(dialog, Page::kPlaySound));
            // No drive settings on this machine: shown off, and kept still.
            for (int id : {Page::kDisconnect, Page::kAutoInsert, Page::kSyncTransfer}) {
                EXPECT_FALSE(Checked(dialog, id)) << id;
                EXPECT_FALSE(Enabled(dialog, id)) << id;
            }
            EXPECT_TRUE(Checked(dialog, Page::kMandatoryOnly));
            // The Zent engine converts every song anyway.
            EXPECT_EQ(Enabled(dialog, Page::kMandatoryOnly), engine == kEngineGoldenHawk);
            EXPECT_TRUE(Checked(dialog, Page::kToFull));
            EXPECT_FALSE(Checked(dialog, Page::kToLoudest));
            EXPECT_EQ(List(dialog, Page::kNormalizeList)->currentText().toStdString(), "37");
            EXPECT_FALSE(Checked(dialog, Page::kTrim));
            EXPECT_EQ(List(dialog, Page::kTrimList)->currentIndex(), 5);
            EXPECT_TRUE(Checked(dialog, Page::kUseSize));
            EXPECT_EQ(List(dialog, Page::kSizeList)->currentData().toInt(), 21);

            // Each switch enables its group while on; the size list goes
            // with "Use:".
            struct TGroup {
                int control;
                std::initializer_list<int> dependents;
                bool onAtFirst;
            };
            const TGroup groups[] = {
                {Page::kWarnIncomplete, {1305, 1306, 1307}, true},
                {Page::kNormalize, {1310, 1311, 1312, 1313, 1314, 1315}, true},
                {Page::kTrim, {1317, 1318, 1319}, false},
            };
            for (const TGroup& group : groups) {
                SCOPED_TRACE(group.control);
                const std::vector<int> all(group.dependents);
                EXPECT_EQ(EnabledOf(dialog, group.dependents),
                          group.onAtFirst ? all : std::vector<int>{});
                ClickControl(dialog, group.control);
                EXPECT_EQ(EnabledOf(dialog, group.dependents),
                          group.onAtFirst ? std::vector<int>{} : all);
                ClickControl(dialog, group.control);
                EXPECT_EQ(EnabledOf(dialog, group.dependents),
                          group.onAtFirst ? all : std::vector<int>{});
            }
            EXPECT_EQ(EnabledOf(dialog, {1401, 1402}), (std::vector<int>{1401, 1402}));
            ClickControl(dialog, Page::kAutoDetectSize);
            EXPECT_TRUE(EnabledOf(dialog, {1401, 1402}).empty());
            ClickControl(dialog, Page::kUseSize);
            EXPECT_EQ(EnabledOf(dialog, {1401, 1402}), (std::vector<int>{1401, 1402}));

            QWidget* page = FindControl(dialog, Page::kDialogId);
            ExpectUnclipped(page);
            ExpectUnclipped(FindControl(dialog, Page::kSizeGroup));
            if (engine == kEngineZent) SaveWidgetPng(dialog, "burning_prefs_page");
            ClickControl(dialog, IDCANCEL);
        });
    }
}

TEST_F(BurningPrefsPageTest, ListsHoldTheirRowsAndAnUnlistedValueFallsBack) {
    struct {
        int partial, normalize, trimMs, minutes;
        int partialRow, normalizeRow, trimRow, sizeRow;
    } const cases[] = {
        {12, 15, 2000, 74, 12, 15, 2, 1},
        {150, 150, 2500, 80, 9, 0, 0, 2},  // none listed: rows 9 and 0
        {100, 99, 200000, 21, 100, 99, 200, 0},
        {0, 0, 0, 74, 0, 0, 0, 1},
        {-1, -1, -1000, 74, 9, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.partial);
        prefs_->partialSongThreshold = c.partial;
        prefs_->iNormDiffThreshold = c.normalize;
        prefs_->minTrimThreshold = c.trimMs;
        prefs_->iDefaultMediaSize = c.minutes;
        Run([&](QWidget* dialog, CPrefsDialog&) {
            EXPECT_EQ(List(dialog, Page::kWarnPercentList)->currentIndex(), c.partialRow);
            EXPECT_EQ(List(dialog, Page::kNormalizeList)->currentIndex(), c.normalizeRow);
            EXPECT_EQ(List(dialog, Page::kTrimList)->currentIndex(), c.trimRow);
            EXPECT_EQ(List(dialog, Page::kSizeList)->currentIndex(), c.sizeRow);
            ClickControl(dialog, IDCANCEL);
        });
    }
    Run([&](QWidget* dialog, CPrefsDialog&) {
        struct {
            int list, count, row;
            const char* text;
        } const lists[] = {
            {Page::kWarnPercentList, 101, 5, "5"},   {Page::kWarnPercentList, 101, 100, "100"},
            {Page::kNormalizeList, 100, 5, " 5"},    {Page::kNormalizeList, 100, 99, "99"},
            {Page::kTrimList, 201, 3, " 3"},         {Page::kTrimList, 201, 200, "200"},
        };
        for (const auto& l : lists) {
            SCOPED_TRACE(l.list);
            ASSERT_EQ(List(dialog, l.list)->count(), l.count);
            EXPECT_EQ(List(dialog, l.list)->itemText(l.row).toStdString(), l.text);
        }
        QComboBox* sizes = List(dialog, Page::kSizeList);
        EXPECT_EQ(Rows(sizes),
                  (std::vector<std::string>{"21 mins", "74 mins (default)", "80 mins"}));
        EXPECT_EQ(RowData(sizes), (std::vector<int>{21, 74, 80}));
        ClickControl(dialog, IDCANCEL);
    });
    // Confirming stores the row shown, and the engine takes the percentage.
    prefs_->partialSongThreshold = 150;
    RunAndConfirm([](QWidget*) {});
    EXPECT_EQ(prefs_->partialSongThreshold, 9);
    EXPECT_EQ(GetPartialSongThreshold(), 9);
}

TEST_F(BurningPrefsPageTest, AnotherWriterGoesToTheDriveLibraryUnderZentAndRestartsTheBurner) {
    struct {
        int engine;
        int row;
        TAddress stored;
        PLATTER_CDevice* writer;
        TAddress library;  // what the drive library was handed
    } const cases[] = {
        {kEngineZent, 0, kScriptedWriter, &drives_->writer, kScriptedWriter},
        {kEngineGoldenHawk, 0, kScriptedWriter, &drives_->writer, kNoWriter},
        // The writer kept: nothing handed on, the burner left as it was.
        {kEngineZent, 1, kImageDrive, ImageDrive(), kNoWriter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine * 10 + c.row);
        platter_->burningEngine = c.engine;
        platter_->SetWriterDrive(-1, -1, -1);
        StoreAddress(*prefs_, kImageDrive);
        ASSERT_EQ(burner_->Initialize(), 1);
        ASSERT_EQ(burner_->Device(), ImageDrive());
        RunAndConfirm([&](QWidget* dialog) {
            List(dialog, Page::kWriterList)->setCurrentIndex(c.row);
        });
        EXPECT_EQ(StoredAddress(*prefs_), c.stored);
        EXPECT_EQ(burner_->Device(), c.writer);
        EXPECT_EQ(platter_->WriterDrive(), c.library);
    }
}

TEST_F(BurningPrefsPageTest, WithoutAWriterTheListIsEmptyAndNoAddressIsStored) {
    drives_->writer.capabilities = 0;
    drives_->withLibrary = false;
    prefs_->bWarnAboutIncompleteSongs = 0;
    RunAndConfirm([](QWidget* dialog) {
        EXPECT_EQ(List(dialog, Page::kWriterList)->count(), 0);
        ClickControl(dialog, Page::kWarnIncomplete);
    });
    EXPECT_EQ(StoredAddress(*prefs_), kNoWriter);
    // The rest of the page is stored as ever.
    EXPECT_EQ(prefs_->bWarnAboutIncompleteSongs, 1);
}

TEST_F(BurningPrefsPageTest, DuringABurnEverythingIsStillAndOkKeepsTheWriter) {
    prefs_->partialSongThreshold = 150;
    prefs_->bNormalizeSounds = 0;
    prefs_->Save(HKEY_CURRENT_USER);
    platter_->burningEngine = kEngineZent;
    burner_->state = kBurnStateBurning;
    RunAndConfirm([&](QWidget* dialog) {
        for (int id : kAllControls) EXPECT_FALSE(Enabled(dialog, id)) << id;
        SaveWidgetPng(dialog, "burning_prefs_page_burning");
        // Even a row chosen behind the user's back does not reach the burn.
        List(dialog, Page::kWriterList)->setCurrentIndex(0);
    });
    burner_->state = kBurnStateBlankDisc;
    EXPECT_EQ(StoredAddress(*prefs_), kImageDrive);
    EXPECT_EQ(burner_->Device(), ImageDrive());
    EXPECT_EQ(platter_->WriterDrive(), kNoWriter);
    // The other values come from the controls as they opened.
    EXPECT_EQ(prefs_->partialSongThreshold, 9);
    EXPECT_EQ(prefs_->bNormalizeSounds, 0);
}

TEST_F(BurningPrefsPageTest, TheConvertedFilesGoOutOfDateOnlyWhenTheyWouldComeOutDifferent) {
    struct TCase {
        const char* what;
        bool outdated;
        std::function<void(CPreferences&)> before;
        std::function<void(QWidget*)> act;
    };
    auto selectRow = [](int list, int row) {
        return [=](QWidget* dialog) { List(dialog, list)->setCurrentIndex(row); };
    };
    auto click = [](std::initializer_list<int> ids) {
        const std::vector<int> clicks(ids);
        return [=](QWidget* dialog) {
            for (int id : clicks) ClickControl(dialog, id);
        };
    };
    auto mandatoryOn = [](CPreferences& prefs) { prefs.bMandatoryWaveConversionsOnly = 1; };
    auto normalizeOff = [](CPreferences& prefs) { prefs.bNormalizeSounds = 0; };
    auto nothing = [](CPreferences&) {};
    const TCase cases[] = {
        {"mandatory conversions off", true, mandatoryOn, click({Page::kMandatoryOnly})},
        {"normalising off", true, nothing, click({Page::kNormalize})},
        {"normalising on", true, normalizeOff, click({Page::kNormalize})},
        {"threshold while normalising", true, nothing, selectRow(Page::kNormalizeList, 20)},
        {"level while normalising", true, nothing, click({Page::kToFull})},
        {"trimming off", true, nothing, click({Page::kTrim})},
        {"shorter trims", true, nothing, selectRow(Page::kTrimList, 1)},
        {"nothing", false, nothing, click({})},
        {"longer trims", false, nothing, selectRow(Page::kTrimList, 5)},
        {"threshold and level without normalising", false, normalizeOff,
         [](QWidget* dialog) {
             ClickControl(dialog, Page::kNormalize);
             List(dialog, Page::kNormalizeList)->setCurrentIndex(20);
             ClickControl(dialog, Page::kToFull);
             ClickControl(dialog, Page::kNormalize);
         }},
        {"mandatory conversions on", false, nothing, click({Page::kMandatoryOnly})},
        {"eject, sound, warning, disc size", false, nothing,
         click({Page::kEject, Page::kPlaySound, Page::kWarnIncomplete, Page::kUseSize})},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        CPreferences defaults;
        prefs_->bMandatoryWaveConversionsOnly = defaults.bMandatoryWaveConversionsOnly;
        prefs_->bNormalizeSounds = defaults.bNormalizeSounds;
        prefs_->bNormalizeToLoudestTrack = defaults.bNormalizeToLoudestTrack;
        prefs_->iNormDiffThreshold = defaults.iNormDiffThreshold;
        prefs_->bTrimSoundsAutomatically = defaults.bTrimSoundsAutomatically;
        prefs_->minTrimThreshold = defaults.minTrimThreshold;
        c.before(*prefs_);
        RunAndConfirm(c.act);
        EXPECT_EQ(CountOf("outdated"), c.outdated ? 1 : 0);
    }
}

TEST_F(BurningPrefsPageTest, OkTellsThePlayerAndTheTotalsAfterStoringAndTheDiscSizeCounts) {
    platter_->burningEngine = kEngineZent;
    prefs_->bAutoDetectMediaSize = 1;
    RunAndConfirm([](QWidget* dialog) {
        ClickControl(dialog, Page::kUseSize);
        List(dialog, Page::kSizeList)->setCurrentIndex(0);
        ClickControl(dialog, Page::kNormalize);
    });
    EXPECT_EQ(prefs_->iDefaultMediaSize, 21);
    EXPECT_EQ(prefs_->bAutoDetectMediaSize, 0);
    // The player sees the new loudness switch at once and again at the end;
    // the totals are reckoned against a 21-minute disc.
    EXPECT_EQ(events_, (std::vector<std::string>{"outdated", "gain", "totals", "gain"}));
    EXPECT_EQ(gainSawNormalizing_, (std::vector<int>{0, 0}));
    EXPECT_EQ(capacityAtTotals_, 21 * 60000 - 10);
}

TEST_F(BurningPrefsPageTest, TheWritersDriveSettingsShowAndAChangeAsksOnceToRestart) {
    const std::string writerKey = "CdRom&Ven_Fake&Prod_Scripted";
    const std::map<std::string, std::uint8_t> seeded = {
        {"Disconnect", 1}, {"AutoInsertNotification", 0}, {"SyncDataXfer", 1}};
    struct {
        const char* what;
        std::vector<int> clicks;
        std::optional<int> answer;  // none: no question
        std::map<std::string, int> after;
    } const cases[] = {
        {"nothing changed", {}, std::nullopt, {{"Disconnect", 1}, {"AutoInsertNotification", 0},
                                               {"SyncDataXfer", 1}}},
        {"two changed, no restart", {Page::kAutoInsert, Page::kSyncTransfer}, IDNO,
         {{"Disconnect", 1}, {"AutoInsertNotification", 1}, {"SyncDataXfer", 0}}},
        {"one changed, restart", {Page::kDisconnect}, IDYES,
         {{"Disconnect", 0}, {"AutoInsertNotification", 0}, {"SyncDataXfer", 1}}},
    };
    StoreAddress(*prefs_, kScriptedWriter);
    ASSERT_EQ(burner_->Initialize(), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SeedInstance(writerKey, "Fake Scripted Drive", seeded);
        RemoveAutoStartEntry();
        if (c.answer) ui_.ExpectMessage("BEM_RebootMessage", *c.answer);
        RunAndConfirm([&](QWidget* dialog) {
            EXPECT_EQ(EnabledOf(dialog, {1271, 1272, 1273}), (std::vector<int>{1271, 1272, 1273}));
            EXPECT_TRUE(Checked(dialog, Page::kDisconnect));
            EXPECT_FALSE(Checked(dialog, Page::kAutoInsert));
            EXPECT_TRUE(Checked(dialog, Page::kSyncTransfer));
            for (int id : c.clicks) ClickControl(dialog, id);
        });
        EXPECT_EQ(InstanceValues(writerKey), c.after);
        EXPECT_EQ(HasStartEntry(), c.answer == IDYES);
    }
    const std::vector<testsupport::TUiCall> calls = ui_.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().caption, "Restart needed");
    EXPECT_EQ(calls.back().flags, MB_YESNO | MB_ICONWARNING);
}

TEST_F(BurningPrefsPageTest, ANewWriterNeverTakesTheSettingsShownForTheOldOne) {
    const std::string imageKey = "CdRom&Ven_Trackpress&Prod_Image";
    SeedInstance("CdRom&Ven_Fake&Prod_Scripted", "Fake Scripted Drive",
                 {{"Disconnect", 1}, {"AutoInsertNotification", 1}, {"SyncDataXfer", 1}});
    SeedInstance(imageKey, ImageDrive()->GetName(),
                 {{"Disconnect", 0}, {"AutoInsertNotification", 0}, {"SyncDataXfer", 0}});
    StoreAddress(*prefs_, kScriptedWriter);
    ASSERT_EQ(burner_->Initialize(), 1);
    RunAndConfirm([](QWidget* dialog) {
        EXPECT_TRUE(Checked(dialog, Page::kDisconnect));
        List(dialog, Page::kWriterList)->setCurrentIndex(1);
    });
    EXPECT_EQ(burner_->Device(), ImageDrive());
    EXPECT_EQ(InstanceValues(imageKey),
              (std::map<std::string, int>{
                  {"Disconnect", 0}, {"AutoInsertNotification", 0}, {"SyncDataXfer", 0}}));
    EXPECT_TRUE(ui_.MessageKeys().empty());
}

TEST_F(BurningPrefsPageTest, OkStoresExactlyTheValuesOfTheControlsChanged) {
    struct {
        const char* what;
        std::function<void(QWidget*)> act;
        std::set<std::string> changed;
        std::set<int> words;
    } const cases[] = {
        {"nothing", [](QWidget*) {}, {}, {}},
        {"eject, sound, threshold, disc size",
         [](QWidget* dialog) {
             ClickControl(dialog, Page::kEject);
             ClickControl(dialog, Page::kPlaySound);
             List(dialog, Page::kNormalizeList)->setCurrentIndex(40);
             ClickControl(dialog, Page::kUseSize);
             List(dialog, Page::kSizeList)->setCurrentIndex(2);
         },
         {"BurnerPrefs", "iNormDiffThreshold", "bAutoDetectMediaSize", "iDefaultMediaSize"},
         {kBurnerEject, kBurnerPlaySound}},
        {"writer, warning percentage",
         [](QWidget* dialog) {
             List(dialog, Page::kWriterList)->setCurrentIndex(0);
             List(dialog, Page::kWarnPercentList)->setCurrentIndex(30);
         },
         // From (1000, 0, 0) to (2, 0, 0).
         {"BurnerPrefs", "partialSongThreshold"},
         {kBurnerWriterFirst}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prefs_->Save(HKEY_CURRENT_USER);
        const TStoredValues before = ReadStoredValues();
        RunAndConfirm(c.act);
        const TStoredValues after = ReadStoredValues();
        EXPECT_EQ(ChangedValueNames(before, after), c.changed);
        const auto wordsBefore = StoredBurnerWords(before);
        const auto wordsAfter = StoredBurnerWords(after);
        std::set<int> words;
        for (std::size_t i = 0; i < wordsBefore.size(); ++i)
            if (wordsBefore[i] != wordsAfter[i]) words.insert(static_cast<int>(i));
        EXPECT_EQ(words, c.words);
    }
}

}  // namespace
