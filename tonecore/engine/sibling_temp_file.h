#pragma once
// Files the engine writes whole (a recording, a sound's copy) are written
// under a temporary name beside their target and renamed into place only
// when complete, so a failed write never leaves a half file at the target
// nor destroys what was there.

#include <string>

// Creates an empty "<path>.tmp-XXXXXX" beside path with the mode of an
// existing file at path (else rw-r--r--); its name, or empty with the
// thread's last error set.
std::string CreateSiblingTempFile(const char* path);
// What a failed rename does with the temporary file: a copy goes (its
// source is still there), a recording stays (it is the only one).
enum class TTempOnFailure { kRemove, kKeep };
// Renames temp over path. On failure the thread's last error is set and temp
// is removed or kept as asked.
bool MoveTempIntoPlace(const std::string& temp, const char* path,
                       TTempOnFailure onFailure = TTempOnFailure::kRemove);
// Removes a temporary file that will not be used; an empty name is ignored.
void RemoveTempFile(const std::string& temp);
