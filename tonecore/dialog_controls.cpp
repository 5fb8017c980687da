#include "tonecore/dialog_controls.h"

int FindChoiceByValue(const IChoiceList& list, std::int32_t value) {
    for (int i = 0; i < list.ItemCount(); ++i) {
        if (list.ItemValue(i) == value) return i;
    }
    return -1;
}

std::int32_t SelectedChoiceValue(const IChoiceList& list, std::int32_t fallback) {
    const int selected = list.CurrentSelection();
    return selected >= 0 && selected < list.ItemCount() ? list.ItemValue(selected) : fallback;
}
