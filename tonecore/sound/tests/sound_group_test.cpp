#include "tonecore/sound/sound_group.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <vector>

#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/engine/tests/fake_engine_mixer.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using grouptest::CLengthAtom;
using grouptest::TAtomRef;

// Offsets of the group's members, in order.
std::vector<std::int32_t> Offsets(CSoundGroup& group) {
    std::vector<std::int32_t> out;
    for (int i = 0; i < group.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        std::int32_t offset = 0;
        group.GetAtom(i, &offset);
        out.push_back(offset);
    }
    return out;
}

// Adds a new atom of length to group at offset as a program does (Add);
// the group holds the only reference.
CLengthAtom* AddNew(CSoundGroup& group, std::int32_t offset, std::int32_t length, const char* name = "") {
    auto* atom = new CLengthAtom(length, name);
    atom->Add(&group, offset);
    atom->DecReference();
    return atom;
}

TEST(SoundGroup, RootKeepsItsEarliestMemberAtZero) {
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    CLengthAtom* first = AddNew(*root, 500, 1000);
    CLengthAtom* second = AddNew(*root, 1500, 700);
    EXPECT_EQ(Offsets(*root), (std::vector<std::int32_t>{0, 1500}));
    EXPECT_EQ(first->AbsoluteOffset(), 0);
    EXPECT_EQ(second->AbsoluteOffset(), 1500);
    EXPECT_EQ(root->Length(0), 2200);
    EXPECT_EQ(root->Length(1), 0);
    EXPECT_EQ(first->LevelsDeep(), 1);
    EXPECT_EQ(first->Parent(), root.get());
    EXPECT_EQ(first->References(), 1);

    int index = -1;
    EXPECT_EQ(root->GetAtomBefore(1600, index, 0), second);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(root->GetAtom(2, nullptr), nullptr);
    EXPECT_EQ(root->IsMember(second), 1);
}

TEST(SoundGroup, NestedShiftsAreMadeUpInTheParent) {
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    AddNew(*root, 0, 100, "lead");
    auto* nested = new CSoundGroup;
    nested->Add(root.get(), 1000);
    nested->DecReference();
    CLengthAtom* a = AddNew(*nested, 300, 500, "a");
    // The nested group moved to where its only member starts.
    EXPECT_EQ(Offsets(*nested), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(nested->OffsetInParent(), 1300);
    EXPECT_EQ(a->AbsoluteOffset(), 1300);

    // A member placed before the first shifts the others back and the group
    // forward: nobody moves on the root's time line.
    CLengthAtom* b = AddNew(*nested, -200, 100, "b");
    EXPECT_EQ(Offsets(*nested), (std::vector<std::int32_t>{0, 200}));
    EXPECT_EQ(nested->OffsetInParent(), 1100);
    EXPECT_EQ(a->AbsoluteOffset(), 1300);
    EXPECT_EQ(b->AbsoluteOffset(), 1100);
    EXPECT_EQ(root->Length(0), 1800);

    // Removing the earliest member shifts the rest the other way.
    b->Remove();
    EXPECT_EQ(Offsets(*nested), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(nested->OffsetInParent(), 1300);
    EXPECT_EQ(a->AbsoluteOffset(), 1300);

    // Moving keeps one reference and the place of the others.
    a->Move(0);
    EXPECT_EQ(a->References(), 1);
    EXPECT_EQ(a->AbsoluteOffset(), 1300);
    EXPECT_EQ(root->NumAtoms(CSoundGroup::kAllMemberKinds, 1), 3);
    EXPECT_EQ(root->NumAtoms(ATOM_KIND_GROUP, 0), 1);
}

// Members added to or taken from a nested group at its start (no shift)
// change its length, and its parent's follows.
TEST(SoundGroup, ANestedGroupThatGrowsOrShrinksResizesItsParent) {
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    AddNew(*root, 0, 100, "lead");
    auto* nested = new CSoundGroup;
    nested->Add(root.get(), 1000);
    nested->DecReference();
    EXPECT_EQ(root->Length(0), 1000);  // an empty group still has its place
    AddNew(*nested, 0, 500, "a");
    EXPECT_EQ(root->Length(0), 1500);
    CLengthAtom* longer = AddNew(*nested, 0, 800, "b");
    EXPECT_EQ(root->Length(0), 1800);
    longer->Remove();
    EXPECT_EQ(root->Length(0), 1500);
}

TEST(SoundGroup, RemovingTheLastReferenceDestroysTheMember) {
    const int before = CLengthAtom::alive;
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    CLengthAtom* only = AddNew(*root, 0, 100);
    auto* kept = new CLengthAtom(100);
    kept->Add(root.get(), 50);
    EXPECT_EQ(root->RemoveSubAtom(only, 1, 0), nullptr);  // destroyed: the result is null
    EXPECT_EQ(CLengthAtom::alive, before + 1);
    // A member with a reference of its own survives its removal.
    EXPECT_EQ(root->RemoveSubAtom(kept, 1, 0), kept);
    EXPECT_EQ(kept->Parent(), nullptr);
    EXPECT_EQ(kept->LevelsDeep(), 0);
    EXPECT_EQ(root->RemoveSubAtom(kept, 1, 1), nullptr);  // no longer a member
    CAudioAtom* release = kept;
    DeleteAtom(&release);
    EXPECT_EQ(CLengthAtom::alive, before);
    // The group lets go of its members when it goes.
    AddNew(*root, 0, 100);
    root.reset();
    EXPECT_EQ(CLengthAtom::alive, before);
}

struct TFormatCase {
    std::vector<WAVEFORMATEX> add;
    int removeIndex;  // -1: none
    std::uint32_t rate;
    std::uint16_t bits;
};

TEST(SoundGroup, BestFormatFollowsTheMembers) {
    const WAVEFORMATEX cd = pcmtest::Pcm(44100, 2, 16);
    const WAVEFORMATEX radio = pcmtest::Pcm(22050, 1, 8);
    const WAVEFORMATEX phone = pcmtest::Pcm(8000, 1, 16);
    const TFormatCase cases[] = {
        {{}, -1, 11025, 8},
        {{cd}, -1, 44100, 16},
        {{cd}, 0, 11025, 8},
        {{radio, cd}, 1, 22050, 8},
        {{phone, radio}, -1, 22050, 16},
        {{phone, cd}, 1, 11025, 16},
        {{pcmtest::Pcm(48000, 2, 8)}, -1, 44100, 8},
    };
    for (const auto& c : cases) {
        TAtomRef<CSoundGroup> group(new CSoundGroup);
        std::vector<TAtomRef<CPCMSound>> sounds;
        for (const auto& format : c.add) {
            sounds.push_back(grouptest::ConstantSound(format, 100, 0));
            ASSERT_NE(sounds.back(), nullptr);
            sounds.back()->Add(group.get(), 0);
        }
        if (c.removeIndex >= 0) sounds[std::size_t(c.removeIndex)]->Remove();
        const WAVEFORMATEX best = group->BestFormat();
        SCOPED_TRACE(testing::Message() << c.add.size() << " members, removed " << c.removeIndex);
        EXPECT_EQ(best.nSamplesPerSec, c.rate);
        EXPECT_EQ(best.wBitsPerSample, c.bits);
        EXPECT_EQ(best.nChannels, 2);
        EXPECT_EQ(best.nBlockAlign, c.bits / 4);
        EXPECT_EQ(best.nAvgBytesPerSec, c.rate * c.bits / 4);
        EXPECT_EQ(best.cbSize, 0);
    }
}

TEST(SoundGroup, OnlyMembersAreUncounted) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    TAtomRef<CSoundGroup> other(new CSoundGroup);
    auto inGroup = grouptest::ConstantSound(pcmtest::Pcm(44100, 2, 16), 100, 0);
    auto elsewhere = grouptest::ConstantSound(pcmtest::Pcm(44100, 2, 16), 100, 0);
    ASSERT_NE(inGroup, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    inGroup->Add(group.get(), 0);
    elsewhere->Add(other.get(), 0);
    // Asking the wrong group to remove a sound changes nothing there.
    EXPECT_EQ(group->RemoveSubAtom(elsewhere.get(), 1, 1), nullptr);
    EXPECT_EQ(group->BestFormat().nSamplesPerSec, 44100u);
    EXPECT_EQ(group->BestFormat().wBitsPerSample, 16);

    // A sub-group's members count in its parent too.
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    group->Add(root.get(), 0);
    EXPECT_EQ(root->BestFormat().nSamplesPerSec, 44100u);
    inGroup->Remove();
    group->Remove();
    EXPECT_EQ(root->BestFormat().nSamplesPerSec, 11025u);
    EXPECT_EQ(root->BestFormat().wBitsPerSample, 8);
}

TEST(SoundGroup, ScaleStretchesPlacesAndLengths) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    CLengthAtom* a = AddNew(*group, 0, 800);
    CLengthAtom* b = AddNew(*group, 1000, 500);
    group->Scale(2.0);
    EXPECT_EQ(Offsets(*group), (std::vector<std::int32_t>{0, 2000}));
    EXPECT_EQ(a->Length(0), 1600);
    EXPECT_EQ(b->Length(0), 1000);
    EXPECT_EQ(group->Length(0), 3000);
    group->Scale(0.5);
    EXPECT_EQ(Offsets(*group), (std::vector<std::int32_t>{0, 1000}));
    EXPECT_EQ(group->Length(0), 1500);
    EXPECT_TRUE(MapCombiningEnabled());
}

TEST(SoundGroup, CopiesHoldCopiesOfTheMembers) {
    TAtomRef<CSoundGroup> source(new CSoundGroup);
    source->SetComments("the session");
    AddNew(*source, 0, 1000, "one");
    AddNew(*source, 1500, 1000, "two");
    AddNew(*source, 3000, 1000, "three");
    const int alive = CLengthAtom::alive;

    TAtomRef<CSoundGroup> whole(static_cast<CSoundGroup*>(source->Copy()));
    EXPECT_EQ(Offsets(*whole), Offsets(*source));
    EXPECT_EQ(whole->Length(0), 4000);
    EXPECT_STREQ(whole->GetComments(), "");
    EXPECT_STRNE(whole->GetCreationTime(), "");
    EXPECT_NE(whole->GetAtom(0, nullptr), source->GetAtom(0, nullptr));
    EXPECT_EQ(CLengthAtom::alive, alive + 3);

    struct TRange {
        std::int32_t start, end;
        std::vector<std::int32_t> offsets;
        std::vector<std::int32_t> lengths;
        std::vector<std::string> names;
    };
    const TRange ranges[] = {
        // Across the first member's end, the second whole, into the third.
        {500, 3500, {0, 1000, 2500}, {500, 1000, 500}, {"one", "two", "three"}},
        // Starting in a gap: the first member placed comes to 0.
        {1200, 2700, {0}, {1000}, {"two"}},
        {1200, 2000, {0}, {500}, {"two"}},
        {4500, 5000, {}, {}, {}},
    };
    for (const auto& r : ranges) {
        SCOPED_TRACE(testing::Message() << r.start << ".." << r.end);
        TAtomRef<CSoundGroup> part(static_cast<CSoundGroup*>(source->Copy(r.start, r.end)));
        EXPECT_EQ(Offsets(*part), r.offsets);
        for (int i = 0; i < int(r.lengths.size()); ++i) {
            CAudioAtom* member = part->GetAtom(i, nullptr);
            EXPECT_EQ(member->Length(0), r.lengths[std::size_t(i)]);
            EXPECT_STREQ(member->AtomName(), r.names[std::size_t(i)].c_str());
            EXPECT_EQ(member->AbsoluteOffset(), part->AbsoluteOffset() + r.offsets[std::size_t(i)]);
        }
    }
}

// Looks from another thread whether the engine lock is taken while the
// group places it.
class CLockProbeAtom : public CLengthAtom {
public:
    CLockProbeAtom() : CLengthAtom(100) {}
    void NotifyOfNewPosition() override {
        engineLockHeld = std::async(std::launch::async, [] {
                             std::unique_lock<std::recursive_mutex> probe(EngineLock(), std::try_to_lock);
                             return !probe.owns_lock();
                         }).get();
    }
    bool engineLockHeld = false;
};

TEST(SoundGroup, PlayAndStopAndTheLocksOfEdits) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    AddNew(*group, 0, 1000);
    CAnswerMixer mixer;
    mixer.answer = 0;
    SetCurrentMixer(&mixer);
    EXPECT_EQ(group->Play(0), 0);  // the mixer refused
    mixer.answer = 1;
    EXPECT_EQ(group->Play(0), 1);
    EXPECT_EQ(group->Play(1001), 0);  // past its length
    SetCurrentMixer(nullptr);
    EXPECT_EQ(group->Play(0), 0);

    EXPECT_EQ(group->Stop(), 1);
    EXPECT_EQ(group->GetFlag(ATOM_MIXER_STOP), 0u);  // not playing: nothing to stop
    group->SetPlayMode(1, 0);
    group->Stop();
    EXPECT_EQ(group->GetFlag(ATOM_MIXER_STOP), ATOM_MIXER_STOP);

    auto* probe = new CLockProbeAtom;
    group->AddSubAtom(probe, 200, 0, 0);
    probe->DecReference();
    EXPECT_TRUE(probe->engineLockHeld);
    probe->engineLockHeld = false;
    group->RemoveSubAtom(probe, 0, 0);
}

TEST(SoundGroup, MembersFollowMutingAndPlayOnce) {
    TAtomRef<CSoundGroup> group(new CSoundGroup);
    CLengthAtom* a = AddNew(*group, 0, 100);
    EXPECT_EQ(group->FinishedWithPlayOnce(), 1);  // a plain atom is always done
    group->Mute(1);
    EXPECT_EQ(a->Muted(), 1);
    EXPECT_EQ(group->Muted(), 1);
    group->SetPlayOnceMode(1);
    EXPECT_EQ(a->InPlayOnceMode(), 1);
    TAtomRef<CSoundGroup> empty(new CSoundGroup);
    EXPECT_EQ(empty->FinishedWithPlayOnce(), 0);
    EXPECT_EQ(empty->Length(0), 0);
}

}  // namespace
