#include "tonecore/sound/atom_names.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "tonecore/engine/guarded_text.h"

namespace {

CGuardedText& NamePrefix() {
    // Never destroyed, so names can still be made during exit.
    static auto* prefix = new CGuardedText();
    return *prefix;
}

std::atomic<int> g_nextNameNumber{1};

}  // namespace

void GetCurrentTimeString(char* buffer) {
    if (buffer == nullptr) return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // Every field has two digits (the year modulo 100).
    const auto two = [](int field) { return static_cast<unsigned>(field) % 100u; };
    std::snprintf(buffer, kTimeStringBytes, "%02u/%02u/%02u  %02u:%02u:%02u", two(local.tm_mon + 1),
                  two(local.tm_mday), two(local.tm_year), two(local.tm_hour), two(local.tm_min),
                  two(local.tm_sec));
}

void GetFileName(const char* path, char* result) {
    if (path == nullptr || result == nullptr || std::strlen(path) < 2) return;
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') last = p;
    }
    if (last == nullptr || last == path) return;
    std::memmove(result, last + 1, std::strlen(last + 1) + 1);
}

void SetNewNamePrefix(const char* prefix) { NamePrefix().Set(prefix != nullptr ? prefix : ""); }

void GenerateUniqueName(char* result, std::int32_t size) {
    const int number = g_nextNameNumber++;
    if (result == nullptr || size < 1) return;
    std::snprintf(result, static_cast<std::size_t>(size), "%s%d", NamePrefix().Get().c_str(), number);
}
