#include "utilities/string_list.h"

#include <memory>

#include "platform/ascii_case.h"

void CStringList::AddLatestString(const char* text) {
    if (text != nullptr) items_.push_front(std::make_unique<std::string>(text));
}

void CStringList::PushBackList(const char* text) {
    if (text != nullptr) items_.push_back(std::make_unique<std::string>(text));
}

int CStringList::StringIndex(const char* text) const {
    if (text == nullptr) return -1;
    int index = 0;
    for (const auto& item : items_) {
        if (AsciiEqualNoCase(*item, text)) return index;
        ++index;
    }
    return -1;
}

const char* CStringList::Index(int i) const {
    const std::string* item = Item(i);
    return item != nullptr ? item->c_str() : nullptr;
}
