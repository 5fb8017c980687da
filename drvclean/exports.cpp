#include "drvclean/drvclean.h"

#include <new>

#include "drvclean/removal.h"

std::int32_t UninstInitialize(std::int32_t, std::int32_t, std::int32_t) {
    // No exception leaves the module: an allocation failure is a failed
    // removal like any other.
    try {
        return RemoveDriverServices();
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

std::int32_t UninstUnInitialize(std::int32_t, std::int32_t, std::int32_t) { return 0; }
