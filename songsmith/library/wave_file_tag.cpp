#include "songsmith/library/wave_file_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "tonecore/engine/sibling_temp_file.h"
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

// Copies every chunk of the source's form but its INFO lists into writer;
// the items of those lists go to infoItems.
bool CopyChunksWithoutInfo(CRIFF& reader, CRIFF& writer, std::vector<TWaveInfoItem>& infoItems) {
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
        if (infoList) {
            const std::string_view items(reinterpret_cast<const char*>(data.data()) + 4, data.size() - 4);
            for (TWaveInfoItem& item : SplitWaveInfoList(items)) infoItems.push_back(std::move(item));
        } else if (writer.WriteSubChunk(chunk.id, data.data(), chunk.size) == 0) {
            return false;
        }
    } while (reader.SeekToNextChunk() != 0);
    return true;
}

}  // namespace

bool WriteWaveFileTag(const char* path, TMusicInfo& info, std::uint32_t fields) {
    if (path == nullptr) return false;
    // Through a symbolic link the song it names is rewritten, not the link.
    char resolved[PATH_MAX];
    struct stat original {};
    if (::realpath(path, resolved) == nullptr || ::stat(resolved, &original) != 0) return false;
    const std::string song = resolved;
    const std::string temporary = CreateSiblingTempFile(song.c_str());
    if (temporary.empty()) return false;
    // The song's owner and group where the user may give them (root).
    if (::chown(temporary.c_str(), original.st_uid, original.st_gid) != 0 &&
        ::chown(temporary.c_str(), static_cast<uid_t>(-1), original.st_gid) != 0)
        errno = 0;
    bool written = false;
    {
        CStreamHold source;
        CStreamHold target;
        CRIFF reader;
        CRIFF writer;
        _chunkInfo form;
        if (source->Open(song.c_str(), 0, 0) == 0 || reader.Open(source.get(), &form) == 0 ||
            form.id != RIFF_ID_RIFF || form.type != FourCC("WAVE") || target->Create(temporary.c_str()) == 0 ||
            writer.Create(target.get(), FourCC("WAVE")) == 0) {
            RemoveTempFile(temporary);
            return false;
        }
        if (info.tagType == TAG_TYPE_NONE) info.tagType = TAG_TYPE_WAV_INFO;
        std::vector<TWaveInfoItem> items;
        written = CopyChunksWithoutInfo(reader, writer, items);
        if (written && fields == kTagFieldsAll) {
            int done = 0;
            written = WriteWaveInfoList(writer, kSoftware, &done, &info) > 0 && done != 0;
        } else if (written) {
            written = WriteWaveInfoListEdit(writer, items, fields, info) > 0;
        }
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
    if (written) return MoveTempIntoPlace(temporary, song.c_str());
    RemoveTempFile(temporary);
    return false;
}
