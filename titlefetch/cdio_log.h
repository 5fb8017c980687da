#pragma once
// Routes libcdio's messages into the system's log file, so what the library
// says about a drive or an image ends up beside our own lines. It also keeps
// the process alive: libcdio's own handler ends the program on an error
// message, such as the one for a drive or CUE file it cannot read.
//
// The handler is one for the whole process, so every library that reads
// through libcdio installs this same one. Header-only: platter includes it
// without linking titlefetch.

#include <cdio/logging.h>

#include <mutex>

#include "filekit/log.h"

namespace cdiolog {

inline const char* LevelName(cdio_log_level_t level) {
    switch (level) {
        case CDIO_LOG_DEBUG: return "debug";
        case CDIO_LOG_INFO: return "info";
        case CDIO_LOG_WARN: return "warning";
        case CDIO_LOG_ERROR: return "error";
        case CDIO_LOG_ASSERT: return "assertion";
    }
    return "message";
}

inline void ToOurLog(cdio_log_level_t level, const char message[]) {
    // Debug chatter (a line per sector read) would drown the log.
    if (level < CDIO_LOG_INFO) return;
    LogFmt("libcdio %s: %s", LevelName(level), message != nullptr ? message : "");
}

}  // namespace cdiolog

// Installs the handler (later calls do nothing).
inline void InstallCdioLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(cdiolog::ToOurLog); });
}
