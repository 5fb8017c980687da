// The main() of the GUI test executables: one QApplication on the offscreen
// platform (no display needed), the numeric locale back at "C" as in the
// program, and the per-user folders in a scratch folder.
#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "testsupport/scratch_home.h"

int main(int argc, char** argv) {
    // An explicit choice (for example xcb, to watch a test) is kept.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Qt takes the user's locale; printf-style formatting must not.
    std::setlocale(LC_NUMERIC, "C");
    return testsupport::RunAllTestsWithScratchHome(argc, argv);
}
