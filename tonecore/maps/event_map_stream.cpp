// The "smap" stream of an event map: a count, then each event as its type,
// time and data size (little-endian 32-bit words) followed by its data.
#include <algorithm>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

#include "filekit/ref_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/maps/event_map.h"
#include "tonecore/engine/riff_chunk_expect.h"

namespace {

constexpr std::uint32_t kMapChunkId = FourCC("smap");
// type, time, data size
constexpr std::size_t kEventHeaderBytes = 12;

bool IsEnvelopeType(std::int32_t type) { return type == MAP_VOLUME || type == MAP_PAN || type == MAP_RATE; }

}  // namespace

int CMap::WriteMap(CRIFF* riff) const {
    if (riff == nullptr || !riff->StartWriteStream(kMapChunkId)) return 0;
    bool complete = true;
    const auto put = [&](const void* bytes, std::int64_t len) {
        if (len > 0 && riff->WriteStreamData(bytes, len) != len) complete = false;
    };
    const auto putWord = [&](std::uint32_t value) {
        unsigned char word[4];
        StoreLe32(word, value);
        put(word, sizeof word);
    };
    putWord(static_cast<std::uint32_t>(events_.Count()));
    for (int i = 0; i < events_.Count(); ++i) {
        std::int32_t time = 0;
        const _tvol_pan_data* event = GetEventData(i, &time);
        putWord(static_cast<std::uint32_t>(event->type));
        putWord(static_cast<std::uint32_t>(time));
        putWord(event->size);
        put(event->data, event->size);
    }
    const int ended = riff->EndWriteStream();
    return complete ? ended : 0;
}

int CMap::ReadMap(CRIFF* riff) {
    if (riff == nullptr || riff->GetRefObj() == nullptr || !CurrentChunkIs(*riff, kMapChunkId)) return 0;
    _chunkInfo parent;
    _subChunk current;
    riff->GetCurrentChunkInfo(&parent, &current);
    // The chunk cannot hold more than the whole stream, whatever its size
    // field says.
    const std::int64_t wanted =
        std::min<std::int64_t>(current.size, std::max<std::int64_t>(riff->GetRefObj()->Size(), 0));
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    const std::int64_t got = riff->ReadCurrentSubChunk(buffer.data(), wanted);
    if (got < 0) return 0;
    std::span<const unsigned char> bytes(buffer.data(), static_cast<std::size_t>(got));

    if (bytes.size() >= 4) {
        const std::uint32_t count = LoadLe32(bytes.data());
        std::size_t pos = 4;
        for (std::uint32_t n = 0; n < count && bytes.size() - pos >= kEventHeaderBytes; ++n) {
            const auto type = static_cast<std::int32_t>(LoadLe32(&bytes[pos]));
            const auto time = static_cast<std::int32_t>(LoadLe32(&bytes[pos + 4]));
            const std::uint32_t size = LoadLe32(&bytes[pos + 8]);
            pos += kEventHeaderBytes;
            if (size > bytes.size() - pos) break;
            // A point of an envelope is one double; anything else would be
            // read past its data.
            if (!IsEnvelopeType(type) || size == sizeof(double)) {
                AddEvent(type, time, size > 0 ? &bytes[pos] : nullptr, size);
            }
            pos += size;
        }
    }
    riff->SeekToNextChunk();
    return 1;
}

std::uint32_t CMap::MapSaveSize() const {
    std::uint32_t total = 0;
    for (int i = 0; i < events_.Count(); ++i) {
        total += static_cast<std::uint32_t>(kEventHeaderBytes) + GetEventData(i, nullptr)->size;
    }
    return total;
}
