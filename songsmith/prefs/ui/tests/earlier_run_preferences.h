#pragma once
// The preferences a user's earlier run left behind, for tests that start
// the main window and want it to ask nothing at start-up.

#include "songsmith/prefs/preferences.h"

inline void AsAnEarlierRunLeftThem(CPreferences& prefs) {
    // The Find page comes first, as after the first library import.
    prefs.ImportInitial = 1;
    // A user who accepted the agreement and was told about missing drives
    // and the recorder: the window asks nothing once it shows (an agreement
    // shown would wait for an answer no test gives).
    prefs.bAgreedToLicense = 1;
    prefs.bWarnAboutNoASPI = 0;
    prefs.bWarnAboutNoRecorder = 0;
}
