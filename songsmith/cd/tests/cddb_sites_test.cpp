// The stored CDDB sites: which one is chosen for a host, and the location
// text made from a site's coordinates.
#include "songsmith/cd/cddb_sites.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A list of sites for hosts, freed with the test.
struct TSiteList {
    explicit TSiteList(const std::vector<std::string>& hosts) {
        for (const std::string& host : hosts) {
            auto* site = new TITLEFETCH_TSite(MakeSite(host.c_str(), "/cgi", 80));
            list.Append(site);
        }
    }
    ~TSiteList() { DeleteRecordsAndEmpty(list); }
    MvList<TITLEFETCH_TSite*> list;
};

TEST(CddbSites, TheLastSiteOfTheHostIsChosenElseTheFirst) {
    struct {
        std::vector<std::string> hosts;
        const char* host;
        int chosen;
    } const cases[] = {
        {{"a.example", "b.example", "a.example", "c.example"}, "a.example", 2},
        {{"a.example", "b.example"}, "b.example", 1},
        {{"a.example", "b.example"}, "B.example", 0},  // exact, case included
        {{"a.example", "b.example"}, "b.exampl", 0},
        {{"a.example"}, "", 0},
        {{}, "a.example", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        const TSiteList sites(c.hosts);
        EXPECT_EQ(ChosenSiteIndex(sites.list, c.host), c.chosen);
    }
}

TEST(CddbSites, AnEmptyLocationIsMadeFromTheCoordinatesAndKept) {
    struct {
        bool north;
        int latitude;
        bool east;
        int longitude;
        const char* text;
    } const cases[] = {
        {true, 2237, false, 7302, "N:037.17 W:121.42"},
        {false, 2012, true, 9072, "S:033.32 E:151.12"},
        {true, 0, true, 0, "N:000.00 E:000.00"},
        {true, 5400, false, 10800, "N:090.00 W:180.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TITLEFETCH_TSite site = MakeSite("host", "/cgi", 80);
        site.north = c.north ? 1 : 0;
        site.east = c.east ? 1 : 0;
        site.latitude = c.latitude;
        site.longitude = c.longitude;
        EXPECT_STREQ(SiteLocationText(site), c.text);
        EXPECT_STREQ(site.secondText, c.text);
    }
    // A text already there is shown as it is, whatever the coordinates say.
    TITLEFETCH_TSite named = MakeSite("host", "/cgi", 80);
    std::snprintf(named.secondText, sizeof named.secondText, "%s", "N000.00, W000.00");
    named.latitude = 2237;
    EXPECT_STREQ(SiteLocationText(named), "N000.00, W000.00");
}

}  // namespace
