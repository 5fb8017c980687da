#include "tonecore/sound/stream_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "filekit/ref_obj.h"

bool CopyStreamBytes(CRefObj& from, std::int64_t start, std::int64_t bytes, std::size_t piece,
                     const TPieceWriter& write, const TCopyProgress& progress) {
    if (bytes < 0 || piece == 0) return false;
    const std::int64_t position = from.Tell();
    std::vector<std::uint8_t> data;
    try {
        data.resize(static_cast<std::size_t>(std::min<std::int64_t>(bytes, static_cast<std::int64_t>(piece))));
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool copied = from.Seek(start, 0) != 0 || bytes == 0;
    std::int64_t done = 0;
    // Every piece must move in full: a read or write that moves less would
    // otherwise leave a gap, or go round for ever on one that moves nothing.
    while (copied && done < bytes) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(bytes - done, std::int64_t(data.size())));
        copied = from.Read(data.data(), static_cast<std::int64_t>(want)) == static_cast<std::int64_t>(want) &&
                 write(data.data(), want);
        if (!copied) break;
        done += static_cast<std::int64_t>(want);
        if (progress) progress(done);
    }
    from.Seek(position, 0);
    return copied;
}
