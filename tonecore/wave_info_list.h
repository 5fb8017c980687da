#pragma once
// The "LIST" chunk of type "INFO" at the end of a WAV file: the song's texts
// as RIFF INFO sub-chunks ("INAM" title, "IART" artist, ...), the CD
// identifier ("IMCD") and the writing software ("ISFT").

#include <cstdint>

class CRIFF;
struct TMusicInfo;

// Appends the list through a RIFF writer positioned at the end of its form.
// The texts are written when info is given and carries a tag (tag type not
// 0); "ISFT" always. Returns the bytes the list adds, or -1 when a chunk
// could not be written; *done (when not null) tells whether the list header
// was written (when not, 0 is returned and nothing else is written). A genre
// number is written as "(n)" into info's genre text.
std::int64_t WriteWaveInfoList(CRIFF& riff, const char* software, int* done, TMusicInfo* info);
