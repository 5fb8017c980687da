#pragma once
// Routes libcdio's messages into the system's log file, so what the library
// says about a drive or an image ends up beside our own lines.

// Installs the handler once per process (later calls do nothing).
void InstallCdioLogHandler();
