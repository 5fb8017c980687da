// The defaults, as the store writes them: every number and text under its
// value name, the records, the one site and the excluded system folders.

#include <sys/stat.h>

#include <cstring>
#include <set>

#include "platform/user_folders.h"
#include "songsmith/prefs/tests/preferences_fixture.h"

namespace prefs_test {
namespace {

// Name and default of every stored number, in the store's order.
const std::pair<const char*, std::int32_t> kDefaultNumbers[] = {
    {"ShowPlaybackWindow", 1},
    {"ShowFindSoundsWindow", 1},
    {"ShowToolbarWindow", 1},
    {"AnimateLogo", 1},
    {"ShowSmallToolbar", 0},
    {"CurrentTab", 0},
    {"CurrentPrefPage", 0},
    {"NumMusicDirectories", 0},
    {"importAfterSearch", 1},
    {"soundSilenceThreshold", 0},
    {"soundNormalizationLevel", 100},
    {"bNormalizeSounds", 1},
    {"bNormalizeToLoudestTrack", 1},
    {"iNormDiffThreshold", 15},
    {"soundScanMilsPerPixel", 20},
    {"bTrimSoundsAutomatically", 1},
    {"minTrimThreshold", 2000},
    {"LastTrackID", 1},
    {"LastMultiTrackSoundID", 0},
    {"bWarnAboutIncompleteSongs", 1},
    {"partialSongThreshold", 12},
    {"MixerDeviceID", -1},
    {"MixerNumBuffers", 8},
    {"MixerBufferSize", 32768},
    {"bRandomPlayback", 0},
    {"bContinuousPlayback", 1},
    {"copyFlags", 7},
    {"excessTreatment", 2},
    {"excessFadeTime", 2000},
    {"bFastBurnWarning", 1},
    {"bFirstBurnWarning", 1},
    {"bAutoInsertWarning", 0},
    {"b80MinCDWarning", 0},
    {"bRefreshCDStateWhenIdle", 1},
    {"bWarnAboutNoASPI", 1},
    {"bWarnAboutNoRecorder", 1},
    {"bWarnAboutTooManyProcesses", 1},
    {"bAutoDetectMediaSize", 1},
    {"iDefaultMediaSize", 74},
    {"RipArtistSubfolder", 1},
    {"RipUseArtist", 1},
    {"RipUseAlbum", 0},
    {"RipUseTrack", 0},
    {"RipSignal", 1},
    {"RipDestTemp", 0},
    {"RipRemindCopy", 1},
    {"RipConfirmQuit", 1},
    {"RipJitter", 0},
    {"RipError", 2},
    {"RipRetries", 100},
    {"RipSpeed", 255},
    {"RipFormat", 85},
    {"FormatMP3Encoder", 0},
    {"FormatMP3Quality", 9},
    {"FormatMP3TagType", 2},
    {"FormatMP3VarBitRate", 0},
    {"FormatWAVQuality", 1},
    {"FormatWAVSampleRate", 44100},
    {"FormatWAVChannels", 2},
    {"FormatWAVBitRate", 16},
    {"FormatWAVUseTags", 1},
    {"FormatWMAQuality", 7},
    {"FormatWMASampleRate", 44100},
    {"FormatWMAChannels", 2},
    {"FormatWMABitRate", 16},
    {"FormatWMAUseTags", 1},
    {"CDDBAutoRetr", 1},
    {"CDDBNumSites", 1},
    {"LibLoadFailed", 0},
    {"ImportMp3", 1},
    {"ImportWav", 1},
    {"ImportWma", 1},
    {"ImportMinMp3", 1},
    {"ImportMinWav", 3},
    {"ImportMinWma", 1},
    {"NumImportExcludeDirs", 7},
    {"ImportInitial", 0},
    {"ImportDelEmptyFolder", 0},
    {"ImportFavorites", 1},
    {"ImportDesktop", 1},
    {"ImportRest", 1},
    {"ImportNetwork", 1},
    {"bMandatoryWaveConversionsOnly", 0},
    {"bAgreedToLicense", 0},
    {"bLogOn", 1},
    {"bZentLogging", 0},
    {"bLogFailed", 0},
    {"UseMarovelleASPI", 0},
    {"WhichBurningEngine", 2},
    {"AllowCDRWDiscs", 0},
    {"RipVsConvertPct", 25},
    {"RipOnFly", 0},
    {"DontWarnIntelAppAccelerator", 0},
};

const char* const kExcluded[] = {"/proc/", "/sys/", "/dev/", "/run/", "/usr/", "/etc/", "/boot/"};

TStoredValue Number(std::int32_t value) {
    TStoredValue stored{REG_DWORD, {}};
    PutWord(stored.bytes, static_cast<std::uint32_t>(value));
    return stored;
}

TStoredValue Text(const std::string& text) {
    return {REG_SZ, Bytes(text.begin(), text.end())};
}

TStoredValue Binary(const Bytes& bytes) {
    return {REG_BINARY, bytes};
}

}  // namespace

TEST_F(PreferencesTest, DefaultsAreWrittenUnderEveryValueName) {
    CPreferences preferences;
    preferences.Save(HKEY_CURRENT_USER);
    TValueMap values = Values();

    TValueMap expected;
    for (const auto& [name, value] : kDefaultNumbers) expected[name] = Number(value);
    const std::string songsmithHome = std::getenv("SONGSMITH_HOME");
    expected["Marovelle_Temp_Dir"] = Text(songsmithHome + "/cache/marovelle_temp");
    expected["lastSessionDir"] = Text(home_);  // no documents folder: the home folder
    expected["lastAddSoundDir"] = Text(home_);
    expected["RipPath"] = Text(home_ + "/Music/");
    expected["LibraryPath"] = Text(songsmithHome + "/data/");
    expected["CDDBSite"] = Text("gnudb.gnudb.org");
    expected["SongsmithDir"] = Text(GetExecutableDir());
    for (int i = 0; i < 7; ++i) expected["ZI_ExcludeDir" + std::to_string(i)] = Text(kExcluded[i]);

    Bytes split;
    PutWord(split, 0x3ECCCCCDu);  // 0.4f
    expected["LastWindowSplitPercentage"] = Binary(split);
    Bytes fade;
    for (std::uint32_t v : {0u, 1000u, 2500u, 1500u}) PutWord(fade, v);
    expected["fadePreferences"] = Binary(fade);
    Bytes rate;
    PutWord(rate, 0x9999999Au);  // 15.3, low word first
    PutWord(rate, 0x402E9999u);
    expected["waveConvertRate"] = Binary(rate);
    Bytes burner;
    for (std::int32_t v : {-1, 1, 20, 2, 15, 0, -1, -1, 65000, 1, 0, 0, 1, 255, 1, 1, 0, 1}) {
        PutWord(burner, static_cast<std::uint32_t>(v));
    }
    expected["BurnerPrefs"] = Binary(burner);
    const Bytes site = SiteImage({"gnudb.gnudb.org", 80, "/~cddb/cddb.cgi", "N000.00, W000.00",
                                  "Random freedb server", 1, 1, 0, 0});
    expected["ZS_Site0"] = Binary(site);

    // Compared name by name for readable failures, then as wholes so that
    // nothing extra (placement, search text, recent files) slips in.
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(values.count(name), 1u) << name;
        EXPECT_TRUE(values[name] == value) << name;
    }
    std::set<std::string> written, wanted;
    for (const auto& entry : values) written.insert(entry.first);
    for (const auto& entry : expected) wanted.insert(entry.first);
    EXPECT_EQ(written, wanted);
}

TEST_F(PreferencesTest, DefaultFoldersAreMadeAsPromised) {
    CPreferences preferences;
    struct stat st {};
    ASSERT_EQ(stat(preferences.Marovelle_Temp_Dir, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "temporary files are this user's alone";
    EXPECT_EQ(stat((home_ + "/Music").c_str(), &st), 0) << "the music folder is made";
    EXPECT_FALSE(preferences.LastMainWinPlacementValid);
    EXPECT_EQ(preferences.bConvertWavWarning3, 1);
    EXPECT_EQ(preferences.loaded, 0);

    // Documents and music from the user's folders; a music folder that
    // cannot be made gives the documents folder.
    const std::string documents = dir_.Path() + "/Docs";
    mkdir(documents.c_str(), 0777);
    testsupport::WriteWholeFile(dir_.Path() + "/file", "x");
    setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
    setenv("XDG_MUSIC_DIR", (dir_.Path() + "/file/music").c_str(), 1);
    CPreferences other;
    EXPECT_EQ(std::string(other.lastSessionDir), documents);
    EXPECT_EQ(std::string(other.RipPath), documents);
}

}  // namespace prefs_test
