#include "songsmith/prefs/preferences.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "songsmith/prefs/preference_defaults.h"
#include "songsmith/prefs/preference_names.h"
#include "songsmith/prefs/preference_reader.h"
#include "songsmith/prefs/preference_writer.h"

namespace {

// Copies a default folder whole, or reports that it does not fit: a cut
// folder would be another folder.
template <std::size_t N>
bool StoreFolder(char (&member)[N], const std::string& folder) {
    if (folder.size() >= N) {
        member[0] = '\0';
        return false;
    }
    std::memcpy(member, folder.c_str(), folder.size() + 1);
    return true;
}

// A key object of its own over root, so that closing it leaves the caller's
// handle open; null when root cannot be opened.
std::unique_ptr<CRegKey> OpenRoot(HKEY root) {
    HKEY own = nullptr;
    if (RegOpenKey(root, nullptr, &own) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<CRegKey>(own);
}

// Opens one level below parent, creating it for a save; null when that fails.
std::unique_ptr<CRegKey> OpenLevel(CRegKey& parent, const char* name, bool create) {
    return std::unique_ptr<CRegKey>(create ? parent.CreateSubKey(name) : parent.GetSubKey(name));
}

}  // namespace

CPreferences::CPreferences() {
    StoreFolder(Marovelle_Temp_Dir, DefaultTempFolder());
    const std::string documents = DefaultDocumentsFolder();
    StoreFolder(lastSessionDir, documents);
    StoreFolder(lastAddSoundDir, documents);
    if (!StoreFolder(RipPath, DefaultRipFolder())) StoreFolder(RipPath, documents);
    StoreFolder(LibraryPath, DefaultLibraryFolder());
    StoreFolder(CDDBSite, kDefaultCddbHost);
    AddSite(MakeDefaultPreferenceSite());
    for (const std::string& folder : DefaultExcludedFolders()) {
        TExcludeDir excluded{};
        StoreFolder(excluded.path, folder);
        ImportExcludeDirs.Append(excluded);
    }
}

CPreferences::~CPreferences() {
    DeleteSites();
}

bool CPreferences::AddSite(const TITLEFETCH_TSite& site) {
    auto* copy = new (std::nothrow) TITLEFETCH_TSite(site);
    if (copy == nullptr) return false;
    if (!Sites.Append(copy)) {
        delete copy;
        return false;
    }
    return true;
}

void CPreferences::DeleteSites() {
    for (TITLEFETCH_TSite* site : Sites) delete site;
    Sites.Empty();
}

void CPreferences::RunEffects() {
    RunPreferenceEffect(effects_, EPreferenceEffect::kSilenceThreshold, soundSilenceThreshold);
    RunPreferenceEffect(effects_, EPreferenceEffect::kPartialSongThreshold, partialSongThreshold);
    RunPreferenceEffect(effects_, EPreferenceEffect::kLogOn, bLogOn);
}

int CPreferences::Load(HKEY root) {
    std::lock_guard guard(lock_);
    loaded = 0;
    std::unique_ptr<CRegKey> key = OpenRoot(root);
    for (const char* level : kKeyLevels) {
        if (!key) break;
        key = OpenLevel(*key, level, false);
    }
    if (key) {
        CPreferenceReader reader(*key, effects_);
        VisitPreferenceValues(*this, reader);
    } else {
        // Nothing stored yet (the first start): the defaults still reach the
        // engine and the log, so logging follows "bLogOn" from the start.
        RunEffects();
    }
    loaded = 1;
    return 1;
}

void CPreferences::Save(HKEY root) {
    static constexpr const char* kFailures[] = {
        "Prefs:Failed to create software key when trying to write preferences!",
        "Prefs:Failed to create marovelle key when trying to write preferences!",
        "Prefs:Failed to create songsmith key when trying to write preferences!",
    };
    std::lock_guard guard(lock_);
    std::unique_ptr<CRegKey> key = OpenRoot(root);
    for (std::size_t i = 0; i < std::size(kKeyLevels); ++i) {
        if (key) key = OpenLevel(*key, kKeyLevels[i], true);
        if (!key) {
            Log(kFailures[i]);
            return;
        }
    }
    CPreferenceWriter writer(*key);
    VisitPreferenceValues(*this, writer);
}

void CPreferences::SaveNow(HKEY root) {
    Save(root);
    RegFlushKey(root);
}
