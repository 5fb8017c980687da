#include "songsmith/desktop_services.h"

#include "songsmith/core/power_saving.h"
#include "songsmith/core/ui_services.h"
#include "songsmith/power_inhibit_dbus.h"
#include "songsmith/qt_ui_services.h"

CDesktopServices::CDesktopServices()
    : ui_(std::make_unique<CQtUiServices>()), powerBus_(CDBusPowerInhibitBus::Connect()) {
    SetUiServices(ui_.get());
    SetPowerInhibitBus(powerBus_.get());
}

CDesktopServices::~CDesktopServices() {
    SetPowerInhibitBus(nullptr);
    SetUiServices(nullptr);
}
