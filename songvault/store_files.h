#pragma once
// The files of one store on disk: the store's file and the companions the
// database engine keeps beside it while it works (its write-ahead log, the
// log's shared index, a rollback journal). They belong together: a
// companion read beside another store's file would be applied to it.

#include <cstdint>
#include <string>

namespace songvault {

// The suffixes of the companion files.
inline constexpr const char* kCompanionSuffixes[] = {"-wal", "-shm", "-journal"};

// Size of a file in bytes; -1 when it does not exist or cannot be read.
std::int64_t FileSize(const std::string& path);

// True when a companion of the store's file holds data (a log or a journal
// that has not been applied).
bool CompanionsHoldData(const std::string& storePath);

// Deletes the store's file and its companions. True when none of them
// exists afterwards.
bool DeleteStoreFiles(const std::string& storePath);

// Renames the store's file and its companions to storePath + "." + why +
// "-" + a time stamp (+ "-n" when that name is taken) + their suffix, so the
// set stays together and can still be opened as one. aside receives the new
// name of the store's file. False when a file could not be moved; those
// already moved are put back.
bool MoveStoreAside(const std::string& storePath, const char* why, std::string& aside);

// Renames a set moved aside back to its own name (undoing MoveStoreAside).
void PutStoreBack(const std::string& aside, const std::string& storePath);

// Keeps a store under an aside name (as MoveStoreAside names it) while its
// file also stays at storePath: the file gets a second name (a hard link) and
// the companions are moved. A file about to be replaced by a rename thus
// never leaves storePath without a store. False, with nothing changed, when
// the file system has no hard links or a step fails.
bool LinkStoreAside(const std::string& storePath, const char* why, std::string& aside);

// Undoes LinkStoreAside: the companions go back, the second name goes.
void UnlinkStoreAside(const std::string& aside, const std::string& storePath);

// Flushes a file's data to the disk.
bool SyncFile(const std::string& path);
// Flushes a folder's entries (a rename in it) to the disk.
bool SyncFolder(const std::string& folder);

// The folder part of a path, with its trailing '/'.
std::string FolderOf(const std::string& path);

// True when both name the same existing folder (by device and inode, so
// different spellings of one folder agree).
bool IsSameFolder(const std::string& a, const std::string& b);

}  // namespace songvault
