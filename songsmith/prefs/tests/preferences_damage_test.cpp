// Damaged values keep their defaults with one log line each, and the
// settings that act outside the store are handed on with or without a key.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "songsmith/prefs/tests/preferences_fixture.h"

namespace prefs_test {
namespace {

Bytes FloatBytes(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Bytes bytes;
    PutWord(bytes, bits);
    return bytes;
}

Bytes DoubleBytes(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    Bytes bytes;
    PutWord(bytes, static_cast<std::uint32_t>(bits));
    PutWord(bytes, static_cast<std::uint32_t>(bits >> 32));
    return bytes;
}

Bytes MusicDirRecord(const std::string& path) {
    Bytes record;
    PutField(record, path, 260);
    PutWord(record, 1);
    PutWord(record, 0);
    return record;
}

}  // namespace

TEST_F(PreferencesTest, DamagedValuesKeepTheirDefaultsWithALogLine) {
    const std::string longPath = "/" + std::string(259, 'p');  // 260 bytes: one too many
    struct Case {
        const char* what;
        std::function<void(CRegKey&)> store;
        const char* logLine;
        std::function<void(const CPreferences&)> check;
    };
    const Case cases[] = {
        {"number stored as text", [](CRegKey& k) { k.SetKeyString("RipSpeed", "12"); },
         "\"RipSpeed\" is not a 4-byte number; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.RipSpeed, 255); }},
        {"number of two bytes",
         [](CRegKey& k) {
             SetBytes(k, "CurrentTab", Bytes{1, 0});
         },
         "\"CurrentTab\" is not a 4-byte number; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.CurrentTab, 0); }},
        {"binary count",
         [](CRegKey& k) {
             SetBytes(k, "CDDBNumSites", Bytes{3, 0, 0, 0});
         },
         "\"CDDBNumSites\" is not a 4-byte number; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.Sites.count, 1); }},
        {"path that does not fit", [&](CRegKey& k) { k.SetKeyString("RipPath", longPath.c_str()); },
         "\"RipPath\" is longer than 259 bytes; the default is kept",
         [&](const CPreferences& p) { EXPECT_EQ(std::string(p.RipPath), home_ + "/Music/"); }},
        {"host that does not fit",
         [&](CRegKey& k) { k.SetKeyString("CDDBSite", longPath.c_str()); },
         "\"CDDBSite\" is longer than 259 bytes; the default is kept",
         [](const CPreferences& p) { EXPECT_STREQ(p.CDDBSite, "gnudb.gnudb.org"); }},
        {"search text cut on a character boundary",
         [](CRegKey& k) {
             // 510 ASCII bytes, then a two-byte character across the limit.
             const std::string text = std::string(510, 'a') + "\xC3\xA9" + "tail";
             k.SetKeyString("lastSearchCriteria", text.c_str());
         },
         "\"lastSearchCriteria\" is longer than 511 bytes; cut to fit",
         [](const CPreferences& p) {
             EXPECT_EQ(std::string(p.lastSearchCriteria), std::string(510, 'a'));
         }},
        {"short fade record", [](CRegKey& k) { SetBytes(k, "fadePreferences", Bytes(12, 9)); },
         "\"fadePreferences\" holds 12 bytes, fewer than 16; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.fadePreferences.overlapMs, 2500); }},
        {"short burner record", [](CRegKey& k) { SetBytes(k, "BurnerPrefs", Bytes(71, 9)); },
         "\"BurnerPrefs\" holds 71 bytes, fewer than 72; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.BurnerPrefs, kDefaultBurnerPrefs); }},
        {"short conversion rate", [](CRegKey& k) { SetBytes(k, "waveConvertRate", Bytes(4, 1)); },
         "\"waveConvertRate\" holds 4 bytes, fewer than 8; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.waveConvertRate.load(), 15.3); }},
        {"split not a number",
         [](CRegKey& k) { SetBytes(k, "LastWindowSplitPercentage", FloatBytes(std::nanf(""))); },
         "\"LastWindowSplitPercentage\" is not a finite number; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.LastWindowSplitPercentage, 0.4f); }},
        {"split above one",
         [](CRegKey& k) { SetBytes(k, "LastWindowSplitPercentage", FloatBytes(1.5f)); },
         "\"LastWindowSplitPercentage\" = 1.5 lies outside 0..1; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.LastWindowSplitPercentage, 0.4f); }},
        {"conversion rate of zero",
         [](CRegKey& k) { SetBytes(k, "waveConvertRate", DoubleBytes(0.0)); },
         "\"waveConvertRate\" = 0 is not above 0; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.waveConvertRate.load(), 15.3); }},
        {"infinite conversion rate",
         [](CRegKey& k) {
             SetBytes(k, "waveConvertRate", DoubleBytes(std::numeric_limits<double>::infinity()));
         },
         "\"waveConvertRate\" is not a finite number; the default is kept",
         [](const CPreferences& p) { EXPECT_EQ(p.waveConvertRate.load(), 15.3); }},
        {"favourite of the wrong size",
         [](CRegKey& k) {
             k.SetKeyNum("NumMusicDirectories", 2);
             SetBytes(k, "ZY_MusicDir0", Bytes(267, 'a'));
             SetBytes(k, "ZY_MusicDir1", MusicDirRecord("/kept"));
         },
         "\"ZY_MusicDir0\" holds 267 bytes, not 268; skipped",
         [](const CPreferences& p) {
             ASSERT_EQ(p.MusicDirectories.Count(), 1);
             EXPECT_STREQ(p.MusicDirectories.Index(0)->path, "/kept");
         }},
        {"favourite path without its end",
         [](CRegKey& k) {
             k.SetKeyNum("NumMusicDirectories", 1);
             Bytes record(260, 'a');
             PutWord(record, 1);
             PutWord(record, 0);
             SetBytes(k, "ZY_MusicDir0", record);
         },
         "\"ZY_MusicDir0\" holds a path longer than 259 bytes; skipped",
         [](const CPreferences& p) { EXPECT_EQ(p.MusicDirectories.Count(), 0); }},
        {"site of the wrong size",
         [](CRegKey& k) {
             k.SetKeyNum("CDDBNumSites", 1);
             SetBytes(k, "ZS_Site0", Bytes(1036, 0));
         },
         "\"ZS_Site0\" holds 1036 bytes, not 1040; skipped",
         [](const CPreferences& p) { EXPECT_EQ(p.Sites.count, 0); }},
        {"site text without its end",
         [](CRegKey& k) {
             k.SetKeyNum("CDDBNumSites", 1);
             Bytes site(1040, 0);
             std::fill(site.begin() + 260, site.begin() + 516, 'x');  // the whole script path
             SetBytes(k, "ZS_Site0", site);
         },
         "\"ZS_Site0\" holds a text longer than 255 bytes; skipped",
         [](const CPreferences& p) { EXPECT_EQ(p.Sites.count, 0); }},
        {"exclusion that does not fit",
         [&](CRegKey& k) {
             k.SetKeyNum("NumImportExcludeDirs", 2);
             k.SetKeyString("ZI_ExcludeDir0", longPath.c_str());
             k.SetKeyString("ZI_ExcludeDir1", "/srv/");
         },
         "\"ZI_ExcludeDir0\" is longer than 259 bytes; skipped",
         [](const CPreferences& p) {
             ASSERT_EQ(p.ImportExcludeDirs.count, 1);
             EXPECT_STREQ(p.ImportExcludeDirs.items[0].path, "/srv/");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrepareStore(c.store);
        const std::size_t logBefore = LogText().size();
        CPreferences p;
        p.Load(HKEY_CURRENT_USER);
        const std::string logged = LogText().substr(logBefore);
        EXPECT_NE(logged.find(std::string("CPreferences::Load - ") + c.logLine), std::string::npos)
            << logged;
        EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << "one line: " << logged;
        c.check(p);
    }
}

TEST_F(PreferencesTest, EffectsAreHandedOnWithOrWithoutAKey) {
    CRecordingEffects withoutKey;
    {
        CPreferences p;
        p.SetEffects(&withoutKey);
        p.Load(HKEY_CURRENT_USER);
    }
    EXPECT_EQ(withoutKey.calls, (std::vector<std::string>{"silence 0", "partial 12", "log 1"}));
    EXPECT_FALSE(KeyExists()) << "the defaults are handed on, not written";

    auto key = Key();
    key->SetKeyNum("soundSilenceThreshold", 0xFFFFFFFFu);
    key->SetKeyNum("bLogOn", 0);
    key.reset();
    CRecordingEffects withKey;
    CPreferences p;
    p.SetEffects(&withKey);
    p.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(withKey.calls,
              (std::vector<std::string>{"silence 4294967295", "partial 12", "log 0"}))
        << "stored values, the missing one at its default";
}

}  // namespace prefs_test
