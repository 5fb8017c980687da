#pragma once
// Folders the user adds to the lists the preferences keep (the library
// import's favourite and excluded folders). The lists store each path in a
// 260-byte record, with a trailing '/' so that a folder never matches a
// sibling whose name merely starts the same way. Paths compare byte for
// byte, case included, as the file system names them.

#include <string>

class CLastDirList;

// The warning shown for a folder whose path would not fit a record.
inline constexpr const char* kFolderTooLongKey = "PREFI_FolderTooLong";

// path with a '/' appended unless it already ends with one.
std::string WithTrailingSlash(std::string path);

// True when path, with its terminating zero, fits a 260-byte path record.
bool FitsPathRecord(const std::string& path);

// Asks for a folder through the UI services (title from titleKey, starting
// at startFolder) and gives it with a trailing '/'. Empty when the user
// cancelled, and empty after the kFolderTooLongKey warning when the path
// would not fit a record: a cut path would name another folder.
std::string ChooseListFolder(void* owner, const char* titleKey, const char* startFolder);

// True when path lies inside folder (or is it): its first bytes are folder's.
bool IsInFolder(const char* path, const std::string& folder);

// Whether any folder of list lies inside folder, and removing all of them.
bool HasFoldersIn(const CLastDirList& list, const std::string& folder);
void RemoveFoldersIn(CLastDirList& list, const std::string& folder);
