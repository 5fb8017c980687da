#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/file_input.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"

using namespace decodertest;

namespace {

// An input module that accepts every name and counts its instances.
int gInputCreated = 0;
int gInputDeleted = 0;

DecoderInputModuleMethods CountingInput() {
    DecoderInputModuleMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.probe = [](const char*) -> std::int32_t { return 0; };
    methods.newInstance = [](void** instance, const char*, DecoderModuleRecord* module, DecoderControl*) -> std::int32_t {
        ++gInputCreated;
        *instance = module;
        return 0;
    };
    methods.deleteInstance = [](void*) -> std::int32_t {
        ++gInputDeleted;
        return 0;
    };
    methods.open = [](void*) -> std::int32_t { return 0; };
    methods.close = [](void*) -> std::int32_t { return 0; };
    methods.read = [](void*, void*, std::uint32_t) -> std::int32_t { return 0; };
    return methods;
}

}  // namespace

TEST(DecoderModules, RegistrationRefusesBadTablesInOrder) {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    ASSERT_TRUE(decoder);

    DecoderInputModuleMethods wrongApi;  // every slot null, too: the API is checked first
    wrongApi.apiId = 0x40400;
    EXPECT_EQ(DecoderInputModuleRegister(decoder.get(), &wrongApi), DECODER_ERR_API);
    DecoderCodecModuleMethods wrongCodecApi;
    wrongCodecApi.apiId = 0x1040300 ^ 0x100;
    EXPECT_EQ(DecoderCodecModuleRegister(decoder.get(), &wrongCodecApi), DECODER_ERR_API);
    EXPECT_TRUE(Messages().empty());

    // Only bits 8 to 23 of the identifier count.
    DecoderInputModuleMethods otherLowBits = CountingInput();
    otherLowBits.apiId = 0xAB0403FF;
    EXPECT_EQ(DecoderInputModuleRegister(decoder.get(), &otherLowBits), 0);

    struct TInputCase {
        void (*clear)(DecoderInputModuleMethods&);
        const char* detail;
    };
    const TInputCase inputCases[] = {
        {[](DecoderInputModuleMethods& m) { m.newInstance = nullptr; m.open = nullptr; }, "null 'new' method in module"},
        {[](DecoderInputModuleMethods& m) { m.deleteInstance = nullptr; }, "null 'delete' method in module"},
        {[](DecoderInputModuleMethods& m) { m.open = nullptr; m.read = nullptr; }, "null 'open' method in module"},
        {[](DecoderInputModuleMethods& m) { m.close = nullptr; }, "null 'close' method in module"},
        {[](DecoderInputModuleMethods& m) { m.read = nullptr; }, "null 'read' method in module"},
    };
    for (const TInputCase& c : inputCases) {
        Messages().clear();
        DecoderInputModuleMethods methods = CountingInput();
        c.clear(methods);
        EXPECT_EQ(DecoderInputModuleRegister(decoder.get(), &methods), DECODER_ERR_STATE) << c.detail;
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].heading, "internal error");
        EXPECT_EQ(Messages()[0].detail, c.detail);
    }

    struct TCodecCase {
        void (*clear)(DecoderCodecModuleMethods&);
        const char* detail;
    };
    const TCodecCase codecCases[] = {
        {[](DecoderCodecModuleMethods& m) { m.info = nullptr; m.probe = nullptr; }, "null 'query' method"},
        {[](DecoderCodecModuleMethods& m) { m.probe = nullptr; }, "null 'probe' method in module"},
        {[](DecoderCodecModuleMethods& m) { m.newInstance = nullptr; }, "null 'new' method in module"},
        {[](DecoderCodecModuleMethods& m) { m.deleteInstance = nullptr; }, "null 'delete' method in module"},
        {[](DecoderCodecModuleMethods& m) { m.decode = nullptr; }, "null 'decode' method in module"},
    };
    for (const TCodecCase& c : codecCases) {
        Messages().clear();
        DecoderCodecModuleMethods methods = TestCodecMethods();
        c.clear(methods);
        EXPECT_EQ(DecoderCodecModuleRegister(decoder.get(), &methods), DECODER_ERR_STATE) << c.detail;
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].detail, c.detail);
    }
    EXPECT_EQ(decoder->counts->inputs, 1);
    EXPECT_EQ(decoder->counts->codecs, 1);
}

TEST(DecoderModules, NewestModuleIsProbedFirstAndInputNewKeepsASameInput) {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    gInputCreated = gInputDeleted = 0;
    const DecoderInputModuleMethods methods = CountingInput();
    EXPECT_EQ(DecoderInputModuleRegister(decoder.get(), &methods), 0);
    EXPECT_EQ(DecoderInputModuleRegister(decoder.get(), &methods), 1);
    EXPECT_EQ(decoder->counts->inputs, 2);

    EXPECT_EQ(DecoderInputNew(decoder.get(), "song.mp3", -1), 0);
    EXPECT_EQ(decoder->input->module->id, 1);
    EXPECT_EQ(DecoderInputOpen(decoder.get()), 0);
    void* const instance = decoder->input->instance;

    // Same module, same name: nothing happens, the input stays open.
    EXPECT_EQ(DecoderInputNew(decoder.get(), "song.mp3", 1), 0);
    EXPECT_EQ(decoder->input->instance, instance);
    EXPECT_EQ(decoder->input->state, 1);
    EXPECT_EQ(gInputCreated, 1);

    // Another name replaces it: closed, deleted, made anew.
    EXPECT_EQ(DecoderInputNew(decoder.get(), "other.mp3", 1), 0);
    EXPECT_EQ(decoder->input->state, 0);
    EXPECT_EQ(gInputCreated, 2);
    EXPECT_EQ(gInputDeleted, 1);
    EXPECT_EQ(decoder->input->name, "other.mp3");

    EXPECT_EQ(DecoderInputNew(decoder.get(), "x", 7), DECODER_ERR_NO_MODULE);
    EXPECT_EQ(DecoderInputNew(nullptr, "x", -1), DECODER_ERR_BAD_ARGUMENT);
}

TEST(DecoderModules, NoInputModuleAcceptingTheName) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    EXPECT_EQ(DecoderInputNew(decoder.get(), "song.mp3", -1), DECODER_ERR_NO_INPUT_MODULE);
    EXPECT_EQ(DecoderInputOpen(decoder.get()), DECODER_ERR_STATE);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().detail, "null input module");
}

TEST(DecoderDecodeCall, StateChecksPrivateBufferAndChangeFlags) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    EXPECT_EQ(DecoderDecode(nullptr, nullptr), DECODER_ERR_BAD_ARGUMENT);
    ASSERT_EQ(DecoderInputNew(decoder.get(), nullptr, -1), 0);
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_STATE);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().detail, "input not open");

    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(DecoderInputOpen(decoder.get()), DECODER_ERR_STATE);
    EXPECT_EQ(Messages().back().detail, "input not closed");
    EXPECT_EQ(decoder->codec->maxPcmBytes, 4608u);
    EXPECT_EQ(decoder->codec->capabilities, 3u);

    std::uint32_t channels = 2;
    std::uint32_t rate = 44100;
    std::int16_t* seen = nullptr;
    TestCodec().decode = [&](DecoderOutputBuffer* output, DecoderStreamInfo*) {
        seen = output->pcm;
        output->pcm[0] = 7;
        output->samplesPerChannel = 1152;
        output->channels = channels;
        output->sampleRate = rate;
        return 0;
    };
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(decoder->outputBuffer->pcm, seen);
    EXPECT_EQ(decoder->outputBuffer->bytesPerSample, 2u);
    EXPECT_EQ(decoder->outputBuffer->changeFlags, 7u);

    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(decoder->outputBuffer->changeFlags, 0u);

    rate = 48000;
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(decoder->outputBuffer->changeFlags, DECODER_CHANGED_RATE);

    channels = 1;
    std::vector<std::int16_t> own(2304);
    ASSERT_EQ(DecoderDecode(decoder.get(), own.data()), 0);
    EXPECT_EQ(seen, own.data());
    EXPECT_EQ(own[0], 7);
    EXPECT_EQ(decoder->outputBuffer->changeFlags, DECODER_CHANGED_CHANNELS | DECODER_CHANGED_RATE);

    // A codec's failure comes back unchanged and leaves the input open.
    TestCodec().decode = [](DecoderOutputBuffer*, DecoderStreamInfo*) { return DECODER_ERR_NEED_DATA; };
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_NEED_DATA);
    EXPECT_EQ(decoder->input->state, 1);
}

TEST(DecoderDecodeCall, AbortedFrameReturnsNoFrameAndTheNextCallGoesOn) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    ASSERT_EQ(DecoderInputNew(decoder.get(), nullptr, -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    int calls = 0;
    TestCodec().decode = [&](DecoderOutputBuffer* output, DecoderStreamInfo*) {
        ++calls;
        if (calls == 1) {
            std::vector<int> owned(100);  // must be released by the unwinding
            DecoderAbortFrame(TestCodec().control);
        }
        output->channels = 2;
        output->sampleRate = 44100;
        return 0;
    };
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), DECODER_ERR_NO_FRAME);
    EXPECT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(calls, 2);
}

TEST(DecoderDecodeCall, TimingFractionIsCappedAndClockFollowsDuration) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    ASSERT_EQ(DecoderInputNew(decoder.get(), nullptr, -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    TestCodec().offsetToFraction = [](void*, std::int64_t) { return 1.5f; };
    TestCodec().decode = [&](DecoderOutputBuffer*, DecoderStreamInfo* stream) {
        stream->durationMs = 3723450;  // 1:02:03.45
        return 0;
    };
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(decoder->timing->fraction, 1.0f);
    EXPECT_EQ(decoder->timing->hours, 1);
    EXPECT_EQ(decoder->timing->minutes, 2);
    EXPECT_EQ(decoder->timing->seconds, 3);
    EXPECT_NEAR(decoder->timing->hundredths, 45, 1);
}

TEST(DecoderProperties, SetReplacesInPlaceAndWatchersSeeEveryChange) {
    TDecoderPtr decoder(MakeDecoder(nullptr));
    const DecoderServices& services = decoder->services;
    struct TSeen {
        std::vector<std::string> values;
    } seen;
    auto watcher = [](std::uintptr_t user, const char*, const DecoderPropertyValue* value) {
        reinterpret_cast<TSeen*>(user)->values.push_back(value == nullptr ? "<deleted>" : value->text);
    };
    DecoderPropertyWatcher* handle = nullptr;
    ASSERT_EQ(services.AddPropertyWatcher(decoder.get(), "title", reinterpret_cast<std::uintptr_t>(&seen), watcher,
                                          &handle),
              0);
    EXPECT_EQ(services.AddPropertyWatcher(decoder.get(), "title", 0, nullptr, nullptr), DECODER_ERR_BAD_ARGUMENT);

    EXPECT_EQ(services.SetDecoderText(decoder.get(), "title", "first"), 0);
    EXPECT_EQ(services.SetDecoderText(decoder.get(), "title", "second"), 0);
    EXPECT_EQ(services.SetDecoderText(decoder.get(), "title", "second"), 0);
    char text[16];
    EXPECT_EQ(services.GetDecoderText(decoder.get(), "title", text, sizeof(text)), 0);
    EXPECT_STREQ(text, "second");
    EXPECT_EQ(services.GetDecoderText(decoder.get(), "title", text, 6), DECODER_ERR_BAD_ARGUMENT);
    std::int32_t number = 0;
    EXPECT_EQ(services.GetDecoderInteger(decoder.get(), "title", &number), DECODER_ERR_PROPERTY_TYPE);
    EXPECT_EQ(services.SetDecoderInteger(decoder.get(), "title", 3), DECODER_ERR_PROPERTY_TYPE);
    EXPECT_EQ(services.GetDecoderInteger(decoder.get(), "Title", &number), DECODER_ERR_NO_PROPERTY);
    EXPECT_EQ(services.DeleteDecoderProperty(decoder.get(), "title"), 0);
    EXPECT_EQ(services.DeleteDecoderProperty(decoder.get(), "title"), DECODER_ERR_NO_PROPERTY);
    EXPECT_EQ(seen.values, (std::vector<std::string>{"first", "second", "second", "<deleted>"}));

    EXPECT_EQ(services.RemovePropertyWatcher(decoder.get(), handle), 0);
    EXPECT_EQ(services.RemovePropertyWatcher(decoder.get(), handle), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(services.SetDecoderText(decoder.get(), "title", "third"), 0);
    EXPECT_EQ(seen.values.size(), 4u);

    // Stream properties flag the change in the stream information.
    decoder->timing->stream.flags = 0;
    EXPECT_EQ(services.SetStreamInteger(decoder.get(), "mpeg/layer", 3), 0);
    EXPECT_EQ(decoder->timing->stream.flags, DECODER_STREAM_PROPERTIES);
    EXPECT_EQ(services.GetStreamInteger(decoder.get(), "mpeg/layer", &number), 0);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(decoder->timing->stream.properties->properties.size(), 1u);
}

TEST(DecoderInputLifeCycle, FailedProbeOnAShortFileLosesNoBytes) {
    testsupport::TempDir dir;
    const std::string path = dir.File("short.bin");
    std::string bytes(100, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i + 1);
    testsupport::WriteWholeFile(path, bytes);

    TDecoderPtr decoder(MakeDecoder(FileInputModuleGetMethods));
    // A probe that reads further than the file goes and fails.
    TestCodec().probe = [](DecoderStreamInfo*) {
        std::uint8_t header[152];
        const std::int32_t result = TestCodec().control->services.ReadInput(TestCodec().control, header, 152);
        return result != 0 ? result : -1;
    };
    std::vector<std::uint8_t> firstBytes(4);
    TestCodec().decode = [&](DecoderOutputBuffer*, DecoderStreamInfo*) {
        return TestCodec().control->services.ReadInput(TestCodec().control, firstBytes.data(), 4);
    };
    ASSERT_EQ(DecoderInputNew(decoder.get(), path.c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(decoder->input->position, 0);
    ASSERT_EQ(DecoderDecode(decoder.get(), nullptr), 0);
    EXPECT_EQ(firstBytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(decoder->input->position, 4);
}

TEST(DecoderInputLifeCycle, CloseAndReopenRestartsTheStream) {
    const std::vector<std::uint8_t> bytes = {10, 20, 30, 40, 50, 60, 70, 80};
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    ASSERT_EQ(DecoderInputNew(decoder.get(), StaticName(bytes).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(decoder->input->totalSize, 8);
    EXPECT_EQ(decoder->input->seekable, 1u);
    EXPECT_EQ(decoder->input->mimeType, "unknown");
    std::uint8_t got[3] = {};
    const DecoderServices& services = decoder->services;
    ASSERT_EQ(services.ReadInput(decoder.get(), got, 3), 0);
    EXPECT_EQ(got[2], 30);
    EXPECT_EQ(services.ReadInput(decoder.get(), got, 6), DECODER_ERR_END_OF_INPUT);
    ASSERT_EQ(services.SeekInput(decoder.get(), 100), DECODER_ERR_BAD_ARGUMENT);  // clamped to the size, refused
    ASSERT_EQ(services.SeekInput(decoder.get(), 6), 0);
    ASSERT_EQ(services.ReadInput(decoder.get(), got, 2), 0);
    EXPECT_EQ(got[1], 80);
    EXPECT_EQ(DecoderInputClose(decoder.get()), 0);
    EXPECT_EQ(services.ReadInput(decoder.get(), got, 1), DECODER_ERR_STATE);
    EXPECT_EQ(DecoderInputClose(decoder.get()), DECODER_ERR_STATE);
    ASSERT_EQ(services.SetStreamText(decoder.get(), "id3/title", "old"), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    std::int32_t unused = 0;
    EXPECT_EQ(services.GetStreamInteger(decoder.get(), "id3/title", &unused), DECODER_ERR_NO_PROPERTY);  // a new stream
    ASSERT_EQ(services.SeekInput(decoder.get(), 0), 0);
    ASSERT_EQ(services.ReadInput(decoder.get(), got, 1), 0);
    EXPECT_EQ(got[0], 10);
    EXPECT_EQ(TestCodec().created, 1);  // the codec instance stays across reopens
    EXPECT_EQ(DecoderInputDelete(decoder.get()), 0);
    EXPECT_EQ(decoder->input->instance, nullptr);
}

TEST(DecoderInputLifeCycle, DeleteClosesAndDeletesWhatIsLeft) {
    gInputCreated = gInputDeleted = 0;
    DecoderControl* decoder = MakeDecoder(nullptr);
    const DecoderInputModuleMethods methods = CountingInput();
    ASSERT_EQ(DecoderInputModuleRegister(decoder, &methods), 0);
    ASSERT_EQ(DecoderInputNew(decoder, "a", -1), 0);
    ASSERT_EQ(DecoderInputOpen(decoder), 0);
    EXPECT_EQ(DecoderDelete(decoder), 0);
    EXPECT_EQ(gInputDeleted, 1);
    EXPECT_EQ(TestCodec().deleted, 1);
}
