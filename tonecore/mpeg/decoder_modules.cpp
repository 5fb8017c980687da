// The parts of module handling that inputs and outputs share: state checks,
// registration of a record, and the missing-slot report.

#include <new>

#include "tonecore/mpeg/decoder_internal.h"

std::int32_t DecoderCheckEndpoint(DecoderControl* control, const DecoderModuleRecord* module, const void* instance,
                                  std::int32_t state, EEndpointNeed need, const TEndpointTexts& texts) {
    const char* detail = nullptr;
    if (module == nullptr) {
        detail = texts.nullModule;
    } else if (instance == nullptr) {
        detail = texts.nullInstance;
    } else if (need == EEndpointNeed::Open && state != 1) {
        detail = texts.notOpen;
    } else if (need == EEndpointNeed::Closed && state != 0) {
        detail = texts.notClosed;
    }
    if (detail == nullptr) return 0;
    DecoderReportMessage(control, 0, kDecoderInternalError, detail);
    return DECODER_ERR_STATE;
}

std::int32_t DecoderMissingSlot(DecoderControl* control, const char* detail) {
    DecoderReportMessage(control, 0, kDecoderInternalError, detail);
    return DECODER_ERR_STATE;
}

std::int32_t DecoderAddModuleRecord(std::forward_list<DecoderModuleRecord>& list, std::int32_t& count,
                                    const DecoderModuleRecord& record) {
    try {
        DecoderModuleRecord copy = record;
        copy.id = list.empty() ? 0 : list.front().id + 1;
        list.push_front(copy);
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    ++count;
    return list.front().id;
}
