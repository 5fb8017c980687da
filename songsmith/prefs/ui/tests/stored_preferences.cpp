#include "songsmith/prefs/ui/tests/stored_preferences.h"

#include <gtest/gtest.h>

#include "filekit/reg_key.h"
#include "platform/last_error.h"
#include "platform/registry_store.h"

TStoredValues ReadStoredValues() {
    TStoredValues values;
    HKEY key = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, "SOFTWARE\\Marovelle\\Songsmith", &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no preferences key";
        return values;
    }
    for (std::uint32_t index = 0;; ++index) {
        char name[256];
        std::uint32_t nameSize = sizeof name;
        std::uint32_t type = 0;
        std::uint8_t data[4096];
        std::uint32_t dataSize = sizeof data;
        if (RegEnumValue(key, index, name, &nameSize, &type, data, &dataSize) != ERROR_SUCCESS) break;
        values[name] = {type, std::string(reinterpret_cast<const char*>(data), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

std::set<std::string> ChangedValueNames(const TStoredValues& before, const TStoredValues& after) {
    std::set<std::string> changed;
    for (const auto& [name, value] : after) {
        const auto old = before.find(name);
        if (old == before.end() || old->second != value) changed.insert(name);
    }
    for (const auto& [name, value] : before) {
        if (after.count(name) == 0) changed.insert(name);
    }
    return changed;
}
