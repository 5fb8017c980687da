#pragma once
// The "-U" command: removes the drive-access driver's services that the
// program's installer set up, and puts back the drive settings the program
// changed. The removal itself is a module loaded by name whose
// "UninstInitialize" does the work; the program then deletes the services'
// keys when no other program shares the driver.

#include <string>

class CBurner;

// The removal's parts for one system version: the remover module, the
// driver's service and its file below the system folder. Empty for a
// version the removal does not know.
struct TDriverRemoval {
    const char* module = nullptr;
    const char* service = nullptr;
    const char* driverFile = nullptr;
};
TDriverRemoval DriverRemovalForVersion(int versionCode);

// Where the services' keys live, below HKEY_LOCAL_MACHINE.
inline constexpr const char* kServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services";
inline constexpr const char* kSecurityServiceName = "ZentSecurity";
// The first argument that runs the command.
inline constexpr const char* kUninstallArgument = "-U";

// The whole command: the remembered drive settings back, then the removal
// for this system's version. Each failure is one warning box (caption
// "Uninst_Caption"); none stops the caller. moduleName, when not empty,
// stands in for the version's module (tests load their own).
void UninstallDriverService(CBurner& burner, const std::string& moduleName = {});
