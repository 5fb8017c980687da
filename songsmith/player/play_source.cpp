#include "songsmith/player/play_source.h"

#include <atomic>

namespace {

std::atomic<int> g_playSource{kPlaySourceFind};

}  // namespace

void SetPlaySource(int source) {
    g_playSource.store(source);
}

int GetPlaySource() {
    return g_playSource.load();
}
