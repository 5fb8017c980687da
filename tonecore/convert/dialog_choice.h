#pragma once
// What every list helper of the settings dialogs does alike: items named by
// keyed texts, the item of a value selected, the selected item's value read.

#include <cstdint>
#include <optional>

#include "tonecore/convert/dialog_controls.h"

// Adds the keyed text (loaded into buffer, size bytes) as an item of value.
void AddKeyedChoice(IChoiceList* list, const char* key, std::int32_t value, char* buffer, int size);
// Selects the first item whose value is value; none when no item has it.
// The index, or -1.
int SelectChoiceValue(IChoiceList* list, std::int32_t value);
// The selected item's value; nothing when no item is selected.
std::optional<std::int32_t> SelectedChoiceValue(const IChoiceList* list);
