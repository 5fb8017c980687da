#pragma once
// The system's registry: a tree of keys holding named, typed values, kept in
// two text files in the per-user config folder, one per root
// (HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, the latter a per-user stand-in).
//
// Key paths separate their names with '\\'. Key and value names compare
// case-insensitively (ASCII) and keep the spelling they were created with.
// Sub-keys and values enumerate by index in a stable order (sorted by name,
// case ignored), so "delete index 0 while one exists" walks a whole key.
// Values keep their type and raw bytes; a string is stored as written, with no
// terminator added.
//
// A root's file is read on its first use. Changes are saved when a handle of
// that root is closed, when it is flushed and at process exit. Several
// processes may share the files (two program instances, the program and a
// helper): a save takes an advisory lock on the file, reads it as it is on
// disk then, applies the changes this process made since its last save, and
// writes the result to a temporary file of its own, syncs it and renames it
// over the old one. So no process's save is lost, the last change of a value
// wins, and a failed save leaves the previous file as it was. Temporary
// files that a crashed save left behind are removed by the next save.
//
// Every file ends with an end line, so a file cut short is noticed. A file
// that cannot be parsed is set aside (the very bytes that failed, copied to
// "<file>.damaged-<time>"), never overwritten unseen, and reported through
// the report hook. One process-wide lock guards the store; it is the
// innermost lock of the system: the store calls nothing that locks while
// holding it (reports are delivered after it is released).
//
// Functions return ERROR_SUCCESS or an error code of platform/last_error.h;
// they do not set the thread's last-error value.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct TRegKeyHandle;
using HKEY = TRegKeyHandle*;

// The predefined roots. They need no opening; closing one only saves it.
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

// Value types. Other numbers are kept as raw bytes.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// Longest key name in bytes, as the registry the callers were written for.
inline constexpr std::size_t kRegMaxKeyNameLength = 255;

// Opens an existing key below key. An empty or null path opens key itself
// again. ERROR_FILE_NOT_FOUND when a name on the path is missing.
std::uint32_t RegOpenKey(HKEY key, const char* path, HKEY* result);
// Opens the key below key, creating every missing key on the path.
// ERROR_INVALID_PARAMETER for a name longer than kRegMaxKeyNameLength or
// holding control characters.
std::uint32_t RegCreateKey(HKEY key, const char* path, HKEY* result);
// Releases an opened handle and saves its root when it has unsaved changes.
// The handle is released even when the save fails (ERROR_CANTWRITE).
std::uint32_t RegCloseKey(HKEY key);
// Saves the key's root when it has unsaved changes.
std::uint32_t RegFlushKey(HKEY key);

// Reads a value. With data null only *type and *size are filled. With data
// given, *size is its capacity on entry and the value's size on return;
// ERROR_MORE_DATA when it does not fit. type may be null.
std::uint32_t RegQueryValueEx(HKEY key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size);
// Creates or replaces a value. A null or empty name is the key's default value.
std::uint32_t RegSetValueEx(HKEY key, const char* name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size);
std::uint32_t RegDeleteValue(HKEY key, const char* name);
// Deletes the key at path below key with everything below it. Handles still
// open on the deleted keys answer ERROR_KEY_DELETED from then on.
std::uint32_t RegDeleteKey(HKEY key, const char* path);

// The name of the sub-key at index into name (size bytes, terminator
// included). ERROR_NO_MORE_ITEMS past the last one, ERROR_MORE_DATA when the
// name does not fit.
std::uint32_t RegEnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size);
// The name of the value at index. *nameSize is the capacity on entry and the
// name's length (without terminator) on return. type, data and dataSize may be
// null; with data given, *dataSize works as in RegQueryValueEx.
std::uint32_t RegEnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize);

// Receives the store's reports (a damaged file moved aside, a failed save).
// Without a hook they go to stderr. The hook is called without the store's
// lock held. Returns the hook it replaces.
using RegistryReportFunction = void (*)(const char* text);
RegistryReportFunction RegistrySetReportHook(RegistryReportFunction hook);

// Saves every root with unsaved changes; ERROR_CANTWRITE when one failed.
std::uint32_t RegistryStoreSave();
// Saves, then forgets the in-memory tree: the next use reads the files again.
// Handles still open answer ERROR_KEY_DELETED.
void RegistryStoreUnload();
// Unloads, then keeps the store's files in folder (with a trailing '/')
// instead of the per-user config folder; an empty folder goes back to it.
void RegistryStoreSetFolder(const std::string& folder);
// Path of a root's store file in the current folder.
std::string RegistryStoreFilePath(HKEY root);

// Lets tests make chosen key operations fail as a real registry can (a key
// whose rights forbid it). The function sees each RegOpenKey ("open") and
// RegDeleteKey ("delete") with the '\\'-separated path of the key below its
// root, and answers ERROR_SUCCESS to let it run or the error to give
// instead. Null removes it.
using RegistryFaultFunction = std::uint32_t (*)(const char* operation, const char* path);
void RegistrySetFaultFunction(RegistryFaultFunction fault);

// The write(2) the store saves through; tests install a failing one. Null
// restores write(2).
using RegistryWriteFunction = ssize_t (*)(int fd, const void* data, std::size_t size);
void RegistrySetWriteFunction(RegistryWriteFunction write);
