#include "platform/shared_dlls.h"

#include <cstdint>

#include "platform/last_error.h"
#include "platform/registry_store.h"

std::string GetWindowsDirectory() { return "C:\\WINDOWS"; }

bool SharedDllStillUsed(const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKey(HKEY_LOCAL_MACHINE, kSharedDllsKeyPath, &key) != ERROR_SUCCESS) return true;
    std::uint8_t bytes[4] = {};
    std::uint32_t size = sizeof(bytes);
    const std::uint32_t result = RegQueryValueEx(key, valueName, nullptr, bytes, &size);
    RegCloseKey(key);
    // A value of another size is not a count: when in doubt the file stays.
    if (result != ERROR_SUCCESS || size != sizeof(bytes)) return true;
    const std::uint32_t count = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                (static_cast<std::uint32_t>(bytes[3]) << 24);
    return count >= 2;
}
