#pragma once
// Every stored preference in declaration order, under its registry value
// name, with the rule it is read by. Load and Save both walk this one list,
// so a value can neither be read without being written nor be written under
// another name than it is read.
//
// A visitor offers:
//   Number(name, member, rule)      int, bool or std::atomic<int>
//   Effect(effect, value)           right after the value it hands on
//   Text(name, char (&)[N], rule)
//   Placement(name, placement, valid)
//   Split(name, float&), Rate(name, std::atomic<double>&)
//   Record(name, TFadePreferences& or TBurnerPrefs&)
//   MusicDirectories(list), Sites(preferences), ExcludeDirs(list),
//   RecentFiles(list)
//   ProgramFolder(name)             written only

#include "songsmith/prefs/preferences.h"

enum class ENumberRule {
    kAsStored,
    kRipError,       // only 0, 1 or 2 is taken
    kBurningEngine,  // 0 and 1 are taken, anything else becomes 2
    kMediaSize,      // 21, 74 or 80, anything else becomes 74
};

enum class ETextRule {
    kWhole,       // a text that does not fit is refused
    kSearchText,  // a text that does not fit is cut; an empty one is deleted
};

template <class Visitor>
void VisitPreferenceValues(CPreferences& p, Visitor& v) {
    using N = ENumberRule;
    using T = ETextRule;
    // Window and general.
    v.Text("Marovelle_Temp_Dir", p.Marovelle_Temp_Dir, T::kWhole);
    v.Number("ShowPlaybackWindow", p.ShowPlaybackWindow, N::kAsStored);
    v.Number("ShowFindSoundsWindow", p.ShowFindSoundsWindow, N::kAsStored);
    v.Number("ShowToolbarWindow", p.ShowToolbarWindow, N::kAsStored);
    v.Number("AnimateLogo", p.AnimateLogo, N::kAsStored);
    v.Number("ShowSmallToolbar", p.ShowSmallToolbar, N::kAsStored);
    v.Placement("LastMainWinPlacement", p.LastMainWinPlacement, p.LastMainWinPlacementValid);
    v.Split("LastWindowSplitPercentage", p.LastWindowSplitPercentage);
    v.Number("CurrentTab", p.CurrentTab, N::kAsStored);
    v.Number("CurrentPrefPage", p.CurrentPrefPage, N::kAsStored);
    v.MusicDirectories(p.MusicDirectories);
    v.Text("lastSearchCriteria", p.lastSearchCriteria, T::kSearchText);
    v.Number("importAfterSearch", p.importAfterSearch, N::kAsStored);

    // Sound handling.
    v.Number("soundSilenceThreshold", p.soundSilenceThreshold, N::kAsStored);
    v.Effect(EPreferenceEffect::kSilenceThreshold, p.soundSilenceThreshold);
    v.Number("soundNormalizationLevel", p.soundNormalizationLevel, N::kAsStored);
    v.Number("bNormalizeSounds", p.bNormalizeSounds, N::kAsStored);
    v.Number("bNormalizeToLoudestTrack", p.bNormalizeToLoudestTrack, N::kAsStored);
    v.Number("iNormDiffThreshold", p.iNormDiffThreshold, N::kAsStored);
    v.Number("soundScanMilsPerPixel", p.soundScanMilsPerPixel, N::kAsStored);
    v.Number("bTrimSoundsAutomatically", p.bTrimSoundsAutomatically, N::kAsStored);
    v.Number("minTrimThreshold", p.minTrimThreshold, N::kAsStored);
    v.Number("LastTrackID", p.LastTrackID, N::kAsStored);
    v.Number("LastMultiTrackSoundID", p.LastMultiTrackSoundID, N::kAsStored);
    v.Number("bWarnAboutIncompleteSongs", p.bWarnAboutIncompleteSongs, N::kAsStored);
    v.Number("partialSongThreshold", p.partialSongThreshold, N::kAsStored);
    v.Effect(EPreferenceEffect::kPartialSongThreshold, p.partialSongThreshold);
    v.Number("MixerDeviceID", p.MixerDeviceID, N::kAsStored);
    v.Number("MixerNumBuffers", p.MixerNumBuffers, N::kAsStored);
    v.Number("MixerBufferSize", p.MixerBufferSize, N::kAsStored);
    v.Number("bRandomPlayback", p.bRandomPlayback, N::kAsStored);
    v.Number("bContinuousPlayback", p.bContinuousPlayback, N::kAsStored);
    v.Record("fadePreferences", p.fadePreferences);
    v.Text("lastSessionDir", p.lastSessionDir, T::kWhole);
    v.Text("lastAddSoundDir", p.lastAddSoundDir, T::kWhole);
    v.Number("copyFlags", p.copyFlags, N::kAsStored);

    // Burning.
    v.Record("BurnerPrefs", p.BurnerPrefs);
    v.Number("excessTreatment", p.excessTreatment, N::kAsStored);
    v.Number("excessFadeTime", p.excessFadeTime, N::kAsStored);
    v.Number("bFastBurnWarning", p.bFastBurnWarning, N::kAsStored);
    v.Number("bFirstBurnWarning", p.bFirstBurnWarning, N::kAsStored);
    v.Number("bAutoInsertWarning", p.bAutoInsertWarning, N::kAsStored);
    v.Number("b80MinCDWarning", p.b80MinCDWarning, N::kAsStored);
    v.Number("bRefreshCDStateWhenIdle", p.bRefreshCDStateWhenIdle, N::kAsStored);
    v.Number("bWarnAboutNoASPI", p.bWarnAboutNoASPI, N::kAsStored);
    v.Number("bWarnAboutNoRecorder", p.bWarnAboutNoRecorder, N::kAsStored);
    v.Number("bWarnAboutTooManyProcesses", p.bWarnAboutTooManyProcesses, N::kAsStored);
    v.Number("bAutoDetectMediaSize", p.bAutoDetectMediaSize, N::kAsStored);
    v.Number("iDefaultMediaSize", p.iDefaultMediaSize, N::kMediaSize);

    // CD ripping.
    v.Text("RipPath", p.RipPath, T::kWhole);
    v.Number("RipArtistSubfolder", p.RipArtistSubfolder, N::kAsStored);
    v.Number("RipUseArtist", p.RipUseArtist, N::kAsStored);
    v.Number("RipUseAlbum", p.RipUseAlbum, N::kAsStored);
    v.Number("RipUseTrack", p.RipUseTrack, N::kAsStored);
    v.Number("RipSignal", p.RipSignal, N::kAsStored);
    v.Number("RipDestTemp", p.RipDestTemp, N::kAsStored);
    v.Number("RipRemindCopy", p.RipRemindCopy, N::kAsStored);
    v.Number("RipConfirmQuit", p.RipConfirmQuit, N::kAsStored);
    v.Number("RipJitter", p.RipJitter, N::kAsStored);
    v.Number("RipError", p.RipError, N::kRipError);
    v.Number("RipRetries", p.RipRetries, N::kAsStored);
    v.Number("RipSpeed", p.RipSpeed, N::kAsStored);
    v.Number("RipFormat", p.RipFormat, N::kAsStored);
    v.Number("FormatMP3Encoder", p.FormatMP3Encoder, N::kAsStored);
    v.Number("FormatMP3Quality", p.FormatMP3Quality, N::kAsStored);
    v.Number("FormatMP3TagType", p.FormatMP3TagType, N::kAsStored);
    v.Number("FormatMP3VarBitRate", p.FormatMP3VarBitRate, N::kAsStored);
    v.Number("FormatWAVQuality", p.FormatWAVQuality, N::kAsStored);
    v.Number("FormatWAVSampleRate", p.FormatWAVSampleRate, N::kAsStored);
    v.Number("FormatWAVChannels", p.FormatWAVChannels, N::kAsStored);
    v.Number("FormatWAVBitRate", p.FormatWAVBitRate, N::kAsStored);
    v.Number("FormatWAVUseTags", p.FormatWAVUseTags, N::kAsStored);
    v.Number("FormatWMAQuality", p.FormatWMAQuality, N::kAsStored);
    v.Number("FormatWMASampleRate", p.FormatWMASampleRate, N::kAsStored);
    v.Number("FormatWMAChannels", p.FormatWMAChannels, N::kAsStored);
    v.Number("FormatWMABitRate", p.FormatWMABitRate, N::kAsStored);
    v.Number("FormatWMAUseTags", p.FormatWMAUseTags, N::kAsStored);
    v.Text("CDDBSite", p.CDDBSite, T::kWhole);
    v.Number("CDDBAutoRetr", p.CDDBAutoRetr, N::kAsStored);
    v.Sites(p);

    // Song library, logging and drive access.
    v.Text("LibraryPath", p.LibraryPath, T::kWhole);
    v.Number("LibLoadFailed", p.LibLoadFailed, N::kAsStored);
    v.Number("ImportMp3", p.ImportMp3, N::kAsStored);
    v.Number("ImportWav", p.ImportWav, N::kAsStored);
    v.Number("ImportWma", p.ImportWma, N::kAsStored);
    v.Number("ImportMinMp3", p.ImportMinMp3, N::kAsStored);
    v.Number("ImportMinWav", p.ImportMinWav, N::kAsStored);
    v.Number("ImportMinWma", p.ImportMinWma, N::kAsStored);
    v.ExcludeDirs(p.ImportExcludeDirs);
    v.Number("ImportInitial", p.ImportInitial, N::kAsStored);
    v.Number("ImportDelEmptyFolder", p.ImportDelEmptyFolder, N::kAsStored);
    v.Number("ImportFavorites", p.ImportFavorites, N::kAsStored);
    v.Number("ImportDesktop", p.ImportDesktop, N::kAsStored);
    v.Number("ImportRest", p.ImportRest, N::kAsStored);
    v.Number("ImportNetwork", p.ImportNetwork, N::kAsStored);
    v.RecentFiles(p.RecentFiles);
    v.Rate("waveConvertRate", p.waveConvertRate);
    v.Number("bMandatoryWaveConversionsOnly", p.bMandatoryWaveConversionsOnly, N::kAsStored);
    v.Number("bAgreedToLicense", p.bAgreedToLicense, N::kAsStored);
    v.Number("bLogOn", p.bLogOn, N::kAsStored);
    v.Effect(EPreferenceEffect::kLogOn, p.bLogOn);
    v.Number("bZentLogging", p.bZentLogging, N::kAsStored);
    v.Number("bLogFailed", p.bLogFailed, N::kAsStored);
    v.ProgramFolder("SongsmithDir");
    v.Number("UseMarovelleASPI", p.UseMarovelleASPI, N::kAsStored);
    v.Number("WhichBurningEngine", p.WhichBurningEngine, N::kBurningEngine);
    v.Number("AllowCDRWDiscs", p.AllowCDRWDiscs, N::kAsStored);
    v.Number("RipVsConvertPct", p.RipVsConvertPct, N::kAsStored);
    v.Number("RipOnFly", p.RipOnFly, N::kAsStored);
    v.Number("DontWarnIntelAppAccelerator", p.DontWarnIntelAppAccelerator, N::kAsStored);
}
