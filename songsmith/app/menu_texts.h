#pragma once
// The main menu: eight menus and their items, each text by key, each item
// with its command number.

#include <span>

// Items that are not plain commands.
enum class EMenuItemKind {
    kCommand,
    kSeparator,
    kCdDriveSubmenu,   // one item per drive, or one disabled "none" item
    kProductsSubmenu,  // the maker's other products
};

struct TMenuItemText {
    EMenuItemKind kind;
    const char* key;  // null for a separator
    int command;      // 0 where the kind has none
};

struct TMenuText {
    const char* key;
    std::span<const TMenuItemText> items;
};

// File, Edit, Find, Library, CD, Song List, Player, Help, in this order.
std::span<const TMenuText> MainMenuTexts();

// Index of the File menu's Exit item: the recent session files go in front
// of it.
inline constexpr int kFileMenuExitPosition = 8;

// Keys of the CD drive submenu's items: one per drive, formatted with its
// name, or the single disabled item when there is no drive.
inline constexpr const char* kCdDriveItemKey = "MUCT_Drive";
inline constexpr const char* kNoCdDriveItemKey = "MUCT_ShowNone";
