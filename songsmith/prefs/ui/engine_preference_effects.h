#pragma once
// The preferences that take effect at once: the sound engine's thresholds
// and the log switch.

#include "songsmith/prefs/preference_effects.h"

class CEnginePreferenceEffects : public IPreferenceEffects {
public:
    void SetSilenceThreshold(std::uint32_t threshold) override;
    void SetPartialSongThreshold(int percent) override;
    void LogOn(int on) override;
};
