#pragma once
// The preferences dialog over the real main window, run modally and driven
// offscreen, with what the registry store holds before and after.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "filekit/reg_key.h"
#include "platform/last_error.h"
#include "songsmith/core/preference_records.h"
#include "songsmith/core/preferences.h"
#include "songsmith/prefs_dialog.h"
#include "songsmith/tests/main_window_fixture.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "tonecore/converter_factory.h"

// Each value of the preferences key as stored: its type and bytes.
using TStoredValues = std::map<std::string, std::pair<std::uint32_t, std::string>>;

inline TStoredValues ReadStoredValues() {
    TStoredValues values;
    HKEY key = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, "SOFTWARE\\Marovelle\\Songsmith", &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no preferences key";
        return values;
    }
    for (std::uint32_t index = 0;; ++index) {
        char name[256];
        std::uint32_t nameSize = sizeof name;
        std::uint32_t type = 0;
        std::uint8_t data[4096];
        std::uint32_t dataSize = sizeof data;
        if (RegEnumValue(key, index, name, &nameSize, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<const char*>(data), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

// The names of the values added, removed or changed between two readings.
inline std::set<std::string> ChangedValueNames(const TStoredValues& before,
                                               const TStoredValues& after) {
    std::set<std::string> changed;
    for (const auto& [name, value] : after) {
        const auto old = before.find(name);
        if (old == before.end() || old->second != value) changed.insert(name);
    }
    for (const auto& [name, value] : before)
        if (after.count(name) == 0) changed.insert(name);
    return changed;
}

// Whether every control lies inside its window, apart from the others, and
// shows its whole text.
inline void ExpectUnclipped(QWidget* window) {
    const QList<QWidget*> controls = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        for (QWidget* other : controls) {
            if (other != control && control->geometry().intersects(other->geometry()))
                ADD_FAILURE() << control->objectName().toStdString() << " overlaps "
                              << other->objectName().toStdString();
        }
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(window->rect().contains(control->geometry())) << "past the window's edge";
        if (qobject_cast<QAbstractScrollArea*>(control) != nullptr) continue;
        const auto* label = qobject_cast<QLabel*>(control);
        if (label != nullptr && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
        } else {
            EXPECT_LE(control->sizeHint().width(), control->width());
        }
    }
}

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
