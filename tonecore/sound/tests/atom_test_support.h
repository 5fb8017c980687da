#pragma once
// Sound objects for tests: an atom with a settable length that records its
// notifications, and a minimal group that places its members as a sound
// group does (parent, depth, absolute offset, one reference per member).

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tonecore/sound/audio_atom.h"

namespace atom_support {

class CTestAtom : public CAudioAtom {
public:
    explicit CTestAtom(std::int32_t length = 1000, const char* name = "") : length_(length) { SetAtomName(name); }

    std::int32_t Length(int) override { return length_; }
    void SetVirtualLength(std::int32_t length) override {
        length_ = length;
        CAudioAtom::SetVirtualLength(length);
    }
    void NotifyAtom(TSoundStateCode code, std::int32_t arg) override {
        notices += std::to_string(code);
        if (arg != 0) {
            notices += '/';
            notices += std::to_string(arg);
        }
        notices += ' ';
    }
    int Stop() override {
        notices += "stop ";
        SetPlayMode(0, 0);
        return 1;
    }

    std::string notices;

private:
    std::int32_t length_;
};

class CTestGroup : public CTestAtom {
public:
    using CTestAtom::CTestAtom;
    ~CTestGroup() override {
        while (!members_.empty()) RemoveSubAtom(members_.back(), 0, 0);
    }

    int Type() override { return ATOM_KIND_GROUP; }
    CAudioAtom* AddSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) override {
        CAudioAtom::AddSubAtom(child, offset, adjust, combine);
        members_.push_back(child);
        child->SetParent(this);
        child->SetAbsoluteOffset(AbsoluteOffset() + offset);
        child->AddReference();
        return child;
    }
    CAudioAtom* RemoveSubAtom(CAudioAtom* child, int adjust, int combine) override {
        auto it = std::find(members_.begin(), members_.end(), child);
        if (it == members_.end()) return nullptr;
        members_.erase(it);
        CAudioAtom::RemoveSubAtom(child, adjust, combine);
        child->SetParent(nullptr);
        DeleteAtom(&child);
        return this;
    }
    CAudioAtom* MoveSubAtom(CAudioAtom* child, std::int32_t offset, int, int) override {
        child->SetAbsoluteOffset(AbsoluteOffset() + offset);
        return child;
    }
    void CombineWithSubMaps(TMapType type, int recurse) override {
        for (CAudioAtom* member : members_) {
            member->CombineWithParentMap(type);
            if (recurse) member->CombineWithSubMaps(type, recurse);
        }
    }
    const std::vector<CAudioAtom*>& Members() const { return members_; }

private:
    std::vector<CAudioAtom*> members_;
};

}  // namespace atom_support
