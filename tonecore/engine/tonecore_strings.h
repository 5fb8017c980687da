#pragma once
// The engine's keyed text file, "tonecore-strings.ini" in the resource
// folder. Every user-visible text of the engine comes through it; keys begin
// with "IDS_", "ID3_" or "FS_".

#include <string>

// The text of key, cut on a character boundary to size - 1 bytes; 1 when a
// text was stored. A missing key reads as the key itself (keyed_text.h), so
// a missing text shows, rather than nothing.
int ToneCoreLoadString(const char* key, char* buffer, int size);

// The keyed text file in use: found at start-up, or set by tests. Empty
// until then; lookups then read the resource folder's file.
std::string ToneCoreStringFile();
void SetToneCoreStringFile(const char* path);
// Where the resource folder keeps the file; empty when it holds none.
std::string FindToneCoreStringFile();
