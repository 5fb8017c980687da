#pragma once
// Reader of private-profile (INI) files: the keyed text files and the
// playlists in that layout.
//
// Layout: "[section]" lines open a section; "key=value" lines inside one give
// entries; lines starting with ';' and empty lines are ignored, as are
// entries before the first section and lines without '='. Section and key
// names compare ignoring ASCII case, and the first match wins (a section
// that appears twice continues the first). Names and values are trimmed of
// blanks and tabs; there is no quoting. Lines may end with LF, CR LF or CR.
// Files are UTF-8, with or without a byte-order mark; a file that is not
// valid UTF-8 was written by an older program and is read as Windows-1252.
//
// A file larger than 16 MiB is not read: every function then answers as for
// a missing file and leaves UTILITIES_ERR_FILE_TOO_LARGE in the thread's last
// error. A parsed file costs a few bytes per line beyond its text.
//
// Parsed files are cached by path and kept while the file's modification
// time, size and identity stay the same, as long as the cache stays small;
// a large file is parsed for its call and dropped. Every function may be called from
// any thread.

#include <string>
#include <vector>

// Copies the value of key in section into out of size bytes, cut on a
// character boundary to at most size - 1 bytes; defaultText (null: empty)
// when the file, the section or the key is missing. Returns the bytes copied
// without the terminator (0 for a null out or a size below 1).
int GetPrivateProfileString(const char* section, const char* key, const char* defaultText,
                            char* out, int size, const char* path);

// The value of key as a decimal integer (an optional sign, then the digits up
// to the first other character; 0 when there are none). defaultValue when the
// key is missing or its value empty.
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* path);

// The section names of the file, each once in its first spelling, in file
// order. Empty when the file cannot be read.
std::vector<std::string> GetPrivateProfileSectionNames(const char* path);

// The key names of one section, each once in its first spelling, in file
// order.
std::vector<std::string> GetPrivateProfileKeyNames(const char* section, const char* path);
