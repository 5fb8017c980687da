#pragma once
// The process's one log file. Every library writes time-stamped lines through
// Log and LogFmt; the program names the file (LogInit), switches logging on
// or off (LogOn) and closes it (LogDeinit). The file is created, emptying any
// older one, by the first line a run writes; each line is flushed at once.

#include <cstdint>

void LogInit(const char* path);
void LogDeinit();
void LogOn(int on);
int LoggingNow();

// One line: "HH:MM:SS [<ms> mils] : <text>" and CR LF.
void Log(const char* text);
// One line of printf-formatted text cut at 511 characters:
// "HH:MM:SS [<ms, 3 wide> ms]: <text>" and CR LF.
void LogFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Four lines on the memory in use.
void LogCurrentMemory();

// The clock the prefixes are made from. Tests install a fixed one; null
// restores the local time.
struct LogClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
using LogClockFunction = LogClockTime (*)();
void LogSetClock(LogClockFunction clock);
