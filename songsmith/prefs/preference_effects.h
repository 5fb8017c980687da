#pragma once
// The three settings that take effect outside the preferences as soon as
// they are loaded: the sound engine's two peak-scan thresholds and the log
// switch. The program binds one implementation at start-up (over the sound
// engine and the log); the preferences call it without knowing either.

#include <cstdint>

class IPreferenceEffects {
public:
    virtual ~IPreferenceEffects() = default;
    // Peak level at or below which a peak counts as silence.
    virtual void SetSilenceThreshold(std::uint32_t threshold) = 0;
    // Percent used by the test for songs that seem incomplete.
    virtual void SetPartialSongThreshold(int percent) = 0;
    // Writes the log file (1) or not (0).
    virtual void LogOn(int on) = 0;
};

enum class EPreferenceEffect { kSilenceThreshold, kPartialSongThreshold, kLogOn };

// Hands value on as the given effect; nothing without effects.
void RunPreferenceEffect(IPreferenceEffects* effects, EPreferenceEffect effect, int value);
