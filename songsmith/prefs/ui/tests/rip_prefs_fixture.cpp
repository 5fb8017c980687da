#include "songsmith/prefs/ui/tests/rip_prefs_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/user_folders.h"
#include "testsupport/converter_modules.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/keyed_text.h"

namespace {

using testsupport::kBladeModuleFile;
using testsupport::kLameModuleFile;
using testsupport::kMediaModuleFile;
using testsupport::PlaceConverterModule;
using testsupport::RemoveConverterModules;

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

}  // namespace

void RipPrefsFixture::SetUp() {
    SetStringFile(TRACKPRESS_RESOURCE_DIR "/progstrings.txt");
    SetToneCoreStringFile(TRACKPRESS_RESOURCE_DIR "/tonecore-strings.ini");
    unsetenv("SONGSMITH_WMA_SUPPORT");
    UseModules({});
    prefs_ = std::make_unique<CPreferences>();
    platter_ = std::make_unique<PLATTER_CPlatter>();
    platter_->burningEngine = kEngineGoldenHawk;
    prefs_->WhichBurningEngine = kEngineGoldenHawk;
    prefs_->CurrentPrefPage = kRipPage;
    prefs_->Save(HKEY_CURRENT_USER);
}

void RipPrefsFixture::TearDown() {
    platter_.reset();
    prefs_.reset();
    EXPECT_EQ(FreeConversionLibraries(), 1);
    RemoveConverterModules();
    unsetenv("SONGSMITH_WMA_SUPPORT");
}

void RipPrefsFixture::UseModules(TModules modules) {
    FreeConversionLibraries();
    RemoveConverterModules();
    if (modules.lame) PlaceConverterModule(kLameModuleFile, TRACKPRESS_FAKE_ENCODER_MODULE);
    if (modules.blade) PlaceConverterModule(kBladeModuleFile, TRACKPRESS_FAKE_ENCODER_MODULE);
    if (modules.media) PlaceConverterModule(kMediaModuleFile, TRACKPRESS_MEDIACORE_MODULE);
    DetermineConvertersAvailable(MP3_ENCODER_NONE, nullptr);
    LoadLibraryWMADecoder();
}

int RipPrefsFixture::RunPrefs(const std::function<void(QWidget* dialog)>& drive,
                              const std::function<void(CPrefsDialog&)>& prepare) {
    CPrefsDialog dialog(TPrefsContext{*prefs_, platter_.get(), nullptr});
    if (prepare) prepare(dialog);
    testsupport::WhenModalShown([&](QWidget* modal) { drive(modal); });
    EXPECT_TRUE(dialog.DoModal(nullptr));
    Settle();
    return dialog.Result();
}

int RipPrefsFixture::RunModal(const std::function<int()>& run, const std::function<void(QWidget* dialog)>& drive) {
    testsupport::WhenModalShown([&](QWidget* modal) {
        // Let what the dialog queued for itself arrive first.
        Settle();
        drive(modal);
    });
    const int result = run();
    Settle();
    return result;
}

QWidget* RipPrefsFixture::In(QWidget* window) {
    QWidget* page = testsupport::FindControl(window, CPrefsDialog::kPageDialogIds[kRipPage]);
    return page != nullptr ? page : window;
}

void RipPrefsFixture::ChooseRow(QWidget* window, int id, int row) {
    auto* list = testsupport::FindControl<QComboBox>(In(window), id);
    ASSERT_NE(list, nullptr) << id;
    ASSERT_TRUE(list->isEnabled()) << id;
    list->setCurrentIndex(row);
    emit list->activated(row);
}

void RipPrefsFixture::ChooseText(QWidget* window, int id, const QString& text) {
    auto* list = testsupport::FindControl<QComboBox>(In(window), id);
    ASSERT_NE(list, nullptr) << id;
    const int row = list->findText(text);
    ASSERT_GE(row, 0) << text.toStdString();
    ChooseRow(window, id, row);
}

std::vector<std::string> RipPrefsFixture::Rows(QWidget* window, int id) {
    std::vector<std::string> rows;
    auto* list = testsupport::FindControl<QComboBox>(In(window), id);
    for (int i = 0; list != nullptr && i < list->count(); ++i) rows.push_back(list->itemText(i).toStdString());
    return rows;
}

std::string RipPrefsFixture::Shown(QWidget* window, int id) {
    auto* list = testsupport::FindControl<QComboBox>(In(window), id);
    return list != nullptr ? list->currentText().toStdString() : std::string("(no list)");
}

bool RipPrefsFixture::Checked(QWidget* window, int id) {
    auto* button = testsupport::FindControl<QAbstractButton>(In(window), id);
    return button != nullptr && button->isChecked();
}

bool RipPrefsFixture::Enabled(QWidget* window, int id) {
    QWidget* control = testsupport::FindControl(In(window), id);
    EXPECT_NE(control, nullptr) << id;
    return control != nullptr && control->isEnabled();
}

void RipPrefsFixture::Retype(QWidget* window, int id, const QString& text) {
    auto* edit = testsupport::FindControl<QLineEdit>(In(window), id);
    ASSERT_NE(edit, nullptr) << id;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

