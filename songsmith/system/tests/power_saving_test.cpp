// The burn's inhibitors through a fake bus.
#include "songsmith/system/power_saving.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CFakeBus final : public IPowerInhibitBus {
public:
    bool InhibitScreenSaver(const char*, const char*, std::uint32_t* cookie) override {
        *cookie = nextCookie++;
        calls.push_back("inhibit screen saver " + std::to_string(*cookie));
        return true;
    }
    void UnInhibitScreenSaver(std::uint32_t cookie) override {
        calls.push_back("uninhibit screen saver " + std::to_string(cookie));
    }
    bool InhibitIdleSleep(const char*, const char*, int* handle) override {
        if (refuseSleep) return false;
        *handle = nextHandle++;
        calls.push_back("inhibit sleep " + std::to_string(*handle));
        return true;
    }
    void ReleaseIdleSleep(int handle) override { calls.push_back("release sleep " + std::to_string(handle)); }

    std::vector<std::string> calls;
    std::uint32_t nextCookie = 7;
    int nextHandle = 40;
    bool refuseSleep = false;
};

TEST(PowerSavingTest, OffTakesOnePairOnGivesItBack) {
    CFakeBus bus;
    ASSERT_EQ(SetPowerInhibitBus(&bus), nullptr);
    SetPowerSavingEnabled(false);
    SetPowerSavingEnabled(false);
    SetPowerSavingEnabled(true);
    SetPowerSavingEnabled(true);
    SetPowerInhibitBus(nullptr);
    const std::vector<std::string> expected{"inhibit screen saver 7", "inhibit sleep 40",
                                            "uninhibit screen saver 7", "release sleep 40"};
    EXPECT_EQ(bus.calls, expected);
}

TEST(PowerSavingTest, RefusedInhibitorIsNeverReleasedAndHeldOnesGoWithTheBus) {
    CFakeBus bus;
    bus.refuseSleep = true;
    SetPowerInhibitBus(&bus);
    SetPowerSavingEnabled(false);
    // The program ends while a burn holds the screen saver.
    SetPowerInhibitBus(nullptr);
    const std::vector<std::string> expected{"inhibit screen saver 7", "uninhibit screen saver 7"};
    EXPECT_EQ(bus.calls, expected);
}

TEST(PowerSavingTest, WithoutABusNothingIsCalled) {
    CFakeBus bus;
    SetPowerInhibitBus(nullptr);
    SetPowerSavingEnabled(false);
    SetPowerSavingEnabled(true);
    // A bus installed later starts with nothing held.
    SetPowerInhibitBus(&bus);
    SetPowerSavingEnabled(true);
    SetPowerInhibitBus(nullptr);
    EXPECT_TRUE(bus.calls.empty());
}

}  // namespace
