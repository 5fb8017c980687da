#pragma once
// ACMObject: the decoding object for compressed sources. It converts a
// compressed format (anything the codec layer decodes) into PCM through a
// codec-layer stream, scans a whole source once for its length, peaks and
// seek map, and is the base of the MP3 and WMA decoding objects, which
// replace its virtual operations. A WAV conversion target uses one in the
// other direction, PCM to another PCM format (use kAcmUseEncode).
//
// The object is closed after construction; EnableStream(1) opens its
// codec-layer stream, EnableStream(0) and destruction close it. The source
// format is the object's own copy, bounded by the bytes the caller had.

#include <cstdint>
#include <vector>

#include "platform/codec_layer.h"
#include "platform/wave_format.h"

class CACMBuffer;
class CPeaks;
class CRefObj;
class CSeekMap;

// Conversion flags: the first block after the stream was (re)started, and
// every block after it.
enum TConversionFlag : std::int32_t {
    kConversionFirst = 1,
    kConversionNext = 2,
};

// What the object is for (stored and copied only).
inline constexpr std::uint32_t kAcmUseDecode = 1;
inline constexpr std::uint32_t kAcmUseEncode = 2;

// The scan's progress callback: called with the source bytes a pass took.
// 0 cancels the scan; -1 holds it (the scan then calls again with 0, reading
// nothing, until another answer); anything else goes on.
using TScanProgress = int (*)(std::uint32_t count, void* context);

class ACMObject {
public:
    // source: the record followed by its cbSize extension bytes.
    ACMObject(const WAVEFORMATEX* source, std::uint32_t use);
    // The same for a record read from a file: only formatBytes bytes are at
    // source, so at most formatBytes - 18 extension bytes are copied and
    // the copy's cbSize says how many were.
    ACMObject(const WAVEFORMATEX* source, std::uint32_t formatBytes, std::uint32_t use);
    // Copies both formats, use, bit rate, frequency and best bit rate; the
    // copy's stream is closed.
    ACMObject(const ACMObject& other);
    // Two objects never share a stream or a format: no assignment.
    ACMObject& operator=(const ACMObject&) = delete;
    virtual ~ACMObject();

    // A new object by the copy constructor; null when out of memory.
    virtual ACMObject* Copy();
    // 1: the source is decoded through the codec layer.
    virtual int IsACM();
    virtual int ACMDriverInstalled();
    // 1 (nothing to do).
    virtual int ActivateDriver(int on);
    // Asks the codec layer for the PCM this source decodes to. 0 while the
    // stream is open, or when no driver decodes the source (the destination
    // is then null).
    virtual int SuggestPCMFormat();
    // Stores a copy of destination (18 + cbSize bytes). 0 while the stream
    // is open.
    virtual int SetDestFormat(const WAVEFORMATEX* destination);
    // "<tag name>, <rate> kHz, ..." for the source (SoundFormatToString with
    // the driver's tag name) into out. 0, with out untouched, without an
    // open stream or when the driver has no name for the tag.
    virtual int GetSrcFormatStr(char* out, std::int32_t size);
    // Opens (on) or closes the stream. 0 when it cannot be opened.
    virtual int EnableStream(int on);
    // Decoded bytes for sourceBytes (a fraction for small counts, since the
    // codec answers whole blocks only); 0.0 for 0 or when the codec cannot
    // size it.
    virtual double GetConvertedBufferSize(std::int64_t sourceBytes);
    // Source bytes for decodedBytes; 0 for 0 or when the codec cannot size it.
    virtual std::int64_t GetSourceBufferSize(std::int64_t decodedBytes);
    // The format's block alignment.
    virtual std::int32_t BlockSize(const WAVEFORMATEX* format);
    // Scans the source's data (dataStart to dataEnd, end not included) once:
    // length in ms, peaks and seek map, each when asked for. See the file
    // comment of acm_object_scan.cpp for the passes.
    virtual void ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks, std::int32_t* lengthMs,
                                   std::int64_t* bytesDone, std::int64_t dataStart, std::int64_t dataEnd,
                                   int cancelled, int scanA, int buildPeaks, int buildSeekMap,
                                   std::int32_t msPerPeak, int scanB, int peaksToFile, TScanProgress progress,
                                   void* context);
    // Converts one block: *sourceBytes in, the source bytes used out; the
    // destination bytes made. flag and last are for derived objects.
    virtual std::int64_t Convert(const std::uint8_t* source, std::int64_t& sourceBytes, std::uint8_t*& destination,
                                 std::int64_t destinationBytes, TConversionFlag flag, int last);
    // 1 when the destination is 44100 Hz stereo.
    virtual int FirstFrameDecodesToCDQuality();
    // Hooks for derived objects (nothing here).
    virtual void CheckMinimumSrcSize(std::int64_t* sourceBytes);
    virtual int GetInitialNumOffsetsInRev();
    virtual void AdjustSrcOffset(std::int64_t* sourceOffset);
    virtual bool Resume();
    virtual bool Pause();
    // New decoded-stream buffers for this object's sources.
    virtual CACMBuffer* NewBuffer(CACMBuffer& other);
    virtual CACMBuffer* NewBuffer(CSeekMap* seekMap);

    WAVEFORMATEX* GetSrcFormat() { return FormatOf(source_); }
    // Null until suggested or set.
    WAVEFORMATEX* GetDestFormat() { return FormatOf(destination_); }
    std::int32_t GetBitRate() const { return bitRate_; }
    // Sets the best bit rate too.
    void SetBitRate(std::int32_t bitRate) {
        bitRate_ = bitRate;
        bestBitRate_ = bitRate;
    }
    std::int32_t GetFrequency() const { return frequency_; }
    void SetFrequency(std::int32_t frequency) { frequency_ = frequency; }
    std::int32_t GetBestBitRate() const { return bestBitRate_; }
    void SetBestBitRate(std::int32_t bitRate) { bestBitRate_ = bitRate; }
    std::uint32_t Use() const { return use_; }
    HACMDRIVERID DriverId() const { return driverId_; }
    bool StreamOpen() const { return stream_ != nullptr; }

protected:
    // The codec-layer size of input in the given direction, with the stream
    // opened for the call when it is closed; 0 when that fails.
    std::uint32_t StreamSize(std::uint32_t input, std::uint32_t flags);

private:
    static WAVEFORMATEX* FormatOf(std::vector<std::uint8_t>& bytes) {
        return bytes.empty() ? nullptr : reinterpret_cast<WAVEFORMATEX*>(bytes.data());
    }

    HACMDRIVERID driverId_ = 0;
    HACMSTREAM stream_ = nullptr;
    std::uint32_t use_ = kAcmUseDecode;
    int driverInstalled_ = 1;
    std::vector<std::uint8_t> source_;
    std::vector<std::uint8_t> destination_;
    std::int32_t bitRate_ = 0;
    std::int32_t frequency_ = 0;
    std::int32_t bestBitRate_ = 0;
};

// 1 for a plain PCM source (no decoder) or a decoder that decodes through
// the codec layer; 0 for the others (MP3, WMA).
int IsPCMOrACM(ACMObject* decoder);
// The format's block alignment for a plain PCM source, else the decoder's
// own block size for it.
std::int32_t BlockSize(const WAVEFORMATEX* format, ACMObject* decoder);
