#pragma once
// The engine-wide lock. It guards the current mixer and every mixer
// operation; the service thread holds it for a whole pass. It is re-entrant:
// a thread that holds it may take it again (GetCurrentMixer does, inside the
// thread's pass).
//
// Lock order, the one order every thread keeps:
//   1. the engine lock;
//   2. atoms' own locks, a group's before its members' (from the root of a
//      tree down): Length and the other readers of a member list take them
//      so, and tree edits take a group's ancestors first (sound_group.cpp);
//   3. the loaded-sound registry's lock, the innermost (sound_loaded.cpp).
// The engine lock is never waited for while an atom's lock is held: work
// that needs it after reading a group (copies, saves) takes the members
// first (held_members.h) and lets go of the group's lock.
//
// The lock lives as long as the process: it is made on first use and never
// destroyed, so a mixer or sound that outlives the engine's shut-down (or is
// destroyed during exit) can still take it.

#include <mutex>

std::recursive_mutex& EngineLock();

// Holds the engine lock for a scope.
using CEngineLockGuard = std::lock_guard<std::recursive_mutex>;
