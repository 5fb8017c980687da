#include "drvclean/removal.h"

#include <string>

#include "drvclean/driver_names.h"
#include "drvclean/service_removal.h"
#include "drvclean/upper_filter.h"
#include "platform/message_box.h"
#include "platform/shared_dlls.h"

namespace {

struct TClassStep {
    const char* classGuid;
    const char* failureMessage;
};

constexpr TClassStep kClassSteps[] = {
    {kCdromClass, kCdromFilterMessage},
    {kTapeClass, kTapeFilterMessage},
    {kMediaChangerClass, kMediaChangerFilterMessage},
};

bool FileStillShared(const char* fileBelowWindows) {
    return SharedDllStillUsed((GetWindowsDirectory() + fileBelowWindows).c_str());
}

}  // namespace

std::int32_t RemoveDriverServices() {
    int failures = 0;
    const auto failed = [&failures](const char* message) {
        MessageBoxA(nullptr, message, kMessageCaption, MB_OK);
        ++failures;
    };
    if (!FileStillShared(kSecurityProgramFile) && !RemoveService(kSecurityService)) {
        failed(kServiceNotRemovedMessage);
    }
    // Another program still uses the driver: it and its filters stay.
    if (FileStillShared(kDriverFile)) return failures == 0 ? 0 : -1;

    if (!RemoveService(kDriverService)) failed(kServiceNotRemovedMessage);
    for (const TClassStep& step : kClassSteps) {
        if (!RemoveUpperFilter(step.classGuid, kUpperFiltersValue, kDriverService)) {
            failed(step.failureMessage);
        }
    }
    return failures == 0 ? 0 : -1;
}
