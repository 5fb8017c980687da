#include "platter/cdio_log.h"

#include <cdio/logging.h>

#include <mutex>

#include "filekit/log.h"

namespace {

const char* LevelName(cdio_log_level_t level) {
    switch (level) {
        case CDIO_LOG_DEBUG: return "debug";
        case CDIO_LOG_INFO: return "info";
        case CDIO_LOG_WARN: return "warning";
        case CDIO_LOG_ERROR: return "error";
        case CDIO_LOG_ASSERT: return "assertion";
    }
    return "message";
}

void ToOurLog(cdio_log_level_t level, const char message[]) {
    // Debug chatter (one line per sector read) would drown the log.
    if (level < CDIO_LOG_INFO) return;
    LogFmt("platter - libcdio %s: %s", LevelName(level), message != nullptr ? message : "");
}

}  // namespace

void InstallCdioLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(ToOurLog); });
}
