#include "tonecore/convert/dialog_choice.h"

#include "tonecore/engine/tonecore_strings.h"

void AddKeyedChoice(IChoiceList* list, const char* key, std::int32_t value, char* buffer, int size) {
    char fallback[128];
    if (buffer == nullptr || size <= 0) {
        buffer = fallback;
        size = sizeof fallback;
    }
    ToneCoreLoadString(key, buffer, size);
    list->AddItem(buffer, value);
}

int SelectChoiceValue(IChoiceList* list, std::int32_t value) {
    for (int i = 0; i < list->Count(); ++i) {
        if (list->ItemValue(i) == value) {
            list->SetCurrentIndex(i);
            return i;
        }
    }
    list->SetCurrentIndex(-1);
    return -1;
}

std::optional<std::int32_t> SelectedChoiceValue(const IChoiceList* list) {
    const int index = list->CurrentIndex();
    if (index < 0 || index >= list->Count()) return std::nullopt;
    return list->ItemValue(index);
}
