#include "titlefetch/site.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Site, DefaultSiteNamesTheDefaultServer) {
    const TITLEFETCH_TSite site = MakeDefaultSite();
    EXPECT_STREQ(site.host, kDefaultCddbHost);
    EXPECT_EQ(site.port, 80);
    EXPECT_STREQ(site.cgiPath, "/~cddb/cddb.cgi");
    EXPECT_STREQ(site.secondText, "");
    EXPECT_STREQ(site.description, "");
    EXPECT_EQ(site.north, 1);
    EXPECT_EQ(site.east, 1);
    EXPECT_EQ(site.latitude, 0);
    EXPECT_EQ(site.longitude, 0);
}

TEST(Site, OverlongTextsAreCutToTheField) {
    const std::string longHost(400, 'h');
    const TITLEFETCH_TSite site = MakeSite(longHost.c_str(), nullptr, 8080);
    EXPECT_EQ(std::strlen(site.host), 255u);
    EXPECT_STREQ(site.cgiPath, "");
    EXPECT_EQ(site.port, 8080);
}
