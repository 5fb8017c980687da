#include "platform/registry_tree.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace {

// First element whose name is not less than name.
template <typename Items, typename NameOf>
auto LowerBound(Items& items, std::string_view name, NameOf nameOf) {
    return std::lower_bound(
        items.begin(), items.end(), name,
        [&](const auto& item, std::string_view n) { return CompareRegNames(nameOf(item), n) < 0; });
}

const std::string& KeyName(const std::shared_ptr<TRegNode>& node) {
    return node->name;
}
const std::string& ValueName(const TRegValue& value) {
    return value.name;
}

}  // namespace

int CompareRegNames(std::string_view a, std::string_view b) { return AsciiCompareNoCase(a, b); }

std::shared_ptr<TRegNode> TRegNode::FindSubKey(std::string_view keyName) const {
    auto it = LowerBound(subKeys, keyName, KeyName);
    if (it != subKeys.end() && CompareRegNames((*it)->name, keyName) == 0) return *it;
    return nullptr;
}

std::shared_ptr<TRegNode> TRegNode::AddSubKey(std::string_view keyName) {
    auto it = LowerBound(subKeys, keyName, KeyName);
    if (it != subKeys.end() && CompareRegNames((*it)->name, keyName) == 0) return *it;
    auto node = std::make_shared<TRegNode>();
    node->name = std::string(keyName);
    node->depth = depth + 1;
    subKeys.insert(it, node);
    return node;
}

bool TRegNode::RemoveSubKey(std::string_view keyName) {
    auto it = LowerBound(subKeys, keyName, KeyName);
    if (it == subKeys.end() || CompareRegNames((*it)->name, keyName) != 0) return false;
    (*it)->MarkDeleted();
    subKeys.erase(it);
    return true;
}

void TRegNode::MarkDeleted() {
    deleted = true;
    for (auto& sub : subKeys) sub->MarkDeleted();
}

const TRegValue* TRegNode::FindValue(std::string_view valueName) const {
    auto it = LowerBound(values, valueName, ValueName);
    if (it != values.end() && CompareRegNames(it->name, valueName) == 0) return &*it;
    return nullptr;
}

void TRegNode::SetValue(std::string_view valueName, std::uint32_t type,
                        std::vector<std::uint8_t> data) {
    auto it = LowerBound(values, valueName, ValueName);
    if (it == values.end() || CompareRegNames(it->name, valueName) != 0) {
        it = values.insert(it, TRegValue{std::string(valueName), 0, {}});
    }
    it->type = type;
    it->data = std::move(data);
}

bool TRegNode::RemoveValue(std::string_view valueName) {
    auto it = LowerBound(values, valueName, ValueName);
    if (it == values.end() || CompareRegNames(it->name, valueName) != 0) return false;
    values.erase(it);
    return true;
}

bool IsValidRegKeyName(std::string_view name) {
    if (name.empty() || name.size() > kRegMaxKeyNameLength) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == '\\' || byte < 0x20 || byte == 0x7f;
    });
}
