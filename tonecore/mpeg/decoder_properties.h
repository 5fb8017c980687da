#pragma once
// Named integer or text properties with watchers. The decoder keeps one list
// of its own and one per stream (the values the codec publishes).

#include <cstdint>
#include <list>
#include <string>
#include <vector>

inline constexpr std::int32_t DECODER_PROPERTY_TEXT = 0;
inline constexpr std::int32_t DECODER_PROPERTY_INTEGER = 1;

// The value handed to watchers: `integer` for integer properties, `text`
// (valid only during the call) for text properties.
struct DecoderPropertyValue {
    std::int32_t integer = 0;
    const char* text = nullptr;
};

// Called on every set (also when the value did not change) with the new
// value, and with a null value when the property is deleted.
using DecoderWatcherCallback = void (*)(std::uintptr_t user, const char* name,
                                        const DecoderPropertyValue* value);

struct DecoderProperty {
    std::string name;
    std::int32_t type = DECODER_PROPERTY_INTEGER;
    std::int32_t integer = 0;
    std::string text;
};

struct DecoderPropertyWatcher {
    std::string name;
    std::uintptr_t user = 0;
    DecoderWatcherCallback callback = nullptr;
};

// One property of an exported list: `integer` for integer properties,
// `text` for text ones.
struct DecoderExportedProperty {
    const char* name = nullptr;
    std::int32_t type = DECODER_PROPERTY_INTEGER;
    std::int32_t integer = 0;
    const char* text = nullptr;
};

// A list's export (decoder_property_export.h): valid until the list's next
// export or its end.
struct DecoderPropertyExport {
    std::int32_t count = 0;
    const DecoderExportedProperty* items = nullptr;
};

struct DecoderPropertyList {
    // Newest first; names compare exactly (case-sensitive).
    std::list<DecoderProperty> properties;
    // Newest first; a watcher's address is its handle.
    std::list<DecoderPropertyWatcher> watchers;
    // The last export: its own copies of the properties and the array that
    // points into them.
    std::vector<DecoderProperty> exportedCopies;
    std::vector<DecoderExportedProperty> exported;
};

std::int32_t PropertyListSetInteger(DecoderPropertyList* list, const char* name, std::int32_t value);
std::int32_t PropertyListGetInteger(const DecoderPropertyList* list, const char* name, std::int32_t* value);
std::int32_t PropertyListSetText(DecoderPropertyList* list, const char* name, const char* text);
// Copies the text with its terminator; DECODER_ERR_BAD_ARGUMENT when it does
// not fit in `size` bytes (nothing is cut silently).
std::int32_t PropertyListGetText(const DecoderPropertyList* list, const char* name, char* buffer,
                                 std::uint32_t size);
std::int32_t PropertyListDelete(DecoderPropertyList* list, const char* name);
// Deletes every property, telling each one's watchers.
void PropertyListClear(DecoderPropertyList* list);
std::int32_t PropertyListAddWatcher(DecoderPropertyList* list, const char* name, std::uintptr_t user,
                                    DecoderWatcherCallback callback, DecoderPropertyWatcher** handle);
std::int32_t PropertyListRemoveWatcher(DecoderPropertyList* list, const DecoderPropertyWatcher* handle);
