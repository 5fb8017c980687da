// The mixer's time window: which sounds of the tree are being read, and the
// mixing of their data into one wave buffer.

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "platform/last_error.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

namespace {

// Kinds that are read as sounds (bits 4, 8 and 16 of an atom's type).
constexpr int kSoundKinds = 4 | 8 | 16;

}  // namespace

CPCMMixer::TMixingEntry* CPCMMixer::EntryAt(int index) {
    return static_cast<TMixingEntry*>(mixingList_.Index(index));
}

void CPCMMixer::IncrementTimeWindow(double ms) {
    CEngineLockGuard hold(EngineLock());
    if (root_ != nullptr && (root_->Type() & ATOM_KIND_GROUP) != 0) {
        MixTimeWindow(static_cast<CSoundGroup*>(root_), static_cast<std::int32_t>(timeWindow_ + ms), 0);
    }
    timeWindow_ += ms;
}

void CPCMMixer::MixTimeWindow(CSoundGroup* group, std::int32_t windowEnd, std::int32_t base) {
    for (int i = 0; i < group->NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        std::int32_t offsetInGroup = 0;
        CAudioAtom* member = group->GetAtom(i, &offsetInGroup);
        if (member == nullptr) continue;
        const std::int32_t start = base + offsetInGroup;
        if (member->GetFlag(ATOM_MIXER_TREE_CHANGED) != 0) {
            // Added, moved or removed: it restarts at its new place.
            if (member->Playing()) StopAtom(member, 0);
            member->ClearMixerFlag(ATOM_MIXER_TREE_CHANGED);
        }
        const int type = member->Type();
        if ((type & kSoundKinds) != 0) {
            MixSoundMember(member, start, windowEnd);
        } else if ((type & ATOM_KIND_GROUP) != 0) {
            MixGroupMember(static_cast<CSoundGroup*>(member), start, windowEnd);
        }
    }
}

void CPCMMixer::MixSoundMember(CAudioAtom* member, std::int32_t start, std::int32_t windowEnd) {
    const double window = timeWindow_;
    const std::int64_t end = std::int64_t{start} + member->Length(0);
    if (start > windowEnd || end <= window || member->Playing()) return;
    if (start < window) {
        // It began before the window: it joins in its middle.
        PlayAtom(member, static_cast<std::int32_t>(window - start), 0.0);
    } else {
        PlayAtom(member, 0, start - window);
    }
}

void CPCMMixer::MixGroupMember(CSoundGroup* member, std::int32_t start, std::int32_t windowEnd) {
    const double window = timeWindow_;
    const std::int64_t end = std::int64_t{start} + member->Length(0);
    if (member->InPlayOnceMode()) {
        if (member->FinishedWithPlayOnce()) StopAtom(member, 0);
        return;
    }
    if (member->Playing() && end <= window) {
        StopAtom(member, 0);
    } else if (member->Playing() && member->GetFlag(ATOM_MIXER_STOP) != 0) {
        StopAtom(member, 0);
    } else if (end > window && (start <= window || start <= windowEnd)) {
        // A negative offset when it starts later in the window.
        if (!member->Playing()) PlayAtom(member, static_cast<std::int32_t>(window - start), 0.0);
        // A group started just now hears its notice after this pass; its
        // members that fall into this window start now all the same, or
        // their beginnings would be lost.
        if (Started(member)) MixTimeWindow(member, windowEnd, start);
    }
}

void CPCMMixer::MixIntoBuffer(_pcm_mix_buffer* buffer) {
    CEngineLockGuard hold(EngineLock());
    const WAVEFORMATEX& format = init_.format;
    if (device_ != nullptr) waveOutUnprepareHeader(device_, &buffer->header, sizeof buffer->header);
    std::memset(buffer->data.data(), format.wBitsPerSample == 8 ? 0x80 : 0, buffer->data.size());
    CleanUpPlayingSounds(0);
    const double count = std::max(init_.bufferCount, 0);
    for (int i = 0; i < mixingList_.Count(); ++i) {
        TMixingEntry* entry = EntryAt(i);
        if (entry->state != RENDER_MORE) continue;
        if (entry->delay >= bufferDuration_) {
            entry->delay -= bufferDuration_;
            continue;
        }
        auto offset = static_cast<std::uint32_t>(format.nAvgBytesPerSec * entry->delay * 0.001);
        offset -= offset % format.nBlockAlign;
        offset = std::min<std::uint32_t>(offset, static_cast<std::uint32_t>(buffer->data.size()));
        entry->delay = 0.0;
        _bufferType out;
        out.format = &format;
        out.data = buffer->data.data() + offset;
        out.size = static_cast<std::uint32_t>(buffer->data.size()) - offset;
        out.frames = out.size / format.nBlockAlign;
        std::int32_t bytes = 0;
        entry->state = entry->sound->ReadData(&out, bytes);
        // Its last samples are heard once every buffer queued now has played.
        if (entry->state == RENDER_FINISHED) entry->delay = count * bufferDuration_;
    }
    if (device_ != nullptr) {
        waveOutPrepareHeader(device_, &buffer->header, sizeof buffer->header);
        waveOutWrite(device_, &buffer->header, sizeof buffer->header);
    }
}

void CPCMMixer::CleanUpPlayingSounds(int all) {
    CEngineLockGuard hold(EngineLock());
    // Stopping one entry's sound may remove others (a group stops its
    // members): the walk goes over a copy and skips entries already gone.
    std::vector<TMixingEntry*> walk;
    for (int i = 0; i < mixingList_.Count(); ++i) walk.push_back(EntryAt(i));
    std::vector<std::pair<std::int32_t, CPCMSound*>> restarts;
    for (TMixingEntry* entry : walk) {
        if (!mixingList_.Member(entry)) continue;
        CPCMSound* sound = entry->sound;
        if (all) {
            StopAtom(sound, 1);
        } else if (entry->state == RENDER_MORE) {
            if (sound->GetFlag(ATOM_MIXER_RATE_CHANGED) != 0) {
                sound->ClearMixerFlag(ATOM_MIXER_RATE_CHANGED);
                restarts.emplace_back(RestartOffset(sound), sound);
            } else if (sound->GetFlag(ATOM_MIXER_STOP) != 0) {
                StopAtom(sound, 1);
            }
        } else if (entry->delay <= bufferDuration_) {
            // Finished (or failed) and its last buffer has been heard.
            StopAtom(sound, 1);
        } else {
            entry->delay -= bufferDuration_;
        }
    }
    std::stable_sort(restarts.begin(), restarts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [offset, sound] : restarts) {
        StopMixingAtom(sound);
        if (offset >= sound->Length(0)) {
            StopAtom(sound, 1);
        } else {
            StartMixingAtom(sound, offset, 0.0);
        }
    }
}

std::int32_t CPCMMixer::RestartOffset(CPCMSound* sound) {
    CAudioAtom* parent = sound->Parent();
    if (parent == nullptr || !parent->Playing()) return CurrentOffset(sound);
    // Where the buffer being mixed begins, not where the window ends: the
    // sound has been read up to there, and resuming further on would skip
    // what the buffers still to be mixed hold of it.
    const double offset = mixingFromMs_ - sound->AbsoluteOffset();
    return static_cast<std::int32_t>(std::clamp<double>(offset, 0.0, sound->Length(0)));
}

void CPCMMixer::StartMixingAtom(CAudioAtom* atom, std::int32_t offset, double delayMs) {
    CEngineLockGuard hold(EngineLock());
    if (atom->Type() != ATOM_KIND_PCM_SOUND) return;
    auto* sound = static_cast<CPCMSound*>(atom);
    if (!sound->Load(offset)) return;
    auto* entry = new (std::nothrow) TMixingEntry{sound, RENDER_MORE, delayMs};
    if (entry == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return;
    }
    sound->Idle(&init_.format);
    if (mixingList_.InsertNewHead(entry, 0) < 0) {
        delete entry;
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
    }
}

void CPCMMixer::StopMixingAtom(CAudioAtom* atom) {
    CEngineLockGuard hold(EngineLock());
    if (atom->Type() != ATOM_KIND_PCM_SOUND) return;
    for (int i = 0; i < mixingList_.Count(); ++i) {
        TMixingEntry* entry = EntryAt(i);
        if (entry->sound != atom) continue;
        mixingList_.Remove(entry);
        delete entry;
        return;
    }
}
