#include "tonecore/sound/audio_atom.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "utilities/text_copy.h"

namespace {

// Nesting counter of DisableMapCombining; combining is on while it is 0.
std::atomic<int> g_combiningDisabled{0};

// Name chains show at most this many ancestors.
constexpr int kMaxNestedAncestors = 10;
constexpr std::string_view kNameSeparator = " : ";

}  // namespace

CAudioAtom::CAudioAtom() { srcMap_.SetDefaultMap(kDefaultMapLength, MAP_ALL); }

CAudioAtom::CAudioAtom(const CAudioAtom& source) : CMap() {
    srcMap_.Copy(&source.srcMap_, MAP_ALL);
    absoluteOffset_ = source.absoluteOffset_.load();
    lastRateLength_ = source.lastRateLength_;
    virtualDataStart_ = source.virtualDataStart_;
    info_ = source.info_;
    chunkFlags_ = source.chunkFlags_ & ATOM_FLAG_MUTED;
}

CAudioAtom::CAudioAtom(const CAudioAtom& source, std::int32_t start, std::int32_t end)
    : CMap(source, start, end) {
    srcMap_.Copy(&source.srcMap_, MAP_ALL, start, end);
    absoluteOffset_ = source.absoluteOffset_.load();
    lastRateLength_ = source.lastRateLength_;
    virtualDataStart_ = source.virtualDataStart_;
    info_ = source.info_;
    chunkFlags_ = source.chunkFlags_ & ATOM_FLAG_MUTED;
}

CAudioAtom::~CAudioAtom() {
    if (parent_ != nullptr) Remove();
}

int CAudioAtom::NumEvents(int type) const { return CMap::NumEvents(type); }

CAudioAtom* CAudioAtom::Copy(std::int32_t start, std::int32_t end) {
    return new (std::nothrow) CAudioAtom(*this, start, end);
}

CAudioAtom* CAudioAtom::Copy() { return new (std::nothrow) CAudioAtom(*this); }

int CAudioAtom::Type() { return ATOM_KIND_PLAIN; }

int CAudioAtom::DecReference() { return --references_; }

void CAudioAtom::NotifyAtom(TSoundStateCode code, std::int32_t arg) {
    (void)code;
    (void)arg;
}

int CAudioAtom::PreSave(CRIFF* riff) {
    (void)riff;
    return 0;
}

int CAudioAtom::PostSave(CRIFF* riff) {
    (void)riff;
    return 0;
}

int CAudioAtom::PreLoad(CRIFF* riff) {
    (void)riff;
    return 0;
}

int CAudioAtom::PostLoad(CRIFF* riff) {
    (void)riff;
    return 0;
}

int CAudioAtom::Play(std::int32_t offset) {
    (void)offset;
    return 0;
}

std::int32_t CAudioAtom::CurrentPlayOffset() { return 0; }

int CAudioAtom::Playing() { return playMode_; }

int CAudioAtom::Stop() { return 0; }

void CAudioAtom::NotifyOfNewPosition() {}

void CAudioAtom::NotifyOfNewLength() {
    SetMixerFlag(ATOM_MIXER_NEW_LENGTH);
    srcMap_.AdjustEndPoint(MAP_ALL, Length(0));
}

void CAudioAtom::SetChunkFlag(std::uint32_t bit, int on, TSoundStateCode onCode, TSoundStateCode offCode) {
    if (on) {
        chunkFlags_ |= bit;
    } else {
        chunkFlags_ &= ~bit;
    }
    NotifyAtom(on ? onCode : offCode, 0);
}

void CAudioAtom::Mute(int on) { SetChunkFlag(ATOM_FLAG_MUTED, on, SOUND_STATE_MUTED, SOUND_STATE_UNMUTED); }

void CAudioAtom::SetLock(int on) { SetChunkFlag(ATOM_FLAG_LOCKED, on, SOUND_STATE_LOCKED, SOUND_STATE_UNLOCKED); }

void CAudioAtom::SetPlayMode(int mode, std::int32_t arg) {
    playMode_ = mode;
    NotifyAtom(mode != 0 ? SOUND_STATE_PLAY_MODE_ON : SOUND_STATE_PLAY_MODE_OFF, arg);
}

std::int32_t CAudioAtom::Length(int mode) {
    (void)mode;
    return 0;
}

void CAudioAtom::SetVirtualLength(std::int32_t length) {
    NotifyOfNewLength();
    if (length > 0) lastRateLength_ = srcMap_.GetRateMapAdjustedTime(length);
}

void CAudioAtom::CombineWithSubMaps(TMapType type, int recurse) {
    (void)type;
    (void)recurse;
}

int CAudioAtom::CanCombine() { return 1; }

void CAudioAtom::NotifyOfMemberChange() {}

std::int32_t CAudioAtom::AbsoluteOffset() { return absoluteOffset_; }

CAudioAtom* CAudioAtom::AddSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) {
    (void)offset;
    (void)adjust;
    (void)combine;
    if (child != nullptr) child->levelsDeep_ = levelsDeep_ + 1;
    return this;
}

CAudioAtom* CAudioAtom::RemoveSubAtom(CAudioAtom* child, int adjust, int combine) {
    (void)adjust;
    (void)combine;
    if (child != nullptr) child->levelsDeep_ = 0;
    return this;
}

CAudioAtom* CAudioAtom::MoveSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) {
    (void)child;
    (void)offset;
    (void)adjust;
    (void)combine;
    return this;
}

CAudioAtom* CAudioAtom::Resize(CAudioAtom* child) { return child; }

void CAudioAtom::SetPlayOnceMode(int on) { playOnce_ = on; }

int CAudioAtom::FinishedWithPlayOnce() { return 1; }

void CAudioAtom::SetAtomName(const char* name) {
    info_ = _infoStruct{};
    textcopy::CopyTextCut(name != nullptr ? name : "", info_.name, sizeof info_.name);
}

void CAudioAtom::GetNestedName(char* buffer, std::int32_t size, int depth) const {
    if (buffer == nullptr || size < 1) return;
    buffer[0] = '\0';
    std::vector<const CAudioAtom*> ancestors;
    for (const CAudioAtom* up = parent_; up != nullptr && int(ancestors.size()) < std::min(depth, kMaxNestedAncestors);
         up = up->parent_) {
        ancestors.push_back(up);
    }
    std::size_t used = 0;
    const auto append = [&](std::string_view piece) {
        if (used + piece.size() + 1 > static_cast<std::size_t>(size)) return false;
        std::memcpy(buffer + used, piece.data(), piece.size());
        used += piece.size();
        buffer[used] = '\0';
        return true;
    };
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        std::string piece((*it)->AtomName());
        piece += kNameSeparator;
        if (!append(piece)) return;
    }
    append(AtomName());
}

void DeleteAtom(CAudioAtom** atom) {
    if (atom == nullptr || *atom == nullptr) return;
    if ((*atom)->DecReference() == 0) {
        delete *atom;
        *atom = nullptr;
    }
}

int MapCombiningEnabled() { return g_combiningDisabled == 0 ? 1 : 0; }

void EnableMapCombining() { --g_combiningDisabled; }

void DisableMapCombining() { ++g_combiningDisabled; }
