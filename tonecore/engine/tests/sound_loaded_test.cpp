#include "tonecore/engine/sound_loaded.h"

#include <gtest/gtest.h>

#include <string>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "testsupport/temp_dir.h"

namespace {

// A sound that only has a stream, as the registry sees sounds.
class CFakeSound : public ILoadedSound {
public:
    explicit CFakeSound(CRefObj* stream) : stream_(stream) {}
    CRefObj* LoadedDataStream() const override { return stream_; }

private:
    CRefObj* stream_;
};

class SoundLoadedTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.wav", "A.wav", "b.wav"}) {
            testsupport::WriteWholeFile(dir_.File(name), "RIFF");
        }
        ASSERT_TRUE(a1_.Open(dir_.File("a.wav").c_str(), 0, 0));
        ASSERT_TRUE(a2_.Open(dir_.File("a.wav").c_str(), 0, 0));
        ASSERT_TRUE(upper_.Open(dir_.File("A.wav").c_str(), 0, 0));
        ASSERT_TRUE(b_.Open(dir_.File("b.wav").c_str(), 0, 0));
        const unsigned char bytes[4] = {1, 2, 3, 4};
        ASSERT_TRUE(memory_.Open(bytes, 4));
    }

    testsupport::TempDir dir_;
    CFileObj a1_, a2_, upper_, b_;
    CMemObj memory_;
};

std::string Names(CMyArrayList* list, const ILoadedSound* first, const ILoadedSound* second) {
    if (list == nullptr) return "null";
    std::string out;
    for (int i = 0; i < list->Count(); ++i) {
        auto* sound = static_cast<ILoadedSound*>(list->Index(i));
        out += sound == first ? "1" : (sound == second ? "2" : "?");
    }
    delete list;
    return out;
}

}  // namespace

TEST_F(SoundLoadedTest, MatchesByExactFilePath) {
    CFakeSound s1(&a1_), s2(&a2_), upper(&upper_), other(&b_), inMemory(&memory_),
        noStream(nullptr);
    CSoundLoaded registry;
    for (ILoadedSound* s : {static_cast<ILoadedSound*>(&inMemory), static_cast<ILoadedSound*>(&noStream),
                            static_cast<ILoadedSound*>(&s1), static_cast<ILoadedSound*>(&upper),
                            static_cast<ILoadedSound*>(&s2), static_cast<ILoadedSound*>(&other)}) {
        registry.AddSound(s);
    }
    EXPECT_EQ(registry.SoundLoaded(dir_.File("a.wav").c_str()), &s1);  // first registered
    EXPECT_EQ(registry.SoundLoaded(dir_.File("A.wav").c_str()), &upper);
    EXPECT_EQ(registry.SoundLoaded(dir_.File("c.wav").c_str()), nullptr);
    EXPECT_EQ(registry.SoundLoaded(nullptr), nullptr);

    // Letter case counts, memory streams never match.
    EXPECT_EQ(Names(registry.GetAllDuplicates(&s1), &s1, &s2), "2");
    EXPECT_EQ(Names(registry.GetAllDuplicates(&s2), &s1, &s2), "1");
    EXPECT_EQ(Names(registry.GetAllDuplicates(&other), &s1, &s2), "null");  // only one
    EXPECT_EQ(Names(registry.GetAllDuplicates(&inMemory), &s1, &s2), "null");
    EXPECT_EQ(Names(registry.GetAllDuplicates(&noStream), &s1, &s2), "null");

    // Registered twice: listed twice for the other sound; one removal takes
    // one entry.
    registry.AddSound(&s2);
    EXPECT_EQ(Names(registry.GetAllDuplicates(&s1), &s1, &s2), "22");
    registry.RemoveSound(&s2);
    registry.RemoveSound(&s1);
    EXPECT_EQ(Names(registry.GetAllDuplicates(&s2), &s1, &s2), "null");
    EXPECT_EQ(registry.SoundLoaded(dir_.File("a.wav").c_str()), &s2);
}

TEST_F(SoundLoadedTest, FunctionsAreSafeWithoutARegistry) {
    // No start-up in this test: the functions must not reach a registry.
    ASSERT_EQ(GetSoundRegistry(), nullptr);
    CFakeSound s1(&a1_);
    AddTheSound(&s1);
    EXPECT_EQ(SoundExists(dir_.File("a.wav").c_str()), nullptr);
    EXPECT_EQ(GetDuplicateList(&s1), nullptr);
    RemoveTheSound(&s1);
}
