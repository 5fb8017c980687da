#include "songsmith/app/program_title.h"

#include <algorithm>
#include <cstdio>

#include "utilities/keyed_text.h"

void FormatProgramVersion(int a, int b, int c, int d, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    if (b != 0) {
        // A minor number of its own is shown, never dropped.
        if (d != 0) {
            std::snprintf(out, size, "%d.%d.%d.%d", a, b, c, d);
        } else if (c != 0) {
            std::snprintf(out, size, "%d.%d.%d", a, b, c);
        } else {
            std::snprintf(out, size, "%d.%d", a, b);
        }
    } else if (c != 0 || d != 0) {
        std::snprintf(out, size, "%d.%d%d", a, c, d);
    } else {
        std::snprintf(out, size, "%d.%d", a, 0);
    }
}

bool GetProgramVersionText(char* out, std::size_t size) {
#if defined(SONGSMITH_VERSION_MAJOR)
    if (out == nullptr || size == 0) return false;
    FormatProgramVersion(SONGSMITH_VERSION_MAJOR, SONGSMITH_VERSION_MINOR, SONGSMITH_VERSION_PATCH,
                         SONGSMITH_VERSION_TWEAK, out, size);
    return true;
#else
    (void)out;
    (void)size;
    return false;
#endif
}

void GetProgramTitle(char* out, std::size_t size, bool withVersion) {
    if (out == nullptr || size == 0) return;
    char name[kProgramTitleMax + 1] = {};
    MyLoadString("Program Name", name, sizeof name);
    char version[32] = {};
    const std::size_t limit = std::min(size, kProgramTitleMax + 1);
    if (withVersion && GetProgramVersionText(version, sizeof version)) {
        std::snprintf(out, limit, "%s %s", name, version);
    } else {
        std::snprintf(out, limit, "%s", name);
    }
}
