#include "tonecore/engine/engine_startup.h"

#include <atomic>

#include "filekit/log.h"
#include "platform/last_error.h"
#include "platform/user_folders.h"
#include "tonecore/engine/engine_codecs.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_service_thread.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/sound_loaded.h"
#include "tonecore/engine/tonecore_strings.h"
#include "tonecore/engine/wave_out_choice.h"

namespace {

// The instance the program started the engine with; null after shut-down.
std::atomic<void*> g_instance{nullptr};
std::atomic<TEngineNotifyHook> g_notifyHook{nullptr};

void ReportNoThread() {
    char text[256];
    char caption[128];
    ToneCoreLoadString("IDS_CANNOT_CREATE_THREAD", text, sizeof text);
    ToneCoreLoadString("IDS_SOUND_ENGINE_CAPTION", caption, sizeof caption);
    LogFmt("%s: %s", caption, text);
    if (TEngineNotifyHook hook = g_notifyHook) hook(text, caption);
    SetLastError(TONECORE_ERR_NO_THREAD);
}

// Stands in for the library's unload routine: a program that did not shut
// the engine down gets its thread told to end, without a join during exit.
struct TUnloadHook {
    ~TUnloadHook() { AbandonServiceThread(); }
} g_unloadHook;

}  // namespace

int SoundEngineStartup(void* instance) {
    g_instance = instance;
    SetWaveCDBlockAlign(0);
    SetSilenceThreshold(0);
    SetPartialSongThreshold(kDefaultPartialSongThreshold);
    // A registry that survived an earlier start keeps its sounds.
    if (GetSoundRegistry() == nullptr) SetSoundRegistry(new (std::nothrow) CSoundLoaded);
    if (!StartServiceThread()) {
        ReportNoThread();
        return 0;
    }
    ChooseWaveOutBackend();
    SetCompressedFormatFlag(1);
    RegisterEngineCodecs();
    SetWMADecoderFlag(0);
    SetTempSndPath(GetUserCacheDir().c_str());
    SetMP3EncoderChoice(kMP3EncoderNone);
    SetToneCoreStringFile(FindToneCoreStringFile().c_str());
    return 1;
}

void SoundEngineShutdown() {
    StopServiceThread();
    // Forgotten before it is freed, so that a sound let go of meanwhile finds
    // no registry rather than a freed one.
    CSoundLoaded* registry = GetSoundRegistry();
    SetSoundRegistry(nullptr);
    delete registry;
    g_instance = nullptr;
}

int SoundEngineStarted() { return ServiceThreadRunning(); }

void SetSoundEngineNotifyHook(TEngineNotifyHook hook) { g_notifyHook = hook; }

void SetServiceThreadCreationFailsForTest(bool fails) { SetServiceThreadCreationFails(fails); }
