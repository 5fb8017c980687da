#include "tonecore/engine/engine_lock.h"

std::recursive_mutex& EngineLock() {
    // Never destroyed: objects destroyed during exit may still take it.
    static std::recursive_mutex* const lock = new std::recursive_mutex;
    return *lock;
}
