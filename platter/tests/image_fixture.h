#pragma once
// An engine with one image drive in a scratch tray, paced by a fake clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platter/platter.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {

class ImageDriveTest : public ::testing::Test {
protected:
    // Sets up the engine with the config as the test has changed it.
    void Start() {
        engine = std::make_unique<PLATTER_CPlatter>();
        engine->listRealDrives = false;
        config.trays = {tray.Path()};
        config.clock = &clock;
        engine->imageDrive = config;
        TBurningEngine asked = kEngineNotChosen;
        ASSERT_TRUE(engine->InitializeASPILayer(false, nullptr, nullptr, &asked));
        ASSERT_EQ(engine->GetDevices(), 1);
        drive = engine->GetDevice(0);
        recorder.clock = &clock;
    }

    void SetUp() override {
        config.paced = false;
        config.swapDelayMs = 0;
    }

    // A WAV file of frames sample frames in the scratch folder; returns its path.
    std::string Wave(const std::string& name, std::int64_t frames, int seed) {
        const std::string path = files.File(name);
        pcm[path] = MakePcm(frames, seed);
        WriteFile(path, WaveBytes(pcm[path]));
        return path;
    }

    // The names in the tray folder.
    std::set<std::string> TrayNames() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tray.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Reads a whole track back through ExtractTrack.
    std::string Rip(std::int32_t track) {
        TRipRecorder rip;
        TExtractParams params = rip.Params(track);
        EXPECT_TRUE(drive->ExtractTrack(&params)) << "track " << track;
        return rip.data;
    }

    std::string LastErrorText() {
        char text[256];
        drive->GetLastError(text, sizeof text);
        return text;
    }

    testsupport::TempDir tray;
    testsupport::TempDir files;
    CFakeClock clock;
    TImageDriveConfig config;
    std::unique_ptr<PLATTER_CPlatter> engine;
    PLATTER_CDevice* drive = nullptr;
    TBurnRecorder recorder;
    std::map<std::string, std::string> pcm;
};

// Bytes padded with zeros to whole sectors, then extra zero sectors.
inline std::string SectorPadded(std::string bytes, std::int32_t extraSectors = 0) {
    bytes.resize((bytes.size() + PLATTER_SECTOR_BYTES - 1) / PLATTER_SECTOR_BYTES * PLATTER_SECTOR_BYTES +
                     static_cast<std::size_t>(extraSectors) * PLATTER_SECTOR_BYTES,
                 '\0');
    return bytes;
}

}  // namespace platter_test
