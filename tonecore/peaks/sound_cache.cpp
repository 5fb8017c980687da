#include "tonecore/peaks/sound_cache.h"

#include <climits>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/peaks/file_age.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/seek_map.h"
#include "tonecore/peaks/temp_sound_path.h"

bool SoundCachePath(const char* songPath, const char* extension, int createFolders,
                    std::string& out) {
    if (songPath == nullptr || extension == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::string name = std::string(songPath) + extension;
    if (name.size() >= PATH_MAX) {
        SetLastError(TONECORE_ERR_PATH_TOO_LONG);
        return false;
    }
    const std::string folder = TempSndPath();
    if (folder.empty() || name.compare(0, folder.size(), folder) == 0) {
        out = name;
        return true;
    }
    char mirrored[PATH_MAX];
    if (!MakeTempPath2(name.c_str(), mirrored, PATH_MAX, createFolders)) return false;
    out = mirrored;
    return true;
}

int IsSoundCacheFresh(const std::string& cachePath, const char* songPath) {
    return songPath != nullptr && IsRightFileOlder(cachePath.c_str(), songPath) == 1 ? 1 : 0;
}

int LoadPeaksCache(CPeaks& peaks, const char* songPath, std::uint32_t msPerPeak) {
    std::string path;
    if (!SoundCachePath(songPath, kPeakCacheExtension, 0, path) ||
        !IsSoundCacheFresh(path, songPath))
        return 0;
    // Whole: a song whose peaks fit in memory gets all of them, not only the
    // last one.
    if (!peaks.LoadPeaksFromFile(path.c_str(), 1)) return 0;
    if (peaks.NumMilsPerPeak() == msPerPeak) return 1;
    // Made for another zoom: the caller scans again.
    peaks.DecrementReferences();
    return 0;
}

int LoadSeekMapCache(CSeekMap& map, const char* songPath) {
    std::string path;
    if (!SoundCachePath(songPath, kSeekMapCacheExtension, 0, path) ||
        !IsSoundCacheFresh(path, songPath))
        return 0;
    if (map.SeekMapLoad(path.c_str())) return 1;
    map.SeekMapClear();
    return 0;
}

int SaveSeekMapCache(CSeekMap& map, const char* songPath) {
    std::string path;
    if (!SoundCachePath(songPath, kSeekMapCacheExtension, 1, path)) return 0;
    return map.SeekMapSave(path.c_str());
}
