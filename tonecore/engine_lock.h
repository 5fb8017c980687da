#pragma once
// The engine-wide lock. It guards the current mixer and every mixer
// operation; the service thread holds it for a whole pass. It is re-entrant:
// a thread that holds it may take it again (GetCurrentMixer does, inside the
// thread's pass).
//
// Lock order: the engine lock is always taken before a sound object's own
// lock, never while one is held.
//
// The lock lives as long as the process: it is made on first use and never
// destroyed, so a mixer or sound that outlives the engine's shut-down (or is
// destroyed during exit) can still take it.

#include <mutex>

std::recursive_mutex& EngineLock();

// Holds the engine lock for a scope.
using CEngineLockGuard = std::lock_guard<std::recursive_mutex>;
