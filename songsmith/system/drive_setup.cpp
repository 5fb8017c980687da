#include "songsmith/system/drive_setup.h"

#include <climits>

#include "filekit/log.h"
#include "platter/platter.h"
#include "songsmith/burner/burn_audio_decoder.h"
#include "songsmith/prefs/preference_records.h"
#include "songsmith/prefs/preferences.h"

namespace {

IStartupProgress* g_progress = nullptr;

// A range or step from the library's pointer-sized data.
int DataAsInt(std::intptr_t data) {
    if (data > INT_MAX) return INT_MAX;
    if (data < INT_MIN) return INT_MIN;
    return static_cast<int>(data);
}

}  // namespace

void SetStartupProgress(IStartupProgress* progress) { g_progress = progress; }

void AspiProgressCallback(void*, TProgressTypes type, std::intptr_t data) {
    IStartupProgress* progress = g_progress;
    if (progress == nullptr) return;
    switch (type) {
        case kProgressShow:
            progress->Show();
            break;
        case kProgressHide:
            progress->Hide();
            break;
        case kProgressCaption:
            progress->SetText(reinterpret_cast<const char*>(data));
            break;
        case kProgressRange:
            progress->SetRange(0, DataAsInt(data));
            break;
        case kProgressStepSize:
            progress->SetStep(DataAsInt(data));
            break;
        case kProgressStep:
            progress->StepIt();
            break;
        default:
            break;
    }
}

void SetUpDriveLibrary(CPreferences& prefs, PLATTER_CPlatter& platter) {
    platter.burningEngine = prefs.WhichBurningEngine;
    // MPEG track files are written as they are; the library reads them
    // through the sound engine.
    platter.SetAudioDecoder(&ProgramBurnAudioDecoder());
    if (prefs.WhichBurningEngine == kEngineZent) {
        platter.SetWriterDrive(prefs.BurnerPrefs[kBurnerWriterFirst],
                               prefs.BurnerPrefs[kBurnerWriterSecond],
                               prefs.BurnerPrefs[kBurnerWriterThird]);
        Log("Using Zent engine");
    }
    Log("Before initializing ASPI layer!");
    // The library takes the engine it is handed here over its member: hand
    // it the preference, so only "let the library choose" lets it choose.
    TBurningEngine engine = static_cast<TBurningEngine>(platter.burningEngine.load());
    if (platter.InitializeASPILayer(prefs.UseMarovelleASPI != 0, AspiProgressCallback, nullptr,
                                    &engine)) {
        if (prefs.WhichBurningEngine == kEngineNotChosen && engine != kEngineNotChosen) {
            prefs.WhichBurningEngine = engine;
        }
        if (platter.burningEngine == kEngineZent) {
            platter.EnableZentPrivateLogging(prefs.bZentLogging != 0);
        }
        Log("After initializing ASPI layer successfully!");
        if (platter.GetDevices() == 0) Log("No CD devices found!!!! (READ or WRITE)");
        return;
    }
    if (platter.burningEngine == kEngineZent) {
        Log("ZENT ASPI did not initialize!");
        return;
    }
    // One more try with the other layer; the drives it finds are listed later.
    if (platter.InitializeASPILayer(prefs.UseMarovelleASPI == 0, AspiProgressCallback, nullptr,
                                    nullptr)) {
        Log("**** Switched the 'Use Marovelle ASPI' mode because the initial setting did not find "
            "a device.");
        prefs.UseMarovelleASPI = prefs.UseMarovelleASPI == 0 ? 1 : 0;
    } else {
        Log("***** NO ASPI LAYER INITIALIZED!! *****");
    }
}
