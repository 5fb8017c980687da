#pragma once
// Rewriting the tag of a WAV song: its "LIST" chunk of type "INFO". The
// WAV converter writes that list only while it writes a new file, so an
// existing song's file is copied chunk by chunk into a temporary file beside
// it, its old INFO lists left out and the new one appended, and the copy is
// renamed over the song: the file is wholly old or wholly new.

// The copy takes the song's mode, owner and group (as far as the user may
// give them); a song reached through a symbolic link is replaced where it
// lies and the link stays.

#include <cstdint>

struct TMusicInfo;

// Writes info's fields named in fields (ETagField bits) into the song's INFO
// list; every other item of the list stays as the file has it.
// kTagFieldsAll writes a new list from info alone. False (the file as it
// was) when the file is not a WAV file that can be read whole, or the copy
// cannot be written or renamed.
bool WriteWaveFileTag(const char* path, TMusicInfo& info, std::uint32_t fields);
