#include "tonecore/load/initial_load_source.h"

#include <algorithm>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/path_helpers.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "platform/wave_format.h"
#include "tonecore/engine/engine_errors.h"

const char* SourcePath(CRefObj* source) {
    if (source == nullptr || source->Type() != CFileObj::kFileType) return nullptr;
    return static_cast<CFileObj*>(source)->FilePath();
}

bool HasMpegExtension(const char* path) {
    return path != nullptr &&
           (HasFileExtension(path, "mp3") != 0 || HasFileExtension(path, "mp2") != 0 ||
            HasFileExtension(path, "mp1") != 0);
}

namespace {

// The stream's bytes from its position to its end.
std::int64_t BytesLeft(CRefObj* source) {
    const std::int64_t at = source->Tell();
    const std::int64_t size = source->Size();
    return at >= 0 && size > at ? size - at : 0;
}

}  // namespace

bool ReadWaveFormat(CRefObj* source, CRIFF& riff, std::vector<std::uint8_t>& format,
                    std::uint32_t* chunkInfo) {
    if (riff.SeekToLevelBeginning() == 0 || riff.SeekToChunk(FourCC("fmt "), 0, 1) == 0) {
        SetLastError(TONECORE_ERR_NO_FORMAT);
        return false;
    }
    _chunkInfo parent;
    _subChunk chunk;
    riff.GetCurrentChunkInfo(&parent, &chunk);
    if (chunkInfo != nullptr) {
        chunkInfo[0] = chunk.id;
        chunkInfo[1] = chunk.size;
        chunkInfo[2] = parent.type;
    }
    // A stated size larger than the file cannot be read in full anyway; it
    // must not decide how much memory is taken.
    if (chunk.size > BytesLeft(source)) {
        SetLastError(TONECORE_ERR_SHORT_FORMAT);
        return false;
    }
    try {
        format.assign(std::max<std::size_t>(chunk.size, sizeof(WAVEFORMATEX)), 0);
    } catch (const std::bad_alloc&) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return false;
    }
    if (riff.ReadCurrentSubChunk(format.data(), chunk.size) !=
        static_cast<std::int64_t>(chunk.size)) {
        SetLastError(TONECORE_ERR_SHORT_FORMAT);
        return false;
    }
    // Whoever copies the format takes 18 + cbSize bytes: never more than
    // were read.
    auto* record = reinterpret_cast<WAVEFORMATEX*>(format.data());
    const std::size_t extension = format.size() - sizeof(WAVEFORMATEX);
    if (record->cbSize > extension) record->cbSize = static_cast<std::uint16_t>(extension);
    return true;
}

bool FindWaveData(CRefObj* source, CRIFF& riff, std::int64_t& start, std::int64_t& end) {
    if (riff.SeekToLevelBeginning() == 0 || riff.SeekToChunk(RIFF_ID_DATA, 0, 1) == 0) {
        SetLastError(TONECORE_ERR_NO_DATA);
        return false;
    }
    _chunkInfo parent;
    _subChunk chunk;
    riff.GetCurrentChunkInfo(&parent, &chunk);
    start = source->Tell();
    // A chunk whose size was never patched (or lies) ends with the file.
    end = start + std::min<std::int64_t>(chunk.size, BytesLeft(source));
    if (end <= start) {
        SetLastError(TONECORE_ERR_EMPTY_DATA);
        return false;
    }
    return true;
}

std::int32_t LengthOfBytes(std::int64_t bytes, std::uint32_t bytesPerSecond) {
    if (bytesPerSecond == 0 || bytes <= 0) return 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(bytes * 1000 / bytesPerSecond, INT32_MAX));
}
