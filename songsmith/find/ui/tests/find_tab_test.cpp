// The Find page in the real main window, over a song store of generated
// songs: searching by typing into the page and pressing Enter, the rows it
// lists, searching on into a library import, and stopping.
#include "songsmith/find/ui/find_tab.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/library/library_links.h"
#include "songsmith/session/session_columns.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/app/ui/prog_string.h"
#include "songvault/songvault.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/temp_dir.h"
#include "testsupport/tiny_wav.h"
#include "testsupport/widget_png.h"
#include "tonecore/engine/engine_startup.h"

namespace {

void WriteWav(const std::string& path, std::uint32_t frames) {
    testsupport::WriteWholeFile(path, testsupport::TinyWavBytes(frames));
}

bool ContainsFolded(std::string haystack, std::string needle) {
    auto lower = [](std::string& text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    };
    lower(haystack);
    lower(needle);
    return haystack.find(needle) != std::string::npos;
}

struct TEngine {
    TEngine() { SoundEngineStartup(nullptr); }
    ~TEngine() { SoundEngineShutdown(); }
};

class FindTabTest : public MainWindowFixture {
protected:
    static constexpr int kSongs = 2000;

    void SetUp() override {
        MainWindowFixture::SetUp();
        std::strncpy(prefs_->LibraryPath, folder_.Path().c_str(), sizeof prefs_->LibraryPath - 1);
        ASSERT_TRUE(store_.Initialize(&description_, folder_.Path().c_str()));
        TLibraryPartners partners;
        partners.store = &store_;
        SetLibraryPartners(partners);
        // Two real files; every song's path is a hard link to one of them.
        // The short one is under 2048 bytes.
        WriteWav(folder_.File("long.wav"), 8000);
        WriteWav(folder_.File("short.wav"), 900);
        for (int i = 0; i < kSongs; ++i) AddGeneratedSong(i);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetLibraryPartners({});
    }

    TSVT_Song MakeSong(int i, const std::string& folder) {
        TSVT_Song song{};
        song.id = -1;
        std::snprintf(song.title, sizeof song.title, "Song %d", i);
        std::snprintf(song.artist, sizeof song.artist, "Artist %d", i % 7);
        std::snprintf(song.album, sizeof song.album, "Album %d", i % 13);
        if (i % 97 == 0) std::snprintf(song.comment, sizeof song.comment, "Comment-X %d", i);
        std::filesystem::create_directories(folder_.File(folder));
        const std::string path = folder_.File(folder + "/track" + std::to_string(i) + ".wav");
        const std::string source = folder_.File(i % 250 == 0 ? "short.wav" : "long.wav");
        EXPECT_EQ(::link(source.c_str(), path.c_str()), 0);
        std::snprintf(song.path, sizeof song.path, "%s", path.c_str());
        song.createDate = 1700000000;
        return song;
    }
    void AddGeneratedSong(int i) {
        TSVT_Song song = MakeSong(i, "f" + std::to_string(i % 11));
        ASSERT_GT(store_.AddSong(&song, false), 0);
        // Every 50th song goes to the trash.
        if (i % 50 == 49) ASSERT_TRUE(store_.DeleteSong(song.id, false));
        else songs_.push_back(song);
    }
    std::set<std::string> Expected(const std::string& text) const {
        std::set<std::string> paths;
        for (const TSVT_Song& song : songs_) {
            for (const char* field : {song.title, song.album, song.artist, song.comment, song.path}) {
                if (ContainsFolded(field, text)) {
                    paths.insert(song.path);
                    break;
                }
            }
        }
        return paths;
    }

    CFindTab* Page() const { return main_->TabPane()->GetFindTab(); }
    template <class T>
    T* Control(int id) const {
        return testsupport::FindControl<T>(Page()->Window(), id);
    }
    // Types text into the edit box and presses Enter there.
    void SearchFor(const std::string& text) {
        auto* edit = Control<QLineEdit>(kFindEditId);
        ASSERT_TRUE(edit->isVisible());
        edit->setFocus();
        edit->setText(QString::fromStdString(text));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    bool WaitUntilIdle() {
        return QTest::qWaitFor([this] { return !Page()->IsSearching(); },
                               testsupport::kHangLimitMs);
    }
    std::set<std::string> ListedPaths() const {
        std::set<std::string> paths;
        const CFoundRowsModel& model = Page()->Model();
        for (int row = 0; row < model.rowCount(); ++row)
            paths.insert(model.index(row, 10).data().toString().toStdString());
        return paths;
    }
    std::string Status() const { return Control<QLabel>(kFindStatusId)->text().toStdString(); }

    TEngine engine_;
    testsupport::TempDir folder_;
    SGSMarovelle description_;
    SVTENG_CSongvault store_;
    std::vector<TSVT_Song> songs_;
};

TEST_F(FindTabTest, EnterListsExactlyTheSongsThatContainTheText) {
    Open(0);
    Page()->Window()->window()->resize(1200, 800);
    Control<QCheckBox>(kFindImportBoxId)->setChecked(false);
    // Title, artist and album words, a comment, a folder of the path, a
    // text in no song, and case folding.
    for (const std::string text : {"song 1", "ARTIST 3", "album 12", "comment-x", "/F7/", "no such song"}) {
        SCOPED_TRACE(text);
        SearchFor(text);
        ASSERT_TRUE(WaitUntilIdle());
        const std::set<std::string> expected = Expected(text);
        EXPECT_EQ(store_.FindSongsByText(text.c_str()), static_cast<int>(expected.size()));
        EXPECT_EQ(ListedPaths(), expected);
        EXPECT_EQ(Page()->GetSongCount(), static_cast<int>(expected.size()));
        EXPECT_EQ(Status(), expected.empty() ? "No songs found."
                                             : "Found " + std::to_string(expected.size()) + " songs.");
        EXPECT_TRUE(Control<QLineEdit>(kFindEditId)->isEnabled());
        EXPECT_EQ(Control<QPushButton>(kFindButtonId)->property("image").toInt(), kFindImage);
        EXPECT_STREQ(prefs_->lastSearchCriteria, text.c_str());
    }

    SearchFor("track0.wav");
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(Page()->GetSongCount(), 1);
    // Song 0 is a link to the short file: listed, unusable.
    const CFoundRowsModel& model = Page()->Model();
    EXPECT_TRUE(model.Rows()[0].unusable);
    EXPECT_EQ(Status(), "Found 1 song.");

    SearchFor("track1.wav");
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(Page()->GetSongCount(), 1);
    EXPECT_FALSE(model.Rows()[0].unusable);
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("~00:01"));
    EXPECT_EQ(model.index(0, 7).data().toString(), ProgString("WavType"));
    EXPECT_EQ(model.index(0, 8).data().toString().toStdString(), SongSizeText(16044));
    EXPECT_FALSE(model.index(0, 9).data().toString().isEmpty());
    EXPECT_FALSE(model.index(0, 5).data().toString().isEmpty());

    SearchFor("artist 3");
    ASSERT_TRUE(WaitUntilIdle());
    testsupport::SaveWidgetPng(main_->Window(), "find_tab_results");
}

TEST_F(FindTabTest, SearchFindingNothingShowsPlaceholdersThenTheImportedSongsThatMatch) {
    Open(0);
    Page()->Window()->window()->resize(1200, 800);
    int importsStarted = 0;
    bool importing = false;
    Page()->partners.libraryImporting = [&] { return importing; };
    Page()->partners.startLibraryImport = [&] {
        ++importsStarted;
        importing = true;
    };
    Control<QCheckBox>(kFindImportBoxId)->setChecked(true);
    SearchFor("fresh tune");
    ASSERT_TRUE(QTest::qWaitFor([&] { return importsStarted == 1; }, testsupport::kHangLimitMs));
    EXPECT_TRUE(Page()->IsSearching());
    EXPECT_TRUE(Page()->Model().Placeholder());
    EXPECT_EQ(Page()->Model().rowCount(), kFindPlaceholderRows);
    EXPECT_EQ(Page()->Model().index(0, 0).data().toString(), ProgString("FindTab_Empty1"));
    // Each placeholder text runs across the first two columns.
    EXPECT_EQ(Control<QTableView>(kFindListId)->columnSpan(kFindPlaceholderRows - 1, 0), 2);
    testsupport::SaveWidgetPng(main_->Window(), "find_tab_placeholder");

    // The import walks a folder with new files: two match, one does not.
    std::vector<TSVT_Song> imported;
    for (int i = 0; i < 3; ++i) {
        TSVT_Song song = MakeSong(kSongs + i, "new");
        std::snprintf(song.title, sizeof song.title, "%s", i == 1 ? "Other" : "A Fresh Tune");
        ASSERT_GT(store_.AddSong(&song, false), 0);
        imported.push_back(song);
    }
    for (const TSVT_Song& song : imported) LibraryPartners().offerToFind ? LibraryPartners().offerToFind(song)
                                                                         : Page()->AddSongFromImport(song);
    importing = false;
    PostAppMessage(Page()->ReceiverId(), TAppMessage{WM_IMPORT_FINISHED, 0, 0, nullptr});
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Page()->GetSongCount() == 2; }, testsupport::kHangLimitMs));
    EXPECT_EQ(ListedPaths(), (std::set<std::string>{imported[0].path, imported[2].path}));
    EXPECT_FALSE(Page()->Model().Placeholder());
    EXPECT_EQ(Control<QTableView>(kFindListId)->columnSpan(0, 0), 1);
    EXPECT_EQ(Status(), "Found 2 songs.");
}

TEST_F(FindTabTest, FindDuringASearchStopsItAndTheImportItStarted) {
    Open(0);
    bool importing = false;
    int stops = 0;
    Page()->partners.libraryImporting = [&] { return importing; };
    Page()->partners.startLibraryImport = [&] { importing = true; };
    Page()->partners.stopLibraryImport = [&] {
        ++stops;
        importing = false;
    };
    Control<QCheckBox>(kFindImportBoxId)->setChecked(true);

    // Stopped while its rows arrive: every song matches "track".
    SearchFor("track");
    EXPECT_TRUE(Page()->IsSearching());
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kFindButtonId));
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_LT(Page()->GetSongCount(), static_cast<int>(songs_.size()));
    EXPECT_FALSE(importing);
    EXPECT_EQ(stops, 0);

    // Stopped while the import it started runs.
    SearchFor("no such song");
    ASSERT_TRUE(QTest::qWaitFor([&] { return importing; }, testsupport::kHangLimitMs));
    main_->OnCommand(cmd::kStartSearch);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(importing);
    EXPECT_TRUE(Control<QLineEdit>(kFindEditId)->isEnabled());
}

TEST_F(FindTabTest, TheFirstPageComesInOneInsertAndAStopListsNoMoreRows) {
    Open(0);
    Page()->Window()->window()->resize(1200, 800);
    Control<QCheckBox>(kFindImportBoxId)->setChecked(false);
    auto* list = Control<QTableView>(kFindListId);
    const int rowHeight = list->verticalHeader()->defaultSectionSize();
    const int visibleRows = (list->viewport()->height() + rowHeight - 1) / rowHeight;
    ASSERT_GT(visibleRows, 5);
    std::vector<int> inserts;
    QObject::connect(&Page()->Model(), &QAbstractItemModel::rowsInserted, list,
                     [&](const QModelIndex&, int first, int last) { inserts.push_back(last - first + 1); });

    // Every song matches: far more rows than the list shows.
    SearchFor("track");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !inserts.empty(); }, testsupport::kHangLimitMs));
    EXPECT_GE(inserts.front(), visibleRows);
    ASSERT_TRUE(Page()->IsSearching());
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kFindButtonId));
    const int listedAtStop = Page()->GetSongCount();
    ASSERT_TRUE(WaitUntilIdle());
    Settle();
    EXPECT_EQ(Page()->GetSongCount(), listedAtStop);
    EXPECT_LT(listedAtStop, static_cast<int>(songs_.size()));
    EXPECT_EQ(Status(), "Found " + std::to_string(listedAtStop) + " songs.");

    // A result shorter than the page comes whole in one insert.
    inserts.clear();
    SearchFor("song 123");
    ASSERT_TRUE(WaitUntilIdle());
    const int expected = static_cast<int>(Expected("song 123").size());
    ASSERT_LT(expected, visibleRows);
    EXPECT_EQ(inserts, std::vector<int>{expected});
}

TEST_F(FindTabTest, StopsReturnAtOnceWithRowsPending) {
    Open(0);
    Control<QCheckBox>(kFindImportBoxId)->setChecked(false);
    SearchFor("track");
    ASSERT_TRUE(Page()->Search().StartImportFeed());
    for (const TSVT_Song& song : songs_) Page()->Search().QueueImported(song);
    // The page handles no rows meanwhile: both workers are held by the
    // rows pending, so a stop that waited for the page to take them would
    // never return.
    Page()->KillSearchThread();
    Page()->KillImportThread();
    ASSERT_TRUE(WaitUntilIdle());
}

TEST_F(FindTabTest, AWorkerThatCannotStartEndsTheSearch) {
    Open(0);
    Control<QCheckBox>(kFindImportBoxId)->setChecked(true);
    Page()->partners.startLibraryImport = [] {};
    Page()->Search().startThread = [](std::thread&, std::function<void()>) { return false; };
    SearchFor("song");
    EXPECT_FALSE(Page()->IsSearching());
    EXPECT_TRUE(Control<QLineEdit>(kFindEditId)->isEnabled());
    EXPECT_EQ(Control<QPushButton>(kFindButtonId)->property("image").toInt(), kFindImage);
    EXPECT_EQ(Page()->GetSongCount(), 0);
}

}  // namespace
