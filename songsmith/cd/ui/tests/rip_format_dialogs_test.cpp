// The MP3, WAVE and WMA settings dialogs of the Rip page, driven offscreen by
// control id over the encoder libraries and media module placed beside the
// tests: the encoders offered, the preset sliders and their texts, what OK
// stores at once, what Cancel and the close box leave alone, the dialogs
// without WMA conversion, the link, and pictures of each dialog.
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <set>
#include <string>
#include <vector>

#include "filekit/reg_key.h"
#include "songsmith/prefs/ui/tests/rip_prefs_fixture.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "songsmith/prefs/ui/tests/stored_preferences.h"
#include "songsmith/cd/ui/mp3_settings_dialog.h"
#include "songsmith/prefs/ui/rip_prefs_page.h"
#include "songsmith/cd/ui/wave_settings_dialog.h"
#include "songsmith/cd/ui/wma_settings_dialog.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/widget_png.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/convert/converter_factory.h"
#include "utilities/launch_browser.h"

namespace {

using testsupport::ClickControl;
using testsupport::FindControl;
using Mp3 = CMP3SettingsDlg;
using Wave = CWaveSettingsDlg;
using Wma = CWMASettingsDlg;

// The stand-in encoder library tells this version.
const std::string kLameRow = "LAME MP3 encoder, version 3.07 (engine 1.02)";

std::string LabelText(QWidget* window, int id) {
    auto* label = FindControl<QLabel>(window, id);
    return label != nullptr ? label->text().toStdString() : std::string("(no label)");
}

// Moves a slider with the keyboard, as the user does; right is better.
void MoveSlider(QWidget* window, int id, int steps) {
    auto* slider = FindControl<QSlider>(window, id);
    ASSERT_NE(slider, nullptr);
    slider->setFocus();
    for (int i = 0; i < std::abs(steps); ++i) QTest::keyClick(slider, steps > 0 ? Qt::Key_Right : Qt::Key_Left);
}

// The ways to leave a dialog without OK.
enum class ELeave { kCancel, kCloseBox, kEscape };

void Leave(QWidget* dialog, ELeave how) {
    switch (how) {
        case ELeave::kCancel:
            ClickControl(dialog, IDCANCEL);
            break;
        case ELeave::kCloseBox:
            dialog->close();
            break;
        case ELeave::kEscape:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
    }
}

class FormatDialogsTest : public RipPrefsFixture {
protected:
    void SetUp() override {
        RipPrefsFixture::SetUp();
        parent_.setGeometry(100, 80, 640, 480);
        parent_.show();
    }

    template <typename TDialog>
    int Run(const std::function<void(QWidget*)>& drive) {
        TDialog dialog(*prefs_);
        return RunModal([&] { return dialog.DoModal(&parent_); }, drive);
    }

    QWidget parent_;
    testsupport::CFakeUiServices ui_;
};

TEST_F(FormatDialogsTest, TheEncoderListFollowsTheLibrariesPresentAndNeverOffersBlade) {
    struct {
        bool lame;
        bool blade;
        int stored;
        std::vector<std::string> rows;
        std::string shown;
    } const cases[] = {
        {true, false, MP3_ENCODER_LAME, {kLameRow}, kLameRow},
        {true, true, MP3_ENCODER_LAME, {kLameRow}, kLameRow},
        {false, true, MP3_ENCODER_LAME, {}, ""},
        // Blade was the choice: no other encoder is shown in its place, and
        // confirming keeps it.
        {true, true, MP3_ENCODER_BLADE, {kLameRow}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lame << c.blade << c.stored);
        UseModules({.lame = c.lame, .blade = c.blade, .media = true});
        prefs_->FormatMP3Encoder = c.stored;
        EXPECT_EQ(Run<Mp3>([&](QWidget* dialog) {
                      EXPECT_EQ(Rows(dialog, Mp3::kEncoderList), c.rows);
                      EXPECT_EQ(Shown(dialog, Mp3::kEncoderList), c.shown);
                      ClickControl(dialog, IDOK);
                  }),
                  1);
        EXPECT_EQ(prefs_->FormatMP3Encoder, c.stored);
    }
}

TEST_F(FormatDialogsTest, TheMP3PresetSliderNamesEachPresetAndOkStoresTheFourValuesAtOnce) {
    prefs_->FormatMP3Encoder = MP3_ENCODER_LAME;
    prefs_->FormatMP3Quality = 9;
    prefs_->FormatMP3TagType = 2;
    prefs_->FormatMP3VarBitRate = 0;
    Run<Mp3>([&](QWidget* dialog) {
        auto* slider = FindControl<QSlider>(dialog, Mp3::kPresetSlider);
        EXPECT_EQ(slider->minimum(), 1);
        EXPECT_EQ(slider->maximum(), 10);
        EXPECT_EQ(slider->value(), 9);
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetName), "CD");
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetFormat), "(MPEG 1, 192 kbps, Stereo)");
        MoveSlider(dialog, Mp3::kPresetSlider, -8);
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetName), "Telephone");
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetFormat), "(MPEG 2.5, 16 kbps, Mono)");
        MoveSlider(dialog, Mp3::kPresetSlider, 9);
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetName), "Studio");
        MoveSlider(dialog, Mp3::kPresetSlider, -3);
        EXPECT_EQ(LabelText(dialog, Mp3::kPresetName), "Tape");
        EXPECT_EQ(Rows(dialog, Mp3::kTagList),
                  (std::vector<std::string>{"ID3 version 2", "ID3 version 1", "No tag"}));
        EXPECT_EQ(Shown(dialog, Mp3::kTagList), "ID3 version 2");
        ChooseText(dialog, Mp3::kTagList, "No tag");
        EXPECT_FALSE(Checked(dialog, Mp3::kVarBitRate));
        ClickControl(dialog, Mp3::kVarBitRate);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(prefs_->FormatMP3Encoder, MP3_ENCODER_LAME);
    EXPECT_EQ(prefs_->FormatMP3Quality, 7);
    EXPECT_EQ(prefs_->FormatMP3TagType, 0);
    EXPECT_EQ(prefs_->FormatMP3VarBitRate, 1);
}

TEST_F(FormatDialogsTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    prefs_->FormatWAVQuality = 1;
    prefs_->FormatMP3Quality = 9;
    prefs_->FormatWMAQuality = 7;
    for (const ELeave how : {ELeave::kCancel, ELeave::kCloseBox, ELeave::kEscape}) {
        SCOPED_TRACE(static_cast<int>(how));
        const int expected = how == ELeave::kCloseBox ? 0 : IDCANCEL;
        EXPECT_EQ(Run<Mp3>([&](QWidget* dialog) {
                      MoveSlider(dialog, Mp3::kPresetSlider, -3);
                      ClickControl(dialog, Mp3::kVarBitRate);
                      Leave(dialog, how);
                  }),
                  expected);
        EXPECT_EQ(Run<Wave>([&](QWidget* dialog) {
                      ClickControl(dialog, Wave::kUserSpecified);
                      ClickControl(dialog, Wave::kMono);
                      ClickControl(dialog, Wave::kUseTags);
                      Leave(dialog, how);
                  }),
                  expected);
        EXPECT_EQ(Run<Wma>([&](QWidget* dialog) {
                      MoveSlider(dialog, Wma::kPresetSlider, -2);
                      ClickControl(dialog, Wma::kUseTags);
                      Leave(dialog, how);
                  }),
                  expected);
        EXPECT_EQ(prefs_->FormatMP3Quality, 9);
        EXPECT_EQ(prefs_->FormatMP3VarBitRate, 0);
        EXPECT_EQ(prefs_->FormatWAVQuality, 1);
        EXPECT_EQ(prefs_->FormatWAVChannels, 2);
        EXPECT_EQ(prefs_->FormatWAVUseTags, 1);
        EXPECT_EQ(prefs_->FormatWMAQuality, 7);
        EXPECT_EQ(prefs_->FormatWMAUseTags, 1);
    }
}

TEST_F(FormatDialogsTest, WaveAtCdQualityStoresCdValuesAndUserSettingsStoreWhatIsShown) {
    struct {
        int quality;
        int rate;
        int channels;
        int bits;
        int click;  // 0: leave the quality as it opened
        int expectedQuality;
        int expectedRate;
        int expectedChannels;
        int expectedBits;
    } const cases[] = {
        // The user's controls show 22050 Hz mono 8 bit, disabled: CD quality
        // stores its own values.
        {2, 22050, 1, 8, Wave::kCdQuality, 1, 44100, 2, 16},
        {1, 22050, 1, 8, 0, 1, 44100, 2, 16},
        {1, 44100, 2, 16, Wave::kUserSpecified, 2, 22050, 1, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.quality << " " << c.click);
        prefs_->FormatWAVQuality = c.quality;
        prefs_->FormatWAVSampleRate = c.rate;
        prefs_->FormatWAVChannels = c.channels;
        prefs_->FormatWAVBitRate = c.bits;
        Run<Wave>([&](QWidget* dialog) {
            const bool cd = c.quality == 1;
            EXPECT_EQ(Checked(dialog, Wave::kCdQuality), cd);
            EXPECT_EQ(Checked(dialog, Wave::kUserSpecified), !cd);
            EXPECT_EQ(Shown(dialog, Wave::kRateList), std::to_string(c.rate) + " Hz");
            EXPECT_EQ(Checked(dialog, Wave::kStereo), c.channels == 2);
            EXPECT_EQ(Checked(dialog, Wave::kMono), c.channels == 1);
            EXPECT_EQ(Checked(dialog, Wave::kBits16), c.bits == 16);
            EXPECT_EQ(Checked(dialog, Wave::kBits8), c.bits == 8);
            for (int id : {Wave::kRateText, Wave::kRateList, Wave::kModeText, Wave::kStereo, Wave::kMono,
                           Wave::kBitsText, Wave::kBits16, Wave::kBits8}) {
                EXPECT_EQ(Enabled(dialog, id), !cd) << id;
            }
            EXPECT_EQ(Enabled(dialog, Wave::kWhyCdQuality), cd);
            if (c.click != 0) ClickControl(dialog, c.click);
            if (c.click == Wave::kUserSpecified) {
                EXPECT_FALSE(Enabled(dialog, Wave::kWhyCdQuality));
                ChooseText(dialog, Wave::kRateList, "22050 Hz");
                ClickControl(dialog, Wave::kMono);
                ClickControl(dialog, Wave::kBits8);
            }
            if (c.click == Wave::kCdQuality) {
                EXPECT_FALSE(Enabled(dialog, Wave::kRateList));
            }
            ClickControl(dialog, IDOK);
        });
        EXPECT_EQ(prefs_->FormatWAVQuality, c.expectedQuality);
        EXPECT_EQ(prefs_->FormatWAVSampleRate, c.expectedRate);
        EXPECT_EQ(prefs_->FormatWAVChannels, c.expectedChannels);
        EXPECT_EQ(prefs_->FormatWAVBitRate, c.expectedBits);
    }
    // The tags box.
    prefs_->FormatWAVUseTags = 1;
    Run<Wave>([&](QWidget* dialog) {
        EXPECT_TRUE(Checked(dialog, Wave::kUseTags));
        ClickControl(dialog, Wave::kUseTags);
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(prefs_->FormatWAVUseTags, 0);
}

TEST_F(FormatDialogsTest, TheWmaSliderRunsOverTheOfferedPresetsAndOkStoresThePresetsFormat) {
    const std::vector<std::int32_t> offered = OfferedWMAPresets();
    ASSERT_GE(offered.size(), 2u) << "the media module offers too few WMA formats";
    prefs_->FormatWMAQuality = 7;
    prefs_->FormatWMAUseTags = 1;
    Run<Wma>([&](QWidget* dialog) {
        auto* slider = FindControl<QSlider>(dialog, Wma::kPresetSlider);
        EXPECT_EQ(slider->minimum(), 1);
        EXPECT_EQ(slider->maximum(), static_cast<int>(offered.size()));
        EXPECT_EQ(offered[static_cast<std::size_t>(slider->value() - 1)], 7);
        // The settings of the preset, the last text written there, after
        // their caption.
        EXPECT_EQ(LabelText(dialog, Wma::kPresetCaption), "Quality:");
        EXPECT_LT(FindControl(dialog, Wma::kPresetCaption)->geometry().right(),
                  FindControl(dialog, Wma::kPresetText)->geometry().left());
        EXPECT_EQ(LabelText(dialog, Wma::kPresetText), "(WMA 128 kbps, 44.100 kHz, Stereo)");
        EXPECT_TRUE(Checked(dialog, Wma::kUseTags));
        MoveSlider(dialog, Wma::kPresetSlider, -(slider->value() - 1));
        EXPECT_EQ(LabelText(dialog, Wma::kPresetText).find("(WMA "), 0u) << LabelText(dialog, Wma::kPresetText);
        EXPECT_NE(LabelText(dialog, Wma::kPresetText), "(WMA 128 kbps, 44.100 kHz, Stereo)");
        ClickControl(dialog, Wma::kUseTags);
        ClickControl(dialog, IDOK);
    });
    CConv2FileFormat lowest(WAVE_FORMAT_PCM);
    GetFormatFromPreset(&lowest, offered.front(), TAG_TYPE_NONE);
    EXPECT_EQ(prefs_->FormatWMAQuality, offered.front());
    EXPECT_EQ(prefs_->FormatWMASampleRate, static_cast<int>(lowest.nSamplesPerSec));
    EXPECT_EQ(prefs_->FormatWMAChannels, lowest.nChannels);
    EXPECT_EQ(prefs_->FormatWMABitRate, 16);
    EXPECT_EQ(prefs_->FormatWMAUseTags, 0);
}

TEST_F(FormatDialogsTest, WithoutWmaConversionThePageOffersNoWmaAndTheWmaDialogIsDisabled) {
    setenv("SONGSMITH_WMA_SUPPORT", "0", 1);
    UseModules({});
    ASSERT_EQ(ConversionToWMAAllowed(), 0);
    prefs_->RipFormat = 85;
    RunPrefs([&](QWidget* dialog) {
        EXPECT_EQ(Rows(dialog, CRipPrefsPage::kFormatList), (std::vector<std::string>{"MP3", "WAVE"}));
        EXPECT_EQ(Shown(dialog, CRipPrefsPage::kFormatList), "MP3");
        ClickControl(dialog, IDCANCEL);
    });
    // A stored WMA is shown as what it is, not as another format.
    prefs_->RipFormat = 353;
    RunPrefs([&](QWidget* dialog) {
        EXPECT_EQ(Rows(dialog, CRipPrefsPage::kFormatList), (std::vector<std::string>{"MP3", "WAVE", "WMA (n/a)"}));
        EXPECT_EQ(Shown(dialog, CRipPrefsPage::kFormatList), "WMA (n/a)");
        ClickControl(dialog, IDCANCEL);
    });
    prefs_->FormatWMAQuality = 5;
    prefs_->FormatWMAUseTags = 1;
    Run<Wma>([&](QWidget* dialog) {
        for (int id : {Wma::kUseTags, Wma::kPresetSlider, Wma::kPresetText, Wma::kBestQuality, Wma::kLargestSize,
                       Wma::kWorstQuality, Wma::kSmallestSize}) {
            EXPECT_FALSE(Enabled(dialog, id)) << id;
        }
        // The stored choice stays shown, so confirming keeps it.
        EXPECT_TRUE(Checked(dialog, Wma::kUseTags));
        EXPECT_TRUE(Enabled(dialog, IDOK));
        testsupport::SaveWidgetPng(dialog, "prefs_wma_disabled");
        ClickControl(dialog, IDOK);
    });
    EXPECT_EQ(prefs_->FormatWMAQuality, 5);
    EXPECT_EQ(prefs_->FormatWMAUseTags, 1);
    EXPECT_EQ(prefs_->FormatWMASampleRate, 44100);
    EXPECT_EQ(prefs_->FormatWMAChannels, 2);
}

TEST_F(FormatDialogsTest, AFormatDialogsOkOutlivesCancellingThePreferencesAndReachesTheStoreWithTheNextSave) {
    prefs_->RipFormat = 1;
    prefs_->FormatWAVQuality = 1;
    prefs_->Save(HKEY_CURRENT_USER);
    const TStoredValues before = ReadStoredValues();
    const int result = RunPrefs([&](QWidget* dialog) {
        RunModal([&] { return ClickControl(In(dialog), CRipPrefsPage::kSettings) ? 1 : 0; },
                 [&](QWidget* wave) {
                     ClickControl(wave, Wave::kUserSpecified);
                     ChooseText(wave, Wave::kRateList, "22050 Hz");
                     ClickControl(wave, Wave::kMono);
                     ClickControl(wave, Wave::kBits8);
                     ClickControl(wave, IDOK);
                 });
        ClickControl(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(prefs_->FormatWAVQuality, 2);
    EXPECT_EQ(prefs_->FormatWAVSampleRate, 22050);
    EXPECT_EQ(prefs_->FormatWAVChannels, 1);
    EXPECT_EQ(prefs_->FormatWAVBitRate, 8);
    // Cancel saved nothing; the next save stores the dialog's values.
    EXPECT_EQ(ChangedValueNames(before, ReadStoredValues()), std::set<std::string>{});
    prefs_->Save(HKEY_CURRENT_USER);
    EXPECT_EQ(ChangedValueNames(before, ReadStoredValues()),
              (std::set<std::string>{"FormatWAVBitRate", "FormatWAVChannels", "FormatWAVQuality",
                                        "FormatWAVSampleRate"}));
    CPreferences fresh;
    fresh.Load(HKEY_CURRENT_USER);
    EXPECT_EQ(fresh.FormatWAVSampleRate, 22050);
    EXPECT_EQ(fresh.FormatWAVChannels, 1);
}

TEST_F(FormatDialogsTest, TheLinkOpensTheEncoderProjectsPageOnlyWhenReleasedOnItsText) {
    std::vector<std::string> opened;
    const LaunchBrowserHook previous = SetLaunchBrowserHook([&](const char* url) {
        opened.emplace_back(url);
        return true;
    });
    Run<Mp3>([&](QWidget* dialog) {
        QWidget* link = FindControl(dialog, Mp3::kLink);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(dialog, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        EXPECT_TRUE(opened.empty());
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(3, link->height() / 2));
        ClickControl(dialog, IDCANCEL);
    });
    SetLaunchBrowserHook(previous);
    EXPECT_EQ(opened, std::vector<std::string>{Mp3::kEncoderProjectUrl});
}

TEST_F(FormatDialogsTest, EachDialogShowsItsControlsUnclippedCentredOverItsParent) {
    const auto check = [&](QWidget* dialog, const char* picture) {
        const QPoint middle = parent_.geometry().center();
        EXPECT_LE((dialog->geometry().center() - middle).manhattanLength(), 4);
        ExpectUnclipped(dialog);
        testsupport::SaveWidgetPng(dialog, picture);
        ClickControl(dialog, IDCANCEL);
    };
    Run<Mp3>([&](QWidget* dialog) { check(dialog, "prefs_mp3_settings"); });
    prefs_->FormatWAVQuality = 2;
    Run<Wave>([&](QWidget* dialog) { check(dialog, "prefs_wave_settings"); });
    Run<Wma>([&](QWidget* dialog) { check(dialog, "prefs_wma_settings"); });
}

}  // namespace
