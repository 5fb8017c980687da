#pragma once
// Reads the preferences from an open key (the visitor Load walks the value
// list with). A missing value leaves its member as it is. A damaged value
// (a number that is not a 4-byte REG_DWORD, a text or path that does not
// fit, a record shorter than its image, a value out of its range) leaves its
// member too, with one log line naming the value.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "filekit/reg_key.h"
#include "songsmith/prefs/preference_values.h"

class CPreferenceReader {
public:
    CPreferenceReader(CRegKey& key, IPreferenceEffects* effects) : key_(key), effects_(effects) {}

    void Number(const char* name, int& member, ENumberRule rule);
    void Number(const char* name, std::atomic<int>& member, ENumberRule rule);
    void Number(const char* name, bool& member, ENumberRule rule);
    void Effect(EPreferenceEffect effect, int value);
    template <std::size_t N>
    void Text(const char* name, char (&member)[N], ETextRule rule) {
        ReadText(name, member, N, rule);
    }
    void Placement(const char* name, WINDOWPLACEMENT& member, int& valid);
    void Split(const char* name, float& member);
    void Rate(const char* name, std::atomic<double>& member);
    void Record(const char* name, TFadePreferences& member);
    void Record(const char* name, TBurnerPrefs& member);
    void MusicDirectories(CLastDirList& list);
    void Sites(CPreferences& preferences);
    void ExcludeDirs(MvList<TExcludeDir>& list);
    void RecentFiles(CStringList& list);
    void ProgramFolder(const char*) {}

private:
    // The stored number when the value is a 4-byte REG_DWORD; nothing when
    // it is missing or (logged) of another kind.
    std::optional<std::int32_t> ReadNumber(const char* name);
    void ReadText(const char* name, char* member, std::size_t size, ETextRule rule);
    // The value's bytes when it holds at least minimum of them; nothing when
    // it is missing or (logged) shorter.
    std::optional<std::span<const std::uint8_t>> ReadRecord(const char* name, std::size_t minimum);
    // Reads the values prefix0, prefix1, ... below count, stopping at the
    // first missing one; hands each that holds exactly size bytes to take,
    // with its name (others are logged and skipped).
    void ReadRecordList(
        const char* prefix, int count, std::size_t size,
        const std::function<void(const char*, std::span<const std::uint8_t>)>& take);

    CRegKey& key_;
    IPreferenceEffects* effects_;
};
