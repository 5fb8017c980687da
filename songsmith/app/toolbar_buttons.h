#pragma once
// The main window's toolbar: its buttons in order and their tool-tip texts.

#include <cstddef>
#include <span>

enum class EToolbarKind { kButton, kSeparator, kPageButton };

struct TToolbarButton {
    int command;         // 0 for a separator
    int image;           // index in the button strip; -1 for a separator
    const char* tipKey;  // null for a separator
    EToolbarKind kind;
};

// Images in each button strip (one more than the buttons use).
inline constexpr int kToolbarImageCount = 14;
// Sizes of one image in the large and the small ("ShowSmallToolbar") strip.
inline constexpr int kLargeToolbarImageWidth = 60;
inline constexpr int kLargeToolbarImageHeight = 32;
inline constexpr int kSmallToolbarImageWidth = 30;
inline constexpr int kSmallToolbarImageHeight = 16;

// The 13 positions of the toolbar, separators included.
std::span<const TToolbarButton> ToolbarButtons();

// The tool-tip text of command (cut to size - 1 bytes, terminated); an empty
// text for a command the toolbar does not know. Knows 40054 too, which no
// button shows.
void GetToolbarTipText(int command, char* out, std::size_t size);
