#pragma once
// The "data" chunk of a WAV file, read back through the program's own RIFF
// reader, for tests that compare what was written with what was meant.

#include <algorithm>
#include <string>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"

namespace wavtest {

// The "data" chunk of a WAV file read through CRIFF; empty when it does not
// read.
inline std::string WavData(const std::string& path, std::string* format = nullptr) {
    auto* file = new CFileObj;
    std::string data;
    _chunkInfo info;
    CRIFF riff;
    if (file->Open(path.c_str(), 0, 0) && riff.Open(file, &info)) {
        if (format != nullptr && riff.SeekToChunk(FourCC("fmt "), 0, 1)) {
            format->resize(64);
            const std::int64_t got = riff.ReadCurrentSubChunk(format->data(), 64);
            format->resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        }
        riff.SeekToLevelBeginning();
        if (riff.SeekToChunk(FourCC("data"), 0, 1)) {
            _chunkInfo parent;
            _subChunk sub;
            riff.GetCurrentChunkInfo(&parent, &sub);
            data.resize(sub.size);
            const std::int64_t got = riff.ReadCurrentSubChunk(data.data(), sub.size);
            data.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        }
    }
    riff.Close();
    DeleteRefObject(&file);
    return data;
}

}  // namespace wavtest
