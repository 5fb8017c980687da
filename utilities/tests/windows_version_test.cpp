#include "utilities/windows_version.h"

#include <sys/utsname.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testsupport/temp_dir.h"

namespace {

struct TDecodeCase {
    const char* what;
    TWindowsVersionInfo info;
    bool extendedRead;
    const char* productType;
    TOurWinVersion code;
    const char* text;  // null: the caller's text stays as it was
};

TEST(WindowsVersionTest, DecodesEachReleaseWithItsDescription) {
    const TDecodeCase cases[] = {
        {"95", {4, 0, 950, 1, ""}, true, nullptr, kWin95, "Microsoft Windows 95 "},
        {"95 OSR2 (B)", {4, 0, 1111, 1, " B"}, true, nullptr, kWin95OSR2, "Microsoft Windows 95 OSR2 "},
        {"95 OSR2 (C)", {4, 0, 1212, 1, " C"}, true, nullptr, kWin95OSR2, "Microsoft Windows 95 OSR2 "},
        {"98", {4, 10, 1998, 1, ""}, true, nullptr, kWin98, "Microsoft Windows 98 "},
        {"98 SE", {4, 10, 2222, 1, " A "}, true, nullptr, kWin98SE, "Microsoft Windows 98 SE "},
        {"ME", {4, 90, 3000, 1, ""}, true, nullptr, kWinME, "Microsoft Windows Millennium Edition "},
        {"9x minor 20", {4, 20, 0, 1, ""}, true, nullptr, kWinUnknown, nullptr},
        {"9x major 5", {5, 0, 0, 1, ""}, true, nullptr, kWinUnknown, nullptr},
        {"NT 4", {4, 0, 1381, 2, "Service Pack 6"}, true, nullptr, kWinNT,
         "Microsoft Windows NT version 4.0 Service Pack 6 (Build 1381)\n"},
        {"NT 4 workstation, older record", {4, 0, 1381, 2, "Service Pack 3"}, false, "winnt", kWinNT,
         "Microsoft Windows NT Professional version 4.0 Service Pack 3 (Build 1381)\n"},
        {"NT 4 server", {4, 0, 1381, 2, ""}, false, "LANMANNT", kWinNT,
         "Microsoft Windows NT Server version 4.0  (Build 1381)\n"},
        {"NT 4 advanced server", {4, 0, 1381, 2, ""}, false, "ServerNT", kWinNT,
         "Microsoft Windows NT Advanced Server version 4.0  (Build 1381)\n"},
        {"NT product type ignored with the extended record", {4, 0, 1381, 2, ""}, true, "WINNT",
         kWinNT, "Microsoft Windows NT version 4.0  (Build 1381)\n"},
        {"2000", {5, 0, 2195, 2, "Service Pack 4"}, true, nullptr, kWin2000,
         "Microsoft Windows 2000 Service Pack 4 (Build 2195)\n"},
        {"build number's low 16 bits", {5, 0, 0x08000893, 2, ""}, true, nullptr, kWin2000,
         "Microsoft Windows 2000  (Build 2195)\n"},
        {"XP", {5, 1, 2600, 2, "Service Pack 2"}, true, nullptr, kWinXP,
         "Microsoft Windows XP Service Pack 2 (Build 2600)\n"},
        {"XP read without the extended record", {5, 1, 2600, 2, ""}, false, nullptr, kWinUnknown,
         " (Build 2600)\n"},
        {"NT 6", {6, 0, 6000, 2, ""}, true, nullptr, kWinUnknown, " (Build 6000)\n"},
        {"other platform", {4, 0, 0, 3, ""}, true, nullptr, kWinUnknown, nullptr},
    };
    for (const TDecodeCase& c : cases) {
        char text[kWindowsVersionTextSize] = "untouched";
        EXPECT_EQ(DecodeWindowsVersion(&c.info, c.extendedRead, c.productType, text), c.code)
            << c.what;
        EXPECT_STREQ(text, c.text != nullptr ? c.text : "untouched") << c.what;
        EXPECT_EQ(DecodeWindowsVersion(&c.info, c.extendedRead, c.productType, nullptr), c.code)
            << c.what;
    }
    char text[kWindowsVersionTextSize] = "untouched";
    EXPECT_EQ(DecodeWindowsVersion(nullptr, false, nullptr, text), kWinUnknown);
    EXPECT_STREQ(text, "untouched");
}

TEST(WindowsVersionTest, TheServicePackTextIsReadAsTheRecordHoldsIt) {
    const TWindowsVersionInfo info{5, 0, 2195, 2, std::string(400, 'x')};
    char text[kWindowsVersionTextSize];
    EXPECT_EQ(DecodeWindowsVersion(&info, true, nullptr, text), kWin2000);
    EXPECT_EQ(std::string(text),
              "Microsoft Windows 2000 " + std::string(127, 'x') + " (Build 2195)\n");
}

TEST(WindowsVersionTest, LinuxAnswersAsTheNewestReleaseWithTheRealSystem) {
    EXPECT_EQ(GetWindowsSystemVersion(nullptr), kWinXP);
    char text[kWindowsVersionTextSize] = "";
    EXPECT_EQ(GetWindowsSystemVersion(text), kWinXP);
    utsname kernel{};
    ASSERT_EQ(uname(&kernel), 0);
    const std::string description = text;
    EXPECT_NE(description.find(std::string("(Linux ") + kernel.release + ")"), std::string::npos)
        << description;
    EXPECT_EQ(description.find('\n'), std::string::npos) << "one line, fit for an address";
}

TEST(WindowsVersionTest, TheDistributionNameComesFromOsRelease) {
    testsupport::TempDir dir;
    struct {
        const char* contents;
        const char* name;
    } const cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"NAME='Plain'\nVERSION_ID=1\n", "Plain"},
        {"ID=unnamed\n", "Linux"},
    };
    for (const auto& c : cases) {
        testsupport::WriteWholeFile(dir.File("os-release"), c.contents);
        EXPECT_EQ(OsReleaseName(dir.File("os-release").c_str()), c.name);
    }
    EXPECT_EQ(OsReleaseName(dir.File("missing").c_str()), "Linux");
}

}  // namespace
