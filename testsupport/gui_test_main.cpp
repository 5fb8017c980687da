// The main() of the GUI test executables: one QApplication on the offscreen
// platform (no display needed), the numeric locale back at "C" as in the
// program, and the per-user folders in a scratch folder.
#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "testsupport/scratch_home.h"
#include "testsupport/temp_dir.h"

int main(int argc, char** argv) {
    // An explicit choice (for example xcb, to watch a test) is kept.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt wants a private runtime folder and complains on every run without
    // one; a fresh temporary folder is private (mode 0700).
    std::unique_ptr<testsupport::TempDir> runtime;
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        runtime = std::make_unique<testsupport::TempDir>();
        setenv("XDG_RUNTIME_DIR", runtime->Path().c_str(), 1);
    }
    QApplication app(argc, argv);
    // Qt takes the user's locale; printf-style formatting must not.
    std::setlocale(LC_NUMERIC, "C");
    return testsupport::RunAllTestsWithScratchHome(argc, argv);
}
