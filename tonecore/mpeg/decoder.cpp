#include "tonecore/mpeg/decoder.h"

#include <cmath>
#include <new>

#include "tonecore/mpeg/decoder_internal.h"
#include "tonecore/mpeg/decoder_output.h"

namespace {

// Thrown by DecoderAbortFrame and caught only by DecoderDecode, inside this
// library.
struct CFrameAbort {};

constexpr const char* kUnknownMime = "unknown";
constexpr const char* kAudioUnknownMime = "audio/unknown";

// ---- the input chain --------------------------------------------------------
// Every input operation goes to the chain's head; without filters in front
// that is the terminal filter, which calls the module instance.

std::int32_t ChainOpen(DecoderControl* control) {
    return DecoderInputFilterOpen(DecoderInputChain(control));
}

std::int32_t ChainClose(DecoderControl* control) {
    return DecoderInputFilterClose(DecoderInputChain(control));
}

std::int32_t ChainRead(DecoderControl* control, void* buffer, std::uint32_t count) {
    return DecoderInputFilterRead(DecoderInputChain(control), buffer, count);
}

std::int32_t ChainSeek(DecoderControl* control, std::int64_t offset) {
    return DecoderInputFilterSeek(DecoderInputChain(control), offset);
}

std::int32_t ChainSeekable(DecoderControl* control) {
    return DecoderInputFilterSeekable(DecoderInputChain(control));
}

std::int64_t ChainSize(DecoderControl* control) {
    return DecoderInputFilterSize(DecoderInputChain(control));
}

std::int32_t ChainMessage(DecoderControl* control, std::int32_t code, const void* data, std::uint32_t size) {
    return DecoderInputFilterMessage(DecoderInputChain(control), code, data, size);
}

// ---- checks -----------------------------------------------------------------

std::int32_t CheckInput(DecoderControl* control, EEndpointNeed need) {
    const DecoderInputState* input = control->input;
    return DecoderCheckEndpoint(control, input->module, input->instance, input->state, need, kInputTexts);
}

// ---- timing -----------------------------------------------------------------

float FractionAt(DecoderControl* control, std::int64_t offset) {
    const DecoderCodecSlot* codec = control->codec;
    float fraction = 0.0f;
    if (codec->instance != nullptr && codec->module->codec.offsetToFraction != nullptr) {
        fraction = codec->module->codec.offsetToFraction(codec->instance, offset);
    } else if (control->input->totalSize > 0) {
        fraction = static_cast<float>(static_cast<double>(offset) / static_cast<double>(control->input->totalSize));
    }
    if (!(fraction >= 0.0f)) return 0.0f;  // negative or not a number
    return fraction > 1.0f ? 1.0f : fraction;
}

void UpdateClock(DecoderControl* control) {
    DecoderTiming* timing = control->timing;
    double seconds = 0.0;
    if (timing->stream.durationMs != 0) {
        seconds = timing->stream.durationMs * static_cast<double>(timing->fraction) * 0.001;
    } else if (timing->stream.bitrateKbps != 0) {
        seconds = static_cast<double>(control->input->position) / (timing->stream.bitrateKbps * 125.0);
    }
    if (!(seconds > 0.0)) seconds = 0.0;
    const auto whole = static_cast<std::int64_t>(seconds);
    timing->hours = static_cast<std::int32_t>(whole / 3600);
    timing->minutes = static_cast<std::int32_t>((whole % 3600) / 60);
    timing->seconds = static_cast<std::int32_t>(whole % 60);
    timing->hundredths = static_cast<std::int32_t>((seconds - static_cast<double>(whole)) * 100.0);
}

void ResetTiming(DecoderControl* control) {
    DecoderTiming* timing = control->timing;
    DecoderPropertyList* properties = timing->stream.properties;
    PropertyListClear(properties);
    *timing = DecoderTiming{};
    timing->stream.properties = properties;
}

void ResetInputCounters(DecoderInputState* input) {
    input->seekable = 0;
    input->totalSize = 0;
    input->position = 0;
    input->mimeType = kUnknownMime;
}

// ---- codec selection -----------------------------------------------------------

void DeleteCodecInstance(DecoderCodecSlot* slot) {
    if (slot->instance != nullptr && slot->module != nullptr) slot->module->codec.deleteInstance(slot->instance);
    slot->instance = nullptr;
    slot->module = nullptr;
}

std::int32_t SelectCodec(DecoderControl* control) {
    const char* mime = control->input->mimeType.empty() ? kAudioUnknownMime : control->input->mimeType.c_str();
    const char* name = control->input->name.c_str();
    DecoderModuleRecord* chosen = nullptr;
    for (DecoderModuleRecord& record : control->priv->codecModules) {
        if (record.codec.probe(mime, name) == 0) {
            chosen = &record;
            break;
        }
    }
    if (chosen == nullptr) return DECODER_ERR_NO_CODEC;
    DecoderCodecSlot* slot = control->codec;
    if (slot->instance != nullptr && slot->module == chosen) return 0;
    DeleteCodecInstance(slot);
    slot->module = chosen;
    const std::int32_t created = chosen->codec.newInstance(&slot->instance, mime, name, chosen, control);
    if (created != 0 || slot->instance == nullptr) {
        slot->instance = nullptr;
        slot->module = nullptr;
        return created != 0 ? created : DECODER_ERR_STATE;
    }
    DecoderModuleInfo info;
    if (chosen->codec.info(&info, DECODER_INFO_MAX_PCM) == 0) slot->maxPcmBytes = static_cast<std::uint32_t>(info.index);
    info = DecoderModuleInfo{};
    if (chosen->codec.info(&info, DECODER_INFO_CAPS) == 0) slot->capabilities = info.deviceFlags;
    if (chosen->codec.setOutputSettings != nullptr) {
        chosen->codec.setOutputSettings(slot->instance, &control->priv->settings, 7);
    }
    return 0;
}

// ---- services -------------------------------------------------------------------

std::int32_t ServiceReadInput(DecoderControl* control, void* buffer, std::uint32_t count) {
    if (control == nullptr || buffer == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (control->input->state != 1 || control->input->instance == nullptr) return DECODER_ERR_STATE;
    const std::int32_t got = ChainRead(control, buffer, count);
    if (got < 1) return got == 0 ? DECODER_ERR_END_OF_INPUT : got;
    control->input->position += got;
    // A module that hands over part of the count has reached its end.
    return static_cast<std::uint32_t>(got) < count ? DECODER_ERR_END_OF_INPUT : 0;
}

std::int32_t ServiceSeekInput(DecoderControl* control, std::int64_t offset) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    DecoderInputState* input = control->input;
    if (input->state != 1 || input->instance == nullptr || (input->seekable & 1) == 0 || input->totalSize <= 0) {
        return DECODER_ERR_NO_METHOD;
    }
    if (offset < 0) offset = 0;
    if (offset > input->totalSize) offset = input->totalSize;
    input->position = offset;
    control->timing->fraction = FractionAt(control, offset);
    UpdateClock(control);
    DecoderCodecSlot* codec = control->codec;
    if (codec->instance != nullptr && codec->module->codec.seekDone != nullptr) {
        codec->module->codec.seekDone(codec->instance, offset);
    }
    return ChainSeek(control, offset);
}

std::int32_t ServiceResetCodec(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (control->input->state != 1) return DECODER_ERR_STATE;
    DecoderCodecSlot* codec = control->codec;
    if (codec->instance != nullptr && codec->module->codec.reset != nullptr) codec->module->codec.reset(codec->instance);
    return 0;
}

DecoderPropertyList* StreamList(DecoderControl* control) {
    return control != nullptr ? control->timing->stream.properties : nullptr;
}

DecoderPropertyList* OwnList(DecoderControl* control) {
    return control != nullptr ? &control->priv->properties : nullptr;
}

void FlagStreamChange(DecoderControl* control, std::int32_t result) {
    if (result == 0) control->timing->stream.flags |= DECODER_STREAM_PROPERTIES;
}

std::int32_t SetStreamInteger(DecoderControl* control, const char* name, std::int32_t value) {
    const std::int32_t result = PropertyListSetInteger(StreamList(control), name, value);
    if (control != nullptr) FlagStreamChange(control, result);
    return result;
}

std::int32_t GetStreamInteger(DecoderControl* control, const char* name, std::int32_t* value) {
    return PropertyListGetInteger(StreamList(control), name, value);
}

std::int32_t SetStreamText(DecoderControl* control, const char* name, const char* text) {
    const std::int32_t result = PropertyListSetText(StreamList(control), name, text);
    if (control != nullptr) FlagStreamChange(control, result);
    return result;
}

std::int32_t GetStreamText(DecoderControl* control, const char* name, char* buffer, std::uint32_t size) {
    return PropertyListGetText(StreamList(control), name, buffer, size);
}

std::int32_t DeleteStreamProperty(DecoderControl* control, const char* name) {
    const std::int32_t result = PropertyListDelete(StreamList(control), name);
    if (control != nullptr) FlagStreamChange(control, result);
    return result;
}

std::int32_t SetDecoderInteger(DecoderControl* control, const char* name, std::int32_t value) {
    return PropertyListSetInteger(OwnList(control), name, value);
}

std::int32_t GetDecoderInteger(DecoderControl* control, const char* name, std::int32_t* value) {
    return PropertyListGetInteger(OwnList(control), name, value);
}

std::int32_t SetDecoderText(DecoderControl* control, const char* name, const char* text) {
    return PropertyListSetText(OwnList(control), name, text);
}

std::int32_t GetDecoderText(DecoderControl* control, const char* name, char* buffer, std::uint32_t size) {
    return PropertyListGetText(OwnList(control), name, buffer, size);
}

std::int32_t DeleteDecoderProperty(DecoderControl* control, const char* name) {
    return PropertyListDelete(OwnList(control), name);
}

std::int32_t AddPropertyWatcher(DecoderControl* control, const char* name, std::uintptr_t user,
                                DecoderWatcherCallback callback, DecoderPropertyWatcher** handle) {
    return PropertyListAddWatcher(OwnList(control), name, user, callback, handle);
}

std::int32_t RemovePropertyWatcher(DecoderControl* control, DecoderPropertyWatcher* handle) {
    return PropertyListRemoveWatcher(OwnList(control), handle);
}

constexpr DecoderServices kServices = {
    ServiceReadInput,   ServiceSeekInput,     ServiceResetCodec,   SetStreamInteger,  GetStreamInteger,
    SetStreamText,      GetStreamText,        DeleteStreamProperty, SetDecoderInteger, GetDecoderInteger,
    SetDecoderText,     GetDecoderText,       DeleteDecoderProperty, AddPropertyWatcher, RemovePropertyWatcher,
};

}  // namespace

// ---- creation and deletion ---------------------------------------------------------

std::int32_t DecoderNew(DecoderControl** out) {
    if (out == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    *out = nullptr;
    auto* control = new (std::nothrow) DecoderControl;
    if (control == nullptr) return DECODER_ERR_NO_MEMORY;
    control->input = new (std::nothrow) DecoderInputState;
    control->output = new (std::nothrow) DecoderOutputState;
    control->codec = new (std::nothrow) DecoderCodecSlot;
    control->counts = new (std::nothrow) DecoderModuleCounts;
    control->timing = new (std::nothrow) DecoderTiming;
    control->outputBuffer = new (std::nothrow) DecoderOutputBuffer;
    control->priv = new (std::nothrow) DecoderPrivate;
    DecoderPropertyList* streamList = new (std::nothrow) DecoderPropertyList;
    if (control->timing != nullptr) control->timing->stream.properties = streamList;
    if (control->input == nullptr || control->output == nullptr || control->codec == nullptr ||
        control->counts == nullptr || control->timing == nullptr || control->outputBuffer == nullptr ||
        control->priv == nullptr || streamList == nullptr) {
        if (control->timing == nullptr) delete streamList;
        DecoderDelete(control);
        return DECODER_ERR_NO_MEMORY;
    }
    control->services = kServices;
    DecoderInitFilterChains(control);
    *out = control;
    return 0;
}

std::int32_t DecoderDelete(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (control->input != nullptr && control->priv != nullptr) {
        DecoderInputDelete(control);
        DecoderDeleteInputFilters(control);
        control->priv->inputModules.clear();
    }
    delete control->input;
    control->input = nullptr;
    if (control->output != nullptr && control->priv != nullptr) {
        DecoderOutputDelete(control);
        DecoderDeleteOutputFilters(control);
        control->priv->outputModules.clear();
    }
    delete control->output;
    control->output = nullptr;
    if (control->timing != nullptr) {
        PropertyListClear(control->timing->stream.properties);
        delete control->timing->stream.properties;
    }
    delete control->timing;
    control->timing = nullptr;
    delete control->outputBuffer;
    control->outputBuffer = nullptr;
    if (control->codec != nullptr) DeleteCodecInstance(control->codec);
    if (control->priv != nullptr) control->priv->codecModules.clear();
    delete control->codec;
    delete control->counts;
    delete control->priv;
    delete control;
    return 0;
}

// ---- registration ---------------------------------------------------------------

std::int32_t DecoderInputModuleRegister(DecoderControl* control, const DecoderInputModuleMethods* methods) {
    return DecoderRegisterEndpointModule<&DecoderModuleRecord::input, &DecoderInputModuleMethods::read>(
        control, methods, "null 'read' method in module", &DecoderPrivate::inputModules, &DecoderModuleCounts::inputs);
}

std::int32_t DecoderCodecModuleRegister(DecoderControl* control, const DecoderCodecModuleMethods* methods) {
    if (control == nullptr || methods == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (!DecoderApiMatches(methods->apiId)) return DECODER_ERR_API;
    if (methods->info == nullptr) return DecoderMissingSlot(control, "null 'query' method");
    if (methods->probe == nullptr) return DecoderMissingSlot(control, "null 'probe' method in module");
    if (methods->newInstance == nullptr) return DecoderMissingSlot(control, "null 'new' method in module");
    if (methods->deleteInstance == nullptr) return DecoderMissingSlot(control, "null 'delete' method in module");
    if (methods->decode == nullptr) return DecoderMissingSlot(control, "null 'decode' method in module");
    DecoderModuleRecord record;
    record.codec = *methods;
    return DecoderAddModuleRecord(control->priv->codecModules, control->counts->codecs, record);
}

// ---- the input life cycle ------------------------------------------------------------

std::int32_t DecoderInputNew(DecoderControl* control, const char* name, std::int32_t moduleId) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    const std::int32_t made = DecoderNewEndpoint<&DecoderModuleRecord::input>(
        control, control->input, control->priv->inputModules, name, moduleId, DECODER_ERR_NO_INPUT_MODULE,
        DecoderInputDelete);
    if (made == 0) control->input->seekable = 0;
    return made;
}

std::int32_t DecoderInputDelete(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return DecoderDeleteEndpoint<&DecoderModuleRecord::input>(control, control->input, DecoderInputClose,
                                                              kInputTexts);
}

std::int32_t DecoderInputOpen(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckInput(control, EEndpointNeed::Closed); checked != 0) return checked;
    DecoderInputState* input = control->input;
    ResetTiming(control);
    ResetInputCounters(input);

    const std::int32_t opened = ChainOpen(control);
    if (opened != 0) return opened;
    input->state = 1;
    if (input->totalSize == 0) input->totalSize = ChainSize(control);
    if (input->totalSize < 0) input->totalSize = 0;
    input->seekable = ChainSeekable(control) != 0 ? 1 : 0;

    std::int32_t result = SelectCodec(control);
    DecoderCodecSlot* codec = control->codec;
    if (result == 0 && codec->module->codec.newStream != nullptr) {
        result = codec->module->codec.newStream(codec->instance, input->mimeType.c_str(), input->name.c_str());
    }
    if (result != 0) {
        DecoderInputClose(control);
        return result;
    }
    if ((input->seekable & 1) != 0 && codec->module->codec.streamHeaderProbe != nullptr) {
        // The probe reads ahead. When it fails (a short file, no header) the
        // bytes it consumed must not be lost: go back to the start, where
        // the frame search finds the first frame again. A probe that knows
        // better where the audio starts answers 0 and leaves the input there.
        // (A failed read may have moved the file without counting the bytes.)
        if (codec->module->codec.streamHeaderProbe(codec->instance, &control->timing->stream) != 0) {
            ServiceSeekInput(control, 0);
        }
    }
    return 0;
}

std::int32_t DecoderInputClose(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckInput(control, EEndpointNeed::Open); checked != 0) return checked;
    ResetInputCounters(control->input);
    const std::int32_t closed = ChainClose(control);
    control->input->state = 0;
    DecoderCodecSlot* codec = control->codec;
    if (codec->instance != nullptr && codec->module->codec.endOfInput != nullptr) {
        codec->module->codec.endOfInput(codec->instance);
    }
    return closed;
}

std::int32_t DecoderInputSendMessage(DecoderControl* control, std::int32_t code, const void* data,
                                     std::uint32_t size) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (control->input->instance == nullptr || control->input->module == nullptr) return DECODER_ERR_STATE;
    return ChainMessage(control, code, data, size);
}

// ---- decoding -----------------------------------------------------------------------

std::int32_t DecoderDecode(DecoderControl* control, std::int16_t* pcm) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckInput(control, EEndpointNeed::Open); checked != 0) return checked;
    DecoderCodecSlot* codec = control->codec;
    if (codec->instance == nullptr || codec->module == nullptr) {
        DecoderReportMessage(control, 0, kDecoderInternalError, "null codec instance");
        return DECODER_ERR_STATE;
    }
    DecoderOutputBuffer* output = control->outputBuffer;
    const std::uint32_t oldBytesPerSample = output->bytesPerSample;
    const std::uint32_t oldChannels = output->channels;
    const std::uint32_t oldRate = output->sampleRate;
    output->pcm = pcm != nullptr ? pcm : control->priv->pcm.data();
    output->bytesPerSample = 2;
    control->timing->stream.flags = 0;

    std::int32_t result = 0;
    try {
        result = codec->module->codec.decode(codec->instance, output, &control->timing->stream);
    } catch (const CFrameAbort&) {
        return DECODER_ERR_NO_FRAME;
    } catch (const std::bad_alloc&) {
        return DECODER_ERR_NO_MEMORY;
    }
    if (result != 0) return result;

    control->timing->fraction = FractionAt(control, control->input->position);
    UpdateClock(control);
    output->changeFlags = 0;
    if (output->bytesPerSample != oldBytesPerSample) output->changeFlags |= DECODER_CHANGED_SAMPLE_FORMAT;
    if (output->channels != oldChannels) output->changeFlags |= DECODER_CHANGED_CHANNELS | DECODER_CHANGED_RATE;
    if (output->sampleRate != oldRate) output->changeFlags |= DECODER_CHANGED_RATE;
    return 0;
}

void DecoderAbortFrame(DecoderControl* /*control*/) {
    throw CFrameAbort{};
}

void DecoderReportMessage(DecoderControl* control, std::int32_t moduleId, const char* heading,
                          const char* detail) {
    if (control == nullptr || control->messageCallback == nullptr) return;
    control->messageCallback(control->userData, moduleId, 0, heading != nullptr ? heading : "",
                             detail != nullptr ? detail : "");
}

const DecoderOutputSettings* DecoderGetOutputSettings(const DecoderControl* control) {
    return control != nullptr && control->priv != nullptr ? &control->priv->settings : nullptr;
}
