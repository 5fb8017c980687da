#pragma once
// Builds RIFF chunk trees as byte strings for test fixtures, including ones
// whose size fields lie.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "filekit/mem_obj.h"

namespace chunk_builder {

inline std::string Le32(std::uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    return out;
}

inline std::uint32_t ReadLe32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return value;
}

// A chunk header with any size field.
inline std::string Header(std::string_view id, std::uint32_t size) { return std::string(id) + Le32(size); }

// A chunk whose size is its data's length; no pad byte.
inline std::string Chunk(std::string_view id, std::string_view data) {
    return Header(id, static_cast<std::uint32_t>(data.size())) + std::string(data);
}

// The same with a pad byte after odd-sized data, as other tools write it.
inline std::string PaddedChunk(std::string_view id, std::string_view data) {
    std::string out = Chunk(id, data);
    if (data.size() % 2 != 0) out += '\0';
    return out;
}

inline std::string Join(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts) out += part;
    return out;
}

// A "LIST" of the given type around the children's bytes.
inline std::string List(std::string_view type, std::initializer_list<std::string> children) {
    return Chunk("LIST", std::string(type) + Join(children));
}

// A whole RIFF file of the given form.
inline std::string Riff(std::string_view form, std::initializer_list<std::string> children) {
    return Chunk("RIFF", std::string(form) + Join(children));
}

// The same with the RIFF size field set to any value.
inline std::string RiffWithSize(std::uint32_t size, std::string_view form, std::initializer_list<std::string> children) {
    return Header("RIFF", size) + std::string(form) + Join(children);
}

// A readable memory stream holding the bytes, with one reference for the caller.
inline CMemObj* MemStream(std::string_view bytes) {
    auto* mem = new CMemObj();
    mem->Open(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::int64_t>(bytes.size()));
    return mem;
}

// Everything a memory stream holds.
inline std::string Contents(CRefObj* stream) {
    const std::int64_t back = stream->Tell();
    std::string out(static_cast<std::size_t>(stream->Size()), '\0');
    stream->Seek(0, 0);
    stream->Read(out.data(), static_cast<std::int64_t>(out.size()));
    stream->Seek(back, 0);
    return out;
}

}  // namespace chunk_builder
