#include "songsmith/prefs/preference_effects.h"

void RunPreferenceEffect(IPreferenceEffects* effects, EPreferenceEffect effect, int value) {
    if (effects == nullptr) return;
    switch (effect) {
        case EPreferenceEffect::kSilenceThreshold:
            // The engine takes the stored 32 bits as an unsigned level.
            effects->SetSilenceThreshold(static_cast<std::uint32_t>(value));
            break;
        case EPreferenceEffect::kPartialSongThreshold:
            effects->SetPartialSongThreshold(value);
            break;
        case EPreferenceEffect::kLogOn:
            effects->LogOn(value);
            break;
    }
}
