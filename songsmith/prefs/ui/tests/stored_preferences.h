#pragma once
// The program's preferences key as the registry store holds it, for tests
// that check what a save wrote.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

// Each value of the preferences key as stored, by name: its type and bytes.
using TStoredValues = std::map<std::string, std::pair<std::uint32_t, std::string>>;

TStoredValues ReadStoredValues();
// The names of the values added, removed or changed from before to after.
std::set<std::string> ChangedValueNames(const TStoredValues& before, const TStoredValues& after);
