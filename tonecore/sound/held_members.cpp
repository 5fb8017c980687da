#include "tonecore/sound/held_members.h"

#include <mutex>

#include "tonecore/sound/sound_group.h"

CHeldMembers::CHeldMembers(CSoundGroup& group) {
    std::lock_guard<std::recursive_mutex> hold(group.AtomLock());
    std::int32_t offset = 0;
    for (int i = 0; CAudioAtom* member = group.GetAtom(i, &offset); ++i) {
        member->AddReference();
        members_.push_back({member, offset});
    }
}

CHeldMembers::~CHeldMembers() {
    for (TPlaced& placed : members_) DeleteAtom(&placed.member);
}
