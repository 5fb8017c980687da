#pragma once
// ACMObject: the decoding-object family's base. A decoding object turns a
// compressed source (MP3 through XAMObject, compressed WAV through the codec
// layer) into PCM: it is asked once to scan the whole source for its length,
// peaks and seek map (ParseScanAndBuild), and afterwards converts source
// bytes block by block while the sound plays or renders.
//
// This base carries the fields and virtual operations every decoding object
// shares. The codec-layer conversion itself (compressed WAV) is not part of
// this build yet: a plain ACMObject finds no driver for its format, so it
// opens no stream and suggests no PCM format.

#include <cstdint>
#include <vector>

#include "platform/wave_format.h"

class CPeaks;
class CRefObj;
class CSeekMap;

// Passed to Convert: 1 for the first block after the stream was (re)started,
// 2 for every following block.
enum TConversionFlag : std::int32_t {
    CONVERSION_FIRST_BLOCK = 1,
    CONVERSION_NEXT_BLOCK = 2,
};

// Progress of a load or scan: called with 0 at the start and then with the
// source bytes processed. 0 cancels, -1 holds (the next rounds read nothing
// and call again with 0), anything else continues.
using TLoadProgressCallback = int (*)(std::uint32_t bytes, void* context);

// What ParseScanAndBuild works on and hands back.
struct TScanRequest {
    CRefObj* source = nullptr;
    CSeekMap** seekMap = nullptr;  // out: the built map, null when none
    CPeaks** peaks = nullptr;      // out: the built peaks, null when none
    std::int32_t* length = nullptr;     // out: milliseconds
    std::int64_t* bytesDone = nullptr;  // grows by the source bytes consumed
    std::int64_t dataStart = -1;
    std::int64_t dataEnd = -1;  // the first byte not included
    int cancelled = 0;  // in: cancelled before the scan; out: set when the callback cancelled
    int scanA = 0;
    int buildPeaks = 0;
    int buildSeekMap = 0;
    std::int32_t msPerPeak = 0;
    int scanB = 0;  // kept for the decoding objects; none uses it
    int peaksToFile = 0;
    TLoadProgressCallback callback = nullptr;
    void* context = nullptr;
};

class ACMObject {
public:
    // Use: 1 when the object decodes a source, 2 when a conversion target
    // encodes with it.
    static constexpr std::uint32_t kUseDecode = 1;
    static constexpr std::uint32_t kUseEncode = 2;

    // Copies the source format (18 + cbSize bytes).
    ACMObject(const WAVEFORMATEX* source, std::uint32_t use);
    // Copies both formats and the rates; the copy's stream is closed.
    ACMObject(const ACMObject& other);
    // Owned formats are copied, never shared, so either object may die first.
    ACMObject& operator=(const ACMObject& other);
    virtual ~ACMObject();

    virtual ACMObject* Copy();
    virtual int IsACM() { return 1; }
    virtual int ACMDriverInstalled() { return driverInstalled_; }
    virtual int ActivateDriver(int /*on*/) { return 1; }
    // Asks for a PCM destination; 0 while no codec takes the format.
    virtual int SuggestPCMFormat();
    // 0 while the stream is open; else a copy (18 + cbSize bytes) becomes
    // the destination.
    virtual int SetDestFormat(const WAVEFORMATEX* format);
    // One line describing the source; 0 when it cannot be described.
    virtual int GetSrcFormatStr(char* out, std::int32_t size);
    virtual int EnableStream(int on);
    // Decoded bytes for that many source bytes.
    virtual double GetConvertedBufferSize(std::int64_t sourceBytes);
    // Source bytes needed for that many decoded bytes.
    virtual std::int64_t GetSourceBufferSize(std::int64_t decodedBytes);
    virtual std::int64_t BlockSize(const WAVEFORMATEX* format);
    // The whole-source scan: length, peaks and seek map.
    virtual void ParseScanAndBuild(TScanRequest& request);
    // Converts src (srcLen bytes; srcLen gets the bytes taken) into dst,
    // whose size is its capacity; a decoding object may grow it. Returns
    // the decoded bytes written from dst's start.
    virtual std::int64_t Convert(const std::uint8_t* src, std::int64_t& srcLen, std::vector<std::uint8_t>& dst,
                                 TConversionFlag flag, int last);
    // 1 when the destination is 44100 Hz with two channels.
    virtual int FirstFrameDecodesToCDQuality();
    virtual void CheckMinimumSrcSize(std::uint64_t* /*bytes*/) {}
    virtual int GetInitialNumOffsetsInRev() { return 0; }
    virtual void AdjustSrcOffset(std::uint64_t* /*offset*/) {}
    virtual bool Resume() { return true; }
    virtual bool Pause() { return true; }

    WAVEFORMATEX* GetSrcFormat() { return Format(source_); }
    WAVEFORMATEX* GetDestFormat() { return Format(destination_); }
    const WAVEFORMATEX* GetSrcFormat() const { return Format(source_); }
    const WAVEFORMATEX* GetDestFormat() const { return Format(destination_); }
    std::int32_t GetBitRate() const { return bitRate_; }
    // Also sets the best bit rate.
    void SetBitRate(std::int32_t bitsPerSecond);
    std::int32_t GetFrequency() const { return frequency_; }
    void SetFrequency(std::int32_t hz) { frequency_ = hz; }
    std::int32_t GetBestBitRate() const { return bestBitRate_; }
    void SetBestBitRate(std::int32_t bitsPerSecond) { bestBitRate_ = bitsPerSecond; }
    std::uint32_t Use() const { return use_; }

protected:
    // A format's bytes: 18 + cbSize, never less than the record.
    static std::vector<std::uint8_t> FormatBytes(const WAVEFORMATEX* format);
    void ReplaceDestFormat(std::vector<std::uint8_t> bytes) { destination_ = std::move(bytes); }
    bool StreamOpen() const { return streamOpen_; }
    void SetStreamOpen(bool open) { streamOpen_ = open; }

private:
    static WAVEFORMATEX* Format(std::vector<std::uint8_t>& bytes) {
        return bytes.empty() ? nullptr : reinterpret_cast<WAVEFORMATEX*>(bytes.data());
    }
    static const WAVEFORMATEX* Format(const std::vector<std::uint8_t>& bytes) {
        return bytes.empty() ? nullptr : reinterpret_cast<const WAVEFORMATEX*>(bytes.data());
    }

    std::uint32_t driverId_ = 0;
    bool streamOpen_ = false;
    std::uint32_t use_ = kUseDecode;
    int driverInstalled_ = 1;
    std::vector<std::uint8_t> source_;
    std::vector<std::uint8_t> destination_;  // empty until suggested or set
    std::int32_t bitRate_ = 0;
    std::int32_t frequency_ = 0;
    std::int32_t bestBitRate_ = 0;
};
