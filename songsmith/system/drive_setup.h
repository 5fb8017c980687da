#pragma once
// Setting up the drive library at start-up: the engine the preferences ask
// for, the writer the Zent engine uses, and the drive list. Every failure is
// only logged: the program runs on without drives and the main window warns
// the user later.

#include <cstdint>

#include "platter/types.h"

class CPreferences;
class PLATTER_CPlatter;

// What shows the set-up progress: the start-up progress window.
class IStartupProgress {
public:
    virtual ~IStartupProgress() = default;
    // Shown on top of everything.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Null: an empty caption.
    virtual void SetText(const char* text) = 0;
    // The bar back at low.
    virtual void SetRange(int low, int high) = 0;
    virtual void SetStep(int step) = 0;
    // Never past the top.
    virtual void StepIt() = 0;
};

// The progress display the callback drives; null drops the reports.
void SetStartupProgress(IStartupProgress* progress);

// The set-up progress the drive library reports while it lists the drives,
// on the main thread from inside InitializeASPILayer. Show (0), hide (1),
// caption (2, data the text or 0), range 0..data (3), step size (4), one step
// (5); other types and a missing display do nothing. The context is unused.
void AspiProgressCallback(void* context, TProgressTypes type, std::intptr_t data);

void SetUpDriveLibrary(CPreferences& prefs, PLATTER_CPlatter& platter);
