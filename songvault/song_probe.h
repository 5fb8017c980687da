#pragma once
// What the import needs to know of a song file, and the interface that finds
// it out. The library reads no sound formats itself: the program hands it a
// probe (over the sound engine's tag and format readers), tests a table.

#include <cstdint>
#include <string>

struct TSongProbeResult {
    std::string title;  // UTF-8; empty when the file has no title
    std::string artist;
    std::string album;
    std::string comment;
    std::int16_t genre = 255;  // ID3v1 genre number, 255 none
    std::int16_t year = 0;
    std::int16_t track = 0;
    std::int16_t trackCount = 0;
    std::int32_t lengthMs = 0;
    std::int16_t format = 0;  // SVT_FORMAT_*
    std::int32_t sampleRateHz = 0;
    std::int32_t bitRateKbps = 0;
    std::int32_t tagType = 0;  // where the tags came from (0: none)
};

class ISongProbe {
public:
    virtual ~ISongProbe() = default;
    // Fills result (default-constructed by the caller) from the file at
    // path; false when the file is not a song the probe can read. Called
    // from several threads at once (the import walk beside single-file
    // imports), so an implementation keeps no state between calls.
    virtual bool Probe(const char* path, TSongProbeResult& result) = 0;
};
