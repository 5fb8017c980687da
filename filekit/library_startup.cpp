// What filekit sets up when it is loaded, before the program's main():
// the open-file limit and the registry store's report line.
#include <sys/resource.h>

#include <cstdio>

#include "filekit/log.h"
#include "platform/registry_store.h"

namespace {

// The program keeps many song files, caches and logs open at once; it was
// built for 2048 open files, more than the usual default soft limit of 1024.
constexpr rlim_t kWantedOpenFiles = 2048;

void RaiseOpenFileLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kWantedOpenFiles) return;
    limit.rlim_cur = (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= kWantedOpenFiles)
                         ? kWantedOpenFiles
                         : limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

// The store may report before the log is set up (the log switch is itself a
// preference), so the line goes to stderr as well.
void ReportRegistryProblem(const char* text) {
    Log(text);
    std::fprintf(stderr, "%s\n", text);
}

__attribute__((constructor)) void FilekitStartUp() {
    RaiseOpenFileLimit();
    RegistrySetReportHook(ReportRegistryProblem);
}

__attribute__((destructor)) void FilekitShutDown() {
    // The store saves at exit; its reports must not call into a library
    // that is going away.
    const RegistryReportFunction previous = RegistrySetReportHook(nullptr);
    if (previous != ReportRegistryProblem) RegistrySetReportHook(previous);
}

}  // namespace
