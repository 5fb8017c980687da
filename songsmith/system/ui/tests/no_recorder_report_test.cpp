// The no-recorder report's address, read back the way a web server reads it.
#include "songsmith/system/no_recorder_report.h"

#include <gtest/gtest.h>

#include <QUrl>
#include <QUrlQuery>

#include "testsupport/fake_ui_services.h"
#include "utilities/windows_version.h"

namespace {

TEST(NoRecorderReportTest, EveryValueReadsBackAsItWas) {
    testsupport::CFakeUiServices ui;
    ReportNoRecorder({{"A&B #1", "x y=z", "1.0%"}, {"PLAIN", "Drive+Two", "v2/\xC3\xA9"}});
    ASSERT_EQ(ui.OpenedUrls().size(), 1u);
    const QUrl url(QString::fromStdString(ui.OpenedUrls().front()), QUrl::StrictMode);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.path(), "/trackpress/program/norecorder.asp");
    EXPECT_TRUE(url.fragment().isEmpty());

    const QUrlQuery query(url);
    char version[kWindowsVersionTextSize] = {};
    GetWindowsSystemVersion(version);
    const std::pair<const char*, QString> expected[] = {
        {"v1", "A&B #1"}, {"p1", "x y=z"},     {"f1", "1.0%"},
        {"v2", "PLAIN"},  {"p2", "Drive+Two"}, {"f2", QString::fromUtf8("v2/\xC3\xA9")},
        {"winversion", QString::fromUtf8(version)},
    };
    QStringList keys;
    for (const auto& item : query.queryItems(QUrl::FullyDecoded)) keys.push_back(item.first);
    EXPECT_EQ(keys, (QStringList{"v1", "p1", "f1", "v2", "p2", "f2", "winversion"}));
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(query.queryItemValue(key, QUrl::FullyDecoded), value) << key;
    }
}

TEST(NoRecorderReportTest, WithoutDrivesOnlyTheVersionIsSent) {
    EXPECT_EQ(NoRecorderReportUrl({}, "Debian 12 (Linux 6.1)"),
              std::string(kNoRecorderReportPage) + "winversion=Debian%2012%20%28Linux%206.1%29");
}

}  // namespace
