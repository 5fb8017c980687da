#include "songsmith/app/app_message.h"

#include <atomic>

namespace {
std::atomic<IAppMessagePoster*> g_poster{nullptr};
}  // namespace

IAppMessagePoster* GetAppMessagePoster() {
    return g_poster.load();
}

void SetAppMessagePoster(IAppMessagePoster* poster) {
    g_poster.store(poster);
}

bool PostAppMessage(TReceiverId receiver, TAppMessage message) {
    IAppMessagePoster* poster = g_poster.load();
    return poster != nullptr && poster->Post(receiver, std::move(message));
}
