// Copies of a group, whole or for a range of its time line, and the
// operations that pass through to every member.
#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <vector>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/maps/event_map_values.h"
#include "tonecore/sound/held_members.h"
#include "tonecore/sound/sound_group.h"

// The copies take the source's members first and let go of its lock before
// adding to the new group: adding takes the engine lock, which must never be
// waited for while an atom's lock is held (the service thread holds the
// engine lock and asks a playing group its length, under the group's lock).
CSoundGroup::CSoundGroup(const CSoundGroup& source) : CAudioAtom(source) {
    ResetBestFormat();
    CHeldMembers from(const_cast<CSoundGroup&>(source));
    for (const auto& [member, offset] : from.Members()) {
        CAudioAtom* copy = member->Copy();
        if (copy == nullptr) continue;
        AddSubAtom(copy, offset, 0, 0);
        copy->DecReference();
    }
    Resize(nullptr);
    StampNew();
}

CSoundGroup::CSoundGroup(CSoundGroup& source, std::int32_t start, std::int32_t end)
    : CAudioAtom(source, start, end) {
    ResetBestFormat();
    lastSavedNumAtoms_ = source.lastSavedNumAtoms_;
    const std::int32_t sourceStart = source.AbsoluteOffset();
    bool straddlesStart = false;
    bool placed = false;
    std::int32_t firstPlaced = 0;
    CHeldMembers from(source);
    for (const auto& [member, o] : from.Members()) {
        const std::int32_t e = o + member->Length(0);
        CAudioAtom* piece = nullptr;
        std::int32_t at = o - start;
        if (o <= start && start <= e) {
            piece = member->Copy(start - o, std::min(e, end) - o);
            at = 0;
            straddlesStart = true;
        } else if (start < o && e <= end) {
            piece = member->Copy();
        } else if (start < o && o < end && end < e) {
            piece = member->Copy(0, end - o);
        }
        if (piece == nullptr) continue;
        if (!placed) firstPlaced = sourceStart + (o - start);
        placed = true;
        AddSubAtom(piece, at, 0, 0);
        piece->DecReference();
    }
    const std::int32_t groupStart = straddlesStart || !placed ? sourceStart : firstPlaced;
    SetAbsoluteOffset(groupStart);
    OffsetSubordinates(sourceStart - groupStart, 0, 0);
    Resize(nullptr);
    if (end > start) {
        SetVirtualLength(end - start);
    } else {
        NotifyOfNewLength();
    }
    StampNew();
}

CAudioAtom* CSoundGroup::Copy() { return new (std::nothrow) CSoundGroup(*this); }

CAudioAtom* CSoundGroup::Copy(std::int32_t start, std::int32_t end) {
    return new (std::nothrow) CSoundGroup(*this, start, end);
}

void CSoundGroup::Scale(double factor) {
    // The whole edit, the maps rebuilt at the end included, under the engine
    // lock: the service thread must not read members half moved or maps
    // half rebuilt.
    CEngineLockGuard engine(EngineLock());
    const std::int32_t newLength = mapvalues::TruncMs(double(Length(0)) * factor);
    GetSrcMap()->ScaleEvents(factor);
    CHeldMembers held(*this);
    auto& placed = held.Members();
    // Stretching moves members later: the last goes first, so that a moved
    // member never passes one that has not moved yet (and the other way
    // round when shrinking).
    if (factor > 1.0) std::reverse(placed.begin(), placed.end());
    DisableMapCombining();
    for (const auto& [member, offset] : placed) {
        member->Move(mapvalues::TruncMs(double(offset) * factor));
        member->Scale(factor);
    }
    EnableMapCombining();
    SetVirtualLength(newLength);
    CAudioAtom* changed = Parent() != nullptr ? Parent()->Resize(this) : this;
    if (changed == nullptr) return;
    changed->CombineWithParentMap(MAP_ALL);
    changed->CombineWithSubMaps(MAP_ALL, 1);
}

void CSoundGroup::CombineWithSubMaps(TMapType type, int recurse) {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    for (int i = 0; i < members_.Count(); ++i) {
        auto* member = static_cast<CAudioAtom*>(members_.Index(i));
        member->CombineWithParentMap(type);
        if (recurse) member->CombineWithSubMaps(type, recurse);
    }
}

void CSoundGroup::Mute(int on) {
    {
        std::lock_guard<std::recursive_mutex> hold(AtomLock());
        for (int i = 0; i < members_.Count(); ++i) static_cast<CAudioAtom*>(members_.Index(i))->Mute(on);
    }
    CAudioAtom::Mute(on);
}

void CSoundGroup::SetPlayOnceMode(int on) {
    CAudioAtom::SetPlayOnceMode(on);
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    for (int i = 0; i < members_.Count(); ++i) static_cast<CAudioAtom*>(members_.Index(i))->SetPlayOnceMode(on);
}

int CSoundGroup::FinishedWithPlayOnce() {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    for (int i = 0; i < members_.Count(); ++i) {
        if (static_cast<CAudioAtom*>(members_.Index(i))->FinishedWithPlayOnce() == 1) return 1;
    }
    return 0;
}
