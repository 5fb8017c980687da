#pragma once
// The desktop's sound mixer, which the program opens for the user to set
// the volumes: the first known mixer program installed.

#include <string>

struct TMixerCommand {
    std::string program;     // full path; empty when none is installed
    std::string parameters;  // blank-separated
};

// The first of pavucontrol, pavucontrol-qt and "gnome-control-center sound"
// found in the folders of searchPath (a ':'-separated PATH value) as an
// executable file.
TMixerCommand FindMixerProgram(const char* searchPath);

// Starts the mixer found on $PATH without waiting for it. None found or not
// started: nothing but a log line. True when it was started.
bool StartMixerProgram();
