#pragma once
// Rewriting the tag of a WAV song: its "LIST" chunk of type "INFO". The
// WAV converter writes that list only while it writes a new file, so an
// existing song's file is copied chunk by chunk into a temporary file beside
// it, its old INFO lists left out and the new one appended, and the copy is
// renamed over the song: the file is wholly old or wholly new.

struct TMusicInfo;

// False (the file as it was) when the file is not a WAV file that can be
// read whole, or the copy cannot be written or renamed.
bool WriteWaveFileTag(const char* path, TMusicInfo& info);
