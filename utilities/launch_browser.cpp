#include "utilities/launch_browser.h"

#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <utility>
#include <vector>

#include "platform/last_error.h"

extern char** environ;

namespace {

struct TBrowserState {
    std::mutex lock;
    LaunchBrowserHook hook;
    // Openers started earlier; collected once they end, so none stays behind
    // as a zombie for longer than until the next launch.
    std::vector<pid_t> running;
};

TBrowserState& State() {
    static TBrowserState* state = new TBrowserState;
    return *state;
}

void CollectFinished(std::vector<pid_t>& running) {
    std::erase_if(running, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool SpawnOpener(const char* url, std::vector<pid_t>& running) {
    CollectFinished(running);
    char program[] = "xdg-open";
    std::vector<char*> argv{program, const_cast<char*>(url), nullptr};
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, program, nullptr, nullptr, argv.data(), environ);
    if (err != 0) {
        SetLastErrorFromErrno(err);
        return false;
    }
    running.push_back(pid);
    return true;
}

}  // namespace

bool LaunchBrowser(const char* url, void* /*owner*/, int /*show*/) {
    if (url == nullptr || url[0] == '\0') return false;
    TBrowserState& state = State();
    LaunchBrowserHook hook;
    {
        std::lock_guard guard(state.lock);
        if (!state.hook) return SpawnOpener(url, state.running);
        hook = state.hook;
    }
    return hook(url);
}

LaunchBrowserHook SetLaunchBrowserHook(LaunchBrowserHook hook) {
    TBrowserState& state = State();
    std::lock_guard guard(state.lock);
    return std::exchange(state.hook, std::move(hook));
}
