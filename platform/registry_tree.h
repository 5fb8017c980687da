#pragma once
// The registry store's in-memory tree: keys with sorted sub-keys and values.
// Internal to the store and its text format; callers use registry_store.h.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

// Deepest key below a root, as the registry the callers were written for.
inline constexpr int kRegMaxKeyDepth = 512;

struct TRegValue {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// One key. Sub-keys and values are kept sorted by name with case ignored,
// which gives enumeration by index its stable order. Open handles share
// ownership of their node, so a deleted key stays valid memory, marked.
struct TRegNode {
    std::string name;
    std::vector<std::shared_ptr<TRegNode>> subKeys;
    std::vector<TRegValue> values;
    int depth = 0;  // 0 for a root
    bool deleted = false;

    std::shared_ptr<TRegNode> FindSubKey(std::string_view keyName) const;
    // The existing sub-key of that name, or a new one spelled as given. The
    // caller checks the name (IsValidRegKeyName) and the depth.
    std::shared_ptr<TRegNode> AddSubKey(std::string_view keyName);
    // Removes the sub-key and marks it and everything below it deleted.
    bool RemoveSubKey(std::string_view keyName);
    // Marks this key and everything below it deleted.
    void MarkDeleted();

    const TRegValue* FindValue(std::string_view valueName) const;
    // Replaces the value's type and data, keeping the first spelling of its
    // name, or adds the value.
    void SetValue(std::string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data);
    bool RemoveValue(std::string_view valueName);
};

// Compares names the way the store does: ASCII letters without case, bytes
// otherwise. <0, 0 or >0.
int CompareRegNames(std::string_view a, std::string_view b);

// A key name the store accepts: 1 to kRegMaxKeyNameLength bytes, no '\\' and
// no control characters (the file format keeps one key per line).
bool IsValidRegKeyName(std::string_view name);
