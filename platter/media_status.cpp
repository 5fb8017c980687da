#include "platter/media_status.h"

#include "platter/types.h"

std::int32_t ClassifyDiscInformation(const std::uint8_t* info, std::size_t size) {
    // Byte 2: bit 4 erasable, bits 0-1 the disc's status (0 empty).
    if (info == nullptr || size < 3) return PLATTER_MEDIA_WRITTEN;
    const bool empty = (info[2] & 0x03) == 0;
    const bool erasable = (info[2] & 0x10) != 0;
    if (!empty) return PLATTER_MEDIA_WRITTEN;
    return erasable ? PLATTER_MEDIA_BLANK_CDRW : PLATTER_MEDIA_BLANK_CDR;
}
