#pragma once
// A burn controller with a session of generated songs: a fake writer with a
// scripted capacity, a temporary folder, a test clock (the rendering's
// rests and the pause after each file move it on, nothing sleeps), and the
// files a rendering leaves read back through our RIFF reader.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "filekit/riff.h"
#include "filekit/riff_format.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_sounds.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/tests/song_action_fakes.h"
#include "songsmith/session/tests/song_files.h"
#include "songsmith/session/tests/wav_data.h"
#include "songsmith/session/track_list.h"
#include "testsupport/temp_dir.h"

namespace rendertest {

constexpr std::size_t kBytesPerMs = 176;  // rounded; exact sizes use Bytes()

// Bytes of CD audio in ms (ms a multiple of 10 gives whole frames).
inline std::size_t Bytes(std::int64_t ms) { return static_cast<std::size_t>(ms * 176400 / 1000 / 4 * 4); }

using wavtest::WavData;

// The names in folder that match the track files' pattern, sorted.
inline std::vector<std::string> FilesIn(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    if (!std::filesystem::exists(folder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == extension) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RenderTest : public testing::Test {
protected:
    void SetUp() override {
        if (!songfiles::HaveTools({"sox"})) GTEST_SKIP() << "sox is needed";
        temp_ = dir_.File("temp");
        std::filesystem::create_directories(temp_);
        std::snprintf(prefs_.Marovelle_Temp_Dir, sizeof prefs_.Marovelle_Temp_Dir, "%s/", temp_.c_str());
        prefs_.bAutoDetectMediaSize = 0;
        prefs_.iDefaultMediaSize = 74;
        prefs_.bNormalizeSounds = 0;
        prefs_.bTrimSoundsAutomatically = 0;
        prefs_.excessTreatment = 0;
        prefs_.fadePreferences = TFadePreferences{0, 2000, 2500, 1500};
        writer_ = &drives_.Add(true);
        writer_->ScriptStatuses({PLATTER_MEDIA_BLANK_CDR});
        burner_ = std::make_unique<CBurner>(drives_, prefs_, host_, &clock_, TBurnTiming{});
        ASSERT_EQ(burner_->Initialize(), 1);
        burner_->SetTrackList(&tracks_);
        burner_->SetFreeSpaceFunction([](const char*) { return 1e12; });
        burner_->SetEnvelopes(RecordingEnvelopes());
    }
    void TearDown() override {
        if (burner_) burner_->SetTrackList(nullptr);
        tracks_.Clear(false);
    }

    // Fades are recorded and only set the sound's length; gains leave the
    // songs at their level (normalising is off and every volume is 1.0).
    TBurnEnvelopes RecordingEnvelopes() {
        TBurnEnvelopes envelopes;
        envelopes.applyTrackGain = [this](CSongSound&) { ++gains_; };
        envelopes.setFadeEnvelope = [this](CSongSound& sound, double, std::int32_t a, std::int32_t b,
                                           std::int32_t length, bool in, bool out) {
            sound.SetVirtualLength(length);
            fades_.push_back(songfakes::Line("%d-%d len %d in %d out %d", a, b, length, in, out));
        };
        return envelopes;
    }

    // A CD-quality song made by sox: a tone of its own pitch, or silence.
    std::string Song(const std::string& name, double seconds, const std::string& format = "-r 44100 -c 2 -b 16",
                     const std::string& sound = "") {
        const std::string path = dir_.File(name);
        const std::string effect =
            sound.empty() ? "synth " + std::to_string(seconds) + " sine " + std::to_string(300 + 50 * made_++) +
                                " vol 0.5"
                          : sound;
        EXPECT_TRUE(songfiles::Run("sox -n " + format + " '" + path + "' " + effect)) << path;
        return path;
    }
    // A session track for the song, analysed as the loader would.
    CCDTrack& Add(const std::string& path) {
        const int index = tracks_.InsertSong(CSongEntry(path.c_str()), tracks_.GetCount());
        CCDTrack& track = *tracks_.GetAt(index);
        EXPECT_TRUE(track.Load()) << path;
        track.CloseSound();
        return track;
    }

    // Every track file of the temporary folder, data joined.
    std::string JoinedTrackFiles() {
        std::string joined;
        for (const std::string& file : FilesIn(temp_, ".tmp")) joined += WavData(file);
        return joined;
    }

    // What the rendering goes through on the fly, collected.
    static std::int32_t Collect(void* buffer, std::int32_t& length, void* into) {
        static_cast<std::string*>(into)->append(static_cast<const char*>(buffer), static_cast<std::size_t>(length));
        return 0;
    }

    testsupport::TempDir dir_;
    std::string temp_;
    songfakes::CSongActionScope scope_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    burner_test::CTestDrives drives_;
    burner_test::CTestHost host_;
    burner_test::CTestClock clock_;
    PLATTER_CFakeDevice* writer_ = nullptr;
    std::unique_ptr<CBurner> burner_;
    int gains_ = 0;
    std::vector<std::string> fades_;
    int made_ = 0;
};

}  // namespace rendertest
