#pragma once
// The registry store's file format, in the style of a registry export so that
// a person can read and edit it:
//
//   Songsmith registry 1
//
//   [HKEY_CURRENT_USER\Software\Marovelle]
//   "Name"="text with \"quotes\" and \\ backslashes"
//   @="the key's default value"
//   "Count"=dword:0000002a
//   "Record"=hex:01,02,ff
//   "Other"=hex(7):61,00,00
//
//   End of registry
//
// Strings escape '\\', '"' and control bytes (\xHH) and are otherwise kept as
// raw bytes. "dword:" is used only for a 4-byte REG_DWORD, "hex:" for
// REG_BINARY, "hex(type):" for every other type and for a REG_DWORD of
// another size, so every value round-trips byte for byte. Long hex lists
// continue on the next line after a trailing '\'. Blank lines and lines that
// start with ';' are ignored. The end line must close the file: without it
// the file was cut short (or is empty) and does not read.

#include <string>
#include <string_view>

#include "platform/registry_tree.h"

// The whole file for one root, keys depth first in enumeration order.
std::string WriteRegistryText(std::string_view rootName, const TRegNode& root);

// Reads a file into root (which should be empty). False on the first line
// that is not understood, with error telling the line and why, or when the
// end line is missing; root then holds what came before.
bool ReadRegistryText(std::string_view text, std::string_view rootName, TRegNode& root,
                      std::string& error);
