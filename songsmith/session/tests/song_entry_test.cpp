// Song entries: what loading a file gives for each kind of file, the
// record round trip, and the serials.
#include "songsmith/session/song_entry.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "filekit/errors.h"
#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/sound/pcm_sound.h"

namespace {

// A modification time the files are given, so the entries' times are known.
constexpr std::uint32_t kFileTime = 1234567890;

class SongEntryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SoundEngineStartup(nullptr), 1); }
    void TearDown() override { SoundEngineShutdown(); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, bytes);
        Stamp(path);
        return path;
    }
    static void Stamp(const std::string& path) {
        utimbuf times{kFileTime, kFileTime};
        utime(path.c_str(), &times);
    }
    static std::uint32_t SizeOf(const std::string& path) {
        return static_cast<std::uint32_t>(std::filesystem::file_size(path));
    }

    testsupport::TempDir dir_;
};

// One file per kind; sox and lame make the real songs.
TEST_F(SongEntryTest, LoadFromFileForEveryKindOfFile) {
    if (!songfiles::HaveTools({"sox", "lame"})) GTEST_SKIP() << "sox and lame are needed";
    const std::string cd = dir_.File("cd.wav");
    ASSERT_TRUE(songfiles::Run("sox -n -r 44100 -c 2 -b 16 '" + cd + "' synth 1 sine 440"));
    const std::string mono = dir_.File("mono.wav");
    ASSERT_TRUE(songfiles::Run("sox -n -r 22050 -c 1 -b 8 '" + mono + "' synth 0.5 sine 440"));
    const std::string mp3 = dir_.File("plain song.mp3");
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 128 '" + cd + "' '" + mp3 + "'"));
    const std::string tagged = dir_.File("tagged.mp3");
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 128 --tt 'Night Train' --ta 'The Band' '" + cd +
                               "' '" + tagged + "'"));
    const std::string ab = dir_.File("ab.mp3");
    std::filesystem::copy_file(mp3, ab);
    const std::string abcd = dir_.File("abcd");
    std::filesystem::copy_file(cd, abcd);
    for (const std::string& path : {cd, mono, mp3, tagged, ab, abcd}) Stamp(path);

    std::string noise(4000, '\0');
    std::mt19937 random(7);
    for (char& byte : noise) byte = static_cast<char>(random());
    const std::string noisy = Write("noise.mp3", noise);
    const std::string empty = Write("empty.wav", "");
    const std::string list = Write("x.m3u", "cd.wav\nmono.wav\nplain song.mp3\n");
    const std::string emptyList = Write("none.PLS", "");
    const std::string missing = dir_.File("gone.mp3");

    const struct {
        std::string path;
        std::uint32_t loaded;
        const char* title;
        std::uint32_t cdQuality;
        std::int32_t lengthMs;  // -1: a decoder's estimate, only above 0
        std::uint32_t size;
        std::int32_t playlistCount;
    } cases[] = {
        {cd, 1, "cd", 1, 1000, SizeOf(cd), 1},
        {mono, 1, "mono", 0, 500, SizeOf(mono), 1},
        {mp3, 1, "plain song", 1, -1, SizeOf(mp3), 1},
        {tagged, 1, "Night Train", 1, -1, SizeOf(tagged), 1},
        {ab, 1, "ab", 1, -1, SizeOf(ab), 1},
        {abcd, 1, "abcd", 1, 1000, SizeOf(abcd), 1},
        {noisy, 0, "noise", 0, 0, 0, 1},
        {empty, 0, "empty", 0, 0, 0, 1},
        {missing, 0, "gone", 0, 0, 0, 1},
        {list, 1, "x.m3u", 0, 0, 0, 3},
        {emptyList, 1, "none.PLS", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CSongEntry entry;
        EXPECT_EQ(entry.LoadFromFile(c.path.c_str()), c.loaded);
        EXPECT_EQ(entry.loaded, c.loaded);
        EXPECT_EQ(entry.path, c.path);
        EXPECT_STREQ(entry.musicInfo.title, c.title);
        EXPECT_EQ(entry.cdQuality, c.cdQuality);
        if (c.lengthMs < 0) {
            EXPECT_GT(entry.lengthMs, 900);
            EXPECT_LT(entry.lengthMs, 1200);
        } else {
            EXPECT_EQ(entry.lengthMs, c.lengthMs);
        }
        EXPECT_EQ(entry.size, c.size);
        EXPECT_EQ(entry.playlistCount, c.playlistCount);
        EXPECT_EQ(entry.databaseId, -1);
        EXPECT_EQ(entry.fileTime, c.path == missing ? 0u : kFileTime);
        if (c.loaded != 0 && c.playlistCount == 1) {
            // The song's record carries its own size and time.
            EXPECT_EQ(static_cast<std::uint32_t>(entry.musicInfo.pathWords[0]), c.size);
            EXPECT_EQ(static_cast<std::uint32_t>(entry.musicInfo.pathWords[1]), kFileTime);
            EXPECT_NE(entry.formatText[0], '\0');
            EXPECT_NE(entry.waveFormat.nSamplesPerSec, 0u);
        }
    }
    CSongEntry tags(tagged.c_str());
    EXPECT_STREQ(tags.musicInfo.artist, "The Band");
}

TEST_F(SongEntryTest, EntriesRoundTripThroughTheSongRecord) {
    const std::string song = Write("Tune.wav", songfiles::WavBytes(44100, 2, 250));
    CSongEntry loaded(song.c_str());
    ASSERT_EQ(loaded.loaded, 1u);
    loaded.databaseId = 17;
    loaded.inSession = 1;

    TONECORE_CMusicInfo record;
    ASSERT_TRUE(loaded.StoreInMusicInfo(record));
    EXPECT_STREQ(record.path, song.c_str());
    EXPECT_TRUE(record.flags[0]);
    EXPECT_EQ(record.lengthMs, 250);
    EXPECT_EQ(record.pathWords[0], static_cast<std::int32_t>(loaded.size));

    const CSongEntry back(record);
    EXPECT_NE(back.serial, loaded.serial);
    EXPECT_STREQ(back.path, loaded.path);
    EXPECT_STREQ(back.formatText, loaded.formatText);
    EXPECT_STREQ(back.musicInfo.title, "Tune");
    EXPECT_EQ(back.fileTime, kFileTime);
    EXPECT_EQ(back.cdQuality, 1u);
    EXPECT_EQ(back.lengthMs, 250);
    EXPECT_EQ(back.size, loaded.size);
    EXPECT_EQ(std::memcmp(&back.waveFormat, &loaded.waveFormat, sizeof back.waveFormat), 0);
    // What the record does not carry starts afresh.
    EXPECT_EQ(back.databaseId, -1);
    EXPECT_EQ(back.inSession, 0u);
    EXPECT_EQ(back.loaded, 0u);
    EXPECT_EQ(back.playlistCount, 1);

    // A copy is the same entry, serial included; a reset is a new one.
    CSongEntry copy;
    copy.CopyFrom(loaded);
    EXPECT_EQ(copy.serial, loaded.serial);
    EXPECT_EQ(copy.databaseId, 17);
    EXPECT_STREQ(copy.musicInfo.title, "Tune");
    copy.Reset();
    EXPECT_NE(copy.serial, loaded.serial);
    EXPECT_STREQ(copy.path, "");
    EXPECT_EQ(copy.musicInfo.genreIndex, -1);
    EXPECT_EQ(copy.databaseId, -1);
    EXPECT_EQ(copy.playlistCount, 1);
}

// A path longer than the session's path field loads (the system's own
// paths may be that long) but is never cut into a record.
TEST_F(SongEntryTest, APathTooLongForTheRecordIsRefusedWhole) {
    std::filesystem::path folder = dir_.Path();
    while (folder.string().size() < 300) folder /= std::string(60, 'd');
    std::filesystem::create_directories(folder);
    const std::string song = (folder / "long.wav").string();
    testsupport::WriteWholeFile(song, songfiles::WavBytes(22050, 1, 100));

    const CSongEntry entry(song.c_str());
    EXPECT_EQ(entry.loaded, 1u);
    EXPECT_EQ(entry.path, song);
    TONECORE_CMusicInfo record;
    std::strcpy(record.path, "/kept.mp3");
    std::strcpy(record.title, "kept");
    SetLastError(0);
    EXPECT_FALSE(entry.StoreInMusicInfo(record));
    EXPECT_EQ(GetLastError(), FILEKIT_ERR_PATH_TOO_LONG);
    EXPECT_STREQ(record.path, "/kept.mp3");
    EXPECT_STREQ(record.title, "kept");

    // A path too long for the system itself is not taken at all.
    const std::string tooLong(PATH_MAX + 10, 'p');
    CSongEntry refused;
    EXPECT_EQ(refused.LoadFromFile(tooLong.c_str()), 0u);
    EXPECT_STREQ(refused.path, "");
}

TEST_F(SongEntryTest, LoadFromSoundTakesTheSoundsFile) {
    const std::string song = Write("open song.wav", songfiles::WavBytes(44100, 1, 400));
    auto* file = new CFileObj;
    ASSERT_NE(file->Open(song.c_str(), 0, 0), 0);
    auto* sound = new CPCMSound;
    ASSERT_EQ(sound->InitialLoad(file, 10, 0, 0, 0, 0, 20, nullptr, nullptr), 1);
    DeleteRefObject(&file);

    CSongEntry entry;
    entry.LoadFromSound(sound);
    EXPECT_EQ(entry.loaded, 1u);
    EXPECT_EQ(entry.path, song);
    // An open sound is titled by its whole file name.
    EXPECT_STREQ(entry.musicInfo.title, "open song.wav");
    EXPECT_EQ(entry.fileTime, kFileTime);
    EXPECT_EQ(entry.size, static_cast<std::uint32_t>(std::filesystem::file_size(song)));
    EXPECT_EQ(entry.lengthMs, 400);
    EXPECT_EQ(entry.cdQuality, 0u);
    EXPECT_EQ(entry.waveFormat.nChannels, 1u);
    CAudioAtom* atom = sound;
    DeleteAtom(&atom);

    entry.LoadFromSound(nullptr);
    EXPECT_EQ(entry.loaded, 0u);
    EXPECT_STREQ(entry.path, "");
}

// Entries are made on worker threads: no two may share a serial.
TEST(SongEntrySerials, FourThreadsNeverShareASerial) {
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<std::vector<std::uint32_t>> serials(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&serials, t] {
            CSongEntry entry;
            for (int i = 0; i < kEach; ++i) {
                entry.Reset();
                serials[t].push_back(entry.serial);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::set<std::uint32_t> distinct;
    for (const auto& list : serials) distinct.insert(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * kEach));
}

}  // namespace
