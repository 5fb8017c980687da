#pragma once
// A switch for tests that run the built program as a child process:
// $SONGSMITH_TEST_CONTROL. With "close" the program closes its main window
// as soon as it shows; with "stdin" it writes "shown" and a line break to
// its standard output once the window shows, and closes the window when its
// standard input ends. Unset, nothing changes.

#include <functional>

class CProgram;

// The action to run once the main window shows; empty when the switch is
// not set.
std::function<void(CProgram&)> StartupTestSwitch();
