// The CD page's rip in the real main window, where it can go wrong: too
// little room, a track whose file cannot be made, a drive error, and the
// user's Stop Rip. Image drives in temporary trays; rips go to WAV files in
// a temporary folder; boxes are scripted and the rip error dialog answered
// when it shows; the page's end is awaited by processing events (no sleeps
// between threads).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/message_box.h"
#include "platter/device.h"
#include "platter/errors.h"
#include "platter/testsupport/disc_image_maker.h"
#include "platter/testsupport/held_track_reads.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/cd/cd_page_services.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/cd/rip_settings.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/cd/ui/rip_error_dialog.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/hang_limit.h"
#include "tonecore/convert/conv2wave_file.h"

namespace {

using namespace std::chrono_literals;
using testsupport::FindControl;

class CdTabRipTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        prefs_->CDDBAutoRetr = 0;
        prefs_->RipFormat = kRipFormatWav;
        prefs_->RipSignal = 0;
        std::snprintf(prefs_->RipPath, sizeof prefs_->RipPath, "%s/", rips_.Path().c_str());
        std::snprintf(prefs_->Marovelle_Temp_Dir, sizeof prefs_->Marovelle_Temp_Dir, "%s/", temp_.Path().c_str());
    }
    // One drive with layout's disc, its page in front with the rows read.
    void ShowDisc(const platter_test::TImageLayout& layout) {
        platter_->imageDrive.freshMedia = PLATTER_MEDIA_NONE;
        Open(1);
        MenuItem(cmd::kFirstCdDrive)->trigger();
        Settle();
        platter_test::WriteDiscImage(trays_.Path() + "/tray0", "disc", layout);
        Page()->DiscTimerTick();
        Settle();
        ASSERT_EQ(Page()->Disc().RowCount(), static_cast<int>(layout.tracks.size()));
    }
    CCDTab* Page() const { return main_->TabPane()->CdPages().at(0); }
    QString Status(int row) const {
        return FindControl<QTableView>(Page()->Window(), kCdListId)->model()->index(row, kCdColumnStatus).data().toString();
    }
    QString StatusText() const { return FindControl<QLabel>(Page()->Window(), kCdStatusId)->text(); }
    QPushButton* RipButton() const { return FindControl<QPushButton>(Page()->Window(), kCdRipId); }
    bool RipToTheEnd() {
        if (!testsupport::ClickControl(Page()->Window(), kCdRipId)) return false;
        const bool ended =
            QTest::qWaitFor([this] { return !Page()->IsRipping(); }, testsupport::kHangLimitMs);
        Settle();
        return ended;
    }
    // A disc without titles names its files by its album.
    std::vector<std::string> Named(std::vector<int> tracks) const {
        std::vector<std::string> names;
        char track[16];
        for (const int n : tracks) {
            std::snprintf(track, sizeof track, "Track %02d.wav", n);
            names.push_back(UnknownAlbumTitle(Page()->Disc().DiscId()) + " - " + track);
        }
        return names;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(rips_.Path()))
            if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    testsupport::TempDir rips_;
    testsupport::TempDir temp_;
    testsupport::CFakeUiServices boxes_;
};

TEST_F(CdTabRipTest, TooLittleRoomRefusesWithTheShortfallAndRoomEnoughRips) {
    ShowDisc(platter_test::AudioDiscLayout());
    // Tracks of 3, 5 and 4 whole seconds of CD audio need 517 + 862 + 690 KB.
    std::string asked;
    double freeKb = 2068;
    Page()->hooks.freeKb = [&](const char* folder) {
        asked = folder;
        return freeKb;
    };
    boxes_.ExpectMessage("CDTab_NoSpace", IDOK);
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdRipId));
    Settle();
    EXPECT_EQ(asked, rips_.Path() + "/");
    EXPECT_FALSE(Page()->IsRipping());
    EXPECT_EQ(StatusText(), ProgString("CDTab_SelectTracks"));
    EXPECT_EQ(RipButton()->text(), ProgString("CDTab_RipTracks"));
    EXPECT_TRUE(Files().empty());

    freeKb = 2069;
    ASSERT_TRUE(RipToTheEnd());
    for (int row = 0; row < 3; ++row) EXPECT_EQ(Status(row), ProgString("CDTab_Ripped"));
    EXPECT_EQ(Files(), Named({1, 2, 3}));
    EXPECT_EQ(StatusText(), ProgString("CDTab_SelectTracks"));
    EXPECT_FALSE(RipButton()->isEnabled());
    EXPECT_EQ(Page()->GetRipProgress(), 0);
}

TEST_F(CdTabRipTest, AFileThatCannotBeMadeIsToldAndTheNextTracksRip) {
    ShowDisc(platter_test::AudioDiscLayout());
    int made = 0;
    Page()->hooks.ripServices.newConverter = [&made](_tFileConversionTypedef, int) -> CConv2FileObj* {
        return ++made == 1 ? nullptr : new CConv2WaveFile();
    };
    boxes_.ExpectMessage("CDTab_CreateFailed", IDOK);
    ASSERT_TRUE(RipToTheEnd());
    EXPECT_EQ(Status(0), ProgString("CDTab_Failed"));
    EXPECT_EQ(Status(1), ProgString("CDTab_Ripped"));
    EXPECT_EQ(Status(2), ProgString("CDTab_Ripped"));
    EXPECT_EQ(Files(), Named({2, 3}));
    // The failed row can be ripped again.
    EXPECT_TRUE(RipButton()->isEnabled());
    const std::string text = boxes_.Calls().back().text;
    EXPECT_EQ(text.rfind("1 of the tracks could not be ripped", 0), 0u) << text;
    EXPECT_NE(text.find(rips_.Path()), std::string::npos) << text;
}

TEST_F(CdTabRipTest, ADriveErrorShowsTheRipErrorDialogAndEndsTheRip) {
    ShowDisc(platter_test::AudioDiscLayout());
    prefs_->RipError = PLATTER_READ_ERRORS_STOP;
    PLATTER_CDevice* drive = Page()->Drive();
    const std::int32_t dead = drive->trackTable[1].startFrame - 150 + 100;
    drive->SetReadHook([dead](std::int32_t lsn, long count, void* out, const TPlatterRawRead& read) -> long {
        if (dead < lsn || dead >= lsn + count) return read(lsn, count, out);
        return -1;
    });
    bool shown = false;
    testsupport::WhenModalShown(
        [&](QWidget* modal) {
            shown = true;
            EXPECT_EQ(modal->objectName(), QString::number(CRipErrorDlg::kDialogId));
            auto* code = FindControl<QLabel>(modal, CRipErrorDlg::kCodeLine);
            auto* text = FindControl<QLabel>(modal, CRipErrorDlg::kErrorText);
            ASSERT_TRUE(code != nullptr && text != nullptr);
            EXPECT_TRUE(code->text().contains(QString::number(PLATTER_ERR_READ)));
            EXPECT_TRUE(text->text().contains(QString::number(dead))) << text->text().toStdString();
            // The rows are not back to ready while the dialog shows.
            EXPECT_TRUE(Page()->IsRipping());
            testsupport::ClickControl(modal, 1);
        },
        30000);
    ASSERT_TRUE(RipToTheEnd());
    EXPECT_TRUE(shown);
    EXPECT_EQ(Status(0), ProgString("CDTab_Ripped"));
    EXPECT_EQ(Status(1), ProgString("CDTab_Failed"));
    EXPECT_EQ(Status(2), ProgString("CDTab_Ready"));
    EXPECT_EQ(Files(), Named({1}));
    drive->SetReadHook(nullptr);
}

TEST_F(CdTabRipTest, StopRipCancelsTheTrackAtOnceAndLeavesNoFile) {
    platter_test::TImageLayout layout;
    layout.tracks = {{253}, {3000}, {315}};
    ShowDisc(layout);
    prefs_->RipJitter = PLATTER_JITTER_OFF;
    PLATTER_CDevice* drive = Page()->Drive();
    const std::int32_t track2 = drive->trackTable[1].startFrame - 150;
    const std::int32_t track3 = drive->trackTable[2].startFrame - 150;
    // Track 2 reads slowly (1 ms a sector), as a worn disc would, and cannot
    // end before the test clicks Stop.
    platter_test::CHeldTrackReads slowTrack(track2, track3, 1ms);
    drive->SetReadHook(slowTrack.Hook());
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdRipId));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Page()->Disc().Row(1)->percent >= 5; },
                                testsupport::kHangLimitMs));
    EXPECT_EQ(RipButton()->text(), ProgString("CDTab_StopRip"));
    EXPECT_GT(Page()->GetRipProgress(), 0);
    slowTrack.Open();
    ASSERT_TRUE(testsupport::ClickControl(Page()->Window(), kCdRipId));
    // The rip's own end message comes later and changes nothing.
    EXPECT_FALSE(Page()->IsRipping());
    Settle();
    EXPECT_EQ(Status(0), ProgString("CDTab_Ripped"));
    EXPECT_EQ(Status(1), ProgString("CDTab_Cancelled"));
    EXPECT_EQ(Status(2), ProgString("CDTab_Ready"));
    EXPECT_EQ(Page()->Disc().Row(1)->percent, 0);
    EXPECT_EQ(Files(), Named({1}));
    EXPECT_EQ(RipButton()->text(), ProgString("CDTab_RipTracks"));
    EXPECT_TRUE(RipButton()->isEnabled());
    EXPECT_EQ(StatusText(), ProgString("CDTab_SelectTracks"));
    drive->SetReadHook(nullptr);
}

}  // namespace
