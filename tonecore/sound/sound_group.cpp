// A group's members: adding, removing and moving them, keeping the group
// normalised, its length, and the best format among its members.
#include "tonecore/sound/sound_group.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "filekit/ref_obj.h"
#include "tonecore/sound/atom_names.h"
#include "tonecore/sound/atom_playback.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/maps/event_map_values.h"
#include "tonecore/pcm/pcm_format.h"
#include "tonecore/sound/pcm_sound.h"
#include "utilities/text_copy.h"

namespace {

std::uint32_t RateClass(std::uint32_t rate) {
    if (rate <= kMixRateLow) return kMixRateLow;
    return rate < kMixRateHigh ? kMixRateMid : kMixRateHigh;
}

// Structural edits: the engine lock first (the service thread holds it while
// it walks the tree), then the group's ancestors from the root down, then
// the group's own. Readers such as Length take a group's lock and then its
// members' locks; an edit that reaches up into the parent (normalising moves
// the group in it) must take them in that same order. The parent chain
// cannot change meanwhile: every change to it is made under the engine lock.
class TEditLock {
public:
    explicit TEditLock(CAudioAtom& group) : engine_(EngineLock()) {
        std::vector<CAudioAtom*> chain;
        for (CAudioAtom* atom = &group; atom != nullptr; atom = atom->Parent()) chain.push_back(atom);
        held_.reserve(chain.size());
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) held_.emplace_back((*it)->AtomLock());
    }

private:
    CEngineLockGuard engine_;
    std::vector<std::unique_lock<std::recursive_mutex>> held_;
};

}  // namespace

CAudioAtom* ShallowerAtom(CAudioAtom* a, CAudioAtom* b) {
    if (b == nullptr || !b->CanCombine()) return a;
    if (a == nullptr || b->LevelsDeep() < a->LevelsDeep()) return b;
    return a;
}

CSoundGroup::CSoundGroup() {
    ResetBestFormat();
    StampNew();
}

CSoundGroup::~CSoundGroup() {
    TEditLock hold(*this);
    while (members_.Count() > 0) {
        auto* member = static_cast<CAudioAtom*>(members_.Index(0));
        RemoveSubAtom(member, 0, 0);
    }
}

void CSoundGroup::StampNew() {
    std::memset(info_.comments, 0, sizeof info_.comments);
    std::memset(info_.creationTime, 0, sizeof info_.creationTime);
    char now[kTimeStringBytes];
    GetCurrentTimeString(now);
    textcopy::CopyTextCut(now, info_.creationTime, sizeof info_.creationTime);
}

void CSoundGroup::ResetBestFormat() {
    bestFormat_ = WAVEFORMATEX{WAVE_FORMAT_PCM, 2, kMixRateLow, kMixRateLow * 2, 2, 8, 0};
    eightBitMembers_ = widerMembers_ = lowRateMembers_ = midRateMembers_ = highRateMembers_ = 0;
}

void CSoundGroup::SetComments(const char* comments) {
    std::memset(info_.comments, 0, sizeof info_.comments);
    textcopy::CopyTextCut(comments != nullptr ? comments : "", info_.comments, sizeof info_.comments);
}

const WAVEFORMATEX* CSoundGroup::MemberFormat(CAudioAtom* member) {
    if (member == nullptr) return nullptr;
    if (member->Type() & ATOM_KIND_GROUP) {
        auto* group = static_cast<CSoundGroup*>(member);
        return &group->bestFormat_;
    }
    auto* sound = dynamic_cast<CPCMSound*>(member);
    return sound != nullptr ? sound->Format() : nullptr;
}

bool CSoundGroup::TakeOut(CAudioAtom* member) {
    if (!members_.Member(member)) return false;
    members_.Remove(member);
    cacheValid_ = 0;
    return true;
}

CAudioAtom* CSoundGroup::GetAtom(int i, std::int32_t* offset) {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    return static_cast<CAudioAtom*>(members_.Index(i, offset));
}

CAudioAtom* CSoundGroup::GetAtomBefore(std::int32_t time, int& index, std::int32_t unused) {
    (void)unused;
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    return static_cast<CAudioAtom*>(members_.ElemBySortValue(time, &index));
}

int CSoundGroup::IsMember(CAudioAtom* atom) {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    return atom != nullptr && members_.Member(atom) ? 1 : 0;
}

int CSoundGroup::NumAtoms(int kindMask, int recurse) {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    int count = 0;
    for (int i = 0; i < members_.Count(); ++i) {
        auto* member = static_cast<CAudioAtom*>(members_.Index(i));
        const int kind = member->Type();
        if (kind & kindMask) ++count;
        if (recurse && (kind & ATOM_KIND_GROUP)) count += static_cast<CSoundGroup*>(member)->NumAtoms(kAllMemberKinds, 0);
    }
    return count;
}

CAudioAtom* CSoundGroup::Normalise(CAudioAtom* result) {
    std::int32_t first = 0;
    if (members_.Index(0, &first) == nullptr || first == 0 || !CanAdjust()) return nullptr;
    members_.AdjustAllSortValues(-first);
    cacheValid_ = 0;
    auto* parent = Parent();
    if (parent != nullptr) {
        // Moving the group forward by what its members moved back keeps
        // every member in its place on the root's time line. Moving (rather
        // than a plain re-add) also takes the group's count back out of the
        // parent before counting it again.
        result = ShallowerAtom(result, parent->MoveSubAtom(this, OffsetInParent() + first, 1, 1));
    }
    // A root has no parent to make up for the shift: its members' absolute
    // offsets follow their new places, as the mixer reads them from there.
    UpdateSubAtomAbsoluteOffsets();
    return result;
}

CAudioAtom* CSoundGroup::AddSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) {
    if (child == nullptr) return nullptr;
    TEditLock hold(*this);
    members_.AddSorted(child, offset);
    cacheValid_ = 0;
    child->SetLevelsDeep(LevelsDeep() + 1);
    child->SetAbsoluteOffset(MemberAbsoluteOffset(offset));
    child->SetParent(this);
    child->AddReference();
    CAudioAtom* result = child;

    CAudioAtom* shifted = adjust && offset != 0 ? Normalise(result) : nullptr;
    if (shifted != nullptr) {
        result = shifted;
    } else {
        child->NotifyOfNewPosition();
        if (child->Type() & ATOM_KIND_GROUP) static_cast<CSoundGroup*>(child)->UpdateSubAtomAbsoluteOffsets();
    }
    if (combine) result = ShallowerAtom(result, Resize(child));
    if (adjust) NotifyOfMemberChange();
    UpdateBestFormat(MemberFormat(child), 1);
    return result;
}

CAudioAtom* CSoundGroup::RemoveSubAtom(CAudioAtom* child, int adjust, int combine) {
    TEditLock hold(*this);
    // Only a member was ever counted: uncounting anything else would let the
    // best format fall while better members remain.
    if (child == nullptr || !members_.Member(child)) return nullptr;
    UpdateBestFormat(MemberFormat(child), 0);
    child->SetLevelsDeep(0);
    TakeOut(child);
    child->SetParent(nullptr);
    child->NotifyOfNewPosition();
    // Another holder (the mixer, a rendering) may let go of the child on its
    // own thread at any time: a reference of this edit's own keeps it alive
    // until the edit is done with it. When the group's was the last other
    // one, the child counts as gone, as it will be once this one goes.
    child->AddReference();
    CAudioAtom* groups = child;
    DeleteAtom(&groups);
    CAudioAtom* kept = child->References() > 1 ? child : nullptr;

    CAudioAtom* result = Normalise(nullptr);
    if (combine) {
        CAudioAtom* resized = Resize(kept);
        if (resized != nullptr && resized->CanCombine()) result = ShallowerAtom(result, resized);
    } else {
        result = kept;
    }
    if (adjust) NotifyOfMemberChange();
    CAudioAtom* own = child;
    DeleteAtom(&own);
    return own == nullptr && result == child ? nullptr : result;
}

CAudioAtom* CSoundGroup::MoveSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) {
    TEditLock hold(*this);
    if (child == nullptr || !TakeOut(child)) return nullptr;
    UpdateBestFormat(MemberFormat(child), 0);
    CAudioAtom* result = AddSubAtom(child, offset, adjust, combine);
    child->DecReference();
    return result;
}

CAudioAtom* CSoundGroup::OffsetSubordinates(std::int32_t delta, int adjust, int combine) {
    if (delta == 0) return this;
    TEditLock hold(*this);
    struct TPlaced {
        CAudioAtom* member;
        std::int32_t offset;
    };
    std::vector<TPlaced> placed;
    for (int i = 0; i < members_.Count(); ++i) {
        std::int32_t offset = 0;
        auto* member = static_cast<CAudioAtom*>(members_.Index(i, &offset));
        placed.push_back({member, offset});
    }
    CAudioAtom* result = this;
    for (const auto& [member, offset] : placed) {
        TakeOut(member);
        UpdateBestFormat(MemberFormat(member), 0);
        result = ShallowerAtom(result, AddSubAtom(member, offset + delta, adjust, 0));
        member->DecReference();
    }
    if (combine) result = ShallowerAtom(result, Resize(this));
    return result;
}

std::int32_t CSoundGroup::MemberAbsoluteOffset(std::int32_t offset) {
    // Summed wide and held to the time line's range: a group far along the
    // time line with members far into it must not wrap to a negative place.
    return mapvalues::ClampMs(std::int64_t{AbsoluteOffset()} + offset);
}

void CSoundGroup::UpdateSubAtomAbsoluteOffsets() {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    for (int i = 0; i < members_.Count(); ++i) {
        std::int32_t offset = 0;
        auto* member = static_cast<CAudioAtom*>(members_.Index(i, &offset));
        member->SetAbsoluteOffset(MemberAbsoluteOffset(offset));
        member->NotifyOfNewPosition();
        if (member->Type() & ATOM_KIND_GROUP) static_cast<CSoundGroup*>(member)->UpdateSubAtomAbsoluteOffsets();
    }
}

CAudioAtom* CSoundGroup::Resize(CAudioAtom* child) {
    // Compared with the length last worked out, which is what the parent
    // was told: the edit that calls this has already marked the cache stale,
    // and a fresh length before and after would always agree.
    const std::int32_t before = cachedLength_;
    cacheValid_ = 0;
    if (Length(0) == before) return child;
    NotifyOfNewLength();
    auto* parent = Parent();
    if (parent == nullptr) return this;
    CAudioAtom* reached = parent->Resize(this);
    return reached != nullptr && reached->CanCombine() ? reached : this;
}

std::int32_t CSoundGroup::Length(int mode) {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    if (mode == 0 && cacheValid_) return cachedLength_;
    std::int32_t first = 0;
    if (members_.Index(0, &first) == nullptr) first = 0;
    if (mode != 0) return -first;
    std::int64_t end = 0;
    for (int i = 0; i < members_.Count(); ++i) {
        std::int32_t offset = 0;
        auto* member = static_cast<CAudioAtom*>(members_.Index(i, &offset));
        end = std::max<std::int64_t>(end, std::int64_t{offset} + member->Length(0));
    }
    cachedLength_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(end - first, INT32_MIN, INT32_MAX));
    cacheValid_ = 1;
    return cachedLength_;
}

void CSoundGroup::RecountBestFormat(const WAVEFORMATEX* format, int adding) {
    const std::int32_t step = adding ? 1 : -1;
    const auto count = [step](std::int32_t& counter) { counter = std::max(counter + step, 0); };
    count(format->wBitsPerSample == 8 ? eightBitMembers_ : widerMembers_);
    const std::uint32_t rateClass = RateClass(format->nSamplesPerSec);
    count(rateClass == kMixRateLow ? lowRateMembers_ : rateClass == kMixRateMid ? midRateMembers_ : highRateMembers_);
    if (adding) {
        bestFormat_.wBitsPerSample = std::max(bestFormat_.wBitsPerSample, format->wBitsPerSample);
        bestFormat_.nSamplesPerSec = std::max(bestFormat_.nSamplesPerSec, rateClass);
        return;
    }
    if (widerMembers_ == 0) bestFormat_.wBitsPerSample = 8;
    if (highRateMembers_ == 0) bestFormat_.nSamplesPerSec = midRateMembers_ > 0 ? kMixRateMid : kMixRateLow;
}

int CSoundGroup::UpdateBestFormat(const WAVEFORMATEX* format, int adding) {
    if (format == nullptr || format->nSamplesPerSec == 0) return 0;
    const WAVEFORMATEX before = bestFormat_;
    RecountBestFormat(format, adding);
    bestFormat_.nBlockAlign = static_cast<std::uint16_t>(bestFormat_.wBitsPerSample * bestFormat_.nChannels / 8);
    bestFormat_.nAvgBytesPerSec = bestFormat_.nSamplesPerSec * bestFormat_.nBlockAlign;
    bestFormat_.cbSize = 0;
    if (Parent() != nullptr && (Parent()->Type() & ATOM_KIND_GROUP)) {
        static_cast<CSoundGroup*>(Parent())->UpdateBestFormat(format, adding);
    }
    return std::memcmp(&before, &bestFormat_, sizeof before) != 0 ? 1 : 0;
}

void CSoundGroup::SubAtomMapsUpdated(TMapType type) { (void)type; }

int CSoundGroup::CanAdjust() { return 1; }

int CSoundGroup::Play(std::int32_t offset) { return PlayInCurrentMixer(*this, offset); }

int CSoundGroup::Stop() {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    if (Playing() && !GetFlag(ATOM_MIXER_STOP)) SetMixerFlag(ATOM_MIXER_STOP);
    return 1;
}

double CSoundGroup::DataSizeOfSubGroups() {
    std::lock_guard<std::recursive_mutex> hold(AtomLock());
    double total = 0.0;
    for (int i = 0; i < members_.Count(); ++i) {
        auto* member = static_cast<CAudioAtom*>(members_.Index(i));
        if (member->Type() & ATOM_KIND_GROUP) {
            total += static_cast<CSoundGroup*>(member)->DataSizeOfSubGroups();
        } else if (auto* sound = dynamic_cast<CPCMSound*>(member); sound != nullptr) {
            CRefObj* stream = sound->GetRefObj();
            if (stream != nullptr) total += static_cast<double>(stream->DataSize());
        }
    }
    return total;
}
