#pragma once
// Moving a song's file into the desktop trash, laid out as freedesktop.org's
// Trash document describes, so the desktop's file manager lists it and can
// put it back.

#include <string_view>

namespace songvault {

// Moves the file at path (absolute) into the trash of its file system: the
// user's own trash ($XDG_DATA_HOME/Trash) when the file is on the same file
// system, else the trash at the top of the file's mount ($topdir/.Trash/$uid
// when the administrator provides one, else $topdir/.Trash-$uid). The info
// file is made first (exclusively, under a name no other trashed file has),
// then the file is renamed into place; files are never copied between file
// systems. True when the file is in the trash. False, with
// SONGVAULT_ERR_FILE_TRASH and the file where it was (and no info file
// left), when any step fails.
bool MoveFileToTrash(std::string_view path);

}  // namespace songvault
