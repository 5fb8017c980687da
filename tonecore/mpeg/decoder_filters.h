#pragma once
// Filters in front of the input module and in front of the output module.
// Every input (output) operation goes to the head of its chain; a filter
// handles the calls it has a method for and passes the rest on toward the
// module. The built-in terminal filter (identifier 0) at the end of each
// chain calls the module instance itself and cannot be removed.
//
// A filter's methods get its own record; to pass a call on, a method calls
// the matching DecoderInputFilter... / DecoderOutputFilter... function below
// with `self->toModule`.

#include <cstdint>

#include "tonecore/mpeg/decoder.h"

struct DecoderInputFilter;
struct DecoderOutputFilter;

struct DecoderInputFilterMethods {
    std::uint32_t apiId = 0;
    // The filter's name (required).
    const char* (*name)() = nullptr;
    std::int32_t (*newInstance)(void** instance, std::int32_t id, DecoderControl* control) = nullptr;
    std::int32_t (*deleteInstance)(void* instance) = nullptr;
    // Every slot below may be null: the call then goes on toward the module.
    std::int32_t (*open)(DecoderInputFilter* self) = nullptr;
    std::int32_t (*close)(DecoderInputFilter* self) = nullptr;
    std::int32_t (*read)(DecoderInputFilter* self, void* buffer, std::uint32_t count) = nullptr;
    std::int32_t (*seek)(DecoderInputFilter* self, std::int64_t offset) = nullptr;
    std::int32_t (*seekable)(DecoderInputFilter* self) = nullptr;
    std::int64_t (*size)(DecoderInputFilter* self) = nullptr;
    std::int32_t (*message)(DecoderInputFilter* self, std::int32_t code, const void* data, std::uint32_t size) = nullptr;
};

struct DecoderOutputFilterMethods {
    std::uint32_t apiId = 0;
    const char* (*name)() = nullptr;
    std::int32_t (*newInstance)(void** instance, std::int32_t id, DecoderControl* control) = nullptr;
    std::int32_t (*deleteInstance)(void* instance) = nullptr;
    std::int32_t (*open)(DecoderOutputFilter* self) = nullptr;
    std::int32_t (*close)(DecoderOutputFilter* self) = nullptr;
    std::int32_t (*write)(DecoderOutputFilter* self, const void* pcm, std::uint32_t bytes,
                          std::uint32_t bytesPerSample, std::uint32_t channels, std::uint32_t sampleRate) = nullptr;
    void* (*getBuffer)(DecoderOutputFilter* self, std::uint32_t size) = nullptr;
    std::int32_t (*setFormat)(DecoderOutputFilter* self, const DecoderOutputFormat* format,
                              std::uint32_t mask) = nullptr;
    std::int32_t (*getControl)(DecoderOutputFilter* self, DecoderOutputControl* control, std::uint32_t mask) = nullptr;
    std::int32_t (*getTimeStamp)(DecoderOutputFilter* self, std::uint32_t* value) = nullptr;
    std::int32_t (*message)(DecoderOutputFilter* self, std::int32_t code, const void* data, std::uint32_t size) = nullptr;
    std::uint32_t (*capability)(DecoderOutputFilter* self) = nullptr;
};

struct DecoderInputFilter {
    std::int32_t id = 0;  // 1 and up; 0 is the terminal filter
    void* instance = nullptr;
    DecoderInputFilterMethods methods;
    DecoderInputFilter* toModule = nullptr;
    DecoderInputFilter* toHead = nullptr;
    DecoderControl* control = nullptr;
};

struct DecoderOutputFilter {
    std::int32_t id = 0;
    void* instance = nullptr;
    DecoderOutputFilterMethods methods;
    DecoderOutputFilter* toModule = nullptr;
    DecoderOutputFilter* toHead = nullptr;
    DecoderControl* control = nullptr;
};

// Where to attach: in front of the filter with this identifier (0 or 1:
// the terminal filter), or at the head.
inline constexpr std::int32_t DECODER_FILTER_AT_HEAD = -1;
// Where to detach: by name, the head, or the filter next to the terminal
// (any other value is an identifier).
inline constexpr std::int32_t DECODER_FILTER_BY_NAME = -2;
inline constexpr std::int32_t DECODER_FILTER_NEXT_TO_TERMINAL = 0;

// Returns the new filter's identifier (the smallest free one from 1 up).
std::int32_t DecoderInputFilterAttach(DecoderControl* control, const DecoderInputFilterMethods* methods,
                                      std::int32_t position);
std::int32_t DecoderOutputFilterAttach(DecoderControl* control, const DecoderOutputFilterMethods* methods,
                                       std::int32_t position);
// Calls the filter's delete; returns the identifier of the chain's head
// afterwards (0 when only the terminal filter is left).
std::int32_t DecoderInputFilterDetach(DecoderControl* control, const char* name, std::int32_t position);
std::int32_t DecoderOutputFilterDetach(DecoderControl* control, const char* name, std::int32_t position);

using DecoderInputFilterCallback = void (*)(std::uintptr_t user, const DecoderInputFilter* filter);
using DecoderOutputFilterCallback = void (*)(std::uintptr_t user, const DecoderOutputFilter* filter);
// Calls back for every added filter from the head down.
std::int32_t DecoderInputFilterEnumerate(DecoderControl* control, std::uintptr_t user,
                                         DecoderInputFilterCallback callback);
std::int32_t DecoderOutputFilterEnumerate(DecoderControl* control, std::uintptr_t user,
                                          DecoderOutputFilterCallback callback);

// The chain operations, from `from` toward the module.
std::int32_t DecoderInputFilterOpen(DecoderInputFilter* from);
std::int32_t DecoderInputFilterClose(DecoderInputFilter* from);
std::int32_t DecoderInputFilterRead(DecoderInputFilter* from, void* buffer, std::uint32_t count);
std::int32_t DecoderInputFilterSeek(DecoderInputFilter* from, std::int64_t offset);
std::int32_t DecoderInputFilterSeekable(DecoderInputFilter* from);
std::int64_t DecoderInputFilterSize(DecoderInputFilter* from);
std::int32_t DecoderInputFilterMessage(DecoderInputFilter* from, std::int32_t code, const void* data,
                                       std::uint32_t size);

std::int32_t DecoderOutputFilterOpen(DecoderOutputFilter* from);
std::int32_t DecoderOutputFilterClose(DecoderOutputFilter* from);
std::int32_t DecoderOutputFilterWrite(DecoderOutputFilter* from, const void* pcm, std::uint32_t bytes,
                                      std::uint32_t bytesPerSample, std::uint32_t channels, std::uint32_t sampleRate);
void* DecoderOutputFilterGetBuffer(DecoderOutputFilter* from, std::uint32_t size);
std::int32_t DecoderOutputFilterSetFormat(DecoderOutputFilter* from, const DecoderOutputFormat* format,
                                          std::uint32_t mask);
std::int32_t DecoderOutputFilterGetControl(DecoderOutputFilter* from, DecoderOutputControl* control,
                                           std::uint32_t mask);
std::int32_t DecoderOutputFilterGetTimeStamp(DecoderOutputFilter* from, std::uint32_t* value);
std::int32_t DecoderOutputFilterMessage(DecoderOutputFilter* from, std::int32_t code, const void* data,
                                        std::uint32_t size);
std::uint32_t DecoderOutputFilterCapability(DecoderOutputFilter* from);
