#include "songsmith/core/wave_file_tag.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/wave_info_list.h"

namespace {

// The name the INFO list gives as the software that wrote it.
constexpr const char* kSoftware = "Songsmith";

// A stream of the RIFF reader or writer, let go with the reference that
// made it.
class CStreamHold {
public:
    CStreamHold() : file_(new CFileObj) {}
    ~CStreamHold() {
        CRefObj* file = file_;
        DeleteRefObject(&file);
    }
    CStreamHold(const CStreamHold&) = delete;
    CStreamHold& operator=(const CStreamHold&) = delete;
    CFileObj* operator->() const { return file_; }
    CFileObj* get() const { return file_; }

private:
    CFileObj* file_;
};

// Copies every chunk of the source's form but its INFO lists into writer.
bool CopyChunksWithoutInfo(CRIFF& reader, CRIFF& writer) {
    std::vector<std::uint8_t> data;
    do {
        _subChunk chunk;
        reader.GetCurrentChunkInfo(nullptr, &chunk);
        data.resize(chunk.size);
        // Every bound from the bytes present: a chunk that claims more than
        // the file holds stops the copy.
        if (reader.ReadCurrentSubChunk(data.data(), chunk.size) != static_cast<std::int64_t>(chunk.size)) return false;
        const bool infoList = chunk.id == RIFF_ID_LIST && chunk.size >= 4 &&
                              MakeFourCC(static_cast<char>(data[0]), static_cast<char>(data[1]),
                                         static_cast<char>(data[2]), static_cast<char>(data[3])) == FourCC("INFO");
        if (!infoList && writer.WriteSubChunk(chunk.id, data.data(), chunk.size) == 0) return false;
    } while (reader.SeekToNextChunk() != 0);
    return true;
}

}  // namespace

bool WriteWaveFileTag(const char* path, TMusicInfo& info) {
    if (path == nullptr) return false;
    const std::string temporary = std::string(path) + ".tagtmp";
    bool written = false;
    {
        CStreamHold source;
        CStreamHold target;
        CRIFF reader;
        CRIFF writer;
        _chunkInfo form;
        if (source->Open(path, 0, 0) == 0 || reader.Open(source.get(), &form) == 0 || form.id != RIFF_ID_RIFF ||
            form.type != FourCC("WAVE"))
            return false;
        if (target->Create(temporary.c_str()) == 0 || writer.Create(target.get(), FourCC("WAVE")) == 0) return false;
        if (info.tagType == TAG_TYPE_NONE) info.tagType = TAG_TYPE_WAV_INFO;
        int done = 0;
        written = CopyChunksWithoutInfo(reader, writer) && WriteWaveInfoList(writer, kSoftware, &done, &info) > 0 &&
                  done != 0;
        reader.Close();
        writer.Close();
        source->Close();
        target->Close();
    }
    // On the disk before it takes the song's place.
    if (written) {
        const int fd = ::open(temporary.c_str(), O_RDONLY);
        written = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
    }
    if (written && std::rename(temporary.c_str(), path) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}
