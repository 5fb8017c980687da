// The texts and numbers of the engine's tag record, as the song record takes
// them.
#include "songvault/tonecore_probe/probe_readers.h"
#include "tonecore/tags/music_info.h"

namespace tonecoreprobe {

void TakeTags(const TMusicInfo& tags, TSongProbeResult& result) {
    result.title = tags.title;
    result.artist = tags.artist;
    result.album = tags.album;
    result.comment = tags.comment;
    result.genre = tags.genreIndex >= 0 && tags.genreIndex <= 255 ? static_cast<std::int16_t>(tags.genreIndex) : 255;
    result.year = TagNumber(tags.year);
    result.track = TagNumber(tags.trackNumber);
    result.trackCount = TagNumber(tags.trackCount);
    result.tagType = tags.tagType;
}

}  // namespace tonecoreprobe
