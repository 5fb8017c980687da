#pragma once
// Program versions as dotted numbers ("0.1.0.0"): how the version check
// reads the latest version a server names and compares it with the running
// program's.

#include <cstdint>
#include <string_view>
#include <vector>

using TVersionNumbers = std::vector<std::uint32_t>;

// Reads text (blanks around it ignored) as dotted decimal numbers. True when
// every part is a number of at most nine digits and one of them is not 0;
// numbers then holds them in order.
bool ParseDottedVersion(std::string_view text, TVersionNumbers& numbers);

// Compares number by number, a missing number counting as 0: negative when
// a is older than b, 0 when they are the same version, positive when a is
// newer.
int CompareVersionNumbers(const TVersionNumbers& a, const TVersionNumbers& b);

// The running program's version: all four numbers of the build's version.
TVersionNumbers ProgramVersionNumbers();
