#pragma once
// 32-bit numbers in the registry store: four bytes, little-endian, as the
// REG_DWORD values that installers and the service manager keep.

#include <cstdint>

#include "platform/registry_store.h"

// Reads a value of exactly four bytes, whatever its type. ERROR_SUCCESS, the
// store's error, or ERROR_INVALID_DATA for a value of another size (*number
// is then left alone).
std::uint32_t RegQueryNumber(HKEY key, const char* name, std::uint32_t* number);
// Writes a 4-byte REG_DWORD.
std::uint32_t RegSetNumber(HKEY key, const char* name, std::uint32_t number);
