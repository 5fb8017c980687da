// The track volume dialog: the slider's ends and the percentage it shows,
// the volume applied as the slider moves, and what OK and Cancel keep.
#include "songsmith/session/ui/adjust_volume_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <climits>
#include <functional>
#include <string>

#include "platform/user_folders.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "testsupport/gui_input.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"
#include "utilities/undo_manager.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;

class AdjustVolumeDialogTest : public ::testing::Test {
protected:
    AdjustVolumeDialogTest() {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "/music/low.mp3");
        std::snprintf(info.displayText, sizeof info.displayText, "Low Song");
        info.lengthMs = 60000;
        const int index = tracks_.InsertMusicInfo(info, INT_MAX);
        serial_ = tracks_.GetAt(index)->GetSerial();
        // Only an analysed track has a volume of its own.
        tracks_.GetAt(index)->SetState(kTrackReady);
        tracks_.SetDirty(false);
    }

    double Volume() { return tracks_.GetAt(tracks_.FindBySerial(serial_))->GetVolume(); }
    void SetVolume(double volume) { tracks_.GetAt(tracks_.FindBySerial(serial_))->SetVolume(volume); }

    // Runs the dialog; drive gets it once it shows and must close it.
    void Run(const std::function<void(QWidget*)>& drive) {
        testsupport::WhenModalShown(drive);
        CAdjustVolumeDlg dialog(tracks_, undo_, list_, [this] { ++gainRefreshes_; });
        EXPECT_TRUE(dialog.DoModal(nullptr, serial_));
    }

    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    CUndoMgr undo_{CUndoMgr::kDefaultMaxDepth};
    CSessionList list_{TSessionListPartners{tracks_, prefs_, undo_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}};
    int serial_ = -1;
    int gainRefreshes_ = 0;
};

QString Percent(QWidget* dialog) {
    return FindControl<QLabel>(dialog, CAdjustVolumeDlg::kPercentText)->text();
}

TEST_F(AdjustVolumeDialogTest, TheSliderRunsFromNothingAtTheBottomToFiveAndAHalfTimesAtTheTop) {
    struct TCase {
        const char* what;
        int position;
        const char* shown;
        double volume;
    };
    const TCase cases[] = {
        {"top", CAdjustVolumeDlg::kSliderMin, "550%", 5.5},
        {"bottom", CAdjustVolumeDlg::kSliderMax, "  0%", 0.0},
        {"one tick up from the middle", 250, "350%", 3.5},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetVolume(1.0);
        while (undo_.CanUndo() != 0) undo_.Undo();
        QString shown;
        double applied = -1;
        Run([&](QWidget* dialog) {
            auto* slider = FindControl<QSlider>(dialog, CAdjustVolumeDlg::kSlider);
            ASSERT_NE(slider, nullptr);
            EXPECT_EQ(slider->value(), 500) << "100 % stands at 600 - 100";
            slider->setValue(c.position);
            shown = Percent(dialog);
            applied = Volume();
            ClickControl(dialog, 1);
        });
        EXPECT_EQ(shown, c.shown);
        EXPECT_DOUBLE_EQ(applied, c.volume) << "a move applies at once";
        EXPECT_DOUBLE_EQ(Volume(), c.volume);
        EXPECT_TRUE(tracks_.IsDirty());
        ASSERT_NE(undo_.CanUndo(), 0) << "OK after a change is one undo step";
        undo_.Undo();
        EXPECT_DOUBLE_EQ(Volume(), 1.0);
    }
}

TEST_F(AdjustVolumeDialogTest, ShowsTheVolumeRoundedAndKeepsNothingWithoutAChange) {
    SetVolume(0.29);
    QString shown;
    int position = 0;
    QString title;
    Run([&](QWidget* dialog) {
        shown = Percent(dialog);
        position = FindControl<QSlider>(dialog, CAdjustVolumeDlg::kSlider)->value();
        title = dialog->windowTitle();
        testsupport::SaveWidgetPng(dialog, "adjust_volume_dialog");
        ClickControl(dialog, 1);
    });
    EXPECT_EQ(shown, " 29%") << "0.29 x 100 lies just below 29";
    EXPECT_EQ(position, 600 - 29);
    EXPECT_TRUE(title.contains("Low Song"));
    EXPECT_DOUBLE_EQ(Volume(), 0.29);
    EXPECT_EQ(undo_.CanUndo(), 0) << "OK without a move records nothing";
    EXPECT_FALSE(tracks_.IsDirty());
}

TEST_F(AdjustVolumeDialogTest, CancelPutsTheOldVolumeBackAndRecordsNothing) {
    SetVolume(0.8);
    double whileOpen = 0;
    Run([&](QWidget* dialog) {
        FindControl<QSlider>(dialog, CAdjustVolumeDlg::kSlider)->setValue(100);
        whileOpen = Volume();
        ClickControl(dialog, 2);
    });
    EXPECT_DOUBLE_EQ(whileOpen, 5.0);
    EXPECT_DOUBLE_EQ(Volume(), 0.8);
    EXPECT_EQ(undo_.CanUndo(), 0);
    EXPECT_FALSE(tracks_.IsDirty());
    EXPECT_GE(gainRefreshes_, 2) << "the player hears the move and the way back";
}

TEST_F(AdjustVolumeDialogTest, DraggingTheThumbMovesOnlyTheTextUntilItIsLetGo) {
    SetVolume(1.0);
    QString whileDragged;
    double volumeWhileDragged = 0;
    double volumeAfter = 0;
    Run([&](QWidget* dialog) {
        auto* slider = FindControl<QSlider>(dialog, CAdjustVolumeDlg::kSlider);
        slider->setSliderDown(true);
        slider->setValue(400);
        whileDragged = Percent(dialog);
        volumeWhileDragged = Volume();
        slider->setSliderDown(false);
        volumeAfter = Volume();
        ClickControl(dialog, 1);
    });
    EXPECT_EQ(whileDragged, "200%");
    EXPECT_DOUBLE_EQ(volumeWhileDragged, 1.0);
    EXPECT_DOUBLE_EQ(volumeAfter, 2.0);
    EXPECT_DOUBLE_EQ(Volume(), 2.0);
}

}  // namespace
