#pragma once
// Stopping and deleting one service through the service manager.

#include <cstdint>

// True when the service is gone: it was never installed, or it was stopped
// (or would not take a stop, being already stopped) and deleted. A service
// still stopping after kStopWaitLimitMs is left installed and fails.
bool RemoveService(const char* serviceName);

// A stopping service is asked for its state this often.
inline constexpr std::uint32_t kStopPollIntervalMs = 1000;
// How long a service may take to stop. A driver that hangs in its stop
// would otherwise hold the removal, and the program with it, for ever.
inline constexpr std::int64_t kStopWaitLimitMs = 30000;
