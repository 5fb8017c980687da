#pragma once
// The user's special folders (desktop, documents, music, pictures,
// application data, cache) by the shell folder numbers the program uses, found through
// the XDG base and user folders.

// Shell folder numbers, in the numbering the callers pass.
inline constexpr int kShellFolderDesktop = 0;
inline constexpr int kShellFolderDocuments = 5;
inline constexpr int kShellFolderMusic = 13;
inline constexpr int kShellFolderAppData = 26;
inline constexpr int kShellFolderInternetCache = 32;
inline constexpr int kShellFolderCommonAppData = 35;
inline constexpr int kShellFolderPictures = 39;

// out = the folder of the given number without a trailing '/': desktop,
// documents, music and pictures from $XDG_DESKTOP_DIR (and the others of the
// kind) or the user-dirs.dirs file of the XDG config folder (the desktop
// falls back to ~/Desktop, music to ~/Music); application data from $XDG_DATA_HOME or ~/.local/share, for
// this user alone also the "all users" one; the cache from $XDG_CACHE_HOME
// or ~/.cache. With create set a missing folder is made with its parents.
// False for a null out, a size below 1, an unknown number, a folder that is
// not configured or a path that does not fit size bytes (out empty).
bool GetSpecialFolderPath(char* out, int size, int folderId, bool create);

bool GetInternetCachePath(char* out, int size);  // never creates
bool GetMyPicturesPath(char* out, int size, bool create);
bool GetMyMusicPath(char* out, int size, bool create);
bool GetCommonAppDataPath(char* out, int size, bool create);
bool GetCurrentUserAppDataPath(char* out, int size, bool create);

// The documents folder; the home folder when none is configured. With
// create set a missing folder is made, and "/" given when that fails. False
// only for a null out or a size below 1.
bool GetMyDocumentsPath(char* out, int size, bool create);
