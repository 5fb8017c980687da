#pragma once
// Which wave-out back end the engine plays through.

// At start-up: while the default (ALSA) back end is in place and ALSA's
// "default" PCM cannot be opened (no sound card), playback goes through the
// null device instead, which plays in real time with no sound and answers
// every format query "bad format" (so a player that asks first knows that
// nothing would be heard); the switch is logged. A back end installed by the program or a test is kept. Returns the
// name of the back end in use.
const char* ChooseWaveOutBackend();
