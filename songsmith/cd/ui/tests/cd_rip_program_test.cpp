// Ripping a CD through the whole program: a generated three-track image in
// the image drive, its titles from a loopback CDDB server, the Rip button of
// the CD page for WAV, MP3 and WMA with the real encoder and media modules,
// and what a user then finds: the files, named as the preferences say, their
// tags and sound as outside programs read them, the songs in the Library
// page and the store, the ripped rows in the session.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_box.h"
#include "platter/testsupport/disc_image_maker.h"
#include "platter/testsupport/held_track_reads.h"
#include "songsmith/app/ui/tests/program_fixture.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/cd/ui/copy_in_progress_dialog.h"
#include "songsmith/cd/cd_rows.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/cd/rip_settings.h"
#include "songsmith/session/tests/wav_data.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/prog_string.h"
#include "testsupport/command_output.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "testsupport/scripted_server.h"
#include "testsupport/widget_png.h"
#include "titlefetch/site.h"
#include "tonecore/convert/conv2wave_file.h"
#include "tonecore/convert/converter_factory.h"

namespace {

using testsupport::ScriptedServer;
using testsupport::ServerScript;
using testsupport::ServerStep;

std::string Http(const std::string& body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }

// The disc's record: three titles two of which name the same file.
std::string Record() {
    return Http("210 rock 08000c03 CD database entry follows\r\n# xmcd\r\n#\r\n# Track frame offsets:\r\n"
                "#\t150\r\n#\t403\r\n#\t787\r\n#\r\n# Disc length: 14 seconds\r\n#\r\nDISCID=08000c03\r\n"
                "DTITLE=Test Artist / Test Album\r\nDYEAR=2024\r\nDGENRE=Rock\r\n"
                "TTITLE0=a/b\r\nTTITLE1=a:b\r\nTTITLE2=Plain\r\nEXTD=\r\nPLAYORDER=\r\n.\r\n");
}

bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}


std::vector<std::int16_t> Samples(const std::string& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// The signal-to-noise ratio of decoded (interleaved stereo) against source,
// at the lag within +-4096 frames where they match best, in dB.
double Snr(const std::vector<std::int16_t>& source, const std::vector<std::int16_t>& decoded) {
    const auto frames = static_cast<long>(std::min(source.size(), decoded.size()) / 2);
    long bestLag = 0;
    double best = -1e300;
    for (long lag = -4096; lag <= 4096; ++lag) {
        double dot = 0;
        for (long f = 4096; f + 4096 < frames; f += 16) dot += double(source[2 * f]) * decoded[2 * (f + lag)];
        if (dot > best) {
            best = dot;
            bestLag = lag;
        }
    }
    double signal = 0;
    double noise = 0;
    for (long f = 4096; f + 4096 < frames; ++f) {
        for (int c = 0; c < 2; ++c) {
            const double s = source[2 * f + c];
            const double e = decoded[2 * (f + bestLag) + c] - s;
            signal += s * s;
            noise += e * e;
        }
    }
    return 10 * std::log10(signal / std::max(noise, 1e-9));
}

// Lets the drive read track 2 only once the test has looked at the page.
class CGate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, testsupport::kHangLimit, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool open_ = false;
};

// A WAV converter that writes its first block only once the gate opens:
// the rip holds still in the middle of a track.
class CGatedWave : public CConv2WaveFile {
public:
    explicit CGatedWave(CGate& gate) : gate_(gate) {}
    std::int64_t WriteStreamData(const void* pcm, std::int64_t bytes, std::int64_t* accepted) override {
        gate_.Wait();
        return CConv2WaveFile::WriteStreamData(pcm, bytes, accepted);
    }

private:
    CGate& gate_;
};

struct TFormatCase {
    int format;
    bool useAlbumAndTrack;
    std::vector<std::string> names;  // in the artist's folder
};

class CdRipProgramTest : public ProgramFixture {
protected:
    CdRipProgramTest() {
        std::filesystem::create_directories(home_.Path() + "/tray");
        image_ = platter_test::WriteDiscImage(home_.Path() + "/tray", "disc", platter_test::AudioDiscLayout());
        rips_ = home_.Path() + "/rips/";
        CPreferences prefs;
        prefs.CDDBAutoRetr = 1;
        prefs.DeleteSites();
        prefs.AddSite(MakeSite("127.0.0.1", "/~cddb/cddb.cgi", server_.Port()));
        std::snprintf(prefs.CDDBSite, sizeof prefs.CDDBSite, "127.0.0.1");
        std::snprintf(prefs.RipPath, sizeof prefs.RipPath, "%s", rips_.c_str());
        prefs.RipSignal = 0;
        // The generated tones end at full level, which the session's
        // analysis takes for songs cut short.
        prefs.bWarnAboutIncompleteSongs = 0;
        StorePreferences(prefs);
    }
    std::string TrackPcm(int track) const {
        const auto i = static_cast<std::size_t>(track - 1);
        const std::int32_t end = i + 1 < image_.startLsn.size() ? image_.startLsn[i + 1] : image_.leadoutLsn;
        return image_.Sectors(image_.startLsn[i], end);
    }
    static QString Cell(CCDTab* page, int row, int column) {
        auto* list = testsupport::FindControl<QTableView>(page->Window(), kCdListId);
        return list->model()->index(row, column).data().toString();
    }

    ScriptedServer server_{ScriptedServer::Responder([](const std::string& request) {
        if (request.find("cmd=cddb+query+08000c03+") != std::string::npos)
            return ServerScript{ServerStep::Send(Http("200 rock 08000c03 Test Artist / Test Album\r\n"))};
        if (request.find("cmd=cddb+read+rock+08000c03") != std::string::npos)
            return ServerScript{ServerStep::Send(Record())};
        return ServerScript{};
    })};
    platter_test::TDiscImage image_;
    std::string rips_;
};

TEST_F(CdRipProgramTest, TheMarkedTracksBecomeNamedTaggedSongsInEachFormat) {
    const std::string folder = rips_ + "Test Artist - Test Album/";
    const std::vector<TFormatCase> cases = {
        {kRipFormatWav, false, {"Test Artist - a b.wav", "Test Artist - a b (2).wav", "Test Artist - Plain.wav"}},
        {kRipFormatMp3, true,
         {"Test Artist - Test Album - 1. a b.mp3", "Test Artist - Test Album - 2. a b.mp3",
          "Test Artist - Test Album - 3. Plain.mp3"}},
        {kRipFormatWma, false, {"Test Artist - a b.wma", "Test Artist - a b (2).wma", "Test Artist - Plain.wma"}},
    };
    CGate gate;
    // The ripped songs joined the session: closing asks to save it.
    ui_.ExpectMessage("Ses_Dirty", IDNO);
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        program.mainWindow.OnCommand(cmd::kFirstCdDrive);
        CCDTab* page = program.mainWindow.TabPane()->CdPages().at(0);
        CLibraryTab* library = program.mainWindow.TabPane()->GetLibraryTab();
        page->DiscTimerTick();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return page->Disc().RowCount() == 3 && page->Disc().LookupPhase() == 3; },
            testsupport::kHangLimitMs));
        ASSERT_EQ(Cell(page, 0, kCdColumnTitle), "a/b");
        // Track 2's file waits for the test during the first rip.
        int converters = 0;
        page->hooks.ripServices.newConverter = [&gate, &converters](_tFileConversionTypedef type,
                                                                    int encoder) -> CConv2FileObj* {
            if (++converters == 2) return new CGatedWave(gate);
            return NewCConv2FileObj(type, encoder);
        };
        bool first = true;
        for (const TFormatCase& c : cases) {
            SCOPED_TRACE(c.format);
            program.prefs.RipFormat = c.format;
            program.prefs.RipUseAlbum = c.useAlbumAndTrack ? 1 : 0;
            program.prefs.RipUseTrack = c.useAlbumAndTrack ? 1 : 0;
            if (!first) program.mainWindow.OnCommand(cmd::kCdClearAll);
            ASSERT_TRUE(testsupport::ClickControl(page->Window(), kCdRipId));
            if (first) {
                // Mid-rip: the first track ripped, the others waiting.
                EXPECT_TRUE(
                    QTest::qWaitFor([&] { return page->Disc().Row(0)->Status() == kCdRowRipped; },
                                    testsupport::kHangLimitMs));
                QCoreApplication::processEvents();
                EXPECT_TRUE(page->IsRipping());
                EXPECT_EQ(Cell(page, 0, kCdColumnStatus), ProgString("CDTab_Ripped"));
                EXPECT_EQ(testsupport::FindControl<QPushButton>(page->Window(), kCdRipId)->text(),
                          ProgString("CDTab_StopRip"));
                EXPECT_TRUE(testsupport::FindControl<QLabel>(page->Window(), kCdStatusId)
                                ->text()
                                .startsWith("Ripping tracks ("));
                // The window's title tells how far the rip is.
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] {
                        return program.mainWindow.Window()->windowTitle().startsWith(
                            QString::number(page->GetRipProgress()) + "% [Ripping] - ");
                    },
                    testsupport::kHangLimitMs))
                    << program.mainWindow.Window()->windowTitle().toStdString();
                EXPECT_GT(page->GetRipProgress(), 0);
                testsupport::SaveWidgetPng(program.mainWindow.Window(), "cd_rip_mid_rip");
                gate.Open();
            }
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return !page->IsRipping(); }, testsupport::kHangLimitMs));
            first = false;
            for (int row = 0; row < 3; ++row) {
                const std::string path = folder + c.names[static_cast<std::size_t>(row)];
                SCOPED_TRACE(path);
                EXPECT_EQ(Cell(page, row, kCdColumnStatus), ProgString("CDTab_Ripped"));
                EXPECT_TRUE(std::filesystem::exists(path));
                EXPECT_STREQ(page->GetTrackMusicInfo(row)->path, path.c_str());
                // The library shows it under its artist and album.
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return library->Nodes().FindSongByPath(path) != nullptr; },
                    testsupport::kHangLimitMs));
                const CLibNode* song = library->Nodes().FindSongByPath(path);
                ASSERT_NE(CLibraryNodes::ArtistOfSong(song), nullptr);
                ASSERT_NE(CLibraryNodes::AlbumOfSong(song), nullptr);
                EXPECT_EQ(CLibraryNodes::ArtistOfSong(song)->name, "Test Artist");
                EXPECT_EQ(CLibraryNodes::AlbumOfSong(song)->name, "Test Album");
                TSVT_Song stored{};
                EXPECT_TRUE(program.library.FindSongByPath(&stored, path.c_str(), 0));
                // The marked rows join the session.
                EXPECT_TRUE(program.trackList.HasTrackWithPath(path.c_str()));
            }
            EXPECT_EQ(testsupport::FindControl<QPushButton>(page->Window(), kCdRipId)->text(),
                      ProgString("CDTab_RipTracks"));
        }
        // Each path once in the store: a second rip updates its songs.
        const std::int32_t songs = program.library.GetSongCount();
        EXPECT_EQ(songs, 9);
        program.prefs.RipFormat = kRipFormatWav;
        program.mainWindow.OnCommand(cmd::kCdClearAll);
        ASSERT_TRUE(testsupport::ClickControl(page->Window(), kCdRipId));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page->IsRipping(); }, testsupport::kHangLimitMs));
        QCoreApplication::processEvents();
        EXPECT_EQ(program.library.GetSongCount(), songs);
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "cd_rip_done");
        EXPECT_FALSE(program.mainWindow.Window()->windowTitle().contains("[Ripping]"));
        program.mainWindow.Window()->close();
    };
    {
        CProgram program(options);
        program.SetSessionLoader([](const std::vector<std::string>&) {});
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    }
    // No temporary file is left anywhere in the rip folder.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(rips_))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    EXPECT_EQ(files.size(), 9u);

    // WAV: the tracks' bytes as they are on the disc.
    for (int track = 1; track <= 3; ++track)
        EXPECT_TRUE(wavtest::WavData(folder + cases[0].names[static_cast<std::size_t>(track - 1)]) == TrackPcm(track)) << track;

    // MP3 and WMA: tags, length and sound as outside programs find them.
    const bool tagTools = HaveTool("mutagen-inspect");
    const bool soundTools = HaveTool("mpg123") && HaveTool("lame") && HaveTool("ffmpeg");
    if (!tagTools || !soundTools) GTEST_SKIP() << "mutagen-inspect, mpg123, lame and ffmpeg check the MP3 and WMA files";
    const std::vector<const char*> titles = {"a/b", "a:b", "Plain"};
    for (int track = 1; track <= 3; ++track) {
        SCOPED_TRACE(track);
        const std::string n = std::to_string(track);
        const std::string mp3 = folder + cases[1].names[static_cast<std::size_t>(track - 1)];
        const std::string wma = folder + cases[2].names[static_cast<std::size_t>(track - 1)];
        const std::string mp3Tags = testsupport::CommandOutput("mutagen-inspect '" + mp3 + "'");
        for (const std::string& line : {std::string("TIT2=") + titles[track - 1], std::string("TPE1=Test Artist"),
                                        std::string("TALB=Test Album"), std::string("TRCK=") + n + "/3",
                                        std::string("2024")})
            EXPECT_NE(mp3Tags.find(line), std::string::npos) << line << "\n" << mp3Tags;
        EXPECT_TRUE(mp3Tags.find("TCON=Rock") != std::string::npos || mp3Tags.find("TCON=(17)") != std::string::npos)
            << mp3Tags;
        const std::string wmaTags = testsupport::CommandOutput("mutagen-inspect '" + wma + "'");
        for (const std::string& line : {std::string("Title=") + titles[track - 1], std::string("Author=Test Artist"),
                                        std::string("WM/AlbumTitle=Test Album"), std::string("WM/Year=2024"),
                                        std::string("WM/Genre=(17)"), std::string("WM/Track=") + n + "/3"})
            EXPECT_NE(wmaTags.find(line), std::string::npos) << line << "\n" << wmaTags;

        const std::string pcmPath = home_.File("track" + n + ".raw");
        std::ofstream(pcmPath, std::ios::binary) << TrackPcm(track);
        const std::vector<std::int16_t> source = Samples(TrackPcm(track));
        const long frames = static_cast<long>(source.size() / 2);
        // Ours and the reference encoders' at the same settings, decoded.
        // lame at the same settings; -t leaves out the gapless "Info" frame,
        // which constant-bitrate files of the encoder module do not carry
        // either, so both decode with the encoder's delay and padding.
        const std::string lameMp3 = home_.File("lame" + n + ".mp3");
        testsupport::CommandOutput("lame --quiet -t -r -s 44.1 --bitwidth 16 --signed --little-endian -b 192 -m s '" +
                                   pcmPath + "' '" + lameMp3 + "'");
        const std::string refWma = home_.File("ref" + n + ".wma");
        testsupport::CommandOutput("ffmpeg -v error -y -f s16le -ar 44100 -ac 2 -i '" + pcmPath +
                                   "' -c:a wmav2 -b:a 128k '" + refWma + "'");
        auto mpg123 = [](const std::string& path) {
            return Samples(testsupport::CommandOutput("mpg123 -q -s '" + path + "'"));
        };
        auto ffmpeg = [](const std::string& path) {
            return Samples(testsupport::CommandOutput("ffmpeg -v error -i '" + path + "' -f s16le -ac 2 -ar 44100 -"));
        };
        const std::vector<std::int16_t> ourMp3 = mpg123(mp3);
        const std::vector<std::int16_t> lameDecoded = mpg123(lameMp3);
        const std::vector<std::int16_t> ourWma = ffmpeg(wma);
        EXPECT_NEAR(static_cast<double>(ourMp3.size()), static_cast<double>(lameDecoded.size()), 2 * 1152);
        EXPECT_NEAR(static_cast<double>(ourWma.size() / 2), static_cast<double>(frames), 2048);
        const double mp3Snr = Snr(source, ourMp3);
        const double lameSnr = Snr(source, lameDecoded);
        const double wmaSnr = Snr(source, ourWma);
        const double refSnr = Snr(source, ffmpeg(refWma));
        EXPECT_GE(mp3Snr, lameSnr - 1.0) << mp3Snr << " dB against lame's " << lameSnr;
        EXPECT_GE(wmaSnr, refSnr - 1.0) << wmaSnr << " dB against ffmpeg's " << refSnr;
        std::printf("track %d: MP3 %.1f dB (lame %.1f dB), WMA %.1f dB (ffmpeg %.1f dB)\n", track, mp3Snr, lameSnr,
                    wmaSnr, refSnr);
    }
}

TEST_F(CdRipProgramTest, ClosingDuringARipAsksAndOnlyYesStopsTheRipAndCloses) {
    // A long second track, read slowly, keeps the rip going while the test
    // closes the window.
    platter_test::TImageLayout layout;
    layout.tracks = {{253}, {3000}, {315}};
    image_ = platter_test::WriteDiscImage(home_.Path() + "/tray", "disc", layout);
    std::unique_ptr<CPreferences> prefs = StoredPreferences();
    prefs->RipJitter = PLATTER_JITTER_OFF;
    prefs->CDDBAutoRetr = 0;
    StorePreferences(*prefs);
    struct {
        bool ripping = false;
        bool keptOpen = false;
        bool stillRipping = false;
        int asked = 0;
    } seen;
    // The first track's song joined the session: the close that goes on asks
    // to save it.
    ui_.ExpectMessage("Ses_Dirty", IDNO);
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        program.mainWindow.OnCommand(cmd::kFirstCdDrive);
        CCDTab* page = program.mainWindow.TabPane()->CdPages().at(0);
        page->DiscTimerTick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->Disc().RowCount() == 3; },
                                    testsupport::kHangLimitMs));
        PLATTER_CDevice* drive = page->Drive();
        const std::int32_t track2 = drive->trackTable[1].startFrame - 150;
        const std::int32_t track3 = drive->trackTable[2].startFrame - 150;
        // Track 2 reads slowly and cannot end before Yes is given: the rip
        // is still going when No was answered, however slowly the test runs.
        platter_test::CHeldTrackReads slowTrack(track2, track3, std::chrono::milliseconds(2));
        drive->SetReadHook(slowTrack.Hook());
        ASSERT_TRUE(testsupport::ClickControl(page->Window(), kCdRipId));
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->Disc().Row(1)->percent >= 5; },
                                    testsupport::kHangLimitMs));
        seen.ripping = page->IsRipping();
        // No keeps the program and the rip going.
        testsupport::WhenModalShown([&](QWidget* modal) {
            ++seen.asked;
            EXPECT_EQ(modal->objectName(), QString::number(CCopyInProgressDlg::kDialogId));
            testsupport::ClickControl(modal, CCopyInProgressDlg::kNo);
        });
        seen.keptOpen = !program.mainWindow.Window()->close();
        seen.stillRipping = page->IsRipping();
        // Yes with the box: the rip stops, the question is not asked again,
        // the window closes.
        testsupport::WhenModalShown([&](QWidget* modal) {
            ++seen.asked;
            slowTrack.Open();
            testsupport::ClickControl(modal, CCopyInProgressDlg::kDontAsk);
            testsupport::ClickControl(modal, CCopyInProgressDlg::kYes);
        });
        program.mainWindow.Window()->close();
    };
    {
        CProgram program(options);
        program.SetSessionLoader([](const std::vector<std::string>&) {});
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    }
    EXPECT_TRUE(seen.ripping);
    EXPECT_TRUE(seen.keptOpen);
    EXPECT_TRUE(seen.stillRipping);
    EXPECT_EQ(seen.asked, 2);
    EXPECT_EQ(StoredPreferences()->RipConfirmQuit, 0);
    // Only the first track's file: the stopped track left nothing.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(rips_))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"Unknown Album (10002f03) - Track 01.mp3"});
}

TEST_F(CdRipProgramTest, ARipWhoseEveryFileFailsIsOneBoxNamingTheCauseAndNoSuccessSignal) {
    // WMA chosen on a machine without the media module, the success signal
    // on.
    const testsupport::CScopedEnv noWma("SONGSMITH_WMA_SUPPORT", "0");
    std::unique_ptr<CPreferences> prefs = StoredPreferences();
    prefs->RipFormat = kRipFormatWma;
    prefs->RipSignal = 1;
    StorePreferences(*prefs);
    ui_.ExpectMessage("CDTab_CreateFailed", IDOK);
    std::vector<QString> statuses;
    TProgramOptions options = Options();
    options.whenShown = [&](CProgram& program) {
        program.mainWindow.OnCommand(cmd::kFirstCdDrive);
        CCDTab* page = program.mainWindow.TabPane()->CdPages().at(0);
        page->DiscTimerTick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->Disc().RowCount() == 3 && page->Disc().LookupPhase() == 3; }, testsupport::kHangLimitMs));
        ASSERT_EQ(program.prefs.RipFormat, kRipFormatWma);
        ASSERT_TRUE(testsupport::ClickControl(page->Window(), kCdRipId));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !page->IsRipping(); }, testsupport::kHangLimitMs));
        QCoreApplication::processEvents();
        for (int row = 0; row < 3; ++row) statuses.push_back(Cell(page, row, kCdColumnStatus));
        testsupport::SaveWidgetPng(program.mainWindow.Window(), "cd_rip_every_file_failed");
        program.mainWindow.Window()->close();
    };
    {
        CProgram program(options);
        program.SetSessionLoader([](const std::vector<std::string>&) {});
        EXPECT_EQ(program.Run({}), CProgram::kResultRan);
    }
    EXPECT_EQ(statuses, std::vector<QString>(3, ProgString("CDTab_Failed")));
    // One box for the three tracks, saying why in words.
    const std::vector<std::string> keys = ui_.MessageKeys();
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "CDTab_CreateFailed"), 1);
    std::string text;
    for (const testsupport::TUiCall& call : ui_.Calls())
        if (call.key == "CDTab_CreateFailed") text = call.text;
    EXPECT_EQ(text.rfind("3 of the tracks could not be ripped", 0), 0u) << text;
    EXPECT_NE(text.find(ProgString("CDTab_CreateCauseNoFormat").toStdString()), std::string::npos) << text;
    // The rip failed: no success signal was asked for.
    const std::vector<std::string> logged = LoggedTexts();
    EXPECT_TRUE(std::none_of(logged.begin(), logged.end(), [](const std::string& line) {
        return line.find("success.mp3") != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [](const std::string& line) {
        return line.find("CCDTab::FinishRip - The rip failed") != std::string::npos;
    }));
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(rips_))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    EXPECT_TRUE(files.empty());
}

}  // namespace
