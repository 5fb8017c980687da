#pragma once
// Where the main window comes back: the rules applied to the placement saved
// at the last close before it is used again, and to the placement taken at
// close before it is saved.

#include <cstdint>

#include "platform/window_placement.h"

// Show commands of a placement.
inline constexpr std::uint32_t SW_SHOWNORMAL = 1;
inline constexpr std::uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr std::uint32_t SW_SHOWMAXIMIZED = 3;
inline constexpr std::uint32_t SW_MINIMIZE = 6;
inline constexpr std::uint32_t SW_SHOWMINNOACTIVE = 7;
inline constexpr std::uint32_t SW_RESTORE = 9;

// Pixels of a restored window that stay inside the desktop at least, so its
// corner can be grabbed.
inline constexpr std::int32_t kPlacementEdgeMargin = 50;

bool IsMinimizedShowCommand(std::uint32_t showCmd);

// The saved placement made fit for the desktop (the union of the screens):
// the normal rectangle keeps its size and is moved so that its top-left
// corner lies at least kPlacementEdgeMargin inside the right and bottom
// edges and not left of or above the desktop (a screen that was removed);
// a minimised show command becomes normal.
WINDOWPLACEMENT RestorablePlacement(const WINDOWPLACEMENT& saved, const RECT& desktop);

// The placement taken at close as it is saved: a minimised window is stored
// as a normal one, so the next start does not come up minimised.
WINDOWPLACEMENT PlacementToSave(const WINDOWPLACEMENT& current);
