#include "songsmith/app/app_windows.h"

#include <atomic>
#include <utility>

namespace {

std::atomic<TReceiverId> g_receivers[kAppWindowCount];

std::atomic<TReceiverId>* Slot(EAppWindow window) {
    const int index = static_cast<int>(window);
    return index >= 0 && index < kAppWindowCount ? &g_receivers[index] : nullptr;
}

}  // namespace

void SetAppWindowReceiver(EAppWindow window, TReceiverId receiver) {
    if (std::atomic<TReceiverId>* slot = Slot(window)) slot->store(receiver);
}

TReceiverId AppWindowReceiver(EAppWindow window) {
    const std::atomic<TReceiverId>* slot = Slot(window);
    return slot == nullptr ? kNoReceiver : slot->load();
}

bool PostToAppWindow(EAppWindow window, TAppMessage message) {
    const TReceiverId receiver = AppWindowReceiver(window);
    if (receiver == kNoReceiver) return false;
    return PostAppMessage(receiver, std::move(message));
}
