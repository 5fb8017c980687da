#include "songsmith/system/ui/desktop_services.h"

#include "songsmith/system/power_saving.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/system/ui/power_inhibit_dbus.h"
#include "songsmith/app/ui/qt_ui_services.h"

CDesktopServices::CDesktopServices()
    : ui_(std::make_unique<CQtUiServices>()), powerBus_(CDBusPowerInhibitBus::Connect()) {
    SetUiServices(ui_.get());
    SetPowerInhibitBus(powerBus_.get());
}

CDesktopServices::~CDesktopServices() {
    SetPowerInhibitBus(nullptr);
    SetUiServices(nullptr);
}
