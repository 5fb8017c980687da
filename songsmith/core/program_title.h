#pragma once
// The program's name (keyed text "Program Name") and its version, as the
// window title and the message boxes show them.

#include <cstddef>

// Longest program title in characters.
inline constexpr std::size_t kProgramTitleMax = 260;

// The program's version, "<major>.<minor>". False when the build gave none.
bool GetProgramVersionText(char* out, std::size_t size);

// The program's name, with withVersion followed by a blank and the version
// when there is one; cut to the smaller of size - 1 and kProgramTitleMax.
void GetProgramTitle(char* out, std::size_t size, bool withVersion);
