// songsmith: the program's entry. One instance runs per user: a second start
// stops at once with 1, before any window or display is needed. The first
// runs the program (program.h) and returns its result. "-U", the command
// that shows no window, needs no display either: without one it runs on a
// plain application object and its warnings go to the standard error.
#include <QApplication>
#include <QCoreApplication>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "songsmith/system/driver_uninstall.h"
#include "songsmith/app/single_instance.h"
#include "songsmith/system/ui/desktop_services.h"
#include "songsmith/app/ui/program.h"
#include "songsmith/app/ui/startup_test_switch.h"

namespace {

// The arguments after the program's name; Qt has taken its own options out.
std::vector<std::string> ProgramArguments() {
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());
    return arguments;
}

bool IsUninstallCommand(int argc, char** argv) {
    return argc > 1 && std::strcmp(argv[1], kUninstallArgument) == 0;
}

// Whether Qt is given a display (or a platform of its own) to show boxes on.
bool DisplayGiven() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CSingleInstanceLock instance;
    if (!instance.Acquire(SingleInstanceLockFolder() + kSingleInstanceLockName)) {
        CleanUpAsSecondInstance();
        return 1;
    }
    if (IsUninstallCommand(argc, argv) && !DisplayGiven()) {
        // No widget is made: the default UI services write each box to the
        // standard error, and nobody can answer it.
        QCoreApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        CProgram program;
        return program.Run(ProgramArguments(), &instance);
    }
    QApplication app(argc, argv);
    // Qt takes the user's locale; printf-style numbers must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    const CDesktopServices desktopServices;
    TProgramOptions options;
    options.whenShown = StartupTestSwitch();
    CProgram program(std::move(options));
    return program.Run(ProgramArguments(), &instance);
}
