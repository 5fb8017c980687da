#pragma once
// Folders, the program's own folder, free disk space and file names.
// Paths are UTF-8 with '/' separators; results are success flags.

#include <cstddef>
#include <cstdint>

// 1 when folder (a trailing '/' allowed) holds a sub-folder whose name does
// not begin with '.'; out (size bytes) then holds the name of the first one
// the listing gives, or stays empty when the name does not fit. 0 with out
// empty when there is none or the folder cannot be read.
int HasSubDir(const char* folder, char* out, std::size_t size);
template <std::size_t N>
int HasSubDir(const char* folder, char (&out)[N]) {
    return HasSubDir(folder, out, N);
}

// out = the running program's folder with a trailing '/'. 0 (out empty) for
// a null out, a size below 1, or a folder that does not fit.
int GetExeDirectory(char* out, int size);

// out = in when every folder along it exists, with a '/' added behind a
// folder; empty when a part is missing or the result does not fit size
// bytes. Nothing is done for a null or empty in, a null out or a size below 1.
void GetLongPathNameSafe(const char* in, char* out, int size);

// Creates each missing folder along an absolute path whose text up to it
// ends with '/': "/a/b/" makes a and b, "/a/b" only a (callers add the
// trailing '/' when the last level is wanted). 0 for an empty or relative
// path, or when a folder could not be made (the thread's last error says
// why); else 1.
int CreateMultiLevelDir(const char* path);

// 1 when the path names an existing folder (a trailing '/' is allowed).
int IsValidDirectory(const char* path);

// 1 when the path lies on a local file system, 0 on network and optical
// file systems and in user-space (FUSE) mounts. A path that does not exist
// yet is judged by the nearest folder above it that does.
int IsOnLocalHardDrive(const char* path);

// Where IsOnLocalHardDrive learns the file-system type (statfs(2) f_type) of
// an existing path: false when it cannot be read. Tests answer with the type
// of a network mount, which no test machine has; null restores statfs(2).
using FileSystemTypeFunction = bool (*)(const char* path, std::int64_t* type);
void SetFileSystemTypeFunction(FileSystemTypeFunction function);

// Free space for the user at the path in units of 1000 bytes. A path that
// does not exist yet (a folder about to be made) is measured on the nearest
// folder above it that does. 0 when nothing can be measured.
double GetKBFree(const char* path);

// While logging is on: one line "<mount point> has <n.nn> MB free." for each
// mounted local disk file system and the home folder, each file system once.
// Stops after 20000 ms so that a slow disk cannot hold start-up.
void LogCurrentHardDriveSpace();

// out = in with each of / \ : * ? " < > | replaced by replacement (the set
// other systems forbid, so names can be copied to any medium). out holds
// size bytes, cut on a character boundary; it may be in itself.
void ValidateFileName(const char* in, char* out, std::size_t size, char replacement);
template <std::size_t N>
void ValidateFileName(const char* in, char (&out)[N], char replacement) {
    ValidateFileName(in, out, N, replacement);
}

// The disk driver this looks for exists only on another operating system.
// Always 0.
int BadIntelAppAcceleratorInstalled();
