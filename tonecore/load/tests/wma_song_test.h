#pragma once
// A fixture for loading WMA songs: the engine started with a sound folder of
// its own (SongLoadTest), the converters probed as the program does at
// start-up, and the media module let go at the end. Skipped without ffmpeg,
// which makes the songs.

#include <gtest/gtest.h>

#include "mediacore/tests/wma_fixture.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/load/tests/song_load_support.h"
#include "tonecore/load/tests/wma_test_support.h"

namespace wmatest {

class WmaSongTest : public songtest::SongLoadTest {
protected:
    void SetUp() override {
        if (!mediatest::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        SongLoadTest::SetUp();
        DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    }
    void TearDown() override {
        SongLoadTest::TearDown();
        FreeConversionLibraries();
    }
};

}  // namespace wmatest
