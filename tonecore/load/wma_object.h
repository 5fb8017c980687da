#pragma once
// WMAObject: the decoding object for WMA songs. It decodes through the media
// module's reader, pulled on the caller's thread: each Convert asks the
// reader for decoded samples until the request is met or the song ends, so
// there is no delivery thread, no reader clock and nothing to wait for; the
// object implements none of the reader's callback interfaces. Decoded bytes beyond a request wait in the object's queue for
// the next one.
//
// The object also reads a song's attributes for the initial load (LoadInfo)
// and scans it for its peaks. A seek restarts the reader 100 ms before the
// target and drops the decoded bytes before the target, so decoding goes on
// exactly as a decode from the start would.
//
// Times are 100-nanosecond units where the reader uses them, milliseconds
// elsewhere. Failures leave their code (wma_errors.h) in the thread's last
// error.

#include <cstdint>
#include <string>

#include "tonecore/load/acm_object.h"
#include "platform/types.h"
#include "utilities/byte_queue.h"

class IWMSyncReader;
class IWMHeaderInfo;
struct TMusicInfo;

class WMAObject : public ACMObject {
public:
    // The reader's default overload limit, kept for the settings that read it.
    static constexpr std::uint32_t kDefaultMaxBufferOverload = 1000000;

    // The destination is 16-bit PCM at the source's channels and rate.
    WMAObject(const WAVEFORMATEX* source, std::uint32_t use);
    // The file name, duration, output number and limits; the copy is closed
    // and reopens the file by its name when asked to decode.
    WMAObject(const WMAObject& other);
    WMAObject& operator=(const WMAObject&) = delete;
    ~WMAObject() override;

    ACMObject* Copy() override;
    int IsACM() override { return 0; }
    int ACMDriverInstalled() override { return 1; }
    int ActivateDriver(int /*on*/) override { return 1; }
    int SuggestPCMFormat() override { return 1; }
    // Copies the record's 18 bytes and completes them; 1, also while open.
    int SetDestFormat(const WAVEFORMATEX* destination) override;
    // "FS_WMA_FORMAT" filled with the bit rate and the channel word.
    int GetSrcFormatStr(char* out, std::int32_t size) override;
    // On: opens the reader (0 when that fails). Off does nothing.
    int EnableStream(int on) override;
    double GetConvertedBufferSize(std::int64_t sourceBytes) override;
    std::int64_t GetSourceBufferSize(std::int64_t decodedBytes) override;
    // Block alignment x bit rate / 1000, never below 1.
    std::int32_t BlockSize(const WAVEFORMATEX* format) override;
    // Peaks only; see wma_object_scan.cpp.
    void ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks, std::int32_t* lengthMs,
                           std::int64_t* bytesDone, std::int64_t dataStart, std::int64_t dataEnd, int cancelled,
                           int scanA, int buildPeaks, int buildSeekMap, std::int32_t msPerPeak, int scanB,
                           int peaksToFile, TScanProgress progress, void* context) override;
    // Decoded bytes into destination (at most destinationBytes); the source
    // is not read. flag 1 reopens the song at its start. -1 when nothing can
    // be decoded before the end; 0 at the end.
    std::int64_t Convert(const std::uint8_t* source, std::int64_t& sourceBytes, std::uint8_t*& destination,
                         std::int64_t destinationBytes, TConversionFlag flag, int last) override;
    void CheckMinimumSrcSize(std::int64_t* sourceBytes) override;
    int GetInitialNumOffsetsInRev() override { return -2; }
    void AdjustSrcOffset(std::int64_t* sourceOffset) override;
    // A pulled reader decodes only when asked: pausing and resuming only
    // need a reader to be there.
    bool Resume() override { return reader_ != nullptr; }
    bool Pause() override { return reader_ != nullptr; }
    CACMBuffer* NewBuffer(CACMBuffer& other) override;
    CACMBuffer* NewBuffer(CSeekMap* seekMap) override;
    // Restarts decoding at the time; false past the duration or when the
    // reader cannot be started.
    virtual bool Seek(double milliseconds);

    // The file's attributes into the object and (when given) info; the
    // reader is closed again at the end.
    bool LoadInfo(CRefObj* source, TMusicInfo* info);
    // The source format an object is made with before LoadInfo replaces it
    // with the file's own.
    static WAVEFORMATEX LoadStartFormat();
    // The reader for source's file (null: the name kept from before).
    bool Open(CRefObj* source);
    bool Close();
    // 0 or a failing result (E_FAIL without a reader).
    HRESULT Start(std::uint64_t start);
    HRESULT Stop();

    bool IsOpen() const { return open_; }
    bool IsEOF() const { return endOfFile_; }
    bool IsStarted() const { return started_; }
    std::int64_t GetDuration() const { return static_cast<std::int64_t>(duration_ / kUnitsPerMs); }
    // The song's size at its bit rate: duration x bit rate / 8000, rounded.
    std::int64_t GetDataSize() const;
    std::uint32_t BytesAvailable() { return queue_.TotalBytesAvailable(); }
    std::uint32_t MaxBufferOverload() const { return maxBufferOverload_; }
    void SetMaxBufferOverload(std::uint32_t bytes) { maxBufferOverload_ = bytes; }
    const std::string& FileName() const { return fileName_; }

    static constexpr std::uint64_t kUnitsPerMs = 10000;

private:
    bool OpenReader(CRefObj* source);
    void ReleaseReader();
    // One sample from the reader into the queue; false at the end of the
    // song (the end-of-file flag is then set) or on a failure (result kept).
    bool PullSample();
    // Pulls until the queue holds wanted bytes or the song ends.
    void FillQueue(std::uint32_t wanted);
    // Queues a decoded sample, dropping what lies before a seek target.
    void QueueSample(const BYTE* bytes, std::uint32_t length, std::uint64_t sampleTime);
    bool ReadAttributes(TMusicInfo* info);
    // Holds the stated duration to what the file's size allows.
    void ClampStatedDuration();
    bool TakeOutputFormat();
    void TakeSourceFormat();
    // The bit rate to size blocks by: the file's, else its bytes over its
    // duration, else the decoded PCM's.
    std::int32_t SizingBitRate() const;

    std::string fileName_;
    std::uint64_t lastSampleTime_ = 0;
    std::uint64_t duration_ = 0;
    std::uint16_t audioOutput_ = 0;
    bool started_ = false;
    bool endOfFile_ = false;
    bool open_ = false;
    IWMSyncReader* reader_ = nullptr;
    IWMHeaderInfo* headerInfo_ = nullptr;
    CByteQueue queue_;
    std::uint32_t maxBufferOverload_ = kDefaultMaxBufferOverload;
    std::uint64_t skipCount_ = 0;
    std::uint64_t seekTarget_ = 0;
    bool seekPending_ = false;
    std::int64_t fileBytes_ = 0;
};
