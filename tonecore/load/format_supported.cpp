#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/path_helpers.h"
#include "filekit/riff.h"
#include "platform/last_error.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/load/initial_load_source.h"

namespace {

constexpr std::uint16_t kWmaFormatTag = 0x161;
// A compressed WAV tag the probe has always called convertible, though no
// decoder here takes it; the load then refuses it.
constexpr std::uint16_t kFormatTag9 = 9;

// The WAV probe: 1 when the engine can decode the file's format.
int ProbeWave(CFileObj* file, _formatSupportedInfo* info) {
    CRIFF riff;
    _chunkInfo form;
    if (riff.Open(file, &form) == 0) return 0;
    info->supported = 1;
    std::vector<std::uint8_t> bytes;
    std::uint32_t chunk[3] = {};
    const bool read = ReadWaveFormat(file, riff, bytes, chunk);
    info->chunkId = static_cast<std::int32_t>(chunk[0]);
    info->chunkSize = static_cast<std::int32_t>(chunk[1]);
    info->chunkType = static_cast<std::int32_t>(chunk[2]);
    if (!read) return 0;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(bytes.data());
    info->formatTag = format->wFormatTag;
    info->channels = format->nChannels;
    info->samplesPerSec = static_cast<std::int32_t>(format->nSamplesPerSec);
    info->avgBytesPerSec = static_cast<std::int32_t>(format->nAvgBytesPerSec);
    info->blockAlign = format->nBlockAlign;
    info->bitsPerSample = format->wBitsPerSample;
    info->cbSize = format->cbSize;
    if (format->wFormatTag == WAVE_FORMAT_PCM) return 1;
    // Without the engine no decoder can be asked; the load decides.
    if (SoundEngineStarted() == 0) return 1;
    info->compressed = 1;
    if (format->wFormatTag == WAVE_FORMAT_MPEGLAYER3 || format->wFormatTag == kWmaFormatTag ||
        format->wFormatTag == kFormatTag9) {
        info->convertible = 1;
        return 1;
    }
    auto codec = std::unique_ptr<ACMObject>(new (std::nothrow) ACMObject(
        format, static_cast<std::uint32_t>(bytes.size()), kAcmUseDecode));
    if (!codec) return 0;
    info->driverPresent = codec->ACMDriverInstalled();
    info->convertible = codec->SuggestPCMFormat();
    info->supported = info->convertible;
    return info->supported;
}

struct TReleaseFile {
    void operator()(CFileObj* file) const { DeleteRefObject(&file); }
};
using TFile = std::unique_ptr<CFileObj, TReleaseFile>;

// The file opened for reading, or null.
TFile OpenForReading(const char* path) {
    TFile file(new (std::nothrow) CFileObj());
    if (file && file->Open(path, 0, 0) == 0) file.reset();
    return file;
}

}  // namespace

int FileFormatSupported(const char* path, _formatSupportedInfo* info) {
    if (path == nullptr) return 0;
    if (HasMpegExtension(path) || HasFileExtension(path, "wma") != 0) return 1;
    _formatSupportedInfo scratch;
    if (info == nullptr) info = &scratch;
    if (HasFileExtension(path, "wav") != 0) {
        const TFile file = OpenForReading(path);
        if (!file) return 0;
        info->supported = ProbeWave(file.get(), info);
        return 1;
    }
    if (HasFileExtension(path, "sgp") != 0) {
        const TFile file = OpenForReading(path);
        if (!file) return 0;
        CRIFF riff;
        _chunkInfo form;
        if (riff.Open(file.get(), &form) == 0) return 0;
        info->supported = 1;
        info->soundGroupFile = 1;
        return 1;
    }
    return 0;
}
