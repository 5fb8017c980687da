// The song page: placeholders filled from a template, song texts escaped
// with their addresses made links, the page files and their support files,
// and the shipped template.
#include "songsmith/player/song_link_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/user_folders.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/session/tests/song_files.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_startup.h"
#include "utilities/keyed_text.h"
#include "utilities/launch_browser.h"

namespace {

namespace fs = std::filesystem;

const TSongLinkTexts kTexts = {"Night <script>x</script>", "03:25",           "Best & Worst",
                               "The Band",                "1999",            "Slow Rock",
                               "MPEG Layer 3",            "see www.band.com"};

TEST(SongLinkTemplateTest, FillsPlaceholdersAndCopiesTheRestAsItIs) {
    const struct {
        const char* what;
        std::string pageTemplate;
        std::string page;
    } cases[] = {
        {"no placeholders", "<p class=\"x\">caf\xC3\xA9 & co\r\n\xFF</p>", "<p class=\"x\">caf\xC3\xA9 & co\r\n\xFF</p>"},
        {"one field", "<h2>#Songsmith#artist</h2>", "<h2>The Band</h2>"},
        {"all eight",
         "#Songsmith#title|#Songsmith#length|#Songsmith#album|#Songsmith#artist|#Songsmith#year|"
         "#Songsmith#genre|#Songsmith#format|#Songsmith#comment",
         "Night &lt;script&gt;x&lt;/script&gt;|03:25|Best &amp; Worst|The Band|1999|Slow Rock|MPEG Layer 3|"
         "see <a href=\"http://www.band.com\">www.band.com</a>"},
        {"text after a field name stays", "#Songsmith#years", "1999s"},
        {"an unknown name drops the prefix only", "[#Songsmith#tempo]", "[tempo]"},
        {"the prefix is matched with case", "#songsmith#title", "#songsmith#title"},
        {"a prefix cut by the end", "end #Songsmi", "end #Songsmi"},
        {"a whole prefix at the end", "end #Songsmith#", "end "},
        {"the template's own link is left alone",
         "<a href=\"http://x.com/a\">x.com</a> #Songsmith#format", "<a href=\"http://x.com/a\">x.com</a> MPEG Layer 3"},
        {"the same field twice", "#Songsmith#year-#Songsmith#year", "1999-1999"},
    };
    for (const auto& c : cases) EXPECT_EQ(FillSongLinkTemplate(c.pageTemplate, kTexts), c.page) << c.what;
}

class SongLinkPageTest : public testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        std::snprintf(prefs_.Marovelle_Temp_Dir, sizeof prefs_.Marovelle_Temp_Dir, "%s/temp", dir_.Path().c_str());
        fs::create_directories(TemplateFolder());
        RestartSongLinkPageNumbers();
        page_.SetTemplateFolder(TemplateFolder());
    }
    void TearDown() override { SetLaunchBrowserHook({}); }

    std::string TemplateFolder() const { return dir_.File("program"); }
    std::string TempFile(const std::string& name) const { return std::string(prefs_.Marovelle_Temp_Dir) + "/" + name; }
    static CSongEntry Entry() {
        CSongEntry entry;
        std::strcpy(entry.musicInfo.title, "Song");
        std::strcpy(entry.formatText, "PCM");
        entry.lengthMs = 3723004;
        entry.musicInfo.year = 5;
        entry.musicInfo.genreIndex = 255;
        return entry;
    }

    testsupport::TempDir dir_;
    CPreferences prefs_;
    CSongLinkPage page_{prefs_};
};

TEST_F(SongLinkPageTest, WritesNumberedPagesWithTheirSupportFiles) {
    testsupport::WriteWholeFile(TemplateFolder() + "/link.htm",
                                "#Songsmith#title #Songsmith#length [#Songsmith#year] #Songsmith#genre");
    const std::string support = TemplateFolder() + "/linkfiles";
    fs::create_directories(support + "/images");
    testsupport::WriteWholeFile(support + "/style.css", "body {}");
    testsupport::WriteWholeFile(support + "/.hidden", "x");
    testsupport::WriteWholeFile(support + "/images/logo.png", "png");

    ASSERT_TRUE(page_.Create(Entry()));
    EXPECT_EQ(page_.PagePath(), TempFile("marovelle_link1.htm"));
    EXPECT_EQ(testsupport::ReadWholeFile(page_.PagePath()), "Song 01:02:03 [ 5] " + KeyedText("NoGenre"));
    EXPECT_EQ(testsupport::ReadWholeFile(TempFile("linkfiles/style.css")), "body {}");
    EXPECT_FALSE(fs::exists(TempFile("linkfiles/.hidden")));
    EXPECT_FALSE(fs::exists(TempFile("linkfiles/images")));

    ASSERT_TRUE(page_.Create(Entry()));
    EXPECT_EQ(page_.PagePath(), TempFile("marovelle_link2.htm"));
    EXPECT_TRUE(fs::exists(TempFile("marovelle_link1.htm")));

    std::vector<std::string> opened;
    SetLaunchBrowserHook([&opened](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    page_.Open();
    EXPECT_EQ(opened, std::vector<std::string>{TempFile("marovelle_link2.htm")});
}

TEST_F(SongLinkPageTest, MissingOrEmptyTemplateOrUnwritablePageGivesFalse) {
    std::vector<std::string> opened;
    SetLaunchBrowserHook([&opened](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    EXPECT_FALSE(page_.Create(Entry())) << "no template";
    testsupport::WriteWholeFile(TemplateFolder() + "/link.htm", "");
    EXPECT_FALSE(page_.Create(Entry())) << "empty template";
    page_.Open();
    EXPECT_TRUE(opened.empty()) << "no page, nothing opened";

    testsupport::WriteWholeFile(TemplateFolder() + "/link.htm", "page");
    // The temporary folder is a file: no page can be made in it.
    testsupport::WriteWholeFile(prefs_.Marovelle_Temp_Dir, "in the way");
    EXPECT_FALSE(page_.Create(Entry()));
    EXPECT_FALSE(page_.CreateFromFile(dir_.File("no such song.mp3").c_str()));
}

// The template shipped with the program, filled for a song tagged by lame.
TEST_F(SongLinkPageTest, ShippedTemplateShowsEveryFieldOfATaggedSong) {
    if (!songfiles::HaveTools({"sox", "lame"})) GTEST_SKIP() << "sox and lame are needed";
    ASSERT_FALSE(FindResourceFile("link.htm").empty());
    page_.SetTemplateFolder({});
    const std::string wav = dir_.File("tone.wav");
    const std::string mp3 = dir_.File("tone.mp3");
    ASSERT_TRUE(songfiles::Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 2 sine 440"));
    ASSERT_TRUE(songfiles::Run("lame --quiet -b 128 --tt 'Blue <Moon>' --ta 'Ann & Bo' --tl 'Nights' --ty 1987 "
                               "--tg 'Slow Rock' --tc 'www.annbo.org' '" + wav + "' '" + mp3 + "'"));
    ASSERT_EQ(SoundEngineStartup(nullptr), 1);
    const bool made = page_.CreateFromFile(mp3.c_str());
    SoundEngineShutdown();
    ASSERT_TRUE(made);

    const std::string html = testsupport::ReadWholeFile(page_.PagePath());
    EXPECT_EQ(html.find("#Songsmith#"), std::string::npos);
    for (const char* text : {"Blue &lt;Moon&gt;", "Ann &amp; Bo", "Nights", "1987", "Slow Rock", "00:02",
                             "MPEG", "<a href=\"http://www.annbo.org\">www.annbo.org</a>"}) {
        EXPECT_NE(html.find(text), std::string::npos) << text << " in\n" << html;
    }
    EXPECT_TRUE(fs::exists(TempFile("linkfiles/songsmith.css")));
}

}  // namespace
