#pragma once
// What a CD rip takes from the preferences, read once when it starts, and
// what follows from them before any file is written: the target format and
// converter of each file, the estimated size of a track, and the check that
// the folder written has room for the tracks.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2file_types.h"

class CPreferences;

// The "RipFormat" values: wave format tags.
inline constexpr int kRipFormatWav = 1;
inline constexpr int kRipFormatMp3 = 85;
inline constexpr int kRipFormatWma = 353;

struct TRipSettings {
    // Folders end with '/'.
    std::string ripPath;
    std::string tempFolder;
    bool artistSubfolder = true;
    bool useArtist = true;
    bool useAlbum = false;
    bool useTrack = false;
    // Rip into the temporary folder as ".tmp" files for the program's own use
    // (nothing goes to the library).
    bool destTemp = false;
    std::int16_t jitter = 0;
    std::int16_t errorMode = 2;
    std::int16_t retries = 100;
    std::int16_t speed = 255;
    int format = kRipFormatMp3;
    int mp3Encoder = 0;
    int mp3Quality = 9;
    int mp3TagType = 2;
    int mp3Vbr = 0;
    int wavQuality = 1;
    int wavRate = 44100;
    int wavChannels = 2;
    int wavBits = 16;
    int wavUseTags = 1;
    int wmaQuality = 7;
    int wmaUseTags = 1;
    // The files' encoded-by text (the program's name).
    std::string encodedBy;
};

// The rip's settings from the preferences (under their lock).
TRipSettings RipSettingsFrom(CPreferences& prefs);

// One file's converter and target, chosen by "RipFormat".
struct TRipTarget {
    _tFileConversionTypedef type = FILE_CONVERSION_NONE;
    int encoder = 0;  // the MP3 encoder library
    CConv2FileFormat format;
    std::string extension;  // ".wav", ".tmp", ".mp3", ".wma"
    std::int16_t songFormat = 0;  // the song store's format code
    // The tag type the finished file gets (0: none).
    std::int32_t tagType = 0;
};
// False for a "RipFormat" this program does not rip to.
bool MakeRipTarget(const TRipSettings& settings, std::int32_t songTagType, TRipTarget& target);

// The bytes a track of that many seconds is expected to take in the chosen
// format (0 for a format the program does not rip to).
std::uint64_t EstimateRipBytes(const TRipSettings& settings, std::int64_t seconds);

// The space check before a rip: required = the sum over the tracks of
// (estimate >> 10) + 1; available = the free kilobytes of the folder
// written + 1. The rip may start only when required < available.
struct TRipSpace {
    std::int64_t required = 0;
    std::int64_t available = 0;
    bool Enough() const { return required < available; }
};
// freeKb answers the free kilobytes at a folder (GetKBFree unless a test
// says otherwise).
using TFreeKbFunction = std::function<double(const char* folder)>;
TRipSpace CheckRipSpace(const TRipSettings& settings, const std::vector<std::int64_t>& trackSeconds,
                        const std::string& folder, const TFreeKbFunction& freeKb);

// The folder a rip writes into: "RipPath" when it is a folder; else made
// with its parents; else the user's music folder; else the home folder.
// Ends with '/'.
std::string PrepareRipFolder(const std::string& ripPath);
