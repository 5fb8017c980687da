// The session track list: order, lookups, totals that equal the disc, the
// dirty message, default names, and removal while a loader holds a track.
#include "songsmith/session/track_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/temp_dir.h"
#include "songsmith/session/tests/track_fixture.h"
#include "utilities/keyed_text.h"

namespace {

// A track of lengthMs added at the tail, with its automatic trims ending at
// autoEndMs.
CCDTrack& AddTrack(CTrackList& list, std::int32_t lengthMs, std::int32_t autoEndMs,
                   int state = kTrackReady, const char* path = "/music/song.mp3") {
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "%s", path);
    info.lengthMs = lengthMs;
    info.flags[2] = true;  // analysed when stored
    const int index = list.InsertMusicInfo(info, list.GetCount());
    CCDTrack& track = *list.GetAt(index);
    track.SetUserTrims(0, lengthMs);
    track.SetAutoTrims(0, autoEndMs);
    track.SetState(state);
    return track;
}

// The paths of the tracks in order, as one text.
std::string Order(CTrackList& list) {
    std::string order;
    for (int i = 0; i < list.GetCount(); ++i) order += list.GetAt(i)->GetPath();
    return order;
}

TEST(TrackListBurnLength, EachTrackCountsAsTheDiscLaysItOut) {
    // The test track, then (unless it is last) a 60 s track that the
    // transitions leave alone because it is last.
    const struct {
        std::int32_t length, autoEnd;
        int state, mode;
        bool last;
        std::int32_t expected;
    } kCases[] = {
        {2000, 2000, kTrackReady, 0, false, 4000},
        {2000, 2000, kTrackReady, 2, false, 4000},
        {4000, 4000, kTrackReady, 2, false, 4000},
        // The overlap leaves a track the disc's minimum at least.
        {5000, 5000, kTrackReady, 2, false, 4000},
        {5000, 5000, kTrackReady, 2, true, 5000},
        {60000, 60000, kTrackReady, 2, false, 57500},
        {2000, 2000, kTrackReady, 1, false, 6000},
        {60000, 60000, kTrackReady, 1, false, 62000},
        {60000, 60000, kTrackReady, 1, true, 60000},
        {60000, 60000, kTrackReady, 0, false, 60000},
        // Analysed tracks count their automatic trims; tracks that could
        // not be analysed their whole length.
        {60000, 58000, kTrackReady, 0, false, 58000},
        {60000, 58000, kTrackReadyButNotLoaded, 0, false, 58000},
        {60000, 58000, kTrackFileNotFound, 0, false, 58000},
        {60000, 58000, kTrackInUse, 0, false, 60000},
        {60000, 58000, kTrackWaiting, 0, false, 60000},
        {60000, 58000, kTrackPrep, 0, false, 60000},
        {60000, 58000, kTrackFailedPrep, 0, false, 60000},
        {2000, 1000, kTrackFailedPrep, 2, false, 4000},
    };
    CPreferences prefs;
    prefs.fadePreferences = {0, 2000, 2500, 1500};
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.length << " state " << c.state << " mode "
                                          << c.mode << (c.last ? " last" : ""));
        prefs.fadePreferences.transitionMode = c.mode;
        CTrackList list(prefs);
        AddTrack(list, c.length, c.autoEnd, c.state);
        if (!c.last) AddTrack(list, 60000, 60000);
        const std::int32_t tail = c.last ? 0 : 60000;
        EXPECT_EQ(list.GetBurnLength(true, true), c.expected + tail);
    }
    // Without transitions only the minimum applies.
    prefs.fadePreferences.transitionMode = 2;
    CTrackList list(prefs);
    AddTrack(list, 5000, 5000);
    AddTrack(list, 2000, 2000);
    EXPECT_EQ(list.GetBurnLength(true, false), 9000);
    EXPECT_EQ(list.GetBurnLength(true, true), 8000);
}

TEST(TrackListTotals, FollowTrimsChangedAfterInsertion) {
    CPreferences prefs;
    CTrackList list(prefs);
    AddTrack(list, 60000, 60000);
    CCDTrack& second = AddTrack(list, 60000, 60000);
    second.SetUserTrims(10000, 40000);
    EXPECT_EQ(list.GetTotalLength(), 90000);
    list.RemoveAt(0);
    EXPECT_EQ(list.GetTotalLength(), 30000);
    list.Clear(false);
    EXPECT_EQ(list.GetTotalLength(), 0);
}

TEST(TrackListMove, TargetsAreClampedAndPastTheEndLandsAtTheTail) {
    const struct {
        int from, to;
        int index;
        const char* order;
    } kCases[] = {
        {2, -1, 0, "cabd"},
        {3, 0, 1, "adbc"},
        {0, 3, 3, "bcda"},
        {0, 9, 3, "bcda"},
        {1, 1, 2, "acbd"},
        {4, 0, -1, "abcd"},
    };
    CPreferences prefs;
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to);
        CTrackList list(prefs);
        for (const char* path : {"a", "b", "c", "d"}) AddTrack(list, 60000, 60000, kTrackReady, path);
        EXPECT_EQ(list.Move(c.from, c.to), c.index);
        EXPECT_EQ(Order(list), c.order);
    }
}

TEST(TrackListLookup, PathsDifferingInCaseAreTwoTracks) {
    CPreferences prefs;
    CTrackList list(prefs);
    const int first = AddTrack(list, 60000, 60000, kTrackReady, "/m/Song.mp3").GetSerial();
    const int second = AddTrack(list, 60000, 60000, kTrackReady, "/m/song.mp3").GetSerial();
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.FindByPath("/m/song.mp3"), 1);
    EXPECT_EQ(list.GetSerialByPath("/m/Song.mp3"), first);
    EXPECT_EQ(list.FindBySerial(second), 1);
    EXPECT_EQ(list.FindByPath(""), -1);
    EXPECT_FALSE(list.HasTrackWithPath("/m/SONG.mp3"));
    EXPECT_EQ(list.GetSerialByPath("/m/other.mp3"), -1);
    EXPECT_EQ(list.FindBySerial(-5), -1);
}

TEST(TrackListPeaks, TheLoudestPeakNeverPassesFullScale) {
    const struct {
        std::vector<double> peaks;
        int count;
        double expected;
    } kCases[] = {
        {{0.5, 0.7, 1.0, 0.9}, 2, 0.7},
        {{0.5, 0.7, 1.0, 0.9}, 4, 1.0},
        {{0.5, 1.3, 0.2}, 3, 1.0},
        {{0.5, 0.6}, 9, 0.6},
        {{0.5}, 0, 0.0},
    };
    CPreferences prefs;
    for (const auto& c : kCases) {
        CTrackList list(prefs);
        for (double peak : c.peaks) AddTrack(list, 60000, 60000).SetPeakLevel(peak);
        EXPECT_EQ(list.GetLoudestPeak(c.count), c.expected);
    }
}

TEST(TrackListStates, PendingTracksAreThoseStillToBeLoadedOrAnalysed) {
    const struct {
        int state;
        bool analysed;
        bool pending;
    } kCases[] = {
        {kTrackNoValidDataYet, true, true}, {kTrackWaiting, true, true},
        {kTrackPrep, true, true},           {kTrackReady, true, false},
        {kTrackFailedPrep, true, false},    {kTrackFailedPrep, false, true},
        {kTrackFileNotFound, false, false}, {kTrackBurnt, false, true},
    };
    CPreferences prefs;
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.state << (c.analysed ? " analysed" : ""));
        CTrackList list(prefs);
        AddTrack(list, 60000, 60000, kTrackReady, "/m/ready.mp3");
        TONECORE_CMusicInfo info;
        info.flags[2] = c.analysed;
        const int index = list.InsertMusicInfo(info, 0);
        list.GetAt(index)->SetState(c.state);
        EXPECT_EQ(list.HasPendingTracks(), c.pending);
        EXPECT_TRUE(list.HasTrackInState(c.state));
        EXPECT_FALSE(list.HasTrackInState(kTrackTesting));
    }
}

TEST(TrackListMessages, EverySetDirtyPostsOneDirtyMessage) {
    songfakes::CSongActionScope scope;
    CPreferences prefs;
    CTrackList list(prefs);
    list.SetDirty(true);
    list.SetDirty(false);
    list.Clear(true);
    EXPECT_TRUE(list.IsDirty());
    EXPECT_EQ(scope.poster.Posts(),
              (songfakes::Lines{"main 1034 1 0", "main 1034 0 0", "main 1034 1 0"}));
}

TEST(TrackListNames, DefaultNamesCutTheBaseAndNeverFormatIt) {
    testsupport::TempDir dir;
    const std::string strings = dir.File("strings.txt");
    const std::string previous = GetStringFile();
    const std::string longBase(70, 'x');
    const struct {
        std::string text;
        std::string base;
    } kCases[] = {
        {longBase, std::string(64, 'x')},
        {"%s mix %d", "%s mix %d"},
    };
    for (const auto& c : kCases) {
        testsupport::WriteWholeFile(strings, "[Strings]\nSes_BaseName=" + c.text + "\n");
        SetStringFile(strings.c_str());
        const std::string first = CTrackList::MakeDefaultSessionName();
        const std::string second = CTrackList::MakeDefaultSessionName();
        ASSERT_EQ(first.size(), c.base.size() + 2);
        EXPECT_EQ(first.substr(0, c.base.size()), c.base);
        EXPECT_EQ(second.substr(0, c.base.size()), c.base);
        EXPECT_EQ(std::stoi(second.substr(c.base.size())), std::stoi(first.substr(c.base.size())) + 1);
    }
    SetStringFile(previous.c_str());
}

// A loader that is running for as long as the test says, doing nothing.
class CHeldLoader : public ITrackLoader {
public:
    void Start() override { ++starts; }
    // A loader stuck in a decode does not end within the stop's wait.
    bool Stop() override {
        if (!stuck) running = false;
        return !stuck;
    }
    bool IsRunning() const override { return running; }
    void SetPriority(int) override {}

    bool running = true;
    bool stuck = false;
    int starts = 0;
};

TEST(TrackListLoader, ATrackTheLoaderHoldsIsDeletedOnlyOnceTheLoaderIsDone) {
    testsupport::TempDir dir;
    const std::string converted = dir.File("converted.wav");
    testsupport::WriteWholeFile(converted, "pcm");
    CPreferences prefs;
    CHeldLoader loader;
    CTrackList list(prefs);
    list.SetLoader(&loader);
    CCDTrack& held = AddTrack(list, 60000, 60000);
    held.SetTempFile(converted.c_str());
    held.SetLoading(true);
    list.SetTrackBeingLoaded(&held);

    ASSERT_TRUE(list.RemoveAt(0));
    EXPECT_EQ(list.GetCount(), 0);
    // Still the loader's to finish with (the sanitizer catches a use after
    // deletion), also after a stop that gave up on a loader stuck in its
    // decode.
    EXPECT_FALSE(held.ShouldContinue());
    loader.stuck = true;
    EXPECT_FALSE(list.StopLoaderThread());
    held.SetLoading(false);
    EXPECT_EQ(access(converted.c_str(), F_OK), 0);
    EXPECT_FALSE(list.FinishTrackLoad(&held)) << "removed while it was loaded";
    loader.stuck = false;
    loader.running = true;

    list.DeleteDiscardedTracks();
    EXPECT_NE(access(converted.c_str(), F_OK), 0);
    EXPECT_FALSE(list.RemoveAt(0));

    // Without a running loader a removed track goes at once.
    loader.running = false;
    AddTrack(list, 60000, 60000).SetTempFile(converted.c_str());
    testsupport::WriteWholeFile(converted, "pcm");
    EXPECT_EQ(loader.starts, 1);
    list.RemoveAt(0);
    EXPECT_NE(access(converted.c_str(), F_OK), 0);
}

}  // namespace
