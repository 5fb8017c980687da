#include "songsmith/system/driver_uninstall.h"

#include <cstdint>

#include "filekit/log.h"
#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "platform/shared_dlls.h"
#include "songsmith/burner/burner.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "utilities/windows_version.h"

namespace {

using TUninstInitialize = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);

constexpr std::uint32_t kBoxFlags = MB_OK | MB_ICONWARNING;

void Warn(const std::string& text) {
    const std::string caption = KeyedText("Uninst_Caption");
    ShowMessageText(nullptr, text.c_str(), kBoxFlags, caption.c_str());
}

// The service's key and the security service's key, each with all below it.
void DeleteServiceKeys(const char* service) {
    HKEY services = nullptr;
    if (RegOpenKey(HKEY_LOCAL_MACHINE, kServicesKeyPath, &services) != ERROR_SUCCESS) return;
    RegDeleteKey(services, service);
    RegDeleteKey(services, kSecurityServiceName);
    RegCloseKey(services);
}

}  // namespace

TDriverRemoval DriverRemovalForVersion(int versionCode) {
    switch (versionCode) {
        case kWinNT:
            return {"legacyclean.dll", "ZentAspiSys", "\\Drivers\\ZentAspiSys.sys"};
        case kWin2000:
        case kWinXP:
            return {"drvclean.dll", "ZentAspiWDM", "\\Drivers\\ZentAspiWDM.sys"};
        default:
            return {};
    }
}

void UninstallDriverService(CBurner& burner, const std::string& moduleName) {
    burner.RestoreDriveSettings();
    const TDriverRemoval removal = DriverRemovalForVersion(GetWindowsSystemVersion(nullptr));
    if (removal.module == nullptr) return;
    const std::string module = moduleName.empty() ? removal.module : moduleName;
    void* library = LoadModule(module);
    if (library == nullptr) {
        LogFmt("UninstallDriverService - could not load %s", module.c_str());
        Warn(FormatKeyedText("Uninst_CannotLoad", {module.c_str()}));
        return;
    }
    auto uninstall = reinterpret_cast<TUninstInitialize>(GetModuleSymbol(library, "UninstInitialize"));
    if (uninstall == nullptr) {
        Warn(KeyedText("Uninst_NoProc"));
        FreeModule(library);
        return;
    }
    if (uninstall(0, 0, 0) == -1) {
        Warn(KeyedText("Uninst_Failed"));
    } else {
        // Only while no other program still counts on the driver.
        const std::string driverPath = GetWindowsDirectory() + "\\System32" + removal.driverFile;
        if (!SharedDllStillUsed(removal.service) || !SharedDllStillUsed(driverPath.c_str()))
            DeleteServiceKeys(removal.service);
    }
    FreeModule(library);
}
