#pragma once
// The driver service remover's entry points. The program loads the module by
// name ("drvclean.dll") and binds them by name. Each takes three numbers it
// does not use. The module keeps no state and starts no thread; loading it
// does nothing.

#include <cstdint>

#define DRVCLEAN_EXPORT extern "C" __attribute__((visibility("default")))

// Removes the drive-access driver's services and its class filters (see
// removal.h). 0 when every step that ran succeeded, else -1.
DRVCLEAN_EXPORT std::int32_t UninstInitialize(std::int32_t, std::int32_t, std::int32_t);
// Does nothing; 0.
DRVCLEAN_EXPORT std::int32_t UninstUnInitialize(std::int32_t, std::int32_t, std::int32_t);

// The entry point's type, for callers that bind it by name.
using UninstInitializeFunction = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);
