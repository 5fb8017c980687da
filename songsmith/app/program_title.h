#pragma once
// The program's name (keyed text "Program Name") and its version, as the
// window title and the message boxes show them.

#include <cstddef>

// Longest program title in characters.
inline constexpr std::size_t kProgramTitleMax = 260;

// The version text of the four version numbers a.b.c.d. With b 0, the
// numbering of the earlier releases: "%d.%d%d" of a, c and d when c or d is
// not 0 (2.0.9.998 shows as "2.9998"), else "%d.%d" of a and 0 ("2.0").
// With a minor number b: "a.b", then ".c" when c or d is not 0 and ".d" when
// d is not 0 (0.1.0.0 shows as "0.1", 0.1.2.0 as "0.1.2"). Cut to size - 1
// bytes.
void FormatProgramVersion(int a, int b, int c, int d, char* out, std::size_t size);

// The program's version text from the build's four version numbers. False
// when the build gave none.
bool GetProgramVersionText(char* out, std::size_t size);

// The program's name, with withVersion followed by a blank and the version
// when there is one; cut to the smaller of size - 1 and kProgramTitleMax.
void GetProgramTitle(char* out, std::size_t size, bool withVersion);
