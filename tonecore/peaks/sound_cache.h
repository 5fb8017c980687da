#pragma once
// The cache files of a song in the temporary sound folder: its peaks
// (".ipk") and its seek map (".isk"). A scan of a song writes them; later
// loads take them instead of scanning again, but only when they are strictly
// newer than the song (a song changed in the same second as its cache was
// written may not match it) and were made the way the caller asks.

#include <cstdint>
#include <string>

class CPeaks;
class CSeekMap;

inline constexpr const char* kPeakCacheExtension = ".ipk";
inline constexpr const char* kSeekMapCacheExtension = ".isk";

// The cache file for songPath: the song's path with extension appended, as
// it stands when it already lies in the temporary sound folder (or no folder
// is set), else mirrored into the folder (its folders made when
// createFolders is set). One rule for writers and readers, so a cache is
// found where it was written. False (TONECORE_ERR_PATH_TOO_LONG) when the
// name does not fit PATH_MAX; a cut name would be another song's.
bool SoundCachePath(const char* songPath, const char* extension, int createFolders,
                    std::string& out);

// 1 when the cache file exists and was modified strictly after the song.
int IsSoundCacheFresh(const std::string& cachePath, const char* songPath);

// Loads the song's fresh ".ipk" into peaks (which must have no record yet)
// when it was made with msPerPeak; 1 when taken. Otherwise 0 and peaks are
// left without a record.
int LoadPeaksCache(CPeaks& peaks, const char* songPath, std::uint32_t msPerPeak);

// Loads the song's fresh ".isk" into an empty map; 1 when taken. A stale,
// missing or damaged cache gives 0 and leaves the map empty.
int LoadSeekMapCache(CSeekMap& map, const char* songPath);

// Saves the map as the song's ".isk", making the folders on the way.
int SaveSeekMapCache(CSeekMap& map, const char* songPath);
