// songsmith_startup_bench: how long the program takes from its start to a
// shown main window, beside a bare Qt program that shows an empty main
// window, both started as child processes the same way and timed in the same
// run (median of several starts each). Run by hand, not a test:
//
//   songsmith_startup_bench [starts]
//
// The program runs on the offscreen platform in a fresh per-user home, with
// its test switch telling when its window shows (program.h's whenShown).
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kDeadlineMs = 120000;
constexpr const char* kBareSwitch = "--bare-window";

// The bare program: a main window, shown, then the same signal.
int RunBareWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(800, 600);
    window.show();
    QTimer::singleShot(0, &window, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}

// Milliseconds from the start to the "shown" line; -1 when it never came.
double TimeToShown(const QString& program, const QStringList& arguments) {
    QTemporaryDir home;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("SONGSMITH_HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("SONGSMITH_TEST_CONTROL", "stdin");
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    double elapsed = -1;
    while (child.waitForReadyRead(kDeadlineMs)) {
        if (child.canReadLine()) {
            elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            break;
        }
    }
    child.closeWriteChannel();
    child.waitForFinished(kDeadlineMs);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kBareSwitch) == 0) return RunBareWindow(argc, argv);
    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QString program = QCoreApplication::applicationDirPath() + "/songsmith";
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> songsmith;
    std::vector<double> bare;
    // Taken in turns, so a change in the machine's load touches both alike.
    for (int i = 0; i < starts; ++i) {
        songsmith.push_back(TimeToShown(program, {}));
        bare.push_back(TimeToShown(self, {kBareSwitch}));
    }
    const double ours = Median(songsmith);
    const double theirs = Median(bare);
    std::printf("starts: %d each (median)\n", starts);
    std::printf("songsmith to a shown main window: %8.1f ms\n", ours);
    std::printf("bare QMainWindow program:         %8.1f ms\n", theirs);
    std::printf("difference:                       %8.1f ms (goal: at most 500 ms)\n", ours - theirs);
    return ours < 0 || theirs < 0 ? 1 : 0;
}
