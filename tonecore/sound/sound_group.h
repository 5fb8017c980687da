#pragma once
// CSoundGroup: a sound object that holds other sound objects (PCM sounds or
// groups) at offsets on its own time line, in milliseconds. The mixer plays
// and renders a group as one unit.
//
// A group keeps its members sorted by offset and normalised: its earliest
// member starts at 0. When an edit moves the earliest member, every member
// shifts back by that amount and the group moves itself forward in its
// parent by the same amount, so no member moves on the root's time line.
// Tree edits answer the shallowest atom whose combined maps the change
// reaches; CAudioAtom::Add, Move and Remove recombine from it.
//
// The group also tracks the best PCM format among its members (widest
// samples, highest rate class, always stereo) and saves itself, members
// included, as a RIFF list "sgrp".
//
// Locks: structural edits take the engine lock before the group's own lock,
// so an edit never meets the service thread walking the same tree halfway.
// Reads of the member list (Length, NumAtoms, GetAtom, ...) take only the
// group's lock, and the members' locks inside it.

#include <cstdint>

#include "platform/wave_format.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/my_array_list.h"

// The "sgif" record: the group's comments, creation time and the size of
// the data its sounds hold. Stored as is, little-endian, 2152 bytes.
#pragma pack(push, 1)
struct TSoundGroupInfo {
    char comments[1024];
    char creationTime[64];
    std::uint32_t magic;
    std::uint32_t reserved;
    double dataSizeOfSubGroups;
    unsigned char reserved2[1048];
};
#pragma pack(pop)
static_assert(sizeof(TSoundGroupInfo) == 2152);

class CSoundGroup : public CAudioAtom {
public:
    // NumAtoms' mask for every kind of member.
    static constexpr int kAllMemberKinds = 30;
    // The "sgif" magic; a record without it carries no data size.
    static constexpr std::uint32_t kInfoMagic = 0x1234567A;
    // Saved and loaded member counts before the group was saved or loaded.
    static constexpr std::int32_t kNeverSaved = -1;

    CSoundGroup();
    // Copies of every member, at their offsets; a new creation time and no
    // comments.
    CSoundGroup(const CSoundGroup& source);
    // The part of source between start and end (ms of source's time line):
    // members inside whole, members across either end cut to it.
    CSoundGroup(CSoundGroup& source, std::int32_t start, std::int32_t end);
    // A group owns references on its members: it is copied, never assigned.
    CSoundGroup& operator=(const CSoundGroup&) = delete;
    // Lets go of every member.
    ~CSoundGroup() override;

    // The atom's operations that a group replaces.
    CAudioAtom* Copy(std::int32_t start, std::int32_t end) override;
    CAudioAtom* Copy() override;
    int Type() override { return ATOM_KIND_GROUP; }
    int Load(CRIFF* riff, int a, int b, int c, int d, TLoadProgressCallback callback, void* context) override;
    int Save(CRIFF* riff, int flag) override;
    std::uint32_t SaveSize(int flag) override;
    int PreSave(CRIFF* riff) override;
    int PostSave(CRIFF* riff) override;
    int PreLoad(CRIFF* riff) override;
    int PostLoad(CRIFF* riff) override;
    // Hands the group to the current mixer (PlayInCurrentMixer); the mixer's
    // answer, 0 when there is none.
    int Play(std::int32_t offset) override;
    std::int32_t CurrentPlayOffset() override { return 0; }
    // Asks the mixer to stop the group at its next pass; 1.
    int Stop() override;
    void Mute(int on) override;
    // Mode 0: the end of the latest member (cached). Other modes: minus the
    // first member's offset (0 in a normalised group).
    std::int32_t Length(int mode) override;
    void Scale(double factor) override;
    void CombineWithSubMaps(TMapType type, int recurse) override;
    CAudioAtom* AddSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) override;
    CAudioAtom* RemoveSubAtom(CAudioAtom* child, int adjust, int combine) override;
    CAudioAtom* MoveSubAtom(CAudioAtom* child, std::int32_t offset, int adjust, int combine) override;
    // Takes a new length and passes a change up the tree; the atom whose
    // maps the change reaches.
    CAudioAtom* Resize(CAudioAtom* child) override;
    void SetPlayOnceMode(int on) override;
    int FinishedWithPlayOnce() override;

    // Slots a group adds.
    virtual void SubAtomMapsUpdated(TMapType type);
    virtual int CanAdjust();
    // Makes, loads and adds the member whose list type is listType; 1 also
    // when the member could not be loaded (it is left out), 0 for a type
    // that is not a sound object.
    virtual int LoadSubAtom(CRIFF* riff, std::uint32_t listType, int a, int b, int c, int d,
                            TLoadProgressCallback callback, void* context);
    // Counts (adding 1) or uncounts (0) a member of format; 1 when the best
    // format changed. Passed on to the parent.
    virtual int UpdateBestFormat(const WAVEFORMATEX* format, int adding);

    // The member at i and its offset; null for an index out of range.
    CAudioAtom* GetAtom(int i, std::int32_t* offset);
    // The member at or before time; its index into index.
    CAudioAtom* GetAtomBefore(std::int32_t time, int& index, std::int32_t unused);
    // Members whose kind has a bit of kindMask; with recurse, member groups
    // add all of theirs.
    int NumAtoms(int kindMask, int recurse);
    // 1 when atom is a direct member.
    int IsMember(CAudioAtom* atom);
    int IsChildOf(CSoundGroup* group) { return group != nullptr ? group->IsMember(this) : 0; }
    // Moves every member by delta; the shallowest atom the moves reach.
    CAudioAtom* OffsetSubordinates(std::int32_t delta, int adjust, int combine);
    // Members' absolute offsets follow the group's, all the way down.
    void UpdateSubAtomAbsoluteOffsets();

    WAVEFORMATEX BestFormat() const { return bestFormat_; }
    std::int32_t LastSavedNumAtoms() const { return lastSavedNumAtoms_; }
    double LastSavedDataSize() const { return info_.dataSizeOfSubGroups; }
    const char* GetComments() const { return info_.comments; }
    // Keeps at most 1023 bytes, cut on a character boundary.
    void SetComments(const char* comments);
    const char* GetCreationTime() const { return info_.creationTime; }
    // Bytes of data held by the sounds of the group and its sub-groups.
    double DataSizeOfSubGroups();
    // The data size a saved group list records; 0 when it has none. The
    // reader stands on the list and is left where it was.
    static double GetSavedSize(CRIFF* riff);

private:
    // The absolute offset of a member placed at offset within this group.
    std::int32_t MemberAbsoluteOffset(std::int32_t offset);
    // The format a member counts with; null for none.
    static const WAVEFORMATEX* MemberFormat(CAudioAtom* member);
    // Takes the member out of the list; false when it is not a member.
    bool TakeOut(CAudioAtom* member);
    // Keeps the earliest member at 0, moving the group in its parent by as
    // much. Null when nothing moved; else the shallower of result and the
    // parent's answer.
    CAudioAtom* Normalise(CAudioAtom* result);
    void StampNew();
    void ResetBestFormat();
    // Counters and best depth and rate from the counters.
    void RecountBestFormat(const WAVEFORMATEX* format, int adding);

    CMyArrayList members_;
    std::int32_t cachedLength_ = 0;
    int cacheValid_ = 0;
    TSoundGroupInfo info_{};
    WAVEFORMATEX bestFormat_{};
    std::int32_t eightBitMembers_ = 0;
    std::int32_t widerMembers_ = 0;
    std::int32_t lowRateMembers_ = 0;
    std::int32_t midRateMembers_ = 0;
    std::int32_t highRateMembers_ = 0;
    std::int32_t lastSavedNumAtoms_ = kNeverSaved;
};

// The shallower of two atoms (a null one counts as deepest) when b may be
// combined; a otherwise.
CAudioAtom* ShallowerAtom(CAudioAtom* a, CAudioAtom* b);
