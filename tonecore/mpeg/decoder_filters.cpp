#include "tonecore/mpeg/decoder_filters.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "tonecore/mpeg/decoder_internal.h"

namespace {

// ---- walking a chain ------------------------------------------------------------
// A call starts at `from` and goes toward the module until a filter has the
// method; the terminal filter has them all.

template <class TFilter, class TSlot>
TFilter* Handler(TFilter* from, TSlot slot) {
    while (from != nullptr && from->id != 0 && from->methods.*slot == nullptr) from = from->toModule;
    return from;
}

template <class TFilter, class TSlot, class TResult, class... TArgs>
TResult CallChain(TFilter* from, TSlot slot, TResult none, TArgs... args) {
    TFilter* handler = Handler(from, slot);
    if (handler == nullptr) return none;
    return (handler->methods.*slot)(handler, args...);
}

// ---- the terminal filters: straight to the module instance ------------------------

const DecoderInputModuleMethods* InputModule(const DecoderInputFilter* self) {
    const DecoderInputState* input = self->control->input;
    return input->module != nullptr && input->instance != nullptr ? &input->module->input : nullptr;
}

void* InputInstance(const DecoderInputFilter* self) {
    return self->control->input->instance;
}

// Calls the module's method, or answers `missing` when the module or the
// method is not there.
template <class TSlot, class TResult, class... TArgs>
TResult ToInputModule(DecoderInputFilter* self, TSlot slot, TResult missing, TArgs... args) {
    const DecoderInputModuleMethods* module = InputModule(self);
    if (module == nullptr || module->*slot == nullptr) return missing;
    return (module->*slot)(InputInstance(self), args...);
}

DecoderInputFilterMethods TerminalInputMethods() {
    using M = DecoderInputModuleMethods;
    DecoderInputFilterMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.open = [](DecoderInputFilter* self) { return ToInputModule(self, &M::open, DECODER_ERR_STATE); };
    methods.close = [](DecoderInputFilter* self) { return ToInputModule(self, &M::close, DECODER_ERR_STATE); };
    methods.read = [](DecoderInputFilter* self, void* buffer, std::uint32_t count) {
        return ToInputModule(self, &M::read, DECODER_ERR_STATE, buffer, count);
    };
    methods.seek = [](DecoderInputFilter* self, std::int64_t offset) {
        return ToInputModule(self, &M::seek, DECODER_ERR_NO_METHOD, offset);
    };
    methods.seekable = [](DecoderInputFilter* self) { return ToInputModule(self, &M::seekable, std::int32_t{0}); };
    methods.size = [](DecoderInputFilter* self) { return ToInputModule(self, &M::size, std::int64_t{0}); };
    methods.message = [](DecoderInputFilter* self, std::int32_t code, const void* data, std::uint32_t size) {
        return ToInputModule(self, &M::message, DECODER_ERR_NO_METHOD, code, data, size);
    };
    return methods;
}

const DecoderOutputModuleMethods* OutputModule(const DecoderOutputFilter* self) {
    const DecoderOutputState* output = self->control->output;
    return output->module != nullptr && output->instance != nullptr ? &output->module->output : nullptr;
}

template <class TSlot, class TResult, class... TArgs>
TResult ToOutputModule(DecoderOutputFilter* self, TSlot slot, TResult missing, TArgs... args) {
    const DecoderOutputModuleMethods* module = OutputModule(self);
    if (module == nullptr || module->*slot == nullptr) return missing;
    return (module->*slot)(self->control->output->instance, args...);
}

// What an output without a control method answers.
std::int32_t DefaultControl(DecoderOutputControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    static constexpr std::int32_t kDefaults[] = {2, 100, 100, 50, 1};
    std::copy(std::begin(kDefaults), std::end(kDefaults), control->words + 1);
    return 0;
}

DecoderOutputFilterMethods TerminalOutputMethods() {
    using M = DecoderOutputModuleMethods;
    DecoderOutputFilterMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.open = [](DecoderOutputFilter* self) { return ToOutputModule(self, &M::open, DECODER_ERR_STATE); };
    methods.close = [](DecoderOutputFilter* self) { return ToOutputModule(self, &M::close, DECODER_ERR_STATE); };
    methods.write = [](DecoderOutputFilter* self, const void* pcm, std::uint32_t bytes, std::uint32_t bytesPerSample,
                       std::uint32_t channels, std::uint32_t sampleRate) {
        return ToOutputModule(self, &M::write, std::int32_t{0}, pcm, bytes, bytesPerSample, channels, sampleRate);
    };
    methods.getBuffer = [](DecoderOutputFilter* self, std::uint32_t size) {
        return ToOutputModule(self, &M::getBuffer, static_cast<void*>(nullptr), size);
    };
    methods.setFormat = [](DecoderOutputFilter* self, const DecoderOutputFormat* format, std::uint32_t mask) {
        // An output without the method takes the format with every write.
        return ToOutputModule(self, &M::setFormat, std::int32_t{0}, format, mask);
    };
    methods.getControl = [](DecoderOutputFilter* self, DecoderOutputControl* control, std::uint32_t mask) {
        const DecoderOutputModuleMethods* module = OutputModule(self);
        if (module == nullptr || module->getControl == nullptr) return DefaultControl(control);
        return module->getControl(self->control->output->instance, control, mask);
    };
    methods.getTimeStamp = [](DecoderOutputFilter* self, std::uint32_t* value) {
        if (value != nullptr) *value = 0;
        return ToOutputModule(self, &M::getTimeStamp, DECODER_ERR_NO_METHOD, value);
    };
    methods.message = [](DecoderOutputFilter* self, std::int32_t code, const void* data, std::uint32_t size) {
        return ToOutputModule(self, &M::message, DECODER_ERR_NO_METHOD, code, data, size);
    };
    methods.capability = [](DecoderOutputFilter* self) {
        return ToOutputModule(self, &M::capability, DECODER_OUTPUT_DEFAULT_CAPABILITIES);
    };
    return methods;
}

// ---- attaching and detaching ------------------------------------------------------

template <class TFilter>
TFilter* FindById(TFilterChain<TFilter>& chain, std::int32_t id) {
    for (TFilter* filter = chain.head; filter != nullptr; filter = filter->toModule) {
        if (filter->id == id) return filter;
    }
    return nullptr;
}

template <class TFilter>
std::int32_t SmallestFreeId(TFilterChain<TFilter>& chain) {
    std::int32_t id = 1;
    while (FindById(chain, id) != nullptr) ++id;
    return id;
}

template <class TFilter, class TMethods>
std::int32_t Attach(DecoderControl* control, TFilterChain<TFilter>& chain, const TMethods* methods,
                    std::int32_t position) {
    if (methods == nullptr || methods->name == nullptr || position < DECODER_FILTER_AT_HEAD) {
        return DECODER_ERR_BAD_ARGUMENT;
    }
    if (!DecoderApiMatches(methods->apiId)) return DECODER_ERR_API;
    TFilter* before = position == DECODER_FILTER_AT_HEAD ? chain.head
                      : position <= 1                    ? &chain.terminal
                                                         : FindById(chain, position);
    if (before == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const std::int32_t id = SmallestFreeId(chain);
    TFilter* filter = nullptr;
    try {
        filter = &chain.added.emplace_back();
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    filter->id = id;
    filter->methods = *methods;
    filter->control = control;
    if (methods->newInstance != nullptr) {
        const std::int32_t created = methods->newInstance(&filter->instance, id, control);
        if (created != 0) {
            chain.added.pop_back();
            return created;
        }
    }
    filter->toModule = before;
    filter->toHead = before->toHead;
    if (before->toHead != nullptr) {
        before->toHead->toModule = filter;
    } else {
        chain.head = filter;
    }
    before->toHead = filter;
    return id;
}

template <class TFilter>
TFilter* FindToDetach(TFilterChain<TFilter>& chain, const char* name, std::int32_t position) {
    switch (position) {
        case DECODER_FILTER_BY_NAME:
            for (TFilter* filter = chain.head; filter->id != 0; filter = filter->toModule) {
                const char* own = filter->methods.name();
                if (own != nullptr && std::strcmp(own, name) == 0) return filter;
            }
            return nullptr;
        case DECODER_FILTER_AT_HEAD:
            return chain.head;
        case DECODER_FILTER_NEXT_TO_TERMINAL:
            return chain.terminal.toHead;
        default:
            return FindById(chain, position);
    }
}

template <class TFilter>
std::int32_t Detach(TFilterChain<TFilter>& chain, const char* name, std::int32_t position) {
    if (position == DECODER_FILTER_BY_NAME && name == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    TFilter* filter = FindToDetach(chain, name, position);
    if (filter == nullptr || filter->id == 0) return DECODER_ERR_NO_METHOD;  // the terminal stays
    if (filter->toHead != nullptr) {
        filter->toHead->toModule = filter->toModule;
    } else {
        chain.head = filter->toModule;
    }
    filter->toModule->toHead = filter->toHead;
    if (filter->methods.deleteInstance != nullptr) filter->methods.deleteInstance(filter->instance);
    chain.added.remove_if([filter](const TFilter& f) { return &f == filter; });
    return chain.head->id;
}

template <class TFilter, class TCallback>
std::int32_t Enumerate(TFilterChain<TFilter>& chain, std::uintptr_t user, TCallback callback) {
    if (callback == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    for (TFilter* filter = chain.head; filter->id != 0; filter = filter->toModule) callback(user, filter);
    return 0;
}

template <class TFilter>
void DeleteAll(TFilterChain<TFilter>& chain) {
    for (TFilter* filter = chain.head; filter->id != 0; filter = filter->toModule) {
        if (filter->methods.deleteInstance != nullptr) filter->methods.deleteInstance(filter->instance);
    }
    chain.added.clear();
    chain.head = &chain.terminal;
    chain.terminal.toHead = nullptr;
}

}  // namespace

// ---- the decoder's side -------------------------------------------------------------

DecoderInputFilter* DecoderInputChain(DecoderControl* control) {
    return control->priv->inputFilters.head;
}

DecoderOutputFilter* DecoderOutputChain(DecoderControl* control) {
    return control->priv->outputFilters.head;
}

void DecoderInitFilterChains(DecoderControl* control) {
    DecoderPrivate* priv = control->priv;
    priv->inputFilters.terminal.methods = TerminalInputMethods();
    priv->inputFilters.terminal.control = control;
    priv->outputFilters.terminal.methods = TerminalOutputMethods();
    priv->outputFilters.terminal.control = control;
}

void DecoderDeleteInputFilters(DecoderControl* control) {
    DeleteAll(control->priv->inputFilters);
}

void DecoderDeleteOutputFilters(DecoderControl* control) {
    DeleteAll(control->priv->outputFilters);
}

// ---- the host's side ------------------------------------------------------------------

std::int32_t DecoderInputFilterAttach(DecoderControl* control, const DecoderInputFilterMethods* methods,
                                      std::int32_t position) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Attach(control, control->priv->inputFilters, methods, position);
}

std::int32_t DecoderOutputFilterAttach(DecoderControl* control, const DecoderOutputFilterMethods* methods,
                                       std::int32_t position) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Attach(control, control->priv->outputFilters, methods, position);
}

std::int32_t DecoderInputFilterDetach(DecoderControl* control, const char* name, std::int32_t position) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Detach(control->priv->inputFilters, name, position);
}

std::int32_t DecoderOutputFilterDetach(DecoderControl* control, const char* name, std::int32_t position) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Detach(control->priv->outputFilters, name, position);
}

std::int32_t DecoderInputFilterEnumerate(DecoderControl* control, std::uintptr_t user,
                                         DecoderInputFilterCallback callback) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Enumerate(control->priv->inputFilters, user, callback);
}

std::int32_t DecoderOutputFilterEnumerate(DecoderControl* control, std::uintptr_t user,
                                          DecoderOutputFilterCallback callback) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Enumerate(control->priv->outputFilters, user, callback);
}

// ---- chain operations -------------------------------------------------------------------

using TIn = DecoderInputFilterMethods;
using TOut = DecoderOutputFilterMethods;

std::int32_t DecoderInputFilterOpen(DecoderInputFilter* from) {
    return CallChain(from, &TIn::open, DECODER_ERR_STATE);
}

std::int32_t DecoderInputFilterClose(DecoderInputFilter* from) {
    return CallChain(from, &TIn::close, DECODER_ERR_STATE);
}

std::int32_t DecoderInputFilterRead(DecoderInputFilter* from, void* buffer, std::uint32_t count) {
    return CallChain(from, &TIn::read, DECODER_ERR_STATE, buffer, count);
}

std::int32_t DecoderInputFilterSeek(DecoderInputFilter* from, std::int64_t offset) {
    return CallChain(from, &TIn::seek, DECODER_ERR_NO_METHOD, offset);
}

std::int32_t DecoderInputFilterSeekable(DecoderInputFilter* from) {
    return CallChain(from, &TIn::seekable, std::int32_t{0});
}

std::int64_t DecoderInputFilterSize(DecoderInputFilter* from) {
    return CallChain(from, &TIn::size, std::int64_t{0});
}

std::int32_t DecoderInputFilterMessage(DecoderInputFilter* from, std::int32_t code, const void* data,
                                       std::uint32_t size) {
    return CallChain(from, &TIn::message, DECODER_ERR_NO_METHOD, code, data, size);
}

std::int32_t DecoderOutputFilterOpen(DecoderOutputFilter* from) {
    return CallChain(from, &TOut::open, DECODER_ERR_STATE);
}

std::int32_t DecoderOutputFilterClose(DecoderOutputFilter* from) {
    return CallChain(from, &TOut::close, DECODER_ERR_STATE);
}

std::int32_t DecoderOutputFilterWrite(DecoderOutputFilter* from, const void* pcm, std::uint32_t bytes,
                                      std::uint32_t bytesPerSample, std::uint32_t channels, std::uint32_t sampleRate) {
    return CallChain(from, &TOut::write, std::int32_t{0}, pcm, bytes, bytesPerSample, channels, sampleRate);
}

void* DecoderOutputFilterGetBuffer(DecoderOutputFilter* from, std::uint32_t size) {
    return CallChain(from, &TOut::getBuffer, static_cast<void*>(nullptr), size);
}

std::int32_t DecoderOutputFilterSetFormat(DecoderOutputFilter* from, const DecoderOutputFormat* format,
                                          std::uint32_t mask) {
    return CallChain(from, &TOut::setFormat, DECODER_ERR_STATE, format, mask);
}

std::int32_t DecoderOutputFilterGetControl(DecoderOutputFilter* from, DecoderOutputControl* control,
                                           std::uint32_t mask) {
    return CallChain(from, &TOut::getControl, DECODER_ERR_STATE, control, mask);
}

std::int32_t DecoderOutputFilterGetTimeStamp(DecoderOutputFilter* from, std::uint32_t* value) {
    return CallChain(from, &TOut::getTimeStamp, DECODER_ERR_STATE, value);
}

std::int32_t DecoderOutputFilterMessage(DecoderOutputFilter* from, std::int32_t code, const void* data,
                                        std::uint32_t size) {
    return CallChain(from, &TOut::message, DECODER_ERR_NO_METHOD, code, data, size);
}

std::uint32_t DecoderOutputFilterCapability(DecoderOutputFilter* from) {
    return CallChain(from, &TOut::capability, std::uint32_t{0});
}
