#include "songsmith/system/placement_rules.h"

#include <algorithm>

namespace {

// The position of an edge moved into [low, high]; the upper limit wins when
// the desktop is narrower than the margin.
std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
    return std::min(std::max(value, low), high);
}

}  // namespace

bool IsMinimizedShowCommand(std::uint32_t showCmd) {
    return showCmd == SW_SHOWMINIMIZED || showCmd == SW_MINIMIZE || showCmd == SW_SHOWMINNOACTIVE;
}

WINDOWPLACEMENT RestorablePlacement(const WINDOWPLACEMENT& saved, const RECT& desktop) {
    WINDOWPLACEMENT placement = saved;
    RECT& rect = placement.rcNormalPosition;
    // Moving the whole rectangle keeps its size; limiting only the left edge
    // would leave it inside out.
    const std::int32_t left = Clamp(rect.left, desktop.left, desktop.right - kPlacementEdgeMargin);
    const std::int32_t top = Clamp(rect.top, desktop.top, desktop.bottom - kPlacementEdgeMargin);
    rect.right += left - rect.left;
    rect.bottom += top - rect.top;
    rect.left = left;
    rect.top = top;
    if (IsMinimizedShowCommand(placement.showCmd)) placement.showCmd = SW_SHOWNORMAL;
    return placement;
}

WINDOWPLACEMENT PlacementToSave(const WINDOWPLACEMENT& current) {
    WINDOWPLACEMENT placement = current;
    placement.length = sizeof(WINDOWPLACEMENT);
    if (IsMinimizedShowCommand(placement.showCmd)) placement.showCmd = SW_SHOWNORMAL;
    return placement;
}
