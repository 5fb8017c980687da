#include "songsmith/burner/burn_file_hold.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct TBurnFileHold {
    std::mutex lock;
    bool held = false;
    std::vector<std::string> pending;
};

TBurnFileHold& Hold() {
    static TBurnFileHold hold;
    return hold;
}

}  // namespace

void HoldTrackFilesForBurn() {
    TBurnFileHold& hold = Hold();
    std::lock_guard<std::mutex> guard(hold.lock);
    hold.held = true;
}

void ReleaseTrackFilesAfterBurn() {
    std::vector<std::string> pending;
    {
        TBurnFileHold& hold = Hold();
        std::lock_guard<std::mutex> guard(hold.lock);
        hold.held = false;
        pending.swap(hold.pending);
    }
    for (const std::string& path : pending) unlink(path.c_str());
}

void DeleteTrackFileWhenFree(const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    TBurnFileHold& hold = Hold();
    {
        std::lock_guard<std::mutex> guard(hold.lock);
        if (hold.held) {
            hold.pending.emplace_back(path);
            return;
        }
    }
    unlink(path);
}

void KeepTrackFile(const char* path) {
    if (path == nullptr || path[0] == '\0') return;
    TBurnFileHold& hold = Hold();
    std::lock_guard<std::mutex> guard(hold.lock);
    std::erase(hold.pending, std::string(path));
}
