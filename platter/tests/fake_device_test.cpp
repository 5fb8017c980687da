// The scripted fake drive that the program's tests use.
#include "platter/fake/fake_device.h"

#include <gtest/gtest.h>

#include <thread>

#include "platter/errors.h"
#include "platter/tests/test_fixtures.h"
#include "testsupport/temp_dir.h"

namespace platter_test {
namespace {

TEST(FakeDevice, StatusesFollowTheScriptAndTheLastOneStays) {
    PLATTER_CFakeDevice fake;
    fake.ScriptStatuses({1, 1, 3});
    std::vector<std::int32_t> seen;
    for (int i = 0; i < 5; ++i) {
        fake.RefreshStatus();
        seen.push_back(fake.mediaStatus.load());
    }
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 1, 3, 3, 3}));
    EXPECT_TRUE(fake.IsDiscReady());
    fake.SetSpeeds({16, 4, 8}, 0);
    EXPECT_EQ(fake.GetWriteSpeed(2), 2);
    EXPECT_EQ(fake.GetSpeedOfSpeedNumber(2), 16);
    fake.capacityMs = 21 * 60 * 1000;
    EXPECT_EQ(fake.GetCapacity(1), 21 * 60 * 1000);
}

TEST(FakeDevice, WritesReturnTheirScriptedCodesWithTimedEventsOnTheDrivesThread) {
    CFakeClock clock;
    PLATTER_CFakeDevice fake(&clock);
    TFakeWrite first;
    first.result = PLATTER_WRITE_UNDERRUN;
    first.errorText = "underrun";
    first.events = {{0, 43, 0, 0}, {500, 25, 1, 300}, {4000, 27, 1, 0}};
    fake.ScriptWrite(first);

    struct TSeen {
        std::vector<TBurnEvent> events;
        std::vector<std::int64_t> times;
        std::vector<std::thread::id> threads;
        CFakeClock* clock;
    } seen{{}, {}, {}, &clock};
    testsupport::TempDir dir;
    const std::string sheet = dir.File("mycue.txt");
    WriteFile(sheet, "TITLE \"x\"\r\n");
    std::string path = dir.File("t.wav");
    TWriteDiscParams block;
    block.trackCount = 1;
    block.tracks[0].path = path.c_str();
    std::snprintf(block.cueSheetPath, sizeof block.cueSheetPath, "%s", sheet.c_str());
    block.eventContext = &seen;
    block.eventCallback = [](void* context, TBurnEvent* event) -> std::int32_t {
        auto* s = static_cast<TSeen*>(context);
        s->events.push_back(*event);
        s->times.push_back(s->clock->NowMs());
        s->threads.push_back(std::this_thread::get_id());
        return 1;
    };
    const std::int64_t start = clock.NowMs();
    EXPECT_EQ(fake.WriteDisc(&block), PLATTER_WRITE_UNDERRUN);
    char text[32];
    EXPECT_EQ(fake.GetLastError(text, sizeof text), PLATTER_WRITE_UNDERRUN);
    EXPECT_STREQ(text, "underrun");
    ASSERT_EQ(seen.events.size(), 3u);
    EXPECT_EQ(seen.events[1].trackNumber, 1);
    EXPECT_EQ(seen.events[1].blocksToRecord, 300);
    EXPECT_EQ(seen.times[2] - start, 4500);
    for (const auto& id : seen.threads) EXPECT_NE(id, std::this_thread::get_id());

    // Unscripted writes succeed; each block is kept with its own copies.
    path = "changed";
    EXPECT_EQ(fake.WriteDisc(&block), PLATTER_WRITE_OK);
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].paths, std::vector<std::string>{dir.File("t.wav")});
    EXPECT_EQ(writes[1].paths, std::vector<std::string>{"changed"});
    EXPECT_EQ(writes[0].block.tracks[0].path, nullptr);
    EXPECT_EQ(writes[0].cueSheet, "TITLE \"x\"\r\n");
}

TEST(FakeDevice, OnTheFlyWritesPullTheProgramsAudio) {
    PLATTER_CFakeDevice fake;
    struct {
        std::int64_t limit;
        std::size_t pulled;
        bool stopped;
    } cases[] = {{-1, 50000, false}, {12345, 12345, true}};
    for (const auto& c : cases) {
        TFakeWrite write;
        write.pullBytes = c.limit;
        fake.ScriptWrite(write);
        TBurnRecorder rec;
        rec.render = MakePcm(12500, 1);
        TWriteDiscParams block = MakeStreamBlock({50000}, rec);
        EXPECT_EQ(fake.WriteDisc(&block), PLATTER_WRITE_OK);
        const auto audio = fake.Writes().back().audio;
        EXPECT_EQ(audio.size(), c.pulled);
        EXPECT_EQ(std::string(audio.begin(), audio.end()), rec.render.substr(0, c.pulled));
        EXPECT_EQ(rec.renderStopped.load(), c.stopped);
    }
}

TEST(FakeDevice, RipsReadTheScriptedDisc) {
    PLATTER_CFakeDevice fake;
    TRipRecorder none;
    TExtractParams params = none.Params(1);
    EXPECT_FALSE(fake.ReadDeviceInfo());
    TDiscToc toc;
    toc.tracks = {{0, true}, {1000, false}, {1060, false}};
    toc.leadoutLsn = 1100;
    fake.ScriptDisc(toc);
    ASSERT_TRUE(fake.ReadDeviceInfo());
    EXPECT_EQ(fake.trackCount, 3);
    EXPECT_EQ(fake.trackTable[1].startFrame, 1150);
    EXPECT_EQ(fake.GetNumDataTracks(), 1);

    TRipRecorder rip;
    params = rip.Params(2);
    ASSERT_TRUE(fake.ExtractTrack(&params));
    ASSERT_EQ(rip.data.size(), 60u * PLATTER_SECTOR_BYTES);
    EXPECT_EQ(static_cast<std::uint8_t>(rip.data[PLATTER_SECTOR_BYTES + 9]), PLATTER_CFakeDevice::PatternByte(1001, 9));
    EXPECT_EQ(rip.Codes().back(), EVENT_EXTRACT_AUDIO_END);

    fake.ScriptExtractFailure(PLATTER_ERR_READ, "scratched");
    TRipRecorder failed;
    params = failed.Params(2);
    EXPECT_FALSE(fake.ExtractTrack(&params));
    char text[32];
    EXPECT_EQ(fake.GetLastError(text, sizeof text), PLATTER_ERR_READ);
    EXPECT_STREQ(text, "scratched");
    EXPECT_TRUE(failed.events.empty());

    fake.ScriptBadSectors({1070});
    TRipRecorder bad;
    params = bad.Params(3);
    params.errorCorrection = PLATTER_READ_ERRORS_IGNORE;
    EXPECT_TRUE(fake.ExtractTrack(&params));
    EXPECT_EQ(bad.data.substr(10 * PLATTER_SECTOR_BYTES, PLATTER_SECTOR_BYTES), std::string(PLATTER_SECTOR_BYTES, '\0'));
}

}  // namespace
}  // namespace platter_test
