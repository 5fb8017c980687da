#pragma once
// libburn, started once for the process and finished when its last user
// lets go. Its messages never go to the terminal: they are taken from its
// queue into our log (every severity while private logging is on, warnings
// and worse otherwise), and the last complaint is kept so a failed write can
// say what libburn said.
//
// libburn installs no signal handler unless asked, and we never ask: an
// exiting handler has no place inside the program.

#include <string>

class CBurnLibraryUse {
public:
    CBurnLibraryUse();
    ~CBurnLibraryUse();
    CBurnLibraryUse(const CBurnLibraryUse&) = delete;
    CBurnLibraryUse& operator=(const CBurnLibraryUse&) = delete;
    // False when libburn could not be started.
    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// Every severity into the log (the engine's private logging), or only
// warnings and worse.
void SetBurnVerboseLogging(bool on);

// Moves libburn's queued messages into the log, each line prefixed with who.
void DrainBurnMessages(const char* who);

// The text of the last message of severity SORRY or worse since the last
// ForgetBurnComplaint; empty when there was none.
std::string LastBurnComplaint();
void ForgetBurnComplaint();
