// Fuzz target for the ASF header reader: parses the input, lists its
// attributes, and when it parses, writes it back after setting a few
// attributes and parses the result again, which must succeed.
#include <cstddef>
#include <cstdint>
#include <span>

#include "mediacore/asf_attribute_list.h"
#include "mediacore/asf_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    TAsfHeader header;
    if (FAILED(ReadAsfHeader(bytes, header))) return 0;
    if (header.headerBytes > size) __builtin_trap();
    (void)ListFileAttributes(header);

    bool extensionChanged = false;
    StoreFileAttribute(header, {u"Title", WMT_TYPE_STRING, {'T', 0, 0, 0}}, &extensionChanged);
    StoreFileAttribute(header, {u"WM/MCDI", WMT_TYPE_BINARY, {1, 2, 3}}, &extensionChanged);
    StoreFileAttribute(header, {u"WM/Guid", WMT_TYPE_GUID, std::vector<std::uint8_t>(16, 7)}, &extensionChanged);
    const auto rewritten = WriteAsfHeader(bytes, header, extensionChanged, size - header.headerBytes);
    TAsfHeader again;
    if (FAILED(ReadAsfHeader(rewritten, again))) __builtin_trap();
    if (ListFileAttributes(again).size() != ListFileAttributes(header).size()) __builtin_trap();
    return 0;
}
