// Loading session tracks from real song files: what the analysis finds
// (length, automatic trims, loudness, CD quality), the warnings it posts,
// the states a missing, undecodable or cancelled song ends in, and the plain
// open that skips the analysis. WAV songs and MP3 songs made by sox and
// lame, loaded with the sound engine running as in the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "filekit/log.h"
#include "platform/wait_clock.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/tests/engine_scope.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/track_states.h"
#include "testsupport/temp_dir.h"
#include "tonecore/peaks/peaks.h"

namespace {

using songfakes::Lines;

// The load's wait clock: every reading moves it on 100 ms, so a decode is
// due to yield at every other progress report; each pause is counted and
// may cancel the track being loaded.
std::int64_t g_now = 0;
int g_pauses = 0;
CCDTrack* g_cancelAtPause = nullptr;
void FakeSleep(std::uint32_t ms) {
    g_now += ms;
    ++g_pauses;
    if (g_cancelAtPause != nullptr) g_cancelAtPause->CancelLoad();
}
std::int64_t FakeNow() {
    return g_now += 100;
}

class TrackLoadTest : public testing::Test {
protected:
    void SetUp() override {
        if (!songfiles::HaveTools({"sox", "lame"})) GTEST_SKIP() << "sox and lame are needed";
        engine_ = std::make_unique<songfiles::CEngineScope>(prefs_, dir_.File("cache"));
        ASSERT_TRUE(engine_->Started());
        realClock_ = SetWaitClock({FakeSleep, FakeNow});
        g_pauses = 0;
        g_cancelAtPause = nullptr;
        logPath_ = dir_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
    }
    void TearDown() override {
        if (IsSkipped()) return;
        LogDeinit();
        SetWaitClock(realClock_);
        engine_.reset();
    }

    // A song made by sox with the given arguments after the file name; the
    // same every run (-R: no random dither).
    std::string Sox(const std::string& name, const std::string& format,
                    const std::string& effects) {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(songfiles::Run("sox -R -n " + format + " '" + path + "' " + effects));
        return path;
    }
    std::string Mp3(const std::string& name, const std::string& wav) {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(songfiles::Run("lame --quiet -b 128 '" + wav + "' '" + path + "'"));
        return path;
    }
    // A tone of seconds between silences of a second, as MP3.
    std::string Mp3Tone(const std::string& name, int seconds) {
        return Mp3(name + ".mp3", Sox(name + ".wav", "-r 44100 -c 2 -b 16",
                                      "synth " + std::to_string(seconds) +
                                          " sine 440 vol 0.5 pad 1 1"));
    }

    // A new session track for the song, as the session list makes it.
    std::unique_ptr<CCDTrack> Track(const std::string& path) {
        auto track = std::make_unique<CCDTrack>(prefs_);
        track->SetFromSongEntry(CSongEntry(path.c_str()));
        return track;
    }

    // The warnings posted to the main window (its other posts left out).
    Lines Warnings() {
        Lines warnings;
        for (const std::string& post : scope_.poster.Posts())
            if (post.rfind("main 1035", 0) == 0 || post.rfind("main 1036", 0) == 0)
                warnings.push_back(post);
        return warnings;
    }
    std::string Logged() const { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir dir_;
    songfakes::CSongActionScope scope_;
    CPreferences prefs_;
    std::unique_ptr<songfiles::CEngineScope> engine_;
    std::string logPath_;
    TWaitClock realClock_{};
};

const std::string kCdFormat = "-r 44100 -c 2 -b 16";

// lame puts 576 samples in front of the audio and an MPEG decoder adds 529
// more; the decode is not trimmed, so an MP3's tone starts this much later.
constexpr int kMp3DelayMs = (576 + 529) * 1000 / 44100;

TEST_F(TrackLoadTest, AToneBetweenSilencesIsTrimmedToTheTone) {
    const std::string wav = Sox("tone.wav", kCdFormat, "synth 3 sine 440 vol 0.5 pad 1 1");
    const struct {
        std::string path;
        int delayMs;
    } kCases[] = {{wav, 0}, {Mp3("tone.mp3", wav), kMp3DelayMs}};
    const int block = prefs_.soundScanMilsPerPixel;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        auto track = Track(c.path);
        g_pauses = 0;
        ASSERT_TRUE(track->Load());

        EXPECT_EQ(track->GetState(), kTrackReadyButNotLoaded);
        EXPECT_TRUE(track->IsAnalysed());
        EXPECT_TRUE(track->IsAnalysedWhenStored());
        EXPECT_FALSE(track->IsLoading());
        EXPECT_TRUE(track->IsCdQuality());
        ASSERT_NE(track->GetSound(), nullptr);
        EXPECT_EQ(track->GetSound()->serial, track->GetSerial());
        const std::int32_t length = track->GetSound()->Length(0);
        EXPECT_NEAR(length, 5000 + 2 * c.delayMs, 60);
        EXPECT_EQ(track->GetUserTrimStart(), 0);
        EXPECT_EQ(track->GetUserTrimEnd(), length);
        EXPECT_NEAR(track->GetAutoTrimStart(), 1000 + c.delayMs, block);
        // Only silence is trimmed: the end lies at the tone's end or within
        // two blocks after it (an MP3's tail rings on a little).
        EXPECT_GE(track->GetAutoTrimEnd(), 4000 + c.delayMs);
        EXPECT_LE(track->GetAutoTrimEnd(), 4000 + c.delayMs + 2 * block);
        EXPECT_NEAR(track->GetPeakLevel(), 0.5, 0.05);
        EXPECT_TRUE(Warnings().empty());
        // The decode gave the rest of the program the processor now and then.
        EXPECT_GT(g_pauses, 0);
        // An analysed track is not analysed again.
        EXPECT_FALSE(track->Load());
    }
}

TEST_F(TrackLoadTest, AutomaticTrimsAreFoundAgainInTheRangeGiven) {
    const std::string tone = Sox("tone.wav", kCdFormat, "synth 3 sine 440 vol 0.5 pad 1 1");
    const std::string silent = Sox("silent.wav", kCdFormat, "trim 0 2");
    auto track = Track(tone);
    ASSERT_TRUE(track->Load());
    const int block = prefs_.soundScanMilsPerPixel;
    ASSERT_TRUE(track->SetTrims(1500, 4800, true));
    EXPECT_EQ(track->GetUserTrimStart(), 1500);
    EXPECT_EQ(track->GetUserTrimEnd(), 4800);
    EXPECT_NEAR(track->GetAutoTrimStart(), 1500, block);
    EXPECT_NEAR(track->GetAutoTrimEnd(), 4000, block);
    // A range past the song's end is clamped to its last peak.
    ASSERT_TRUE(track->SetTrims(-300, 90000, true));
    EXPECT_NEAR(track->GetAutoTrimStart(), 1000, block);
    EXPECT_NEAR(track->GetAutoTrimEnd(), 4000, block);
    EXPECT_FALSE(track->IsSilenceWarned());
    // Only silence in the range: the warning is set anew.
    ASSERT_TRUE(track->SetTrims(4200, 5000, true));
    EXPECT_EQ(track->GetAutoTrimStart(), track->GetAutoTrimEnd());
    EXPECT_TRUE(track->IsSilenceWarned());

    // A peaks cache cut short after two seconds' peaks: the scans end there.
    const std::string cache = track->PeaksCachePath();
    std::string peaks = testsupport::ReadWholeFile(cache);
    ASSERT_GT(peaks.size(), 12u + 100u);
    testsupport::WriteWholeFile(cache, peaks.substr(0, 12 + 100));
    ASSERT_TRUE(track->SetTrims(0, 5000, true));
    EXPECT_NEAR(track->GetAutoTrimStart(), 1000, block);
    // The last peak left is loud: its whole block is kept.
    EXPECT_EQ(track->GetAutoTrimEnd(), 100 * block);

    auto quiet = Track(silent);
    ASSERT_TRUE(quiet->Load());
    quiet->SetSilenceWarned(false);
    ASSERT_TRUE(quiet->SetTrims(0, 2000, true));
    EXPECT_TRUE(quiet->IsSilenceWarned());
    EXPECT_EQ(quiet->GetAutoTrimStart(), quiet->GetAutoTrimEnd());
    EXPECT_LE(quiet->GetAutoTrimEnd(), 2000);

    // Without a sound only the pairs are set.
    ASSERT_TRUE(quiet->CloseSound());
    EXPECT_FALSE(quiet->SetTrims(100, 900, true));
    EXPECT_EQ(quiet->GetAutoTrimStart(), 100);
    EXPECT_EQ(quiet->GetUserTrimEnd(), 900);
    EXPECT_TRUE(quiet->SetTrims(200, 800, false));
    EXPECT_EQ(quiet->GetAutoTrimStart(), 100);
}

// The automatic scan reads the peaks from the song's peaks file, whether
// the sound's peaks fit in memory or are streamed: on either it finds the
// edges that the load found while it built the peaks. Without the file
// there is nothing to scan.
TEST_F(TrackLoadTest, TheScanOfStreamedPeaksFindsWhatTheLoadFound) {
    const struct {
        std::string path;
        bool streamed;
    } kCases[] = {{Mp3Tone("short", 3), false}, {Mp3Tone("long", 30), true}};
    const int block = prefs_.soundScanMilsPerPixel;
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        auto track = Track(c.path);
        ASSERT_TRUE(track->Load());
        ASSERT_NE(track->GetSound(), nullptr);
        const CPeaks* peaks = track->GetSound()->GetPeaks();
        ASSERT_NE(peaks, nullptr);
        EXPECT_EQ(peaks->IsStreaming() != 0, c.streamed);
        const std::int32_t length = track->GetSound()->Length(0);
        const std::int32_t start = track->GetAutoTrimStart();
        const std::int32_t end = track->GetAutoTrimEnd();
        EXPECT_NEAR(start, 1000 + kMp3DelayMs, block);
        EXPECT_GE(end, length - 1000 - kMp3DelayMs);
        EXPECT_LE(end, length - 1000 - kMp3DelayMs + 2 * block);

        ASSERT_TRUE(track->SetTrims(0, length, true));
        EXPECT_EQ(track->GetAutoTrimStart(), start);
        EXPECT_EQ(track->GetAutoTrimEnd(), end);
        EXPECT_FALSE(track->IsSilenceWarned());

        std::remove(track->PeaksCachePath().c_str());
        EXPECT_FALSE(track->SetTrims(100, 900, true));
        EXPECT_EQ(track->GetAutoTrimStart(), 100);
        EXPECT_EQ(track->GetAutoTrimEnd(), 900);
        EXPECT_FALSE(track->IsSilenceWarned());
    }
}

// Each song posts at most one warning, whatever the preference allows; the
// automatic scan sets the silence warning anew from the peaks.
TEST_F(TrackLoadTest, SilentAndIncompleteSongsAreReportedOnce) {
    const std::string silent = Sox("silent.wav", kCdFormat, "trim 0 2");
    const std::string cut = Sox("cut.wav", kCdFormat, "synth 2 square 440");
    const std::string silentMp3 = Mp3("silent.mp3", silent);
    const std::string cutMp3 = Mp3("cut.mp3", cut);
    const struct {
        std::string path;
        int warnIncomplete;
        const char* warning;  // null: none
    } kCases[] = {
        {silent, 1, "1035"}, {cut, 1, "1036"}, {cut, 0, nullptr},
        {silentMp3, 1, "1035"}, {cutMp3, 1, "1036"}, {cutMp3, 0, nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path + " warn " + std::to_string(c.warnIncomplete));
        scope_.poster.posts.clear();
        prefs_.bWarnAboutIncompleteSongs = c.warnIncomplete;
        auto track = Track(c.path);
        ASSERT_TRUE(track->Load());
        const bool silence = track->IsSilenceWarned();
        EXPECT_EQ(silence, c.path == silent || c.path == silentMp3);
        // The scan clears the flag and finds it again.
        track->SetSilenceWarned(!silence);
        ASSERT_TRUE(track->SetTrims(0, track->GetSound()->Length(0), true));
        EXPECT_EQ(track->IsSilenceWarned(), silence);
        // Analysed again (a stale cache), the song is not reported again.
        track->CloseSound();
        track->SetAnalysedWhenStored(false);
        ASSERT_TRUE(track->Load());
        const Lines expected =
            c.warning == nullptr
                ? Lines{}
                : Lines{std::string("main ") + c.warning + " " +
                        std::to_string(track->GetSerial()) + " 0"};
        EXPECT_EQ(Warnings(), expected);
    }
}

// A song the disc cannot take as it stands is not CD quality. Frames that
// do not decode, or that change to another format part-way, are noted in
// the log; a song that is below CD quality throughout decodes to its own
// format, which its decoder reports at once.
TEST_F(TrackLoadTest, SongsBelowCdQualityLoseTheFlag) {
    const std::string cd = Sox("cd.wav", kCdFormat, "synth 3 sine 440 vol 0.5");
    const std::string mp3 = Mp3("cd.mp3", cd);
    const std::string low = Sox("low.wav", "-r 22050 -c 1 -b 16", "synth 2 sine 440 vol 0.5");
    const std::string lowMp3 = Mp3("low.mp3", low);
    // CD-quality frames, then those of the low song.
    const std::string mixed = dir_.File("mixed.mp3");
    testsupport::WriteWholeFile(mixed, testsupport::ReadWholeFile(mp3) +
                                           testsupport::ReadWholeFile(lowMp3));
    // 3000 bytes a third of the way in overwritten with frame headers that
    // no frame follows, as a damaged disk may leave them.
    const std::string damaged = dir_.File("damaged.mp3");
    std::string bytes = testsupport::ReadWholeFile(mp3);
    std::string overwritten;
    while (overwritten.size() < 3000) overwritten += std::string("\xFF\xFB\x90\x64", 4) + std::string(96, '\0');
    bytes.replace(bytes.size() / 3, overwritten.size(), overwritten);
    testsupport::WriteWholeFile(damaged, bytes);
    const std::string kBad = "***BAD FRAMES FOUND IN ";
    const std::string kNonCd = "***Non CD Quality FRAMES FOUND IN ";
    const struct {
        std::string path;
        bool cdQuality;
        const std::string* logged;  // null: neither line
    } kCases[] = {
        {cd, true, nullptr},          {mp3, true, nullptr},
        {low, false, nullptr},        {lowMp3, false, nullptr},
        {mixed, false, &kNonCd},      {damaged, false, &kBad},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        auto track = Track(c.path);
        ASSERT_TRUE(track->Load());
        EXPECT_EQ(track->IsCdQuality(), c.cdQuality);
        for (const std::string* line : {&kBad, &kNonCd}) {
            const bool found = Logged().find(*line + c.path + " .") != std::string::npos;
            EXPECT_EQ(found, line == c.logged) << *line;
        }
    }
}

TEST_F(TrackLoadTest, AFailedLoadEndsInAStateThatSaysWhy) {
    const std::string tone = Sox("tone.wav", kCdFormat, "synth 2 sine 440");
    const std::string garbage = dir_.File("garbage.mp3");
    testsupport::WriteWholeFile(garbage, std::string(5000, '\x5a'));
    const std::string gone = dir_.File("gone.wav");
    testsupport::WriteWholeFile(gone, "");
    const struct {
        std::string path;
        bool cancel;
        int state;
    } kCases[] = {
        {gone, false, kTrackFileNotFound},
        {garbage, false, kTrackFailedPrep},
        {tone, true, kTrackWaiting},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path);
        auto track = Track(c.path);
        if (c.path == gone) std::remove(gone.c_str());
        g_cancelAtPause = c.cancel ? track.get() : nullptr;
        EXPECT_FALSE(track->Load());
        g_cancelAtPause = nullptr;
        EXPECT_EQ(track->GetState(), c.state);
        EXPECT_FALSE(track->IsLoading());
        EXPECT_FALSE(track->IsAnalysed());
        EXPECT_EQ(track->GetSound(), nullptr);
        // The plain open ends the same way.
        g_cancelAtPause = c.cancel ? track.get() : nullptr;
        EXPECT_FALSE(track->OpenSound());
        g_cancelAtPause = nullptr;
        EXPECT_EQ(track->GetState(), c.state);
        EXPECT_FALSE(track->IsLoading());
    }
}

TEST_F(TrackLoadTest, OpenSoundKeepsTheAnalysisItFinds) {
    const std::string song = Sox("tone.wav", kCdFormat, "synth 3 sine 440 vol 0.5 pad 1 1");
    auto track = Track(song);
    ASSERT_TRUE(track->Load());
    ASSERT_TRUE(track->CloseSound());
    track->SetState(kTrackReady);
    ASSERT_TRUE(track->SetUserTrims(500, 2500));
    track->SetAutoTrims(700, 2000);

    ASSERT_TRUE(track->OpenSound());
    EXPECT_EQ(track->GetState(), kTrackReadyButNotLoaded);
    ASSERT_NE(track->GetSound(), nullptr);
    EXPECT_EQ(track->GetSound()->serial, track->GetSerial());
    EXPECT_EQ(track->GetUserTrimStart(), 500);
    EXPECT_EQ(track->GetAutoTrimEnd(), 2000);
    // Already open: the same sound, no new decode.
    CSongSound* sound = track->GetSound();
    const int pauses = g_pauses;
    EXPECT_TRUE(track->OpenSound());
    EXPECT_EQ(track->GetSound(), sound);
    EXPECT_EQ(g_pauses, pauses);
}

}  // namespace
