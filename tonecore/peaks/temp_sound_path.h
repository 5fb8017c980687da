#pragma once
// Cache paths: where the cache file of a song lies in the temporary sound
// folder (engine_settings.h). The song's own path is mirrored under the
// folder, so "/music/a.mp3" under "/home/u/.cache/songsmith/" maps to
// "/home/u/.cache/songsmith/music/a.mp3"; callers append the cache
// extension (".ipk", ".isk") themselves.
//
// Distinct songs never share a cache path, since a shared path would hand
// one song another's peaks or seek map:
// - characters that some file systems refuse (: * ? < > | \ and the escape
//   character % itself) are written as %XX (two hex digits), not dropped;
// - a folder named "." or ".." is escaped the same way, so a mirrored path
//   cannot climb out of the temporary folder;
// - when the mirrored path does not fit, the fallback name carries a hash of
//   the whole source path before the song's file name.
//
// A path written on another system that holds no '/' uses '\' as its
// separator; otherwise '\' is an ordinary character.

#include <cstdint>

// result (size bytes) = the cache path of sourcePath. With no temporary
// folder set, the source path itself. createFolders: each folder of the
// mirrored path is made as it is reached (failures are ignored; opening the
// cache file will report them). Returns 1; 0 with an empty result and
// TONECORE_ERR_PATH_TOO_LONG when not even the fallback fits.
int MakeTempPath2(const char* sourcePath, char* result, std::int32_t size, int createFolders);

// MakeTempPath2 on the text part1 followed by part2.
int MakeTempPath1(const char* part1, const char* part2, char* result, std::int32_t size,
                  int createFolders);
