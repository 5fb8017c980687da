#pragma once
// Texts for sound objects: time stamps, file names taken from paths, and
// unique names for new objects.

#include <cstdint>

// Bytes GetCurrentTimeString writes, terminator included.
inline constexpr int kTimeStringBytes = 19;

// The local time as "MM/DD/YY  hh:mm:ss" into buffer, which holds at least
// kTimeStringBytes bytes.
void GetCurrentTimeString(char* buffer);

// Copies the text after the last separator ('\\' or '/') of path into
// result, when that separator is not the path's first character. Otherwise,
// and for a path shorter than two characters, result is left untouched.
// result holds at least as many bytes as path.
void GetFileName(const char* path, char* result);

// The prefix of the names GenerateUniqueName makes (empty at start).
void SetNewNamePrefix(const char* prefix);
// The prefix followed by a process-wide number that starts at 1 and grows by
// one per call, into result of size bytes (cut to fit, always terminated).
void GenerateUniqueName(char* result, std::int32_t size);
