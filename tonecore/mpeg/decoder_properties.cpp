#include "tonecore/mpeg/decoder_properties.h"

#include <cstring>
#include <new>
#include <vector>

#include "tonecore/mpeg/decoder_errors.h"

namespace {

DecoderProperty* Find(const DecoderPropertyList* list, const char* name) {
    for (const DecoderProperty& property : list->properties) {
        if (property.name == name) return const_cast<DecoderProperty*>(&property);
    }
    return nullptr;
}

// Watchers may add or remove watchers from inside their callback, so the
// ones to call are collected first.
void Notify(const DecoderPropertyList* list, const std::string& name, const DecoderPropertyValue* value) {
    std::vector<DecoderPropertyWatcher> toCall;
    for (const DecoderPropertyWatcher& watcher : list->watchers) {
        if (watcher.name == name) toCall.push_back(watcher);
    }
    for (const DecoderPropertyWatcher& watcher : toCall) watcher.callback(watcher.user, name.c_str(), value);
}

void NotifyValue(const DecoderPropertyList* list, const DecoderProperty& property) {
    DecoderPropertyValue value;
    value.integer = property.integer;
    value.text = property.type == DECODER_PROPERTY_TEXT ? property.text.c_str() : nullptr;
    const std::string name = property.name;  // the property may go away in a callback
    Notify(list, name, &value);
}

}  // namespace

std::int32_t PropertyListSetInteger(DecoderPropertyList* list, const char* name, std::int32_t value) {
    if (list == nullptr || name == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    try {
        DecoderProperty* property = Find(list, name);
        if (property == nullptr) {
            list->properties.push_front(DecoderProperty{name, DECODER_PROPERTY_INTEGER, value, {}});
            property = &list->properties.front();
        } else if (property->type != DECODER_PROPERTY_INTEGER) {
            return DECODER_ERR_PROPERTY_TYPE;
        }
        property->integer = value;
        NotifyValue(list, *property);
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    return 0;
}

std::int32_t PropertyListGetInteger(const DecoderPropertyList* list, const char* name, std::int32_t* value) {
    if (list == nullptr || name == nullptr || value == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const DecoderProperty* property = Find(list, name);
    if (property == nullptr) return DECODER_ERR_NO_PROPERTY;
    if (property->type != DECODER_PROPERTY_INTEGER) return DECODER_ERR_PROPERTY_TYPE;
    *value = property->integer;
    return 0;
}

std::int32_t PropertyListSetText(DecoderPropertyList* list, const char* name, const char* text) {
    if (list == nullptr || name == nullptr || text == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    try {
        DecoderProperty* property = Find(list, name);
        if (property == nullptr) {
            list->properties.push_front(DecoderProperty{name, DECODER_PROPERTY_TEXT, 0, text});
            property = &list->properties.front();
        } else if (property->type != DECODER_PROPERTY_TEXT) {
            return DECODER_ERR_PROPERTY_TYPE;
        } else {
            property->text = text;
        }
        NotifyValue(list, *property);
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    return 0;
}

std::int32_t PropertyListGetText(const DecoderPropertyList* list, const char* name, char* buffer,
                                 std::uint32_t size) {
    if (list == nullptr || name == nullptr || buffer == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const DecoderProperty* property = Find(list, name);
    if (property == nullptr) return DECODER_ERR_NO_PROPERTY;
    if (property->type != DECODER_PROPERTY_TEXT) return DECODER_ERR_PROPERTY_TYPE;
    if (property->text.size() + 1 > size) return DECODER_ERR_BAD_ARGUMENT;
    std::memcpy(buffer, property->text.c_str(), property->text.size() + 1);
    return 0;
}

std::int32_t PropertyListDelete(DecoderPropertyList* list, const char* name) {
    if (list == nullptr || name == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    for (auto it = list->properties.begin(); it != list->properties.end(); ++it) {
        if (it->name != name) continue;
        try {
            const std::string deleted = it->name;
            list->properties.erase(it);
            Notify(list, deleted, nullptr);
        } catch (const std::bad_alloc&) {
            return DECODER_ERR_NO_MEMORY;
        }
        return 0;
    }
    return DECODER_ERR_NO_PROPERTY;
}

void PropertyListClear(DecoderPropertyList* list) {
    if (list == nullptr) return;
    while (!list->properties.empty()) {
        if (PropertyListDelete(list, list->properties.front().name.c_str()) != 0) {
            list->properties.pop_front();  // out of memory while telling watchers: still delete
        }
    }
}

std::int32_t PropertyListAddWatcher(DecoderPropertyList* list, const char* name, std::uintptr_t user,
                                    DecoderWatcherCallback callback, DecoderPropertyWatcher** handle) {
    if (list == nullptr || name == nullptr || callback == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    try {
        list->watchers.push_front(DecoderPropertyWatcher{name, user, callback});
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    if (handle != nullptr) *handle = &list->watchers.front();
    return 0;
}

std::int32_t PropertyListRemoveWatcher(DecoderPropertyList* list, const DecoderPropertyWatcher* handle) {
    if (list == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    for (auto it = list->watchers.begin(); it != list->watchers.end(); ++it) {
        if (&*it == handle) {
            list->watchers.erase(it);
            return 0;
        }
    }
    return DECODER_ERR_NO_METHOD;
}
