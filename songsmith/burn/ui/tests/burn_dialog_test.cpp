// The Burn CD dialog, driven offscreen by control id over a real burn
// controller whose writer is a scripted drive, a session of hand-made
// tracks and scripted answers to its questions: the copies box's checks,
// the writer's abilities, the speed lists of both engines, the estimate,
// the questions Start asks, what Start stores, and the help of each control.
#include "songsmith/burn/ui/burn_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "platform/wave_format.h"
#include "platter/fake/fake_device.h"
#include "platter/types.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/burner/tests/burner_fakes.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/dialogs/ui/tests/control_help_check.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "tonecore/tags/music_info.h"
#include "utilities/keyed_text.h"
#include "utilities/text_format.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using Dlg = CBurnDialog;

constexpr std::int32_t kSongMs = 10 * 60 * 1000;
// ms of audio converted per ms of time: a conversion of the session takes
// a noticeable share of the estimate.
constexpr double kConvertRate = 20.0;

struct TWriterSetup {
    std::uint32_t capabilities = PLATTER_CAP_WRITER | PLATTER_CAP_CDTEXT | PLATTER_CAP_BURNPROOF;
    std::vector<std::int32_t> speedsX = {4, 8, 16, 24};
    std::int32_t engine = kEngineGoldenHawk;
};

std::vector<std::string> Rows(QComboBox* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->itemText(i).toStdString());
    return rows;
}

// Replaces what the box holds by typing text into it, key by key.
void TypeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

void SelectRow(QWidget* dialog, const std::string& text) {
    auto* list = FindControl<QComboBox>(dialog, Dlg::kSpeedList);
    const int row = list->findText(QString::fromStdString(text));
    ASSERT_GE(row, 0) << "no row " << text;
    list->setCurrentIndex(row);
}

bool Checked(QWidget* dialog, int id) {
    return FindControl<QAbstractButton>(dialog, id)->isChecked();
}

class BurnDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStringFile(FindResourceFile("progstrings.txt").c_str());
        logPath_ = logDir_.Path() + "/log.txt";
        LogInit(logPath_.c_str());
        LogOn(1);
        prefs_.waveConvertRate.store(kConvertRate);
        prefs_.iDefaultMediaSize = 80;
        prefs_.bAutoDetectMediaSize = 0;
        // A CD-quality WAV song that a burn would write from its own file
        // unless its volume is changed.
        prefs_.bNormalizeSounds = 0;
        TONECORE_CMusicInfo info;
        std::snprintf(info.path, sizeof info.path, "%s", "/music/song.wav");
        info.lengthMs = kSongMs;
        info.flags[2] = true;  // analysed when stored
        info.waveFormat.wFormatTag = WAVE_FORMAT_PCM;
        CCDTrack song(prefs_, info);
        song.SetUserTrims(0, kSongMs);
        song.SetAutoTrims(0, kSongMs);
        song.SetState(kTrackReady);
        song.SetCdQuality(true);
        tracks_.AppendCopy(song);
    }
    void TearDown() override { LogDeinit(); }

    void MakeWriter(const TWriterSetup& setup = {}) {
        PLATTER_CFakeDevice& writer = drives_.Add(true);
        writer.SetIdentityText("Fake", "Writer");
        writer.capabilities = setup.capabilities;
        writer.SetSpeeds(setup.speedsX, setup.engine);
        // A drive reports its top speed apart from the list, whose unusable
        // entries the scripted drive would otherwise take for the top.
        if (setup.engine == kEngineZent) {
            writer.highestSpeed = 0;
            for (const std::int32_t speed : setup.speedsX)
                if (speed != PLATTER_SPEED_UNUSABLE)
                    writer.highestSpeed = std::max(writer.highestSpeed, speed);
        }
        drives_.engine = setup.engine;
        burner_ = std::make_unique<CBurner>(drives_, prefs_, host_, &clock_);
        burner_->SetTrackList(&tracks_);
        ASSERT_EQ(burner_->Initialize(), 1);
    }

    // Runs the dialog; drive acts on it and must close it. Its result.
    int Run(const std::function<void(QWidget* dialog)>& drive) {
        TBurnDialogContext context{prefs_, *burner_, tracks_};
        context.zentEngine = drives_.engine == kEngineZent;
        context.conversionOutdated = [this] { ++conversionOutdated_; };
        CBurnDialog dialog(context);
        testsupport::WhenModalShown([&](QWidget* modal) { drive(modal); });
        return dialog.DoModal(nullptr);
    }

    // The estimate's text for the session written writes times at speed X,
    // converted first or not.
    std::string EstimateText(int writes, int speed, bool convert) {
        const int length =
            std::min(tracks_.GetBurnLength(true, true), burner_->MaxMilsPerCD(false));
        const long long write = burner_->EstimateBurnTime(length, speed, false);
        const long long conversion = burner_->EstimateBurnTime(length, speed, convert) - write;
        char time[kLengthStringSize] = {};
        MakeLengthString(static_cast<long>(conversion + writes * write), time, sizeof time, 0);
        return FormatKeyedText("BD_Estimate", {time});
    }

    std::string LogText() { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir logDir_;
    std::string logPath_;
    CPreferences prefs_;
    CTrackList tracks_{prefs_};
    burner_test::CTestDrives drives_;
    burner_test::CTestHost host_;
    burner_test::CTestClock clock_;
    std::unique_ptr<CBurner> burner_;
    testsupport::CFakeUiServices ui_;
    int conversionOutdated_ = 0;
};

TEST_F(BurnDialogTest, OpensWithTheSavedChoicesUnclippedAndLogsItsStartAndEnd) {
    MakeWriter();
    prefs_.BurnerPrefs[kBurnerMode] = 1;
    prefs_.BurnerPrefs[kBurnerCopies] = 3;
    prefs_.BurnerPrefs[kBurnerCdText] = 1;
    prefs_.BurnerPrefs[kBurnerBurnProof] = 0;
    prefs_.BurnerPrefs[kBurnerConvertFirst] = 1;
    prefs_.BurnerPrefs[kBurnerWriteSpeed] = 2;
    const int result = Run([&](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName(), QStringLiteral("141"));
        EXPECT_EQ(dialog->windowTitle().toStdString(), KeyedText("BD_TITLE"));
        EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kWriterText)->text(),
                  QStringLiteral("Fake Writer 1"));
        EXPECT_FALSE(Checked(dialog, Dlg::kTest));
        EXPECT_TRUE(Checked(dialog, Dlg::kTestThenBurn));
        EXPECT_FALSE(Checked(dialog, Dlg::kBurn));
        EXPECT_EQ(FindControl<QLineEdit>(dialog, Dlg::kCopies)->text(), QStringLiteral("3"));
        EXPECT_TRUE(Checked(dialog, Dlg::kCdText));
        EXPECT_FALSE(Checked(dialog, Dlg::kBurnProof));
        EXPECT_TRUE(Checked(dialog, Dlg::kConvertFirst));
        EXPECT_EQ(FindControl<QComboBox>(dialog, Dlg::kSpeedList)->currentText(),
                  QStringLiteral("16 X"));
        // A test and three copies, the first converting, at 16X.
        EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                  EstimateText(4, 16, true));
        EXPECT_EQ(dialog->focusWidget(), FindControl(dialog, IDOK));
        ExpectUnclipped(dialog);
        ExpectUnclipped(FindControl(dialog, Dlg::kWriterFrame));
        ExpectUnclipped(FindControl(dialog, Dlg::kModeFrame));
        testsupport::SaveWidgetPng(dialog, QStringLiteral("burn_dialog"));
        ClickControl(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    const std::string log = LogText();
    const auto opened = log.find("CBurnDialog: received WM_INITDIALOG");
    const auto speeds = log.find("CBurnDialog: filled list of GoldenHawk burn speeds");
    const auto estimate = log.find("leaving CBurnDialog::UpdateBurnEstimate");
    const auto finished = log.find("CBurnDialog: finished WM_INITDIALOG handler");
    ASSERT_NE(opened, std::string::npos);
    EXPECT_LT(opened, speeds);
    EXPECT_LT(speeds, estimate);
    EXPECT_LT(estimate, finished);
    EXPECT_NE(finished, std::string::npos);
}

TEST_F(BurnDialogTest, CopiesBoxTakesOnlyOneToFiveHundredWhateverIsTypedOrClicked) {
    MakeWriter();
    prefs_.BurnerPrefs[kBurnerMode] = 2;
    struct TCase {
        const char* typed;
        const char* shown;
    } cases[] = {{"0", "1"},   {"700", "500"}, {"abc", "1"},
                 {"12", "12"}, {"500", "500"}, {"99999999999", "500"}};
    Run([&](QWidget* dialog) {
        auto* copies = FindControl<QLineEdit>(dialog, Dlg::kCopies);
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.typed);
            TypeInto(copies, QString::fromLatin1(c.typed));
            EXPECT_EQ(copies->text().toStdString(), c.shown);
            // Burn only: one write per copy, the first converting nothing.
            EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                      EstimateText(std::stoi(c.shown), 24, false));
        }
        // The arrows stop at either end of the range.
        const QList<QToolButton*> arrows =
            FindControl(dialog, Dlg::kCopiesUpDown)->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        const auto click = [](QToolButton* arrow) { QTest::mouseClick(arrow, Qt::LeftButton); };
        click(arrows[0]);
        EXPECT_EQ(copies->text(), QStringLiteral("500"));
        TypeInto(copies, QStringLiteral("1"));
        click(arrows[1]);
        EXPECT_EQ(copies->text(), QStringLiteral("1"));
        click(arrows[0]);
        EXPECT_EQ(copies->text(), QStringLiteral("2"));
        EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                  EstimateText(2, 24, false));
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(BurnDialogTest, AbilitiesTheWriterLacksAreDisabledButShowTheSavedChoice) {
    struct TCase {
        std::uint32_t capabilities;
        int savedCdText;
        int savedBurnProof;
        bool cdTextEnabled;
        bool burnProofEnabled;
        // clang-format off
    } cases[] = {
        {PLATTER_CAP_WRITER, 1, 1, false, false},
        {PLATTER_CAP_WRITER, 0, 0, false, false},
        {PLATTER_CAP_WRITER | PLATTER_CAP_CDTEXT, 1, 1, true, false},
        {PLATTER_CAP_WRITER | PLATTER_CAP_BURNPROOF, 1, 0, false, true},
    };
    // clang-format on
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.capabilities);
        drives_.devices.clear();
        MakeWriter({c.capabilities});
        prefs_.BurnerPrefs[kBurnerCdText] = c.savedCdText;
        prefs_.BurnerPrefs[kBurnerBurnProof] = c.savedBurnProof;
        Run([&](QWidget* dialog) {
            EXPECT_EQ(FindControl(dialog, Dlg::kCdText)->isEnabled(), c.cdTextEnabled);
            EXPECT_EQ(FindControl(dialog, Dlg::kBurnProof)->isEnabled(), c.burnProofEnabled);
            EXPECT_EQ(Checked(dialog, Dlg::kCdText), c.savedCdText != 0);
            EXPECT_EQ(Checked(dialog, Dlg::kBurnProof), c.savedBurnProof != 0);
            ClickControl(dialog, IDOK);
        });
        // What could not be changed is stored as it was.
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerCdText], c.savedCdText);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerBurnProof], c.savedBurnProof);
        burner_.reset();
    }
}

// The Zent engine's list leaves out the speeds the drive reports as
// unusable; every row still stands for its own speed.
TEST_F(BurnDialogTest, SpeedRowsStoreAndEstimateTheirOwnSpeedUnderBothEngines) {
    struct TCase {
        const char* name;
        std::int32_t engine;
        std::vector<std::int32_t> speedsX;
        std::vector<std::string> rows;
        int saved;
        const char* selectedAtOpen;
        const char* chosen;
        int stored;
        int estimatedAtX;
        // clang-format off
    } cases[] = {
        {"zent, unusable speeds left out", kEngineZent, {4, 8, 255, 16, 255},
         {"Fastest", "16 X", " 8 X", " 4 X"}, 8, " 8 X", "16 X", 16, 16},
        {"zent, a slower row", kEngineZent, {4, 8, 255, 16, 255},
         {"Fastest", "16 X", " 8 X", " 4 X"}, 255, "Fastest", " 4 X", 4, 4},
        {"zent, fastest", kEngineZent, {4, 8, 255, 16}, {"Fastest", "16 X", " 8 X", " 4 X"}, 16, "16 X",
         "Fastest", 255, 16},
        {"golden hawk, speed numbers", kEngineGoldenHawk, {4, 8, 16, 24},
         {"Fastest", "24 X", "16 X", " 8 X", " 4 X"}, 1, " 8 X", "16 X", 2, 16},
        {"golden hawk, slowest", kEngineGoldenHawk, {4, 8, 16, 24},
         {"Fastest", "24 X", "16 X", " 8 X", " 4 X"}, 255, "Fastest", " 4 X", 0, 4},
        {"golden hawk, fastest", kEngineGoldenHawk, {4, 8, 16, 24},
         {"Fastest", "24 X", "16 X", " 8 X", " 4 X"}, 3, "24 X", "Fastest", 255, 24},
    };
    // clang-format on
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        drives_.devices.clear();
        MakeWriter({PLATTER_CAP_WRITER, c.speedsX, c.engine});
        prefs_.BurnerPrefs[kBurnerMode] = 2;
        prefs_.BurnerPrefs[kBurnerCopies] = 1;
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
        prefs_.BurnerPrefs[kBurnerWriteSpeed] = c.saved;
        prefs_.bFirstBurnWarning = 0;
        const int result = Run([&](QWidget* dialog) {
            auto* list = FindControl<QComboBox>(dialog, Dlg::kSpeedList);
            EXPECT_EQ(Rows(list), c.rows);
            EXPECT_EQ(list->currentText().toStdString(), c.selectedAtOpen);
            SelectRow(dialog, c.chosen);
            EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                      EstimateText(1, c.estimatedAtX, false));
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerWriteSpeed], c.stored);
        burner_.reset();
    }
}

// A test is one write; the burn writes every copy; only the first write
// converts.
TEST_F(BurnDialogTest, EstimateCountsOneTestWriteAndOneWritePerBurntCopyWithOneConversion) {
    struct TCase {
        const char* name;
        int modeButton;
        const char* copies;
        bool convert;
        int writes;
        // clang-format off
    } cases[] = {
        {"test then burn x2", Dlg::kTestThenBurn, "2", true, 3},
        {"burn x2", Dlg::kBurn, "2", true, 2},
        {"test only x3", Dlg::kTest, "3", true, 1},
        {"burn x1 without conversion", Dlg::kBurn, "1", false, 1},
        {"test then burn x1", Dlg::kTestThenBurn, "1", false, 2},
    };
    // clang-format on
    MakeWriter();
    prefs_.BurnerPrefs[kBurnerMode] = 2;
    prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
    Run([&](QWidget* dialog) {
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.name);
            ClickControl(dialog, c.modeButton);
            TypeInto(FindControl<QLineEdit>(dialog, Dlg::kCopies), QString::fromLatin1(c.copies));
            if (Checked(dialog, Dlg::kConvertFirst) != c.convert)
                ClickControl(dialog, Dlg::kConvertFirst);
            SelectRow(dialog, " 8 X");
            EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                      EstimateText(c.writes, 8, c.convert));
            SelectRow(dialog, "Fastest");
            EXPECT_EQ(FindControl<QLabel>(dialog, Dlg::kEstimate)->text().toStdString(),
                      EstimateText(c.writes, 24, c.convert));
        }
        ClickControl(dialog, IDCANCEL);
    });
}

TEST_F(BurnDialogTest, StartStoresWhatTheControlsShowAndTellsTheController) {
    MakeWriter({PLATTER_CAP_WRITER | PLATTER_CAP_CDTEXT | PLATTER_CAP_BURNPROOF,
                {4, 8, 16, 24},
                kEngineZent});
    prefs_.BurnerPrefs[kBurnerMode] = 2;
    prefs_.BurnerPrefs[kBurnerCopies] = 1;
    prefs_.BurnerPrefs[kBurnerCdText] = 0;
    prefs_.BurnerPrefs[kBurnerBurnProof] = 1;
    prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
    prefs_.BurnerPrefs[kBurnerWriteSpeed] = 255;
    TBurnerPrefs expected = prefs_.BurnerPrefs;
    const int result = Run([&](QWidget* dialog) {
        ClickControl(dialog, Dlg::kTestThenBurn);
        TypeInto(FindControl<QLineEdit>(dialog, Dlg::kCopies), QStringLiteral("3"));
        ClickControl(dialog, Dlg::kCdText);
        ClickControl(dialog, Dlg::kBurnProof);
        ClickControl(dialog, Dlg::kConvertFirst);
        SelectRow(dialog, " 8 X");
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    expected[kBurnerMode] = 1;
    expected[kBurnerCopies] = 3;
    expected[kBurnerCdText] = 1;
    expected[kBurnerBurnProof] = 0;
    expected[kBurnerConvertFirst] = 1;
    expected[kBurnerWriteSpeed] = 8;
    EXPECT_EQ(prefs_.BurnerPrefs, expected);
    EXPECT_EQ(burner_->copies.load(), 3);
    EXPECT_EQ(conversionOutdated_, 1);
    EXPECT_TRUE(ui_.MessageKeys().empty());
}

TEST_F(BurnDialogTest, OnlyAChangedConvertFirstChoiceOutdatesTheConvertedFiles) {
    struct TCase {
        int saved;
        bool click;
        int outdated;
    } cases[] = {{0, true, 1}, {1, true, 1}, {0, false, 0}, {1, false, 0}};
    MakeWriter();
    prefs_.BurnerPrefs[kBurnerMode] = 1;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.saved << (c.click ? " clicked" : " left"));
        prefs_.BurnerPrefs[kBurnerConvertFirst] = c.saved;
        conversionOutdated_ = 0;
        Run([&](QWidget* dialog) {
            if (c.click) ClickControl(dialog, Dlg::kConvertFirst);
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(conversionOutdated_, c.outdated);
        EXPECT_EQ(prefs_.BurnerPrefs[kBurnerConvertFirst], c.click ? 1 - c.saved : c.saved);
    }
}

TEST_F(BurnDialogTest, CancelAndTheCloseBoxStoreNothing) {
    MakeWriter();
    const TBurnerPrefs before = prefs_.BurnerPrefs;
    for (const bool closeBox : {false, true}) {
        const int result = Run([&](QWidget* dialog) {
            ClickControl(dialog, Dlg::kTest);
            TypeInto(FindControl<QLineEdit>(dialog, Dlg::kCopies), QStringLiteral("7"));
            ClickControl(dialog, Dlg::kConvertFirst);
            if (closeBox) {
                dialog->close();
            } else {
                ClickControl(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(prefs_.BurnerPrefs, before);
        EXPECT_EQ(burner_->copies.load(), 1);
        EXPECT_EQ(conversionOutdated_, 0);
    }
}

// Each question that applies, in turn; an answer that does not go on keeps
// the dialog open with nothing stored.
TEST_F(BurnDialogTest, StartAsksItsQuestionsInTurnAndOnlyTheGoingOnAnswerProceeds) {
    struct TAnswer {
        const char* key;
        int id;
        bool dontAsk;
    };
    struct TCase {
        const char* name;
        int modeButton;
        bool discBurnt;
        bool zent;
        int transitionMode;
        bool convert;
        double volume;  // the song's: changed, only the full check converts it
        std::vector<TAnswer> answers;
        bool started;
        int firstBurnWarning;
        int convertWarning3;
        int storedConvert;
        // clang-format off
    } cases[] = {
        {"first burn: yes", Dlg::kBurn, false, false, 0, false, 1.0, {{"BEM_FirstBurn", IDYES, false}}, true, 1,
         1, 0},
        {"first burn: yes, not again", Dlg::kBurn, false, false, 0, false, 1.0,
         {{"BEM_FirstBurn", IDYES, true}}, true, 0, 1, 0},
        {"first burn: no", Dlg::kBurn, false, false, 0, false, 1.0, {{"BEM_FirstBurn", IDNO, false}}, false, 1, 1,
         0},
        {"first burn: no, not again", Dlg::kBurn, false, false, 0, false, 1.0, {{"BEM_FirstBurn", IDNO, true}},
         false, 0, 1, 0},
        {"first burn: closed", Dlg::kBurn, false, false, 0, false, 1.0, {{"BEM_FirstBurn", IDCANCEL, false}},
         false, 1, 1, 0},
        {"a disc was burnt this run", Dlg::kBurn, true, false, 0, false, 1.0, {}, true, 1, 1, 0},
        {"test then burn", Dlg::kTestThenBurn, false, false, 0, false, 1.0, {}, true, 1, 1, 0},
        {"mixed: yes converts", Dlg::kTestThenBurn, false, false, 2, false, 1.0,
         {{"BEM_ConvertWavWarning1", IDYES, false}}, true, 1, 1, 1},
        {"mixed: no keeps it off", Dlg::kTestThenBurn, false, false, 2, false, 1.0,
         {{"BEM_ConvertWavWarning1", IDNO, false}}, true, 1, 1, 0},
        {"mixed: cancel", Dlg::kTestThenBurn, false, false, 2, false, 1.0,
         {{"BEM_ConvertWavWarning1", IDCANCEL, false}}, false, 1, 1, 0},
        {"mixed, converting anyway", Dlg::kTestThenBurn, false, false, 2, true, 1.0, {}, true, 1, 1, 1},
        {"mixed under the zent engine", Dlg::kTestThenBurn, false, true, 2, false, 1.0, {}, true, 1, 1, 0},
        {"skipped processing: yes", Dlg::kTestThenBurn, false, false, 0, false, 0.5,
         {{"BEM_ConvertWavWarning3", IDYES, false}}, true, 1, 1, 0},
        {"skipped processing: yes, not again", Dlg::kTestThenBurn, false, false, 0, false, 0.5,
         {{"BEM_ConvertWavWarning3", IDYES, true}}, true, 1, 0, 0},
        {"skipped processing: no", Dlg::kTestThenBurn, false, false, 0, false, 0.5,
         {{"BEM_ConvertWavWarning3", IDNO, false}}, false, 1, 1, 0},
        {"skipped processing under the zent engine", Dlg::kTestThenBurn, false, true, 0, false, 0.5, {}, true, 1, 1,
         0},
        {"all three", Dlg::kBurn, false, false, 2, false, 0.5,
         {{"BEM_FirstBurn", IDYES, false}, {"BEM_ConvertWavWarning1", IDNO, false},
          {"BEM_ConvertWavWarning3", IDYES, false}},
         true, 1, 1, 0},
        {"mixing converts, so nothing is skipped", Dlg::kBurn, false, false, 2, false, 0.5,
         {{"BEM_FirstBurn", IDYES, false}, {"BEM_ConvertWavWarning1", IDYES, false}}, true, 1, 1, 1},
    };
    // clang-format on
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        drives_.devices.clear();
        MakeWriter({PLATTER_CAP_WRITER, {4, 8}, c.zent ? kEngineZent : kEngineGoldenHawk});
        burner_->discBurntThisRun = c.discBurnt;
        prefs_.fadePreferences.transitionMode = c.transitionMode;
        prefs_.BurnerPrefs = kDefaultBurnerPrefs;
        prefs_.BurnerPrefs[kBurnerConvertFirst] = c.convert ? 1 : 0;
        prefs_.bFirstBurnWarning = 1;
        prefs_.bFastBurnWarning = 1;
        prefs_.bMandatoryWaveConversionsOnly = 1;
        prefs_.bConvertWavWarning3 = 1;
        tracks_.GetAt(0)->SetVolume(c.volume);
        const TBurnerPrefs before = prefs_.BurnerPrefs;
        std::vector<std::string> keys;
        for (const TAnswer& answer : c.answers) {
            ui_.ExpectMessage(answer.key, answer.id, answer.dontAsk);
            keys.push_back(answer.key);
        }
        const auto asked = ui_.MessageKeys().size();
        bool stayedOpen = false;
        const int result = Run([&](QWidget* dialog) {
            ClickControl(dialog, c.modeButton);
            ClickControl(dialog, IDOK);
            stayedOpen = dialog->isVisible();
            if (stayedOpen) ClickControl(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, c.started ? 1 : 0);
        EXPECT_EQ(stayedOpen, !c.started);
        const std::vector<std::string> all = ui_.MessageKeys();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(asked), all.end()),
                  keys);
        EXPECT_EQ(prefs_.bFirstBurnWarning, c.firstBurnWarning);
        EXPECT_EQ(prefs_.bConvertWavWarning3, c.convertWarning3);
        if (c.started) {
            EXPECT_EQ(prefs_.BurnerPrefs[kBurnerConvertFirst], c.storedConvert);
        } else {
            EXPECT_EQ(prefs_.BurnerPrefs, before);
        }
        burner_.reset();
    }
}

TEST_F(BurnDialogTest, F1OnAControlShowsItsHelpTopic) {
    MakeWriter();
    struct TCase {
        int control;
        int topic;
    } cases[] = {{IDOK, 11},
                 {Dlg::kCopies, 6},
                 {Dlg::kTest, 7},
                 {Dlg::kTestThenBurn, 8},
                 {Dlg::kCdText, 3},
                 {Dlg::kSpeedList, 5},
                 {Dlg::kBurn, 9},
                 {Dlg::kBurnProof, 4},
                 {Dlg::kConvertFirst, 2}};
    Run([&](QWidget* dialog) {
        for (const TCase& c : cases) ExpectF1Topic(dialog, c.control, c.topic, ui_);
        ClickControl(dialog, IDCANCEL);
    });
}

}  // namespace
