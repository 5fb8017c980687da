#pragma once
// Reads a whole file that a reader accepts only up to a size, without ever
// holding more than that size (plus one piece) in memory.

#include <cstddef>
#include <string>

// Reads the file at path into bytes. False with the thread's last error set:
// the errno code when it cannot be opened or read, UTILITIES_ERR_FILE_TOO_LARGE
// when it holds more than maxBytes (bytes is then left empty).
bool ReadFileBounded(const char* path, std::size_t maxBytes, std::string& bytes);
