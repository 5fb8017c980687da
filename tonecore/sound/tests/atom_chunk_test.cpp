#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/sound/tests/atom_test_support.h"
#include "tonecore/maps/tests/event_map_support.h"

namespace {

using namespace atom_support;
using namespace map_support;
using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::ReadLe32;
using chunk_builder::Riff;

// An "atom" chunk's data as another program may have written it.
std::string AtomData(std::uint32_t length, std::uint32_t offset, const std::string& name, std::uint32_t magic,
                     std::uint32_t dataStart, std::uint32_t flags) {
    std::string info = name.substr(0, 512);
    info.resize(512, '\0');
    return Le32(length) + Le32(offset) + info + Le32(magic) + Le32(dataStart) + Le32(flags) + std::string(52, '\0');
}

// The smap stream of a map.
std::string MapChunk(const CMap& map) {
    const std::string file = WriteRiff([&](CRIFF& riff) { map.WriteMap(&riff); });
    return file.substr(12);
}

int LoadAtom(CAudioAtom& atom, CRIFF& riff) { return atom.Load(&riff, 0, 0, 0, 0, nullptr, nullptr); }

TEST(AtomChunk, SavedLayout) {
    CTestAtom atom(5000, "song");
    atom.SetAbsoluteOffset(1234);
    atom.SetVirtualDataStart(77);
    atom.Mute(1);
    atom.SetLock(1);
    const std::string file = WriteRiff([&](CRIFF& riff) { EXPECT_EQ(atom.Save(&riff, 1), 1); });

    ASSERT_GE(file.size(), 20u + 584u + 8u);
    EXPECT_EQ(file.substr(12, 4), "atom");
    EXPECT_EQ(ReadLe32(file, 16), 584u);
    const std::string data = file.substr(20, 584);
    EXPECT_EQ(data, AtomData(5000, 1234, "song", 0x12345679, 77, 3));
    EXPECT_EQ(file.substr(604), MapChunk(*atom.GetSrcMap()));
    EXPECT_EQ(atom.SaveSize(1), 584u + atom.GetSrcMap()->MapSaveSize());
}

TEST(AtomChunk, BothMagicValuesReadBack) {
    const struct {
        std::uint32_t magic;
        std::int32_t dataStart;
        std::uint32_t flags;
    } cases[] = {
        {0x12345679, 77, ATOM_FLAG_MUTED | ATOM_FLAG_LOCKED},
        {0x12345678, 77, 0},  // older chunks: unmuted and unlocked
        {0x0BADF00D, 5, ATOM_FLAG_LOCKED},  // neither is taken
    };
    for (const auto& c : cases) {
        const std::string file =
            Riff("test", {Chunk("atom", AtomData(3000, 250, "old", c.magic, 77, 3)),
                          Chunk("smap", Le32(0)), Chunk("next", "")});
        ReadRiff(file, [&](CRIFF& riff) {
            CTestAtom atom(0);
            atom.SetVirtualDataStart(5);
            atom.SetLock(1);
            atom.notices.clear();
            ASSERT_EQ(LoadAtom(atom, riff), 1);
            EXPECT_EQ(atom.GetVirtualDataStart(), c.dataStart) << std::hex << c.magic;
            EXPECT_EQ(atom.GetChunkFlags(), c.flags) << std::hex << c.magic;
            EXPECT_EQ(atom.notices, "") << "flags are taken without notices";
            EXPECT_EQ(atom.AbsoluteOffset(), 250);
            EXPECT_STREQ(atom.AtomName(), "old");
            EXPECT_EQ(atom.Length(0), 3000);
            EXPECT_DOUBLE_EQ(atom.GetLastRateLength(), 3000.0);
            // An empty map becomes the default map for the stored length.
            EXPECT_EQ(Order(*atom.GetSrcMap()), "2@0 1@0 0@0 0@3000 1@3000 2@3000");
            EXPECT_EQ(CurrentId(riff), FourCC("next"));
        });
    }
}

TEST(AtomChunk, DamagedChunksLoadWithinTheirBytes) {
    // A name that fills its field is cut at its last byte; a short chunk
    // has no magic; a missing map gives the default one.
    const std::string full = AtomData(2000, 0, std::string(512, 'n'), 0x12345679, 0, 0);
    ReadRiff(Riff("test", {Chunk("atom", full)}), [](CRIFF& riff) {
        CAudioAtom atom;
        ASSERT_EQ(LoadAtom(atom, riff), 1);
        EXPECT_EQ(std::string(atom.AtomName()), std::string(511, 'n'));
        EXPECT_EQ(Order(*atom.GetSrcMap()), "2@0 1@0 0@0 0@2000 1@2000 2@2000");
    });
    const std::string cut = AtomData(2000, 40, "cut", 0x12345679, 9, 3).substr(0, 100);
    ReadRiff(Riff("test", {Chunk("atom", cut), Chunk("smap", Le32(1) + Le32(0) + Le32(0) + Le32(8) + "12345678")}),
             [](CRIFF& riff) {
                 CAudioAtom atom;
                 ASSERT_EQ(LoadAtom(atom, riff), 1);
                 EXPECT_STREQ(atom.AtomName(), "cut");
                 EXPECT_EQ(atom.AbsoluteOffset(), 40);
                 EXPECT_EQ(atom.GetVirtualDataStart(), 0);
                 EXPECT_EQ(atom.GetChunkFlags(), 0u);
                 EXPECT_EQ(Order(*atom.GetSrcMap()), "0@0");
             });
    ReadRiff(Riff("test", {Chunk("smap", Le32(0))}), [](CRIFF& riff) {
        CAudioAtom atom;
        SetLastError(0);
        EXPECT_EQ(LoadAtom(atom, riff), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
        EXPECT_EQ(CurrentId(riff), FourCC("smap"));
    });
}

// ---------------------------------------------------------------- a saved tree

// Each atom as a list "tree": its atom chunk, its map, its members' lists.
void SaveTree(CRIFF& riff, CTestGroup& atom) {
    riff.WriteListChunkHeader(FourCC("tree"));
    riff.Descend();
    ASSERT_EQ(atom.Save(&riff, 1), 1);
    for (CAudioAtom* member : atom.Members()) SaveTree(riff, static_cast<CTestGroup&>(*member));
    riff.Ascend();
}

// Reads the list that is current into a new atom, placed in parent when
// there is one; leaves the list current again.
CTestGroup* LoadTree(CRIFF& riff, CTestGroup* parent) {
    riff.Descend();
    auto* atom = new CTestGroup();
    EXPECT_EQ(LoadAtom(*atom, riff), 1);
    if (parent != nullptr) {
        atom->Add(parent, atom->AbsoluteOffset() - parent->AbsoluteOffset());
        CAudioAtom* creation = atom;
        DeleteAtom(&creation);
    }
    while (CurrentId(riff) == RIFF_ID_LIST) {
        LoadTree(riff, atom);
        if (!riff.SeekToNextChunk()) break;
    }
    riff.Ascend();
    return atom;
}

// Events in time and type order: a map read back holds the same events,
// though events sharing a time may stand in another order.
std::string Canonical(const CMap& map) {
    std::vector<std::string> events;
    std::int32_t time = 0;
    for (int i = 0; const _tvol_pan_data* event = map.GetEventData(i, &time); ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "%011d/%d", time, event->type);
        std::string text = key;
        const auto* bytes = static_cast<const unsigned char*>(event->data);
        for (std::uint32_t b = 0; b < event->size; ++b) {
            text += ',';
            text += std::to_string(bytes[b]);
        }
        events.push_back(text);
    }
    std::sort(events.begin(), events.end());
    std::string out;
    for (const std::string& event : events) out += event + " ";
    return out;
}

std::string Describe(CTestGroup& atom) {
    std::string out = std::string(atom.AtomName()) + " at " + std::to_string(atom.AbsoluteOffset()) + " for " +
                      std::to_string(atom.Length(0)) + " depth " + std::to_string(atom.LevelsDeep()) + " flags " +
                      std::to_string(atom.GetChunkFlags()) + " start " + std::to_string(atom.GetVirtualDataStart()) +
                      "\n  source " + Canonical(*atom.GetSrcMap()) + "\n  combined " + Canonical(atom) + "\n";
    for (CAudioAtom* member : atom.Members()) out += Describe(static_cast<CTestGroup&>(*member));
    return out;
}

TEST(AtomChunk, SavedTreeOfAtomsReloadsEqual) {
    CTestGroup root(4000, "root");
    AddPoints(*root.GetSrcMap(), MAP_VOLUME, {{2000, 0.5}});
    root.GetSrcMap()->AdjustEndPoint(MAP_ALL, 4000);
    root.CombineWithParentMap(MAP_ALL);
    const auto add = [](CTestGroup* parent, std::int32_t offset, std::int32_t length, const char* name) {
        auto* atom = new CTestGroup(length, name);
        atom->NotifyOfNewLength();
        atom->Add(parent, offset);
        CAudioAtom* creation = atom;
        DeleteAtom(&creation);
        return atom;
    };
    CTestGroup* first = add(&root, 0, 1500, "first");
    AddPoints(*first->GetSrcMap(), MAP_PAN, {{700, -0.75}});
    first->Mute(1);
    first->SetVirtualDataStart(4410);
    CTestGroup* second = add(&root, 1500, 2500, "second");
    AddPoints(*second->GetSrcMap(), MAP_RATE, {{1000, 1.25}});
    CTestGroup* inner = add(second, 300, 800, "inner");
    inner->SetLock(1);
    inner->GetSrcMap()->AddEvent(12, 400, "note", 4);
    root.CombineWithSubMaps(MAP_ALL, 1);

    const std::string file = WriteRiff([&](CRIFF& riff) { SaveTree(riff, root); });
    ReadRiff(file, [&](CRIFF& riff) {
        ASSERT_EQ(CurrentId(riff), RIFF_ID_LIST);
        std::unique_ptr<CTestGroup> back(LoadTree(riff, nullptr));
        back->CombineWithParentMap(MAP_ALL);
        back->CombineWithSubMaps(MAP_ALL, 1);
        EXPECT_EQ(Describe(*back), Describe(root));
    });
}

}  // namespace
