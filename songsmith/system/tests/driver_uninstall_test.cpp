// Which remover "-U" uses on which system: the older NT family its legacy
// module, 2000 and XP (and this system, which answers as XP) the driver
// remover; the 95/98/Me family and unknown systems none, so there only the
// drive settings are put back.
#include "songsmith/system/driver_uninstall.h"

#include <gtest/gtest.h>

#include <string>

#include "utilities/windows_version.h"

namespace {

std::string Text(const char* text) { return text == nullptr ? "(none)" : text; }

TEST(DriverUninstallTest, TheSystemsVersionChoosesTheRemover) {
    struct TCase {
        int version;
        const char* module;
        const char* service;
        const char* driverFile;
    } cases[] = {
        {kWin95, nullptr, nullptr, nullptr},
        {kWinME, nullptr, nullptr, nullptr},
        {kWinNT, "legacyclean.dll", "ZentAspiSys", "\\Drivers\\ZentAspiSys.sys"},
        {kWin2000, "drvclean.dll", "ZentAspiWDM", "\\Drivers\\ZentAspiWDM.sys"},
        {kWinXP, "drvclean.dll", "ZentAspiWDM", "\\Drivers\\ZentAspiWDM.sys"},
        {kWinUnknown, nullptr, nullptr, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.version);
        const TDriverRemoval removal = DriverRemovalForVersion(c.version);
        EXPECT_EQ(Text(removal.module), Text(c.module));
        EXPECT_EQ(Text(removal.service), Text(c.service));
        EXPECT_EQ(Text(removal.driverFile), Text(c.driverFile));
    }
    EXPECT_EQ(Text(DriverRemovalForVersion(GetWindowsSystemVersion(nullptr)).module), "drvclean.dll");
}

}  // namespace
