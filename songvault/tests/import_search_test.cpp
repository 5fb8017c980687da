// The text search right after imports: songs a walk or a single-file import
// stored are found by the very next search, with the index already built
// before the import, and deletes after the import are followed as well.
// Each search through the index is checked against the scan of every row.
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "songvault/search_state.h"
#include "songvault/tests/import_fixture.h"
#include "songvault/tests/record_fill.h"

namespace {

using songvault::TextSearchPath;
using Ids = std::vector<std::int32_t>;

class ImportSearch : public svtest::ImportTest {
protected:
    void TearDown() override {
        songvault::SetTextSearchPath(TextSearchPath::kIndex);
        svtest::ImportTest::TearDown();
    }

    Ids Results(std::int32_t count) {
        Ids ids;
        TSVT_Song song;
        for (std::int32_t i = 0; i < count && vault.GetQueryResult(i, &song); ++i) ids.push_back(song.id);
        return ids;
    }

    // The index's answer, after checking it against the scan of every row.
    Ids Search(const std::string& text) {
        songvault::SetTextSearchPath(TextSearchPath::kIndex);
        const Ids indexed = Results(vault.FindSongsByText(text.c_str()));
        songvault::SetTextSearchPath(TextSearchPath::kExactScan);
        const Ids scanned = Results(vault.FindSongsByText(text.c_str()));
        songvault::SetTextSearchPath(TextSearchPath::kIndex);
        EXPECT_EQ(indexed, scanned) << "'" << text << "'";
        return indexed;
    }

    std::int32_t IdOf(const std::string& path) {
        TSVT_Song song;
        return vault.FindSongByPath(&song, path.c_str()) ? song.id : -1;
    }

    // Songs in a folder of their own, more than one commit's worth, titled
    // "<word> n".
    std::vector<std::string> MakeSongs(const std::string& folder, const std::string& word, int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(MakeSong(folder + "/" + word + std::to_string(i) + ".mp3", 60000,
                                     word + " " + std::to_string(i)));
        return paths;
    }
};

TEST_F(ImportSearch, EveryWriteOfTheImportIsFoundByTheNextSearch) {
    // The index is built before anything is imported.
    ASSERT_EQ(Search("x"), Ids{});

    struct Step {
        const char* what;
        std::function<bool()> run;
        const char* text;
        std::size_t expected;
    };
    const Step steps[] = {
        {"a walk over two folders, the first larger than one commit",
         [&] {
             MakeSongs("first", "Walked", 450);
             MakeSongs("second", "Walked", 20);
             return ImportAll(SVT_IMPORT_KINDS);
         },
         "walked", 470},
        {"a second walk finds every song known",
         [&] { return ImportAll(SVT_IMPORT_KINDS); }, "walked", 470},
        {"a walk larger than the index reads one by one",
         [&] {
             MakeSongs("third", "Many", 1100);
             return ImportAll(SVT_IMPORT_KINDS);
         },
         "many", 1100},
        {"a single file",
         [&] {
             TSVT_ImportEntry entry{};
             svtest::FillText(entry.path, MakeSong("single/one.mp3", 60000, "Lonely Song"));
             return vault.ImportSong(recorder.Target(), SVT_IMPORT_KINDS, &entry, true, nullptr);
         },
         "lonely", 1},
        {"favourites over the folders a walk stored",
         [&] {
             MakeSongs("second", "Late", 3);
             MvList<TMvPath> favorites;
             svtest::FillFolders(favorites, {Root() + "first", Root() + "second"});
             return vault.ImportFavorites(recorder.Target(), SVT_IMPORT_KINDS, &favorites, nullptr);
         },
         "walked", 470},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(step.run()) << step.what;
        EXPECT_EQ(Search(step.text).size(), step.expected) << step.what;
    }
    EXPECT_EQ(Search("late").size(), 3u);
    EXPECT_EQ(Search("").size(), 470u + 1100u + 1u + 3u);

    // Deletes after the impor
    const std::int32_t lonely = IdOf(Root() + "single/one.mp3");
    const std::int32_t walked = IdOf(Root() + "first/Walked0.mp3");
    ASSERT_GT(lonely, 0);
    ASSERT_GT(walked, 0);
    ASSERT_TRUE(vault.DeleteSong(lonely, false));
    EXPECT_EQ(Search("lonely"), Ids{}) << "in the trash";
    ASSERT_TRUE(vault.UndeleteSong(lonely));
    EXPECT_EQ(Search("lonely"), Ids{lonely}) << "back from the trash";
    ASSERT_TRUE(vault.DeleteSong(walked, false) && vault.DeleteSong(walked, false));
    EXPECT_EQ(Search("walked").size(), 469u) << "removed for good";

    // A file removed for good is a new song to the next walk.
    ASSERT_TRUE(ImportAll(SVT_IMPORT_KINDS));
    EXPECT_EQ(Search("walked").size(), 470u);
    EXPECT_EQ(Search("/first/walked0."), Ids{IdOf(Root() + "first/Walked0.mp3")});
}

TEST_F(ImportSearch, SearchesDuringAWalkSeeEachCommitAndTheEndSeesAll) {
    const std::vector<std::string> paths = MakeSongs("busy", "Busy", 900);
    std::atomic<bool> done{false};
    bool imported = false;
    std::thread walker([&] {
        imported = ImportAll(SVT_IMPORT_KINDS);
        done = true;
    });
    // Searches run between the walk's commits (the walk may commit between
    // two searches, so the index is compared with the scan at the end).
    std::int32_t previous = 0;
    int searches = 0;
    while (!done) {
        const std::int32_t found = vault.FindSongsByText("busy");
        EXPECT_GE(found, previous) << "a search lost songs an earlier one found";
        previous = found;
        ++searches;
    }
    walker.join();
    ASSERT_TRUE(imported);
    EXPECT_GT(searches, 0);
    EXPECT_EQ(Search("busy").size(), paths.size());
}

}  // namespace
