#pragma once
// File modification times for cache validity.

#include <ctime>

// The file's modification time as local calendar time; 0 when the file's
// status cannot be read (result then untouched), else 1.
int GetLastModifiedDate(const char* path, std::tm& result);

// 1 when the right file was last modified strictly before the left one, by
// whole seconds since the epoch (so daylight-saving changes and year ends do
// not matter); 0 when they were modified in the same second, when right is
// newer, or when either time cannot be read.
//
// A cache file is valid only when it is strictly newer than its song:
// IsRightFileOlder(cachePath, songPath) == 1.
int IsRightFileOlder(const char* left, const char* right);
