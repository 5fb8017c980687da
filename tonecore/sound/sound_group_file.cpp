// A group in a RIFF file: LIST "sgrp" { "atom" + "smap" (the atom part),
// "sgdt" (the member count), "sgif" (the information record), then one list
// per member: "sndc" for a PCM sound, a nested "sgrp" for a group }.
#include <array>
#include <cstring>
#include <new>

#include "filekit/errors.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/sound/held_members.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

namespace {

constexpr std::uint32_t kGroupListType = FourCC("sgrp");
constexpr std::uint32_t kSoundListType = FourCC("sndc");
constexpr std::uint32_t kAtomChunkId = FourCC("atom");
constexpr std::uint32_t kCountChunkId = FourCC("sgdt");
constexpr std::uint32_t kInfoChunkId = FourCC("sgif");

using TInfoBytes = std::array<unsigned char, sizeof(TSoundGroupInfo)>;

constexpr std::size_t kMagicAt = offsetof(TSoundGroupInfo, magic);
constexpr std::size_t kDataSizeAt = offsetof(TSoundGroupInfo, dataSizeOfSubGroups);
static_assert(kMagicAt == 1088 && kDataSizeAt == 1096);

void StoreLeDouble(unsigned char* p, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    StoreLe32(p, static_cast<std::uint32_t>(bits));
    StoreLe32(p + 4, static_cast<std::uint32_t>(bits >> 32));
}

double LoadLeDouble(const unsigned char* p) {
    const std::uint64_t bits = LoadLe32(p) | std::uint64_t{LoadLe32(p + 4)} << 32;
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TInfoBytes InfoToBytes(const TSoundGroupInfo& info) {
    TInfoBytes bytes{};
    std::memcpy(bytes.data(), info.comments, sizeof info.comments);
    std::memcpy(bytes.data() + sizeof info.comments, info.creationTime, sizeof info.creationTime);
    StoreLe32(&bytes[kMagicAt], info.magic);
    StoreLe32(&bytes[kMagicAt + 4], info.reserved);
    StoreLeDouble(&bytes[kDataSizeAt], info.dataSizeOfSubGroups);
    return bytes;
}

// A record from a file; its texts may come unterminated.
void BytesToInfo(const TInfoBytes& bytes, TSoundGroupInfo& info) {
    info = TSoundGroupInfo{};
    std::memcpy(info.comments, bytes.data(), sizeof info.comments);
    std::memcpy(info.creationTime, bytes.data() + sizeof info.comments, sizeof info.creationTime);
    info.comments[sizeof info.comments - 1] = '\0';
    info.creationTime[sizeof info.creationTime - 1] = '\0';
    info.magic = LoadLe32(&bytes[kMagicAt]);
    info.reserved = LoadLe32(&bytes[kMagicAt + 4]);
    info.dataSizeOfSubGroups = info.magic == CSoundGroup::kInfoMagic ? LoadLeDouble(&bytes[kDataSizeAt]) : 0.0;
}

// The list type of the current chunk; 0 when it is not a list.
std::uint32_t CurrentListType(CRIFF& riff) {
    if (!riff.Descend()) return 0;
    _chunkInfo list;
    _subChunk first;
    riff.GetCurrentChunkInfo(&list, &first);
    riff.Ascend();
    return list.type;
}

}  // namespace

int CSoundGroup::PreSave(CRIFF* riff) {
    return riff != nullptr && riff->WriteListChunkHeader(kGroupListType) && riff->Descend() ? 1 : 0;
}

int CSoundGroup::PostSave(CRIFF* riff) { return riff != nullptr && riff->Ascend() ? 1 : 0; }

int CSoundGroup::Save(CRIFF* riff, int flag) {
    if (!PreSave(riff)) return 0;
    int saved = CAudioAtom::Save(riff, 1);
    // The members are saved from a list taken under the lock, not under the
    // lock itself: a member's save may take long (a sound writes its data),
    // and the service thread asks a playing group its length meanwhile.
    CHeldMembers members(*this);
    unsigned char count[4];
    lastSavedNumAtoms_ = static_cast<std::int32_t>(members.Count());
    StoreLe32(count, static_cast<std::uint32_t>(lastSavedNumAtoms_));
    info_.magic = kInfoMagic;
    info_.dataSizeOfSubGroups = DataSizeOfSubGroups();
    const TInfoBytes info = InfoToBytes(info_);
    if (saved) saved = riff->WriteSubChunk(kCountChunkId, count, sizeof count) && riff->WriteSubChunk(kInfoChunkId, info.data(), info.size());
    for (const auto& placed : members.Members()) {
        if (!saved) break;
        saved = placed.member->Save(riff, flag);
    }
    // The list is closed whatever happened; the reason for a failure (a
    // member that cannot be saved so, say) stays for the caller.
    const std::uint32_t error = GetLastError();
    if (!PostSave(riff)) saved = 0;
    if (!saved && error != 0) SetLastError(error);
    return saved ? 1 : 0;
}

std::uint32_t CSoundGroup::SaveSize(int flag) {
    std::uint32_t size = CAudioAtom::SaveSize(flag) + 4;
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    for (int i = 0; i < members_.Count(); ++i) size += static_cast<CAudioAtom*>(members_.Index(i))->SaveSize(flag);
    return size;
}

int CSoundGroup::PreLoad(CRIFF* riff) { return riff != nullptr && riff->Descend() ? 1 : 0; }

int CSoundGroup::PostLoad(CRIFF* riff) {
    if (riff == nullptr || !riff->Ascend()) return 0;
    // A group that is the last chunk of its parent has nothing to move on
    // to; that is the end of the parent, not a failed load.
    riff->SeekToNextChunk();
    return 1;
}

int CSoundGroup::Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback callback, void* context) {
    if (!PreLoad(riff)) return 0;
    if (!riff->SeekToChunk(kAtomChunkId, 0, 0) || !CAudioAtom::Load(riff, a, b, c, d, callback, context)) {
        PostLoad(riff);
        return 0;
    }
    std::int32_t members = 0;
    if (riff->SeekToChunk(kCountChunkId, 0, 0)) {
        unsigned char count[4] = {};
        if (riff->ReadCurrentSubChunk(count, sizeof count) == sizeof count) {
            members = static_cast<std::int32_t>(LoadLe32(count));
        }
        lastSavedNumAtoms_ = members;
        riff->SeekToNextChunk();
    }
    _chunkInfo parent;
    _subChunk current;
    riff->GetCurrentChunkInfo(&parent, &current);
    if (current.id == kInfoChunkId) {
        TInfoBytes bytes{};
        if (riff->ReadCurrentSubChunk(bytes.data(), bytes.size()) >= 0) BytesToInfo(bytes, info_);
        riff->SeekToNextChunk();
    }
    for (std::int32_t i = 0; i < members; ++i) {
        const std::uint32_t listType = CurrentListType(*riff);
        if (listType == 0) break;
        // Whatever the member's loading leaves the reader at, the next member
        // comes after this one's list.
        const CRIFF atMember(*riff);
        SetLastError(0);
        const int loaded = LoadSubAtom(riff, listType, a, b, c, d, callback, context);
        if (!loaded && GetLastError() == FILEKIT_ERR_COPY_REOPEN) break;
        *riff = atMember;
        if (!riff->SeekToNextChunk()) break;
    }
    return PostLoad(riff);
}

int CSoundGroup::LoadSubAtom(CRIFF* riff, std::uint32_t listType, int a, int b, int c, int d,
                             TLoadProgressCallback callback, void* context) {
    CAudioAtom* atom = nullptr;
    if (listType == kSoundListType) {
        atom = new (std::nothrow) CPCMSound();
    } else if (listType == kGroupListType) {
        atom = new (std::nothrow) CSoundGroup();
    } else {
        return 0;
    }
    if (atom == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    if (!atom->Load(riff, a, b, c, d, callback, context)) {
        DeleteAtom(&atom);
        return 1;
    }
    atom->Add(this, atom->AbsoluteOffset() - AbsoluteOffset());
    DeleteAtom(&atom);
    return 1;
}

double CSoundGroup::GetSavedSize(CRIFF* riff) {
    if (riff == nullptr || riff->GetRefObj() == nullptr) return 0.0;
    const CRIFF atList(*riff);
    const std::int64_t position = riff->GetRefObj()->Tell();
    double size = 0.0;
    TInfoBytes bytes{};
    if (riff->Descend() && riff->SeekToChunk(kInfoChunkId, 0, 0) &&
        riff->ReadCurrentSubChunk(bytes.data(), bytes.size()) >= 0) {
        TSoundGroupInfo info;
        BytesToInfo(bytes, info);
        size = info.dataSizeOfSubGroups;
    }
    *riff = atList;
    riff->GetRefObj()->Seek(position, 0);
    return size;
}
