#pragma once
// A look at an MP3 (MP2, MP1) file without decoding it: the first audio
// frame after any ID3 v2 tag, the format of the first ten frames, a variable
// bitrate found by that scan or announced by a Xing header, an ID3 v1 tag at
// the end, and the bitrate, length and frame count derived from them.

#include <cstddef>
#include <cstdint>

#include "tonecore/tags/id3v1.h"

class CRefObj;

// One 4-byte MPEG audio frame header, read big-endian (ISO/IEC 11172-3 and
// 13818-3 clause 2.4.2.3; bit 31 first).
class CFrameHeader {
public:
    // The word from 4 bytes, most significant first.
    void loadHeader(const char* bytes);
    // 1 when the sync bits are set, the version is not reserved, the layer
    // is not 0, the bitrate index is neither 0 nor 15, the frequency index is
    // not 3 and the emphasis is not 2; else 0.
    int isValidHeader() const;

    // 2.5, 0 (reserved), 2.0 or 1.0.
    float getVersion() const;
    // 1, 2 or 3 (4 - the layer index).
    int getLayer() const;
    // kbit/s; 0 for index 0.
    int getBitrate() const;
    // Hz; 0 for the reserved version.
    int getFrequency() const;
    // "Stereo", "Joint Stereo", "Dual Channel" or "Single Channel".
    void getMode(char* out, std::size_t outSize) const;
    // Bytes of the frame, header included: the standard's length, with 576
    // samples (half the bytes) in MPEG 2 and 2.5 layer III frames.
    int getFrameLength() const;

    int getFrameSync() const { return static_cast<int>(word_ >> 21); }
    // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1.
    int getVersionIndex() const { return Bits(19, 2); }
    // 1 layer III, 2 layer II, 3 layer I.
    int getLayerIndex() const { return Bits(17, 2); }
    int getProtectionBit() const { return Bits(16, 1); }
    int getBitrateIndex() const { return Bits(12, 4); }
    int getFrequencyIndex() const { return Bits(10, 2); }
    int getPaddingBit() const { return Bits(9, 1); }
    int getPrivateBit() const { return Bits(8, 1); }
    // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel.
    int getModeIndex() const { return Bits(6, 2); }
    int getModeExtIndex() const { return Bits(4, 2); }
    int getCoprightBit() const { return Bits(3, 1); }
    int getOrginalBit() const { return Bits(2, 1); }
    int getEmphasisIndex() const { return Bits(0, 2); }

    std::uint32_t Word() const { return word_; }

private:
    int Bits(int low, int count) const { return static_cast<int>((word_ >> low) & ((1u << count) - 1)); }

    std::uint32_t word_ = 0;
};

// The frame count of a Xing header, -1 when unknown.
class CVBitRate {
public:
    // 1 when the 12 bytes begin with "Xing" (the count is then taken when
    // bit 0 of the flags is set), else 0; the count is -1 unless taken.
    int loadHeader(const char* bytes);
    std::int32_t getNumberOfFrames() const { return frames_; }

private:
    std::int32_t frames_ = -1;
};

class CMP3Info : public CFrameHeader {
public:
    // loadInfo results.
    static constexpr int kLoaded = 0;
    static constexpr int kNoStream = 2;
    static constexpr int kNoFrame = 4;

    // 0, or 2 for a null stream, 4 when no valid frame header is found.
    int loadInfo(CRefObj* stream);
    // Reads the ID3 v1 tag at the end of a stream whose size is known; 1
    // when there is one (tag size 128, tag type 1).
    int getID3InfoOnly(CRefObj* stream);

    // kbit/s: from the Xing frame count and the audio data's size when
    // there is a count, else the first frame's.
    int getBitrate() const;
    // Bytes of audio data per second, exact for a file with a frame count
    // (the data's size over frames x samples per frame / rate); the first
    // frame's bitrate otherwise.
    double AverageBytesPerSecond() const;
    // 0 when no bitrate is known.
    int getLengthInSeconds() const;
    double GetAverageFrameSize() const;
    int getNumberOfFrames() const;
    // "MPEG 1 Layer III".
    void getVersion(char* out, std::size_t outSize) const;
    float getZeVersion() const { return CFrameHeader::getVersion(); }
    int Channels() const { return getModeIndex() == 3 ? 1 : 2; }

    void getTitle(char* out, std::size_t outSize) const { id3_.getTitle(out, outSize); }
    void getArtist(char* out, std::size_t outSize) const { id3_.getArtist(out, outSize); }
    void getAlbum(char* out, std::size_t outSize) const { id3_.getAlbum(out, outSize); }
    void getComment(char* out, std::size_t outSize) const { id3_.getComment(out, outSize); }
    // The genre's text, in 256 bytes.
    void getGenre(char* out);
    const char* TitleString() const { return id3_.TitleString(); }
    const char* ArtistString() const { return id3_.ArtistString(); }
    const char* AlbumString() const { return id3_.AlbumString(); }
    int getGenreIndex() const { return id3_.getGenreIndex(); }
    int getYear() const { return id3_.getYear(); }
    int getTrackNumber() const { return id3_.getTrackNumber(); }
    const CId3Tag& Id3v1() const { return id3_; }

    int Private() const { return getPrivateBit(); }
    int Copyrighted() const { return getCoprightBit(); }
    int Original() const { return getOrginalBit(); }

    std::int64_t getFileSize() const { return fileSize_; }
    std::int64_t DataStart() const { return dataStart_; }
    std::int64_t DataEnd() const { return dataEnd_; }
    std::int64_t DataSize() const { return dataEnd_ - dataStart_; }
    int GetTagSize() const { return tagSize_; }
    int isTagged() const { return id3v1Tagged_ ? 1 : 0; }
    int GetTagType() const { return tagType_; }
    int isVBitRate() const { return xingHeader_ || vbrByScan_ ? 1 : 0; }
    int HasXingHeader() const { return xingHeader_ ? 1 : 0; }
    int BestSamplingRate() const { return bestSamplingRate_; }
    int BestMode() const { return bestMode_; }
    int BestNumChannels() const { return bestNumChannels_; }
    int BestBitrate() const { return bestBitrate_; }
    std::int32_t XingFrameCount() const { return vbr_.getNumberOfFrames(); }

private:
    void ScanFrames(std::int64_t from);
    void ReadXingHeader();
    void ReadId3v1();
    bool UsableXingCount() const;
    // Seconds of the Xing frame count; 0 without a usable count.
    double XingSeconds() const;
    // Bytes per bitrate-per-frequency unit of one frame: 48 for layer I
    // (12 slots of 4 bytes), 72 for MPEG 2 and 2.5 layer III, 144 otherwise.
    int FrameSizeFactor() const;
    // kbit/s of the summary's header: a free-format stream's as its frame
    // size gives it, else the header's own.
    int HeaderBitrate() const;

    CVBitRate vbr_;
    CId3Tag id3_;
    bool xingHeader_ = false;
    bool vbrByScan_ = false;
    bool id3v1Tagged_ = false;
    int tagType_ = 0;
    CRefObj* stream_ = nullptr;  // not owned
    std::int64_t fileSize_ = 0;
    std::int64_t dataStart_ = 0;
    std::int64_t dataEnd_ = 0;
    int tagSize_ = 0;
    int bestSamplingRate_ = 1;
    int bestMode_ = 3;
    int bestNumChannels_ = 1;
    int bestBitrate_ = 0;
    // Where the summary's header was found.
    std::int64_t headerOffset_ = -1;
    // A free-format stream (bitrate index 0): its frames' size without
    // padding and the bitrate that size gives; 0 for any other stream.
    std::int64_t freeFormatBytes_ = 0;
    int freeFormatKbps_ = 0;
};
