#pragma once
// The preferences dialog over the real main window, run modally and driven
// offscreen, with what the registry store holds before and after.

#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <string>

#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/prefs/ui/prefs_dialog.h"
#include "songsmith/dialogs/ui/tests/control_layout.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "songsmith/prefs/ui/tests/stored_preferences.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "tonecore/convert/converter_factory.h"

class PrefsDialogFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        Open();
        // The engine in use is the drive library's; the stored choice agrees.
        platter_->burningEngine = kEngineGoldenHawk;
        prefs_->WhichBurningEngine = kEngineGoldenHawk;
        // Without the engine's WMA support the Importing page stores WMA
        // off whenever the dialog is confirmed; the store starts that way.
        if (ConversionToWMAAllowed() == 0) {
            prefs_->ImportWma = 0;
            prefs_->ImportMinWma = 0;
        }
        // As in the program, the burn controller has stored the address of
        // the writer it chose at start-up: the image drive.
        if (const PLATTER_CDevice* writer = platter_->GetDevice(0)) {
            prefs_->BurnerPrefs[kBurnerWriterFirst] = writer->hostAdapter;
            prefs_->BurnerPrefs[kBurnerWriterSecond] = writer->target;
            prefs_->BurnerPrefs[kBurnerWriterThird] = writer->lun;
        }
        prefs_->Save(HKEY_CURRENT_USER);
    }

    // Runs the dialog over the main window; drive works on the open dialog
    // and must close it. prepare may set pages first. The dialog's result.
    int Run(const std::function<void(QWidget* dialog, CPrefsDialog& object)>& drive,
            const std::function<void(CPrefsDialog&)>& prepare = {}) {
        CPrefsDialog dialog(MakeContext());
        if (prepare) prepare(dialog);
        testsupport::WhenModalShown([&](QWidget* modal) { drive(modal, dialog); });
        EXPECT_TRUE(dialog.DoModal(main_->Window()));
        Settle();
        return dialog.Result();
    }

    // What the dialog works on; a page's tests may hand it more.
    virtual TPrefsContext MakeContext() {
        return TPrefsContext{*prefs_, platter_.get(), main_.get(), titlefetch_, siteApplied_};
    }

    // What the dialog is handed besides the preferences.
    TITLEFETCH_CTitlefetch* titlefetch_ = nullptr;
    std::function<void()> siteApplied_;
    testsupport::CFakeUiServices ui_;
};
