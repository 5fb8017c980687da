#include "tonecore/mpeg/file_input.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "tonecore/mpeg/module_info.h"
#include "tonecore/mpeg/module_instance.h"
#include "utilities/unicode.h"

namespace {

struct CFileInput {
    std::string name;
    DecoderModuleRecord* module = nullptr;
    DecoderControl* control = nullptr;
    std::FILE* file = nullptr;
    bool standardInput = false;
};

CFileInput* Self(void* instance) {
    return static_cast<CFileInput*>(instance);
}

// ID3 version 1 text is Latin-1; inside the system text is UTF-8.
// A fixed tag field: up to its first zero byte, trailing spaces removed.
std::string TagField(const std::uint8_t* tag, std::size_t offset, std::size_t length) {
    std::string_view field(reinterpret_cast<const char*>(tag + offset), length);
    field = field.substr(0, field.find('\0'));
    while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
    return Latin1ToUtf8(field);
}

// Publishes the ID3 version 1 tag at the end of the file, then goes back to
// the start whether or not there was one.
void FileInputReadId3v1(CFileInput* input) {
    constexpr std::size_t kTagBytes = 128;  // ID3 version 1: a fixed 128-byte record at the end
    if (fseeko(input->file, -static_cast<off_t>(kTagBytes), SEEK_END) != 0) {
        std::rewind(input->file);
        return;
    }
    std::uint8_t tag[kTagBytes];
    if (std::fread(tag, 1, kTagBytes, input->file) == kTagBytes && std::memcmp(tag, "TAG", 3) == 0 &&
        input->control != nullptr) {
        const DecoderServices& services = input->control->services;
        struct TField {
            const char* property;
            std::size_t offset;
            std::size_t length;
        };
        // Field offsets and lengths of the ID3 version 1 record.
        static constexpr TField kFields[] = {
            {"id3/title", 3, 30},  {"id3/artist", 33, 30}, {"id3/album", 63, 30},
            {"id3/year", 93, 4},   {"id3/comment", 97, 30},
        };
        try {
            for (const TField& field : kFields) {
                services.SetStreamText(input->control, field.property, TagField(tag, field.offset, field.length).c_str());
            }
        } catch (const std::bad_alloc&) {
            // The properties are extras; the file still plays without them.
        }
        services.SetStreamInteger(input->control, "id3/genre", static_cast<std::int8_t>(tag[127]));
    }
    std::rewind(input->file);
}

bool EndsWithMp3(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".mp3") == 0;
}

std::int32_t Probe(const char* /*name*/) {
    return 0;
}

std::int32_t Info(DecoderModuleInfo* info, std::uint32_t flags) {
    static constexpr TModuleDevice kDevices[] = {
        {"*", "any file name", 1},
        {"-", "standard input", 0},
    };
    return FillModuleInfo(info, flags, "Input From File", "Version 1.2", kDevices);
}

std::int32_t New(void** instance, const char* name, DecoderModuleRecord* module, DecoderControl* control) {
    return NewNamedInstance<CFileInput>(instance, name, module, control, "null params or null/empty input name");
}

std::int32_t Close(void* instance) {
    CFileInput* input = Self(instance);
    if (input->file != nullptr && !input->standardInput) std::fclose(input->file);
    input->file = nullptr;
    input->standardInput = false;
    return 0;
}

std::int32_t Delete(void* instance) {
    Close(instance);
    delete Self(instance);
    return 0;
}

std::int32_t Open(void* instance) {
    CFileInput* input = Self(instance);
    if (input->file != nullptr) Close(instance);
    if (input->name == "-") {
        // Standard input is read as bytes already on this platform.
        input->file = stdin;
        input->standardInput = true;
        return 0;
    }
    input->file = std::fopen(input->name.c_str(), "rb");
    if (input->file == nullptr) {
        const int err = errno;
        if (err == ENOENT) {
            DecoderReportMessage(input->control, InstanceModuleId(input), "cannot open input file", "file not found");
            return DECODER_ERR_NOT_FOUND;
        }
        if (err == EACCES || err == EPERM) {
            DecoderReportMessage(input->control, InstanceModuleId(input), "cannot open input file", "permission denied");
            return DECODER_ERR_PERMISSION;
        }
        DecoderReportMessage(input->control, InstanceModuleId(input), "cannot open input file", std::strerror(err));
        return DECODER_ERR_OPEN;
    }
    if (EndsWithMp3(input->name)) FileInputReadId3v1(input);
    return 0;
}

std::int32_t Read(void* instance, void* buffer, std::uint32_t count) {
    CFileInput* input = Self(instance);
    if (input->file == nullptr) return DECODER_ERR_STATE;
    if (buffer == nullptr || count > INT32_MAX) return DECODER_ERR_BAD_ARGUMENT;
    return std::fread(buffer, 1, count, input->file) == count ? static_cast<std::int32_t>(count) : 0;
}

std::int32_t Seek(void* instance, std::int64_t offset) {
    CFileInput* input = Self(instance);
    if (input->file == nullptr) return DECODER_ERR_STATE;
    return fseeko(input->file, static_cast<off_t>(offset), SEEK_SET);
}

// Only a regular file can go back: a pipe or a device (whose size reads as
// 0) must not be probed ahead, or the bytes read would be lost.
std::int32_t Seekable(void* instance) {
    const CFileInput* input = Self(instance);
    if (input->standardInput || input->file == nullptr) return 0;
    struct stat status {};
    return fstat(fileno(input->file), &status) == 0 && S_ISREG(status.st_mode) ? 1 : 0;
}

std::int64_t Size(void* instance) {
    CFileInput* input = Self(instance);
    struct stat status {};
    if (input->file == nullptr || fstat(fileno(input->file), &status) != 0) return 0;
    return static_cast<std::int64_t>(status.st_size);
}

}  // namespace

std::int32_t FileInputModuleGetMethods(DecoderInputModuleMethods* methods) {
    if (methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *methods = DecoderInputModuleMethods{DECODER_API_ID, Probe, Info, New, Delete, Open, Close,
                                          Read, Seek, Seekable, Size, nullptr};
    return 0;
}
