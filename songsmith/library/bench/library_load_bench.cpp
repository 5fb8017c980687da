// Time to a populated Library page, and its peak memory, for song stores of
// 10,000 and 100,000 generated songs, beside a plain walk of the same store
// that fills a tree control with the same rows, measured in the same run.
// Each measurement runs in a child process of its own, so its peak memory
// is its own. Goals: the page populated within 500 ms at 100,000 songs
// (5 s at 1,000,000) and within 1.2 times the plain tree's memory.
//
//   library_load_bench [SONGS...]      default: 10000 100000

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "songsmith/library/library_links.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/library/bench/library_bench_store.h"
#include "songsmith/library/ui/library_tab.h"
#include "songvault/songvault.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The page in a window, loaded from the store.
double TimePage(const std::string& folder) {
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, folder.c_str())) return -1;
    TLibraryPartners partners;
    partners.store = &vault;
    SetLibraryPartners(partners);
    CPreferences prefs;
    std::snprintf(prefs.LibraryPath, sizeof prefs.LibraryPath, "%s", folder.c_str());
    QWidget owner;
    const auto start = Clock::now();
    CLibraryTab page(nullptr);
    page.Create(&owner, 0, 0, 400, 600);
    const double ms = MsSince(start);
    std::fprintf(stderr, "  (page: %zu songs)\n", page.Nodes().SongCount());
    SetLibraryPartners({});
    return ms;
}

// A plain walk of the songs filling a tree control with the same rows.
double TimePlainWalk(const std::string& folder) {
    SGSMarovelle description;
    SVTENG_CSongvault vault;
    if (!vault.Initialize(&description, folder.c_str())) return -1;
    QTreeWidget tree;
    const auto start = Clock::now();
    tree.setUpdatesEnabled(false);
    auto* artistRoot = new QTreeWidgetItem(QStringList("Browse by Artist"));
    auto* genreRoot = new QTreeWidgetItem(QStringList("Browse by Genre"));
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList("<Trash>")));
    tree.addTopLevelItem(artistRoot);
    tree.addTopLevelItem(genreRoot);
    std::unordered_map<std::string, QTreeWidgetItem*> artists, albums, genres;
    auto child = [](std::unordered_map<std::string, QTreeWidgetItem*>& map, const std::string& key,
                    QTreeWidgetItem* parent, const char* text) {
        auto& item = map[key];
        if (item == nullptr) item = new QTreeWidgetItem(parent, QStringList(QString::fromUtf8(text)));
        return item;
    };
    TSVT_Song song{};
    for (std::int32_t pos = vault.GetFirstSong(&song); pos != -1; pos = vault.GetNextSong(pos, &song)) {
        QTreeWidgetItem* artist = child(artists, song.artist, artistRoot, song.artist);
        QTreeWidgetItem* album = child(albums, std::string(song.artist) + '\n' + song.album, artist, song.album);
        QTreeWidgetItem* genre = child(genres, std::to_string(song.genre), genreRoot,
                                       GenreTableName(song.genre) != nullptr ? GenreTableName(song.genre) : "?");
        new QTreeWidgetItem(album, QStringList(QString::fromUtf8(song.title)));
        new QTreeWidgetItem(genre, QStringList(QString::fromUtf8(song.title) + " (" + song.artist + ")"));
    }
    artistRoot->setExpanded(true);
    tree.setUpdatesEnabled(true);
    tree.viewport()->repaint();
    return MsSince(start);
}

// Runs one measurement in a child: its time (ms) and peak memory (MiB).
bool Measure(int argc, char** argv, const std::string& folder, bool page, double& ms, double& mib) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QApplication app(argc, argv);
        const double taken = page ? TimePage(folder) : TimePlainWalk(folder);
        if (write(pipeEnds[1], &taken, sizeof taken) != sizeof taken) _exit(2);
        _exit(0);
    }
    close(pipeEnds[1]);
    const bool read_ok = read(pipeEnds[0], &ms, sizeof ms) == sizeof ms;
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !read_ok) return false;
    mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && ms >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10000, 100000};
    char pattern[] = "/tmp/library-load-bench-XXXXXX";
    const char* root = mkdtemp(pattern);
    if (root == nullptr) return 1;
    int qtArgc = 1;
    std::printf("%10s %14s %14s %8s %12s %12s %8s\n", "songs", "page ms", "plain ms", "ratio", "page MiB", "plain MiB",
                "ratio");
    int result = 0;
    for (const int songs : sizes) {
        const std::string folder = std::string(root) + "/" + std::to_string(songs);
        std::filesystem::create_directories(folder);
        if (!library_bench::MakeStore(folder, songs)) {
            std::fprintf(stderr, "could not make a store of %d songs\n", songs);
            result = 1;
            continue;
        }
        double pageMs = 0, pageMib = 0, plainMs = 0, plainMib = 0;
        if (!Measure(qtArgc, argv, folder, false, plainMs, plainMib) ||
            !Measure(qtArgc, argv, folder, true, pageMs, pageMib)) {
            std::fprintf(stderr, "a measurement failed at %d songs\n", songs);
            result = 1;
            continue;
        }
        std::printf("%10d %14.1f %14.1f %8.2f %12.1f %12.1f %8.2f\n", songs, pageMs, plainMs, pageMs / plainMs, pageMib,
                    plainMib, pageMib / plainMib);
    }
    std::printf("goals: page <= 500 ms at 100,000 songs, <= 5,000 ms at 1,000,000; page memory <= 1.2 x plain\n");
    std::filesystem::remove_all(root);
    return result;
}
