#pragma once
// CInitialLoad: the first look at a song file. It decides how the file is
// decoded, makes the decoding object for it, reads the song information,
// finds the audio data's byte range, measures the length and builds (or
// takes from the cache files in the temporary sound folder) the peaks and
// the seek map. The PCM sound runs it on a data stream and then takes the
// decoding object, the source format and the song information over.
//
// Kinds: MP3, MP2 and MP1 files (by extension), WAV files holding PCM, MPEG
// layer 3 or a format the codec layer decodes, "RMP3" RIFF files. A WAV
// format nothing decodes fails with TONECORE_ERR_BAD_PCM_FORMAT. WMA files
// (by extension) decode through the media module; without it they fail with
// TONECORE_ERR_WMA_EXPORT_MISSING.
//
// Failures return 0 with a code of engine_errors.h in the thread's last
// error; what was made stays with the object and goes with it.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/wave_format.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/tags/music_info.h"

class CMP3Info;
class CPeaks;
class CRefObj;
class CRIFF;
class CScanProgress;
class CSeekMap;

class CInitialLoad {
public:
    CInitialLoad() = default;
    CInitialLoad(const CInitialLoad&) = delete;
    CInitialLoad& operator=(const CInitialLoad&) = delete;
    ~CInitialLoad();

    // 1 loaded, 0 failed or cancelled. Plain PCM without peaks answers the
    // callback's answer to (0, context) instead. buildSeekMap, buildPeaks:
    // what to build (or take from the caches); scanA and scanB go to the
    // decoding object's scan unchanged; msPerPeak: the peaks' resolution.
    int DoInitialLoad(CRefObj* source, int buildSeekMap, int scanA, int buildPeaks, int scanB,
                      std::int32_t msPerPeak, TScanProgress callback, void* context);

    // The MPEG summary, format, song information and decoding object; 1 on
    // success.
    int ParseMP3(CRefObj* source);
    // The WMA song's format, information, data range and decoding object
    // through the media module; 1 on success, 0 while the engine is not
    // running or on failure.
    int ParseWMA(CRefObj* source);
    // The song information from the first "LIST" "INFO" of the RIFF file; 0
    // when there is none.
    int SetMusInfoFromWaveInfo(CRefObj* source, CRIFF* riff);
    // The song information from the MP3's ID3 tag and frame header.
    int SetMusInfoFromMP3Info(CRefObj* source, CMP3Info* info);
    // Peaks (or the length alone) of plain PCM data; the length in ms.
    std::int32_t ParsePeaksForUncompressed(CRefObj* source, int unused, std::int32_t msPerPeak,
                                           TScanProgress callback, void* context);
    // Length, peaks and seek map of compressed data through the decoding
    // object, or from the caches; the length in ms.
    std::int32_t ParseScanAndBuildForCompressed(CRefObj* source, int scanA, int buildPeaks,
                                                int scanB, int buildSeekMap, std::int32_t msPerPeak,
                                                TScanProgress callback, void* context);
    // Takes the song's fresh ".ipk" of msPerPeak; 1 when taken.
    int LoadPeakMap(CRefObj* source, std::int32_t msPerPeak);
    // Takes the song's fresh ".isk"; 1 when taken.
    int LoadSeekMap(CRefObj* source);
    // Saves the seek map as the song's ".isk".
    int SaveSeekMap(CRefObj* source);

    // Hand the members over; this object then leaves them alone.
    std::unique_ptr<ACMObject> StealACMObject() { return std::move(decoder_); }
    std::vector<std::uint8_t> StealWaveFomatEx() { return std::move(sourceFormat_); }
    std::unique_ptr<TMusicInfo> StealMusicInfo() { return std::move(musicInfo_); }

    ACMObject* GetACMObject() const { return decoder_.get(); }
    const WAVEFORMATEX* GetWAVEFORMTEX() const {
        return sourceFormat_.size() >= sizeof(WAVEFORMATEX)
                   ? reinterpret_cast<const WAVEFORMATEX*>(sourceFormat_.data())
                   : nullptr;
    }
    std::int64_t DataStart() const { return dataStart_; }
    std::int64_t DataEnd() const { return dataEnd_; }
    std::int32_t Length() const { return length_; }
    int IsLoaded() const { return loaded_; }
    int WasCancelled() const { return cancelled_ ? 1 : 0; }
    CSeekMap* GetSeekMap() const { return seekMap_; }
    CPeaks* GetPeaks() const { return peaks_; }
    const TMusicInfo* GetMusicInfo() const { return musicInfo_.get(); }

private:
    int LoadWave(CRefObj* source, CRIFF& riff, const char* path, int buildSeekMap, int scanA,
                 int buildPeaks, int scanB, std::int32_t msPerPeak, TScanProgress callback,
                 void* context);
    int LoadRmp3(CRefObj* source, CRIFF& riff, int buildSeekMap, int scanA, int buildPeaks,
                 int scanB, std::int32_t msPerPeak, TScanProgress callback, void* context);
    // ParseMP3 and the scan; 1 on success.
    int LoadMpeg(CRefObj* source, int buildSeekMap, int scanA, int buildPeaks, int scanB,
                 std::int32_t msPerPeak, TScanProgress callback, void* context);
    WAVEFORMATEX* Format() {
        return sourceFormat_.size() >= sizeof(WAVEFORMATEX)
                   ? reinterpret_cast<WAVEFORMATEX*>(sourceFormat_.data())
                   : nullptr;
    }
    void DropPeaks();
    // Length 0 and the first progress call; false when it cancelled.
    bool StartScan(CScanProgress& progress);
    // The end of an MPEG load after its scan: 0 when cancelled, and a
    // failure (no usable frame) when the scan decoded nothing.
    int FinishMpegLoad();

    int loaded_ = 0;
    std::unique_ptr<ACMObject> decoder_;
    std::vector<std::uint8_t> sourceFormat_;
    std::int64_t dataStart_ = -1;
    std::int64_t dataEnd_ = -1;  // the first byte not included
    std::int32_t length_ = 0;
    CSeekMap* seekMap_ = nullptr;  // one reference held
    CPeaks* peaks_ = nullptr;      // owned
    std::unique_ptr<TMusicInfo> musicInfo_;
    // The caller's callback cancelled a scan.
    bool cancelled_ = false;
    // The decoding object scanned the file and decoded no audio from it.
    bool scanDecodedNothing_ = false;
};

// What FileFormatSupported found out, 32-bit words in this order.
struct _formatSupportedInfo {
    std::int32_t compressed = 0;     // a non-PCM WAV format met while the engine runs
    std::int32_t driverPresent = 0;  // a decoder for it was found
    std::int32_t convertible = 0;    // it can be decoded to PCM
    std::int32_t supported = 0;
    std::int32_t soundGroupFile = 0;
    // The first 16 bytes of the WAV format.
    std::int32_t formatTag = 0;
    std::int32_t channels = 0;
    std::int32_t samplesPerSec = 0;
    std::int32_t avgBytesPerSec = 0;
    std::int32_t blockAlign = 0;
    std::int32_t bitsPerSample = 0;
    std::int32_t cbSize = 0;
    // The "fmt " chunk's information: id, size, and the parent's type.
    std::int32_t chunkId = 0;
    std::int32_t chunkSize = 0;
    std::int32_t chunkType = 0;
};

// Whether the file at path can be loaded at all: 1 at once for the MPEG
// audio and WMA extensions; a WAV file is probed (info's supported word
// holds the answer; 0 when it does not open); a sound-group file is
// supported when it opens as RIFF; any other extension 0.
int FileFormatSupported(const char* path, _formatSupportedInfo* info);
