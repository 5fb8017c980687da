#pragma once
// Reads back the WAV files the converter tests write: the chunks of the
// "WAVE" form and the sub-chunks of its "LIST" "INFO" chunk, in file order.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/temp_dir.h"

namespace wavetest {

struct TChunk {
    std::string id;
    std::string data;  // without the pad byte
};

struct TWaveFile {
    bool valid = false;
    std::vector<TChunk> chunks;  // the form's chunks
    std::vector<TChunk> info;    // the INFO list's chunks

    const TChunk* Find(const std::string& id) const {
        for (const TChunk& c : chunks) {
            if (c.id == id) return &c;
        }
        return nullptr;
    }
    std::vector<std::string> InfoIds() const {
        std::vector<std::string> ids;
        for (const TChunk& c : info) ids.push_back(c.id);
        return ids;
    }
};

inline std::uint32_t Le32At(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

// The chunks between begin and end; false when one runs past end.
inline bool ReadChunks(const std::string& bytes, std::size_t begin, std::size_t end, std::vector<TChunk>* out) {
    std::size_t at = begin;
    while (at + 8 <= end) {
        const std::uint32_t size = Le32At(bytes, at + 4);
        if (at + 8 + size > end) return false;
        out->push_back({bytes.substr(at, 4), bytes.substr(at + 8, size)});
        at += 8 + size + (size & 1);
    }
    return at == end;
}

inline TWaveFile ReadWaveFile(const std::string& path) {
    TWaveFile file;
    const std::string bytes = testsupport::ReadWholeFile(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return file;
    if (Le32At(bytes, 4) + 8 != bytes.size()) return file;
    if (!ReadChunks(bytes, 12, bytes.size(), &file.chunks)) return file;
    for (const TChunk& c : file.chunks) {
        if (c.id == "LIST" && c.data.compare(0, 4, "INFO") == 0 &&
            !ReadChunks(c.data, 4, c.data.size(), &file.info)) {
            return file;
        }
    }
    file.valid = true;
    return file;
}

}  // namespace wavetest
