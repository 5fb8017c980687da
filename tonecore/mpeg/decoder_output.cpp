#include "tonecore/mpeg/decoder_output.h"

#include "tonecore/mpeg/decoder_filters.h"
#include "tonecore/mpeg/decoder_internal.h"

namespace {

std::int32_t CheckOutput(DecoderControl* control, EEndpointNeed need) {
    const DecoderOutputState* output = control->output;
    return DecoderCheckEndpoint(control, output->module, output->instance, output->state, need, kOutputTexts);
}

// The time stamp the output wants with this frame; 0 when it has none.
void TakeTimeStamp(DecoderControl* control) {
    DecoderOutputBuffer* buffer = control->outputBuffer;
    buffer->outputWord = 0;
    if ((control->output->capabilities & DECODER_OUTPUT_WANTS_TIME_STAMP) == 0) return;
    std::uint32_t stamp = 0;
    if (DecoderOutputFilterGetTimeStamp(DecoderOutputChain(control), &stamp) == 0) buffer->outputWord = stamp;
}

}  // namespace

std::int32_t DecoderOutputModuleRegister(DecoderControl* control, const DecoderOutputModuleMethods* methods) {
    return DecoderRegisterEndpointModule<&DecoderModuleRecord::output, &DecoderOutputModuleMethods::write>(
        control, methods, "null 'write' method in module", &DecoderPrivate::outputModules,
        &DecoderModuleCounts::outputs);
}

std::int32_t DecoderOutputNew(DecoderControl* control, const char* name, std::int32_t moduleId) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return DecoderNewEndpoint<&DecoderModuleRecord::output>(control, control->output, control->priv->outputModules,
                                                            name, moduleId, DECODER_ERR_NO_OUTPUT_MODULE,
                                                            DecoderOutputDelete);
}

std::int32_t DecoderOutputDelete(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    return DecoderDeleteEndpoint<&DecoderModuleRecord::output>(control, control->output, DecoderOutputClose,
                                                               kOutputTexts);
}

std::int32_t DecoderOutputOpen(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Closed); checked != 0) return checked;
    const std::int32_t opened = DecoderOutputFilterOpen(DecoderOutputChain(control));
    if (opened != 0) return opened;
    // The first frame then flags every change, so the output learns the format.
    DecoderOutputBuffer* buffer = control->outputBuffer;
    buffer->bytesPerSample = 0;
    buffer->channels = 0;
    buffer->sampleRate = 0;
    control->output->capabilities = DecoderOutputFilterCapability(DecoderOutputChain(control));
    control->output->state = 1;
    return 0;
}

std::int32_t DecoderOutputClose(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Open); checked != 0) return checked;
    control->output->state = 0;
    control->output->capabilities = 0;
    return DecoderOutputFilterClose(DecoderOutputChain(control));
}

std::int32_t DecoderOutputWrite(DecoderControl* control, const void* pcm, std::uint32_t bytes,
                                std::uint32_t bytesPerSample, std::uint32_t channels, std::uint32_t sampleRate) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Open); checked != 0) return checked;
    return DecoderOutputFilterWrite(DecoderOutputChain(control), pcm, bytes, bytesPerSample, channels, sampleRate);
}

std::int32_t DecoderOutputSetFormat(DecoderControl* control, const DecoderOutputFormat* format, std::uint32_t mask) {
    if (control == nullptr || format == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Any); checked != 0) return checked;
    return DecoderOutputFilterSetFormat(DecoderOutputChain(control), format, mask);
}

std::int32_t DecoderOutputGetControl(DecoderControl* control, DecoderOutputControl* record, std::uint32_t mask) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (record == nullptr) {
        DecoderReportMessage(control, 0, kDecoderInternalError, "null control block");
        return DECODER_ERR_STATE;
    }
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Any); checked != 0) return checked;
    return DecoderOutputFilterGetControl(DecoderOutputChain(control), record, mask);
}

std::int32_t DecoderOutputSendMessage(DecoderControl* control, std::int32_t code, const void* data,
                                      std::uint32_t size) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (control->output->instance == nullptr || control->output->module == nullptr) return DECODER_ERR_STATE;
    return DecoderOutputFilterMessage(DecoderOutputChain(control), code, data, size);
}

std::int32_t DecoderPlayFrame(DecoderControl* control) {
    if (control == nullptr) return DECODER_ERR_BAD_ARGUMENT;
    if (const std::int32_t checked = CheckOutput(control, EEndpointNeed::Open); checked != 0) return checked;
    DecoderOutputFilter* chain = DecoderOutputChain(control);
    // The output may hand out a buffer for the largest frame; else the
    // decoder's own is used.
    auto* pcm = static_cast<std::int16_t*>(DecoderOutputFilterGetBuffer(chain, control->codec->maxPcmBytes));
    const std::int32_t decoded = DecoderDecode(control, pcm);
    // A frame that did not decode leaves nothing to write.
    if (decoded != 0) return decoded;

    const DecoderOutputBuffer* buffer = control->outputBuffer;
    if (buffer->changeFlags != 0) {
        const DecoderOutputFormat format{buffer->bytesPerSample, buffer->sampleRate, buffer->channels};
        // PCM in a format the output did not take would play as noise.
        if (DecoderOutputFilterSetFormat(chain, &format, buffer->changeFlags) != 0) return DECODER_ERR_NO_OUTPUT_MODULE;
    }
    TakeTimeStamp(control);
    const std::uint64_t bytes =
        std::uint64_t{buffer->samplesPerChannel} * buffer->bytesPerSample * buffer->channels;
    DecoderOutputFilterWrite(chain, buffer->pcm, static_cast<std::uint32_t>(bytes), buffer->bytesPerSample,
                             buffer->channels, buffer->sampleRate);
    return decoded;
}
