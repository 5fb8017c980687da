// Fuzz target for sound-group and sound-tree files: the input is a RIFF file
// whose first chunk is loaded as a group ("sgrp" list: atom, count "sgdt",
// information "sgif", member lists of groups and of sounds with their "sref"
// references or saved data). A group that loads must have every member on
// the time line, must save, and must load back with as many members.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "testsupport/fuzz_scratch.h"
#include "tonecore/sound/sound_group.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// Members at every depth; each must sit at a place on the time line.
int CheckedMembers(CSoundGroup& group) {
    int count = 0;
    for (int i = 0; i < group.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
        CAudioAtom* member = group.GetAtom(i, nullptr);
        Check(member != nullptr && member->AbsoluteOffset() >= 0);
        ++count;
        if (member->Type() & ATOM_KIND_GROUP) count += CheckedMembers(static_cast<CSoundGroup&>(*member));
    }
    return count;
}

struct TDropAtom {
    CAudioAtom* atom;
    ~TDropAtom() { DeleteAtom(&atom); }
};

// Loads a group from the start of mem; null when it does not load.
CSoundGroup* LoadGroup(CMemObj& mem) {
    mem.Seek(0, 0);
    CRIFF riff;
    _chunkInfo header;
    if (!riff.Open(&mem, &header)) return nullptr;
    auto* group = new CSoundGroup;
    if (group->Load(&riff, 0, 0, 0, 0, nullptr, nullptr)) return group;
    CAudioAtom* atom = group;
    DeleteAtom(&atom);
    return nullptr;
}

void RoundTrip(CSoundGroup& group, int members) {
    auto* mem = new CMemObj();
    mem->Create();
    bool saved = false;
    {
        CRIFF writer;
        writer.Create(mem, FourCC("sgrp"));
        // A sound without a file to name is refused by reference; nothing
        // is there to read back then.
        saved = group.Save(&writer, 1) == 1;
        writer.Close();
    }
    if (saved) {
        CSoundGroup* back = LoadGroup(*mem);
        Check(back != nullptr);
        TDropAtom drop{back};
        Check(CheckedMembers(*back) == members);
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Sounds saved with their data are copied into the per-user folders, and
    // relative references are taken from the working folder: both are a
    // scratch folder's.
    static const fuzzsupport::CScratchFolder scratch("sound_group_fuzz");
    static const int home = setenv("SONGSMITH_HOME", scratch.Path().c_str(), 1) | chdir(scratch.Path().c_str());
    (void)home;

    auto* mem = new CMemObj();
    mem->Open(data, static_cast<std::int64_t>(size));
    CSoundGroup* group = LoadGroup(*mem);
    if (group != nullptr) {
        TDropAtom drop{group};
        const int members = CheckedMembers(*group);
        group->Length(0);
        RoundTrip(*group, members);
    }
    CRefObj* release = mem;
    DeleteRefObject(&release);
    return 0;
}
