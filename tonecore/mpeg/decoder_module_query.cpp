#include "tonecore/mpeg/decoder_module_query.h"

#include "tonecore/mpeg/decoder_internal.h"
#include "tonecore/mpeg/module_info.h"

namespace {

using TInfoMethod = std::int32_t (*)(DecoderModuleInfo*, std::uint32_t);

// By identifier only: no probe accepts anything here.
DecoderModuleRecord* FindById(std::forward_list<DecoderModuleRecord>& list, std::int32_t moduleId) {
    return DecoderFindModule(list, moduleId, [](const auto&) { return false; });
}

std::int32_t Query(std::forward_list<DecoderModuleRecord>& list, std::int32_t moduleId,
                   TInfoMethod (*info)(const DecoderModuleRecord&), DecoderModuleInfo* record, std::uint32_t flags) {
    const DecoderModuleRecord* module = FindById(list, moduleId);
    if (module == nullptr) return DECODER_ERR_NO_MODULE;
    if (const TInfoMethod method = info(*module); method != nullptr) return method(record, flags);
    static constexpr TModuleDevice kUnknown[] = {{"unknown module name", "unknown device name", 1}};
    return FillModuleInfo(record, flags, kUnknown[0].pattern, kUnknown[0].description, kUnknown);
}

}  // namespace

std::int32_t DecoderInputModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                     std::uint32_t flags) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Query(control->priv->inputModules, moduleId, [](const DecoderModuleRecord& m) { return m.input.info; },
                 info, flags);
}

std::int32_t DecoderOutputModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                      std::uint32_t flags) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return Query(control->priv->outputModules, moduleId, [](const DecoderModuleRecord& m) { return m.output.info; },
                 info, flags);
}

std::int32_t DecoderCodecModuleQuery(DecoderControl* control, std::int32_t moduleId, DecoderModuleInfo* info,
                                     std::uint32_t flags) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const DecoderModuleRecord* module = FindById(control->priv->codecModules, moduleId);
    if (module == nullptr) return DECODER_ERR_NO_MODULE;
    if (module->codec.info == nullptr) return DECODER_ERR_NO_METHOD;
    return module->codec.info(info, flags);
}
