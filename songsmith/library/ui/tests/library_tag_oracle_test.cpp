// Tag edits from the Library page's Song Tag dialog in the real main window,
// on song files made and tagged by outside programs (eyeD3 and mid3v2 for
// MP3 with art, lyrics, ratings and user texts, ffmpeg for WAV and WMA),
// read back by mutagen (ffprobe for WAV's INFO list): an edit changes the
// fields the user changed and nothing else the file holds, long UTF-8 texts
// are cut between characters, and the file keeps its mode, owner, other
// hard links and the symbolic link the library reaches it through. Each
// case skips when its tools are missing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "songsmith/app/command_ids.h"
#include "songsmith/library/ui/edit_song_tag_dlg.h"
#include "songsmith/library/ui/library_tab.h"
#include "songvault/import_types.h"
#include "songvault/songvault.h"
#include "songvault/tonecore_probe/tonecore_song_probe.h"
#include "testsupport/command_output.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_startup.h"
#include "songsmith/library/ui/tests/library_store_fixture.h"

namespace {

namespace fs = std::filesystem;

bool Have(const std::string& tool) {
    return !testsupport::CommandOutput("command -v " + tool + " 2>/dev/null").empty();
}

// A Python with mutagen: the system's own first, where the package lives.
std::string MutagenPython() {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        if (testsupport::CommandOutput(std::string(candidate) + " -c 'import mutagen; print(1)' 2>/dev/null") ==
            "1\n")
            return candidate;
    }
    return {};
}

// mutagen's view of a file's tag, one line per frame or attribute: its key,
// a tab, and every field but the text encoding (binary data as a digest).
constexpr const char* kDumpScript = R"(
import sys, hashlib, mutagen
def val(v):
    if isinstance(v, bytes): return 'sha1:' + hashlib.sha1(v).hexdigest()
    if isinstance(v, (list, tuple)): return '|'.join(val(x) for x in v)
    return str(getattr(v, 'value', v))
def out(key, text): print(key + '\t' + text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t'))
f = mutagen.File(sys.argv[1])
if hasattr(f.tags, 'version'):
    # The ID3 v2 tag alone: mutagen would add what an ID3 v1 block holds.
    import mutagen.id3
    for fr in mutagen.id3.ID3(sys.argv[1], load_v1=False).values():
        specs = fr._framespec + fr._optionalspec
        out(fr.HashKey, ';'.join('%s=%s' % (s.name, val(getattr(fr, s.name, None))) for s in specs if s.name != 'encoding'))
else:
    for key, value in f.tags.items(): out(key, val(value))
)";

using TTags = std::map<std::string, std::string>;

std::string Repeat(const std::string& piece, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += piece;
    return text;
}

// 106 bytes; its first 63 end inside a character.
const std::string kLongTitle = "Titel " + Repeat("\xC3\xA4", 50);
const std::string kLongTitleKept = "Titel " + Repeat("\xC3\xA4", 28);  // 62 bytes
// 92 bytes.
const std::string kLongArtist = "K\xC3\xBCnstlerin " + Repeat("\xE2\x99\xAA", 27);

class LibraryTagOracleTest : public LibraryPageFixture {
public:
    void SetUp() override {
        LibraryPageFixture::SetUp();
        ASSERT_EQ(SoundEngineStartup(nullptr), 1);
        store_.SetSongProbe(&probe_);
        python_ = MutagenPython();
        script_ = folder_.File("dump.py");
        testsupport::WriteWholeFile(script_, kDumpScript);
    }
    void TearDown() override {
        LibraryPageFixture::TearDown();
        SoundEngineShutdown();
    }

    // The tag as mutagen reads it, or for WAV as ffprobe reads the INFO
    // list.
    TTags Dump(const std::string& path) {
        const bool wave = path.ends_with(".wav");
        const std::string command = wave ? "ffprobe -v quiet -show_entries format_tags -of default=noprint_wrappers=1 '" +
                                               path + "'"
                                         : python_ + " " + script_ + " '" + path + "'";
        TTags tags;
        std::stringstream lines(testsupport::CommandOutput(command));
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t split = line.find(wave ? '=' : '\t');
            if (split != std::string::npos) tags[line.substr(0, split)] = line.substr(split + 1);
        }
        return tags;
    }
    // The tags without the comment's (whatever its key).
    static TTags WithoutComment(TTags tags, const std::string& commentKey) {
        std::erase_if(tags, [&](const auto& entry) { return entry.first.rfind(commentKey, 0) == 0; });
        return tags;
    }

    // Runs the Song Tag dialog on the song: edit changes its fields, Save.
    void EditInDialog(CLibNode* song, std::function<void(QWidget*)> edit) {
        Page()->SetClickedRow({song, false});
        testsupport::WhenModalShown([edit](QWidget* dialog) {
            edit(dialog);
            testsupport::ClickControl(dialog, 1);
        });
        Page()->OnCommand(cmd::kLibEditTag);
        Settle();
    }
    static void Type(QWidget* dialog, int control, const std::string& text) {
        testsupport::FindControl<QLineEdit>(dialog, control)->setText(QString::fromStdString(text));
    }

    CTonecoreSongProbe probe_;
    std::string python_;
    std::string script_;
};

struct TSongCase {
    const char* name;
    const char* file;
    std::vector<const char*> tools;
    // Makes the tagged song at path (the folder holds "source.wav",
    // "cover.png" and "lyrics.txt").
    std::function<std::string(const std::string& path, const std::string& folder)> make;
    // The key (or its beginning) of the comment in the dump.
    const char* commentKey;
};

std::string Quote(const std::string& text) { return "'" + text + "'"; }

const std::vector<TSongCase>& SongCases() {
    static const std::vector<TSongCase> cases = {
        {"eyeD3 ID3 v2.3", "eyed3.mp3", {"lame", "eyeD3"},
         [](const std::string& path, const std::string& folder) {
             return "lame --quiet " + folder + "/source.wav " + Quote(path) + " && eyeD3 -Q --to-v2.3 -t " +
                    Quote(kLongTitle) + " -a " + Quote(kLongArtist) + " -A Album -c 'old note'" +
                    " --text-frame TPE2:Band --text-frame TCOM:Composer --user-text-frame mood:calm" +
                    " --add-lyrics " + folder + "/lyrics.txt --add-image " + folder + "/cover.png:FRONT_COVER" +
                    " --add-popularity a@b.example:200:5 " + Quote(path);
         },
         "COMM"},
        {"mid3v2 ID3 v2.4", "mid3v2.mp3", {"lame", "mid3v2"},
         [](const std::string& path, const std::string& folder) {
             return "lame --quiet " + folder + "/source.wav " + Quote(path) + " && mid3v2 -t " + Quote(kLongTitle) +
                    " -a " + Quote(kLongArtist) + " -A Album -c 'old note' -p " + folder +
                    "/cover.png:Cover:3:image/png --TXXX mood:calm --TPE2 Band --TCOM Composer --USLT 'la la' " +
                    Quote(path);
         },
         "COMM"},
        {"ffmpeg WAV", "ffmpeg.wav", {"ffmpeg", "ffprobe"},
         [](const std::string& path, const std::string& folder) {
             return "ffmpeg -v quiet -i " + folder + "/source.wav -metadata title=" + Quote(kLongTitle) +
                    " -metadata artist=Ann -metadata comment='old note' -metadata copyright=Mine" +
                    " -metadata album=Product " + Quote(path);
         },
         "TAG:comment"},
        {"ffmpeg WMA", "ffmpeg.wma", {"ffmpeg"},
         [](const std::string& path, const std::string& folder) {
             return "ffmpeg -v quiet -i " + folder + "/source.wav -c:a wmav2 -metadata title=" + Quote(kLongTitle) +
                    " -metadata artist=Ann -metadata comment='old note' -metadata copyright=Mine" +
                    " -metadata composer=Composer " + Quote(path);
         },
         "Description"},
    };
    return cases;
}

// Each song is reached by the library through a symbolic link, has a second
// hard link, a mode of its own and (when the tests run as root) another
// owner. The Song Tag dialog changes its comment only: every other frame,
// attribute or item reads back as before; the long title and artist stay
// whole in the file though the library holds 63-byte copies of them.
TEST_F(LibraryTagOracleTest, ACommentEditKeepsEverythingElseTheFileHolds) {
    if (python_.empty()) GTEST_SKIP() << "python3-mutagen is not installed";
    if (!Have("sox")) GTEST_SKIP() << "sox is not installed";
    const std::string folder = folder_.Path();
    ASSERT_EQ(testsupport::CommandOutput("sox -n -r 44100 -c 2 -b 16 " + folder + "/source.wav trim 0 0.5 && echo ok"),
              "ok\n");
    testsupport::WriteWholeFile(folder_.File("cover.png"), "\x89PNG\r\n\x1a\nnot really a picture");
    testsupport::WriteWholeFile(folder_.File("lyrics.txt"), "la la la\nla la");
    fs::create_directories(folder + "/real");
    fs::create_directories(folder + "/other");
    const bool root = ::geteuid() == 0;

    struct TMade {
        const TSongCase* song = nullptr;
        std::string link;   // the path the library holds
        std::string real;   // the file it names
        std::string other;  // a second hard link
        std::string otherBytes;
        TTags tags;
        std::int32_t id = 0;
    };
    std::vector<TMade> made;
    for (const TSongCase& c : SongCases()) {
        bool tools = true;
        for (const char* tool : c.tools) tools = tools && Have(tool);
        if (!tools) continue;
        TMade m;
        m.song = &c;
        m.link = folder + "/" + c.file;
        m.real = folder + "/real/" + c.file;
        m.other = folder + "/other/" + c.file;
        ASSERT_EQ(testsupport::CommandOutput(c.make(m.real, folder) + " >/dev/null 2>&1 && echo ok"), "ok\n") << c.name;
        fs::create_hard_link(m.real, m.other);
        fs::create_symlink(m.real, m.link);
        ASSERT_EQ(::chmod(m.real.c_str(), 0640), 0);
        if (root) {
            ASSERT_EQ(::chown(m.real.c_str(), 1234, 2345), 0);
        }
        m.otherBytes = testsupport::ReadWholeFile(m.other);
        m.tags = Dump(m.link);
        ASSERT_FALSE(m.tags.empty()) << c.name;
        TSVT_ImportEntry entry{};
        std::snprintf(entry.path, sizeof entry.path, "%s", m.link.c_str());
        TSVT_Song song{};
        ASSERT_TRUE(store_.ImportSong(nullptr, SVT_IMPORT_KINDS, &entry, false, &song)) << c.name;
        m.id = song.id;
        // The library's copy of the title ends between two characters.
        EXPECT_EQ(std::string(song.title), kLongTitleKept) << c.name;
        made.push_back(std::move(m));
    }
    if (made.empty()) GTEST_SKIP() << "none of the taggers is installed";
    Open(0);
    main_->OnCommand(cmd::kLibraryPage);
    Settle();

    for (const TMade& m : made) {
        SCOPED_TRACE(m.song->name);
        CLibNode* song = Page()->Nodes().FindSongByPath(m.link);
        ASSERT_NE(song, nullptr);
        EditInDialog(song, [](QWidget* dialog) { Type(dialog, CEditSongTagDlg::kComment, "new note"); });
        EXPECT_STREQ(Stored(m.id).comment, "new note");

        const TTags after = Dump(m.link);
        EXPECT_EQ(WithoutComment(after, m.song->commentKey), WithoutComment(m.tags, m.song->commentKey));
        int comments = 0;
        for (const auto& [key, value] : after) {
            if (key.rfind(m.song->commentKey, 0) != 0) continue;
            ++comments;
            EXPECT_NE(value.find("new note"), std::string::npos) << key << " " << value;
        }
        EXPECT_EQ(comments, 1);

        // Through the link, into the file it names, with the file's rights.
        EXPECT_TRUE(fs::is_symlink(m.link));
        struct stat info {};
        ASSERT_EQ(::stat(m.real.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        if (root) {
            EXPECT_EQ(info.st_uid, 1234u);
            EXPECT_EQ(info.st_gid, 2345u);
        }
        // The other link keeps the old song whole: no part of the edit was
        // written in place.
        EXPECT_EQ(testsupport::ReadWholeFile(m.other), m.otherBytes);
        // No temporary file is left beside the song.
        for (const auto& entry : fs::directory_iterator(folder + "/real")) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find(".tmp") == std::string::npos && name.find(".tag") == std::string::npos) << name;
        }
    }
}

// A new title longer than the library keeps is stored and written cut
// between two characters; the frames the edit did not touch (the 92-byte
// artist among them) stay as eyeD3 wrote them.
TEST_F(LibraryTagOracleTest, ALongTitleIsCutBetweenCharactersAndTheRestStays) {
    if (python_.empty() || !Have("lame") || !Have("eyeD3") || !Have("sox"))
        GTEST_SKIP() << "needs python3-mutagen, lame, eyeD3 and sox";
    const std::string folder = folder_.Path();
    testsupport::CommandOutput("sox -n -r 44100 -c 2 -b 16 " + folder + "/source.wav trim 0 0.5");
    testsupport::WriteWholeFile(folder_.File("cover.png"), "\x89PNG\r\n\x1a\nnot really a picture");
    testsupport::WriteWholeFile(folder_.File("lyrics.txt"), "la la la");
    const std::string path = folder_.File("song.mp3");
    ASSERT_EQ(testsupport::CommandOutput(SongCases()[0].make(path, folder) + " >/dev/null 2>&1 && echo ok"), "ok\n");
    TSVT_ImportEntry entry{};
    std::snprintf(entry.path, sizeof entry.path, "%s", path.c_str());
    TSVT_Song imported{};
    ASSERT_TRUE(store_.ImportSong(nullptr, SVT_IMPORT_KINDS, &entry, false, &imported));
    const TTags before = Dump(path);
    Open(0);
    main_->OnCommand(cmd::kLibraryPage);
    Settle();

    const std::string typed = "Neu " + Repeat("\xE2\x82\xAC", 30);  // 94 bytes
    const std::string kept = "Neu " + Repeat("\xE2\x82\xAC", 19);   // 61 bytes
    EditInDialog(Page()->Nodes().FindSongByPath(path), [&](QWidget* dialog) { Type(dialog, CEditSongTagDlg::kTitle, typed); });
    EXPECT_EQ(std::string(Stored(imported.id).title), kept);
    TTags after = Dump(path);
    ASSERT_TRUE(after.count("TIT2"));
    EXPECT_EQ(after["TIT2"], "text=" + kept);
    EXPECT_EQ(after["TPE1"], "text=" + kLongArtist);
    after.erase("TIT2");
    TTags others = before;
    others.erase("TIT2");
    EXPECT_EQ(after, others);
}

}  // namespace
