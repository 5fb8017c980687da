// Fuzz target for the registry store's text format: any file text is read
// into a tree. Whatever was read (all of it, or what came before the first
// line not understood) must write out as text that reads back whole, and
// writes out again the same, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_text.h"
#include "platform/registry_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TRegNode root;
    std::string error;
    const bool read = ReadRegistryText(text, kRoot, root, error);
    if (!read && error.empty()) std::abort();  // a refusal says which line and why

    const std::string written = WriteRegistryText(kRoot, root);
    TRegNode back;
    if (!ReadRegistryText(written, kRoot, back, error)) std::abort();
    if (WriteRegistryText(kRoot, back) != written) std::abort();
    return 0;
}
