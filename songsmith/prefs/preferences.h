#pragma once
// CPreferences: the program's one settings object. It is built with the
// defaults, loaded once at start-up from the registry key
// SOFTWARE\Marovelle\Songsmith of a root, and saved back there. Every other
// part of the program reads and writes its members directly.
//
// Each stored member carries the name of its registry value. Numbers are
// REG_DWORD, texts REG_SZ, records REG_BINARY (little-endian images, see
// preference_records.h). Texts are fixed arrays, always terminated.
//
// Threads: Load and Save hold the lock for their whole run, and so does
// whoever moves a folder to the top of the favourite folders. Other members
// are read and written without it, from the main thread and from workers;
// the ones that workers write (LastTrackID, LastMultiTrackSoundID,
// RipVsConvertPct, waveConvertRate) are atomic. Texts and lists are not changed while
// workers run (the pages that edit them are disabled then).

#include <atomic>
#include <cstdint>
#include <mutex>

#include "filekit/reg_key.h"
#include "platform/types.h"
#include "platform/window_placement.h"
#include "songsmith/prefs/preference_effects.h"
#include "songsmith/prefs/preference_records.h"
#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"
#include "utilities/last_dir_list.h"
#include "utilities/string_list.h"

// An import exclusion: a folder path and two numbers, both 0 here (the same
// 268-byte layout as the folder records of the song library).
using TExcludeDir = _lastDirList;

class CPreferences {
public:
    // Registry key below the root, one level at a time.
    static constexpr const char* kKeyLevels[] = {"SOFTWARE", "Marovelle", "Songsmith"};
    // The favourite folders written at most.
    static constexpr int kMaxSavedMusicDirs = 100;
    // The recent session files kept ("recentFile0" to "recentFile7").
    static constexpr int kMaxRecentFiles = 8;

    // Sets every default; computes the folders (creating the music folder
    // and the private temporary folder when missing).
    CPreferences();
    ~CPreferences();
    CPreferences(const CPreferences&) = delete;
    CPreferences& operator=(const CPreferences&) = delete;

    // The engine thresholds and the log switch are handed on through this
    // after loading; null (the start) hands on nothing.
    void SetEffects(IPreferenceEffects* effects) { effects_ = effects; }

    // Reads everything present under root's key, never creating it. A
    // missing key reads nothing but still hands the defaults on. Damaged
    // values keep their defaults, one log line each. Always 1.
    int Load(HKEY root);
    // Writes everything, creating the key levels when missing; a level that
    // cannot be made ends the save with a log line.
    void Save(HKEY root);
    // Save, then the root's file written at once: for answers a crash later
    // in the run must not lose (the agreement, the first-run questions).
    void SaveNow(HKEY root);

    // Recursive: the holder may call Load or Save.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // Window and general.
    char Marovelle_Temp_Dir[MAX_PATH] = {};
    int ShowPlaybackWindow = 1;
    int ShowFindSoundsWindow = 1;
    int ShowToolbarWindow = 1;
    int AnimateLogo = 1;
    int ShowSmallToolbar = 0;
    WINDOWPLACEMENT LastMainWinPlacement = {};
    // 1 once LastMainWinPlacement holds a placement; only then is it written.
    int LastMainWinPlacementValid = 0;
    float LastWindowSplitPercentage = 0.4f;
    int CurrentTab = 0;
    int CurrentPrefPage = 0;
    // "NumMusicDirectories" and "ZY_MusicDir<n>".
    CLastDirList MusicDirectories;
    char lastSearchCriteria[512] = {};
    int importAfterSearch = 1;

    // Sound handling.
    int soundSilenceThreshold = 0;
    int soundNormalizationLevel = 100;
    int bNormalizeSounds = 1;
    int bNormalizeToLoudestTrack = 1;
    int iNormDiffThreshold = 15;
    int soundScanMilsPerPixel = 20;
    int bTrimSoundsAutomatically = 1;
    int minTrimThreshold = 2000;
    std::atomic<int> LastTrackID = 1;
    std::atomic<int> LastMultiTrackSoundID = 0;
    int bWarnAboutIncompleteSongs = 1;
    int partialSongThreshold = 12;
    int MixerDeviceID = -1;
    int MixerNumBuffers = 8;
    int MixerBufferSize = 32768;
    int bRandomPlayback = 0;
    int bContinuousPlayback = 1;
    TFadePreferences fadePreferences;
    char lastSessionDir[MAX_PATH] = {};
    char lastAddSoundDir[MAX_PATH] = {};
    int copyFlags = 7;

    // Burning.
    TBurnerPrefs BurnerPrefs = kDefaultBurnerPrefs;
    int excessTreatment = 2;
    int excessFadeTime = 2000;
    int bFastBurnWarning = 1;
    // Not stored: cleared for the rest of the run when the user asks not to
    // be asked again.
    int bConvertWavWarning3 = 1;
    int bFirstBurnWarning = 1;
    int bAutoInsertWarning = 0;
    int b80MinCDWarning = 0;
    int bRefreshCDStateWhenIdle = 1;
    int bWarnAboutNoASPI = 1;
    int bWarnAboutNoRecorder = 1;
    int bWarnAboutTooManyProcesses = 1;
    int bAutoDetectMediaSize = 1;
    int iDefaultMediaSize = 74;

    // CD ripping.
    char RipPath[MAX_PATH] = {};
    int RipArtistSubfolder = 1;
    int RipUseArtist = 1;
    int RipUseAlbum = 0;
    int RipUseTrack = 0;
    int RipSignal = 1;
    int RipDestTemp = 0;
    int RipRemindCopy = 1;
    int RipConfirmQuit = 1;
    int RipJitter = 0;
    int RipError = 2;
    int RipRetries = 100;
    int RipSpeed = 255;
    int RipFormat = 85;
    int FormatMP3Encoder = 0;
    int FormatMP3Quality = 9;
    int FormatMP3TagType = 2;
    int FormatMP3VarBitRate = 0;
    int FormatWAVQuality = 1;
    int FormatWAVSampleRate = 44100;
    int FormatWAVChannels = 2;
    int FormatWAVBitRate = 16;
    int FormatWAVUseTags = 1;
    int FormatWMAQuality = 7;
    int FormatWMASampleRate = 44100;
    int FormatWMAChannels = 2;
    int FormatWMABitRate = 16;
    int FormatWMAUseTags = 1;
    char CDDBSite[MAX_PATH] = {};
    int CDDBAutoRetr = 1;
    // "CDDBNumSites" and "ZS_Site<n>". The records are this object's: it
    // made them with new and deletes them. Starts with the one default site.
    MvList<TITLEFETCH_TSite*> Sites;

    // Song library, logging and drive access.
    char LibraryPath[MAX_PATH] = {};
    int LibLoadFailed = 0;
    int ImportMp3 = 1;
    int ImportWav = 1;
    int ImportWma = 1;
    int ImportMinMp3 = 1;
    int ImportMinWav = 3;
    int ImportMinWma = 1;
    // "NumImportExcludeDirs" and "ZI_ExcludeDir<n>" (the paths only).
    MvList<TExcludeDir> ImportExcludeDirs;
    int ImportInitial = 0;
    int ImportDelEmptyFolder = 0;
    int ImportFavorites = 1;
    int ImportDesktop = 1;
    int ImportRest = 1;
    int ImportNetwork = 1;
    // "recentFile0" (the latest) to "recentFile7".
    CStringList RecentFiles;
    std::atomic<double> waveConvertRate = 15.3;
    int bMandatoryWaveConversionsOnly = 0;
    int bAgreedToLicense = 0;
    int bLogOn = 1;
    int bZentLogging = 0;
    int bLogFailed = 0;
    int UseMarovelleASPI = 0;
    int WhichBurningEngine = 2;
    bool AllowCDRWDiscs = false;
    std::atomic<int> RipVsConvertPct = 25;
    bool RipOnFly = false;
    int DontWarnIntelAppAccelerator = 0;

    // 0 while Load runs, 1 after.
    int loaded = 0;

    // Appends a copy of site to Sites; false when memory runs out.
    bool AddSite(const TITLEFETCH_TSite& site);
    // Deletes every site record and empties the list.
    void DeleteSites();

private:
    void RunEffects();

    std::recursive_mutex lock_;
    IPreferenceEffects* effects_ = nullptr;
};
