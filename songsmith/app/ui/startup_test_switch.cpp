#include "songsmith/app/ui/startup_test_switch.h"

#include <QSocketNotifier>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "songsmith/app/ui/program.h"

namespace {

void CloseMainWindow(CProgram& program) {
    if (QMainWindow* window = program.mainWindow.Window()) window->close();
}

}  // namespace

std::function<void(CProgram&)> StartupTestSwitch() {
    const char* value = std::getenv("SONGSMITH_TEST_CONTROL");
    if (value == nullptr) return {};
    if (std::strcmp(value, "close") == 0) return CloseMainWindow;
    if (std::strcmp(value, "stdin") != 0) return {};
    return [](CProgram& program) {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, program.mainWindow.Window());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&program, notifier] {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) return;
            notifier->setEnabled(false);
            CloseMainWindow(program);
        });
    };
}
