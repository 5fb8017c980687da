#pragma once
// Walking the Layer III frames of an MP3 byte stream, for checks of what
// an encoder wrote.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TFrameInfo {
    std::size_t offset = 0;
    std::size_t length = 0;
    int version = 0;  // 1 MPEG-1, 0 MPEG-2, 2 MPEG-2.5 (the engine's codes)
    int bitrateKbps = 0;
    int rate = 0;
    int mode = 0;  // the header's two mode bits
    bool crc = false;
    bool privateBit = false;
    bool copyright = false;
    bool original = false;
    int emphasis = 0;
};

// Reads one Layer III frame header at offset; false when there is none.
bool ReadFrameHeader(std::string_view bytes, std::size_t offset, TFrameInfo* frame);
// Every frame from offset on, back to back, until the bytes end or stop
// being frames.
std::vector<TFrameInfo> WalkFrames(std::string_view bytes, std::size_t offset);
// Where the audio starts: after a leading ID3 v2 tag, else 0.
std::size_t AudioStart(std::string_view bytes);
// The VBR header tag ("Xing" or "Info") in a frame, and the frame count it
// gives; false when the frame has none.
bool ReadVbrHeader(std::string_view bytes, const TFrameInfo& frame, std::string* tag, std::uint32_t* frames);
