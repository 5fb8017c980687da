#pragma once
// The report the program offers when it finds no CD writer: a page of the
// program's site that receives the drives it did find and the system's
// version, so the maker learns which drives it failed to use.

#include <string>
#include <vector>

class PLATTER_CPlatter;

// Where the report page lives.
inline constexpr const char* kNoRecorderReportPage =
    "https://www.trackpress.example/trackpress/program/norecorder.asp?";

// One drive as the drive library names it.
struct TDriveIdentity {
    std::string vendor;
    std::string product;
    std::string firmware;
};

// The report's address: the page, then for each drive numbered from 1
// "v<n>=<vendor>&p<n>=<product>&f<n>=<firmware>&", then
// "winversion=<version>". Every value is percent-encoded, so no drive's name
// can end a value early or add parameters of its own.
std::string NoRecorderReportUrl(const std::vector<TDriveIdentity>& drives, const std::string& version);

// Opens the report for the drives and this system's version text
// (GetWindowsSystemVersion) through the UI services.
void ReportNoRecorder(const std::vector<TDriveIdentity>& drives);
// The same for the drive library's drives.
void ReportNoRecorder(PLATTER_CPlatter& platter);
