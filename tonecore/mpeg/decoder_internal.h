#pragma once
// What the decoder's own source files share and hosts do not see: the
// private block, the filter chains and the checks and module-list helpers
// that the input and output sides have in common.

#include <array>
#include <cstdint>
#include <forward_list>
#include <list>
#include <new>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_filters.h"

// One chain of filters: the added ones (stable addresses, linked to each
// other) and the built-in terminal filter the chain ends in.
template <class TFilter>
struct TFilterChain {
    TFilter terminal;
    TFilter* head = &terminal;
    std::list<TFilter> added;
};

// The decoder's own block: PCM buffer, settings, filter chains, module
// lists and its property list.
struct DecoderPrivate {
    std::array<std::int16_t, DECODER_PRIVATE_PCM_BYTES / 2> pcm{};
    DecoderOutputSettings settings;
    // The host's equaliser table, when one is set (settings.equalizer
    // points here then).
    std::array<std::int8_t, 64> equalizer{};
    TFilterChain<DecoderInputFilter> inputFilters;
    TFilterChain<DecoderOutputFilter> outputFilters;
    // Newest first, so a search by probe tries the latest module first.
    std::forward_list<DecoderModuleRecord> inputModules;
    std::forward_list<DecoderModuleRecord> outputModules;
    std::forward_list<DecoderModuleRecord> codecModules;
    DecoderPropertyList properties;
};

inline constexpr const char* kDecoderInternalError = "internal error";

inline bool DecoderApiMatches(std::uint32_t apiId) {
    return (apiId & DECODER_API_ID_MASK) == (DECODER_API_ID & DECODER_API_ID_MASK);
}

// What an input or output operation needs of its endpoint.
enum class EEndpointNeed { Any, Open, Closed };

// The texts of one side's state checks ("input" or "output").
struct TEndpointTexts {
    const char* nullModule;
    const char* nullInstance;
    const char* notOpen;
    const char* notClosed;
};

inline constexpr TEndpointTexts kInputTexts = {"null input module", "null input instance", "input not open",
                                               "input not closed"};
inline constexpr TEndpointTexts kOutputTexts = {"null output module", "null output instance", "output not open",
                                                "output not closed"};

// Reports the first failing check under "internal error" and returns
// DECODER_ERR_STATE; 0 when all hold.
std::int32_t DecoderCheckEndpoint(DecoderControl* control, const DecoderModuleRecord* module, const void* instance,
                                  std::int32_t state, EEndpointNeed need, const TEndpointTexts& texts);

// Reports a missing required slot during registration (DECODER_ERR_STATE).
std::int32_t DecoderMissingSlot(DecoderControl* control, const char* detail);

// Puts a copy of `record` at the front of `list` with the next identifier;
// returns the identifier.
std::int32_t DecoderAddModuleRecord(std::forward_list<DecoderModuleRecord>& list, std::int32_t& count,
                                    const DecoderModuleRecord& record);

// The module with `moduleId`, or with -1 the first whose probe accepts the
// name; null when none.
template <class TProbe>
DecoderModuleRecord* DecoderFindModule(std::forward_list<DecoderModuleRecord>& list, std::int32_t moduleId,
                                       TProbe accepts) {
    for (DecoderModuleRecord& record : list) {
        if (moduleId == -1 ? accepts(record) : record.id == moduleId) return &record;
    }
    return nullptr;
}

// The chains' heads as the decoder uses them, and the terminal filters'
// set-up at creation.
DecoderInputFilter* DecoderInputChain(DecoderControl* control);
DecoderOutputFilter* DecoderOutputChain(DecoderControl* control);
void DecoderInitFilterChains(DecoderControl* control);
// Deletes every added filter (instances and records).
void DecoderDeleteInputFilters(DecoderControl* control);
void DecoderDeleteOutputFilters(DecoderControl* control);

// Deletes the endpoint's instance (closing it first when open) and forgets
// its name. `Methods` is the record's input or output table.
template <auto Methods, class TState>
std::int32_t DecoderDeleteEndpoint(DecoderControl* control, TState* endpoint,
                                   std::int32_t (*close)(DecoderControl*), const TEndpointTexts& texts) {
    endpoint->name.clear();
    if (endpoint->instance == nullptr) return 0;
    if (endpoint->module == nullptr) {
        DecoderReportMessage(control, 0, kDecoderInternalError, texts.nullModule);
        return DECODER_ERR_STATE;
    }
    if (endpoint->state == 1) close(control);
    (endpoint->module->*Methods).deleteInstance(endpoint->instance);
    endpoint->instance = nullptr;
    return 0;
}

// Chooses the module (by identifier, or with -1 the first whose probe
// accepts the name; `noneAccepts` when none does) and makes its instance for
// `name` the endpoint's, unless it already is; the old one is deleted first.
template <auto Table, class TState>
std::int32_t DecoderNewEndpoint(DecoderControl* control, TState* endpoint, std::forward_list<DecoderModuleRecord>& list,
                                const char* name, std::int32_t moduleId, std::int32_t noneAccepts,
                                std::int32_t (*deleteOld)(DecoderControl*)) {
    if (name == nullptr) name = "";
    DecoderModuleRecord* chosen = DecoderFindModule(list, moduleId, [name](const DecoderModuleRecord& record) {
        const auto probe = (record.*Table).probe;
        return probe != nullptr && probe(name) == 0;
    });
    if (chosen == nullptr) return moduleId == -1 ? noneAccepts : DECODER_ERR_NO_MODULE;
    if (endpoint->instance != nullptr && endpoint->module == chosen && endpoint->name == name) return 0;
    const std::int32_t deleted = deleteOld(control);
    if (deleted != 0) return deleted;
    endpoint->state = 0;
    try {
        endpoint->name = name;
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    endpoint->module = chosen;
    void* instance = nullptr;
    const std::int32_t created = (chosen->*Table).newInstance(&instance, name, chosen, control);
    if (created != 0) return created;
    if (instance == nullptr) return DECODER_ERR_STATE;
    endpoint->instance = instance;
    return 0;
}

// Registers an input or output module: the API identifier, then the
// required slots in order (new, delete, open, close, and the transfer slot:
// read or write), each missing one reported; the module's identifier.
template <auto Table, auto Transfer, class TMethods>
std::int32_t DecoderRegisterEndpointModule(DecoderControl* control, const TMethods* methods,
                                           const char* transferDetail,
                                           std::forward_list<DecoderModuleRecord> DecoderPrivate::*list,
                                           std::int32_t DecoderModuleCounts::*count) {
    if (control == nullptr || methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (!DecoderApiMatches(methods->apiId)) return DECODER_ERR_API;
    if (methods->newInstance == nullptr) return DecoderMissingSlot(control, "null 'new' method in module");
    if (methods->deleteInstance == nullptr) return DecoderMissingSlot(control, "null 'delete' method in module");
    if (methods->open == nullptr) return DecoderMissingSlot(control, "null 'open' method in module");
    if (methods->close == nullptr) return DecoderMissingSlot(control, "null 'close' method in module");
    if (methods->*Transfer == nullptr) return DecoderMissingSlot(control, transferDetail);
    DecoderModuleRecord record;
    record.*Table = *methods;
    return DecoderAddModuleRecord(control->priv->*list, control->counts->*count, record);
}
