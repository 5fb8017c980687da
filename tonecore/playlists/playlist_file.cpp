#include "tonecore/playlists/playlist_file.h"

#include <algorithm>
#include <new>

#include "filekit/file_obj.h"

TPlaylistBytes ReadPlaylistBytes(const char* path, std::int64_t minBytes, std::int64_t maxBytes) {
    TPlaylistBytes out;
    CFileObj* file = new (std::nothrow) CFileObj;
    if (file == nullptr || file->Open(path, 0, 0) == 0) {
        DeleteRefObject(&file);
        return out;
    }
    out.fileBytes = file->Size();
    if (out.fileBytes < minBytes || out.fileBytes > maxBytes) {
        out.outcome = TPlaylistRead::kSizeOutOfRange;
    } else {
        try {
            out.bytes.resize(static_cast<std::size_t>(out.fileBytes));
            const std::int64_t got = out.fileBytes > 0 ? file->Read(out.bytes.data(), out.fileBytes) : 0;
            out.bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
            out.outcome = got == out.fileBytes ? TPlaylistRead::kRead : TPlaylistRead::kShortRead;
        } catch (const std::bad_alloc&) {
            out.bytes.clear();
            out.outcome = TPlaylistRead::kNoMemory;
        }
    }
    DeleteRefObject(&file);
    return out;
}
