#pragma once
// The format readers behind CTonecoreSongProbe, one per kind of file.

#include "songvault/song_probe.h"

class CFileObj;

namespace tonecoreprobe {

// Each reads the open file from its start; false when it is not a file of
// that kind.
bool ProbeMp3(CFileObj& file, TSongProbeResult& result);
bool ProbeWav(CFileObj& file, TSongProbeResult& result);

}  // namespace tonecoreprobe
