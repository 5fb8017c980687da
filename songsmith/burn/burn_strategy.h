#pragma once
// What the Burn command decides before it starts a burn: how the audio is
// prepared (the burn mode) from the engine, the convert-first choice and the
// session's transitions, and the speed a slower retry asks for.

#include <vector>

struct TBurnStrategy {
    int mode = 0;
    // What the log says about the choice.
    const char* logLine = "";
};

// zentEngine: the Zent engine writes (it mixes the tracks itself);
// transitionMode: the fade settings' kind (2: tracks mixed with an overlap);
// mandatoryOnly: "bMandatoryWaveConversionsOnly".
TBurnStrategy ChooseBurnStrategy(bool zentEngine, bool convertFirst, int transitionMode, bool mandatoryOnly);

// The speed a retry at a slower speed stores: the fastest of speeds below
// current, where current 255 stands for the fastest of speeds (speeds may
// hold 255 rows the writer cannot use, which are left out; a speed may be
// a multiple of 1X or a speed number from 0). current itself
// when none is slower.
int NextLowerSpeed(int current, const std::vector<int>& speeds);
