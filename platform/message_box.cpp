#include "platform/message_box.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<MessageBoxFunction> gHook{nullptr};
}

MessageBoxFunction SetMessageBoxHook(MessageBoxFunction hook) { return gHook.exchange(hook); }

std::int32_t MessageBoxA(void* owner, const char* text, const char* caption, std::uint32_t type) {
    if (MessageBoxFunction hook = gHook.load(); hook != nullptr) {
        return hook(owner, text, caption, type);
    }
    std::fprintf(stderr, "[%s] %s\n", caption != nullptr ? caption : "",
                 text != nullptr ? text : "");
    return IDOK;
}
