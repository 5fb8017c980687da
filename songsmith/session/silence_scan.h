#pragma once
// Finding where a song's sound starts and ends from its peaks: one byte per
// block of the song, each the block's loudest level. The peaks come from
// memory or from the song's peaks file, whose peak i is byte 12 + i.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The first and the last peak of a range that are louder than a threshold;
// both the same index when the range holds no such peak (silence).
struct TSoundEdges {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool Silent() const { return first == last; }
};

// Scans peaks (peak `from` first) forward from the start and backward from
// the end. Neither scan passes the other, so a silent range or an empty one
// ends the scans inside it.
TSoundEdges FindSoundEdges(std::span<const std::uint8_t> peaks, std::uint32_t from,
                           int threshold);

// Reads peaks from .. to (inclusive) of a peaks file into out; a file cut
// short gives only the peaks it holds. False when the file does not open.
bool ReadPeakRange(const std::string& path, std::uint32_t from, std::uint32_t to,
                   std::vector<std::uint8_t>& out);
