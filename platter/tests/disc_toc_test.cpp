#include "platter/disc_toc.h"

#include <gtest/gtest.h>

namespace {

TDiscToc Toc(std::vector<std::int32_t> starts, std::int32_t leadout, std::int32_t first = 1) {
    TDiscToc toc;
    toc.firstTrack = first;
    for (std::int32_t lsn : starts) toc.tracks.push_back(TTocTrack{lsn, false});
    toc.leadoutLsn = leadout;
    return toc;
}

TEST(DiscToc, RefusesTablesNoReaderCouldUse) {
    struct {
        const char* what;
        TDiscToc toc;
    } cases[] = {
        {"no tracks", Toc({}, 100)},
        {"100 tracks", Toc(std::vector<std::int32_t>(100, 0), 100)},
        {"starts falling", Toc({0, 500, 400}, 1000)},
        {"equal starts", Toc({0, 500, 500}, 1000)},
        {"lead-out before the last start (data cut short)", Toc({0, 225, 450}, 255)},
        {"numbers past 99", Toc({0, 10}, 20, 99)},
        {"negative start", Toc({-5, 10}, 20)},
    };
    for (auto& c : cases) {
        std::string why;
        EXPECT_FALSE(ValidateToc(c.toc, why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    std::string why;
    EXPECT_TRUE(ValidateToc(Toc({0, 225, 450}, 601), why));
}

TEST(DiscToc, DiscIdFollowsTheCddbDefinition) {
    // Starts at 150, 10070 and a lead-out at 14630 frames (lead-in counted):
    // digit sums 2 + (1+3+4) = 10, 195 - 2 = 193 s, 2 tracks.
    EXPECT_EQ(ComputeDiscId(Toc({0, 9920}, 14480)), 0x0A00C102u);
    // The playing time comes from the lead-out address as a whole: 74 frames
    // past 74 minutes plus the 150-frame lead-in is 4442 s, less 2 s.
    EXPECT_EQ(ComputeDiscId(Toc({0}, 74 * 60 * 75 + 74)), (2u << 24) | 4440u << 8 | 1u);
    EXPECT_EQ(ComputeDiscId(TDiscToc{}), 0u);
}

}  // namespace
