#include "songsmith/prefs/ui/engine_preference_effects.h"

#include "filekit/log.h"
#include "tonecore/engine/engine_settings.h"

void CEnginePreferenceEffects::SetSilenceThreshold(std::uint32_t threshold) {
    ::SetSilenceThreshold(threshold);
}

void CEnginePreferenceEffects::SetPartialSongThreshold(int percent) {
    ::SetPartialSongThreshold(percent);
}

void CEnginePreferenceEffects::LogOn(int on) {
    ::LogOn(on);
}
