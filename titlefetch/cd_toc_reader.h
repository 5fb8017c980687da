#pragma once
// A CD's table of contents read through libcdio, from a drive or from a
// BIN/CUE image, for GetTrackTimes. Addresses are logical block addresses
// as drives report them: the 2-second lead-in included, so the first track
// of a disc usually starts at 150.

#include <cstdint>

typedef struct _CdIo CdIo_t;

class CCdTocReader {
public:
    CCdTocReader() = default;
    ~CCdTocReader();
    CCdTocReader(const CCdTocReader&) = delete;
    CCdTocReader& operator=(const CCdTocReader&) = delete;

    // Opens a drive (its device path), a ".cue" image, or with null the
    // default drive. An image is checked before libcdio reads it: a CUE
    // file of short text and a data file beside it (the same name ending
    // ".bin") that holds at least one sector.
    bool Open(const char* driveText);
    void Close();

    // The disc's tracks as drives number them: firstTrack() to
    // firstTrack() + trackCount() - 1. False when the drive cannot say.
    bool TrackRange(std::int32_t& firstTrack, std::int32_t& trackCount) const;
    // Whether a track holds audio; false when the drive cannot say.
    bool IsAudioTrack(std::int32_t track, bool& audio) const;
    // The first block of a track; false when the drive cannot say.
    bool TrackStart(std::int32_t track, std::int32_t& lba) const;
    // The first block after the last track (the lead-out).
    bool LeadOut(std::int32_t& lba) const;

private:
    CdIo_t* cdio_ = nullptr;
};
