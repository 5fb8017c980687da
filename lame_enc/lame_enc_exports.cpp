// The module's entry points: the MP3 encoder stream interface
// (lame_enc/encoder_interface.h) over libmp3lame.
//
// Streams live in a table under 32-bit handles. The VBR header of the stream
// a thread ended last is kept after the stream is closed: the caller writes
// its file to the end, closes the stream, and then asks for the header by
// path on the same thread. Kept per thread, so that two conversions on two
// threads cannot swap their headers.

#include <lame/lame.h>

#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "lame_enc/encoder_interface.h"
#include "lame_enc/lame_stream.h"
#include "lame_enc/vbr_header_file.h"

#define LAME_ENC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The module's own version.
constexpr std::uint8_t kModuleMajor = 1;
constexpr std::uint8_t kModuleMinor = 0;

struct TStreamTable {
    std::mutex lock;
    std::map<std::uint32_t, std::unique_ptr<CLameStream>> streams;
    std::uint32_t nextHandle = 1;
    std::map<std::thread::id, std::vector<std::uint8_t>> lastHeaderFrames;
};

TStreamTable& Table() {
    static TStreamTable table;
    return table;
}

// The stream of a handle, or null. Each stream is driven by one caller at a
// time; the lock only guards the table.
CLameStream* FindStream(std::uint32_t handle) {
    TStreamTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.streams.find(handle);
    return found != table.streams.end() ? found->second.get() : nullptr;
}

TEncoderResult AddStream(std::unique_ptr<CLameStream> stream, std::uint32_t* handle) {
    TStreamTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    // Handle 0 is never given out; a wrapped counter skips handles in use.
    for (std::uint32_t tries = 0; tries < 1024; ++tries) {
        const std::uint32_t candidate = table.nextHandle++;
        if (candidate == 0 || table.streams.count(candidate) != 0) continue;
        table.streams.emplace(candidate, std::move(stream));
        *handle = candidate;
        return ENCODER_OK;
    }
    return ENCODER_ERR_NO_MORE_HANDLES;
}

}  // namespace

LAME_ENC_EXPORT std::uint32_t beInitStream(const TEncoderConfig* config, std::uint32_t* samplesPerChunk,
                                           std::uint32_t* outputBytes, std::uint32_t* stream) {
    if (config == nullptr || samplesPerChunk == nullptr || outputBytes == nullptr || stream == nullptr) {
        return ENCODER_ERR_INVALID_FORMAT;
    }
    TEncoderSettings settings;
    if (const TEncoderResult read = ReadEncoderSettings(*config, &settings); read != ENCODER_OK) return read;
    std::unique_ptr<CLameStream> made(new (std::nothrow) CLameStream());
    if (made == nullptr) return ENCODER_ERR_NO_MEMORY;
    if (const TEncoderResult init = made->Init(settings); init != ENCODER_OK) return init;
    const std::uint32_t chunk = made->SamplesPerChunk();
    const std::uint32_t bytes = made->OutputBytes();
    std::uint32_t handle = 0;
    if (const TEncoderResult added = AddStream(std::move(made), &handle); added != ENCODER_OK) return added;
    *samplesPerChunk = chunk;
    *outputBytes = bytes;
    *stream = handle;
    return ENCODER_OK;
}

LAME_ENC_EXPORT std::uint32_t beEncodeChunk(std::uint32_t handle, std::uint32_t samples, const std::int16_t* pcm,
                                            std::uint8_t* output, std::uint32_t* produced) {
    CLameStream* stream = FindStream(handle);
    if (stream == nullptr || produced == nullptr) return ENCODER_ERR_INVALID_HANDLE;
    *produced = 0;
    if ((pcm == nullptr && samples != 0) || output == nullptr) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    return stream->Encode({pcm, samples}, output, produced);
}

LAME_ENC_EXPORT std::uint32_t beDeinitStream(std::uint32_t handle, std::uint8_t* output, std::uint32_t* produced) {
    CLameStream* stream = FindStream(handle);
    if (stream == nullptr || produced == nullptr) return ENCODER_ERR_INVALID_HANDLE;
    *produced = 0;
    if (output == nullptr) return ENCODER_ERR_INVALID_FORMAT_PARAMETERS;
    const TEncoderResult result = stream->Finish(output, produced);
    if (result != ENCODER_OK) return result;
    std::vector<std::uint8_t> frame = stream->HeaderFrame();
    TStreamTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    table.lastHeaderFrames[std::this_thread::get_id()] = std::move(frame);
    return ENCODER_OK;
}

LAME_ENC_EXPORT std::uint32_t beCloseStream(std::uint32_t handle) {
    TStreamTable& table = Table();
    std::unique_ptr<CLameStream> closing;
    {
        std::lock_guard<std::mutex> guard(table.lock);
        const auto found = table.streams.find(handle);
        if (found == table.streams.end()) return ENCODER_ERR_INVALID_HANDLE;
        closing = std::move(found->second);
        table.streams.erase(found);
    }
    return ENCODER_OK;
}

LAME_ENC_EXPORT std::uint32_t beWriteVBRHeader(const char* path) {
    std::vector<std::uint8_t> frame;
    {
        TStreamTable& table = Table();
        std::lock_guard<std::mutex> guard(table.lock);
        const auto found = table.lastHeaderFrames.find(std::this_thread::get_id());
        if (found != table.lastHeaderFrames.end()) frame = found->second;
    }
    // A stream without a VBR header leaves nothing to write.
    if (frame.empty()) return ENCODER_OK;
    return WriteVbrHeaderFrame(path, frame) ? ENCODER_OK : ENCODER_ERR_FILE;
}

LAME_ENC_EXPORT void beVersion(TEncoderVersion* version) {
    if (version == nullptr) return;
    lame_version_t engine{};
    get_lame_version_numerical(&engine);
    version->moduleMajor = kModuleMajor;
    version->moduleMinor = kModuleMinor;
    version->engineMajor = static_cast<std::uint8_t>(engine.major);
    version->engineMinor = static_cast<std::uint8_t>(engine.minor);
}
