#include "tonecore/sound/audio_atom.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/last_error.h"
#include "tonecore/sound/tests/atom_test_support.h"
#include "tonecore/maps/tests/event_map_support.h"

namespace {

using namespace atom_support;
using namespace map_support;

// Atoms made with new and released with DeleteAtom at the end of a test.
struct TAtomDeleter {
    void operator()(CAudioAtom* atom) const { DeleteAtom(&atom); }
};
template <class T>
using TAtomPtr = std::unique_ptr<T, TAtomDeleter>;

// Places atom in group, which then holds the only reference on it.
void AddToGroup(CAudioAtom* atom, CAudioAtom* group, std::int32_t offset) {
    atom->Add(group, offset);
    DeleteAtom(&atom);
}

// ---------------------------------------------------------------- lifetime and state

TEST(AudioAtom, NewAtomStartsWithTheDefaultSourceMapOnly) {
    CAudioAtom atom;
    EXPECT_EQ(atom.References(), 1);
    EXPECT_EQ(atom.Type(), ATOM_KIND_PLAIN);
    EXPECT_EQ(atom.NumEvents(-1), 0);  // the combined map
    EXPECT_EQ(Order(*atom.GetSrcMap()), "2@0 1@0 0@0 0@1000 1@1000 2@1000");
    EXPECT_EQ(atom.UsingMap(), 1);
    EXPECT_EQ(atom.MixerFlags(), 0u);
    EXPECT_EQ(atom.GetChunkFlags(), 0u);
    EXPECT_EQ(atom.Playing(), 0);
    EXPECT_EQ(atom.Parent(), nullptr);
    EXPECT_STREQ(atom.AtomName(), "");
    EXPECT_EQ(atom.SaveSize(0), 584u + 6u * 20u);
    EXPECT_EQ(atom.FinishedWithPlayOnce(), 1);
    EXPECT_EQ(atom.CanCombine(), 1);
}

TEST(AudioAtom, DeleteAtomDeletesOnlyAtTheLastReference) {
    CAudioAtom* atom = new CAudioAtom();
    atom->AddReference();
    CAudioAtom* held = atom;
    DeleteAtom(&held);
    EXPECT_EQ(held, atom);
    EXPECT_EQ(atom->References(), 1);
    DeleteAtom(&held);
    EXPECT_EQ(held, nullptr);
    DeleteAtom(&held);
    DeleteAtom(nullptr);
}

TEST(AudioAtom, StateChangesSetTheirBitsAndNotify) {
    CTestAtom atom;
    atom.Mute(1);
    atom.SetLock(1);
    EXPECT_EQ(atom.GetChunkFlags(), ATOM_FLAG_MUTED | ATOM_FLAG_LOCKED);
    EXPECT_EQ(atom.Muted(), 1);
    EXPECT_EQ(atom.Locked(), 1);
    atom.Mute(0);
    atom.SetLock(0);
    EXPECT_EQ(atom.GetChunkFlags(), 0u);
    atom.SetPlayMode(1, 250);
    EXPECT_EQ(atom.Playing(), 1);
    atom.SetPlayMode(0, 0);
    EXPECT_EQ(atom.notices, "3 6 4 7 0/250 2 ");

    atom.SetMixerFlag(ATOM_MIXER_STOP | ATOM_MIXER_NEW_MAP);
    EXPECT_EQ(atom.GetFlag(ATOM_MIXER_STOP | ATOM_MIXER_TREE_CHANGED), ATOM_MIXER_STOP);
    atom.ClearMixerFlag(ATOM_MIXER_STOP);
    EXPECT_EQ(atom.MixerFlags(), ATOM_MIXER_NEW_MAP);
}

TEST(AudioAtom, CopiesTakeMapsAndNamesButNoPlaceInATree) {
    CTestGroup root;
    auto* atom = new CTestAtom(1000, "take");
    AddToGroup(atom, &root, 300);
    atom->GetSrcMap()->AddSimpleEvent(MAP_VOLUME, 500, 0.5);
    atom->Mute(1);
    atom->SetLock(1);
    atom->SetVirtualDataStart(77);
    atom->SetPrivateData(atom);

    TAtomPtr<CAudioAtom> copy(atom->CAudioAtom::Copy());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Type(), ATOM_KIND_PLAIN);
    EXPECT_STREQ(copy->AtomName(), "take");
    EXPECT_EQ(copy->AbsoluteOffset(), 300);
    EXPECT_EQ(copy->GetVirtualDataStart(), 77);
    EXPECT_EQ(copy->GetChunkFlags(), ATOM_FLAG_MUTED);
    EXPECT_EQ(copy->Parent(), nullptr);
    EXPECT_EQ(copy->GetPrivateData(), nullptr);
    EXPECT_EQ(copy->References(), 1);
    EXPECT_EQ(copy->NumEvents(-1), 0);
    EXPECT_EQ(Exact(*copy->GetSrcMap()), Exact(*atom->GetSrcMap()));

    // A ranged copy cuts both maps.
    TAtomPtr<CAudioAtom> cut(atom->CAudioAtom::Copy(250, 750));
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(Points(*cut->GetSrcMap(), MAP_VOLUME), "0:0.75 250:0.5 500:0.75");
    EXPECT_EQ(Points(*cut, MAP_VOLUME), Points(CMap(*atom, 250, 750), MAP_VOLUME));
    EXPECT_EQ(cut->Parent(), nullptr);
}

// ---------------------------------------------------------------- trees and maps

// root (2000 ms, volume 1.0 -> 0.0, pan 0.5)
//   child at 500 (1000 ms, volume 0.5, pan 0.8)
//     leaf at 250 in child (500 ms, default maps)
struct TNestedTree {
    TNestedTree() {
        root.GetSrcMap()->RemoveAllSimpleEvents(MAP_ALL);
        AddPoints(*root.GetSrcMap(), MAP_VOLUME, {{0, 1.0}, {2000, 0.0}});
        AddPoints(*root.GetSrcMap(), MAP_PAN, {{0, 0.5}, {2000, 0.5}});
        AddPoints(*root.GetSrcMap(), MAP_RATE, {{0, 2.0}, {2000, 2.0}});
        root.CombineWithParentMap(MAP_ALL);
        child = new CTestGroup(1000, "child");
        child->GetSrcMap()->RemoveAllSimpleEvents(MAP_ALL);
        AddPoints(*child->GetSrcMap(), MAP_VOLUME, {{0, 0.5}, {1000, 0.5}});
        AddPoints(*child->GetSrcMap(), MAP_PAN, {{0, 0.8}, {1000, 0.8}});
        AddPoints(*child->GetSrcMap(), MAP_RATE, {{0, 1.5}, {1000, 1.5}});
        leaf = new CTestAtom(500, "leaf");
        child->Add(&root, 500);
        leaf->Add(child, 250);
        // The leaf's envelopes end with it, as a loaded sound's do.
        leaf->NotifyOfNewLength();
        leaf->CombineWithParentMap(MAP_ALL);
    }
    ~TNestedTree() {
        CAudioAtom* mine = leaf;
        DeleteAtom(&mine);
        mine = child;
        DeleteAtom(&mine);
    }
    CTestGroup root{2000, "root"};
    CTestGroup* child;
    CTestAtom* leaf;
};

TEST(AudioAtomTree, NestedAtomsCombineVolumeAndPanWithTheirParents) {
    TNestedTree tree;
    EXPECT_EQ(tree.child->LevelsDeep(), 1);
    EXPECT_EQ(tree.leaf->LevelsDeep(), 2);
    EXPECT_EQ(tree.leaf->AbsoluteOffset(), 750);
    EXPECT_EQ(tree.leaf->OffsetInParent(), 250);
    EXPECT_EQ(tree.child->Parent(), &tree.root);

    // Root volume at 500..1500 is 0.75..0.25; the child's 0.5 halves it.
    EXPECT_EQ(Points(*tree.child, MAP_VOLUME), "0:0.375 1000:0.125");
    EXPECT_EQ(Points(*tree.child, MAP_PAN), "0:1 1000:1");
    // The leaf lies at 250..750 of the child.
    EXPECT_EQ(Points(*tree.leaf, MAP_VOLUME), "0:0.3125 500:0.1875");
    EXPECT_EQ(Points(*tree.leaf, MAP_PAN), "0:1 500:1");
    // The rate is each atom's own unless combined by itself.
    EXPECT_EQ(Points(*tree.child, MAP_RATE), "0:1.5 1000:1.5");
    tree.child->CombineWithParentMap(MAP_RATE);
    EXPECT_EQ(Points(*tree.child, MAP_RATE), "0:3 1000:3");
    EXPECT_EQ(Points(*tree.child, MAP_VOLUME), "0:0.375 1000:0.125");

    EXPECT_NE(tree.leaf->GetFlag(ATOM_MIXER_TREE_CHANGED | ATOM_MIXER_NEW_MAP), 0u);

    // Moved to the root's start, the child lies under root volume 1.0..0.5.
    tree.child->ClearMixerFlag(~0u);
    EXPECT_EQ(tree.child->Move(0), tree.child);
    EXPECT_EQ(Points(*tree.child, MAP_VOLUME), "0:0.5 1000:0.25");
    EXPECT_EQ(tree.child->MixerFlags(), ATOM_MIXER_TREE_CHANGED | ATOM_MIXER_NEW_MAP);
    CAudioAtom root;
    EXPECT_EQ(root.Move(10), nullptr);
    EXPECT_EQ(root.MixerFlags(), ATOM_MIXER_TREE_CHANGED);
}

TEST(AudioAtomTree, CombiningFlagsAndPlayingAtoms) {
    TNestedTree tree;
    tree.leaf->ClearMixerFlag(~0u);
    tree.leaf->CombineWithParentMap(MAP_VOLUME);
    EXPECT_EQ(tree.leaf->MixerFlags(), ATOM_MIXER_NEW_MAP);
    EXPECT_EQ(tree.leaf->HasNewMap(), 0);
    tree.leaf->SetPlayMode(3, 0);
    tree.leaf->CombineWithParentMap(MAP_PAN);
    EXPECT_EQ(tree.leaf->MixerFlags(), ATOM_MIXER_NEW_MAP);
    EXPECT_EQ(tree.leaf->HasNewMap(), 3);
    tree.leaf->CombineWithParentMap(MAP_ALL);
    EXPECT_EQ(tree.leaf->MixerFlags(), ATOM_MIXER_NEW_MAP | ATOM_MIXER_RATE_CHANGED);
    tree.leaf->ClearNewMapFlag();
    EXPECT_EQ(tree.leaf->HasNewMap(), 0);

    // Removing an atom while it plays stops it first.
    tree.leaf->notices.clear();
    EXPECT_EQ(tree.leaf->Remove(), tree.child);
    EXPECT_EQ(tree.leaf->notices, "stop 2 ");
    EXPECT_EQ(tree.leaf->Parent(), nullptr);
    EXPECT_EQ(tree.leaf->LevelsDeep(), 0);
    EXPECT_NE(tree.leaf->GetFlag(ATOM_MIXER_TREE_CHANGED), 0u);
    EXPECT_EQ(tree.leaf->Remove(), nullptr);
}

TEST(AudioAtomTree, DisabledCombiningStillPlacesAtoms) {
    CTestGroup root(1000, "root");
    AddPoints(*root.GetSrcMap(), MAP_VOLUME, {{0, 0.5}});
    root.GetSrcMap()->RemoveAllSimpleEvents(MAP_VOLUME);
    AddPoints(*root.GetSrcMap(), MAP_VOLUME, {{0, 0.5}, {1000, 0.5}});
    root.CombineWithParentMap(MAP_ALL);

    DisableMapCombining();
    DisableMapCombining();
    EXPECT_EQ(MapCombiningEnabled(), 0);
    auto* atom = new CTestAtom(1000, "a");
    AddToGroup(atom, &root, 0);
    EXPECT_EQ(atom->Parent(), &root);
    EXPECT_EQ(atom->NumEvents(-1), 0);
    EnableMapCombining();
    EXPECT_EQ(MapCombiningEnabled(), 0);
    EnableMapCombining();
    EXPECT_EQ(MapCombiningEnabled(), 1);

    atom->Move(0);
    EXPECT_EQ(Points(*atom, MAP_VOLUME), "0:0.5 1000:0.5");
}

TEST(AudioAtomTree, AtomsOfNoLengthKeepTheirOwnMaps) {
    CTestGroup root(0, "silent root");
    AddPoints(*root.GetSrcMap(), MAP_VOLUME, {{0, 0.5}});
    root.CombineWithParentMap(MAP_ALL);
    auto* atom = new CTestAtom(1000, "a");
    AddToGroup(atom, &root, 0);
    EXPECT_EQ(Exact(*atom), Exact(*atom->GetSrcMap()));
}

TEST(AudioAtomTree, ScaleStretchesTheSourceMapAndLength) {
    CTestGroup root(4000, "root");
    root.CombineWithParentMap(MAP_ALL);
    auto* atom = new CTestAtom(1000, "a");
    AddToGroup(atom, &root, 0);
    atom->GetSrcMap()->AddSimpleEvent(MAP_RATE, 500, 2.0);
    atom->ClearMixerFlag(~0u);
    atom->Scale(2.0);
    EXPECT_EQ(atom->Length(0), 2000);
    EXPECT_EQ(Points(*atom->GetSrcMap(), MAP_RATE), "0:1 1000:2 2000:1");
    EXPECT_DOUBLE_EQ(atom->GetLastRateLength(), 3000.0);
    EXPECT_EQ(atom->MixerFlags(), ATOM_MIXER_NEW_LENGTH | ATOM_MIXER_NEW_MAP);
    EXPECT_EQ(Points(*atom, MAP_RATE), "0:1 1000:2 2000:1");
}

TEST(AudioAtomTree, AnAtomLeavesItsParentWhenDestroyed) {
    struct CParent : CTestAtom {
        CAudioAtom* RemoveSubAtom(CAudioAtom* child, int adjust, int combine) override {
            removed = child;
            return CAudioAtom::RemoveSubAtom(child, adjust, combine);
        }
        CAudioAtom* removed = nullptr;
    } parent;
    auto* atom = new CAudioAtom();
    atom->SetParent(&parent);
    CAudioAtom* address = atom;
    DeleteAtom(&atom);
    EXPECT_EQ(parent.removed, address);
}

// ---------------------------------------------------------------- names

TEST(AudioAtom, NamesAreCutOnACharacterBoundary) {
    CAudioAtom atom;
    const std::string longName = std::string(510, 'a') + "\xC3\xA9" + "tail";
    atom.SetAtomName(longName.c_str());
    EXPECT_EQ(std::string(atom.AtomName()), std::string(510, 'a'));
    atom.SetAtomName("short");
    EXPECT_STREQ(atom.GetInfo()->name, "short");
    EXPECT_EQ(atom.GetInfo()->name[6], '\0');
    atom.SetAtomName(nullptr);
    EXPECT_STREQ(atom.AtomName(), "");
}

TEST(AudioAtom, NestedNamesShowTheNearestAncestors) {
    // a0 : a1 : ... : a11, each the parent of the next.
    std::vector<std::unique_ptr<CAudioAtom>> chain;
    for (int i = 0; i < 12; ++i) {
        chain.push_back(std::make_unique<CAudioAtom>());
        std::string name = "a";
        name += std::to_string(i);
        chain.back()->SetAtomName(name.c_str());
        if (i > 0) chain.back()->SetParent(chain[static_cast<std::size_t>(i - 1)].get());
    }
    const CAudioAtom& deepest = *chain.back();
    const struct {
        int depth;
        std::int32_t size;
        const char* name;
    } cases[] = {
        {20, 200, "a1 : a2 : a3 : a4 : a5 : a6 : a7 : a8 : a9 : a10 : a11"},
        {2, 200, "a9 : a10 : a11"},
        {0, 200, "a11"},
        {2, 11, "a9 : "},  // "a10 : " would not fit, nor anything after it
        {2, 16, "a9 : a10 : a11"},
        {2, 14, "a9 : a10 : "},
        {0, 3, ""},
    };
    for (const auto& c : cases) {
        char buffer[200];
        std::memset(buffer, 'x', sizeof buffer);
        deepest.GetNestedName(buffer, c.size, c.depth);
        EXPECT_STREQ(buffer, c.name) << c.depth << " " << c.size;
    }
    for (auto& atom : chain) atom->SetParent(nullptr);
}

}  // namespace
