#include "tonecore/mpeg/module_info.h"

#include <cstring>

namespace {

void CopyText(char (&field)[255], const char* text) {
    std::strncpy(field, text, sizeof(field) - 1);
    field[sizeof(field) - 1] = '\0';
}

}  // namespace

std::int32_t FillModuleInfo(DecoderModuleInfo* info, std::uint32_t flags, const char* name, const char* version,
                            std::span<const TModuleDevice> devices) {
    if (info == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if ((flags & DECODER_INFO_NAME) != 0) {
        CopyText(info->text, name);
        CopyText(info->text2, version);
    }
    if ((flags & DECODER_INFO_DEVICE_COUNT) != 0) info->index = static_cast<std::int32_t>(devices.size());
    if ((flags & DECODER_INFO_DEVICE) != 0) {
        if (info->index < 0 || static_cast<std::size_t>(info->index) >= devices.size()) return DECODER_ERR_BAD_ARGUMENT;
        const TModuleDevice& device = devices[static_cast<std::size_t>(info->index)];
        CopyText(info->text, device.pattern);
        CopyText(info->text2, device.description);
        info->deviceFlags = device.flags;
    }
    return 0;
}
