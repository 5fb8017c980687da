// Starting another installed product of the maker.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "filekit/reg_key.h"
#include "platform/last_error.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/product_panel.h"
#include "utilities/ui/product_table.h"

namespace {

bool IsProgram(const std::string& path) {
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// The install location stored for the product; empty when there is none.
std::string InstallLocation(const TProductRow& row) {
    CRegKey root(row.localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    CRegKey* key = root.GetSubKey(row.installedKey);
    if (key == nullptr) return {};
    const char* value = key->GetKeyString(row.locationValue);
    std::string location = value != nullptr ? value : "";
    DeleteRegKey(&key);
    return location;
}

}  // namespace

int ProductExecute(int code, const char* parameters, QWidget* owner) {
    const TProductRow* row = FindProductRow(code);
    if (row == nullptr || row->installedKey == nullptr) return 0;
    const std::string location = InstallLocation(*row);
    if (location.empty()) return 0;
    if (access(location.c_str(), F_OK) != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    // Only a real start counts: a program that could not be run, or a
    // location the desktop could not open, is a failure.
    if (IsProgram(location)) return StartProgram(location.c_str(), parameters) ? 1 : 0;
    return LaunchBrowser(location.c_str(), owner, 1) ? 1 : 0;
}
