#pragma once
// CConv2MP3: the converter that writes an MP3 file by handing 16-bit PCM to
// an MP3 encoder library loaded at run time (lame_enc/encoder_interface.h).
// Two encoders derive from it: CLameConv2MP3 (every MPEG version, VBR and
// ABR, a VBR header written after the stream) and CBladeConv2MP3 (MPEG-1 at
// a constant bitrate). The base knows no encoder: it supports nothing and
// cannot create a file.
//
// The converter also writes the ID3 tags around the audio (room for an ID3
// v2 tag is reserved before the audio, the tags are written into the closed
// file by WriteTag), estimates the output's size, and fits target formats to
// what its encoder can do.

#include <cstdint>
#include <memory>
#include <vector>

#include "lame_enc/encoder_interface.h"
#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_obj.h"

class CConv2MP3 : public CConv2FileObj {
public:
    // The forms that take a loaded sound stay reachable beside the
    // overrides below.
    using CConv2FileObj::Create;
    using CConv2FileObj::GetTargetFormat;
    using CConv2FileObj::WriteTag;
    CConv2MP3();
    ~CConv2MP3() override;
    CConv2MP3(const CConv2MP3&) = delete;

    // Loads the encoder library, creates the file and starts an encoder
    // stream for target from PCM in the source format; 1 or 0.
    int Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) override;
    // Encodes the PCM (8 or 16 bits, the source's channels) in whole encoder
    // chunks and keeps what is left for the next call; the MP3 bytes
    // written, or -1. *accepted: all the bytes handed over, 0 on failure.
    std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) override;
    // 0: the stream is finished by FinalData.
    std::int64_t EndWriteStream() override;
    // Encodes the samples still kept, flushes and closes the encoder stream;
    // the MP3 bytes written, -1 on failure. *done: 1 on success, else 0.
    std::int64_t FinalData(const char* path, const char* text, int* done, TMusicInfo* info) override;
    void GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                             _tSoundQualityTypedef quality) override;
    // The short settings line (version, bitrate, mode).
    void GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) override;
    void GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted, const WAVEFORMATEX* source,
                         const TMusicInfo* info, const TSourceDecoder* decoder) override;
    // The PCM bytes one write should bring: those of about half a second
    // of the target, in whole chunks; -1 before Create.
    std::int32_t GetDesiredBufferSize() override;
    // The bytes of the file for milliseconds of a source, tag included. With
    // a source format, milliseconds >= 0 and a target of the user's settings
    // the target is fitted to that format; otherwise this converter must be
    // open on the song file, which is loaded to fit the target (negative
    // milliseconds: the song's length). 0.0 when the song cannot be loaded.
    double GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* source, double milliseconds) override;
    void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                       const TSourceDecoder* decoder) override;
    void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) override;
    bool ValidateFormat(CConv2FileFormat* format) override;
    // Writes the tags into the finished, closed file at path: an ID3 v1
    // block at the end (one already there is replaced) and, for ID3 v2, the
    // v2 tag at the start (through a new file when its size changes). The
    // tag bytes, 0 for no tag, -1 on failure.
    std::int64_t WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* source) override;
    // For ID3 v2, right after Create: an empty v2 tag of the tag reserve at
    // the current position; its size, or -1. 0 for other tag types.
    std::int64_t ReserveTagSpace() override;

    virtual _tMP3EncoderDllTypedef GetMP3EncoderType() { return encoder_; }
    // Brings a format within what this encoder can do.
    virtual void UpdateSettingsAfterEncoderChange(CConv2FileFormat* format);
    // Loads the encoder's library (kept until FreeConversionLibraries).
    virtual bool GetEncoderDll();
    // The encoder's loaded library; null when it cannot be loaded.
    virtual void* EncoderModule();
    // The kbps a format's file is estimated at.
    virtual double GetBitrateForBytesToWrite(const CConv2FileFormat* format);
    // Fills the configuration record for target from source; the base
    // leaves it zero.
    virtual void SetupConfig(const CConv2FileFormat* target, const WAVEFORMATEX* source);

    bool SupportsVBR() const { return (capabilities_ & kCanVBR) != 0; }
    bool SupportsVBRXINGHeader() const { return (capabilities_ & kCanVBRHeader) != 0; }
    bool SupportsVBRQuality() const { return (capabilities_ & kCanVBRQuality) != 0; }
    bool SupportsABR() const { return (capabilities_ & kCanABR) != 0; }
    bool SupportsMPEG1() const { return (capabilities_ & kCanMPEG1) != 0; }
    bool SupportsMPEG2() const { return (capabilities_ & kCanMPEG2) != 0; }
    bool SupportsMPEG2_5() const { return (capabilities_ & kCanMPEG2_5) != 0; }
    bool SupportsJStereo() const { return (capabilities_ & kCanJointStereo) != 0; }
    bool SupportsDualChannel() const { return (capabilities2_ & kCanDualChannel) != 0; }
    // Whether the encoder makes streams of an MPEG version (1, 0 or 2).
    bool SupportsMPEGVersion(std::int32_t version) const;
    // The first and last presets whose MPEG version the encoder makes; 0
    // when there are none.
    std::int32_t FirstSupportedPreset() const;
    std::int32_t LastSupportedPreset() const;

    // The bytes kept for tags (the ID3 v2 tag's room, or 128 for ID3 v1).
    std::int32_t TagReserve() const { return tagReserve_; }
    // The settings text of a format: the short line (simple) or the full
    // one with the header and flag texts.
    void MakeSettingsString(const CConv2FileFormat* format, bool simple, char* out, std::int32_t size) const;

protected:
    // Capability bits, in the order of the Supports... queries.
    static constexpr std::uint8_t kCanVBR = 0x01;
    static constexpr std::uint8_t kCanVBRHeader = 0x02;
    static constexpr std::uint8_t kCanVBRQuality = 0x04;
    static constexpr std::uint8_t kCanABR = 0x08;
    static constexpr std::uint8_t kCanMPEG1 = 0x10;
    static constexpr std::uint8_t kCanMPEG2 = 0x20;
    static constexpr std::uint8_t kCanMPEG2_5 = 0x40;
    static constexpr std::uint8_t kCanJointStereo = 0x80;
    static constexpr std::uint8_t kCanDualChannel = 0x01;

    // Binds the stream entry points from the loaded library; false when one
    // is missing. Derived encoders bind what they need besides.
    virtual bool BindEntryPoints(void* module);
    // The record being filled by SetupConfig.
    TEncoderConfig* Config() { return config_.get(); }
    // Runs after the stream is finished and the file complete.
    virtual bool AfterStreamFinished(const char* path);

    _tMP3EncoderDllTypedef encoder_ = MP3_ENCODER_NONE;
    std::uint8_t capabilities_ = 0;
    std::uint8_t capabilities2_ = 0;

private:
    struct TEntries {
        PFN_beInitStream init = nullptr;
        PFN_beEncodeChunk encode = nullptr;
        PFN_beDeinitStream deinit = nullptr;
        PFN_beCloseStream close = nullptr;
    };

    // Turns a block of source PCM into the encoder's 16-bit values,
    // appended to pending_: mixed down for a mono target, doubled for a
    // stereo target from a mono source.
    void AppendEncoderValues(const std::uint8_t* pcm, std::size_t bytes);
    // Encodes values (at most one chunk) and writes the MP3 bytes; the bytes
    // written, -1 when the encoder or the write failed (the stream is then
    // closed).
    std::int64_t EncodeChunk(const std::int16_t* values, std::uint32_t count);
    void CloseEncoderStream();
    void FreeBuffers();
    // Loads the song file this converter is open on and fits fitted to it
    // from wanted; the song's length in ms, -1 when it cannot be loaded.
    std::int32_t FitToOpenSong(CConv2FileFormat* fitted, const CConv2FileFormat* wanted);

    TEntries entries_;
    std::unique_ptr<TEncoderConfig> config_;
    std::vector<std::uint8_t> output_;
    // Encoder values that do not yet fill a whole chunk.
    std::vector<std::int16_t> pending_;
    std::uint32_t samplesPerChunk_ = 0;
    std::uint32_t outputBytes_ = 0;
    std::int32_t bufferBytes_ = -1;
    std::uint32_t stream_ = 0;
    bool streamOpen_ = false;
    WAVEFORMATEX source_{};
    std::int32_t targetMode_ = 0;
    std::int32_t tagReserve_ = 0;
};
