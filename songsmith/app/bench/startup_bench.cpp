// songsmith_startup_bench: how long the program takes from its start to a
// shown main window, beside a bare Qt program that shows an empty main
// window, both started as child processes the same way and timed in the same
// run (median of several starts each); then the program's start with a
// library of 100,000 songs. Run by hand, not a test:
//
//   songsmith_startup_bench [starts] [songs]
//
// The program runs on the offscreen platform in a fresh per-user home that
// holds the preferences an earlier run left (the agreement accepted, the
// first import and the drive questions answered, as the program's tests
// start it), with its test switch telling when its window shows (program.h's
// whenShown): the window then asks nothing and is usable.
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
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "songsmith/library/bench/library_bench_store.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/tests/earlier_run_preferences.h"

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

// Writes the preferences an earlier run left into home's registry store;
// library (when not empty) is the song store's folder.
bool StoreEarlierRun(const QString& home, const std::string& library) {
    const QByteArray before = qgetenv("SONGSMITH_HOME");
    qputenv("SONGSMITH_HOME", home.toUtf8());
    RegistryStoreSetFolder("");
    CPreferences prefs;
    AsAnEarlierRunLeftThem(prefs);
    if (!library.empty()) std::snprintf(prefs.LibraryPath, sizeof prefs.LibraryPath, "%s", library.c_str());
    prefs.Save(HKEY_CURRENT_USER);
    const bool saved = RegistryStoreSave() == ERROR_SUCCESS;
    RegistryStoreUnload();
    qputenv("SONGSMITH_HOME", before);
    return saved;
}

// Milliseconds from the start to the "shown" line; -1 when it never came.
double TimeToShown(const QString& program, const QStringList& arguments, bool seeded,
                   const std::string& library = {}) {
    QTemporaryDir home;
    if (seeded && !StoreEarlierRun(home.path(), library)) return -1;
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
    const int songs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    const QString program = QCoreApplication::applicationDirPath() + "/songsmith";
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir libraryFolder;
    const std::string library = libraryFolder.path().toStdString();
    if (!library_bench::MakeStore(library, songs)) {
        std::fprintf(stderr, "could not make a store of %d songs\n", songs);
        return 1;
    }
    std::vector<double> songsmith;
    std::vector<double> withLibrary;
    std::vector<double> bare;
    // The library's first start writes what the load repairs; it is not
    // counted.
    TimeToShown(program, {}, true, library);
    // Taken in turns, so a change in the machine's load touches all alike.
    for (int i = 0; i < starts; ++i) {
        songsmith.push_back(TimeToShown(program, {}, true));
        withLibrary.push_back(TimeToShown(program, {}, true, library));
        bare.push_back(TimeToShown(self, {kBareSwitch}, false));
    }
    const double ours = Median(songsmith);
    const double large = Median(withLibrary);
    const double theirs = Median(bare);
    std::printf("starts: %d each (median)\n", starts);
    std::printf("songsmith to a shown main window:              %8.1f ms\n", ours);
    std::printf("  with a library of %7d songs:              %8.1f ms (goal: at most 1000 ms)\n", songs, large);
    std::printf("bare QMainWindow program:                      %8.1f ms\n", theirs);
    std::printf("difference (empty library):                    %8.1f ms (goal: at most 500 ms)\n", ours - theirs);
    std::printf("difference (library):                          %8.1f ms\n", large - theirs);
    return ours < 0 || large < 0 || theirs < 0 ? 1 : 0;
}
