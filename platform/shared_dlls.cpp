#include "platform/shared_dlls.h"

#include "platform/last_error.h"
#include "platform/registry_number.h"

std::string GetWindowsDirectory() { return "C:\\WINDOWS"; }

bool SharedDllStillUsed(const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKeyPath, &key) != ERROR_SUCCESS) return true;
    std::uint32_t count = 0;
    const std::uint32_t result = RegQueryNumber(key, valueName, &count);
    RegCloseKey(key);
    // A value of another size is not a count: when in doubt the file stays.
    if (result != ERROR_SUCCESS) return true;
    return count >= 2;
}
