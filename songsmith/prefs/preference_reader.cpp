#include "songsmith/prefs/preference_reader.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "filekit/log.h"
#include "platform/ascii_case.h"
#include "platform/last_error.h"
#include "songsmith/prefs/preference_names.h"
#include "utilities/text_copy.h"

namespace {

// The number a rule leaves of a stored number, or nothing when the member
// keeps its value.
std::optional<std::int32_t> ApplyRule(ENumberRule rule, std::int32_t stored) {
    switch (rule) {
        case ENumberRule::kAsStored:
            return stored;
        case ENumberRule::kRipError:
            if (stored >= 0 && stored <= 2) return stored;
            return std::nullopt;
        case ENumberRule::kBurningEngine:
            return stored == 0 || stored == 1 ? stored : 2;
        case ENumberRule::kMediaSize:
            return stored == 21 || stored == 74 || stored == 80 ? stored : 74;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> AsBytes(const char* data, std::uint32_t size) {
    return {reinterpret_cast<const std::uint8_t*>(data), size};
}

// How many values of the key have names beginning with prefix (case
// ignored, as the registry names compare).
int CountValuesWithPrefix(CRegKey& key, const char* prefix) {
    const std::string_view wanted(prefix);
    int count = 0;
    for (std::uint32_t i = 0;; ++i) {
        char name[kRegMaxKeyNameLength + 1];
        std::uint32_t nameSize = sizeof(name);
        const std::uint32_t found =
            RegEnumValue(key.Key(), i, name, &nameSize, nullptr, nullptr, nullptr);
        // A name this long is no list value's (prefix and an int); go on past it.
        if (found == ERROR_MORE_DATA) continue;
        if (found != ERROR_SUCCESS) break;
        const std::string_view view(name, nameSize);
        if (view.size() >= wanted.size() &&
            AsciiEqualNoCase(view.substr(0, wanted.size()), wanted)) {
            ++count;
        }
    }
    return count;
}

}  // namespace

std::optional<std::int32_t> CPreferenceReader::ReadNumber(const char* name) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (!key_.GetKeyType(name, &type, &size)) return std::nullopt;
    if (type != REG_DWORD || size != 4) {
        LogFmt("CPreferences::Load - \"%s\" is not a 4-byte number; the default is kept", name);
        return std::nullopt;
    }
    return static_cast<std::int32_t>(key_.GetKeyNum(name));
}

void CPreferenceReader::Number(const char* name, int& member, ENumberRule rule) {
    if (const auto stored = ReadNumber(name)) {
        if (const auto taken = ApplyRule(rule, *stored)) member = *taken;
    }
}

void CPreferenceReader::Number(const char* name, std::atomic<int>& member, ENumberRule rule) {
    int value = member.load();
    Number(name, value, rule);
    member.store(value);
}

void CPreferenceReader::Number(const char* name, bool& member, ENumberRule) {
    if (const auto stored = ReadNumber(name)) member = *stored != 0;
}

void CPreferenceReader::Effect(EPreferenceEffect effect, int value) {
    RunPreferenceEffect(effects_, effect, value);
}

void CPreferenceReader::ReadText(const char* name, char* member, std::size_t size, ETextRule rule) {
    const char* text = key_.GetKeyString(name);
    if (text == nullptr) return;
    const std::size_t length = std::strlen(text);
    if (length < size) {
        std::memcpy(member, text, length + 1);
    } else if (rule == ETextRule::kSearchText) {
        textcopy::CopyTextCut(text, member, size);
        LogFmt("CPreferences::Load - \"%s\" is longer than %zu bytes; cut to fit", name, size - 1);
    } else {
        // A cut path or host would name another place.
        LogFmt("CPreferences::Load - \"%s\" is longer than %zu bytes; the default is kept", name,
               size - 1);
    }
}

std::optional<std::span<const std::uint8_t>> CPreferenceReader::ReadRecord(const char* name,
                                                                           std::size_t minimum) {
    std::uint32_t size = 0;
    const char* data = key_.GetKeyData(name, &size);
    if (data == nullptr) return std::nullopt;
    if (size < minimum) {
        LogFmt("CPreferences::Load - \"%s\" holds %u bytes, fewer than %zu; the default is kept",
               name, size, minimum);
        return std::nullopt;
    }
    return AsBytes(data, size);
}

void CPreferenceReader::Placement(const char* name, WINDOWPLACEMENT& member, int& valid) {
    std::uint32_t size = 0;
    const char* data = key_.GetKeyData(name, &size);
    if (data == nullptr) return;
    // Only a whole record of this exact size is a placement this program wrote.
    if (size != kPlacementBytes) {
        LogFmt("CPreferences::Load - \"%s\" holds %u bytes, not %zu; ignored", name, size,
               kPlacementBytes);
        return;
    }
    member = UnpackPlacement(AsBytes(data, size));
    valid = 1;
}

void CPreferenceReader::Split(const char* name, float& member) {
    const auto bytes = ReadRecord(name, kSplitBytes);
    if (!bytes) return;
    const float split = UnpackSplit(*bytes);
    if (!std::isfinite(split)) {
        LogFmt("CPreferences::Load - \"%s\" is not a finite number; the default is kept", name);
    } else if (split < 0.0f || split > 1.0f) {
        LogFmt("CPreferences::Load - \"%s\" = %g lies outside 0..1; the default is kept", name,
               static_cast<double>(split));
    } else {
        member = split;
    }
}

void CPreferenceReader::Rate(const char* name, std::atomic<double>& member) {
    const auto bytes = ReadRecord(name, kRateBytes);
    if (!bytes) return;
    const double rate = UnpackRate(*bytes);
    if (!std::isfinite(rate)) {
        LogFmt("CPreferences::Load - \"%s\" is not a finite number; the default is kept", name);
    } else if (rate <= 0.0) {
        // Callers divide by the rate to estimate how long a conversion takes.
        LogFmt("CPreferences::Load - \"%s\" = %g is not above 0; the default is kept", name, rate);
    } else {
        member.store(rate);
    }
}

void CPreferenceReader::Record(const char* name, TFadePreferences& member) {
    if (const auto bytes = ReadRecord(name, kFadeBytes)) member = UnpackFade(*bytes);
}

void CPreferenceReader::Record(const char* name, TBurnerPrefs& member) {
    if (const auto bytes = ReadRecord(name, kBurnerBytes)) member = UnpackBurner(*bytes);
}

void CPreferenceReader::ReadRecordList(
    const char* prefix, int count, std::size_t size,
    const std::function<void(const char*, std::span<const std::uint8_t>)>& take) {
    for (int i = 0; i < count; ++i) {
        const std::string name = IndexedValueName(prefix, i);
        std::uint32_t stored = 0;
        if (!key_.GetKeyType(name.c_str(), nullptr, &stored)) return;
        const char* data = key_.GetKeyData(name.c_str(), &stored);
        if (data == nullptr || stored != size) {
            LogFmt("CPreferences::Load - \"%s\" holds %u bytes, not %zu; skipped", name.c_str(),
                   stored, size);
            continue;
        }
        take(name.c_str(), AsBytes(data, stored));
    }
}

void CPreferenceReader::MusicDirectories(CLastDirList& list) {
    list.DeleteAll();
    const int count = ReadNumber(kMusicDirCountName).value_or(0);
    ReadRecordList(
        kMusicDirPrefix, count, kMusicDirBytes,
        [&](const char* name, std::span<const std::uint8_t> bytes) {
            _lastDirList folder{};
            if (!UnpackMusicDir(bytes, folder)) {
                LogFmt("CPreferences::Load - \"%s\" holds a path longer than %d bytes; skipped",
                       name, MAX_PATH - 1);
                return;
            }
            list.Add(folder.path, static_cast<std::uint32_t>(folder.number), folder.value, 0);
        });
}

void CPreferenceReader::Sites(CPreferences& preferences) {
    const int count = ReadNumber(kSiteCountName).value_or(0);
    preferences.DeleteSites();
    // No stored sites (or a count that cannot be one): the default server.
    if (count <= 0) {
        preferences.AddSite(MakeDefaultPreferenceSite());
        return;
    }
    ReadRecordList(
        kSitePrefix, count, kSiteBytes, [&](const char* name, std::span<const std::uint8_t> bytes) {
            TITLEFETCH_TSite site;
            if (!UnpackSite(bytes, site)) {
                LogFmt("CPreferences::Load - \"%s\" holds a text longer than %d bytes; skipped",
                       name, kSiteTextSize - 1);
                return;
            }
            preferences.AddSite(site);
        });
}

void CPreferenceReader::ExcludeDirs(MvList<TExcludeDir>& list) {
    const int count = ReadNumber(kExcludeDirCountName).value_or(0);
    if (count <= 0) return;
    list.Empty();
    // Holes are skipped, so the count alone would bound nothing: the loop
    // ends once every exclusion value the key holds has been seen.
    const int present = CountValuesWithPrefix(key_, kExcludeDirPrefix);
    for (int i = 0, seen = 0; i < count && seen < present; ++i) {
        const std::string name = IndexedValueName(kExcludeDirPrefix, i);
        if (!key_.GetKeyType(name.c_str(), nullptr, nullptr)) continue;
        ++seen;
        const char* path = key_.GetKeyString(name.c_str());
        if (path == nullptr) continue;
        TExcludeDir folder{};
        if (std::strlen(path) >= sizeof(folder.path)) {
            LogFmt("CPreferences::Load - \"%s\" is longer than %d bytes; skipped", name.c_str(),
                   MAX_PATH - 1);
            continue;
        }
        std::strcpy(folder.path, path);
        list.Append(folder);
    }
}

void CPreferenceReader::RecentFiles(CStringList& list) {
    list.DeleteStringList();
    // Oldest first, each put in front, so that index 0 ends up the latest.
    for (int i = CPreferences::kMaxRecentFiles - 1; i >= 0; --i) {
        const std::string name = IndexedValueName(kRecentFilePrefix, i);
        if (const char* path = key_.GetKeyString(name.c_str())) list.AddLatestString(path);
    }
}
