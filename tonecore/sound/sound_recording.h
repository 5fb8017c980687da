#pragma once
// A recording in progress into a sound: the WAVE file it writes ("fmt "
// then a "data" chunk streamed block by block) and, when asked, the peaks
// it builds from the blocks on the way.
//
// Peaks: one value per block of msPerPeak of sound, the block's largest
// sample scaled to 0..255. A block is a whole number of frames, so when
// msPerPeak is not a whole number of frames the blocks are a little short;
// their shortfall is carried, and when it adds up to a whole block that
// block's value is dropped, which keeps the values at msPerPeak apart.

#include <cstdint>
#include <string>
#include <vector>

#include "filekit/riff.h"
#include "platform/wave_format.h"
#include "tonecore/engine/my_array_list.h"

class CRefObj;

class CRecordedPeaks {
public:
    CRecordedPeaks(const WAVEFORMATEX& format, std::int32_t msPerPeak);

    // Walks one recorded block, completing a peak block begun in an earlier
    // one first.
    void Scan(const std::uint8_t* data, std::uint32_t bytes);

    std::uint32_t BlockBytes() const { return blockBytes_; }
    double ExactBlockBytes() const { return exactBlock_; }
    CMyArrayList& Values() { return values_; }
    std::int32_t LargestLeft() const { return largestLeft_; }
    std::int32_t LargestRight() const { return largestRight_; }

private:
    void FinishBlock();

    WAVEFORMATEX format_;
    std::uint32_t pending_ = 0;
    std::uint32_t blockBytes_ = 0;
    double exactBlock_ = 0.0;
    double carry_ = 0.0;
    std::int32_t blockMax_ = 0;
    std::int32_t largestLeft_ = 0;
    std::int32_t largestRight_ = 0;
    CMyArrayList values_;
};

class CSoundRecording {
public:
    // format: the 18-byte record and its cbSize extra bytes.
    CSoundRecording(const std::vector<std::uint8_t>& format, int makePeaks, std::int32_t msPerPeak);
    ~CSoundRecording();
    CSoundRecording(const CSoundRecording&) = delete;
    CSoundRecording& operator=(const CSoundRecording&) = delete;

    // Starts the WAVE file on stream (which it does not own). false when a
    // header could not be written.
    bool Begin(CRefObj* stream);
    // One recorded block: peaks, then the data. true when every byte was
    // written.
    bool Write(const std::uint8_t* data, std::uint32_t bytes);
    // Ends the "data" chunk; its data's stream offset and size.
    bool End(std::int64_t* dataStart, std::int64_t* dataBytes);

    // Null without peaks.
    CRecordedPeaks* Peaks() { return peaks_.empty() ? nullptr : &peaks_.front(); }
    std::int32_t MsPerPeak() const { return msPerPeak_; }

    // The file being recorded under a temporary name, and the name it gets
    // at the end; both empty when recording into memory.
    std::string temporaryPath;
    std::string finalPath;

private:
    std::vector<std::uint8_t> format_;
    // Holds the peaks when they are built (at most one).
    std::vector<CRecordedPeaks> peaks_;
    std::int32_t msPerPeak_;
    CRIFF writer_;
    std::int64_t dataStart_ = 0;
    bool writing_ = false;
};
