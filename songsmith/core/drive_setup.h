#pragma once
// Setting up the drive library at start-up: the engine the preferences ask
// for, the writer the Zent engine uses, and the drive list. Every failure is
// only logged: the program runs on without drives and the main window warns
// the user later.

#include <cstdint>

#include "platter/types.h"

class CPreferences;
class PLATTER_CPlatter;

// The set-up progress the drive library reports while it lists the drives.
// The start-up progress window shows it once it exists; until then the
// reports are taken and dropped.
void AspiProgressCallback(void* context, TProgressTypes type, std::intptr_t data);

void SetUpDriveLibrary(CPreferences& prefs, PLATTER_CPlatter& platter);
