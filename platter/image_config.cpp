#include "platter/image_config.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "filekit/log.h"
#include "platter/types.h"

namespace {

// A whole decimal number, or false.
bool ParseNumber(std::string_view text, std::int64_t& out) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

void Ignored(const char* name, const char* value) {
    LogFmt("TImageDriveConfig - Ignoring %s=%s", name, value);
}

void ApplyFlag(const char* name, bool& field) {
    const char* value = std::getenv(name);
    if (value == nullptr) return;
    const std::string_view text(value);
    if (text == "1" || text == "on" || text == "yes") field = true;
    else if (text == "0" || text == "off" || text == "no") field = false;
    else Ignored(name, value);
}

void ApplyTrays(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_TRAYS");
    if (value == nullptr) return;
    config.trays.clear();
    std::string_view rest(value);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty()) config.trays.emplace_back(folder);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
}

void ApplyMedia(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_MEDIA");
    if (value == nullptr) return;
    const std::string_view text(value);
    if (text == "cdr") config.freshMedia = PLATTER_MEDIA_BLANK_CDR;
    else if (text == "cdrw") config.freshMedia = PLATTER_MEDIA_BLANK_CDRW;
    else if (text == "none") config.freshMedia = PLATTER_MEDIA_NONE;
    else Ignored("PLATTER_IMAGE_MEDIA", value);
}

void ApplyMinutes(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_MINUTES");
    if (value == nullptr) return;
    std::int64_t minutes = 0;
    if (ParseNumber(value, minutes) && (minutes == 21 || minutes == 74 || minutes == 80))
        config.capacityMinutes = static_cast<std::int32_t>(minutes);
    else
        Ignored("PLATTER_IMAGE_MINUTES", value);
}

void ApplySwapDelay(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_SWAP_MS");
    if (value == nullptr) return;
    std::int64_t ms = 0;
    if (ParseNumber(value, ms) && ms >= 0) config.swapDelayMs = ms;
    else Ignored("PLATTER_IMAGE_SWAP_MS", value);
}

// "kind:track", kind one of underrun, write, full, removed; "none" clears.
void ApplyFault(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_FAULT");
    if (value == nullptr) return;
    const std::string_view text(value);
    if (text == "none") {
        config.fault = TImageFault{};
        return;
    }
    const std::size_t colon = text.find(':');
    std::int64_t track = 0;
    if (colon == std::string_view::npos || !ParseNumber(text.substr(colon + 1), track) || track < 1 ||
        track > PLATTER_MAX_TRACKS) {
        Ignored("PLATTER_IMAGE_FAULT", value);
        return;
    }
    const std::string_view kind = text.substr(0, colon);
    TImageFault fault;
    fault.track = static_cast<std::int32_t>(track);
    if (kind == "underrun") fault.kind = TImageFaultKind::kUnderrun;
    else if (kind == "write") fault.kind = TImageFaultKind::kWriteError;
    else if (kind == "full") fault.kind = TImageFaultKind::kDiscFull;
    else if (kind == "removed") fault.kind = TImageFaultKind::kMediaRemoved;
    else {
        Ignored("PLATTER_IMAGE_FAULT", value);
        return;
    }
    config.fault = fault;
}

void ApplyBadSector(TImageDriveConfig& config) {
    const char* value = std::getenv("PLATTER_IMAGE_BAD_SECTOR");
    if (value == nullptr) return;
    std::int64_t lba = 0;
    if (ParseNumber(value, lba) && lba >= -1 && lba < 100 * 60 * PLATTER_SECTORS_PER_SECOND)
        config.badSectorLba = static_cast<std::int32_t>(lba);
    else
        Ignored("PLATTER_IMAGE_BAD_SECTOR", value);
}

}  // namespace

void ApplyImageDriveEnvironment(TImageDriveConfig& config) {
    ApplyFlag("PLATTER_IMAGE_DRIVE", config.enabled);
    ApplyTrays(config);
    ApplyMedia(config);
    ApplyMinutes(config);
    ApplyFlag("PLATTER_IMAGE_PACED", config.paced);
    ApplySwapDelay(config);
    ApplyFault(config);
    ApplyBadSector(config);
}

TImageDriveConfig DefaultImageDriveConfig() {
    TImageDriveConfig config;
    ApplyImageDriveEnvironment(config);
    return config;
}
