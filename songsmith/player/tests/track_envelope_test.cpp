// The loudness rule and the fade envelopes: the gain a track plays with,
// the envelope points for every shape of span, and both written into a
// song sound's volume map.
#include "songsmith/player/track_envelope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/temp_dir.h"
#include "tonecore/sound/sound_group.h"

namespace {

TEST(TrackGain, FollowsTheLoudnessRule) {
    const struct {
        const char* name;
        TLoudnessInputs in;
        double gain;
    } kCases[] = {
        {"half as loud as the loudest", {0.5, 1.0, 1.0, true, true, 15}, 2.0},
        {"exactly 15 % below", {0.85, 1.0, 1.0, true, true, 15}, 1.0 / 0.85},
        {"just under 15 % below", {0.86, 1.0, 1.0, true, true, 15}, 1.0},
        {"20 % above the target: scaled down", {1.0, 1.0, 0.8, true, true, 20}, 0.8},
        {"towards a quieter loudest track", {0.5, 1.0, 0.8, true, true, 15}, 1.6},
        {"loudest above full scale counts as 1.0", {0.5, 1.0, 1.3, true, true, 15}, 2.0},
        {"not to the loudest: 0.99", {0.5, 1.0, 0.8, true, false, 15}, 1.98},
        {"no peaks known in the session: 0.99", {0.5, 1.0, 0.0, true, true, 15}, 1.98},
        {"volume factor times normalising", {0.5, 0.5, 1.0, true, true, 15}, 1.0},
        {"normalising off: the volume alone", {0.5, 0.7, 1.0, false, true, 15}, 0.7},
        {"silent track plays unscaled", {0.0, 0.5, 1.0, true, true, 15}, 1.0},
        {"volume 0", {0.5, 0.0, 1.0, true, true, 15}, 0.0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(TrackGain(c.in), c.gain);
    }
}

TEST(FadeEnvelope, PointsForEverySpan) {
    using P = std::vector<TEnvelopePoint>;
    const double g = 0.8;
    const struct {
        const char* name;
        std::int32_t a, b, length, fade;
        bool in, out;
        P points;
    } kCases[] = {
        {"both fades", 0, 5000, 5000, 1000, true, true,
         {{0, 0}, {1000, g}, {4000, g}, {5000, 0}, {5001, 0}}},
        {"fade in from a", 500, 6000, 6000, 1000, true, false, {{0, 0}, {500, 0}, {1500, g}, {6001, g}}},
        {"fade out only", 0, 6000, 7000, 1000, false, true, {{0, g}, {5000, g}, {6000, 0}, {7001, 0}}},
        {"no fades", 0, 6000, 6000, 1000, false, false, {{0, g}, {6001, g}}},
        {"b = 0", 0, 0, 3000, 1000, true, true, {{0, g}, {3001, g}}},
        {"b before a", 2000, 1000, 3000, 1000, true, true, {{0, g}, {3001, g}}},
        {"b < a + fade: one peak", 200, 900, 900, 1000, true, true,
         {{0, 0}, {200, 0}, {550, g}, {551, g}, {900, 0}, {901, 0}}},
        {"a + fade <= b < a + 2 fades: one peak", 0, 1500, 1500, 1000, true, true,
         {{0, 0}, {750, g}, {751, g}, {1500, 0}, {1501, 0}}},
        {"one fade, shorter than it", 0, 600, 600, 1000, true, false, {{0, 0}, {300, g}, {601, g}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FadeEnvelopePoints(g, c.a, c.b, c.length, c.fade, c.in, c.out), c.points);
    }
}

// A song sound of a session track, in a group, with a track list and
// preferences around it.
class TrackEnvelopeTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string path = dir_.File("song.wav");
        testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, 4000));
        sound_ = new CSongSound;
        auto* file = new CFileObj;
        ASSERT_NE(file->Open(path.c_str(), 0, 0), 0);
        ASSERT_EQ(sound_->InitialLoad(file, 2000, 0, 0, 0, 0, 20, nullptr, nullptr), 1);
        DeleteRefObject(&file);
        group_ = new CSoundGroup;
        sound_->Add(group_, 0);
        prefs_.fadePreferences.fadeMs = 1000;
    }
    void TearDown() override {
        sound_->Remove();
        CAudioAtom* atom = sound_;
        DeleteAtom(&atom);
        atom = group_;
        DeleteAtom(&atom);
    }

    // A session track with this peak and volume; the sound becomes its.
    void AddTrack(double peak, double volume) {
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "%s", "/music/a.wav");
        info.lengthMs = 4000;
        CCDTrack& track = *tracks_.GetAt(tracks_.InsertMusicInfo(info, tracks_.GetCount()));
        track.SetState(kTrackReady);
        track.SetPeakLevel(peak);
        track.SetVolume(volume);
        sound_->serial = track.GetSerial();
    }

    // The volume envelope the mixer plays (the combined map).
    std::vector<TEnvelopePoint> Played() {
        std::vector<TEnvelopePoint> points;
        std::int32_t time = 0;
        for (int i = 0; _tvol_pan_data* event = sound_->GetNextEvent(MAP_VOLUME, i, &time); ++i)
            points.push_back({time, *static_cast<double*>(event->data)});
        return points;
    }

    testsupport::TempDir dir_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    CSongSound* sound_ = nullptr;
    CSoundGroup* group_ = nullptr;
};

TEST_F(TrackEnvelopeTest, AFadeEnvelopeCutsTheSoundAndItsGroupAndPlays) {
    AddTrack(0.5, 1.0);
    ASSERT_EQ(group_->Length(0), 4000);
    // The track is the session's loudest, so normalising leaves it alone:
    // the gain is the volume given.
    SetFadeEnvelope(*sound_, tracks_, prefs_, 0.5, 0, 3000, 3000, true, true);
    EXPECT_EQ(sound_->Length(0), 3000);
    EXPECT_EQ(group_->Length(0), 3000);
    const std::vector<TEnvelopePoint> expected = {
        {0, 0}, {1000, 0.5}, {2000, 0.5}, {3000, 0}, {3001, 0}};
    EXPECT_EQ(Played(), expected);
}

TEST_F(TrackEnvelopeTest, TrackGainKeepsFadeEndsSilent) {
    AddTrack(0.5, 1.0);
    SetFadeEnvelope(*sound_, tracks_, prefs_, 1.0, 0, 3000, 3000, true, true);
    // A louder track joins: this one is now scaled up to it, and its volume
    // is halved.
    TONECORE_CMusicInfo info;
    std::snprintf(info.path, sizeof info.path, "%s", "/music/b.wav");
    CCDTrack& loud = *tracks_.GetAt(tracks_.InsertMusicInfo(info, tracks_.GetCount()));
    loud.SetState(kTrackReady);
    loud.SetPeakLevel(1.0);
    tracks_.GetAt(tracks_.FindBySerial(sound_->serial))->SetVolume(0.5);
    ApplyTrackGain(*sound_, tracks_, prefs_);
    std::vector<TEnvelopePoint> expected = {{0, 0}, {1000, 1.0}, {2000, 1.0}, {3000, 0}, {3001, 0}};
    EXPECT_EQ(Played(), expected);

    // A volume of 0 still leaves a level that is not a fade end.
    tracks_.GetAt(tracks_.FindBySerial(sound_->serial))->SetVolume(0.0);
    ApplyTrackGain(*sound_, tracks_, prefs_);
    expected = {{0, 0}, {1000, 0.0001}, {2000, 0.0001}, {3000, 0}, {3001, 0}};
    EXPECT_EQ(Played(), expected);
}

}  // namespace
