// session_list_bench: the session pane under a 500-track session. Run by
// hand, not a test; it runs on the offscreen platform unless
// QT_QPA_PLATFORM names another:
//
//   session_list_bench [tracks]
//
// Untimed, it writes one-second WAV songs and a session file of them, every
// track already analysed (its record holds its length and peaks flag, so
// opening it decodes nothing). Timed: the session opened into the pane, then
// select all and delete, undo, Title sorted twice and both sorts undone, a
// shuffle and its undo; beside them a plain QTableView over a
// QStandardItemModel filled with the same rows' texts. A 10 ms timer runs
// throughout; its worst lateness is the longest stall of the event loop.
#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "songsmith/app/ui/app_resources.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/session/ui/session_list_pane.h"
#include "utilities/keyed_text.h"
#include "utilities/undo_manager.h"

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// One second of a quiet 16-bit stereo tone at 44.1 kHz.
std::string OneSecondWav() {
    constexpr std::uint32_t kRate = 44100;
    std::string pcm;
    for (std::uint32_t i = 0; i < kRate * 2; ++i) PutLe(pcm, (i / 50) % 2 == 0 ? 800u : 0xFCE0u, 2);
    std::string body = "WAVEfmt ";
    PutLe(body, 16, 4);
    PutLe(body, 1, 2);
    PutLe(body, 2, 2);
    PutLe(body, kRate, 4);
    PutLe(body, kRate * 4, 4);
    PutLe(body, 4, 2);
    PutLe(body, 16, 2);
    body += "data";
    PutLe(body, static_cast<std::uint32_t>(pcm.size()), 4);
    body += pcm;
    std::string file = "RIFF";
    PutLe(file, static_cast<std::uint32_t>(body.size()), 4);
    return file + body;
}

// Measures the event loop's lateness with a 10 ms timer.
class CStallMeter {
public:
    CStallMeter() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            worst_ = std::max(worst_, now - last_ - 10.0);
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    double Worst() const { return worst_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    double last_ = 0;
    double worst_ = 0;
};

// Runs step, lets the loop draw, returns the milliseconds both took.
double Timed(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    SetStringFile(FindResourceFile("progstrings.txt").c_str());
    InitAppResources();

    // Untimed: the songs and the session file.
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    const std::string wav = OneSecondWav();
    CPreferences prefs;
    const std::string sessionPath = root + "/bench.tps";
    {
        CTrackList made(prefs);
        for (int i = 0; i < count; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "Song %03d", (i * 7919) % count);
            const std::string path = root + "/" + name + ".wav";
            std::ofstream(path, std::ios::binary) << wav;
            TONECORE_CMusicInfo info;
            std::snprintf(info.path, sizeof info.path, "%s", path.c_str());
            std::snprintf(info.displayText, sizeof info.displayText, "%s", name);
            std::snprintf(info.title, sizeof info.title, "%s", name);
            info.lengthMs = 1000;
            info.flags[2] = true;
            CCDTrack& track = *made.GetAt(made.InsertMusicInfo(info, INT_MAX));
            track.SetUserTrims(0, 1000);
            track.SetAutoTrims(0, 1000);
            track.SetState(kTrackReady);
        }
        if (!made.SaveSession(sessionPath.c_str())) {
            std::fputs("could not write the session file\n", stderr);
            return 1;
        }
    }

    CTrackList tracks(prefs);
    CUndoMgr undo(CUndoMgr::kDefaultMaxDepth);
    CSessionList list(TSessionListPartners{tracks, prefs, undo, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr});
    QWidget window;
    window.resize(900, 600);
    CSessionListPane pane;
    pane.Create(&window, 0, 0, 900, 600);
    pane.Bind(TSessionPaneBinding{&list, &tracks, &prefs, &undo, nullptr, nullptr});
    window.show();
    QCoreApplication::processEvents();

    CStallMeter meter;
    struct TResult {
        const char* what;
        double ms;
    };
    std::vector<TResult> results;
    results.push_back({"open into the pane", Timed([&] { list.LoadSession({sessionPath}); })});

    // The plain view with the same texts, in the same run.
    QTableView plain;
    QStandardItemModel plainModel;
    plain.setModel(&plainModel);
    plain.resize(900, 600);
    plain.show();
    results.push_back({"plain view fill", Timed([&] {
                           plainModel.setColumnCount(kSessionColumnCount);
                           for (int row = 0; row < tracks.GetCount(); ++row) {
                               tracks.Lock();
                               const TSessionRowFacts facts = SessionRowFacts(*tracks.GetAt(row), false, false);
                               tracks.Unlock();
                               QList<QStandardItem*> items;
                               for (int column = 0; column < kSessionColumnCount; ++column)
                                   items.push_back(new QStandardItem(
                                       QString::fromStdString(SessionColumnText(facts, column, row))));
                               plainModel.appendRow(items);
                           }
                       })});
    plain.hide();

    results.push_back({"select all and delete", Timed([&] {
                           list.SelectAll(true);
                           list.DeleteSelected();
                       })});
    results.push_back({"undo the delete", Timed([&] { undo.Undo(); })});
    results.push_back({"Title sorted", Timed([&] { list.SortByColumn(kColumnTitle, true); })});
    results.push_back({"Title sorted again", Timed([&] { list.SortByColumn(kColumnTitle, true); })});
    results.push_back({"undo the second sort", Timed([&] { undo.Undo(); })});
    results.push_back({"undo the first sort", Timed([&] { undo.Undo(); })});
    results.push_back({"shuffle", Timed([&] { list.Shuffle(); })});
    results.push_back({"undo the shuffle", Timed([&] { undo.Undo(); })});
    QCoreApplication::processEvents();

    std::printf("%d tracks\n", list.RowCount());
    for (const TResult& result : results) std::printf("%-24s %9.1f ms\n", result.what, result.ms);
    std::printf("%-24s %9.1f ms\n", "longest stall", meter.Worst());
    std::printf("open / plain fill        %9.2f (goal: at most 3)\n", results[0].ms / std::max(results[1].ms, 0.001));
    pane.Bind({});
    FreeAppResources();
    return 0;
}
