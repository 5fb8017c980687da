#pragma once
// Test helper: a granule channel's block switching fields.

#include <cstdint>

#include "tonecore/mpeg/layer3_types.h"

namespace layer3test {

// Block type 0 normal, 1 start, 2 short, 3 stop; the others switch windows.
inline TLayer3GranuleChannel GranuleOfBlockType(int blockType, bool mixed) {
    TLayer3GranuleChannel g;
    g.windowSwitching = blockType != 0;
    g.blockType = static_cast<std::uint32_t>(blockType);
    g.mixedBlock = mixed;
    return g;
}

}  // namespace layer3test
