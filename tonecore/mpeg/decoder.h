#pragma once
// The MPEG audio decoder's control block and its plain function interface.
// A host makes one `DecoderControl`, registers input modules (where the
// compressed bytes come from) and codec modules (what turns them into PCM),
// selects and opens an input, and asks for one decoded frame per
// `DecoderDecode` call. Every function returns 0 (or a non-negative
// identifier or count) on success and a negative code from
// decoder_errors.h on failure; nothing throws.

#include <cstdint>
#include <string>

#include "tonecore/mpeg/decoder_errors.h"
#include "tonecore/mpeg/decoder_properties.h"

struct DecoderControl;
struct DecoderModuleRecord;
struct DecoderPrivate;

// The API identifier every method table starts with; only bits 8 to 23 are
// compared.
inline constexpr std::uint32_t DECODER_API_ID = 0x40300;
inline constexpr std::uint32_t DECODER_API_ID_MASK = 0x00ffff00;

// Module information flags (`info` method).
inline constexpr std::uint32_t DECODER_INFO_NAME = 1;          // name, version
inline constexpr std::uint32_t DECODER_INFO_DEVICE_COUNT = 2;  // count in `index`
inline constexpr std::uint32_t DECODER_INFO_DEVICE = 4;        // device `index`
inline constexpr std::uint32_t DECODER_INFO_MAX_PCM = 8;       // largest PCM bytes per frame in `index`
inline constexpr std::uint32_t DECODER_INFO_CAPS = 16;         // capability word in `deviceFlags`

// Change flags of `DecoderOutputBuffer`.
inline constexpr std::uint32_t DECODER_CHANGED_SAMPLE_FORMAT = 1;
inline constexpr std::uint32_t DECODER_CHANGED_CHANNELS = 2;
inline constexpr std::uint32_t DECODER_CHANGED_RATE = 4;

// Flags of `DecoderStreamInfo`.
inline constexpr std::uint32_t DECODER_STREAM_PROPERTIES = 1;
inline constexpr std::uint32_t DECODER_STREAM_TIMING = 2;  // duration or bitrate
inline constexpr std::uint32_t DECODER_STREAM_MIME = 4;

// Size of the decoder's own PCM buffer, used when `DecoderDecode` gets none.
inline constexpr std::uint32_t DECODER_PRIVATE_PCM_BYTES = 8192;

struct DecoderModuleInfo {
    std::int32_t index = 0;        // index or count; the largest PCM size for flags 8
    std::uint32_t deviceFlags = 0; // device flags; the capability word for flags 16
    char text[255] = {};           // module name, or a device's name pattern
    char text2[255] = {};          // version, or a device's description
};

struct DecoderStreamInfo {
    std::uint32_t flags = 0;
    std::uint32_t durationMs = 0;  // 0 = not known
    std::uint32_t sampleRate = 0;
    std::uint32_t bitrateKbps = 0;  // average
    std::uint32_t channels = 0;
    const char* mimeType = nullptr;  // owned by the codec
    DecoderPropertyList* properties = nullptr;
};

struct DecoderOutputBuffer {
    std::uint32_t changeFlags = 0;
    std::int16_t* pcm = nullptr;  // the last frame, interleaved
    std::uint32_t samplesPerChannel = 0;
    std::uint32_t bytesPerSample = 0;  // always 2 after a frame: signed 16-bit, native order
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t outputWord = 0;  // the output's time stamp of this frame, when it wants one
};

// Settings that the decoder passes to the codec (mask 1 routing, 2 rate
// reduction, 4 equaliser).
struct DecoderOutputSettings {
    std::int32_t channelRouting = 0;  // 0 stereo, 1 left, 2 right, 3 mixed
    std::int32_t rateReduction = 0;   // 0 none, 1 half, 2 quarter
    const std::int8_t* equalizer = nullptr;  // 64 bytes or none
    // Reading the settings back (mask 4): 64 bytes the codec fills.
    std::int8_t* equalizerOut = nullptr;
};

struct DecoderInputModuleMethods {
    std::uint32_t apiId = 0;
    // 0 when the module accepts the name.
    std::int32_t (*probe)(const char* name) = nullptr;
    std::int32_t (*info)(DecoderModuleInfo* info, std::uint32_t flags) = nullptr;
    std::int32_t (*newInstance)(void** instance, const char* name, DecoderModuleRecord* module,
                                DecoderControl* control) = nullptr;
    std::int32_t (*deleteInstance)(void* instance) = nullptr;
    std::int32_t (*open)(void* instance) = nullptr;
    std::int32_t (*close)(void* instance) = nullptr;
    // Returns the byte count read (which callers expect whole), 0 at the end,
    // or a negative code.
    std::int32_t (*read)(void* instance, void* buffer, std::uint32_t count) = nullptr;
    std::int32_t (*seek)(void* instance, std::int64_t offset) = nullptr;
    std::int32_t (*seekable)(void* instance) = nullptr;
    std::int64_t (*size)(void* instance) = nullptr;
    std::int32_t (*message)(void* instance, std::int32_t code, const void* data, std::uint32_t size) = nullptr;
};

struct DecoderCodecModuleMethods {
    std::uint32_t apiId = 0;
    std::int32_t (*probe)(const char* mimeType, const char* name) = nullptr;
    std::int32_t (*info)(DecoderModuleInfo* info, std::uint32_t flags) = nullptr;
    std::int32_t (*newInstance)(void** instance, const char* mimeType, const char* name,
                                DecoderModuleRecord* module, DecoderControl* control) = nullptr;
    std::int32_t (*deleteInstance)(void* instance) = nullptr;
    std::int32_t (*decode)(void* instance, DecoderOutputBuffer* output, DecoderStreamInfo* stream) = nullptr;
    std::int32_t (*streamHeaderProbe)(void* instance, DecoderStreamInfo* stream) = nullptr;
    float (*offsetToFraction)(void* instance, std::int64_t offset) = nullptr;
    float (*fractionToOffset)(void* instance, float fraction) = nullptr;
    std::int32_t (*newStream)(void* instance, const char* mimeType, const char* name) = nullptr;
    std::int32_t (*endOfInput)(void* instance) = nullptr;
    std::int32_t (*seekDone)(void* instance, std::int64_t offset) = nullptr;
    std::int32_t (*reset)(void* instance) = nullptr;
    std::int32_t (*setOutputSettings)(void* instance, const DecoderOutputSettings* settings,
                                      std::uint32_t mask) = nullptr;
    std::int32_t (*getOutputSettings)(void* instance, DecoderOutputSettings* settings, std::uint32_t mask) = nullptr;
    void* reserved = nullptr;
};

// The format an output is asked to take (`setFormat`).
struct DecoderOutputFormat {
    std::uint32_t bytesPerSample = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t channels = 0;
};

// An output's control values (`getControl`). Word 0 is the caller's; an
// output without the method answers words 1 to 5 as 2, 100, 100, 50, 1.
struct DecoderOutputControl {
    std::int32_t words[6] = {};
};

// Capability bit of an output that wants a time stamp with every frame.
inline constexpr std::uint32_t DECODER_OUTPUT_WANTS_TIME_STAMP = 1u << 22;
// The output state's capability word before an output is opened.
inline constexpr std::uint32_t DECODER_OUTPUT_DEFAULT_CAPABILITIES = 0x7fbfffff;

struct DecoderOutputModuleMethods {
    std::uint32_t apiId = 0;
    // 0 when the module accepts the name.
    std::int32_t (*probe)(const char* name) = nullptr;
    std::int32_t (*info)(DecoderModuleInfo* info, std::uint32_t flags) = nullptr;
    std::int32_t (*newInstance)(void** instance, const char* name, DecoderModuleRecord* module,
                                DecoderControl* control) = nullptr;
    std::int32_t (*deleteInstance)(void* instance) = nullptr;
    std::int32_t (*open)(void* instance) = nullptr;
    std::int32_t (*close)(void* instance) = nullptr;
    // Returns the byte count taken, 0 when writing failed.
    std::int32_t (*write)(void* instance, const void* pcm, std::uint32_t bytes, std::uint32_t bytesPerSample,
                          std::uint32_t channels, std::uint32_t sampleRate) = nullptr;
    // A buffer of at least `size` bytes to decode the next frame into, or
    // null for the decoder's own.
    void* (*getBuffer)(void* instance, std::uint32_t size) = nullptr;
    // mask: the change flags of `DecoderOutputBuffer`.
    std::int32_t (*setFormat)(void* instance, const DecoderOutputFormat* format, std::uint32_t mask) = nullptr;
    std::int32_t (*getControl)(void* instance, DecoderOutputControl* control, std::uint32_t mask) = nullptr;
    std::int32_t (*getTimeStamp)(void* instance, std::uint32_t* value) = nullptr;
    std::int32_t (*message)(void* instance, std::int32_t code, const void* data, std::uint32_t size) = nullptr;
    std::uint32_t (*capability)(void* instance) = nullptr;
};

// Made at registration. A record serves an input, output or codec module;
// only the matching method table is filled.
struct DecoderModuleRecord {
    std::int32_t id = 0;
    std::uintptr_t instanceWord = 0;
    DecoderInputModuleMethods input;
    DecoderOutputModuleMethods output;
    DecoderCodecModuleMethods codec;
};

struct DecoderInputState {
    std::int32_t state = 0;  // 0 closed, 1 open
    std::uint32_t seekable = 0;  // bit 0: the input can seek
    std::int64_t position = 0;   // bytes read so far
    std::int64_t totalSize = 0;  // 0 = not known
    void* instance = nullptr;
    DecoderModuleRecord* module = nullptr;
    std::string name;
    std::string mimeType;  // "unknown" after each open until a module sets it
};

// The playback side: the output module instance PCM goes to.
struct DecoderOutputState {
    std::int32_t state = 0;  // 0 closed, 1 open
    std::uint32_t capabilities = DECODER_OUTPUT_DEFAULT_CAPABILITIES;  // the output's word
    void* instance = nullptr;
    DecoderModuleRecord* module = nullptr;
    std::string name;
};

struct DecoderCodecSlot {
    void* instance = nullptr;
    DecoderModuleRecord* module = nullptr;
    std::uint32_t maxPcmBytes = 0;  // the largest PCM one frame can produce
    std::uint32_t capabilities = 0;
};

struct DecoderModuleCounts {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    std::int32_t codecs = 0;
};

struct DecoderTiming {
    float fraction = 0.0f;  // stream position, 0.0 to 1.0
    DecoderStreamInfo stream;
    std::int32_t hours = 0;
    std::int32_t minutes = 0;
    std::int32_t seconds = 0;
    std::int32_t hundredths = 0;
};

// Called with the user data, a module identifier or 0, 0, a heading and a
// detail text; the result is ignored.
using DecoderMessageCallback = std::int32_t (*)(std::uintptr_t user, std::int32_t moduleId, std::int32_t zero,
                                                const char* heading, const char* detail);

// What modules call, through the control block they were given.
struct DecoderServices {
    std::int32_t (*ReadInput)(DecoderControl* control, void* buffer, std::uint32_t count);
    std::int32_t (*SeekInput)(DecoderControl* control, std::int64_t offset);
    std::int32_t (*ResetCodec)(DecoderControl* control);
    std::int32_t (*SetStreamInteger)(DecoderControl* control, const char* name, std::int32_t value);
    std::int32_t (*GetStreamInteger)(DecoderControl* control, const char* name, std::int32_t* value);
    std::int32_t (*SetStreamText)(DecoderControl* control, const char* name, const char* text);
    std::int32_t (*GetStreamText)(DecoderControl* control, const char* name, char* buffer, std::uint32_t size);
    std::int32_t (*DeleteStreamProperty)(DecoderControl* control, const char* name);
    std::int32_t (*SetDecoderInteger)(DecoderControl* control, const char* name, std::int32_t value);
    std::int32_t (*GetDecoderInteger)(DecoderControl* control, const char* name, std::int32_t* value);
    std::int32_t (*SetDecoderText)(DecoderControl* control, const char* name, const char* text);
    std::int32_t (*GetDecoderText)(DecoderControl* control, const char* name, char* buffer, std::uint32_t size);
    std::int32_t (*DeleteDecoderProperty)(DecoderControl* control, const char* name);
    std::int32_t (*AddPropertyWatcher)(DecoderControl* control, const char* name, std::uintptr_t user,
                                       DecoderWatcherCallback callback, DecoderPropertyWatcher** handle);
    std::int32_t (*RemovePropertyWatcher)(DecoderControl* control, DecoderPropertyWatcher* handle);
};

struct DecoderControl {
    DecoderInputState* input = nullptr;
    DecoderOutputState* output = nullptr;
    DecoderCodecSlot* codec = nullptr;
    DecoderModuleCounts* counts = nullptr;
    DecoderTiming* timing = nullptr;
    DecoderOutputBuffer* outputBuffer = nullptr;
    std::uintptr_t userData = 0;
    DecoderMessageCallback messageCallback = nullptr;
    DecoderServices services{};
    DecoderPrivate* priv = nullptr;
};

std::int32_t DecoderNew(DecoderControl** control);
std::int32_t DecoderDelete(DecoderControl* control);

// Both return the new module's identifier.
std::int32_t DecoderInputModuleRegister(DecoderControl* control, const DecoderInputModuleMethods* methods);
std::int32_t DecoderCodecModuleRegister(DecoderControl* control, const DecoderCodecModuleMethods* methods);

// moduleId -1 takes the first module (most recently registered first) whose
// probe accepts the name.
std::int32_t DecoderInputNew(DecoderControl* control, const char* name, std::int32_t moduleId);
std::int32_t DecoderInputDelete(DecoderControl* control);
std::int32_t DecoderInputOpen(DecoderControl* control);
std::int32_t DecoderInputClose(DecoderControl* control);
std::int32_t DecoderInputSendMessage(DecoderControl* control, std::int32_t code, const void* data,
                                     std::uint32_t size);

// Decodes one frame into `pcm` (which must hold the codec's largest frame)
// or, when null, into the decoder's own buffer; the output buffer record
// then describes it.
std::int32_t DecoderDecode(DecoderControl* control, std::int16_t* pcm);

// Called by the layer decoders when a frame holds an impossible value: the
// running `DecoderDecode` returns DECODER_ERR_NO_FRAME. Never returns. The
// frame code must own everything it allocates (RAII), since it unwinds.
[[noreturn]] void DecoderAbortFrame(DecoderControl* control);

// Reports a message through the host's callback, when there is one.
void DecoderReportMessage(DecoderControl* control, std::int32_t moduleId, const char* heading,
                          const char* detail);

// The output settings handed to the codec at selection (all 0 until the
// host controls of decoder_host_controls.h set them).
const DecoderOutputSettings* DecoderGetOutputSettings(const DecoderControl* control);
