#include "songsmith/system/no_recorder_report.h"

#include <cstring>

#include "platter/platter.h"
#include "songsmith/app/ui_services.h"
#include "titlefetch/cddb_text.h"
#include "utilities/windows_version.h"

namespace {

// A fixed-size text field of the drive library, which may fill it to the end.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

}  // namespace

std::string NoRecorderReportUrl(const std::vector<TDriveIdentity>& drives, const std::string& version) {
    std::string url = kNoRecorderReportPage;
    int number = 1;
    for (const TDriveIdentity& drive : drives) {
        const std::string n = std::to_string(number++);
        url += "v" + n + "=" + PercentEncode(drive.vendor) + "&p" + n + "=" + PercentEncode(drive.product) +
               "&f" + n + "=" + PercentEncode(drive.firmware) + "&";
    }
    return url + "winversion=" + PercentEncode(version);
}

void ReportNoRecorder(PLATTER_CPlatter& platter) {
    std::vector<TDriveIdentity> drives;
    const std::int32_t count = platter.GetDevices();
    for (std::int32_t i = 0; i < count; ++i) {
        if (const PLATTER_CDevice* device = platter.GetDevice(i); device != nullptr) {
            drives.push_back({FieldText(device->vendor), FieldText(device->product), FieldText(device->revision)});
        }
    }
    ReportNoRecorder(drives);
}

void ReportNoRecorder(const std::vector<TDriveIdentity>& drives) {
    char version[kWindowsVersionTextSize] = {};
    GetWindowsSystemVersion(version);
    GetUiServices().OpenUrl(NoRecorderReportUrl(drives, version).c_str());
}
