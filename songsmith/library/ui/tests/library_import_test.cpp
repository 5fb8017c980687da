// The library import as a user runs it: the first start asks with the
// import options dialog, Start Search imports a generated tree of thousands
// of song files (and damaged ones) from a scratch home folder and the mounts
// of an injected mount table, through the real main window's Library page.
// The tests wait for the import thread's messages, never for a time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "songsmith/library/library_import.h"
#include "songsmith/library/library_links.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/import_options_dlg.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/status_bar.h"
#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/media_libraries_held.h"
#include "testsupport/scoped_env.h"
#include "testsupport/song_tree.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/convert/converter_factory.h"
#include "utilities/drive_roots.h"

namespace {

using testsupport::ClickControl;
using testsupport::SaveWidgetPng;
using testsupport::FindControl;
using testsupport::WhenModalShown;

// The program's probe, which can hold the import thread at one file until
// the test lets it go on.
class CGatedProbe : public ISongProbe {
public:
    bool Probe(const char* path, TSongProbeResult& result) override {
        {
            std::unique_lock guard(lock_);
            if (++probed_ == holdAt_) {
                held_ = true;
                changed_.notify_all();
                changed_.wait_for(guard, testsupport::kHangLimit, [this] { return released_; });
            }
        }
        return probe_.Probe(path, result);
    }
    void HoldAt(int file) { holdAt_ = file; }
    bool Held() {
        std::lock_guard guard(lock_);
        return held_;
    }
    void Release() {
        std::lock_guard guard(lock_);
        released_ = true;
        changed_.notify_all();
    }

private:
    CTonecoreSongProbe probe_;
    std::mutex lock_;
    std::condition_variable changed_;
    int probed_ = 0;
    int holdAt_ = -1;
    bool held_ = false;
    bool released_ = false;
};

// Runs the event loop until done holds; false after timeoutMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 120000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

class LibraryImportTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        home_ = root_.File("home");
        std::filesystem::create_directories(home_);
        testsupport::WriteWholeFile(root_.File("mounts"),
                                    "/dev/sda1 / ext4 rw 0 0\n"
                                    "proc /proc proc rw 0 0\n"
                                    "/dev/sdb1 " + root_.File("data") + " ext4 rw 0 0\n"
                                    "tmpfs " + root_.File("scratch") + " tmpfs rw 0 0\n"
                                    "server:/songs " + root_.File("net") + " nfs rw 0 0\n");
        SetMountTablePath(root_.File("mounts").c_str());
        std::strncpy(prefs_->LibraryPath, store_folder_.Path().c_str(), sizeof prefs_->LibraryPath - 1);
        ASSERT_TRUE(store_.Initialize(&description_, store_folder_.Path().c_str()));
        store_.SetSongProbe(&probe_);
        store_.SetPostHook(MakeLibraryPostHook());
        TLibraryPartners partners;
        partners.store = &store_;
        partners.importFinishedToFind = [this] { ++finished_; };
        SetLibraryPartners(partners);
        prefs_->ImportInitial = 0;
        prefs_->ImportNetwork = 0;
        // The media module beside the tests makes WMA songs readable.
        DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetLibraryPartners({});
        SetMountTablePath(nullptr);
        store_.Shutdown(store_folder_.Path().c_str());
        FreeConversionLibraries();
    }

    // The tree the import is to find, and the files it is to leave out.
    void MakeTree() {
        testsupport::CSongTree tree(root_.File("work"));
        ASSERT_TRUE(tree.AddMp3s(home_ + "/Music/Rock", 400, "Rocker"));
        ASSERT_TRUE(tree.AddMp3s(home_ + "/Music/Jazz", 400, "Jazzer"));
        ASSERT_TRUE(tree.AddMp3s(home_ + "/My MP3s", 300, "Mixed"));
        ASSERT_TRUE(tree.AddMp3s(home_ + "/My MP3s/more", 300, "Mixed", 300));
        tree.AddWavs(home_ + "/Downloads/rips", 300, "Ripper", 16);
        ASSERT_TRUE(tree.AddMp3s(home_ + "/src/deep/er", 900, "Deep"));
        ASSERT_TRUE(tree.AddMp3s(home_ + "/Desktop", 10, "Desk"));
        ASSERT_TRUE(tree.AddMp3s(root_.File("data") + "/songs", 200, "Data"));
        if (testsupport::CSongTree::HaveFfmpeg()) {
            ASSERT_TRUE(tree.AddWma(home_ + "/Music/Windows/one.wma", "Windows One", "Media Artist", "Wide Album",
                                    1999, 4, "Jazz"));
            ASSERT_TRUE(tree.AddWma(home_ + "/Music/Windows/two.wma", "Windows Two", "Media Artist", "Wide Album",
                                    2001, 5, "Rock"));
        }
        tree.AddDamaged(home_ + "/Music/Damaged");
        expected_ = tree.songs();

        testsupport::CSongTree outside(root_.File("work"));
        ASSERT_TRUE(outside.AddMp3s(home_ + "/Music/Excluded", 100, "Excluded"));
        // Left out inside a folder the first run finds, and on the desktop.
        ASSERT_TRUE(outside.AddMp3s(home_ + "/Music/Rock/Hidden", 20, "Hidden"));
        ASSERT_TRUE(outside.AddMp3s(home_ + "/Desktop/Private", 20, "Private"));
        outside.AddWavs(home_ + "/Downloads/rips/short", 100, "Short", 2);
        ASSERT_TRUE(outside.AddMp3s(root_.File("scratch"), 50, "Scratch"));
        ASSERT_TRUE(outside.AddMp3s(root_.File("net"), 50, "Network"));
        leftOut_ = outside.songs();
        for (const char* name : {"noise.mp3", "empty.wav", "cut.mp3"})
            leftOut_.push_back({home_ + "/Music/Damaged/" + name, "", "", "", 0, 0});
    }

    // Opens the window; the first-import question is answered by answer.
    void OpenAnswering(const std::function<void(QWidget*)>& answer) {
        WhenModalShown(answer);
        Open(0);
    }
    // Starts the search with WAV songs of at least 15 seconds, the others
    // of any length, and the Excluded folder left out.
    void StartSearch(QWidget* dialog) {
        for (const char* folder : {"/Music/Excluded", "/Music/Rock/Hidden", "/Desktop/Private"})
            ui_.ExpectFolder("PREFI_SelectFolder", home_ + folder);
        FindControl<QComboBox>(dialog, CImportOptionsDlg::kMp3Length)->setCurrentIndex(0);
        FindControl<QComboBox>(dialog, CImportOptionsDlg::kWavLength)->setCurrentIndex(1);
        FindControl<QComboBox>(dialog, CImportOptionsDlg::kWmaLength)->setCurrentIndex(0);
        for (int i = 0; i < 3; ++i) ClickControl(dialog, CImportOptionsDlg::kAdd);
        SaveWidgetPng(dialog, "import_options_dialog");
        ClickControl(dialog, IDOK);
    }

    CLibraryTab* Page() const { return main_->TabPane()->GetLibraryTab(); }
    std::string Title() const { return main_->Window()->windowTitle().toStdString(); }
    bool Stored(const std::string& path) {
        TSVT_Song song{};
        return store_.FindSongByPath(&song, path.c_str());
    }

    testsupport::TempDir root_;
    std::string home_;
    testsupport::CScopedEnv homeEnv_{"HOME", root_.File("home")};
    testsupport::CScopedEnv configEnv_{"XDG_CONFIG_HOME", root_.File("config")};
    testsupport::CScopedEnv desktopEnv_{"XDG_DESKTOP_DIR", static_cast<const char*>(nullptr)};
    testsupport::CScopedEnv musicEnv_{"XDG_MUSIC_DIR", static_cast<const char*>(nullptr)};
    testsupport::TempDir store_folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
    CGatedProbe probe_;
    testsupport::CFakeUiServices ui_;
    std::atomic<int> finished_{0};
    std::vector<testsupport::TTreeSong> expected_;
    std::vector<testsupport::TTreeSong> leftOut_;
};

TEST_F(LibraryImportTest, TheFirstStartAsksAndImportsEverySongOnceAndNothingElse) {
    if (!testsupport::CSongTree::HaveLame()) GTEST_SKIP() << "lame is not installed";
    MakeTree();
    ASSERT_GE(expected_.size() + leftOut_.size(), 3000u);
    OpenAnswering([this](QWidget* dialog) { StartSearch(dialog); });
    EXPECT_EQ(prefs_->ImportInitial, 1);
    ASSERT_TRUE(WaitFor([this] { return finished_ == 1; }));
    Settle();

    // The first run found the song folders by their names.
    std::set<std::string> known;
    for (int i = 0; i < prefs_->MusicDirectories.Count(); ++i) known.insert(prefs_->MusicDirectories.Index(i)->path);
    for (const char* folder : {"/Music/Rock/", "/Music/Jazz/", "/My MP3s/", "/My MP3s/more/", "/Downloads/rips/"})
        EXPECT_EQ(known.count(home_ + folder), 1u) << folder;
    EXPECT_EQ(known.count(home_ + "/Music/Excluded/"), 0u);

    EXPECT_EQ(store_.GetSongCount(), static_cast<int>(expected_.size()));
    for (const testsupport::TTreeSong& song : expected_) EXPECT_TRUE(Stored(song.path)) << song.path;
    for (const testsupport::TTreeSong& song : leftOut_) EXPECT_FALSE(Stored(song.path)) << song.path;
    TSVT_Song wave{};
    ASSERT_TRUE(store_.FindSongByPath(&wave, (home_ + "/Downloads/rips/7.wav").c_str()));
    EXPECT_STREQ(wave.title, "Ripper wave 7");
    EXPECT_EQ(wave.lengthMs, 16000);
    if (testsupport::CSongTree::HaveFfmpeg()) {
        TSVT_Song wma{};
        ASSERT_TRUE(store_.FindSongByPath(&wma, (home_ + "/Music/Windows/one.wma").c_str()));
        EXPECT_STREQ(wma.title, "Windows One");
        EXPECT_STREQ(wma.artist, "Media Artist");
        EXPECT_STREQ(wma.album, "Wide Album");
        EXPECT_EQ(wma.year, 1999);
        EXPECT_EQ(wma.track, 4);
        EXPECT_EQ(wma.genre, 8);  // Jazz
        EXPECT_NEAR(wma.lengthMs, 3000, 150);
    }

    // The page shows them all and is idle again.
    EXPECT_EQ(Page()->Nodes().SongCount(), expected_.size());
    EXPECT_EQ(FindControl<QLabel>(Page()->Window(), kLibCountId)->text().toStdString(),
              "Library contains " + std::to_string(expected_.size()) + " songs.");
    EXPECT_TRUE(FindControl<QLabel>(Page()->Window(), kLibFolderTextId)->text().isEmpty());
    EXPECT_EQ(FindControl<QPushButton>(Page()->Window(), kLibImportId)->property("image").toInt(), kLibImportImage);
    EXPECT_EQ(main_->StatusBar().Text(), "Import complete.");
    EXPECT_EQ(Title().find("[Importing]"), std::string::npos);

    // A second import finds nothing new.
    ASSERT_TRUE(ClickControl(Page()->Window(), kLibImportId));
    ASSERT_TRUE(WaitFor([this] { return finished_ == 2; }));
    EXPECT_EQ(store_.GetSongCount(), static_cast<int>(expected_.size()));
    EXPECT_EQ(Page()->Nodes().SongCount(), expected_.size());
}

TEST_F(LibraryImportTest, StoppingMidWalkReturnsAtOnceAndKeepsWhatWasFound) {
    if (!testsupport::CSongTree::HaveLame()) GTEST_SKIP() << "lame is not installed";
    MakeTree();
    probe_.HoldAt(500);
    OpenAnswering([this](QWidget* dialog) { StartSearch(dialog); });
    ASSERT_TRUE(WaitFor([this] { return probe_.Held(); }));
    Settle();
    EXPECT_TRUE(Page()->IsImporting());
    EXPECT_EQ(Title().rfind("[Importing] - ", 0), 0u) << Title();
    EXPECT_EQ(FindControl<QPushButton>(Page()->Window(), kLibImportId)->property("image").toInt(), kLibStopImage);
    SaveWidgetPng(Page()->Window(), "library_tab_importing");

    // The stop ends the walk where it stands: what was found stays, the
    // rest of the tree is not walked.
    probe_.Release();
    ASSERT_TRUE(ClickControl(Page()->Window(), kLibImportId));
    EXPECT_FALSE(Page()->IsImporting());
    Settle();
    EXPECT_EQ(main_->StatusBar().Text(), "Import stopped.");
    EXPECT_EQ(Title().find("[Importing]"), std::string::npos);
    const int kept = store_.GetSongCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, static_cast<int>(expected_.size()));
    ASSERT_TRUE(WaitFor([this] { return finished_ == 1; }));
    EXPECT_EQ(store_.GetSongCount(), kept);
    EXPECT_EQ(main_->StatusBar().Text(), "Import stopped.");

    // The next import walks again and finds the rest.
    ASSERT_TRUE(ClickControl(Page()->Window(), kLibImportId));
    ASSERT_TRUE(WaitFor([this] { return finished_ == 2; }));
    EXPECT_EQ(store_.GetSongCount(), static_cast<int>(expected_.size()));
}

TEST_F(LibraryImportTest, CancelImportsNothingAndAThreadThatCannotStartLeavesThePageIdle) {
    OpenAnswering([](QWidget* dialog) { ClickControl(dialog, IDCANCEL); });
    EXPECT_EQ(prefs_->ImportInitial, 1);
    EXPECT_FALSE(Page()->IsImporting());

    Page()->Importer()->failThreadStartForTesting = true;
    ASSERT_TRUE(ClickControl(Page()->Window(), kLibImportId));
    Settle();
    EXPECT_FALSE(Page()->IsImporting());
    EXPECT_EQ(FindControl<QPushButton>(Page()->Window(), kLibImportId)->property("image").toInt(), kLibImportImage);
    EXPECT_EQ(FindControl<QLabel>(Page()->Window(), kLibCountId)->text().toStdString(), "Library contains 0 songs.");
    EXPECT_EQ(Title().find("[Importing]"), std::string::npos);
    EXPECT_EQ(finished_, 0);
}

}  // namespace
