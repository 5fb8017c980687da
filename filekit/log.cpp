#include "filekit/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <sys/time.h>

#include "filekit/file_obj.h"
#include "filekit/memory_status.h"

namespace {

constexpr std::size_t kFormatBuffer = 512;  // LogFmt text: at most 511 characters

struct LogState {
    // The lock lives as long as the process: threads of other libraries may
    // still log while the program shuts the log down.
    std::mutex lock;
    std::string path;
    CFileObj* stream = nullptr;
    std::atomic<bool> initialised{false};
    std::atomic<int> on{1};
    std::atomic<LogClockFunction> clock{nullptr};
};

LogState& State() {
    // Never destroyed, so logging from static destructors stays safe.
    static LogState* state = new LogState;
    return *state;
}

// A text cut at the end of the format buffer may end inside a UTF-8
// character; the partial character is dropped so that the line stays valid
// text. length is the number of bytes kept.
void DropPartialCharacter(char* text, std::size_t length) {
    std::size_t start = length;
    // Back over the continuation bytes (10xxxxxx) to the character's first.
    while (start > 0 && length - start < 4 &&
           (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
        --start;
    }
    if (start == 0) return;
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length - (start - 1) < need) text[start - 1] = '\0';
}

LogClockTime LocalClock() {
    struct timeval now{};
    gettimeofday(&now, nullptr);
    struct tm local{};
    localtime_r(&now.tv_sec, &local);
    return LogClockTime{local.tm_hour, local.tm_min, local.tm_sec,
                        static_cast<int>(now.tv_usec / 1000)};
}

LogClockTime Now() {
    LogClockFunction clock = State().clock.load();
    return clock != nullptr ? clock() : LocalClock();
}

// Writes one line under the held lock: creates the file on the first line of
// the run (and again after a failed creation), then three flushed writes.
void WriteLineLocked(LogState& state, const char* prefix, const char* text) {
    if (!state.initialised || state.stream == nullptr) return;
    if (!state.stream->IsOpen() && !state.stream->Create(state.path.c_str())) return;
    state.stream->Write(prefix, static_cast<std::int64_t>(std::strlen(prefix)));
    state.stream->Write(text, static_cast<std::int64_t>(std::strlen(text)));
    state.stream->Write("\r\n", 2);
}

}  // namespace

void LogInit(const char* path) {
    LogState& state = State();
    std::lock_guard guard(state.lock);
    if (state.stream != nullptr) {
        CRefObj* old = state.stream;
        DeleteRefObject(&old);
    }
    state.path = path != nullptr ? path : "";
    state.stream = new CFileObj();
    state.initialised = true;
}

void LogDeinit() {
    LogState& state = State();
    if (!state.initialised) return;
    std::lock_guard guard(state.lock);
    state.initialised = false;
    if (state.stream != nullptr) {
        state.stream->Close();
        CRefObj* stream = state.stream;
        DeleteRefObject(&stream);
        state.stream = nullptr;
    }
}

void LogOn(int on) { State().on = on; }

int LoggingNow() { return State().on; }

void LogSetClock(LogClockFunction clock) { State().clock = clock; }

void Log(const char* text) {
    LogState& state = State();
    if (!state.on || !state.initialised) return;
    // The time is read under the lock, so the lines stand in the file in the
    // order of their times.
    std::lock_guard guard(state.lock);
    const LogClockTime t = Now();
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "%02d:%02d:%02d [%d mils] : ", t.hour, t.minute,
                  t.second, t.millisecond);
    WriteLineLocked(state, prefix, text != nullptr ? text : "");
}

void LogFmt(const char* format, ...) {
    LogState& state = State();
    if (!state.on || !state.initialised || format == nullptr) return;
    std::lock_guard guard(state.lock);
    if (state.stream == nullptr) return;
    char text[kFormatBuffer];
    va_list args;
    va_start(args, format);
    const int full = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (full >= static_cast<int>(sizeof(text))) DropPartialCharacter(text, sizeof(text) - 1);
    const LogClockTime t = Now();
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "%02d:%02d:%02d [%3d ms]: ", t.hour, t.minute, t.second,
                  t.millisecond);
    if (state.on) WriteLineLocked(state, prefix, text);
}

void LogCurrentMemory() {
    LogState& state = State();
    if (!state.on || !state.initialised) return;
    const MemoryStatus m = ReadMemoryStatus();
    // Decimal megabytes, as the figures have always been reported.
    auto mb = [](std::uint64_t bytes) { return static_cast<double>(bytes) * 1e-6; };
    char line[256];
    std::snprintf(line, sizeof(line), "Mem in use percentage = %d %%",
                  static_cast<int>(m.loadPercent));
    Log(line);
    std::snprintf(line, sizeof(line), "Free physical : %0.2f MB, Total physical : %0.2f MB",
                  mb(m.freePhysical), mb(m.totalPhysical));
    Log(line);
    std::snprintf(line, sizeof(line), "Free paging file : %0.2f MB, Total paging file : %0.2f MB",
                  mb(m.freePaging), mb(m.totalPaging));
    Log(line);
    std::snprintf(line, sizeof(line), "Free virtual : %0.2f MB, Total virtual : %0.2f MB",
                  mb(m.freeVirtual), mb(m.totalVirtual));
    Log(line);
}
