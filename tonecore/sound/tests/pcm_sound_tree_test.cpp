#include <gtest/gtest.h>
#include <linux/magic.h>

#include <filesystem>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/sound/tests/recording_support.h"
#include "tonecore/load/tests/song_load_support.h"
#include "utilities/file_system.h"

namespace {

using rectest::Pattern;
using rectest::SoundData;

constexpr std::uint32_t kTreeForm = FourCC("sgrp");

// A sound whose load hooks report what they were asked.
class CHookedSound : public CPCMSound {
public:
    char* FindMissingFile(char* path) override {
        missing.push_back(path);
        return replacement.empty() ? nullptr : replacement.data();
    }
    void ErrorLoadingFile(std::uint32_t code) override { errors.push_back(code); }

    std::vector<std::string> missing;
    std::vector<std::uint32_t> errors;
    std::string replacement;
};

bool RemoteFileSystem(const char*, std::int64_t* type) {
    *type = NFS_SUPER_MAGIC;
    return true;
}

class SoundTreeTest : public songtest::SongLoadTest {
protected:
    void SetUp() override {
        SongLoadTest::SetUp();
        folder_ = dir_.File("set");
        std::filesystem::create_directory(folder_);
    }
    void TearDown() override {
        SetFileSystemTypeFunction(nullptr);
        SongLoadTest::TearDown();
    }

    // A WAV song of pcm in the set's folder, loaded into sound.
    void LoadSong(CPCMSound& sound, const std::string& name, const std::vector<std::uint8_t>& pcm) {
        const std::string path = folder_ + "/" + name;
        testsupport::WriteWholeFile(path, soundtest::WavFile(format_, std::string(pcm.begin(), pcm.end())));
        TStream file = Open(path);
        ASSERT_EQ(sound.InitialLoad(file.get(), 2000, 0, 0, 0, 0, 10, nullptr, nullptr), 1);
    }

    // Saves the sounds (with their by-reference flags) into a tree file.
    void SaveTree(const std::string& path, const std::vector<std::pair<CPCMSound*, int>>& sounds,
                  int expected = 1) {
        TStream file(new CFileObj);
        ASSERT_EQ(file->Create(path.c_str()), 1);
        CRIFF riff;
        ASSERT_EQ(riff.Create(file.get(), kTreeForm), 1);
        for (const auto& [sound, byReference] : sounds) EXPECT_EQ(sound->Save(&riff, byReference), expected);
        riff.Close();
    }

    // Loads one sound after another from a tree file; each result.
    std::vector<int> LoadTree(const std::string& path, const std::vector<CPCMSound*>& sounds,
                              songtest::TProgressLog* progress = nullptr) {
        TStream file = Open(path);
        CRIFF riff;
        _chunkInfo info;
        std::vector<int> results;
        if (!riff.Open(file.get(), &info)) return results;
        for (CPCMSound* sound : sounds) {
            results.push_back(sound->Load(&riff, 0, 0, 0, 10,
                                          progress != nullptr ? &songtest::TProgressLog::Callback : nullptr,
                                          progress));
        }
        return results;
    }

    std::string folder_;
    WAVEFORMATEX format_ = pcmtest::Pcm(11025, 2, 16);
};

TEST_F(SoundTreeTest, ATreeOfSoundsSavedAndReloadedIsEqualInEitherForm) {
    CPCMSound first;
    CPCMSound second;
    CPCMSound third;
    LoadSong(first, "first.wav", Pattern(4400));
    LoadSong(second, "second.wav", Pattern(8800, 5));
    LoadSong(third, "third.wav", Pattern(2200, 9));
    first.SetAtomName("intro");
    second.SetAbsoluteOffset(1500);
    third.SetAbsoluteOffset(3000);
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&first, 1}, {&second, 0}, {&third, 1}});

    // The references name the songs beside the tree file, relative to it.
    const std::string bytes = testsupport::ReadWholeFile(tree);
    EXPECT_NE(bytes.find(std::string("sref") + '\x04' + '\x01' + std::string(2, '\0') + "first.wav"),
              std::string::npos);
    EXPECT_EQ(bytes.find(folder_), std::string::npos);

    // The folder moves as a whole; the references still hold.
    const std::int32_t lengths[3] = {first.Length(0), second.Length(0), third.Length(0)};
    EXPECT_EQ(lengths[1], 199);  // 2200 frames at 11025 Hz
    const std::string moved = dir_.File("moved");
    std::filesystem::rename(folder_, moved);
    first.Unload();
    second.Unload();
    third.Unload();

    CPCMSound copies[3];
    EXPECT_EQ(LoadTree(moved + "/songs.sgp", {&copies[0], &copies[1], &copies[2]}), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(SoundData(copies[0]), Pattern(4400));
    EXPECT_EQ(SoundData(copies[1]), Pattern(8800, 5));  // saved with its data
    EXPECT_EQ(SoundData(copies[2]), Pattern(2200, 9));
    EXPECT_STREQ(copies[0].AtomName(), "intro");
    EXPECT_EQ(copies[1].AbsoluteOffset(), 1500);
    EXPECT_EQ(copies[2].AbsoluteOffset(), 3000);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(copies[i].Length(0), lengths[i]) << i;
    auto* source = dynamic_cast<CFileObj*>(copies[2].GetRefObj());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(std::string(source->FilePath()), moved + "/third.wav");
}

// A group of sounds, written as a sound-tree file and read back, holds the
// same sounds at the same places.
TEST_F(SoundTreeTest, AGroupOfSoundsSavedAndReloadedIsEqual) {
    struct TDrop {
        void operator()(CSoundGroup* group) const {
            CAudioAtom* atom = group;
            DeleteAtom(&atom);
        }
    };
    using TGroupRef = std::unique_ptr<CSoundGroup, TDrop>;
    struct TMember {
        std::int32_t offset;
        std::vector<std::uint8_t> data;
        bool operator==(const TMember&) const = default;
    };
    auto members = [](CSoundGroup& group) {
        std::vector<TMember> out;
        for (int i = 0; i < group.NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
            std::int32_t offset = 0;
            auto* sound = dynamic_cast<CPCMSound*>(group.GetAtom(i, &offset));
            if (sound != nullptr) out.push_back({offset, SoundData(*sound)});
        }
        return out;
    };

    TGroupRef root(new CSoundGroup);
    const std::vector<TMember> placed = {{0, Pattern(4400)}, {500, Pattern(6600, 1)}, {2300, Pattern(2200, 2)}};
    for (std::size_t i = 0; i < placed.size(); ++i) {
        auto* sound = new CPCMSound;
        LoadSong(*sound, "member" + std::to_string(i) + ".wav", placed[i].data);
        sound->Add(root.get(), placed[i].offset);
        sound->DecReference();
    }
    ASSERT_EQ(members(*root), placed);

    const std::string tree = folder_ + "/group.sgp";
    {
        TStream file(new CFileObj);
        ASSERT_EQ(file->Create(tree.c_str()), 1);
        CRIFF riff;
        ASSERT_EQ(riff.Create(file.get(), kTreeForm), 1);
        ASSERT_EQ(root->Save(&riff, 1), 1);
    }
    root.reset();

    TGroupRef loaded(new CSoundGroup);
    {
        TStream file = Open(tree);
        CRIFF riff;
        _chunkInfo info;
        ASSERT_EQ(riff.Open(file.get(), &info), 1);
        ASSERT_EQ(loaded->Load(&riff, 0, 0, 0, 10, nullptr, nullptr), 1);
    }
    EXPECT_EQ(members(*loaded), placed);
}

// Tree files written elsewhere name their songs with '\\' separators, and
// their relative form begins with one.
TEST_F(SoundTreeTest, ReferencesWithBackslashesReadAsRelative) {
    std::filesystem::create_directory(folder_ + "/sub");
    CPCMSound sound;
    LoadSong(sound, "sub/old.wav", Pattern(880));
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&sound, 1}});
    sound.Unload();
    std::string bytes = testsupport::ReadWholeFile(tree);
    const std::size_t at = bytes.find("sub/old.wav");
    ASSERT_NE(at, std::string::npos);
    // The field is zero-filled: the longer text still ends inside it.
    bytes.replace(at, 11, "\\sub\\old.wav");
    bytes.erase(at + 12, 1);
    testsupport::WriteWholeFile(tree, bytes);
    CPCMSound copy;
    EXPECT_EQ(LoadTree(tree, {&copy}), std::vector<int>{1});
    EXPECT_EQ(SoundData(copy), Pattern(880));
}

TEST_F(SoundTreeTest, SourcesOnANetworkFileSystemAreSavedWithTheirWholePath) {
    CPCMSound sound;
    LoadSong(sound, "far.wav", Pattern(440));
    SetFileSystemTypeFunction(&RemoteFileSystem);
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&sound, 1}});
    EXPECT_NE(testsupport::ReadWholeFile(tree).find(folder_ + "/far.wav"), std::string::npos);
    CPCMSound copy;
    EXPECT_EQ(LoadTree(tree, {&copy}), std::vector<int>{1});
    EXPECT_EQ(SoundData(copy), Pattern(440));
}

TEST_F(SoundTreeTest, APathLongerThanItsFieldIsRefusedNotCut) {
    SetFileSystemTypeFunction(&RemoteFileSystem);
    std::string deep = folder_;
    while (deep.size() < 300) deep += "/" + std::string(40, 'd');
    std::filesystem::create_directories(deep);
    const std::string song = deep + "/long.wav";
    testsupport::WriteWholeFile(song, soundtest::WavFile(format_, std::string(400, '\x01')));
    CPCMSound sound;
    TStream file = Open(song);
    ASSERT_EQ(sound.InitialLoad(file.get(), 2000, 0, 0, 0, 0, 10, nullptr, nullptr), 1);
    SaveTree(folder_ + "/songs.sgp", {{&sound, 1}}, 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_PATH_TOO_LONG);
}

// A sound from memory has no file to name: by reference it is refused (an
// empty reference would load back as no sound); with its data it is saved.
TEST_F(SoundTreeTest, ASoundFromMemoryIsSavedOnlyWithItsData) {
    CPCMSound sound;
    ASSERT_EQ(soundtest::LoadFromMemory(sound, format_, std::string(400, '\x01'), 2000), 1);
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&sound, 1}}, 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_NO_SOUND_SOURCE);
    EXPECT_EQ(testsupport::ReadWholeFile(tree).find("sref"), std::string::npos);

    SaveTree(tree, {{&sound, 0}});
    CPCMSound copy;
    EXPECT_EQ(LoadTree(tree, {&copy}), std::vector<int>{1});
    EXPECT_EQ(SoundData(copy), std::vector<std::uint8_t>(400, 1));
}

TEST_F(SoundTreeTest, SaveSizeIsTheAtomAndTheReferenceOrTheData) {
    CPCMSound sound;
    LoadSong(sound, "sized.wav", Pattern(4400));
    EXPECT_EQ(sound.SaveSize(1), sound.CAudioAtom::SaveSize(1) + 260);
    EXPECT_EQ(sound.SaveSize(0), sound.CAudioAtom::SaveSize(0) + 4400 + 18);
}

TEST_F(SoundTreeTest, LoadFailuresGoToTheHook) {
    CPCMSound gone;
    LoadSong(gone, "gone.wav", Pattern(400));
    CPCMSound found;
    LoadSong(found, "found.wav", Pattern(400, 1));
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&gone, 1}, {&gone, 1}, {&gone, 1}});
    gone.Unload();
    std::filesystem::remove(folder_ + "/gone.wav");
    // Files from elsewhere may hold an empty reference: the first one's is
    // emptied.
    std::string bytes = testsupport::ReadWholeFile(tree);
    const std::size_t reference = bytes.find("sref");
    ASSERT_NE(reference, std::string::npos);
    bytes.replace(reference + 8, 260, std::string(260, '\0'));
    testsupport::WriteWholeFile(tree, bytes);

    CHookedSound empty;
    CHookedSound lost;
    CHookedSound replaced;
    replaced.replacement = folder_ + "/found.wav";
    EXPECT_EQ(LoadTree(tree, {&empty, &lost, &replaced}), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(empty.errors, std::vector<std::uint32_t>{TONECORE_ERR_EMPTY_SOUND_PATH});
    EXPECT_EQ(lost.missing, std::vector<std::string>{folder_ + "/gone.wav"});
    EXPECT_EQ(lost.errors, std::vector<std::uint32_t>{ERROR_FILE_NOT_FOUND});
    EXPECT_TRUE(replaced.errors.empty());
    EXPECT_EQ(SoundData(replaced), Pattern(400, 1));
}

TEST_F(SoundTreeTest, ASoundOfAFileAlreadyLoadedIsCopiedFromIt) {
    CPCMSound loaded;
    LoadSong(loaded, "shared.wav", Pattern(4400));
    const std::string tree = folder_ + "/songs.sgp";
    SaveTree(tree, {{&loaded, 1}});
    CPCMSound copy;
    songtest::TProgressLog progress;
    EXPECT_EQ(LoadTree(tree, {&copy}, &progress), std::vector<int>{1});
    EXPECT_EQ(progress.calls, (std::vector<std::uint32_t>{0, 4400}));
    EXPECT_EQ(SoundData(copy), Pattern(4400));
}

}  // namespace
