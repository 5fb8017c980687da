#pragma once
// How the disc writer is to read a track's file: as MP3 or as WAV. A
// converted track is a WAV file; a song written as it is keeps its own
// kind; a local copy of a song (named ".tmm" whatever the song was) is the
// kind of the song it copies.

#include <string>

// file: the file the track is written from (its temporary file, else its
// song); song: the song's own path.
bool BurnFileIsMp3(const std::string& file, const std::string& song);
