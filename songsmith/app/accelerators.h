#pragma once
// The main window's keys: Ctrl with a letter runs a menu command.

#include "songsmith/app/command_ids.h"

struct TAccelerator {
    char letter;  // upper case
    int command;
};

inline constexpr TAccelerator kAccelerators[] = {
    {'A', cmd::kSelectAll},  {'B', cmd::kBurn},        {'C', cmd::kCopy},  {'I', cmd::kAddAllFound},
    {'N', cmd::kNewSession}, {'O', cmd::kOpenSession}, {'Q', cmd::kExit},  {'R', cmd::kRip},
    {'S', cmd::kSave},       {'T', cmd::kAddTracks},   {'V', cmd::kPaste}, {'X', cmd::kCut},
    {'Y', cmd::kRedo},       {'Z', cmd::kUndo},
};

// The command of Ctrl with letter (either case); 0 when the table has none.
constexpr int AcceleratorCommand(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    for (const TAccelerator& key : kAccelerators)
        if (key.letter == letter) return key.command;
    return 0;
}

// The commands of the standard editing keys (select all, copy, paste, cut,
// redo, undo): while a text field has the focus these keys are the field's.
constexpr bool IsTextEditingCommand(int command) {
    return command == cmd::kSelectAll || command == cmd::kCopy || command == cmd::kPaste ||
           command == cmd::kCut || command == cmd::kRedo || command == cmd::kUndo;
}
