// Writing through libburn where no burner exists: libburn's file-backed
// pseudo-drive takes the whole path up to its own precheck, which refuses
// audio; bad input is refused before libburn is asked anything.
#include <gtest/gtest.h>

#include <filesystem>

#include "platter/burn_block_write.h"
#include "platter/errors.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

class BurnWriterTest : public ::testing::Test {
protected:
    std::string Wave(const std::string& name, std::int64_t frames) {
        const std::string path = files.File(name);
        WriteFile(path, WaveBytes(MakePcm(frames, 1)));
        return path;
    }

    TBurnWriteResult Write(CBurnWriter& writer, const TWriteDiscParams& block) {
        TBurnBlockWrite how;
        how.writer = &writer;
        how.cdTextCapable = true;
        how.percentDone = &percent;
        return WriteBlockThroughLibburn(&block, how);
    }

    testsupport::TempDir files;
    TBurnRecorder recorder;
    std::atomic<std::int32_t> percent{-1};
};

TEST_F(BurnWriterTest, PseudoDriveRefusesAudioWithLibburnsReasonBeforeAnyEvent) {
    const std::string disc = files.File("disc.img");
    CBurnWriter writer("stdio:" + disc);
    TWriteDiscParams fileBlock = MakeFileBlock({Wave("a.wav", 44100), Wave("b.wav", 3000)}, recorder, {75, 0});
    fileBlock.cdText = 1;
    TWriteDiscParams streamBlock = MakeStreamBlock({176400, 5000}, recorder);
    for (const TWriteDiscParams* block : {&fileBlock, &streamBlock}) {
        const TBurnWriteResult result = Write(writer, *block);
        EXPECT_EQ(result.code, PLATTER_WRITE_REFUSED);
        EXPECT_NE(result.text.find("audio track prohibited by non-CD"), std::string::npos) << result.text;
    }
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(recorder.renderThreads.empty());
    EXPECT_EQ(percent.load(), -1);
    EXPECT_FALSE(std::filesystem::exists(disc));
}

TEST_F(BurnWriterTest, BadInputIsRefusedBeforeTheDriveIsGrabbed) {
    // libburn cannot grab this drive: a write that got as far as the grab
    // would say so instead of naming the bad input.
    CBurnWriter writer(files.File("no-such-dir/sr9"));
    const std::string good = Wave("good.wav", 44100);
    const std::string mono = files.File("mono.wav");
    WriteFile(mono, WaveBytes(MakePcm(1000, 1), 1, 1, 22050, 16));
    const std::string mp3 = files.File("song.mp3");
    WriteFile(mp3, std::string("\xFF\xFB\x90\x00", 4) + std::string(4000, '\x55'));

    struct Case {
        const char* name;
        TWriteDiscParams block;
        const char* says;
    };
    std::vector<Case> cases = {
        {"no tracks", MakeFileBlock({}, recorder), "0 tracks"},
        {"missing file", MakeFileBlock({files.File("gone.wav")}, recorder), "cannot be found"},
        {"not CD audio", MakeFileBlock({good, mono}, recorder), "not CD audio"},
        {"MP3 without a decoder", MakeFileBlock({mp3}, recorder), "no decoder"},
    };
    TWriteDiscParams hundred = MakeFileBlock({good}, recorder);
    hundred.trackCount = 100;
    cases.push_back({"100 tracks", hundred, "100 tracks"});
    for (const Case& c : cases) {
        const TBurnWriteResult result = Write(writer, c.block);
        EXPECT_EQ(result.code, PLATTER_WRITE_REFUSED) << c.name;
        EXPECT_NE(result.text.find(c.says), std::string::npos) << c.name << ": " << result.text;
    }
    EXPECT_TRUE(recorder.events.empty());

    // Good input reaches the grab, which fails with its own text.
    const TBurnWriteResult grabbed = Write(writer, MakeFileBlock({good}, recorder));
    EXPECT_EQ(grabbed.code, PLATTER_WRITE_REFUSED);
    EXPECT_NE(grabbed.text.find("cannot be used for writing"), std::string::npos) << grabbed.text;
    EXPECT_TRUE(recorder.events.empty());
}

}  // namespace
}  // namespace platter_test
