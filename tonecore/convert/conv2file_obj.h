#pragma once
// CConv2FileObj: a file object that writes one song file in a target format
// (WAV, MP3 or WMA) from a stream of PCM. A converter goes
//   Create -> WriteStreamData* -> EndWriteStream -> FinalData -> Close
// and may then write a tag into the finished file by path. A converter used
// only to fit formats (CConv2FileFormat) is never created on disk.
//
// The base answers every writing operation with failure; each converter
// overrides what its file needs. Results: 1/0, or a count with -1 for
// failure, the reason in the thread's last error.

#include <cstdint>

#include "filekit/file_obj.h"
#include "platform/wave_format.h"
#include "tonecore/convert/conv2file_types.h"

class CConv2FileFormat;

class CPCMSound;

class CConv2FileObj : public CFileObj {
public:
    CConv2FileObj() = default;
    // The file part and the kind of converter (type, format tag, extension).
    CConv2FileObj(const CConv2FileObj& other);
    // A file object is not assigned: two objects would share one open file.
    CConv2FileObj& operator=(const CConv2FileObj& other) = delete;
    ~CConv2FileObj() override = default;

    using CFileObj::Create;
    // Creates the file for target from PCM in the source format. The base
    // only creates the file.
    virtual int Create(const char* path, CConv2FileFormat* target, const WAVEFORMATEX* source);
    // The same for a loaded sound: from the PCM it reads out. 0 without a
    // sound or its format.
    virtual int Create(const char* path, CConv2FileFormat* target, CPCMSound* sound);
    virtual _tFileConversionTypedef GetConversionType() { return conversionType_; }
    virtual std::int32_t GetFormatType() { return formatType_; }
    // The file extension without its dot ("wav"); null for the base.
    virtual const char* DefaultExt() { return defaultExt_; }
    // Hands PCM over; bytes written to the file or -1. *accepted (when not
    // null) receives the PCM bytes taken, 0 on failure.
    virtual std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted);
    virtual std::int64_t EndWriteStream();
    // Finishes the file (tags the format keeps inside it); *done tells
    // whether its first step succeeded.
    virtual std::int64_t FinalData(const char* path, const char* software, int* done, TMusicInfo* info);
    // Fills target from a preset: -1 is the type's default preset; the tag
    // type TAG_TYPE_KEEP and the quality SOUND_QUALITY_KEEP leave those alone.
    virtual void GetFormatFromPreset(CConv2FileFormat* target, std::int32_t preset, _tTagTypedef tag,
                                     _tSoundQualityTypedef quality);
    // One line describing target; empty for the base.
    virtual void GetTargetFormatStr(char* out, std::int32_t size, CConv2FileFormat* target);
    // Fits target to a source: CConv2FileFormat::SmartCopy with this
    // converter's format tag.
    virtual void GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted,
                                 const WAVEFORMATEX* source, const TMusicInfo* info,
                                 const TSourceDecoder* decoder);
    // The same for a loaded sound: the decoder's source format when the
    // sound has a decoding object, else the PCM it reads out; its song
    // information and decoder go along.
    virtual void GetTargetFormat(CConv2FileFormat* target, const CConv2FileFormat* wanted, CPCMSound* sound);
    virtual std::int32_t GetDesiredBufferSize() { return -1; }
    virtual double GetBytesToWrite(CConv2FileFormat* target, const WAVEFORMATEX* source, double milliseconds);
    // The format callbacks of CConv2FileFormat.
    virtual void MakeMostNaturalFormatCallback(CConv2FileFormat* format, const WAVEFORMATEX* source,
                                               const TSourceDecoder* decoder);
    virtual void UserMaximumsCallback(CConv2FileFormat* target, const CConv2FileFormat* maximums);
    virtual bool ValidateFormat(CConv2FileFormat* format);
    // Writes the tag into the finished file at path; 0 for the base.
    virtual std::int64_t WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* source);
    // The same with a loaded sound's song information and source file.
    virtual std::int64_t WriteTag(const char* path, const char* text, CPCMSound* sound);
    virtual std::int64_t ReserveTagSpace() { return 0; }
    // The fields (ETagField bits) the next WriteTag takes from its record;
    // every other field keeps what the file holds, and so does everything
    // else the file's tag carries. kTagFieldsAll (the default) writes a
    // whole tag from the record, as for a new file.
    void SetTagFields(std::uint32_t fields) { tagFields_ = fields; }

    std::int32_t NeedToResample() const { return needToResample_; }
    void SetNeedToResample(std::int32_t need) { needToResample_ = need; }
    std::int32_t PreferredOutputPathOffset() const { return preferredOutputPathOffset_; }
    void SetPreferredOutputPathOffset(std::int32_t offset) { preferredOutputPathOffset_ = offset; }

    // The file name of path without its extension, into out (MAX_PATH
    // bytes); out stays empty when there is none.
    static void CreateDefaultTagTitleString(const char* path, char* out);

protected:
    _tFileConversionTypedef conversionType_ = FILE_CONVERSION_NONE;
    std::int32_t formatType_ = 0;
    const char* defaultExt_ = nullptr;
    std::int32_t tagType_ = TAG_TYPE_NONE;
    std::uint32_t tagFields_ = kTagFieldsAll;
    std::int32_t needToResample_ = 0;
    std::int32_t preferredOutputPathOffset_ = -1;
};
