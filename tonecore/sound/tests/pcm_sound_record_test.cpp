#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "platform/last_error.h"
#include "platform/wave_in_fake.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/peaks/temp_sound_path.h"
#include "tonecore/engine/tests/lock_probe.h"
#include "tonecore/sound/tests/pcm_sound_support.h"
#include "tonecore/sound/tests/recording_support.h"
#include "tonecore/load/tests/song_load_support.h"

namespace {

using rectest::CRecordingOnlyMixer;
using rectest::Pattern;
using rectest::SoundData;

// Names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct TPercentLog {
    std::vector<std::int32_t> calls;
    static void Callback(std::int32_t percent, std::uintptr_t user) {
        reinterpret_cast<TPercentLog*>(user)->calls.push_back(percent);
    }
    std::uintptr_t User() { return reinterpret_cast<std::uintptr_t>(this); }
};

class SoundRecordingTest : public songtest::SongLoadTest {
protected:
    // Captures sound in pieces, with a service-thread pass after each.
    void CaptureInPasses(CRecordingOnlyMixer& mixer, const std::vector<std::uint8_t>& sound, std::size_t piece) {
        for (std::size_t at = 0; at < sound.size(); at += piece) {
            const std::size_t take = std::min(piece, sound.size() - at);
            input_.Device()->Capture({sound.data() + at, take});
            CEngineLockGuard engine(EngineLock());
            mixer.ContinueRecording();
        }
    }

    std::string Folder() const { return dir_.File("songs"); }
    // Loads the WAV file at path into sound as a song is loaded.
    void LoadFile(CPCMSound& sound, const std::string& path) {
        TStream file = Open(path);
        ASSERT_EQ(sound.InitialLoad(file.get(), 2000, 0, 0, 0, 0, 10, nullptr, nullptr), 1) << path;
    }
    void SetUp() override {
        SongLoadTest::SetUp();
        std::filesystem::create_directory(Folder());
    }

    CFakeWaveInScope input_;
    WAVEFORMATEX format_ = pcmtest::Pcm(22050, 2, 16);
};

TEST_F(SoundRecordingTest, ARecordingSavedAsWavReloadsIdentical) {
    CRecordingOnlyMixer mixer(4, 8820);  // 100 ms buffers
    CPCMSound sound;
    std::string path = Folder() + "/take.wav";
    ASSERT_EQ(sound.Record(RECORD_START, &format_, path.data(), 1, 10), 1);
    EXPECT_EQ(sound.IsRecording(), 1);
    EXPECT_EQ(mixer.GetRecordingSound(), &sound);
    // Until the end the file has a temporary name: nothing is at path.
    EXPECT_FALSE(std::filesystem::exists(path));

    // 1.5 s of sound, in pieces that do not match the buffers; the last
    // part-filled buffer arrives with the end.
    const std::vector<std::uint8_t> captured = Pattern(132300);
    CaptureInPasses(mixer, captured, 5000);
    ASSERT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(sound.IsRecording(), 0);
    EXPECT_EQ(mixer.Recording(), 0);
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{"take.wav"});

    EXPECT_EQ(SoundData(sound), captured);
    EXPECT_EQ(sound.Length(0), 1500);
    ASSERT_NE(sound.GetPeaks(), nullptr);
    EXPECT_EQ(sound.GetPeaks()->GetNumPeaks(), 150u);  // 882-byte blocks at 10 ms
    WAVEFORMATEX format{};
    ASSERT_EQ(sound.GetFormat(&format), 1);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);

    // The copy keeps every byte, and a sound loaded from it holds the same.
    TPercentLog progress;
    const std::string copy = Folder() + "/copy.wav";
    ASSERT_EQ(sound.SaveAs(copy.c_str(), &TPercentLog::Callback, progress.User()), 1);
    EXPECT_EQ(progress.calls, std::vector<std::int32_t>{100});
    EXPECT_EQ(testsupport::ReadWholeFile(copy), testsupport::ReadWholeFile(path));
    char peakPath[PATH_MAX];
    ASSERT_EQ(MakeTempPath2((copy + ".ipk").c_str(), peakPath, sizeof peakPath, 0), 1);
    EXPECT_TRUE(std::filesystem::exists(peakPath));

    CPCMSound reloaded;
    LoadFile(reloaded, copy);
    EXPECT_EQ(SoundData(reloaded), captured);
    EXPECT_EQ(reloaded.Length(0), 1500);

    // And it plays: what the recorded sound mixes is what was captured.
    ASSERT_EQ(sound.Load(0), 1);
    const std::vector<std::uint8_t> mixed = soundtest::ReadAll(sound, format_, [] { return 4400u; });
    ASSERT_EQ(mixed.size(), captured.size());
    const auto differ = std::mismatch(mixed.begin(), mixed.end(), captured.begin());
    EXPECT_EQ(differ.first, mixed.end()) << "first difference at byte " << (differ.first - mixed.begin());
}

TEST_F(SoundRecordingTest, WithoutAPathTheRecordingIsHeldInMemoryAndCopiedInPieces) {
    CRecordingOnlyMixer mixer(2, 4000);
    CPCMSound sound;
    char empty[] = "";
    ASSERT_EQ(sound.Record(RECORD_START, &format_, empty, 0, 10), 1);
    const std::vector<std::uint8_t> captured = Pattern(1200);
    CaptureInPasses(mixer, captured, 1200);
    ASSERT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(SoundData(sound), captured);
    EXPECT_EQ(sound.GetPeaks(), nullptr);
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{});

    TPercentLog progress;
    const std::string copy = Folder() + "/memory.wav";
    ASSERT_EQ(sound.SaveAs(copy.c_str(), &TPercentLog::Callback, progress.User()), 1);
    // 1200 data bytes and a 46-byte head: three pieces of 512 bytes.
    const auto size = static_cast<std::int32_t>(std::filesystem::file_size(copy));
    EXPECT_EQ(size, 1246);
    EXPECT_EQ(progress.calls, (std::vector<std::int32_t>{512 * 100 / size, 1024 * 100 / size, 100}));

    CPCMSound reloaded;
    LoadFile(reloaded, copy);
    EXPECT_EQ(SoundData(reloaded), captured);
}

TEST_F(SoundRecordingTest, ARecordingThatCannotStartLeavesNoFileAndNoSource) {
    CPCMSound sound;
    std::string path = Folder() + "/none.wav";
    // No mixer at all.
    EXPECT_EQ(sound.Record(RECORD_START, &format_, path.data(), 1, 10), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_NO_RECORDING_MIXER);
    // A mixer whose device refuses.
    {
        CRecordingOnlyMixer mixer(2, 4000);
        input_.Backend().openResult = MMSYSERR_NODRIVER;
        EXPECT_EQ(sound.Record(RECORD_START, &format_, path.data(), 1, 10), 0);
        EXPECT_EQ(GetLastError(), TONECORE_ERR_WAVE_IN_FAILED);
    }
    EXPECT_EQ(sound.IsRecording(), 0);
    EXPECT_EQ(sound.GetRefObj(), nullptr);
    EXPECT_EQ(sound.ActualFormat(), nullptr);
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{});
    EXPECT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 0);
}

TEST_F(SoundRecordingTest, ASoundDestroyedWhileRecordingEndsTheRecordingAndKeepsTheFile) {
    CRecordingOnlyMixer mixer(2, 4000);
    std::string path = Folder() + "/kept.wav";
    const std::vector<std::uint8_t> captured = Pattern(6000);
    {
        CPCMSound sound;
        ASSERT_EQ(sound.Record(RECORD_START, &format_, path.data(), 0, 10), 1);
        CaptureInPasses(mixer, captured, 3000);
    }
    EXPECT_EQ(mixer.Recording(), 0);
    EXPECT_EQ(mixer.GetRecordingSound(), nullptr);
    CPCMSound reloaded;
    LoadFile(reloaded, path);
    EXPECT_EQ(SoundData(reloaded), captured);
}

// The sound-card mixer records through its recording half; stopping the
// sound being recorded ends the recording as the sound's own end does.
TEST_F(SoundRecordingTest, TheSoundCardMixerRecordsAndStopsAtTheSound) {
    _tInitMixer init;
    init.bufferCount = 3;
    init.bufferBytes = 4410;
    init.format = pcmtest::Pcm(44100, 2, 16);
    CPCMMixer mixer(&init);
    CPCMSound sound;
    char empty[] = "";
    ASSERT_EQ(sound.Record(RECORD_START, &format_, empty, 0, 10), 1);
    EXPECT_EQ(mixer.Recording(), 1);
    EXPECT_EQ(mixer.GetRecordingSound(), &sound);
    const std::vector<std::uint8_t> captured = Pattern(10000);
    input_.Device()->Capture(captured);
    {
        CEngineLockGuard engine(EngineLock());
        EXPECT_EQ(mixer.ContinueRecording(), 1);
    }
    mixer.StopAtom(&sound, 0);
    EXPECT_EQ(mixer.Recording(), 0);
    EXPECT_EQ(input_.Device(), nullptr);
    ASSERT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 1);
    EXPECT_EQ(SoundData(sound), captured);
}

// A stream that claims more bytes than it holds: every copy of it comes up
// short.
class CShortStream : public CMemObj {
public:
    std::int64_t Size() override { return CMemObj::Size() + 4096; }
};

TEST_F(SoundRecordingTest, AShortCopyFailsAndLeavesTheTargetAsItWas) {
    const std::string bytes = soundtest::WavFile(format_, std::string(800, '\x11'));
    auto* stream = new CShortStream;
    stream->Open(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::int64_t>(bytes.size()));
    CPCMSound sound;
    ASSERT_EQ(sound.InitialLoad(stream, 2000, 0, 0, 0, 0, 10, nullptr, nullptr), 1);
    CRefObj* release = stream;
    DeleteRefObject(&release);

    const std::string target = Folder() + "/target.wav";
    testsupport::WriteWholeFile(target, "what was there");
    TPercentLog progress;
    EXPECT_EQ(sound.SaveAs(target.c_str(), &TPercentLog::Callback, progress.User()), 0);
    EXPECT_EQ(GetLastError(), TONECORE_ERR_SHORT_COPY);
    EXPECT_EQ(testsupport::ReadWholeFile(target), "what was there");
    EXPECT_EQ(FilesIn(Folder()), std::vector<std::string>{"target.wav"});
    EXPECT_FALSE(progress.calls.empty());
    EXPECT_LT(progress.calls.back(), 100);
}

// Records, per progress call of SaveAs, whether another thread could take
// the sound's lock then: a caller's progress handler that waits on a thread
// which needs the sound would otherwise never return.
struct TLockProbe {
    CPCMSound* sound = nullptr;
    std::vector<bool> lockFree;
    static void Callback(std::int32_t /*percent*/, std::uintptr_t user) {
        auto* probe = reinterpret_cast<TLockProbe*>(user);
        probe->lockFree.push_back(lockprobe::FreeOnAnotherThread(probe->sound->AtomLock()));
    }
};

TEST_F(SoundRecordingTest, SaveAsReportsProgressWithoutHoldingTheSoundsLock) {
    struct TCase {
        const char* name;  // empty: the recording is held in memory
        std::size_t progressCalls;
    };
    for (const TCase& c : {TCase{"take.wav", 1}, TCase{"", 3}}) {
        SCOPED_TRACE(c.name);
        CRecordingOnlyMixer mixer(2, 4000);
        CPCMSound sound;
        std::string path = c.name[0] != '\0' ? Folder() + "/" + c.name : std::string();
        ASSERT_EQ(sound.Record(RECORD_START, &format_, path.data(), 0, 10), 1);
        const std::vector<std::uint8_t> captured = Pattern(1200);
        CaptureInPasses(mixer, captured, 1200);
        ASSERT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 1);

        TLockProbe probe;
        probe.sound = &sound;
        const std::string copy = Folder() + "/copy.wav";
        ASSERT_EQ(sound.SaveAs(copy.c_str(), &TLockProbe::Callback, reinterpret_cast<std::uintptr_t>(&probe)), 1);
        EXPECT_EQ(probe.lockFree, std::vector<bool>(c.progressCalls, true));
        EXPECT_EQ(SoundData(sound), captured);
        CPCMSound reloaded;
        LoadFile(reloaded, copy);
        EXPECT_EQ(SoundData(reloaded), captured);
    }
}

TEST_F(SoundRecordingTest, ARecordingThatCannotTakeItsNameIsKeptUnderItsTemporaryName) {
    CRecordingOnlyMixer mixer(2, 4000);
    CPCMSound sound;
    std::string path = Folder() + "/take.wav";
    ASSERT_EQ(sound.Record(RECORD_START, &format_, path.data(), 0, 10), 1);
    const std::vector<std::uint8_t> captured = Pattern(1200);
    CaptureInPasses(mixer, captured, 1200);
    // Something else took the name meanwhile: a folder that is not empty.
    std::filesystem::create_directory(path);
    testsupport::WriteWholeFile(path + "/inside", "x");

    EXPECT_EQ(sound.Record(RECORD_END, nullptr, nullptr, 0, 0), 0);
    EXPECT_NE(GetLastError(), 0u);
    const std::vector<std::string> names = FilesIn(Folder());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("take.wav.tmp-", 0), 0u) << names[0];
    CPCMSound kept;
    LoadFile(kept, Folder() + "/" + names[0]);
    EXPECT_EQ(SoundData(kept), captured);
}

}  // namespace
