#pragma once
// CConv2WmaFile: the converter that writes a WMA file from 16-bit PCM
// through the media module's writer, with a one-stream profile built for the
// target's bitrate, rate and channels. After the file is finished, WriteTag
// sets the song's texts as the file's attributes through the module's
// metadata editor (which rewrites the file through a temporary one).
//
// It also lists the WMA formats the module's encoder offers, which decides
// the presets the settings dialogs show.
//
// Failures leave their code (wma_errors.h) in the thread's last error.

#include <cstdint>
#include <string>
#include <vector>
#include <vector>

#include "mediacore/mediacore_exports.h"
#include "tonecore/convert/conv2file_obj.h"

class CConv2WmaFile : public CConv2FileObj {
public:
    CConv2WmaFile();
    ~CConv2WmaFile() override;
    CConv2WmaFile(const CConv2WmaFile&) = delete;
    CConv2WmaFile& operator=(const CConv2WmaFile&) = delete;

    // A writer is there.
    int IsOpen() override;
    // Releases the header information, flushes and releases the writer,
    // flushes, closes and releases the editor.
    void Close() override;
    // 1 when the writer has begun writing the file; 0 otherwise (closed).
    int Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) override;
    // Encodes the PCM; the estimated file bytes it adds, or -1 (closed).
    std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) override;
    // Ends the writing: 0, or -1 when that fails or there is no writer.
    std::int64_t EndWriteStream() override;
    // Nothing is left to add: *done = 1, 0.
    std::int64_t FinalData(const char* path, const char* software, int* done, TMusicInfo* info) override;
    void GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                             _tSoundQualityTypedef quality) override;
    void GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) override;
    void GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted, const WAVEFORMATEX* source,
                         const TMusicInfo* info, const TSourceDecoder* decoder) override;
    std::int32_t GetDesiredBufferSize() override { return desiredBufferSize_; }
    // The target's bytes for that many milliseconds: kbps x ms / 8. A
    // negative time stands for the length of the song this object is open
    // on (as a file); 0 when it cannot be measured.
    double GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* source, double milliseconds) override;
    void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                       const TSourceDecoder* decoder) override;
    void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) override;
    bool ValidateFormat(CConv2FileFormat* format) override;
    // Sets the song's attributes on the finished file; 0, or -1 when one
    // could not be set (the editor is then closed without saving).
    std::int64_t WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* source) override;
    // Binds the writer, editor and profile functions of the media module;
    // false (TONECORE_ERR_WMA_EXPORT_MISSING) when one is missing.
    virtual bool GetEncoderDll();

    // The formats the module's encoder offers (18-byte records), read once;
    // null when it offers none.
    const WAVEFORMATEX* GetAvailableOutputFormats();
    std::uint32_t NumAvailableOutputFormats();
    bool SetAttributeString(const char* name, const char* text);
    bool SetAttribute(const char* name, WMT_ATTR_DATATYPE type, const BYTE* data, std::uint32_t length);

    double BitrateKbps() const { return bitrateKbps_; }
    std::int32_t MillisecondsWritten() const { return msWritten_; }
    std::int32_t EstimatedBytesWritten() const { return estimatedBytes_; }
    std::int32_t ProtectFlag() const { return protect_; }

protected:
    // Bound by GetEncoderDll.
    PFN_WMCreateWriter createWriter_ = nullptr;
    PFN_WMCreateEditor createEditor_ = nullptr;
    PFN_GenerateProfile generateProfile_ = nullptr;
    PFN_ReleaseProfile releaseProfile_ = nullptr;

private:
    // Opens the editor on path with its header information; false
    // (TONECORE_ERR_WMA_WRITER) when that fails.
    bool OpenEditor(const char* path);
    bool SetInputFormat(const WAVEFORMATEX* source);
    // The song's attributes, in order; false when one could not be set.
    bool SetSongAttributes(TMusicInfo& info);
    // Set the code, close, and return -1 (0 for Create).
    std::int64_t Fail(std::uint32_t code);
    int CreateFailed(std::uint32_t code);
    // Close, answering whether the editor's changes were saved (true
    // without an editor).
    bool CloseSaving();
    // Closes the editor without saving, then the rest; sets the code.
    void DiscardEditor(std::uint32_t code);

    IWMWriter* writer_ = nullptr;
    IWMMetadataEditor* editor_ = nullptr;
    IWMHeaderInfo* headerInfo_ = nullptr;
    double bitrateKbps_ = 0.0;
    double sourceBytesPerSec_ = 0.0;
    double targetBytesPerSec_ = 0.0;
    std::int32_t msWritten_ = 0;
    std::int32_t estimatedBytes_ = 0;
    // PCM bytes handed over so far: sample times and estimates come from the
    // total, so rounding never adds up over a long song.
    std::uint64_t sourceBytesWritten_ = 0;
    std::int32_t desiredBufferSize_ = -1;
    std::int32_t protect_ = 0;
    std::vector<WAVEFORMATEX> codecFormats_;
    bool codecFormatsRead_ = false;
    std::u16string widePath_;
};

// The WMA settings text of a target (bitrate, rate, channels, the copyright
// bit), as the settings dialogs show it.
void WMATargetFormatString(const CConv2FileFormat* target, char* out, std::int32_t size);

// Fills format from WMA preset 1-8 (bitrate, rate, channels, 16 bits); the
// tag type becomes tag unless it is TAG_TYPE_KEEP. Other presets change
// nothing.
void GetFormatFromPreset(CConv2FileFormat* format, std::int32_t preset, _tTagTypedef tag);
// Whether the module's encoder offers preset p's format (rate, channels and
// a byte rate within 250 bit/s of the preset's bitrate).
bool IsWMAFormatAvailable(std::int32_t preset);
int NumPresetWMAFormatsAvailable();
// The offered presets (1-8), in order.
std::vector<std::int32_t> OfferedWMAPresets();
// The preset (0-based) of the sliderIndex-th offered preset (1-based); -1
// when there is none.
int GetPresetIndexFromSliderIndex(int sliderIndex);
