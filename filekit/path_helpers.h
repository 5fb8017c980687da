#pragma once
// Taking paths apart and putting them together, on text alone: no file-system
// access and no normalisation.
//
// Paths use '/' as the separator. Paths written on other systems (playlists,
// sessions) may use '\\' instead: a path that holds no '/' but does hold a
// '\\' is read with '\\' as its separator. In such a path a separator at
// index 0 does not count when looking for the last one, as those paths
// always began with a drive; in a '/' path it is the root.
//
// A relative path of the system begins with a separator, followed by one
// "../" per folder to climb from the base file's folder and then the rest of
// the target: "/song.mp3" lies beside the base file, "/../c/song.mp3" in a
// sibling folder "c".
//
// Every function writing to out takes out's size in bytes (the array forms
// take it from the array). A result that does not fit leaves out empty,
// returns 0 and sets FILEKIT_ERR_PATH_TOO_LONG: a cut path would name a
// different file. All return 1 on success and 0 on failure.

#include <cstddef>

// out = the text after the last separator; 0 when there is none. An empty
// path gives an empty name and 1.
int ExtractFileName(const char* path, char* out, std::size_t outSize);
// out = the text up to and including the last separator; 0 when there is
// none. An empty path gives an empty folder and 1.
int ExtractDirectory(const char* path, char* out, std::size_t outSize);
// Cuts the path in place behind its last '.', keeping the dot ("song.mp3"
// becomes "song."); 0 when there is no '.' at index 1 or later. The dot may
// belong to a folder name.
int RemoveExtensionFromFile(char* path);
// 1 when the text after the path's last '.' equals ext (given without the
// dot), ignoring ASCII case; 0 when it differs or there is no dot.
int HasFileExtension(const char* path, const char* ext);
// 1 when both paths name the same file by their text: byte for byte equal,
// case included, as the file system compares names. Every comparison of
// two song or folder paths goes through this one rule. 0 when either is
// null.
int SamePath(const char* a, const char* b);
// 1 when the path does not start at the root.
int IsRelativePath(const char* path);
// 1 when both paths begin with the same character (for '/' paths: both
// absolute) and it is not the terminator.
int HasSameDrive(const char* a, const char* b);
// out = the part of path before its first separator followed by rest; 0 (out
// empty) when path holds no separator. With no drive letters, an absolute
// path contributes nothing and out is rest.
int AddDriveLetter(const char* path, const char* rest, char* out, std::size_t outSize);
// out = path from its first separator on; 0 when there is none.
int StripDriveLetter(const char* path, char* out, std::size_t outSize);
// out = path relative to the folder of baseFile, in the system's relative
// form. 0 (out empty) when baseFile has no folder or the two share no
// leading folder.
int AbsoluteToRelative(const char* baseFile, const char* path, char* out, std::size_t outSize);
// out = the relative path made absolute against the folder of baseFile. The
// relative path's leading separator may be missing; each ".." name climbs
// one folder, and climbing stops at the first folder of the base (the root
// for '/' paths).
// 0 (out empty) when baseFile has no folder or nothing follows the climbing.
int RelativeToAbsolute(const char* baseFile, const char* relative, char* out, std::size_t outSize);

template <std::size_t N>
int ExtractFileName(const char* path, char (&out)[N]) {
    return ExtractFileName(path, out, N);
}
template <std::size_t N>
int ExtractDirectory(const char* path, char (&out)[N]) {
    return ExtractDirectory(path, out, N);
}
template <std::size_t N>
int AddDriveLetter(const char* path, const char* rest, char (&out)[N]) {
    return AddDriveLetter(path, rest, out, N);
}
template <std::size_t N>
int StripDriveLetter(const char* path, char (&out)[N]) {
    return StripDriveLetter(path, out, N);
}
template <std::size_t N>
int AbsoluteToRelative(const char* baseFile, const char* path, char (&out)[N]) {
    return AbsoluteToRelative(baseFile, path, out, N);
}
template <std::size_t N>
int RelativeToAbsolute(const char* baseFile, const char* relative, char (&out)[N]) {
    return RelativeToAbsolute(baseFile, relative, out, N);
}
