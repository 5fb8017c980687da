#pragma once
// The song information a WAV file carries in its "LIST" "INFO" chunk: one
// sub-chunk per field (title "INAM", artist "IART", album "IALB", comment
// "ICMT", copyright "ICOP", encoded by "IENG", year "ICRD", genre "IGNR",
// track "ITRK", CD identifier "IMCD"). Every value is read within its
// sub-chunk's bytes; texts are UTF-8, or Windows-1252 as older programs
// wrote them.

#include <cstdint>
#include <string_view>

#include "tonecore/music_info.h"

class CRIFF;

// Fills info from the RIFF file's first "INFO" list; false when it has none.
// Each recognised sub-chunk sets the tag type to TAG_TYPE_WAV_INFO.
bool ReadWaveInfoList(CRIFF& riff, TMusicInfo& info);

// One sub-chunk's bytes into info; false when the id is not one of the ten.
bool TakeWaveInfoField(std::uint32_t id, std::string_view bytes, TMusicInfo& info);
