#pragma once
// The configuration of the image drives: simulated CD writers whose discs
// are BIN/CUE images in a folder (the tray), so a machine without a burner
// can still burn, and tests can burn and rip without hardware.
//
// The engine holds one record; it starts from the defaults below with the
// environment's overrides applied (see the README), and the program or a test
// may change it before InitializeASPILayer.

#include <cstdint>
#include <string>
#include <vector>

#include "platter/clock.h"

// A failure the image drive is told to show while writing track k (from 1).
enum class TImageFaultKind {
    kNone,
    kUnderrun,       // code 9, unless the block and the drive allow burn-proof
    kWriteError,     // code 8
    kDiscFull,       // code 10
    kMediaRemoved,   // code 8, and the tray is empty afterwards
};

struct TImageFault {
    TImageFaultKind kind = TImageFaultKind::kNone;
    std::int32_t track = 1;
};

struct TImageDriveConfig {
    // Lists the image drives after the real drives.
    bool enabled = true;
    // One drive per folder. Empty: one tray under the per-user data folder.
    std::vector<std::string> trays;
    // What a fresh disc in the tray is: PLATTER_MEDIA_BLANK_CDR,
    // PLATTER_MEDIA_BLANK_CDRW or PLATTER_MEDIA_NONE.
    std::int32_t freshMedia = 3;
    // Capacity of a blank disc: 21, 74 or 80 minutes.
    std::int32_t capacityMinutes = 80;
    // Writes take the time a drive at the chosen speed would take.
    bool paced = true;
    // A written disc is swapped for a fresh one this long after its write,
    // as an operator would; 0 keeps it until Eject.
    std::int64_t swapDelayMs = 5000;
    TImageFault fault;
    // A sector (logical block address) that cannot be read; -1 none.
    std::int32_t badSectorLba = -1;
    // Paces writes and times swaps; null: the process's wait clock.
    IPlatterClock* clock = nullptr;
};

// The defaults with the environment's overrides applied.
TImageDriveConfig DefaultImageDriveConfig();
// Applies the PLATTER_IMAGE_* variables that are set; unusable values are
// ignored (and logged), leaving the field as it was.
void ApplyImageDriveEnvironment(TImageDriveConfig& config);
