// The playback side: output module registration and life cycle, frames
// played into an output (formats, buffers, time stamps), the output's
// controls and messages, and module queries.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_module_query.h"
#include "tonecore/mpeg/decoder_output.h"
#include "tonecore/mpeg/file_output.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/tests/output_test_support.h"

using namespace decodertest;

namespace {

std::vector<std::int16_t> Ramp(std::uint32_t count, std::int16_t base) {
    std::vector<std::int16_t> ramp(count);
    for (std::uint32_t i = 0; i < count; ++i) ramp[i] = static_cast<std::int16_t>(base + i);
    return ramp;
}

}  // namespace

TEST(DecoderOutputModules, RegistrationRefusesBadTablesInOrder) {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    DecoderOutputModuleMethods wrongApi;  // every slot null too: the API comes first
    wrongApi.apiId = 0x40400;
    EXPECT_EQ(DecoderOutputModuleRegister(decoder.get(), &wrongApi), DECODER_ERR_API);
    EXPECT_TRUE(Messages().empty());

    struct TCase {
        void (*clear)(DecoderOutputModuleMethods&);
        const char* detail;
    };
    const TCase cases[] = {
        {[](DecoderOutputModuleMethods& m) { m.newInstance = nullptr; m.write = nullptr; }, "null 'new' method in module"},
        {[](DecoderOutputModuleMethods& m) { m.deleteInstance = nullptr; }, "null 'delete' method in module"},
        {[](DecoderOutputModuleMethods& m) { m.open = nullptr; m.close = nullptr; }, "null 'open' method in module"},
        {[](DecoderOutputModuleMethods& m) { m.close = nullptr; }, "null 'close' method in module"},
        {[](DecoderOutputModuleMethods& m) { m.write = nullptr; }, "null 'write' method in module"},
    };
    for (const TCase& c : cases) {
        Messages().clear();
        DecoderOutputModuleMethods methods = RecordingOutputMethods();
        c.clear(methods);
        EXPECT_EQ(DecoderOutputModuleRegister(decoder.get(), &methods), DECODER_ERR_STATE) << c.detail;
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].heading, "internal error");
        EXPECT_EQ(Messages()[0].detail, c.detail);
    }
    const DecoderOutputModuleMethods good = RecordingOutputMethods();
    EXPECT_EQ(DecoderOutputModuleRegister(decoder.get(), &good), 0);
    EXPECT_EQ(DecoderOutputModuleRegister(decoder.get(), &good), 1);
    EXPECT_EQ(decoder->counts->outputs, 2);
    EXPECT_EQ(decoder->counts->inputs, 0);
}

TEST(DecoderOutputModules, LifeCycleAndStateChecks) {
    TDecoderPtr decoder(MakePlayingDecoder());
    DecoderControl* control = decoder.get();
    ASSERT_NE(control->output->instance, nullptr);

    EXPECT_EQ(DecoderOutputNew(control, "speaker", -1), DECODER_ERR_NO_OUTPUT_MODULE);
    EXPECT_EQ(DecoderOutputNew(control, "rec", 5), DECODER_ERR_NO_MODULE);
    EXPECT_EQ(control->output->instance, &RecordingOutput());  // a failed choice keeps the output
    EXPECT_EQ(DecoderOutputNew(control, "rec", 0), 0);  // same module and name: kept
    EXPECT_EQ(RecordingOutput().created, 1);

    struct TStep {
        std::int32_t (*call)(DecoderControl*);
        std::int32_t result;
        const char* detail;  // the message reported, or null
    };
    const auto write = [](DecoderControl* c) {
        const std::int16_t pcm[2] = {1, 2};
        return DecoderOutputWrite(c, pcm, 4, 2, 2, 44100);
    };
    const TStep steps[] = {
        {DecoderOutputClose, DECODER_ERR_STATE, "output not open"},
        {write, DECODER_ERR_STATE, "output not open"},
        {DecoderPlayFrame, DECODER_ERR_STATE, "output not open"},
        {DecoderOutputOpen, 0, nullptr},
        {DecoderOutputOpen, DECODER_ERR_STATE, "output not closed"},
        {write, 4, nullptr},
        {DecoderOutputClose, 0, nullptr},
    };
    for (const TStep& step : steps) {
        Messages().clear();
        EXPECT_EQ(step.call(control), step.result);
        if (step.detail != nullptr) {
            ASSERT_EQ(Messages().size(), 1u);
            EXPECT_EQ(Messages()[0].detail, step.detail);
        } else {
            EXPECT_TRUE(Messages().empty());
        }
    }
    EXPECT_EQ(RecordingOutput().opens, 1);
    EXPECT_EQ(RecordingOutput().closes, 1);
    ASSERT_EQ(RecordingOutput().writes.size(), 1u);
    EXPECT_EQ(RecordingOutput().writes[0].samples, (std::vector<std::int16_t>{1, 2}));

    // The capability word: the output's own while open, cleared at close.
    RecordingOutput().capability = 0x1234;
    ASSERT_EQ(DecoderOutputOpen(control), 0);
    EXPECT_EQ(control->output->capabilities, 0x1234u);
    ASSERT_EQ(DecoderOutputClose(control), 0);
    EXPECT_EQ(control->output->capabilities, 0u);

    // Deleting the decoder closes and deletes an open output.
    ASSERT_EQ(DecoderOutputOpen(control), 0);
    decoder.reset();
    EXPECT_EQ(RecordingOutput().closes, 3);
    EXPECT_EQ(RecordingOutput().deleted, 1);
}

TEST(DecoderOutputModules, WithoutAModuleOrInstance) {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    EXPECT_EQ(DecoderOutputOpen(decoder.get()), DECODER_ERR_STATE);
    EXPECT_EQ(Messages().back().detail, "null output module");
    EXPECT_EQ(DecoderOutputSendMessage(decoder.get(), 1, nullptr, 0), DECODER_ERR_STATE);
    EXPECT_EQ(DecoderOutputDelete(decoder.get()), 0);

    // A module whose new fails leaves no instance.
    DecoderOutputModuleMethods failing = RecordingOutputMethods();
    failing.newInstance = [](void**, const char*, DecoderModuleRecord*, DecoderControl*) -> std::int32_t {
        return DECODER_ERR_NO_MEMORY;
    };
    ASSERT_EQ(DecoderOutputModuleRegister(decoder.get(), &failing), 0);
    EXPECT_EQ(DecoderOutputNew(decoder.get(), "rec", -1), DECODER_ERR_NO_MEMORY);
    Messages().clear();
    EXPECT_EQ(DecoderOutputOpen(decoder.get()), DECODER_ERR_STATE);
    EXPECT_EQ(Messages().back().detail, "null output instance");

    for (auto* call : {DecoderOutputOpen, DecoderOutputClose, DecoderOutputDelete, DecoderPlayFrame}) {
        EXPECT_EQ(call(nullptr), DECODER_ERR_BAD_ARGUMENT);
    }
}

TEST(DecoderPlayFrame, WritesEachFrameAndSetsTheFormatOnChanges) {
    TDecoderPtr decoder(MakePlayingDecoder());
    DecoderControl* control = decoder.get();
    ASSERT_EQ(DecoderOutputOpen(control), 0);

    struct TFrame {
        std::uint32_t samples, channels, rate;
        std::uint32_t formatMask;  // 0: no format call expected
    };
    const TFrame frames[] = {
        {1152, 2, 44100, DECODER_CHANGED_SAMPLE_FORMAT | DECODER_CHANGED_CHANNELS | DECODER_CHANGED_RATE},
        {1152, 2, 44100, 0},
        {1152, 2, 48000, DECODER_CHANGED_RATE},
        {576, 1, 48000, DECODER_CHANGED_CHANNELS | DECODER_CHANGED_RATE},
        {384, 1, 48000, 0},
    };
    std::int16_t base = 0;
    for (const TFrame& frame : frames) {
        RecordingOutput().formats.clear();
        RecordingOutput().writes.clear();
        DeliverFrames(frame.samples, frame.channels, frame.rate, base);
        ASSERT_EQ(DecoderPlayFrame(control), 0);
        if (frame.formatMask != 0) {
            ASSERT_EQ(RecordingOutput().formats.size(), 1u);
            const TFormatCall& call = RecordingOutput().formats[0];
            EXPECT_EQ(call.mask, frame.formatMask);
            EXPECT_EQ(call.format.bytesPerSample, 2u);
            EXPECT_EQ(call.format.channels, frame.channels);
            EXPECT_EQ(call.format.sampleRate, frame.rate);
        } else {
            EXPECT_TRUE(RecordingOutput().formats.empty());
        }
        ASSERT_EQ(RecordingOutput().writes.size(), 1u);
        const TWrite& write = RecordingOutput().writes[0];
        EXPECT_EQ(write.samples, Ramp(frame.samples * frame.channels, base));
        EXPECT_EQ(write.bytesPerSample, 2u);
        EXPECT_EQ(write.channels, frame.channels);
        EXPECT_EQ(write.rate, frame.rate);
        base = static_cast<std::int16_t>(base + 100);
    }
    // The largest frame the codec can give was asked for.
    EXPECT_EQ(RecordingOutput().bufferSizeAsked, 4608u);

    // Reopening the output makes the next frame announce its format again.
    ASSERT_EQ(DecoderOutputClose(control), 0);
    ASSERT_EQ(DecoderOutputOpen(control), 0);
    RecordingOutput().formats.clear();
    ASSERT_EQ(DecoderPlayFrame(control), 0);
    ASSERT_EQ(RecordingOutput().formats.size(), 1u);
    EXPECT_EQ(RecordingOutput().formats[0].mask, 7u);
}

TEST(DecoderPlayFrame, DecodesIntoTheOutputsBufferWhenItHandsOneOut) {
    TDecoderPtr decoder(MakePlayingDecoder());
    RecordingOutput().handsOutBuffer = true;
    ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
    DeliverFrames(4, 2, 32000, 40);
    ASSERT_EQ(DecoderPlayFrame(decoder.get()), 0);
    EXPECT_EQ(decoder->outputBuffer->pcm, RecordingOutput().buffer.data());
    EXPECT_EQ(RecordingOutput().buffer[7], 47);
    RecordingOutput().handsOutBuffer = false;
    ASSERT_EQ(DecoderPlayFrame(decoder.get()), 0);
    EXPECT_NE(decoder->outputBuffer->pcm, RecordingOutput().buffer.data());
    EXPECT_EQ(RecordingOutput().writes.back().samples, Ramp(8, 40));
}

TEST(DecoderPlayFrame, FailedDecodeOrRefusedFormatWritesNothing) {
    TDecoderPtr decoder(MakePlayingDecoder());
    ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
    TestCodec().decode = [](DecoderOutputBuffer*, DecoderStreamInfo*) { return DECODER_ERR_NO_FRAME; };
    EXPECT_EQ(DecoderPlayFrame(decoder.get()), DECODER_ERR_NO_FRAME);
    EXPECT_TRUE(RecordingOutput().writes.empty());

    DeliverFrames(16, 2, 44100);
    RecordingOutput().setFormatResult = -1;
    EXPECT_EQ(DecoderPlayFrame(decoder.get()), DECODER_ERR_NO_OUTPUT_MODULE);
    EXPECT_TRUE(RecordingOutput().writes.empty());

    // Once the format is taken the frames flow.
    RecordingOutput().setFormatResult = 0;
    ASSERT_EQ(DecoderOutputClose(decoder.get()), 0);
    ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
    EXPECT_EQ(DecoderPlayFrame(decoder.get()), 0);
    EXPECT_EQ(RecordingOutput().writes.size(), 1u);
}

TEST(DecoderPlayFrame, TimeStampOnlyForAnOutputThatAsks) {
    struct TCase {
        bool hasCapability;
        std::uint32_t capability;
        int timeStampCalls;
        std::uint32_t outputWord;
    };
    const TCase cases[] = {
        {true, DECODER_OUTPUT_WANTS_TIME_STAMP, 1, 777},
        {true, ~DECODER_OUTPUT_WANTS_TIME_STAMP, 0, 0},
        {false, 0, 0, 0},  // no capability method: the default word has no time stamp bit
    };
    for (const TCase& c : cases) {
        TDecoderPtr decoder(MakePlayingDecoder());
        DecoderOutputModuleMethods methods = RecordingOutputMethods();
        if (!c.hasCapability) {
            methods.capability = nullptr;
            methods.probe = [](const char*) -> std::int32_t { return 0; };
            ASSERT_EQ(DecoderOutputModuleRegister(decoder.get(), &methods), 1);
            ASSERT_EQ(DecoderOutputNew(decoder.get(), "plain", -1), 0);
        }
        RecordingOutput().capability = c.capability;
        RecordingOutput().timeStamp = 777;
        ASSERT_EQ(DecoderOutputOpen(decoder.get()), 0);
        if (!c.hasCapability) {
            EXPECT_EQ(decoder->output->capabilities, DECODER_OUTPUT_DEFAULT_CAPABILITIES);
        }
        decoder->outputBuffer->outputWord = 5;
        DeliverFrames(8, 1, 8000);
        ASSERT_EQ(DecoderPlayFrame(decoder.get()), 0);
        EXPECT_EQ(RecordingOutput().timeStampCalls, c.timeStampCalls);
        EXPECT_EQ(decoder->outputBuffer->outputWord, c.outputWord);
        ASSERT_EQ(RecordingOutput().writes.size(), 1u);
        EXPECT_EQ(RecordingOutput().writes[0].rate, 8000u);  // the stamp travels in the record, not as the rate
    }
}

TEST(DecoderOutputControls, ControlDefaultsFormatAndMessages) {
    TDecoderPtr decoder(MakePlayingDecoder());
    DecoderControl* control = decoder.get();
    Messages().clear();
    EXPECT_EQ(DecoderOutputGetControl(control, nullptr, 0), DECODER_ERR_STATE);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].detail, "null control block");

    // The recording output has no control method: the defaults answer.
    DecoderOutputControl record;
    record.words[0] = 9;
    EXPECT_EQ(DecoderOutputGetControl(control, &record, 0xFF), 0);
    const std::int32_t expected[] = {9, 2, 100, 100, 50, 1};
    EXPECT_EQ(std::memcmp(record.words, expected, sizeof(expected)), 0);

    const DecoderOutputFormat format{2, 22050, 1};
    EXPECT_EQ(DecoderOutputSetFormat(control, &format, 4), 0);
    ASSERT_EQ(RecordingOutput().formats.size(), 1u);
    EXPECT_EQ(RecordingOutput().formats[0].format.sampleRate, 22050u);
    EXPECT_EQ(DecoderOutputSetFormat(control, nullptr, 4), DECODER_ERR_BAD_ARGUMENT);

    // No message method: -1.
    EXPECT_EQ(DecoderOutputSendMessage(control, 4097, nullptr, 0), DECODER_ERR_NO_METHOD);
}

TEST(DecoderModuleQueries, ModulesWithAndWithoutInfo) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    DecoderControl* control = decoder.get();
    DecoderInputModuleMethods bare;
    bare.apiId = DECODER_API_ID;
    bare.newInstance = [](void**, const char*, DecoderModuleRecord*, DecoderControl*) -> std::int32_t { return 0; };
    bare.deleteInstance = bare.open = bare.close = [](void*) -> std::int32_t { return 0; };
    bare.read = [](void*, void*, std::uint32_t) -> std::int32_t { return 0; };
    ASSERT_EQ(DecoderInputModuleRegister(control, &bare), 1);
    DecoderOutputModuleMethods file;
    FileOutputModuleGetMethods(&file);
    ASSERT_EQ(DecoderOutputModuleRegister(control, &file), 0);
    const DecoderOutputModuleMethods recording = RecordingOutputMethods();  // without an info method
    ASSERT_EQ(DecoderOutputModuleRegister(control, &recording), 1);

    // Without an info method: one device, unknown names.
    for (auto* query : {DecoderInputModuleQuery, DecoderOutputModuleQuery}) {
        DecoderModuleInfo info;
        ASSERT_EQ(query(control, 1, &info, DECODER_INFO_NAME | DECODER_INFO_DEVICE_COUNT), 0);
        EXPECT_STREQ(info.text, "unknown module name");
        EXPECT_STREQ(info.text2, "unknown device name");
        EXPECT_EQ(info.index, 1);
        info = DecoderModuleInfo{};
        ASSERT_EQ(query(control, 1, &info, DECODER_INFO_DEVICE), 0);
        EXPECT_STREQ(info.text, "unknown module name");
        EXPECT_EQ(info.deviceFlags, 1u);
        info.index = 1;
        EXPECT_EQ(query(control, 1, &info, DECODER_INFO_DEVICE), DECODER_ERR_BAD_ARGUMENT);
        EXPECT_EQ(query(control, 2, &info, DECODER_INFO_NAME), DECODER_ERR_NO_MODULE);
        EXPECT_EQ(query(control, -1, &info, DECODER_INFO_NAME), DECODER_ERR_NO_MODULE);
        EXPECT_EQ(query(nullptr, 0, &info, DECODER_INFO_NAME), DECODER_ERR_BAD_ARGUMENT);
    }
    // With one: the module answers.
    DecoderModuleInfo info;
    ASSERT_EQ(DecoderOutputModuleQuery(control, 0, &info, DECODER_INFO_NAME | DECODER_INFO_DEVICE_COUNT), 0);
    EXPECT_STREQ(info.text, "Output To File");
    EXPECT_EQ(info.index, 3);
    ASSERT_EQ(DecoderCodecModuleQuery(control, 0, &info, DECODER_INFO_MAX_PCM), 0);
    EXPECT_EQ(info.index, 4608);
    EXPECT_EQ(DecoderCodecModuleQuery(control, 1, &info, DECODER_INFO_MAX_PCM), DECODER_ERR_NO_MODULE);
}
