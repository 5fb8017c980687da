#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/sound/sound_group.h"
#include "tonecore/maps/tests/event_map_support.h"
#include "tonecore/sound/tests/recording_support.h"
#include "tonecore/sound/tests/sound_group_support.h"

namespace {

using chunk_builder::Chunk;
using chunk_builder::Le32;
using chunk_builder::List;
using chunk_builder::ReadLe32;
using chunk_builder::Riff;
using grouptest::TAtomRef;
using map_support::ReadRiff;
using map_support::WriteRiff;

int LoadGroup(CSoundGroup& group, CRIFF& riff) { return group.Load(&riff, 0, 0, 0, 0, nullptr, nullptr); }

// The group's tree as text: each member's name and offset, groups with
// their members in brackets.
std::string Tree(CSoundGroup& group) {
    std::string out;
    for (int i = 0; i < group.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        std::int32_t offset = 0;
        CAudioAtom* member = group.GetAtom(i, &offset);
        out += std::string(member->AtomName()) + "@" + std::to_string(offset);
        if (member->Type() & ATOM_KIND_GROUP) out += "[" + Tree(static_cast<CSoundGroup&>(*member)) + "]";
        out += " ";
    }
    return out;
}

CSoundGroup* AddGroup(CSoundGroup& parent, std::int32_t offset, const char* name) {
    auto* group = new CSoundGroup;
    group->SetAtomName(name);
    group->Add(&parent, offset);
    group->DecReference();
    return group;
}

// Where the data of the first chunk with id starts in bytes.
std::size_t DataOf(const std::string& bytes, const char* id) {
    const std::size_t at = bytes.find(id);
    return at == std::string::npos ? at : at + 8;
}

TEST(SoundGroupFile, SavedGroupsLoadBackWithTheirTreeAndInfo) {
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    root->SetAtomName("session");
    root->SetComments("burned twice");
    AddGroup(*root, 0, "side a");
    CSoundGroup* sideB = AddGroup(*root, 2000, "side b");
    AddGroup(*sideB, 0, "b1");
    AddGroup(*sideB, 500, "b2");
    ASSERT_EQ(Tree(*root), "side a@0[] side b@2000[b1@0[] b2@500[] ] ");

    const std::string file = WriteRiff([&](CRIFF& riff) { EXPECT_EQ(root->Save(&riff, 1), 1); });
    EXPECT_EQ(root->LastSavedNumAtoms(), 2);
    // LIST "sgrp" { atom, smap, sgdt, sgif, members }.
    EXPECT_EQ(file.substr(12, 4), "LIST");
    EXPECT_EQ(file.substr(20, 8), "sgrpatom");
    EXPECT_EQ(ReadLe32(file, DataOf(file, "sgdt")), 2u);
    const std::size_t info = DataOf(file, "sgif");
    ASSERT_NE(info, std::string::npos);
    EXPECT_EQ(ReadLe32(file, info - 4), 2152u);
    EXPECT_EQ(file.substr(info, 13), std::string("burned twice\0", 13));
    EXPECT_EQ(file.substr(info + 1024, 18), std::string(root->GetCreationTime()));
    EXPECT_EQ(ReadLe32(file, info + 1088), 0x1234567Au);
    EXPECT_EQ(file.substr(info + 1096, 8), std::string(8, '\0'));  // no sound data: 0.0
    EXPECT_EQ(file.substr(info + 1104, 1048), std::string(1048, '\0'));
    EXPECT_EQ(file.substr(info + 2152, 4), "LIST");

    ReadRiff(file, [&](CRIFF& riff) {
        TAtomRef<CSoundGroup> loaded(new CSoundGroup);
        EXPECT_EQ(LoadGroup(*loaded, riff), 1);
        EXPECT_EQ(Tree(*loaded), Tree(*root));
        EXPECT_STREQ(loaded->AtomName(), "session");
        EXPECT_STREQ(loaded->GetComments(), "burned twice");
        EXPECT_STREQ(loaded->GetCreationTime(), root->GetCreationTime());
        EXPECT_EQ(loaded->LastSavedNumAtoms(), 2);
    });
    ReadRiff(file, [&](CRIFF& riff) {
        EXPECT_EQ(CSoundGroup::GetSavedSize(&riff), 0.0);
        EXPECT_EQ(map_support::CurrentId(riff), RIFF_ID_LIST);  // left where it was
        TAtomRef<CSoundGroup> loaded(new CSoundGroup);
        EXPECT_EQ(LoadGroup(*loaded, riff), 1);
    });
}

TEST(SoundGroupFile, DataSizeCountsTheSoundsOfEverySubGroup) {
    const WAVEFORMATEX format = pcmtest::Pcm(44100, 2, 16);
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    auto a = grouptest::ConstantSound(format, 100, 0);
    auto b = grouptest::ConstantSound(format, 50, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a->Add(root.get(), 0);
    CSoundGroup* nested = AddGroup(*root, 300, "nested");
    b->Add(nested, 0);
    EXPECT_EQ(root->DataSizeOfSubGroups(), 17640.0 + 8820.0);
    EXPECT_EQ(nested->DataSizeOfSubGroups(), 8820.0);
}

// A sound whose data lives in memory has no path to save by reference: the
// group's save fails with the member's reason, however deep the member.
TEST(SoundGroupFile, SavingAMemorySoundByReferenceFailsWithItsReason) {
    const WAVEFORMATEX format = pcmtest::Pcm(44100, 2, 16);
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    auto sound = grouptest::ConstantSound(format, 100, 0);
    ASSERT_NE(sound, nullptr);
    CSoundGroup* nested = AddGroup(*root, 300, "nested");
    sound->Add(nested, 0);
    for (CSoundGroup* group : {nested, root.get()}) {
        SCOPED_TRACE(group->AtomName());
        WriteRiff([&](CRIFF& riff) {
            SetLastError(0);
            EXPECT_EQ(group->Save(&riff, 1), 0);
            EXPECT_EQ(GetLastError(), TONECORE_ERR_NO_SOUND_SOURCE);
        });
    }
}

// Compares two trees member by member: kind, offset and length, and for
// each sound its format and every byte of its data.
void ExpectSameTree(CSoundGroup& expected, CSoundGroup& actual) {
    ASSERT_EQ(actual.NumAtoms(CSoundGroup::kAllMemberKinds, 0), expected.NumAtoms(CSoundGroup::kAllMemberKinds, 0));
    for (int i = 0; i < expected.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        SCOPED_TRACE(::testing::Message() << "member " << i << " of " << expected.AtomName());
        std::int32_t expectedOffset = 0;
        std::int32_t actualOffset = 0;
        CAudioAtom* want = expected.GetAtom(i, &expectedOffset);
        CAudioAtom* got = actual.GetAtom(i, &actualOffset);
        ASSERT_EQ(got->Type(), want->Type());
        EXPECT_EQ(actualOffset, expectedOffset);
        EXPECT_EQ(got->Length(0), want->Length(0));
        EXPECT_STREQ(got->AtomName(), want->AtomName());
        if (want->Type() & ATOM_KIND_GROUP) {
            ExpectSameTree(static_cast<CSoundGroup&>(*want), static_cast<CSoundGroup&>(*got));
            continue;
        }
        auto& wantSound = static_cast<CPCMSound&>(*want);
        auto& gotSound = static_cast<CPCMSound&>(*got);
        ASSERT_NE(gotSound.ActualFormat(), nullptr);
        EXPECT_EQ(std::memcmp(gotSound.ActualFormat(), wantSound.ActualFormat(), sizeof(WAVEFORMATEX)), 0);
        EXPECT_EQ(rectest::SoundData(gotSound), rectest::SoundData(wantSound));
    }
}

// Sounds and a nested group of sounds, saved with their data, load back as
// the same tree: every member at its place with its own samples.
TEST(SoundGroupFile, ANestedGroupOfSoundsLoadsBackMemberByMember) {
    const WAVEFORMATEX cd = pcmtest::Pcm(44100, 2, 16);
    const WAVEFORMATEX low = pcmtest::Pcm(22050, 1, 8);
    TAtomRef<CSoundGroup> root(new CSoundGroup);
    root->SetAtomName("session");
    const auto place = [](CSoundGroup& group, TAtomRef<CPCMSound> sound, std::int32_t offset, const char* name) {
        ASSERT_TRUE(sound);
        sound->SetAtomName(name);
        sound->Add(&group, offset);
    };
    place(*root, grouptest::ConstantSound(cd, 300, 1000), 0, "intro");
    CSoundGroup* nested = AddGroup(*root, 250, "side b");
    place(*nested, grouptest::ConstantSound(low, 200, -9000), 0, "b1");
    place(*nested, grouptest::ConstantSound(cd, 150, 7000), 120, "b2");
    CSoundGroup* deeper = AddGroup(*nested, 400, "coda");
    place(*deeper, grouptest::ConstantSound(cd, 100, -3000), 0, "c1");

    const std::string file = WriteRiff([&](CRIFF& riff) { EXPECT_EQ(root->Save(&riff, 0), 1); });
    ReadRiff(file, [&](CRIFF& riff) {
        TAtomRef<CSoundGroup> loaded(new CSoundGroup);
        ASSERT_EQ(LoadGroup(*loaded, riff), 1);
        EXPECT_EQ(Tree(*loaded), Tree(*root));
        EXPECT_EQ(loaded->Length(0), root->Length(0));
        ExpectSameTree(*root, *loaded);
    });
}

// An "atom" chunk as a group's writer leaves it.
std::string AtomChunk(std::uint32_t offset, const std::string& name) {
    std::string info = name;
    info.resize(512, '\0');
    return Chunk("atom", Le32(0) + Le32(offset) + info + Le32(0x12345679) + Le32(0) + Le32(0) + std::string(52, '\0'));
}

std::string InfoChunk(std::uint32_t magic, double dataSize) {
    std::string data(2152, '\0');
    data.replace(0, 5, "notes");
    const std::string m = Le32(magic);
    data.replace(1088, 4, m);
    std::memcpy(data.data() + 1096, &dataSize, 8);
    return Chunk("sgif", data);
}

std::string GroupList(std::uint32_t offset, const std::string& name, std::uint32_t count, const std::string& rest) {
    return List("sgrp", {AtomChunk(offset, name), Chunk("sgdt", Le32(count)), rest});
}

TEST(SoundGroupFile, FilesOfOtherMakesLoadWhatTheyHold) {
    const std::string a = GroupList(0, "a", 0, "");
    const std::string b = GroupList(700, "b", 0, "");
    const std::string junk = List("junk", {Chunk("data", "xx")});
    const struct {
        const char* what;
        std::string file;
        std::string tree;
        double dataSize;
        const char* comments;
    } cases[] = {
        {"info record", Riff("test", {GroupList(0, "g", 2, InfoChunk(0x1234567A, 4096.0) + a + b)}), "a@0[] b@700[] ",
         4096.0, "notes"},
        {"foreign magic", Riff("test", {GroupList(0, "g", 2, InfoChunk(0x1234567B, 4096.0) + a + b)}),
         "a@0[] b@700[] ", 0.0, "notes"},
        {"no info record", Riff("test", {GroupList(0, "g", 2, a + b)}), "a@0[] b@700[] ", 0.0, ""},
        {"unknown member list", Riff("test", {GroupList(0, "g", 3, a + junk + b)}), "a@0[] b@700[] ", 0.0, ""},
        {"count beyond the lists", Riff("test", {GroupList(0, "g", 9, a + b)}), "a@0[] b@700[] ", 0.0, ""},
        {"count below the lists", Riff("test", {GroupList(0, "g", 1, a + b)}), "a@0[] ", 0.0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReadRiff(c.file, [&](CRIFF& riff) {
            EXPECT_EQ(CSoundGroup::GetSavedSize(&riff), c.dataSize);
            TAtomRef<CSoundGroup> group(new CSoundGroup);
            EXPECT_EQ(LoadGroup(*group, riff), 1);
            EXPECT_EQ(Tree(*group), c.tree);
            EXPECT_EQ(group->LastSavedDataSize(), c.dataSize);
            EXPECT_STREQ(group->GetComments(), c.comments);
        });
    }
    // A group list without its atom chunk is not a group.
    ReadRiff(Riff("test", {List("sgrp", {Chunk("sgdt", Le32(0))})}), [](CRIFF& riff) {
        TAtomRef<CSoundGroup> group(new CSoundGroup);
        EXPECT_EQ(LoadGroup(*group, riff), 0);
    });
}

// Every member's absolute offset, all the way down, is on the time line.
void ExpectPlacesOnTheTimeLine(CSoundGroup& group) {
    for (int i = 0; i < group.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        CAudioAtom* member = group.GetAtom(i, nullptr);
        EXPECT_GE(member->AbsoluteOffset(), 0) << member->AtomName();
        if (member->Type() & ATOM_KIND_GROUP) ExpectPlacesOnTheTimeLine(static_cast<CSoundGroup&>(*member));
    }
}

TEST(SoundGroupFile, HostilePlacesStayOnTheTimeLine) {
    const std::string early = GroupList(0, "early", 0, "");
    const std::string late = GroupList(0x7fffffff, "late", 0, "");
    const std::string negative = GroupList(0x80000000, "negative", 0, "");
    const struct {
        const char* what;
        std::string file;
        int loads;
        int members;
    } cases[] = {
        // Members far before a group far along: the group's place plus the
        // members' spread is beyond the 32-bit range.
        {"group far along", Riff("test", {GroupList(0x73000000, "g", 2, early + early)}), 1, 2},
        {"members at both ends", Riff("test", {GroupList(0x73000000, "g", 3, late + early + late)}), 1, 3},
        // A negative place is damage: that member is left out.
        {"negative member", Riff("test", {GroupList(0, "g", 2, negative + late)}), 1, 1},
        {"negative group", Riff("test", {GroupList(0x80000000, "g", 1, early)}), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReadRiff(c.file, [&](CRIFF& riff) {
            TAtomRef<CSoundGroup> group(new CSoundGroup);
            EXPECT_EQ(LoadGroup(*group, riff), c.loads);
            EXPECT_EQ(group->NumAtoms(CSoundGroup::kAllMemberKinds, 0), c.members);
            ExpectPlacesOnTheTimeLine(*group);
        });
    }
}

TEST(SoundGroupFile, UnterminatedTextsAreCutToTheirFields) {
    std::string data(2152, 'x');
    const std::string file = Riff("test", {GroupList(0, "g", 0, Chunk("sgif", data))});
    ReadRiff(file, [](CRIFF& riff) {
        TAtomRef<CSoundGroup> group(new CSoundGroup);
        EXPECT_EQ(LoadGroup(*group, riff), 1);
        EXPECT_EQ(std::strlen(group->GetComments()), 1023u);
        EXPECT_EQ(std::strlen(group->GetCreationTime()), 63u);
    });
}

}  // namespace
