#pragma once
// Moving a song's file into the desktop trash.

#include <string_view>

namespace songvault {

// True when the file is in the desktop trash afterwards. The desktop trash
// is not reachable from this library yet: the answer is false, with
// SONGVAULT_ERR_FILE_TRASH, and the file stays where it is.
bool MoveFileToTrash(std::string_view path);

}  // namespace songvault
