// The "atom" chunk: an atom's length, place, name and flags, followed in the
// file by its source map's "smap" stream. 584 bytes, little-endian:
//
//   0   length (Length(0))        4   absolute offset
//   8   information block, 512    520 magic
//   524 virtual data start        528 chunk flags (bit 0 muted, bit 1 locked)
//   532 52 zero bytes
#include <array>
#include <cstdint>
#include <cstring>

#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/riff_chunk_expect.h"

namespace {

constexpr std::uint32_t kAtomChunkId = FourCC("atom");
// Chunks written with the flags word.
constexpr std::uint32_t kAtomMagic = 0x12345679;
// Older chunks: the virtual data start is there, the flags are not.
constexpr std::uint32_t kAtomMagicWithoutFlags = 0x12345678;

constexpr std::size_t kLengthAt = 0;
constexpr std::size_t kOffsetAt = 4;
constexpr std::size_t kInfoAt = 8;
constexpr std::size_t kMagicAt = 520;
constexpr std::size_t kDataStartAt = 524;
constexpr std::size_t kFlagsAt = 528;
constexpr std::size_t kReservedAt = 532;
static_assert(kInfoAt + sizeof(_infoStruct) == kMagicAt);
static_assert(kReservedAt + 52 == CAudioAtom::kChunkBytes);

using TAtomChunk = std::array<unsigned char, CAudioAtom::kChunkBytes>;

}  // namespace

std::uint32_t CAudioAtom::SaveSize(int flag) {
    (void)flag;
    return kChunkBytes + srcMap_.MapSaveSize();
}

int CAudioAtom::Save(CRIFF* riff, int flag) {
    (void)flag;
    if (riff == nullptr) return 0;
    TAtomChunk chunk{};
    StoreLe32(&chunk[kLengthAt], static_cast<std::uint32_t>(Length(0)));
    StoreLe32(&chunk[kOffsetAt], static_cast<std::uint32_t>(AbsoluteOffset()));
    std::memcpy(&chunk[kInfoAt], &info_, sizeof info_);
    StoreLe32(&chunk[kMagicAt], kAtomMagic);
    StoreLe32(&chunk[kDataStartAt], static_cast<std::uint32_t>(virtualDataStart_));
    StoreLe32(&chunk[kFlagsAt], chunkFlags_);
    if (!riff->WriteSubChunk(kAtomChunkId, chunk.data(), static_cast<std::int64_t>(chunk.size()))) return 0;
    return srcMap_.WriteMap(riff) ? 1 : 0;
}

int CAudioAtom::Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback callback, void* context) {
    (void)a;
    (void)b;
    (void)c;
    (void)d;
    (void)callback;
    (void)context;
    if (riff == nullptr || !CurrentChunkIs(*riff, kAtomChunkId)) return 0;
    // A short chunk leaves the rest of the record zero (no magic).
    TAtomChunk chunk{};
    if (riff->ReadCurrentSubChunk(chunk.data(), static_cast<std::int64_t>(chunk.size())) < 0) return 0;
    riff->SeekToNextChunk();
    // Places on the time line are never negative: a negative one is damage.
    if (static_cast<std::int32_t>(LoadLe32(&chunk[kOffsetAt])) < 0) {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    LoadChunk(chunk.data());

    const auto length = static_cast<std::int32_t>(LoadLe32(&chunk[kLengthAt]));
    srcMap_.RemoveAllEvents();
    srcMap_.ReadMap(riff);
    if (srcMap_.NumEvents(-1) == 0) srcMap_.SetDefaultMap(length, MAP_ALL);
    return 1;
}

void CAudioAtom::LoadChunk(const unsigned char* chunk) {
    absoluteOffset_ = static_cast<std::int32_t>(LoadLe32(&chunk[kOffsetAt]));
    const std::uint32_t magic = LoadLe32(&chunk[kMagicAt]);
    if (magic == kAtomMagic || magic == kAtomMagicWithoutFlags) {
        virtualDataStart_ = static_cast<std::int32_t>(LoadLe32(&chunk[kDataStartAt]));
        // Taken without notifications: the atom is being built, not changed.
        chunkFlags_ = magic == kAtomMagic ? LoadLe32(&chunk[kFlagsAt]) : 0;
    }
    SetVirtualLength(static_cast<std::int32_t>(LoadLe32(&chunk[kLengthAt])));
    std::memcpy(&info_, &chunk[kInfoAt], sizeof info_);
    // The name field may come unterminated from a file.
    info_.name[sizeof info_.name - 1] = '\0';
}
