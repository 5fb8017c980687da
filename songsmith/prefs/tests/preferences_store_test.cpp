// Saving and loading: every value survives a round trip, records have their
// exact byte images, and the store's own rules hold.

#include <cmath>
#include <cstring>
#include <functional>

#include "platform/registry_tree.h"
#include "songsmith/prefs/tests/preferences_fixture.h"

namespace prefs_test {
namespace {

// Every plain number with a value of its own, so that two members swapped
// under each other's names cannot pass.
const std::pair<const char*, int CPreferences::*> kNumberMembers[] = {
    {"ShowPlaybackWindow", &CPreferences::ShowPlaybackWindow},
    {"ShowFindSoundsWindow", &CPreferences::ShowFindSoundsWindow},
    {"ShowToolbarWindow", &CPreferences::ShowToolbarWindow},
    {"AnimateLogo", &CPreferences::AnimateLogo},
    {"ShowSmallToolbar", &CPreferences::ShowSmallToolbar},
    {"CurrentTab", &CPreferences::CurrentTab},
    {"CurrentPrefPage", &CPreferences::CurrentPrefPage},
    {"importAfterSearch", &CPreferences::importAfterSearch},
    {"soundSilenceThreshold", &CPreferences::soundSilenceThreshold},
    {"soundNormalizationLevel", &CPreferences::soundNormalizationLevel},
    {"bNormalizeSounds", &CPreferences::bNormalizeSounds},
    {"bNormalizeToLoudestTrack", &CPreferences::bNormalizeToLoudestTrack},
    {"iNormDiffThreshold", &CPreferences::iNormDiffThreshold},
    {"soundScanMilsPerPixel", &CPreferences::soundScanMilsPerPixel},
    {"bTrimSoundsAutomatically", &CPreferences::bTrimSoundsAutomatically},
    {"minTrimThreshold", &CPreferences::minTrimThreshold},
    {"bWarnAboutIncompleteSongs", &CPreferences::bWarnAboutIncompleteSongs},
    {"partialSongThreshold", &CPreferences::partialSongThreshold},
    {"MixerDeviceID", &CPreferences::MixerDeviceID},
    {"MixerNumBuffers", &CPreferences::MixerNumBuffers},
    {"MixerBufferSize", &CPreferences::MixerBufferSize},
    {"bRandomPlayback", &CPreferences::bRandomPlayback},
    {"bContinuousPlayback", &CPreferences::bContinuousPlayback},
    {"copyFlags", &CPreferences::copyFlags},
    {"excessTreatment", &CPreferences::excessTreatment},
    {"excessFadeTime", &CPreferences::excessFadeTime},
    {"bFastBurnWarning", &CPreferences::bFastBurnWarning},
    {"bFirstBurnWarning", &CPreferences::bFirstBurnWarning},
    {"bAutoInsertWarning", &CPreferences::bAutoInsertWarning},
    {"b80MinCDWarning", &CPreferences::b80MinCDWarning},
    {"bRefreshCDStateWhenIdle", &CPreferences::bRefreshCDStateWhenIdle},
    {"bWarnAboutNoASPI", &CPreferences::bWarnAboutNoASPI},
    {"bWarnAboutNoRecorder", &CPreferences::bWarnAboutNoRecorder},
    {"bWarnAboutTooManyProcesses", &CPreferences::bWarnAboutTooManyProcesses},
    {"bAutoDetectMediaSize", &CPreferences::bAutoDetectMediaSize},
    {"RipArtistSubfolder", &CPreferences::RipArtistSubfolder},
    {"RipUseArtist", &CPreferences::RipUseArtist},
    {"RipUseAlbum", &CPreferences::RipUseAlbum},
    {"RipUseTrack", &CPreferences::RipUseTrack},
    {"RipSignal", &CPreferences::RipSignal},
    {"RipDestTemp", &CPreferences::RipDestTemp},
    {"RipRemindCopy", &CPreferences::RipRemindCopy},
    {"RipConfirmQuit", &CPreferences::RipConfirmQuit},
    {"RipJitter", &CPreferences::RipJitter},
    {"RipRetries", &CPreferences::RipRetries},
    {"RipSpeed", &CPreferences::RipSpeed},
    {"RipFormat", &CPreferences::RipFormat},
    {"FormatMP3Encoder", &CPreferences::FormatMP3Encoder},
    {"FormatMP3Quality", &CPreferences::FormatMP3Quality},
    {"FormatMP3TagType", &CPreferences::FormatMP3TagType},
    {"FormatMP3VarBitRate", &CPreferences::FormatMP3VarBitRate},
    {"FormatWAVQuality", &CPreferences::FormatWAVQuality},
    {"FormatWAVSampleRate", &CPreferences::FormatWAVSampleRate},
    {"FormatWAVChannels", &CPreferences::FormatWAVChannels},
    {"FormatWAVBitRate", &CPreferences::FormatWAVBitRate},
    {"FormatWAVUseTags", &CPreferences::FormatWAVUseTags},
    {"FormatWMAQuality", &CPreferences::FormatWMAQuality},
    {"FormatWMASampleRate", &CPreferences::FormatWMASampleRate},
    {"FormatWMAChannels", &CPreferences::FormatWMAChannels},
    {"FormatWMABitRate", &CPreferences::FormatWMABitRate},
    {"FormatWMAUseTags", &CPreferences::FormatWMAUseTags},
    {"CDDBAutoRetr", &CPreferences::CDDBAutoRetr},
    {"LibLoadFailed", &CPreferences::LibLoadFailed},
    {"ImportMp3", &CPreferences::ImportMp3},
    {"ImportWav", &CPreferences::ImportWav},
    {"ImportWma", &CPreferences::ImportWma},
    {"ImportMinMp3", &CPreferences::ImportMinMp3},
    {"ImportMinWav", &CPreferences::ImportMinWav},
    {"ImportMinWma", &CPreferences::ImportMinWma},
    {"ImportInitial", &CPreferences::ImportInitial},
    {"ImportDelEmptyFolder", &CPreferences::ImportDelEmptyFolder},
    {"ImportFavorites", &CPreferences::ImportFavorites},
    {"ImportDesktop", &CPreferences::ImportDesktop},
    {"ImportRest", &CPreferences::ImportRest},
    {"ImportNetwork", &CPreferences::ImportNetwork},
    {"bMandatoryWaveConversionsOnly", &CPreferences::bMandatoryWaveConversionsOnly},
    {"bAgreedToLicense", &CPreferences::bAgreedToLicense},
    {"bLogOn", &CPreferences::bLogOn},
    {"bZentLogging", &CPreferences::bZentLogging},
    {"bLogFailed", &CPreferences::bLogFailed},
    {"UseMarovelleASPI", &CPreferences::UseMarovelleASPI},
    {"DontWarnIntelAppAccelerator", &CPreferences::DontWarnIntelAppAccelerator},
};
int ChangedNumber(std::size_t row) {
    return 1000 + static_cast<int>(row);
}

// Gives every stored member a value other than its default.
void SetEveryValue(CPreferences& p) {
    for (std::size_t i = 0; i < std::size(kNumberMembers); ++i)
        p.*kNumberMembers[i].second = ChangedNumber(i);
    std::strcpy(p.Marovelle_Temp_Dir, "/t/temp");
    p.LastMainWinPlacement = {44, 2, 3, {-4, -5}, {6, 7}, {10, 20, 810, 620}};
    p.LastMainWinPlacementValid = 1;
    p.LastWindowSplitPercentage = 0.625f;
    p.MusicDirectories.Add("/m/older", 100, 0, 0);
    p.MusicDirectories.Add("/m/newer", 200, 1000, 0);
    std::strcpy(p.lastSearchCriteria, "Bj\xC3\xB6rk live");
    p.LastTrackID = 77;
    p.LastMultiTrackSoundID = 78;
    p.fadePreferences = {2, 500, 3000, 2000};
    std::strcpy(p.lastSessionDir, "/s/sessions");
    std::strcpy(p.lastAddSoundDir, "/s/songs");
    for (std::size_t i = 0; i < p.BurnerPrefs.size(); ++i)
        p.BurnerPrefs[i] = 100 + static_cast<int>(i);
    p.iDefaultMediaSize = 80;
    std::strcpy(p.RipPath, "/r/rips/");
    p.RipError = 1;
    std::strcpy(p.CDDBSite, "cddb.example.net");
    p.DeleteSites();
    TITLEFETCH_TSite site = MakeSite("cddb.example.net", "/cgi", 8880);
    std::strcpy(site.secondText, "S012.30, E045.60");
    std::strcpy(site.description, "Example");
    site.north = 0;
    site.latitude = -738;
    site.longitude = 2736;
    p.AddSite(site);
    p.AddSite(MakeSite("second.example.net", "/x", 80));
    std::strcpy(p.LibraryPath, "/l/library/");
    p.ImportExcludeDirs.Empty();
    p.ImportExcludeDirs.Append(TExcludeDir{"/x/one/", 0, 0});
    p.ImportExcludeDirs.Append(TExcludeDir{"/x/two/", 0, 0});
    for (int i = 7; i >= 0; --i)
        p.RecentFiles.AddLatestString(("/recent/" + std::to_string(i) + ".tps").c_str());
    p.waveConvertRate = 22.75;
    p.WhichBurningEngine = 0;
    p.AllowCDRWDiscs = true;
    p.RipVsConvertPct = 60;
    p.RipOnFly = true;
}

}  // namespace

TEST_F(PreferencesTest, EveryValueSurvivesARoundTrip) {
    CPreferences defaults;
    defaults.Save(HKEY_LOCAL_MACHINE);
    const TValueMap defaultValues = Values(HKEY_LOCAL_MACHINE);
    DeleteKey(HKEY_LOCAL_MACHINE);

    CPreferences changed;
    SetEveryValue(changed);
    changed.Save(HKEY_CURRENT_USER);
    const TValueMap saved = Values();
    // The round trip only proves something for values that left their
    // defaults.
    for (const auto& [name, value] : saved) {
        if (name == "SongsmithDir") continue;
        const auto found = defaultValues.find(name);
        EXPECT_TRUE(found == defaultValues.end() || !(found->second == value))
            << name << " kept its default";
    }

    CPreferences reloaded;
    EXPECT_EQ(reloaded.Load(HKEY_CURRENT_USER), 1);
    EXPECT_EQ(reloaded.loaded, 1);
    reloaded.Save(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(Values(HKEY_LOCAL_MACHINE) == saved);

    for (std::size_t i = 0; i < std::size(kNumberMembers); ++i) {
        const auto& [name, member] = kNumberMembers[i];
        TStoredValue number{REG_DWORD, {}};
        PutWord(number.bytes, static_cast<std::uint32_t>(ChangedNumber(i)));
        EXPECT_TRUE(saved.at(name) == number) << name;
        EXPECT_EQ(reloaded.*member, ChangedNumber(i)) << name;
    }
    // Lists in their order, the favourites newest first.
    ASSERT_EQ(reloaded.MusicDirectories.Count(), 2);
    EXPECT_STREQ(reloaded.MusicDirectories.Index(0)->path, "/m/newer");
    EXPECT_EQ(reloaded.MusicDirectories.Index(0)->value, 1000);
    ASSERT_EQ(reloaded.Sites.count, 2);
    EXPECT_STREQ(reloaded.Sites.items[0]->secondText, "S012.30, E045.60");
    EXPECT_EQ(reloaded.Sites.items[0]->latitude, -738);
    ASSERT_EQ(reloaded.RecentFiles.Count(), 8);
    EXPECT_STREQ(reloaded.RecentFiles.Index(0), "/recent/0.tps");
    EXPECT_STREQ(reloaded.RecentFiles.Index(7), "/recent/7.tps");
    EXPECT_TRUE(reloaded.LastMainWinPlacementValid);
    EXPECT_EQ(reloaded.LastMainWinPlacement.rcNormalPosition.right, 810);
    EXPECT_EQ(reloaded.waveConvertRate.load(), 22.75);
    EXPECT_TRUE(reloaded.AllowCDRWDiscs);
}

TEST_F(PreferencesTest, RecordsHaveTheirByteImages) {
    Bytes placement;
    for (std::int32_t v : {44, 0, 3, -1, -1, -8, -8, 100, 50, 900, 700}) {
        PutWord(placement, static_cast<std::uint32_t>(v));
    }
    Bytes fade;
    for (std::int32_t v : {1, 2000, 0, -5}) PutWord(fade, static_cast<std::uint32_t>(v));
    Bytes burner;
    for (std::uint32_t v = 0; v < 18; ++v) PutWord(burner, 0x01020300u + v);
    Bytes split;
    PutWord(split, 0x3F400000u);  // 0.75f
    Bytes rate;
    PutWord(rate, 0);  // 2.5: 0x4004000000000000
    PutWord(rate, 0x40040000u);
    Bytes folder;
    PutField(folder, "/home/u/Music/", 260);
    PutWord(folder, 0x80000010u);  // a time stamp past 2038 stays unsigned
    PutWord(folder, 7);
    const Bytes site = SiteImage({"h", 8080, "/p", "N051.30, W000.07", "d", 1, 0, 3090, -7});
    auto key = Key();
    const std::pair<const char*, const Bytes*> images[] = {{"LastMainWinPlacement", &placement},
                                                           {"fadePreferences", &fade},
                                                           {"BurnerPrefs", &burner},
                                                           {"LastWindowSplitPercentage", &split},
                                                           {"waveConvertRate", &rate},
                                                           {"ZY_MusicDir0", &folder},
                                                           {"ZS_Site0", &site}};
    for (const auto& [name, bytes] : images) SetBytes(*key, name, *bytes);
    key->SetKeyNum("NumMusicDirectories", 1);
    key->SetKeyNum("CDDBNumSites", 1);
    key.reset();

    CPreferences p;
    p.Load(HKEY_CURRENT_USER);
    const WINDOWPLACEMENT& w = p.LastMainWinPlacement;
    EXPECT_EQ(w.showCmd, 3u);
    EXPECT_EQ(w.ptMinPosition.x, -1);
    EXPECT_EQ(w.ptMaxPosition.y, -8);
    EXPECT_EQ(w.rcNormalPosition.left, 100);
    EXPECT_EQ(w.rcNormalPosition.bottom, 700);
    EXPECT_EQ(p.fadePreferences.transitionMode, 1);
    EXPECT_EQ(p.fadePreferences.gapMs, 2000);
    EXPECT_EQ(p.fadePreferences.fadeMs, -5);
    EXPECT_EQ(p.BurnerPrefs[kBurnerWriterFirst], 0x01020306);
    EXPECT_EQ(p.BurnerPrefs[kBurnerWriterSecond], 0x01020300);
    EXPECT_EQ(p.BurnerPrefs[kBurnerWriterThird], 0x01020307);
    EXPECT_EQ(p.LastWindowSplitPercentage, 0.75f);
    EXPECT_EQ(p.waveConvertRate.load(), 2.5);
    ASSERT_EQ(p.MusicDirectories.Count(), 1);
    EXPECT_STREQ(p.MusicDirectories.Index(0)->path, "/home/u/Music/");
    EXPECT_EQ(static_cast<std::uint32_t>(p.MusicDirectories.Index(0)->number), 0x80000010u);
    ASSERT_EQ(p.Sites.count, 1);
    const TITLEFETCH_TSite& s = *p.Sites.items[0];
    EXPECT_STREQ(s.host, "h");
    EXPECT_EQ(s.port, 8080);
    EXPECT_STREQ(s.description, "d");
    EXPECT_EQ(s.north, 1);
    EXPECT_EQ(s.east, 0);
    EXPECT_EQ(s.latitude, 3090);
    EXPECT_EQ(s.longitude, -7);

    // Written back, each image is the same bytes.
    DeleteKey(HKEY_CURRENT_USER);
    p.Save(HKEY_CURRENT_USER);
    TValueMap values = Values();
    for (const auto& [name, bytes] : images) {
        EXPECT_EQ(values[name].type, REG_BINARY) << name;
        EXPECT_EQ(values[name].bytes, *bytes) << name;
    }
}

// The store's edge cases, each from a prepared store through Load and Save.
TEST_F(PreferencesTest, StoreRulesOnLoadAndSave) {
    struct Case {
        const char* what;
        std::function<void(CRegKey&)> store;
        std::function<void(CPreferences&)> beforeSave;
        std::function<void(const CPreferences&, const TValueMap&)> check;
    };
    const auto none = [](CPreferences&) {};
    const Case cases[] = {
        {"clamped numbers",
         [](CRegKey& k) {
             k.SetKeyNum("WhichBurningEngine", 7);
             k.SetKeyNum("RipError", 5);
             k.SetKeyNum("iDefaultMediaSize", 90);
             k.SetKeyNum("AllowCDRWDiscs", 5);
             k.SetKeyNum("RipOnFly", 0);
         },
         none,
         [](const CPreferences& p, const TValueMap& v) {
             EXPECT_EQ(p.WhichBurningEngine, 2);
             EXPECT_EQ(p.RipError, 2);
             EXPECT_EQ(p.iDefaultMediaSize, 74);
             EXPECT_TRUE(p.AllowCDRWDiscs);
             EXPECT_FALSE(p.RipOnFly);
             EXPECT_EQ(v.at("AllowCDRWDiscs").bytes, (Bytes{1, 0, 0, 0})) << "written as 0 or 1";
         }},
        {"accepted engine, error mode and disc size",
         [](CRegKey& k) {
             k.SetKeyNum("WhichBurningEngine", 0);
             k.SetKeyNum("RipError", 0);
             k.SetKeyNum("iDefaultMediaSize", 21);
         },
         none,
         [](const CPreferences& p, const TValueMap&) {
             EXPECT_EQ(p.WhichBurningEngine, 0);
             EXPECT_EQ(p.RipError, 0);
             EXPECT_EQ(p.iDefaultMediaSize, 21);
         }},
        {"a hole ends the favourites, exclusions skip theirs",
         [](CRegKey& k) {
             k.SetKeyNum("NumMusicDirectories", 5);
             k.SetKeyNum("NumImportExcludeDirs", 5);
             for (int i : {0, 1, 3, 4}) {
                 Bytes folder;
                 PutField(folder, "/f" + std::to_string(i), 260);
                 PutWord(folder, 100 - i);
                 PutWord(folder, 0);
                 SetBytes(k, "ZY_MusicDir" + std::to_string(i), folder);
                 k.SetKeyString(("ZI_ExcludeDir" + std::to_string(i)).c_str(),
                                ("/e" + std::to_string(i)).c_str());
             }
         },
         none,
         [](const CPreferences& p, const TValueMap& v) {
             ASSERT_EQ(p.MusicDirectories.Count(), 2);
             EXPECT_STREQ(p.MusicDirectories.Index(1)->path, "/f1");
             ASSERT_EQ(p.ImportExcludeDirs.count, 4);
             EXPECT_STREQ(p.ImportExcludeDirs.items[2].path, "/e3");
             EXPECT_EQ(v.at("NumImportExcludeDirs").bytes, (Bytes{4, 0, 0, 0}));
             EXPECT_EQ(v.at("ZI_ExcludeDir3").bytes, (Bytes{'/', 'e', '4'}))
                 << "written without the hole";
         }},
        {"a huge exclusion count reads only the values present",
         [](CRegKey& k) {
             k.SetKeyNum("NumImportExcludeDirs", 0x7FFFFFFF);
             // A name longer than any list value's, listed before them.
             k.SetKeyNum(std::string(300, 'A').c_str(), 1);
             k.SetKeyString("ZI_ExcludeDir0", "/a/");
             k.SetKeyString("ZI_ExcludeDir5", "/b/");
         },
         none,
         [](const CPreferences& p, const TValueMap&) {
             ASSERT_EQ(p.ImportExcludeDirs.count, 2);
             EXPECT_STREQ(p.ImportExcludeDirs.items[1].path, "/b/");
         }},
        {"no sites stored: the default site, written as one",
         [](CRegKey& k) { k.SetKeyNum("CDDBNumSites", 0); }, none,
         [](const CPreferences& p, const TValueMap& v) {
             ASSERT_EQ(p.Sites.count, 1);
             EXPECT_STREQ(p.Sites.items[0]->description, "Random freedb server");
             EXPECT_EQ(v.at("CDDBNumSites").bytes, (Bytes{1, 0, 0, 0}));
             EXPECT_EQ(v.at("ZS_Site0").bytes.size(), 1040u);
         }},
        {"a site the list cannot give leaves no hole", [](CRegKey&) {},
         [](CPreferences& p) {
             p.Sites.Append(nullptr);
             p.AddSite(MakeSite("after.example.net", "/c", 80));
         },
         [](const CPreferences&, const TValueMap& v) {
             EXPECT_EQ(v.at("CDDBNumSites").bytes, (Bytes{2, 0, 0, 0}));
             EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.at("ZS_Site1").bytes.data())),
                       "after.example.net");
         }},
        {"three recent files delete the other five values",
         [](CRegKey& k) {
             for (int i = 0; i < 8; ++i)
                 k.SetKeyString(("recentFile" + std::to_string(i)).c_str(), "/old.tps");
         },
         [](CPreferences& p) {
             p.RecentFiles.DeleteStringList();
             for (const char* path : {"/c.tps", "/b.tps", "/a.tps"})
                 p.RecentFiles.AddLatestString(path);
         },
         [](const CPreferences&, const TValueMap& v) {
             EXPECT_EQ(v.at("recentFile0").bytes, (Bytes{'/', 'a', '.', 't', 'p', 's'}));
             EXPECT_EQ(v.count("recentFile2"), 1u);
             for (int i = 3; i < 8; ++i)
                 EXPECT_EQ(v.count("recentFile" + std::to_string(i)), 0u) << i;
         }},
        {"at most 100 favourites are written", [](CRegKey&) {},
         [](CPreferences& p) {
             for (int i = 0; i < 150; ++i)
                 p.MusicDirectories.Add(("/fav" + std::to_string(i)).c_str(), i, 0, 0);
         },
         [](const CPreferences&, const TValueMap& v) {
             EXPECT_EQ(v.at("NumMusicDirectories").bytes, (Bytes{100, 0, 0, 0}));
             EXPECT_EQ(v.count("ZY_MusicDir99"), 1u);
             EXPECT_EQ(v.count("ZY_MusicDir100"), 0u);
             EXPECT_EQ(
                 std::string(reinterpret_cast<const char*>(v.at("ZY_MusicDir0").bytes.data())),
                 "/fav149")
                 << "the newest first";
         }},
        {"an empty search text removes the value",
         [](CRegKey& k) { k.SetKeyString("lastSearchCriteria", "old"); },
         [](CPreferences& p) { p.lastSearchCriteria[0] = '\0'; },
         [](const CPreferences&, const TValueMap& v) {
             EXPECT_EQ(v.count("lastSearchCriteria"), 0u);
         }},
        {"a 40-byte placement is ignored and not written back",
         [](CRegKey& k) { SetBytes(k, "LastMainWinPlacement", Bytes(40, 1)); }, none,
         [](const CPreferences& p, const TValueMap& v) {
             EXPECT_FALSE(p.LastMainWinPlacementValid);
             EXPECT_EQ(v.count("LastMainWinPlacement"), 1u) << "the old value is left alone";
             EXPECT_EQ(v.at("LastMainWinPlacement").bytes.size(), 40u);
         }},
        {"a longer record gives its first bytes",
         [](CRegKey& k) {
             Bytes fade;
             for (std::uint32_t w : {2u, 10u, 20u, 30u, 99u}) PutWord(fade, w);
             SetBytes(k, "fadePreferences", fade);
         },
         none,
         [](const CPreferences& p, const TValueMap& v) {
             EXPECT_EQ(p.fadePreferences.fadeMs, 30);
             EXPECT_EQ(v.at("fadePreferences").bytes.size(), 16u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrepareStore(c.store);
        CPreferences p;
        p.Load(HKEY_CURRENT_USER);
        c.beforeSave(p);
        p.Save(HKEY_CURRENT_USER);
        c.check(p, Values());
    }
}

TEST_F(PreferencesTest, LoadingAnEmptyStoreWritesNothing) {
    CPreferences p;
    EXPECT_EQ(p.Load(HKEY_CURRENT_USER), 1);
    EXPECT_FALSE(KeyExists());
    EXPECT_EQ(p.Sites.count, 1);
    EXPECT_EQ(p.ImportExcludeDirs.count, 7);
    EXPECT_STREQ(p.ImportExcludeDirs.items[0].path, "/proc/");
    EXPECT_EQ(p.MusicDirectories.Count(), 0);
    EXPECT_EQ(p.loaded, 1);
}

TEST_F(PreferencesTest, AKeyThatCannotBeMadeEndsTheSaveWithALogLine) {
    const std::string kFailures[] = {
        "Prefs:Failed to create software key when trying to write preferences!",
        "Prefs:Failed to create marovelle key when trying to write preferences!",
        "Prefs:Failed to create songsmith key when trying to write preferences!",
    };
    // A chain of keys as deep as depth, whose last key the save starts from:
    // the store makes no key deeper than kRegMaxKeyDepth, so the level that
    // would pass it cannot be made.
    const auto deepKey = [](int depth) {
        std::string path = "Deep";
        for (int i = 1; i < depth; ++i) path += "\\k";
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
        return key;
    };
    struct Case {
        const char* what;
        std::function<HKEY()> root;
        std::size_t failure;  // index in kFailures
    };
    const Case cases[] = {
        // A handle whose key was deleted refuses every sub-key.
        {"a deleted key",
         [] {
             HKEY gone = nullptr;
             EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Gone", &gone), ERROR_SUCCESS);
             EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Gone"), ERROR_SUCCESS);
             return gone;
         },
         0},
        {"no room for the software key", [&] { return deepKey(kRegMaxKeyDepth); }, 0},
        {"no room for the maker's key", [&] { return deepKey(kRegMaxKeyDepth - 1); }, 1},
        {"no room for the program's key", [&] { return deepKey(kRegMaxKeyDepth - 2); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t logBefore = LogText().size();
        HKEY root = c.root();
        ASSERT_NE(root, nullptr);
        CPreferences p;
        p.Save(root);
        const std::string logged = LogText().substr(logBefore);
        for (std::size_t i = 0; i < std::size(kFailures); ++i) {
            EXPECT_EQ(logged.find(kFailures[i]) != std::string::npos, i == c.failure) << kFailures[i];
        }
        // Nothing was written where the save stopped.
        EXPECT_FALSE(KeyExists(root));
        RegCloseKey(root);
    }
    EXPECT_FALSE(KeyExists());
}

TEST_F(PreferencesTest, LockIsRecursiveAndSharedWithLoadAndSave) {
    CPreferences p;
    p.Lock();
    p.Lock();
    p.Save(HKEY_CURRENT_USER);  // takes the lock again on this thread
    p.Unlock();
    p.Unlock();
    EXPECT_TRUE(KeyExists());
}

}  // namespace prefs_test
