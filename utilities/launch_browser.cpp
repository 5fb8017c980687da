#include "utilities/launch_browser.h"

#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/last_error.h"

extern char** environ;

namespace {

struct TBrowserState {
    std::mutex lock;
    LaunchBrowserHook hook;
    LaunchFailureHandler failed;
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

bool SpawnProgram(const char* program, const std::vector<std::string>& args,
                  std::vector<pid_t>& running) {
    CollectFinished(running);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, program, nullptr, nullptr, argv.data(), environ);
    if (err != 0) {
        SetLastErrorFromErrno(err);
        return false;
    }
    running.push_back(pid);
    return true;
}

// Blank-separated words; double quotes group words with blanks inside.
std::vector<std::string> SplitParameters(const char* parameters) {
    std::vector<std::string> words;
    if (parameters == nullptr) return words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char* p = parameters; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

bool LaunchBrowser(const char* url, void* /*owner*/, int /*show*/) {
    if (url == nullptr || url[0] == '\0') return false;
    TBrowserState& state = State();
    LaunchBrowserHook hook;
    LaunchFailureHandler failed;
    {
        std::lock_guard guard(state.lock);
        if (state.hook) {
            hook = state.hook;
        } else {
            if (SpawnProgram(kDesktopOpener, {url}, state.running)) return true;
            failed = state.failed;
        }
    }
    // Told outside the lock: the handler may show a box and wait for the user.
    if (!hook) {
        if (failed) failed(url);
        return false;
    }
    return hook(url);
}

LaunchFailureHandler SetLaunchFailureHandler(LaunchFailureHandler handler) {
    TBrowserState& state = State();
    std::lock_guard guard(state.lock);
    return std::exchange(state.failed, std::move(handler));
}

LaunchBrowserHook SetLaunchBrowserHook(LaunchBrowserHook hook) {
    TBrowserState& state = State();
    std::lock_guard guard(state.lock);
    return std::exchange(state.hook, std::move(hook));
}

bool StartProgram(const char* path, const char* parameters) {
    if (path == nullptr || path[0] == '\0') return false;
    TBrowserState& state = State();
    std::lock_guard guard(state.lock);
    return SpawnProgram(path, SplitParameters(parameters), state.running);
}
