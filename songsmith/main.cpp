// songsmith: the program's entry. One instance runs per user: a second start
// stops at once with 1, before any window or display is needed. The first
// runs the program (program.h) and returns its result.
#include <QApplication>
#include <clocale>
#include <string>
#include <vector>

#include "songsmith/core/single_instance.h"
#include "songsmith/desktop_services.h"
#include "songsmith/program.h"
#include "songsmith/startup_test_switch.h"

namespace {

// The arguments after the program's name; Qt has taken its own options out.
std::vector<std::string> ProgramArguments() {
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    CSingleInstanceLock instance;
    if (!instance.Acquire(SingleInstanceLockFolder() + kSingleInstanceLockName)) {
        CleanUpAsSecondInstance();
        return 1;
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
