#pragma once
// Writes the preferences into an open key (the visitor Save walks the value
// list with), by the store's rules: the placement only once it holds one,
// an empty search text deleted, at most 100 favourite folders, recent-file
// values past the list's end deleted, booleans as 0 or 1.

#include <atomic>
#include <cstddef>

#include "filekit/reg_key.h"
#include "songsmith/prefs/preference_values.h"

class CPreferenceWriter {
public:
    explicit CPreferenceWriter(CRegKey& key) : key_(key) {}

    void Number(const char* name, int member, ENumberRule) { WriteNumber(name, member); }
    void Number(const char* name, const std::atomic<int>& member, ENumberRule) {
        WriteNumber(name, member.load());
    }
    void Number(const char* name, bool member, ENumberRule) { WriteNumber(name, member ? 1 : 0); }
    void Effect(EPreferenceEffect, int) {}
    template <std::size_t N>
    void Text(const char* name, const char (&member)[N], ETextRule rule) {
        WriteText(name, member, rule);
    }
    void Placement(const char* name, const WINDOWPLACEMENT& member, int valid);
    void Split(const char* name, float member);
    void Rate(const char* name, const std::atomic<double>& member);
    void Record(const char* name, const TFadePreferences& member);
    void Record(const char* name, const TBurnerPrefs& member);
    void MusicDirectories(const CLastDirList& list);
    void Sites(const CPreferences& preferences);
    void ExcludeDirs(const MvList<TExcludeDir>& list);
    void RecentFiles(const CStringList& list);
    void ProgramFolder(const char* name);

private:
    void WriteNumber(const char* name, int value);
    void WriteText(const char* name, const char* text, ETextRule rule);
    template <class Image>
    void WriteImage(const char* name, const Image& image) {
        key_.SetKeyData(name, image.data(), static_cast<std::uint32_t>(image.size()));
    }

    CRegKey& key_;
};
