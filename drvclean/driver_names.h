#pragma once
// What the drive-access driver installed: its files, its services, the
// device classes it filters, and the messages that ask the user to finish a
// removal by hand.

// Files, below the Windows folder; their shared-file counts are named by the
// full path.
inline constexpr const char* kSecurityProgramFile = "\\System32\\ZentSec.exe";
inline constexpr const char* kDriverFile = "\\System32\\DRIVERS\\ZentAspiWDM.sys";

inline constexpr const char* kSecurityService = "ZentSecurity";
// The driver's service name is also the name it has in the filter lists.
inline constexpr const char* kDriverService = "ZentAspiWDM";

// Device classes, below HKEY_LOCAL_MACHINE, and their filter list value.
inline constexpr const char* kClassKeyPath = "System\\CurrentControlSet\\Control\\Class\\";
inline constexpr const char* kUpperFiltersValue = "UpperFilters";
inline constexpr const char* kCdromClass = "{4D36E965-E325-11CE-BFC1-08002BE10318}";
inline constexpr const char* kTapeClass = "{6D807884-7D21-11CF-801C-08002BE10318}";
inline constexpr const char* kMediaChangerClass = "{CE5939AE-EBDE-11D0-B181-0000F8753EC4}";

// Messages, shown without an owner under a caption of one blank.
inline constexpr const char* kMessageCaption = " ";
inline constexpr const char* kServiceNotRemovedMessage =
    "The ZentAspiWDM service was not successfully removed.\n\nPlease stop this service manually "
    "before uninstalling the application.";
inline constexpr const char* kCdromFilterMessage =
    "The ZentAspiWDM entry in the UpperFilters values was not removed.\n\nPlease remove the entry "
    "from the value the cdrom class manually before uninstalling the application.";
inline constexpr const char* kTapeFilterMessage =
    "The ZentAspiWDM entry in the UpperFilters values was not removed.\n\nPlease remove the entry "
    "from the value the tape class manually before uninstalling the application.";
inline constexpr const char* kMediaChangerFilterMessage =
    "The ZentAspiWDM entry in the UpperFilters values was not removed.\n\nPlease remove the entry "
    "from the value the jukebox class manually before uninstalling the application.";
