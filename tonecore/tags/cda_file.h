#pragma once
// CD-audio track files (".cda"): the small RIFF files of form "CDDA" that
// other systems show for each track of an audio CD. Their "fmt " chunk holds
// the track number and where the track lies on the disc, so that such a
// file can be mapped to a track of the CD in the drive.

#include <cstdint>

class CRefObj;

// The first 24 bytes of the "fmt " chunk, little-endian.
struct TCdaTrackRecord {
    std::uint16_t version = 0;
    std::uint16_t trackNumber = 0;
    std::uint32_t volumeSerial = 0;
    std::uint32_t startSectors = 0;
    std::uint32_t lengthSectors = 0;
    std::uint8_t startFrame = 0;  // CD time: minutes, seconds and frames of 1/75 s
    std::uint8_t startSecond = 0;
    std::uint8_t startMinute = 0;
    std::uint8_t lengthFrame = 0;
    std::uint8_t lengthSecond = 0;
    std::uint8_t lengthMinute = 0;
};

inline constexpr int kCdaTrackRecordBytes = 24;

class CCDAParser {
public:
    // Opens the file read-only, parses it and closes it; 0 when it cannot be
    // opened.
    int Parse(const char* path);
    // Non-zero when the stream is a "CDDA" form whose "fmt " chunk holds a
    // whole record. A wrong form or no "fmt " chunk leave the parser as it
    // was; a chunk shorter than a record clears the valid flag.
    int Parse(CRefObj* stream);

    int ValidData() const { return valid_; }
    int TrackNum() const { return record_.trackNumber; }
    // The track's start and length on the disc in milliseconds.
    std::int32_t TrackOffset() const;
    std::int32_t TrackLength() const;
    const TCdaTrackRecord& Record() const { return record_; }

private:
    int valid_ = 0;
    TCdaTrackRecord record_;
};
