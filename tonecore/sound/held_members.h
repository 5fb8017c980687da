#pragma once
// The members of a group at one moment, each with a reference held for as
// long as the list lives. Work that must not run under the group's lock
// (copying members, saving them, calls that take the engine lock) walks
// such a list instead: the group's lock is held only while the list is
// taken, and a member removed from the group meanwhile stays alive until
// the list lets it go.

#include <cstdint>
#include <vector>

class CAudioAtom;
class CSoundGroup;

class CHeldMembers {
public:
    struct TPlaced {
        CAudioAtom* member;
        std::int32_t offset;
    };

    explicit CHeldMembers(CSoundGroup& group);
    ~CHeldMembers();
    CHeldMembers(const CHeldMembers&) = delete;
    CHeldMembers& operator=(const CHeldMembers&) = delete;

    // In the group's order (by offset).
    std::vector<TPlaced>& Members() { return members_; }
    std::size_t Count() const { return members_.size(); }

private:
    std::vector<TPlaced> members_;
};
