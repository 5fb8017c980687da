// WAV files: the format and data chunks for rate and length, the LIST
// "INFO" chunk for the texts.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "songvault/tonecore_probe/probe_readers.h"
#include "tonecore/tags/music_info.h"
#include "utilities/unicode.h"

namespace tonecoreprobe {

namespace {

// The INFO texts are of no fixed width; this is more than any field holds.
constexpr std::int64_t kLongestInfoText = 1024;

// A text chunk of the INFO list: up to its first zero byte; read as
// Windows-1252 when it is not UTF-8 (older programs wrote their code page).
std::string InfoText(CRIFF& riff) {
    char bytes[kLongestInfoText];
    const std::int64_t got = riff.ReadCurrentSubChunk(bytes, sizeof bytes);
    if (got <= 0) return {};
    std::string text(bytes, static_cast<std::size_t>(got));
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

// A number of the INFO list (its leading digits, as "1998-05-01" is a
// year); 0 when there is none or it does not fit.
std::int16_t InfoNumber(CRIFF& riff) {
    const std::string text = InfoText(riff);
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0 ? TagNumber(value) : 0;
}

void ReadInfoList(CRIFF& riff, TSongProbeResult& result) {
    if (riff.Descend() == 0) return;
    _chunkInfo list;
    _subChunk sub;
    riff.GetCurrentChunkInfo(&list, &sub);
    if (list.type == FourCC("INFO")) {
        do {
            riff.GetCurrentChunkInfo(nullptr, &sub);
            if (sub.id == FourCC("INAM")) result.title = InfoText(riff);
            else if (sub.id == FourCC("IART")) result.artist = InfoText(riff);
            else if (sub.id == FourCC("IPRD")) result.album = InfoText(riff);
            else if (sub.id == FourCC("ICMT")) result.comment = InfoText(riff);
            else if (sub.id == FourCC("ICRD")) result.year = InfoNumber(riff);
            else if (sub.id == FourCC("ITRK")) result.track = InfoNumber(riff);
        } while (riff.SeekToNextChunk() != 0);
        result.tagType = TAG_TYPE_WAV_INFO;
    }
    riff.Ascend();
}

}  // namespace

bool ProbeWav(CFileObj& file, TSongProbeResult& result) {
    CRIFF riff;
    _chunkInfo form;
    if (riff.Open(&file, &form) == 0 || form.type != FourCC("WAVE")) return false;
    // WAVEFORMAT: tag, channels, samples per second, bytes per second, block
    // alignment (the RIFF WAVE "fmt " chunk).
    unsigned char format[16] = {};
    bool haveFormat = false;
    std::int64_t dataBytes = -1;
    _subChunk sub;
    do {
        riff.GetCurrentChunkInfo(nullptr, &sub);
        if (sub.id == FourCC("fmt ")) {
            haveFormat = riff.ReadCurrentSubChunk(format, sizeof format) == sizeof format;
        } else if (sub.id == RIFF_ID_DATA) {
            // The data may be cut short: count what the file holds. Seeking
            // to the current chunk leaves the stream at its data.
            if (riff.SeekToChunk(RIFF_ID_DATA, 0, 1) == 0) return false;
            dataBytes = std::clamp<std::int64_t>(file.Size() - file.Tell(), 0, sub.size);
        } else if (sub.id == RIFF_ID_LIST) {
            ReadInfoList(riff, result);
        }
    } while (riff.SeekToNextChunk() != 0);
    if (!haveFormat || dataBytes < 0) return false;
    // No channels, no rate or no block: nothing can be played from it, and
    // a song of no length is no song.
    const auto channels = static_cast<std::uint16_t>(format[2] | format[3] << 8);
    const auto blockAlign = static_cast<std::uint16_t>(format[12] | format[13] << 8);
    const std::uint32_t rate = LoadLe32(format + 4);
    if (channels == 0 || rate == 0 || blockAlign == 0) return false;
    const std::uint32_t bytesPerSecond = LoadLe32(format + 8);
    result.sampleRateHz = static_cast<std::int32_t>(rate);
    result.bitRateKbps = Saturated(std::int64_t{bytesPerSecond} * 8 / 1000);
    result.lengthMs = bytesPerSecond > 0 ? Saturated(dataBytes * 1000 / bytesPerSecond) : 0;
    return true;
}

}  // namespace tonecoreprobe
