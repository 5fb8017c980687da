#include "songsmith/prefs/preference_writer.h"

#include <algorithm>
#include <string>

#include "songsmith/prefs/preference_names.h"
#include "utilities/file_system.h"

void CPreferenceWriter::WriteNumber(const char* name, int value) {
    key_.SetKeyNum(name, static_cast<std::uint32_t>(value));
}

void CPreferenceWriter::WriteText(const char* name, const char* text, ETextRule rule) {
    if (rule == ETextRule::kSearchText && text[0] == '\0') {
        key_.DeleteRegValue(name);
        return;
    }
    key_.SetKeyString(name, text);
}

void CPreferenceWriter::Placement(const char* name, const WINDOWPLACEMENT& member, int valid) {
    if (valid) WriteImage(name, PackRecord(member));
}

void CPreferenceWriter::Split(const char* name, float member) {
    WriteImage(name, PackRecord(member));
}

void CPreferenceWriter::Rate(const char* name, const std::atomic<double>& member) {
    WriteImage(name, PackRecord(member.load()));
}

void CPreferenceWriter::Record(const char* name, const TFadePreferences& member) {
    WriteImage(name, PackRecord(member));
}

void CPreferenceWriter::Record(const char* name, const TBurnerPrefs& member) {
    WriteImage(name, PackRecord(member));
}

// The lists below number their values by what was written, not by list
// position: Load stops at the first missing index, so a record left out must
// not leave a hole that hides the ones after it.

void CPreferenceWriter::MusicDirectories(const CLastDirList& list) {
    const int limit = std::min(list.Count(), CPreferences::kMaxSavedMusicDirs);
    int written = 0;
    for (int i = 0; i < limit; ++i) {
        const _lastDirList* folder = list.Index(i);
        if (folder == nullptr) continue;
        WriteImage(IndexedValueName(kMusicDirPrefix, written++).c_str(), PackRecord(*folder));
    }
    WriteNumber(kMusicDirCountName, written);
}

void CPreferenceWriter::Sites(const CPreferences& preferences) {
    int written = 0;
    for (const TITLEFETCH_TSite* site : preferences.Sites) {
        if (site == nullptr) continue;
        WriteImage(IndexedValueName(kSitePrefix, written++).c_str(), PackRecord(*site));
    }
    WriteNumber(kSiteCountName, written);
}

void CPreferenceWriter::ExcludeDirs(const MvList<TExcludeDir>& list) {
    int written = 0;
    for (const TExcludeDir& folder : list) {
        key_.SetKeyString(IndexedValueName(kExcludeDirPrefix, written++).c_str(), folder.path);
    }
    WriteNumber(kExcludeDirCountName, written);
}

void CPreferenceWriter::RecentFiles(const CStringList& list) {
    const int kept = std::min(list.Count(), CPreferences::kMaxRecentFiles);
    for (int i = 0; i < CPreferences::kMaxRecentFiles; ++i) {
        const std::string name = IndexedValueName(kRecentFilePrefix, i);
        if (i < kept) {
            key_.SetKeyString(name.c_str(), list.Index(i));
        } else {
            key_.DeleteRegValue(name.c_str());
        }
    }
}

void CPreferenceWriter::ProgramFolder(const char* name) {
    char folder[MAX_PATH];
    if (GetExeDirectory(folder, sizeof(folder))) key_.SetKeyString(name, folder);
}
