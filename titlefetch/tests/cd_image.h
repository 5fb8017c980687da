#pragma once
// BIN/CUE images for the track-time tests: a CUE text and a data file of
// zeroed raw sectors, made sparse, so even a long layout costs no disk.
// Only the table of contents matters here, never the audio.

#include <cstdint>
#include <string>
#include <vector>

namespace cdimage {

struct TImageTrack {
    bool data = false;
    // Sectors the track holds.
    std::int32_t sectors = 0;
    // Zeroed sectors before the track that belong to no track of the image
    // (where a later session's lead-in would lie); they count to the
    // previous track in libcdio's view.
    std::int32_t gapBefore = 0;
};

// Writes folder/name.cue and folder/name.bin with the tracks back to back
// from the image's first sector. Returns the CUE file's path.
std::string WriteImage(const std::string& folder, const std::string& name, const std::vector<TImageTrack>& tracks);

// The same with the CUE text given and a data file of the given sectors.
std::string WriteImage(const std::string& folder, const std::string& name, const std::string& cueText,
                       std::int64_t binSectors);

}  // namespace cdimage
