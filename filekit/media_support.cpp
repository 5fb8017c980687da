#include "filekit/media_support.h"

#include <cstdlib>
#include <cstring>

#include "platform/dynamic_module.h"

extern "C" int MV_SupportsWMA() {
    if (const char* forced = std::getenv("SONGSMITH_WMA_SUPPORT"); forced != nullptr) {
        if (std::strcmp(forced, "0") == 0) return 0;
        if (std::strcmp(forced, "1") == 0) return 1;
    }
    void* module = LoadModule("mediacore.dll");
    if (module == nullptr) return 0;
    FreeModule(module);
    return 1;
}
