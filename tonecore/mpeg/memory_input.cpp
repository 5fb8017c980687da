#include "tonecore/mpeg/memory_input.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "tonecore/mpeg/module_info.h"

namespace {

struct CMemoryInput {
    DecoderModuleRecord* module = nullptr;
    DecoderControl* control = nullptr;
    bool streaming = true;
    // Static buffer: memory the host keeps alive while the input exists.
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    // Streaming ring: `read` is the next byte out, `write` the next byte in.
    std::unique_ptr<std::uint8_t[]> ring;
    std::uint32_t read = 0;
    std::uint32_t write = 0;
    std::uint32_t declaredSize = 0;  // 0 = not known
    std::optional<std::string> mime;

    std::uint32_t Used() const {
        return read <= write ? write - read : MEMORY_INPUT_RING_BYTES - read + write;
    }
    std::uint32_t Free() const { return MEMORY_INPUT_RING_BYTES - 1 - Used(); }
};

CMemoryInput* Self(void* instance) {
    return static_cast<CMemoryInput*>(instance);
}

// Hexadecimal digits only, at least one, and nothing else.
std::optional<std::uint64_t> ParseHex(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        if (value > (UINT64_MAX >> 4)) return std::nullopt;  // would not fit
        value = (value << 4) | digit;
    }
    return value;
}

// "size@address" split into its two numbers.
bool ParseStaticName(std::string_view name, std::uint64_t& size, std::uint64_t& address) {
    const std::size_t at = name.find('@');
    if (at == std::string_view::npos) return false;
    const auto parsedSize = ParseHex(name.substr(0, at));
    const auto parsedAddress = ParseHex(name.substr(at + 1));
    if (!parsedSize || !parsedAddress) return false;
    size = *parsedSize;
    address = *parsedAddress;
    return true;
}

std::int32_t Probe(const char* name) {
    if (name == nullptr || name[0] == '\0') return 0;
    std::uint64_t size = 0;
    std::uint64_t address = 0;
    return ParseStaticName(name, size, address) ? 0 : -1;
}

std::int32_t Info(DecoderModuleInfo* info, std::uint32_t flags) {
    static constexpr TModuleDevice kDevices[] = {
        {"[null or empty string]", "streaming buffer", 3},
        {"size@address", "static buffer", 1},
    };
    return FillModuleInfo(info, flags, "Input From Memory", "Version 1.0", kDevices);
}

std::int32_t New(void** instance, const char* name, DecoderModuleRecord* module, DecoderControl* control) {
    if (instance == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    auto input = std::unique_ptr<CMemoryInput>(new (std::nothrow) CMemoryInput);
    if (!input) return DECODER_ERR_NO_MEMORY;
    input->module = module;
    input->control = control;
    if (name == nullptr || name[0] == '\0') {
        input->ring.reset(new (std::nothrow) std::uint8_t[MEMORY_INPUT_RING_BYTES]);
        if (!input->ring) return DECODER_ERR_NO_MEMORY;
    } else {
        std::uint64_t size = 0;
        std::uint64_t address = 0;
        if (!ParseStaticName(name, size, address) || address > UINTPTR_MAX) return DECODER_ERR_BAD_ARGUMENT;
        input->streaming = false;
        input->data = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(address));
        input->size = size;
    }
    *instance = input.release();
    return 0;
}

std::int32_t Delete(void* instance) {
    delete Self(instance);
    return 0;
}

std::int32_t Open(void* instance) {
    CMemoryInput* input = Self(instance);
    if (input->mime && input->control != nullptr && input->control->input != nullptr) {
        try {
            input->control->input->mimeType = *input->mime;
        } catch (const std::bad_alloc&) {
            return DECODER_ERR_NO_MEMORY;
        }
    }
    // Every open starts at the beginning: a static buffer is read again
    // from its first byte, a streaming ring starts empty.
    input->read = input->write = 0;
    input->position = 0;
    return 0;
}

std::int32_t Close(void* /*instance*/) {
    return 0;
}

std::int32_t Read(void* instance, void* buffer, std::uint32_t count) {
    CMemoryInput* input = Self(instance);
    if (buffer == nullptr || count > INT32_MAX) return DECODER_ERR_BAD_ARGUMENT;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!input->streaming) {
        if (count > input->size - input->position) return DECODER_ERR_END_OF_INPUT;
        std::memcpy(out, input->data + input->position, count);
        input->position += count;
        return static_cast<std::int32_t>(count);
    }
    // A short read takes nothing, so the caller can repeat it after the host
    // has appended more.
    if (input->Used() < count) return DECODER_ERR_NEED_DATA;
    const std::uint32_t first = std::min(count, MEMORY_INPUT_RING_BYTES - input->read);
    std::memcpy(out, input->ring.get() + input->read, first);
    std::memcpy(out + first, input->ring.get(), count - first);
    input->read = (input->read + count) % MEMORY_INPUT_RING_BYTES;
    return static_cast<std::int32_t>(count);
}

std::int32_t Seek(void* instance, std::int64_t offset) {
    CMemoryInput* input = Self(instance);
    if (input->streaming) return DECODER_ERR_STATE;
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= input->size) return DECODER_ERR_BAD_ARGUMENT;
    input->position = static_cast<std::uint64_t>(offset);
    return 0;
}

std::int32_t Seekable(void* instance) {
    return Self(instance)->streaming ? 0 : 1;
}

std::int64_t Size(void* instance) {
    const CMemoryInput* input = Self(instance);
    if (input->streaming) return input->declaredSize;
    return input->size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(input->size);
}

std::int32_t Append(CMemoryInput* input, const void* data, std::uint32_t size) {
    if (data == nullptr && size != 0) return DECODER_ERR_BAD_ARGUMENT;
    const std::uint32_t taken = std::min({size, input->Free(), static_cast<std::uint32_t>(INT32_MAX)});
    const auto* in = static_cast<const std::uint8_t*>(data);
    const std::uint32_t first = std::min(taken, MEMORY_INPUT_RING_BYTES - input->write);
    if (first != 0) std::memcpy(input->ring.get() + input->write, in, first);
    if (taken != first) std::memcpy(input->ring.get(), in + first, taken - first);
    input->write = (input->write + taken) % MEMORY_INPUT_RING_BYTES;
    return static_cast<std::int32_t>(taken);
}

std::int32_t Message(void* instance, std::int32_t code, const void* data, std::uint32_t size) {
    CMemoryInput* input = Self(instance);
    switch (code) {
        case MEMORY_INPUT_APPEND:
            if (!input->streaming) return DECODER_ERR_BAD_ARGUMENT;
            return Append(input, data, size);
        case MEMORY_INPUT_FLUSH:
            if (!input->streaming) return DECODER_ERR_BAD_ARGUMENT;
            input->read = input->write = 0;
            return 0;
        case MEMORY_INPUT_SET_MIME:
            try {
                if (data == nullptr) {
                    input->mime.reset();
                } else {
                    input->mime = static_cast<const char*>(data);
                }
            } catch (const std::bad_alloc&) {
                return DECODER_ERR_NO_MEMORY;
            }
            return 0;
        case MEMORY_INPUT_SET_SIZE:
            if (data == nullptr) return DECODER_ERR_BAD_ARGUMENT;
            std::memcpy(&input->declaredSize, data, sizeof(input->declaredSize));
            return 0;
        default:
            return DECODER_ERR_NO_METHOD;
    }
}

}  // namespace

std::int32_t MemoryInputModuleGetMethods(DecoderInputModuleMethods* methods) {
    if (methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *methods = DecoderInputModuleMethods{DECODER_API_ID, Probe, Info, New, Delete, Open, Close,
                                          Read, Seek, Seekable, Size, Message};
    return 0;
}
