#pragma once
// Routes libcdio's messages into the system's log file, so what the library
// says about a drive or an image ends up beside our own lines. It also keeps
// the process alive: libcdio's own handler ends the program on an error
// message, such as the one for a CUE file it cannot parse.

// Installs the handler once per process (later calls do nothing).
void InstallCdioLogHandler();
