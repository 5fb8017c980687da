#pragma once
// The temporary file a tag save writes beside its song, and the removal of
// those that a killed save left behind. Each is named "<song>.tagsave-" and
// six characters (the song's name cut short where the whole would pass the
// 255 bytes a folder entry takes), and locked (flock) by its writer for as long as the save
// runs, so a file of that name that nobody holds locked is a leftover.

#include <string>

// Makes a fresh temporary file beside songPath, locked for the caller. The
// result is the write descriptor (-1 on failure) and temp its name; the
// lock lasts while lockHolder (a second descriptor of the same open file,
// -1 where the file system takes no locks) stays open, so the write
// descriptor can be closed first.
int MakeTagTempFile(const std::string& songPath, std::string& temp, int& lockHolder);

// Removes the leftovers of earlier saves of songPath: the files of the
// temporary name that no running save holds locked.
void RemoveStaleTagTempFiles(const std::string& songPath);
