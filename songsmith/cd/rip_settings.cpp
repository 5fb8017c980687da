#include "songsmith/cd/rip_settings.h"

#include <cstdlib>

#include "platform/wave_format.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songvault/records.h"
#include "tonecore/convert/conv2mp3.h"
#include "tonecore/convert/conv2wma_file.h"
#include "utilities/file_system.h"
#include "utilities/shell_folders.h"

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::int16_t Short(int value) { return static_cast<std::int16_t>(value); }

// The MP3 target of the user's preset, as the MP3 converter derives it.
CConv2FileFormat Mp3PresetFormat(const TRipSettings& settings) {
    CConv2FileFormat format(WAVE_FORMAT_MPEGLAYER3);
    CConv2MP3 rules;
    rules.GetFormatFromPreset(&format, settings.mp3Quality, static_cast<_tTagTypedef>(settings.mp3TagType),
                              SOUND_QUALITY_KEEP);
    return format;
}

CConv2FileFormat WmaPresetFormat(const TRipSettings& settings) {
    CConv2FileFormat format(kWindowsMediaAudioTag);
    format.preset = settings.wmaQuality;
    GetFormatFromPreset(&format, settings.wmaQuality, static_cast<_tTagTypedef>(format.tagType));
    return format;
}

}  // namespace

TRipSettings RipSettingsFrom(CPreferences& prefs) {
    TRipSettings s;
    prefs.Lock();
    s.ripPath = WithSlash(prefs.RipPath);
    s.tempFolder = WithSlash(prefs.Marovelle_Temp_Dir);
    s.artistSubfolder = prefs.RipArtistSubfolder != 0;
    s.useArtist = prefs.RipUseArtist != 0;
    s.useAlbum = prefs.RipUseAlbum != 0;
    s.useTrack = prefs.RipUseTrack != 0;
    s.destTemp = prefs.RipDestTemp != 0;
    s.jitter = Short(prefs.RipJitter);
    s.errorMode = Short(prefs.RipError);
    s.retries = Short(prefs.RipRetries);
    s.speed = Short(prefs.RipSpeed);
    s.format = prefs.RipFormat;
    s.mp3Encoder = prefs.FormatMP3Encoder;
    s.mp3Quality = prefs.FormatMP3Quality;
    s.mp3TagType = prefs.FormatMP3TagType;
    s.mp3Vbr = prefs.FormatMP3VarBitRate;
    s.wavQuality = prefs.FormatWAVQuality;
    s.wavRate = prefs.FormatWAVSampleRate;
    s.wavChannels = prefs.FormatWAVChannels;
    s.wavBits = prefs.FormatWAVBitRate;
    s.wavUseTags = prefs.FormatWAVUseTags;
    s.wmaQuality = prefs.FormatWMAQuality;
    s.wmaUseTags = prefs.FormatWMAUseTags;
    prefs.Unlock();
    s.encodedBy = KeyedText("Program Name");
    return s;
}

bool MakeRipTarget(const TRipSettings& settings, std::int32_t songTagType, TRipTarget& target) {
    target.tagType = songTagType;
    switch (settings.format) {
        case kRipFormatWav:
            target.type = FILE_CONVERSION_WAV;
            target.encoder = 0;
            target.format = CConv2FileFormat(WAVE_FORMAT_PCM);
            target.format.SetSoundQuality(settings.wavQuality);
            target.format.nSamplesPerSec = static_cast<std::uint32_t>(settings.wavRate);
            target.format.nChannels = static_cast<std::uint16_t>(settings.wavChannels);
            target.format.wBitsPerSample = static_cast<std::uint16_t>(settings.wavBits);
            target.format.CalcBlockAlignNAvgBytesPerSec();
            target.format.usePreset = 0;
            target.extension = settings.destTemp ? ".tmp" : ".wav";
            target.songFormat = SVT_FORMAT_WAV;
            if (settings.wavUseTags != 0) target.tagType = 4;
            return true;
        case kRipFormatMp3:
            target.type = FILE_CONVERSION_MP3;
            target.encoder = settings.mp3Encoder;
            target.format = Mp3PresetFormat(settings);
            // The user's settings as the preset filled them, not the preset
            // itself again (that would drop the VBR switch).
            target.format.soundQuality = SOUND_QUALITY_USER;
            target.format.usePreset = 0;
            if (settings.mp3Vbr != 0) target.format.enableVBR = 1;
            target.format.tagType = settings.mp3TagType;
            target.extension = ".mp3";
            target.songFormat = SVT_FORMAT_MP3;
            target.tagType = settings.mp3TagType;
            return true;
        case kRipFormatWma:
            target.type = FILE_CONVERSION_WMA;
            target.encoder = 0;
            target.format = WmaPresetFormat(settings);
            target.format.soundQuality = SOUND_QUALITY_USER;
            target.format.usePreset = 1;
            target.extension = ".wma";
            target.songFormat = SVT_FORMAT_WMA;
            if (settings.wmaUseTags != 0) target.tagType = 3;
            return true;
        default:
            return false;
    }
}

std::uint64_t EstimateRipBytes(const TRipSettings& settings, std::int64_t seconds) {
    if (seconds <= 0) return 0;
    const auto s = static_cast<std::uint64_t>(seconds);
    switch (settings.format) {
        case kRipFormatWav:
            return static_cast<std::uint64_t>(std::max(settings.wavChannels, 0)) *
                   static_cast<std::uint64_t>(std::max(settings.wavBits, 0)) *
                   static_cast<std::uint64_t>(std::max(settings.wavRate, 0)) / 8 * s;
        case kRipFormatMp3:
            return static_cast<std::uint64_t>(std::max(Mp3PresetFormat(settings).bitrate, 0)) * 1024 / 8 * s;
        case kRipFormatWma:
            return static_cast<std::uint64_t>(std::max(WmaPresetFormat(settings).bitrate, 0)) * 1024 / 8 * s;
        default:
            return 0;
    }
}

TRipSpace CheckRipSpace(const TRipSettings& settings, const std::vector<std::int64_t>& trackSeconds,
                        const std::string& folder, const TFreeKbFunction& freeKb) {
    TRipSpace space;
    for (const std::int64_t seconds : trackSeconds)
        space.required += static_cast<std::int64_t>(EstimateRipBytes(settings, seconds) >> 10) + 1;
    const double free = freeKb ? freeKb(folder.c_str()) : GetKBFree(folder.c_str());
    space.available = static_cast<std::int64_t>(free + 1);
    return space;
}

std::string PrepareRipFolder(const std::string& ripPath) {
    const std::string folder = WithSlash(ripPath);
    if (!folder.empty() && IsValidDirectory(folder.c_str()) != 0) return folder;
    if (!folder.empty() && CreateMultiLevelDir(folder.c_str()) != 0 && IsValidDirectory(folder.c_str()) != 0)
        return folder;
    char music[4096] = {};
    if (GetMyMusicPath(music, sizeof music, true) && IsValidDirectory(music) != 0) return WithSlash(music);
    const char* home = std::getenv("HOME");
    return WithSlash(home != nullptr && *home != '\0' ? home : "/");
}
