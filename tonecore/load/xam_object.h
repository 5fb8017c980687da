#pragma once
// XAMObject: the decoding object for MPEG audio (MP1, MP2, MP3) sources, over
// the engine's own MPEG audio decoder. For playback it pushes the compressed
// bytes a buffer reads into a streaming decoder (memory input) and takes
// decoded frames out, converting a frame whose rate or channels differ from
// the destination format. For the one-time scan of a song it runs a second
// decoder over the song file itself (file input) to measure the length and
// build the peaks and the seek map (one entry per frame).
//
// The destination is 16-bit PCM at the source format's channels and rate.
// A frame that differs goes through one rate converter per decoding stream,
// restarted whenever the stream is (flag 1 of Convert, that is after every
// seek), so a resampled song loses no samples between frames.

#include <cstdint>
#include <memory>
#include <vector>

#include "tonecore/load/acm_object.h"
#include "tonecore/mpeg/decoder.h"
#include "tonecore/pcm/pcm_convert.h"

class XAMObject : public ACMObject {
public:
    // Channel modes (MPEG header mode field).
    static constexpr std::int32_t kModeStereo = 0;
    static constexpr std::int32_t kModeJointStereo = 1;
    static constexpr std::int32_t kModeDualChannel = 2;
    static constexpr std::int32_t kModeMono = 3;
    // The smallest source read that holds a few frames.
    static constexpr std::int64_t kMinimumSourceBytes = 2048;

    // source: the MPEG layer-3 source format (18 + 14 bytes).
    XAMObject(const WAVEFORMATEX* source, std::uint32_t use);
    // The copy has no decoder, is not enabled, and its channel mode is 0.
    XAMObject(const XAMObject& other);
    // Two objects never share a decoder: no assignment.
    XAMObject& operator=(const XAMObject&) = delete;
    ~XAMObject() override;

    ACMObject* Copy() override;
    int IsACM() override { return 0; }
    int ACMDriverInstalled() override { return 1; }
    int ActivateDriver(int /*on*/) override { return 1; }
    int SuggestPCMFormat() override { return 1; }
    // Takes the first 18 bytes as the destination and completes them as
    // PCM; allowed while the stream is enabled.
    int SetDestFormat(const WAVEFORMATEX* format) override;
    int GetSrcFormatStr(char* out, std::int32_t size) override;
    // 1 makes the streaming decoder on its first call; 0 leaves it.
    int EnableStream(int on) override;
    double GetConvertedBufferSize(std::int64_t sourceBytes) override;
    std::int64_t GetSourceBufferSize(std::int64_t decodedBytes) override;
    // The layer-3 extension's block size (the average frame size); the
    // block alignment for a format without the extension.
    std::int32_t BlockSize(const WAVEFORMATEX* format) override;
    // The whole song decoded once by a second decoder over the song file:
    // one seek-map entry per frame, peaks of the destination PCM.
    void ParseScanAndBuild(CRefObj* source, CSeekMap*& seekMap, CPeaks*& peaks,
                           std::int32_t* lengthMs, std::int64_t* bytesDone, std::int64_t dataStart,
                           std::int64_t dataEnd, int cancelled, int scanA, int buildPeaks,
                           int buildSeekMap, std::int32_t msPerPeak, int scanB, int peaksToFile,
                           TScanProgress progress, void* context) override;
    // Pushes the source bytes into the streaming decoder (sourceBytes gets
    // what it took) and decodes frames into destination. last 0: while one
    // more frame of the last size fits; otherwise until the pushed bytes are
    // used up. Decoded bytes that do not fit are kept and come first in the
    // next call (flag 1 drops them with the rest of the old stream).
    std::int64_t Convert(const std::uint8_t* source, std::int64_t& sourceBytes,
                         std::uint8_t*& destination, std::int64_t destinationBytes,
                         TConversionFlag flag, int last) override;
    int FirstFrameDecodesToCDQuality() override { return firstFrameCDQuality_; }
    void CheckMinimumSrcSize(std::int64_t* sourceBytes) override;
    // A seek through the map starts two frames early: layer III frames
    // borrow main data from the frames before them.
    int GetInitialNumOffsetsInRev() override { return -2; }
    // Starts 4 bytes before the frame, so its header is found by a sync
    // search.
    void AdjustSrcOffset(std::int64_t* sourceOffset) override;

    int IsVBR() const { return vbr_; }
    void SetVBR(int vbr) { vbr_ = vbr; }
    float Version() const { return version_; }
    void SetVersion(float version) { version_ = version; }
    std::int32_t Layer() const { return layer_; }
    void SetLayer(std::int32_t layer) { layer_ = layer; }
    double AverageFrameSize() const { return averageFrameSize_; }
    void SetAverageFrameSize(double bytes) { averageFrameSize_ = bytes; }
    std::int32_t Mode() const { return mode_; }
    void SetMode(std::int32_t mode) { mode_ = mode; }
    void SetFirstFrameDecodesToCDQuality(int flag) { firstFrameCDQuality_ = flag; }

    // Milliseconds per frame by layer and the stream's real MPEG sample rate
    // (GetFrequency): the MPEG 1 rates only, 0.0 for any other.
    double MilsPerFrame() const;
    // The hundredths field of the streaming decoder's clock position.
    std::int32_t LastFrameDecoded() const;

private:
    struct TDecoderDeleter {
        void operator()(DecoderControl* control) const { DecoderDelete(control); }
    };
    using TDecoder = std::unique_ptr<DecoderControl, TDecoderDeleter>;

    // A decoder with the MPEG codec and the given input registered.
    static TDecoder MakeDecoder(std::int32_t (*getInput)(DecoderInputModuleMethods*),
                                DecoderInputModuleMethods* table);
    // Decodes frames into the kept bytes until the pushed bytes are used up
    // (last) or the kept bytes hold room bytes.
    void DecodeFrames(std::size_t room, int last);

    TDecoder decoder_;
    DecoderInputModuleMethods memoryInput_{};
    int streamEnabled_ = 0;
    int vbr_ = 0;
    float version_ = 1.0f;
    std::int32_t layer_ = 3;
    double averageFrameSize_ = 0.0;
    std::int32_t mode_ = kModeStereo;
    int firstFrameCDQuality_ = 0;
    // Rate and channel conversion state of the streaming decoder's frames.
    CPCMStreamConverter converter_;
    // Decoded bytes not yet delivered.
    std::vector<std::uint8_t> decoded_;
    std::size_t decodedAt_ = 0;
};
