#pragma once
// The defaults of the preferences that depend on the machine: the user's
// folders, the program's own folders and the folders an import never
// searches. Each folder comes with '/' separators.

#include <string>
#include <vector>

// The program's private folder for temporary files: "marovelle_temp" in the
// per-user cache folder (in the program's folder when there is none), made
// readable by this user alone when missing. Empty when neither is known.
std::string DefaultTempFolder();
// The user's documents folder; the current folder when that is no folder.
std::string DefaultDocumentsFolder();
// The user's music folder with a trailing '/', made when missing; the
// documents folder when it cannot be made.
std::string DefaultRipFolder();
// The per-user data folder (it holds the song database), with a trailing '/'.
std::string DefaultLibraryFolder();
// System trees that hold no songs of the user's.
const std::vector<std::string>& DefaultExcludedFolders();
