#include "songsmith/core/program_title.h"

#include <algorithm>
#include <cstdio>

#include "utilities/keyed_text.h"

bool GetProgramVersionText(char* out, std::size_t size) {
#if defined(SONGSMITH_VERSION_MAJOR) && defined(SONGSMITH_VERSION_MINOR)
    if (out == nullptr || size == 0) return false;
    std::snprintf(out, size, "%d.%d", SONGSMITH_VERSION_MAJOR, SONGSMITH_VERSION_MINOR);
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
