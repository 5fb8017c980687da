#pragma once
// The thread's last-error value. Library functions report failure through
// their result and leave the reason here; every library links `platform`, so
// there is exactly one value per thread in the process.

#include <cstdint>

// Codes that callers compare against, in the platform's numbering.
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
// Data of the wrong size or shape (a registry number that is not 4 bytes).
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;
inline constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
// A name the callee cannot use (a service name holding '\\', an empty name).
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;
inline constexpr std::uint32_t ERROR_NO_MORE_ITEMS = 259;
// The registry store could not write its file.
inline constexpr std::uint32_t ERROR_CANTWRITE = 1013;
// The key behind an open handle was deleted.
inline constexpr std::uint32_t ERROR_KEY_DELETED = 1018;
// The service manager (platform/service_manager.h).
// The service does not take that control (or has been told not to take it).
inline constexpr std::uint32_t ERROR_INVALID_SERVICE_CONTROL = 1052;
inline constexpr std::uint32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
// The service is in a state (stopping) in which it takes no control.
inline constexpr std::uint32_t ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
// A stop was sent to a service that is not running.
inline constexpr std::uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
// The service behind an open handle has been deleted.
inline constexpr std::uint32_t ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
// errno values with no counterpart above are reported as this base plus errno.
inline constexpr std::uint32_t ERROR_ERRNO_BASE = 0x10000;

void SetLastError(std::uint32_t code);
std::uint32_t GetLastError();

// Maps an errno value to the code above that callers compare against.
std::uint32_t ErrorFromErrno(int err);
// SetLastError(ErrorFromErrno(err)).
void SetLastErrorFromErrno(int err);
