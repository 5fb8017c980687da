#pragma once
// CConv2WaveFile: the converter that writes a RIFF "WAVE" file: a "fmt "
// chunk, the streamed "data" chunk and, at the end, a "LIST" chunk of type
// "INFO" with the song's texts. PCM in another rate, width or channel count
// than the target is converted on the way, with the conversion's state
// carried from block to block.
//
// Targets are PCM at 11025, 22050 or 44100 Hz.

#include <cstdint>

#include "filekit/riff.h"
#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_obj.h"
#include "tonecore/pcm/pcm_conversion_stream.h"
#include "tonecore/convert/stream_alias.h"

class CConv2WaveFile : public CConv2FileObj {
public:
    // The forms that take a loaded sound stay reachable beside the
    // overrides below.
    using CConv2FileObj::Create;
    using CConv2FileObj::GetTargetFormat;
    using CConv2FileObj::WriteTag;
    CConv2WaveFile();
    ~CConv2WaveFile() override;
    CConv2WaveFile(const CConv2WaveFile&) = delete;

    // Closes the RIFF writer, then the file.
    void Close() override;
    // 1 when the file, its "fmt " chunk and the start of "data" are written.
    // 0 also for a source that is not PCM the engine converts.
    int Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source) override;
    // Bytes written to the data chunk, or -1 unless everything the block
    // produced was written. *accepted gets the PCM bytes taken (all of
    // them), 0 on failure.
    std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) override;
    // Writes the frames the conversion still owes and, with CD block
    // alignment on, pads the data to whole CD sectors; then closes the data
    // chunk. The bytes added, or -1.
    std::int64_t EndWriteStream() override;
    // Appends the "INFO" list; its byte count, or -1 when a chunk could not
    // be written. *done: whether the list header was written.
    std::int64_t FinalData(const char* path, const char* software, int* done, TMusicInfo* info) override;
    void GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                             _tSoundQualityTypedef quality) override;
    void GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target) override;
    // Bytes the WAV file of a song takes: this object must be open on the
    // song's file; a temporary sound loads it (its length stands in for a
    // negative `milliseconds`) and the target is fitted to it. 0 when the
    // song does not load.
    double GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* source, double milliseconds) override;
    // The rate becomes 44100 from 32000 Hz up, 11025 below 16000 Hz, else
    // 22050.
    void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                       const TSourceDecoder* decoder) override;
    void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums) override;
    bool ValidateFormat(CConv2FileFormat* format) override;
    // A WAV file's texts are written by FinalData: 0.
    std::int64_t WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* source) override;

    // CD audio is written in sectors of this many bytes.
    static constexpr std::int64_t kCDSectorBytes = 2352;

private:
    // Writes all of bytes to the data chunk; false on a short write.
    bool WriteData(const std::uint8_t* bytes, std::size_t count);
    void CloseRiffWriter();

    // The RIFF writer's view of this file (see stream_alias.h).
    CStreamAlias alias_;
    CRIFF riff_;
    WAVEFORMATEX source_{};
    WAVEFORMATEX target_{};
    CPCMConversionStream conversion_;
};
