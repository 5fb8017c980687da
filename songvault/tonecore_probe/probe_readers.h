#pragma once
// The format readers behind CTonecoreSongProbe, one per kind of file.

#include <climits>
#include <cstdint>

#include "songvault/song_probe.h"

class CFileObj;
struct TMusicInfo;

namespace tonecoreprobe {

// Each reads the open file from its start; false when it is not a file of
// that kind.
bool ProbeMp3(CFileObj& file, TSongProbeResult& result);
bool ProbeWav(CFileObj& file, TSongProbeResult& result);
bool ProbeWma(CFileObj& file, TSongProbeResult& result);

// The texts, numbers and tag kind of the engine's tag record.
void TakeTags(const TMusicInfo& tags, TSongProbeResult& result);

// A count worked out from a file's numbers (a length, a bitrate), held at
// the largest value its 32-bit field takes rather than wrapped around.
inline std::int32_t Saturated(std::int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < 0 ? 0 : static_cast<std::int32_t>(value);
}

// A year or track number of a tag: 0 (none) unless it fits the record's
// 16-bit field as a positive number.
inline std::int16_t TagNumber(std::int64_t value) {
    return value > 0 && value < 0x8000 ? static_cast<std::int16_t>(value) : 0;
}

}  // namespace tonecoreprobe
