// Rendering the whole session: the disc layout (the shortest track, gaps,
// overlaps, the cut at the capacity) and the audio it makes, in track WAV
// files split at whole sectors or streamed on the fly, compared sample for
// sample with the songs themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/system/fixed_drives.h"
#include "songsmith/burner/tests/burner_render_fixture.h"
#include "songsmith/session/track_states.h"

namespace {

using rendertest::Bytes;
using rendertest::FilesIn;
using rendertest::WavData;

class SessionRenderTest : public rendertest::RenderTest {
protected:
    // The songs' samples one after the other, each followed by silence up
    // to its place on the disc (ends in ms, one per song).
    std::string Expected(const std::vector<std::string>& songs, const std::vector<std::int32_t>& ends) {
        std::string stream;
        for (std::size_t i = 0; i < songs.size(); ++i) {
            stream += WavData(songs[i]);
            stream.resize(std::max(stream.size(), Bytes(ends[i])), '\0');
        }
        return stream;
    }
    int RenderFiles() {
        burner_->mode = 1;
        return burner_->MixSessionToWav(BurnPcmSinkCallback, burner_.get(), true, true);
    }
    std::string RenderOnTheFly(int* placed) {
        std::string stream;
        burner_->mode = 5;
        *placed = BurnAudioCallback(burner_.get(), Collect, &stream);
        return stream;
    }
};

// At unity gain, without overlaps, the disc holds each song as it is: a
// 3 s song takes 4000 ms, gaps are silence, in track files and on the fly.
TEST_F(SessionRenderTest, FilesAndTheStreamHoldTheSongsSampleForSample) {
    const std::vector<std::string> songs = {Song("a.wav", 3), Song("b.wav", 5), Song("c.wav", 10)};
    for (const std::string& song : songs) Add(song);
    // The player's own envelopes, at unity gain.
    burner_->SetEnvelopes(PlayerEnvelopes(tracks_, prefs_));
    struct TCase {
        int kind;
        std::vector<std::int32_t> ends;
    } cases[] = {
        {0, {4000, 9000, 19000}},
        {1, {6000, 13000, 23000}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.kind);
        prefs_.fadePreferences.transitionMode = c.kind;
        for (const std::string& file : FilesIn(temp_, ".tmp")) std::filesystem::remove(file);
        ASSERT_EQ(RenderFiles(), 3);
        EXPECT_EQ(burner_->errorIndex.load(), 0);
        EXPECT_EQ(burner_->lastPreparationResult.load(), 3);
        EXPECT_EQ(std::vector<std::int32_t>(burner_->trackEnds.begin() + 1, burner_->trackEnds.begin() + 4), c.ends);
        EXPECT_EQ(burner_->totalBurnLength.load(), c.ends.back());
        // The totals the user is shown are the disc's.
        EXPECT_EQ(tracks_.GetBurnLength(false, true), c.ends.back());
        const std::string expected = Expected(songs, c.ends);
        const std::vector<std::string> files = FilesIn(temp_, ".tmp");
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(files[0], temp_ + "/songsmith_track01.tmp");
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(tracks_.GetAt(i)->GetTempFile(), files[static_cast<std::size_t>(i)]);
            EXPECT_EQ(tracks_.GetAt(i)->GetState(), kTrackReadyButNotLoaded);
            EXPECT_EQ(tracks_.GetAt(i)->GetSound(), nullptr);
        }
        // The 3 s song's file holds its 4000 ms (and the gap after it).
        EXPECT_EQ(WavData(files[0]).size(), Bytes(c.ends[0]));
        EXPECT_TRUE(JoinedTrackFiles() == expected) << JoinedTrackFiles().size() << " vs " << expected.size();

        // On the fly the write's events count the tracks as the audio is
        // rendered: the rendering leaves their count as it finds it.
        int placed = 0;
        burner_->currentTrack.store(2);
        const std::string stream = RenderOnTheFly(&placed);
        EXPECT_EQ(placed, 3);
        EXPECT_TRUE(stream == expected) << stream.size() << " vs " << expected.size();
        EXPECT_EQ(burner_->currentTrack.load(), 2);
    }
}

// The track files are CD audio with an 18-byte format, read by sox too.
TEST_F(SessionRenderTest, TrackFilesAreCdWavFiles) {
    Add(Song("a.wav", 5));
    Add(Song("b.wav", 4, "-r 22050 -c 1 -b 8"));
    ASSERT_EQ(RenderFiles(), 2);
    for (const std::string& file : FilesIn(temp_, ".tmp")) {
        std::string format;
        const std::string data = WavData(file, &format);
        const std::string cd("\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00\x00\x00", 18);
        EXPECT_EQ(format, cd) << file;
        if (songfiles::HaveTools({"soxi"})) {
            EXPECT_TRUE(songfiles::Run("test \"$(soxi -s '" + file + "')\" = " + std::to_string(data.size() / 4)))
                << file;
        }
    }
}

// Overlaps: each track but the last ends a fade's length into the next
// song; so large that one buffer holds several boundaries, every file but
// the last still holds whole sectors and the files joined are the stream.
TEST_F(SessionRenderTest, OverlapsSplitEveryBoundaryAtWholeSectors) {
    struct TCase {
        std::int32_t overlap, fade;
        std::vector<double> seconds;
        std::vector<std::int32_t> ends;
        std::vector<std::string> fades;
    } cases[] = {
        {2500, 1500, {10, 10, 10}, {9000, 16500, 25000},
         {"0-10000 len 10000 in 0 out 1", "0-10000 len 10000 in 1 out 1", "0-10000 len 10000 in 1 out 0"}},
        // A song shorter than a disc track between two overlapped ones: the
        // fade into it counts, and its track ends 4 s after the one before.
        {2500, 1500, {10, 3, 10}, {9000, 13000, 21500},
         {"0-10000 len 10000 in 0 out 1", "0-3000 len 3000 in 1 out 1", "0-10000 len 10000 in 1 out 0"}},
        // An overlap that would leave 100 ms of each song: each track keeps
        // the disc's 4 s, the songs overlapping by what is left.
        {4100, 150, {4.2, 4.2, 4.2, 4.2, 4.2}, {4150, 8150, 12150, 16150, 20200},
         {"0-4200 len 4200 in 0 out 1", "0-4200 len 4200 in 1 out 1", "0-4200 len 4200 in 1 out 1",
          "0-4200 len 4200 in 1 out 1", "0-4200 len 4200 in 1 out 0"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.ends.front());
        tracks_.Clear(false);
        fades_.clear();
        for (const std::string& file : FilesIn(temp_, ".tmp")) std::filesystem::remove(file);
        prefs_.fadePreferences = TFadePreferences{2, 0, c.overlap, c.fade};
        for (double seconds : c.seconds) Add(Song("s" + std::to_string(made_) + ".wav", seconds));
        const int count = static_cast<int>(c.seconds.size());
        ASSERT_EQ(RenderFiles(), count);
        EXPECT_EQ(fades_, c.fades);
        EXPECT_EQ(std::vector<std::int32_t>(burner_->trackEnds.begin() + 1, burner_->trackEnds.begin() + 1 + count),
                  c.ends);
        EXPECT_EQ(tracks_.GetBurnLength(false, true), c.ends.back());
        const std::vector<std::string> files = FilesIn(temp_, ".tmp");
        ASSERT_EQ(files.size(), c.seconds.size());
        std::size_t start = 0;
        for (std::size_t i = 0; i + 1 < files.size(); ++i) {
            const std::size_t size = WavData(files[i]).size();
            EXPECT_EQ(size % 2352, 0u) << files[i];
            // The file ends at the sector nearest to the track's end (where
            // a write on the fly ends it), and is never shorter than the
            // disc's shortest track.
            const std::size_t end = (static_cast<std::size_t>(c.ends[i]) * 1764 / 10 + 1176) / 2352 * 2352;
            EXPECT_EQ(size, end - start) << files[i];
            EXPECT_GE(size, 705600u) << files[i];
            start = end;
        }
        // The files joined are the mix, with no silence put in between.
        int placed = 0;
        std::string stream = RenderOnTheFly(&placed);
        EXPECT_EQ(placed, count);
        EXPECT_TRUE(JoinedTrackFiles() == stream);
    }
}

// A session longer than the disc: the track that crosses the capacity is
// cut to end 7000 ms before it (faded out when so chosen), or left out,
// with nothing of it rendered, when less than 4000 ms would remain.
TEST_F(SessionRenderTest, TheTrackAtTheCapacityIsCutOrLeftOut) {
    const std::vector<std::string> songs = {Song("a.wav", 10), Song("b.wav", 20), Song("c.wav", 10)};
    for (const std::string& song : songs) Add(song);
    struct TCase {
        std::int32_t capacity;
        int excess;
        int placed;
        std::int32_t total;
        std::vector<std::string> fades;
    } cases[] = {
        {25000, 2, 2, 18000, {"0-8000 len 8000 in 1 out 1"}},
        {25000, 0, 2, 18000, {}},
        {20000, 2, 1, 10000, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.capacity);
        fades_.clear();
        writer_->capacityMs = c.capacity;
        prefs_.excessTreatment = c.excess;
        for (const std::string& file : FilesIn(temp_, ".tmp")) std::filesystem::remove(file);
        ASSERT_EQ(RenderFiles(), c.placed);
        EXPECT_EQ(burner_->totalBurnLength.load(), c.total);
        EXPECT_EQ(burner_->trackEnds[static_cast<std::size_t>(c.placed)], c.total);
        EXPECT_EQ(fades_, c.fades);
        EXPECT_EQ(FilesIn(temp_, ".tmp").size(), static_cast<std::size_t>(c.placed));
        const std::string joined = JoinedTrackFiles();
        EXPECT_EQ(joined.size(), Bytes(c.total));
        int placed = 0;
        const std::string stream = RenderOnTheFly(&placed);
        EXPECT_EQ(placed, c.placed);
        EXPECT_TRUE(stream == joined);
        if (c.excess == 0) {
            // Without a fade the cut track is the song's beginning.
            std::string expected = WavData(songs[0]) + WavData(songs[1]).substr(0, Bytes(8000));
            EXPECT_TRUE(stream == expected);
        }
    }
}

// Failures leave no file unreported: a missing song is found before any
// file is made; no room anywhere stops before any file; a write that falls
// short ends the preparation with 0.
TEST_F(SessionRenderTest, FailuresEndThePreparationWithNothingHalfDone) {
    const std::string gone = Song("gone.wav", 5);
    Add(Song("a.wav", 5));
    Add(gone);
    std::filesystem::remove(gone);
    EXPECT_EQ(RenderFiles(), 0);
    EXPECT_EQ(burner_->errorIndex.load(), 7);
    EXPECT_TRUE(burner_->abort.load());
    EXPECT_EQ(burner_->State(), kBurnStateNoDisc);
    EXPECT_TRUE(FilesIn(temp_, ".tmp").empty());
    EXPECT_EQ(tracks_.GetAt(0)->GetSound(), nullptr);

    tracks_.RemoveAt(1);
    burner_->errorIndex = 0;
    burner_->abort = false;
    burner_->SetFreeSpaceFunction([](const char*) { return 1000.0; });
    TFixedDriveProbe probe;
    probe.freeKB = [](const std::string&) { return 10.0; };
    probe.writable = [](const std::string&) { return true; };
    SetFixedDriveProbe(probe);
    EXPECT_EQ(RenderFiles(), 0);
    SetFixedDriveProbe({});
    EXPECT_EQ(burner_->errorIndex.load(), 8);
    EXPECT_TRUE(FilesIn(temp_, ".tmp").empty());

    // The disk fills up half way through the song.
    class CShortFile final : public CFileObj {
    public:
        std::int64_t Write(const void* buf, std::int64_t len) override {
            const std::int64_t room = std::max<std::int64_t>(0, 300000 - Tell());
            return CFileObj::Write(buf, std::min(len, room));
        }
    };
    burner_->errorIndex = 0;
    burner_->SetFreeSpaceFunction([](const char*) { return 1e12; });
    burner_->SetTrackFileMaker([] { return new CShortFile; });
    EXPECT_EQ(RenderFiles(), 0);
    EXPECT_EQ(burner_->lastPreparationResult.load(), 0);

    // Or once the song is in, while a short song's file is padded to the
    // shortest track: no track file that short is ever written to a disc.
    class CFullAfterTheSong final : public CFileObj {
    public:
        std::int64_t Write(const void* buf, std::int64_t len) override {
            const std::int64_t room = std::max<std::int64_t>(0, 600000 - Tell());
            return CFileObj::Write(buf, std::min(len, room));
        }
    };
    tracks_.Clear(false);
    Add(Song("short.wav", 3));
    burner_->errorIndex = 0;
    burner_->mode = 2;
    burner_->SetTrackFileMaker([] { return new CFullAfterTheSong; });
    EXPECT_EQ(burner_->ConvertTracksAsNeeded(), 0);
    EXPECT_EQ(burner_->errorIndex.load(), 8);
    EXPECT_EQ(tracks_.GetAt(0)->GetTempFileInputs(), "");
}

}  // namespace
