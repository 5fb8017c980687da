#pragma once
// The program's UI services (message boxes, choosers, help, browser) and the
// power inhibitors' bus, installed for the life of one object.

#include <memory>

class CQtUiServices;
class CDBusPowerInhibitBus;

class CDesktopServices {
public:
    // Installs the Qt UI services and, when there is a session bus, the D-Bus
    // inhibitors. Make it after the application object.
    CDesktopServices();
    // Gives back held inhibitors and puts the stand-ins back.
    ~CDesktopServices();
    CDesktopServices(const CDesktopServices&) = delete;
    CDesktopServices& operator=(const CDesktopServices&) = delete;

private:
    std::unique_ptr<CQtUiServices> ui_;
    std::unique_ptr<CDBusPowerInhibitBus> powerBus_;
};
