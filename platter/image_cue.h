#pragma once
// The CUE file the image drive writes beside its data file. One FILE for the
// whole disc (libcdio reads one data file, named like the CUE file); a gap
// is silence in the data file under the next track's INDEX 00, since libcdio
// does not read PREGAP or POSTGAP; CD-Text titles as TITLE lines in ISO 8859-1
// ('?' for a character it lacks).

#include <string>

#include "platter/write_plan.h"

// The CUE text for a written plan; titles only when the plan asks for
// CD-Text. binName is the data file's name, without a folder.
std::string MakeImageCue(const TWritePlan& plan, const std::string& binName);

// "mm:ss:ff" of a sector count (75 frames a second).
std::string CueTime(std::int64_t sectors);
