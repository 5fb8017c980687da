#pragma once
// Where the system's per-user files and read-only resources live.
//
// Per-user folders: with $SONGSMITH_HOME set (tests set it to a scratch
// folder) they are its "config", "data" and "cache" sub-folders; otherwise
// the XDG base folders ($XDG_CONFIG_HOME, $XDG_DATA_HOME, $XDG_CACHE_HOME, or
// their defaults under $HOME) with a "songsmith" sub-folder. Each function
// creates its folder when missing and returns it with a trailing '/', or an
// empty string when no folder could be determined or made.
//
// Resources (keyed text files, templates) lie beside the executable in a
// build tree and in ../share/songsmith/ relative to it when installed.

#include <string>
#include <string_view>

std::string GetUserConfigDir();
std::string GetUserDataDir();
std::string GetUserCacheDir();

// Folder of the running executable, with a trailing '/'.
std::string GetExecutableDir();

// Full path of a read-only resource file: beside the executable first, then
// in ../share/songsmith/. Empty when neither holds it.
std::string FindResourceFile(std::string_view name);

// Creates a folder and its missing parents. True when it exists afterwards.
bool MakeFolderPath(const std::string& path);
