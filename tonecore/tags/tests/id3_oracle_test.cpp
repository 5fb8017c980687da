// ID3 tags against outside tools: tags written by id3v2, mid3v2 and eyeD3
// are read as mutagen reads them; tags this engine writes read back in
// mutagen; an edit leaves every frame it did not touch as mutagen saw it,
// and the audio as it was; tags off the standard's path load with the
// fields mutagen finds in them. Frame counts of encoded files at every MPEG
// version come out as the encoder wrote them. Each test skips when a tool
// is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "testsupport/temp_dir.h"
#include "tonecore/tags/id3_genres.h"
#include "tonecore/tags/id3_tag.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/tags/mp3_info.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/tests/id3_test_bytes.h"

namespace {

bool RunQuiet(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool Have(const char* tool) {
    return RunQuiet(std::string("command -v ") + tool);
}

std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    pclose(pipe);
    return out;
}

// A Python with mutagen: the system's own first, where the package lives.
std::string MutagenPython() {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        if (RunQuiet(std::string(candidate) + " -c 'import mutagen.id3'")) return candidate;
    }
    return {};
}

// mutagen's view of a tag, one line per frame: "frame", its key and every
// field but the encoding (binary data as a digest); "text" lines with the
// first text of each text frame; "genre" with the genre names mutagen
// derives; "comm" lines with language, description and text.
constexpr const char* kDumpScript = R"(
import sys, hashlib, mutagen.id3 as m
def val(v):
    if isinstance(v, bytes): return 'sha1:' + hashlib.sha1(v).hexdigest()
    if isinstance(v, list): return '|'.join(val(x) for x in v)
    return str(v)
def out(*parts): print('\t'.join(str(p).replace('\n', '\\n').replace('\t', '\\t') for p in parts))
t = m.ID3(sys.argv[1])
out('version', '%d.%d' % t.version[:2])
for f in t.values():
    fields = ['%s=%s' % (s.name, val(getattr(f, s.name, None))) for s in f._framespec + f._optionalspec if s.name != 'encoding']
    out('frame', f.HashKey, ';'.join(fields))
    if isinstance(f, m.TextFrame) and f.text: out('text', f.FrameID, f.text[0])
    if f.FrameID == 'TCON': out('genre', f.genres[0] if f.genres else '')
    if f.FrameID == 'COMM': out('comm', f.lang, f.desc, f.text[0] if f.text else '')
)";

struct TDump {
    std::map<std::string, std::string> frames;  // key -> fields
    std::map<std::string, std::string> texts;   // frame id -> first text
    std::string genre;
    std::vector<std::vector<std::string>> comments;  // language, description, text
    std::string version;
};

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t')) parts.push_back(part);
    return parts;
}

class Id3Oracle : public ::testing::Test {
protected:
    void SetUp() override {
        python_ = MutagenPython();
        if (python_.empty() || !Have("lame") || !Have("sox")) GTEST_SKIP() << "needs python3-mutagen, lame and sox";
        script_ = dir_.File("dump.py");
        testsupport::WriteWholeFile(script_, kDumpScript);
        const std::string wav = dir_.File("tone.wav");
        ASSERT_TRUE(RunQuiet("sox -n -r 44100 -c 2 -b 16 " + wav + " synth 0.5 sine 440"));
        ASSERT_TRUE(RunQuiet("lame --quiet -b 128 " + wav + " " + dir_.File("plain.mp3")));
        plain_ = testsupport::ReadWholeFile(dir_.File("plain.mp3"));
    }

    // A copy of the untagged song under a new name.
    std::string Song(const std::string& name) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, plain_);
        return path;
    }

    TDump Dump(const std::string& path) {
        TDump dump;
        std::stringstream lines(Output(python_ + " " + script_ + " '" + path + "'"));
        std::string line;
        while (std::getline(lines, line)) {
            const auto parts = Split(line);
            if (parts.size() >= 2 && parts[0] == "version") dump.version = parts[1];
            if (parts.size() >= 3 && parts[0] == "frame") dump.frames[parts[1]] = parts[2];
            if (parts.size() >= 3 && parts[0] == "text") dump.texts[parts[1]] = parts[2];
            if (parts.size() >= 2 && parts[0] == "genre") dump.genre = parts[1];
            if (parts.size() >= 3 && parts[0] == "comm") {
                dump.comments.push_back({parts[1], parts[2], parts.size() > 3 ? parts[3] : ""});
            }
        }
        return dump;
    }

    // Our reading of the file's v2 tag.
    TMusicInfo Ours(const std::string& path) {
        TMusicInfo info;
        auto* file = new CFileObj();
        EXPECT_TRUE(file->Open(path.c_str(), 0, 0));
        CId3TagV2 tag;
        EXPECT_TRUE(tag.Read(file, 0));
        EXPECT_TRUE(tag.GetMusicInfo(&info));
        DeleteRefObject(&file);
        return info;
    }

    // The song information the engine's load takes from the file's tag.
    TMusicInfo OursAtLoad(const std::string& path) {
        TMusicInfo info;
        auto* file = new CFileObj();
        EXPECT_TRUE(file->Open(path.c_str(), 0, 0));
        CMP3Info summary;
        EXPECT_EQ(summary.loadInfo(file), CMP3Info::kLoaded);
        CInitialLoad load;
        EXPECT_EQ(load.SetMusInfoFromMP3Info(file, &summary), 1);
        if (load.GetMusicInfo() != nullptr) info = *load.GetMusicInfo();
        DeleteRefObject(&file);
        return info;
    }

    // Our fields against mutagen's, one by one.
    void ExpectSameReading(const TMusicInfo& ours, const TDump& theirs) {
        auto text = [&](const char* id) {
            auto it = theirs.texts.find(id);
            return it == theirs.texts.end() ? std::string() : it->second;
        };
        EXPECT_EQ(ours.title, text("TIT2"));
        EXPECT_EQ(ours.artist, text("TPE1"));
        EXPECT_EQ(ours.album, text("TALB"));
        EXPECT_EQ(ours.encodedBy, text("TENC"));
        EXPECT_EQ(ours.copyright, text("TCOP"));
        const std::string year = text("TDRC").substr(0, 4);
        EXPECT_EQ(ours.year, year.empty() ? 0 : std::atoi(year.c_str()));
        const std::string track = text("TRCK");
        std::string ourTrack;
        if (ours.trackNumber > 0) ourTrack = std::to_string(ours.trackNumber);
        if (ours.trackCount > 0) ourTrack += "/" + std::to_string(ours.trackCount);
        EXPECT_EQ(ourTrack, track);
        if (ours.genreIndex != kNoGenreIndex) {
            EXPECT_EQ(Id3GenreName(ours.genreIndex), theirs.genre);
        } else {
            EXPECT_EQ(ours.genre, theirs.genre);
        }
        EXPECT_EQ(ours.comment, PreferredComment(theirs));
    }

    // Of mutagen's comments the one the engine shows: a plain one (no
    // description, or the engine's own "Comments") before one a player added
    // under a description; among those alike the last in the engine's
    // language, else the first.
    static std::string PreferredComment(const TDump& theirs) {
        std::string expected;
        int best = -1;
        for (const auto& c : theirs.comments) {
            if (c[2].empty()) continue;
            const bool own = c[0] == "eng";
            const int rank = (c[1].empty() || c[1] == "Comments" ? 2 : 0) + (own ? 1 : 0);
            if (rank > best || (rank == best && own)) {
                best = rank;
                expected = c[2];
            }
        }
        return expected;
    }

    // Edits the title through the frame operations and writes the tag.
    void EditTitle(const std::string& path, const char* title) {
        auto* file = new CFileObj();
        ASSERT_TRUE(file->Open(path.c_str(), 0, 1));
        CId3TagV2 tag;
        tag.Read(file, 0);
        ASSERT_TRUE(tag.UpdateTitle(title, true));
        ASSERT_TRUE(tag.Write(file));
        DeleteRefObject(&file);
    }

    // After an edit of the title: every other frame as mutagen saw it
    // before, the title new, the audio unchanged.
    void ExpectOnlyTitleChanged(const std::string& path) {
        const TDump before = Dump(path);
        const std::string audio = AfterTag(testsupport::ReadWholeFile(path));
        EditTitle(path, "Edited \xC3\xA9");
        const TDump after = Dump(path);
        EXPECT_EQ(after.version, "2.3");
        EXPECT_EQ(after.texts.at("TIT2"), "Edited \xC3\xA9");
        for (const auto& [key, fields] : before.frames) {
            if (key == "TIT2") continue;
            auto it = after.frames.find(key);
            ASSERT_NE(it, after.frames.end()) << key;
            EXPECT_EQ(it->second, fields) << key;
        }
        EXPECT_TRUE(AfterTag(testsupport::ReadWholeFile(path)) == audio) << "the audio changed";
    }

    // Everything behind the ID3 v2 tag at the start.
    static std::string AfterTag(const std::string& bytes) {
        if (bytes.compare(0, 3, "ID3") != 0 || bytes.size() < 10) return bytes;
        std::size_t size = 0;
        for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) & 0x7F);
        return bytes.substr(std::min(bytes.size(), 10 + size));
    }

    testsupport::TempDir dir_;
    std::string python_;
    std::string script_;
    std::string plain_;
};

TEST_F(Id3Oracle, Version23FromId3v2) {
    if (!Have("id3v2")) GTEST_SKIP() << "needs id3v2";
    const std::string path = Song("v23.mp3");
    ASSERT_TRUE(RunQuiet("id3v2 -a 'The Artist' -A 'An Album' -t 'A Title' -c 'Some comment' -g 17 -y 2004 -T 3/12 '" + path + "'"));
    const TDump theirs = Dump(path);
    ASSERT_EQ(theirs.version, "2.3");
    const TMusicInfo ours = Ours(path);
    ExpectSameReading(ours, theirs);
    EXPECT_EQ(ours.genreIndex, 17);
    ExpectOnlyTitleChanged(path);
}

TEST_F(Id3Oracle, Version24Utf8FromMid3v2) {
    if (!Have("mid3v2")) GTEST_SKIP() << "needs mid3v2";
    const std::string path = Song("v24.mp3");
    ASSERT_TRUE(RunQuiet("mid3v2 -a 'K\xC3\xBCnstler \xE6\x97\xA5\xE6\x9C\xAC' -A '\xD0\x90\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC' "
                    "-t 'T\xC3\xADtulo' -c ':Kommentar \xC3\xBC:eng' -g Jazz -y 1999 -T 5/9 "
                    "--TENC 'Enc' --TCOP '(c) \xE2\x82\xAC' --TXXX 'Mood:\xE2\x98\x80' '" + path + "'"));
    const std::string raw = testsupport::ReadWholeFile(path);
    ASSERT_EQ(raw[3], 4);
    const std::size_t artist = raw.find("TPE1");
    ASSERT_NE(artist, std::string::npos);
    ASSERT_EQ(raw[artist + 10], 3) << "mid3v2 wrote no UTF-8";
    const TDump theirs = Dump(path);
    const TMusicInfo ours = Ours(path);
    ExpectSameReading(ours, theirs);
    EXPECT_STREQ(ours.artist, "K\xC3\xBCnstler \xE6\x97\xA5\xE6\x9C\xAC");
    ExpectOnlyTitleChanged(path);
}

TEST_F(Id3Oracle, PicturesAndLyricsFromEyeD3SurviveAnEdit) {
    if (!Have("eyeD3")) GTEST_SKIP() << "needs eyeD3";
    const std::string path = Song("pictures.mp3");
    // A 2 x 2 PNG and two lines of lyrics.
    const std::string png = dir_.File("cover.png");
    ASSERT_TRUE(RunQuiet(python_ + " -c \"import zlib,struct\n"
                              "def c(t,d): return struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d))\n"
                              "open('" + png + "','wb').write(b'\\x89PNG\\r\\n\\x1a\\n'+c(b'IHDR',struct.pack('>IIBBBBB',2,2,8,2,0,0,0))"
                              "+c(b'IDAT',zlib.compress(b'\\x00\\xff\\x00\\x00\\xff\\x00\\x00\\x00\\x00\\xff\\x00\\x00\\xff\\x00'))+c(b'IEND',b''))\""));
    const std::string lyrics = dir_.File("lyrics.txt");
    testsupport::WriteWholeFile(lyrics, "First line\nSecond line \xC3\xA9\n");
    ASSERT_TRUE(RunQuiet("eyeD3 -Q --add-image '" + png + "':FRONT_COVER --add-lyrics '" + lyrics +
                    "' -t 'Pictured' -a 'Painter' '" + path + "'"));
    const TDump theirs = Dump(path);
    ASSERT_TRUE(theirs.frames.count("APIC:"));
    ASSERT_TRUE(theirs.frames.count("USLT::eng"));
    ExpectSameReading(Ours(path), theirs);
    ExpectOnlyTitleChanged(path);
}

TEST_F(Id3Oracle, Version11TrackNumbersFromId3v2) {
    if (!Have("id3v2")) GTEST_SKIP() << "needs id3v2";
    const std::string path = Song("v11.mp3");
    ASSERT_TRUE(RunQuiet("id3v2 -1 -T 7 -t 'Old Title' -a 'Old Artist' -c 'Old comment' -g 80 -y 1985 '" + path + "'"));
    auto* file = new CFileObj();
    ASSERT_TRUE(file->Open(path.c_str(), 0, 0));
    CMP3Info info;
    ASSERT_EQ(info.loadInfo(file), 0);
    DeleteRefObject(&file);
    const TDump theirs = Dump(path);  // mutagen takes a lone v1 tag as frames
    ASSERT_TRUE(info.isTagged());
    EXPECT_EQ(info.Id3v1().getVersion(), 1.1f);
    EXPECT_EQ(std::to_string(info.getTrackNumber()), theirs.texts.at("TRCK"));
    EXPECT_EQ(info.TitleString(), theirs.texts.at("TIT2"));
    EXPECT_EQ(info.ArtistString(), theirs.texts.at("TPE1"));
    EXPECT_EQ(std::to_string(info.getYear()), theirs.texts.at("TDRC"));
    EXPECT_EQ(Id3GenreName(info.getGenreIndex()), theirs.genre);
    EXPECT_EQ(info.DataEnd(), info.getFileSize() - 128);
}

TEST_F(Id3Oracle, Version22FromAHandBuiltTag) {
    using namespace id3test;
    const std::string body = Frame22("TT2", Latin1("Old Style")) + Frame22("TP1", std::string("\1\xFF\xFE" "A\0\xE9\0", 7)) +
                             Frame22("TAL", Latin1("Album 2.2")) + Frame22("COM", std::string("\0engDesc\0Text", 13)) +
                             Frame22("TYE", Latin1("1975")) + Frame22("TCO", Latin1("(8)")) + Frame22("TRK", Latin1("4/11")) +
                             Frame22("TEN", Latin1("Encoder")) + Frame22("TCR", Latin1("Nobody")) +
                             Frame22("PIC", std::string("\0JPG\3Cover\0\xFF\xD8\xFF\xE0 image", 20)) +
                             Frame22("ULT", std::string("\0engWords\0Sung text", 19));
    const std::string path = dir_.File("v22.mp3");
    testsupport::WriteWholeFile(path, Tag(2, body, body.size() + 64) + plain_);
    const TDump theirs = Dump(path);
    ASSERT_EQ(theirs.version, "2.2");
    ASSERT_TRUE(theirs.frames.count("APIC:Cover"));
    ASSERT_TRUE(theirs.frames.count("USLT:Words:eng"));
    ExpectSameReading(Ours(path), theirs);
    ExpectOnlyTitleChanged(path);
}

// Tags off the standard's path, as other programs write them, read at load
// as mutagen reads them: a frame whose size runs past the tag, the
// extended-header flag without an extended header, v2.4 frame sizes as
// plain numbers, and the v2.4 genre forms.
TEST_F(Id3Oracle, OddTagsLoadAsMutagenReadsThem) {
    using namespace id3test;
    const std::string fields = Frame23("TIT2", Latin1("Hello")) + Frame23("TPE1", Latin1("World"));
    const std::string fields24 = Frame24("TIT2", Latin1("Hello")) + Frame24("TPE1", Latin1("World"));
    std::string picture = std::string("\0image/jpeg\0\3\0", 14);
    for (std::size_t i = 0; picture.size() < 36074; ++i) picture += static_cast<char>(1 + i % 0x2F);
    const std::string plain24 = fields + Frame23("APIC", picture) + Frame23("TALB", Latin1(std::string(299, 'b'))) +
                                Frame23("TCON", Latin1("(28)Vocal"));
    struct TCase {
        const char* what;
        std::string tag;
    };
    const TCase cases[] = {
        {"a frame running past the tag", Tag(3, fields + FrameClaiming("TXXX", 5000, Latin1("mood")), 200)},
        {"the extended-header flag with no extended header",
         Tag(4, fields24 + Frame24("TCON", Latin1("12")), 100, 0x40)},
        {"plain frame sizes in v2.4", Tag(4, plain24, plain24.size() + 64)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.File("odd.mp3");
        testsupport::WriteWholeFile(path, c.tag + plain_);
        const TDump theirs = Dump(path);
        ASSERT_EQ(theirs.texts.count("TIT2"), 1u);
        const TMusicInfo ours = OursAtLoad(path);
        EXPECT_STREQ(ours.title, "Hello");
        ExpectSameReading(ours, theirs);
    }
}

// Players add comment frames of their own under descriptions ("iTunNORM",
// "iTunPGAP") beside the plain comment; the plain one is shown, whatever
// its language.
TEST_F(Id3Oracle, ThePlainCommentWinsOverPlayersDescribedOnes) {
    struct TCase {
        const char* what;
        const char* frames;  // Python: (language, description, text) of each
        const char* shown;
    };
    const TCase cases[] = {
        {"beside iTunNORM", "('eng', '', 'Plain'), ('eng', 'iTunNORM', ' 00000A2C 00000B7E')", "Plain"},
        {"the engine's own", "('eng', 'Comments', 'Ours'), ('eng', 'iTunPGAP', '0')", "Ours"},
        {"plain in another language", "('deu', '', 'Deutsch'), ('eng', 'iTunNORM', ' 0A')", "Deutsch"},
        {"plain in both", "('eng', '', 'English'), ('deu', '', 'Deutsch')", "English"},
        {"described only", "('fra', 'notes', 'Notes'), ('eng', 'iTunNORM', ' 0A')", " 0A"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Song("comments.mp3");
        const std::string script = dir_.File("comments.py");
        testsupport::WriteWholeFile(
            script, std::string("import sys\nfrom mutagen.id3 import ID3, COMM, TIT2\ntag = ID3()\n"
                                "tag.add(TIT2(encoding=3, text='T'))\n"
                                "for lang, desc, text in [") +
                        c.frames +
                        "]:\n    tag.add(COMM(encoding=1, lang=lang, desc=desc, text=text))\n"
                        "tag.save(sys.argv[1], v2_version=3)\n");
        ASSERT_TRUE(RunQuiet(python_ + " " + script + " '" + path + "'"));
        const TDump theirs = Dump(path);
        ASSERT_EQ(theirs.comments.size(), 2u);
        EXPECT_EQ(PreferredComment(theirs), c.shown);
        EXPECT_STREQ(Ours(path).comment, c.shown);
        EXPECT_STREQ(OursAtLoad(path).comment, c.shown);
        auto* file = new CFileObj();
        ASSERT_TRUE(file->Open(path.c_str(), 0, 0));
        CId3TagV2 tag;
        ASSERT_TRUE(tag.Read(file, 0));
        char comment[1024] = {};
        EXPECT_TRUE(tag.GetComments(comment));
        EXPECT_STREQ(comment, c.shown);
        DeleteRefObject(&file);
    }
}

TEST_F(Id3Oracle, GenreFormsFromMid3v2) {
    if (!Have("mid3v2")) GTEST_SKIP() << "needs mid3v2";
    for (const char* genre : {"12", "(28)Vocal", "0", "125"}) {
        SCOPED_TRACE(genre);
        const std::string path = Song("genre.mp3");
        ASSERT_TRUE(RunQuiet(std::string("mid3v2 -t Hello --TCON '") + genre + "' '" + path + "'"));
        const TDump theirs = Dump(path);
        const TMusicInfo ours = OursAtLoad(path);
        EXPECT_NE(ours.genreIndex, kNoGenreIndex);
        ExpectSameReading(ours, theirs);
    }
}

TEST_F(Id3Oracle, TagsWeWriteReadBackInMutagen) {
    const std::string path = Song("ours.mp3");
    TMusicInfo info;
    std::strcpy(info.title, "\xCE\xA4\xCE\xAF\xCF\x84\xCE\xBB\xCE\xBF\xCF\x82");  // Greek: UTF-16 in the tag
    std::strcpy(info.artist, "Caf\xC3\xA9 Orchestra");
    std::strcpy(info.album, "Album");
    std::strcpy(info.comment, "Comment \xE2\x98\x83");
    std::strcpy(info.encodedBy, "Encoder");
    std::strcpy(info.copyright, "(c) 2020");
    info.year = 2020;
    info.genreIndex = 32;
    info.trackNumber = 9;
    info.trackCount = 10;
    auto* file = new CFileObj();
    ASSERT_TRUE(file->Open(path.c_str(), 0, 1));
    CId3TagV2 tag;
    ASSERT_TRUE(tag.UpdateFromMusicInfo(&info));
    ASSERT_TRUE(tag.Write(file));
    DeleteRefObject(&file);
    const TDump theirs = Dump(path);
    EXPECT_EQ(theirs.version, "2.3");
    ExpectSameReading(info, theirs);
    EXPECT_EQ(theirs.comments.at(0)[1], "Comments");
    EXPECT_TRUE(AfterTag(testsupport::ReadWholeFile(path)) == plain_);
}

// Frame counts of lame's files against the count lame wrote into its own
// Xing or Info frame (which does not count itself).
TEST_F(Id3Oracle, FrameCountsOfEveryMpegVersion) {
    struct TCase {
        int rate;
        const char* options;
        float version;
    };
    const TCase cases[] = {
        {44100, "-b 128", 1.0f}, {44100, "-V 4", 1.0f}, {22050, "-b 64", 2.0f},
        {22050, "-V 4", 2.0f},   {11025, "-b 32", 2.5f}, {11025, "-V 6", 2.5f},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " " + c.options);
        const std::string wav = dir_.File("count.wav");
        const std::string mp3 = dir_.File("count.mp3");
        ASSERT_TRUE(RunQuiet("sox -n -r " + std::to_string(c.rate) + " -c 2 -b 16 " + wav + " synth 3 sine 440 pinknoise"));
        ASSERT_TRUE(RunQuiet(std::string("lame --quiet ") + c.options + " --resample " + std::to_string(c.rate / 1000.0) + " " +
                        wav + " " + mp3));
        const std::string bytes = testsupport::ReadWholeFile(mp3);
        std::size_t at = bytes.find("Xing");
        if (at == std::string::npos) at = bytes.find("Info");
        ASSERT_NE(at, std::string::npos);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at + 8);
        const int written = p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];

        auto* file = new CFileObj();
        ASSERT_TRUE(file->Open(mp3.c_str(), 0, 0));
        CMP3Info info;
        ASSERT_EQ(info.loadInfo(file), 0);
        DeleteRefObject(&file);
        EXPECT_EQ(info.getZeVersion(), c.version);
        EXPECT_EQ(info.getFrequency(), c.rate);
        if (info.HasXingHeader()) {
            EXPECT_EQ(info.getNumberOfFrames(), written);
        } else {
            // Constant bitrate: estimated from the file size.
            EXPECT_NEAR(info.getNumberOfFrames(), written, 1);
        }
    }
}

}  // namespace
