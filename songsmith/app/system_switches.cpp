#include "songsmith/app/system_switches.h"

#include <unistd.h>

#include <climits>
#include <memory>
#include <string>

#include "filekit/log.h"
#include "filekit/reg_key.h"

namespace {

std::unique_ptr<CRegKey> OpenKey(const char* path, bool create) {
    CRegKey root(HKEY_LOCAL_MACHINE);
    return std::unique_ptr<CRegKey>(create ? root.CreateSubKey(path) : root.GetSubKey(path));
}

// A value's text; empty when missing or empty.
std::string KeyText(CRegKey& key, const char* name) {
    const char* text = key.GetKeyString(name);
    return text != nullptr ? text : "";
}

std::string ProgramPath() {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string("songsmith");
}

}  // namespace

void SetCDAutoPlayEnabled(bool enabled) {
    std::unique_ptr<CRegKey> key = OpenKey(kAutoPlayCommandRegPath, false);
    if (!key) return;
    if (enabled) {
        const std::string old = KeyText(*key, kAutoPlayOldDefault);
        if (old.empty()) return;
        if (key->SetKeyString(nullptr, old.c_str()) != 0) Log("Enabled Auto Play for CD");
        key->DeleteRegValue(kAutoPlayOldDefault);
        return;
    }
    const std::string current = KeyText(*key, nullptr);
    if (current.empty()) return;
    if (key->SetKeyString(kAutoPlayOldDefault, current.c_str()) != 0 && key->SetKeyString(nullptr, "") != 0) {
        Log("Disabled Auto Play for CD");
    }
}

void RemoveAutoStartEntry() {
    std::unique_ptr<CRegKey> key = OpenKey(kAutoStartRegPath, false);
    if (!key || key->GetKeyType(kAutoStartEntry, nullptr, nullptr) == 0) return;
    Log("Removing automatic launch reg item");
    key->DeleteRegValue(kAutoStartEntry);
}

std::int32_t RestartWindows(bool addStartEntry, const char* sessionFile) {
    Log("**** -> RESTART COMPUTER Request");
    if (addStartEntry) {
        std::string command = ProgramPath();
        if (sessionFile != nullptr && sessionFile[0] != '\0') command += std::string(" ") + sessionFile;
        if (std::unique_ptr<CRegKey> key = OpenKey(kAutoStartRegPath, true); key) {
            key->SetKeyString(kAutoStartEntry, command.c_str());
            Log("Adding automatic launch reg item.");
        }
    }
    // Restarting the computer is the user's business on this system.
    Log("RestartWindows: the computer is not restarted; the user restarts it when ready");
    return 0;
}
