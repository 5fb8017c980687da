#pragma once
// The "LIST" chunk of type "INFO" of a WAV file: the song's texts as RIFF
// INFO sub-chunks (title "INAM", artist "IART", album "IALB", comment
// "ICMT", copyright "ICOP", encoded by "IENG", year "ICRD", genre "IGNR",
// track "ITRK"), the CD identifier ("IMCD") and the writing software
// ("ISFT"). Reading takes every value within its sub-chunk's bytes; texts
// are UTF-8, or Windows-1252 as older programs wrote them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tonecore/tags/music_info.h"

class CRIFF;

// Appends the list through a RIFF writer positioned at the end of its form.
// The texts are written when info is given and carries a tag (tag type not
// 0); "ISFT" always. Returns the bytes the list adds, or -1 when a chunk
// could not be written; *done (when not null) tells whether the list header
// was written (when not, 0 is returned and nothing else is written). A genre
// number is written as "(n)" into info's genre text.
std::int64_t WriteWaveInfoList(CRIFF& riff, const char* software, int* done, TMusicInfo* info);

// One sub-chunk of an INFO list as the file holds it.
struct TWaveInfoItem {
    std::uint32_t id;
    std::string bytes;
};

// The sub-chunks of an INFO list's items (the list's data after its type),
// as far as the bytes present hold them.
std::vector<TWaveInfoItem> SplitWaveInfoList(std::string_view items);

// Appends an INFO list for an edit of the fields named (ETagField bits):
// the kept sub-chunks as they are, but for those of the named fields, which
// take info's values (an empty value none). The bytes the list adds, or -1.
std::int64_t WriteWaveInfoListEdit(CRIFF& riff, const std::vector<TWaveInfoItem>& kept, std::uint32_t fields,
                                   TMusicInfo& info);

// Fills info from the RIFF file's first "INFO" list; false when it has none.
// Each recognised sub-chunk sets the tag type to TAG_TYPE_WAV_INFO.
bool ReadWaveInfoList(CRIFF& riff, TMusicInfo& info);

// One sub-chunk's bytes into info; false when the id is not one of the ten
// read.
bool TakeWaveInfoField(std::uint32_t id, std::string_view bytes, TMusicInfo& info);
