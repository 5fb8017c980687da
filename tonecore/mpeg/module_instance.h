#pragma once
// Making the instance of a module that works on a name (a file input or
// output): it keeps its name, its module record and the control block.

#include <memory>
#include <new>

#include "tonecore/mpeg/decoder.h"

// Refuses a null or empty name, reporting `detail` under "internal error".
template <class TInstance>
std::int32_t NewNamedInstance(void** instance, const char* name, DecoderModuleRecord* module,
                              DecoderControl* control, const char* detail) {
    if (instance == nullptr || name == nullptr || name[0] == '\0') {
        DecoderReportMessage(control, module != nullptr ? module->id : 0, "internal error", detail);
        return DECODER_ERR_BAD_ARGUMENT;
    }
    auto made = std::unique_ptr<TInstance>(new (std::nothrow) TInstance);
    if (!made) return DECODER_ERR_NO_MEMORY;
    try {
        made->name = name;
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    made->module = module;
    made->control = control;
    *instance = made.release();
    return 0;
}

// The identifier messages from the instance carry.
template <class TInstance>
std::int32_t InstanceModuleId(const TInstance* instance) {
    return instance->module != nullptr ? instance->module->id : 0;
}
