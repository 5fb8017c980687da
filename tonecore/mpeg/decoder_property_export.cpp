#include "tonecore/mpeg/decoder_property_export.h"

#include <cstring>
#include <new>
#include <string_view>

#include "tonecore/mpeg/decoder_errors.h"

namespace {

constexpr std::size_t kMaxLength16 = 0xFFFF;

std::size_t TextLength(const char* text) {
    return text != nullptr ? std::strlen(text) : 0;
}

// Bytes one property takes, or 0 when a length does not fit its field.
std::size_t PropertyBytes(const DecoderExportedProperty& property) {
    const std::size_t name = TextLength(property.name);
    if (name > kMaxLength16) return 0;
    if (property.type == DECODER_PROPERTY_INTEGER) return name + 4 + 4;
    const std::size_t text = TextLength(property.text);
    if (text > kMaxLength16) return 0;
    return name + 4 + text + 3;
}

class CBigEndianWriter {
public:
    explicit CBigEndianWriter(std::uint8_t* out) : m_out(out) {}
    void Byte(std::uint8_t value) { *m_out++ = value; }
    void Word16(std::size_t value) {
        Byte(static_cast<std::uint8_t>(value >> 8));
        Byte(static_cast<std::uint8_t>(value));
    }
    void Word32(std::uint32_t value) {
        Word16(value >> 16);
        Word16(value & 0xFFFF);
    }
    // A 16-bit length, the text and its zero byte.
    void Text(const char* text) {
        const std::string_view view(text != nullptr ? text : "");
        Word16(view.size());
        std::memcpy(m_out, view.data(), view.size());
        m_out += view.size();
        Byte(0);
    }

private:
    std::uint8_t* m_out;
};

}  // namespace

std::int32_t DecoderPropertyListExport(DecoderPropertyList* list, DecoderPropertyExport* out) {
    if (list == nullptr || out == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    try {
        std::vector<DecoderProperty> copies(list->properties.begin(), list->properties.end());
        std::vector<DecoderExportedProperty> items;
        items.reserve(copies.size());
        for (const DecoderProperty& property : copies) {
            items.push_back({property.name.c_str(), property.type, property.integer,
                             property.type == DECODER_PROPERTY_TEXT ? property.text.c_str() : nullptr});
        }
        // Moving the vectors keeps the strings (and the pointers) where they are.
        list->exportedCopies = std::move(copies);
        list->exported = std::move(items);
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    out->count = static_cast<std::int32_t>(list->exported.size());
    out->items = list->exported.data();
    return 0;
}

std::int32_t DecoderPropertyListSerializedSize(const DecoderPropertyExport* exported) {
    if (exported == nullptr || exported->count < 0 || (exported->count > 0 && exported->items == nullptr)) {
        return DECODER_ERR_BAD_ARGUMENT;
    }
    std::size_t total = 4;
    for (std::int32_t i = 0; i < exported->count; ++i) {
        const std::size_t bytes = PropertyBytes(exported->items[i]);
        if (bytes == 0) return DECODER_ERR_BAD_ARGUMENT;
        total += bytes;
        if (total > INT32_MAX) return DECODER_ERR_BAD_ARGUMENT;
    }
    return static_cast<std::int32_t>(total);
}

std::int32_t DecoderPropertyListSerialize(const DecoderPropertyExport* exported, std::uint8_t* buffer,
                                          std::uint32_t capacity) {
    const std::int32_t size = DecoderPropertyListSerializedSize(exported);
    if (size < 0) return size;
    if (buffer == nullptr || static_cast<std::uint32_t>(size) > capacity) return DECODER_ERR_BAD_ARGUMENT;
    CBigEndianWriter writer(buffer);
    writer.Word32(static_cast<std::uint32_t>(exported->count));
    for (std::int32_t i = 0; i < exported->count; ++i) {
        const DecoderExportedProperty& property = exported->items[i];
        writer.Byte(static_cast<std::uint8_t>(property.type));
        writer.Text(property.name);
        if (property.type == DECODER_PROPERTY_INTEGER) {
            writer.Word32(static_cast<std::uint32_t>(property.integer));
        } else {
            writer.Text(property.text);
        }
    }
    return size;
}
