// An atom's place in its tree: adding, moving and removing, scaling, and
// rebuilding the combined map from the source map and the parent's.
//
// Every edit here holds the engine lock from start to end, the rebuilding of
// the combined maps included: the service thread reads the same maps and
// events while it mixes (under that lock), and a map rebuilt beside it would
// free events it is reading.
#include <cstdint>

#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/maps/event_map_values.h"

void CAudioAtom::RecombineFrom(CAudioAtom* atom) {
    if (atom == nullptr || !MapCombiningEnabled()) return;
    atom->CombineWithParentMap(MAP_ALL);
    atom->CombineWithSubMaps(MAP_ALL, 1);
}

CAudioAtom* CAudioAtom::Add(CAudioAtom* group, std::int32_t offset) {
    if (group == nullptr) return nullptr;
    CEngineLockGuard engine(EngineLock());
    CAudioAtom* changed = group->AddSubAtom(this, offset, 1, 1);
    RecombineFrom(changed);
    SetMixerFlag(ATOM_MIXER_TREE_CHANGED);
    return changed;
}

CAudioAtom* CAudioAtom::Move(std::int32_t offset) {
    CEngineLockGuard engine(EngineLock());
    SetMixerFlag(ATOM_MIXER_TREE_CHANGED);
    // A root has nowhere to move within.
    if (parent_ == nullptr) return nullptr;
    CAudioAtom* changed = parent_->MoveSubAtom(this, offset, 1, 1);
    RecombineFrom(changed);
    return changed;
}

CAudioAtom* CAudioAtom::Remove() {
    CEngineLockGuard engine(EngineLock());
    if (Playing()) Stop();
    const int references = References();
    SetMixerFlag(ATOM_MIXER_TREE_CHANGED);
    if (parent_ == nullptr) return nullptr;
    CAudioAtom* changed = parent_->RemoveSubAtom(this, 1, 1);
    // With a single reference the parent's was the last one, and this atom
    // may be gone now; only the parent's side is recombined then.
    if (changed != nullptr && changed != this && references >= 2) RecombineFrom(changed);
    return changed;
}

std::int32_t CAudioAtom::OffsetInParent() {
    const std::int64_t offset = std::int64_t{AbsoluteOffset()} - (parent_ != nullptr ? parent_->AbsoluteOffset() : 0);
    return mapvalues::ClampMs(offset);
}

void CAudioAtom::Scale(double factor) {
    CEngineLockGuard engine(EngineLock());
    const std::int32_t newLength = mapvalues::TruncMs(double(Length(0)) * factor);
    srcMap_.ScaleEvents(factor);
    SetVirtualLength(newLength);
    CAudioAtom* changed = parent_ != nullptr ? parent_->Resize(this) : this;
    if (changed == nullptr) return;
    changed->CombineWithParentMap(MAP_ALL);
    changed->CombineWithSubMaps(MAP_ALL, 1);
}

void CAudioAtom::CombineWithParentMap(TMapType type) {
    if (!MapCombiningEnabled()) return;
    // What the parent tells is asked before the atom's own lock is taken: a
    // parent's lock always comes before its members' (Length asks them
    // under it).
    const bool withParent = parent_ != nullptr && CanCombine() && parent_->CanCombine() && Length(0) != 0 &&
                            parent_->Length(0) != 0;
    const std::int32_t offset = withParent ? OffsetInParent() : 0;
    // The map is rebuilt under the atom's own lock, which a rendering
    // thread holds while it reads the map (it runs without the engine lock).
    std::lock_guard<std::recursive_mutex> own(AtomLock());
    const auto takeSource = [this](int each) {
        RemoveAllSimpleEvents(each);
        std::int32_t time = 0;
        for (int i = 0; const _tvol_pan_data* event = srcMap_.GetNextEvent(each, i, &time); ++i) {
            AddEvent(each, time, event->data, event->size);
        }
    };
    if (type == MAP_ALL) {
        for (int each : kEnvelopeTypes) takeSource(each);
    } else {
        takeSource(type);
    }

    if (withParent) {
        if (type == MAP_ALL) {
            // Only volume and pan follow the parent here; the rate is
            // combined only when it is asked for by itself.
            CombineMap(parent_, offset, MAP_VOLUME);
            CombineMap(parent_, offset, MAP_PAN);
        } else {
            CombineMap(parent_, offset, type);
        }
    }
    NotifyOfNewMap();
    SetMixerFlag(ATOM_MIXER_NEW_MAP);
    if ((type == MAP_ALL || type == MAP_RATE) && Playing()) SetMixerFlag(ATOM_MIXER_RATE_CHANGED);
}
