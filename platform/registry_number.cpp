#include "platform/registry_number.h"

#include "platform/last_error.h"

std::uint32_t RegQueryNumber(HKEY key, const char* name, std::uint32_t* number) {
    std::uint8_t bytes[4] = {};
    std::uint32_t size = sizeof(bytes);
    if (const std::uint32_t result = RegQueryValueEx(key, name, nullptr, bytes, &size);
        result != ERROR_SUCCESS) {
        // A longer value answers ERROR_MORE_DATA: it is no number either.
        return result == ERROR_MORE_DATA ? ERROR_INVALID_DATA : result;
    }
    if (size != sizeof(bytes)) return ERROR_INVALID_DATA;
    *number = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
              (static_cast<std::uint32_t>(bytes[3]) << 24);
    return ERROR_SUCCESS;
}

std::uint32_t RegSetNumber(HKEY key, const char* name, std::uint32_t number) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return RegSetValueEx(key, name, REG_DWORD, bytes, sizeof(bytes));
}
