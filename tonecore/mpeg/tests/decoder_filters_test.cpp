// Filter chains in front of the input and the output: identifiers and
// positions, detaching, enumeration, and calls passing through filters in
// order, with unset slots going on toward the module.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/decoder_filters.h"
#include "tonecore/mpeg/decoder_output.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/tests/output_test_support.h"

using namespace decodertest;

namespace {

// Filter instances made and deleted, by identifier.
struct TFilterLog {
    std::vector<std::int32_t> made;
    std::vector<std::int32_t> deleted;
};

TFilterLog& FilterLog() {
    static TFilterLog log;
    return log;
}

// The instance is the identifier the filter was given.
std::int32_t NewLogged(void** instance, std::int32_t id, DecoderControl*) {
    FilterLog().made.push_back(id);
    *instance = reinterpret_cast<void*>(static_cast<std::intptr_t>(id));
    return 0;
}

std::int32_t DeleteLogged(void* instance) {
    FilterLog().deleted.push_back(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(instance)));
    return 0;
}

template <const char* Name>
DecoderInputFilterMethods NamedInputFilter() {
    DecoderInputFilterMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.name = []() { return Name; };
    methods.newInstance = NewLogged;
    methods.deleteInstance = DeleteLogged;
    return methods;
}

constexpr char kAlpha[] = "alpha";
constexpr char kBeta[] = "beta";

std::vector<std::int32_t> InputChain(DecoderControl* control) {
    std::vector<std::int32_t> ids;
    DecoderInputFilterEnumerate(control, reinterpret_cast<std::uintptr_t>(&ids),
                                [](std::uintptr_t user, const DecoderInputFilter* filter) {
                                    reinterpret_cast<std::vector<std::int32_t>*>(user)->push_back(filter->id);
                                });
    return ids;
}

using TIds = std::vector<std::int32_t>;

}  // namespace

TEST(DecoderFilters, IdentifiersPositionsAndDetaching) {
    FilterLog() = TFilterLog{};
    TDecoderPtr decoder(MakeDecoder(nullptr));
    DecoderControl* control = decoder.get();
    const DecoderInputFilterMethods alpha = NamedInputFilter<kAlpha>();
    const DecoderInputFilterMethods beta = NamedInputFilter<kBeta>();

    // Two at the head: 1 then 2, the second in front.
    EXPECT_EQ(DecoderInputFilterAttach(control, &alpha, DECODER_FILTER_AT_HEAD), 1);
    EXPECT_EQ(DecoderInputFilterAttach(control, &alpha, DECODER_FILTER_AT_HEAD), 2);
    EXPECT_EQ(InputChain(control), (TIds{2, 1}));
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_AT_HEAD), 1);
    EXPECT_EQ(FilterLog().deleted, (TIds{2}));
    EXPECT_EQ(InputChain(control), (TIds{1}));

    // Next to the terminal (0 or 1), and in front of a given filter; the
    // smallest free identifier is reused.
    EXPECT_EQ(DecoderInputFilterAttach(control, &beta, 0), 2);
    EXPECT_EQ(InputChain(control), (TIds{1, 2}));
    EXPECT_EQ(DecoderInputFilterAttach(control, &alpha, 1), 3);
    EXPECT_EQ(InputChain(control), (TIds{1, 2, 3}));
    EXPECT_EQ(DecoderInputFilterAttach(control, &alpha, 2), 4);
    EXPECT_EQ(InputChain(control), (TIds{1, 4, 2, 3}));

    // Detaching by name takes the first from the head; 0 the one next to
    // the terminal; otherwise by identifier. The result is the head.
    EXPECT_EQ(DecoderInputFilterDetach(control, "beta", DECODER_FILTER_BY_NAME), 1);
    EXPECT_EQ(InputChain(control), (TIds{1, 4, 3}));
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_NEXT_TO_TERMINAL), 1);
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, 1), 4);
    EXPECT_EQ(InputChain(control), (TIds{4}));
    EXPECT_EQ(DecoderInputFilterDetach(control, "beta", DECODER_FILTER_BY_NAME), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, 9), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_AT_HEAD), 0);
    // Only the terminal is left, and it stays.
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_AT_HEAD), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_NEXT_TO_TERMINAL), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(InputChain(control), TIds{});
    EXPECT_EQ(FilterLog().made, (TIds{1, 2, 2, 3, 4}));
    EXPECT_EQ(FilterLog().deleted, (TIds{2, 2, 3, 1, 4}));

    // Filters still attached are deleted with the decoder.
    ASSERT_EQ(DecoderInputFilterAttach(control, &alpha, DECODER_FILTER_AT_HEAD), 1);
    decoder.reset();
    EXPECT_EQ(FilterLog().deleted.back(), 1);
}

TEST(DecoderFilters, AttachRefusesBadArgumentsAndFailedNew) {
    FilterLog() = TFilterLog{};
    TDecoderPtr decoder(MakeDecoder(nullptr));
    DecoderControl* control = decoder.get();
    const DecoderInputFilterMethods good = NamedInputFilter<kAlpha>();
    DecoderInputFilterMethods noName = good;
    noName.name = nullptr;
    DecoderInputFilterMethods otherApi = good;
    otherApi.apiId = 0x40500;
    DecoderInputFilterMethods failing = good;
    failing.newInstance = [](void**, std::int32_t, DecoderControl*) -> std::int32_t { return DECODER_ERR_NO_MEMORY; };

    struct TCase {
        DecoderControl* control;
        const DecoderInputFilterMethods* methods;
        std::int32_t position;
        std::int32_t result;
    };
    const TCase cases[] = {
        {nullptr, &good, -1, DECODER_ERR_BAD_ARGUMENT},
        {control, nullptr, -1, DECODER_ERR_BAD_ARGUMENT},
        {control, &noName, -1, DECODER_ERR_BAD_ARGUMENT},
        {control, &good, -2, DECODER_ERR_BAD_ARGUMENT},
        {control, &otherApi, -1, DECODER_ERR_API},
        {control, &good, 5, DECODER_ERR_BAD_ARGUMENT},  // no filter 5 to go in front of
        {control, &failing, -1, DECODER_ERR_NO_MEMORY},
    };
    for (const TCase& c : cases) EXPECT_EQ(DecoderInputFilterAttach(c.control, c.methods, c.position), c.result);
    EXPECT_EQ(InputChain(control), TIds{});
    EXPECT_EQ(DecoderInputFilterAttach(control, &good, -1), 1);  // the failed one left no identifier taken
    EXPECT_EQ(DecoderInputFilterDetach(control, nullptr, DECODER_FILTER_BY_NAME), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderInputFilterEnumerate(control, 0, nullptr), DECODER_ERR_BAD_ARGUMENT);
}

namespace {

// Input filters that change every byte read. Seek and size are left to
// the chain.
std::uint8_t PlusOne(std::uint8_t b) {
    return static_cast<std::uint8_t>(b + 1);
}

std::uint8_t TimesTwo(std::uint8_t b) {
    return static_cast<std::uint8_t>(b * 2);
}

template <std::uint8_t (*Change)(std::uint8_t)>
DecoderInputFilterMethods ByteFilter() {
    DecoderInputFilterMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.name = []() { return "bytes"; };
    methods.read = [](DecoderInputFilter* self, void* buffer, std::uint32_t count) -> std::int32_t {
        const std::int32_t got = DecoderInputFilterRead(self->toModule, buffer, count);
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        for (std::int32_t i = 0; i < got; ++i) bytes[i] = Change(bytes[i]);
        return got;
    };
    return methods;
}

}  // namespace

TEST(DecoderFilters, InputCallsPassThroughFiltersFromTheHead) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    DecoderControl* control = decoder.get();
    const DecoderInputFilterMethods plusOne = ByteFilter<PlusOne>();
    const DecoderInputFilterMethods timesTwo = ByteFilter<TimesTwo>();
    ASSERT_EQ(DecoderInputFilterAttach(control, &plusOne, DECODER_FILTER_AT_HEAD), 1);
    ASSERT_EQ(DecoderInputFilterAttach(control, &timesTwo, DECODER_FILTER_AT_HEAD), 2);

    ASSERT_EQ(DecoderInputNew(control, StaticName(bytes).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);
    // Size and seekability came through the filters' empty slots.
    EXPECT_EQ(control->input->totalSize, 6);
    EXPECT_EQ(control->input->seekable, 1u);
    std::uint8_t got[3] = {};
    ASSERT_EQ(control->services.ReadInput(control, got, 3), 0);
    // The module's byte goes through +1 (next to the module) and then x2 (the head).
    EXPECT_EQ(got[0], (1 + 1) * 2);
    EXPECT_EQ(got[2], (3 + 1) * 2);
    ASSERT_EQ(control->services.SeekInput(control, 5), 0);
    ASSERT_EQ(control->services.ReadInput(control, got, 1), 0);
    EXPECT_EQ(got[0], (6 + 1) * 2);

    // Without the head filter only +1 is left.
    ASSERT_EQ(DecoderInputFilterDetach(control, nullptr, 2), 1);
    ASSERT_EQ(control->services.SeekInput(control, 0), 0);
    ASSERT_EQ(control->services.ReadInput(control, got, 1), 0);
    EXPECT_EQ(got[0], 2);
}

namespace {

// An output filter that halves every sample and counts the frames; the
// capability is left to the chain.
int gHalvedWrites = 0;

DecoderOutputFilterMethods HalvingFilter() {
    DecoderOutputFilterMethods methods;
    methods.apiId = DECODER_API_ID;
    methods.name = []() { return "halve"; };
    methods.write = [](DecoderOutputFilter* self, const void* pcm, std::uint32_t bytes, std::uint32_t bytesPerSample,
                       std::uint32_t channels, std::uint32_t rate) -> std::int32_t {
        ++gHalvedWrites;
        std::vector<std::int16_t> halved(static_cast<const std::int16_t*>(pcm),
                                         static_cast<const std::int16_t*>(pcm) + bytes / 2);
        for (auto& sample : halved) sample = static_cast<std::int16_t>(sample / 2);
        return DecoderOutputFilterWrite(self->toModule, halved.data(), bytes, bytesPerSample, channels, rate);
    };
    return methods;
}

}  // namespace

TEST(DecoderFilters, OutputFilterChangesWhatTheOutputReceives) {
    TDecoderPtr decoder(MakePlayingDecoder());
    DecoderControl* control = decoder.get();
    gHalvedWrites = 0;
    const DecoderOutputFilterMethods halve = HalvingFilter();
    ASSERT_EQ(DecoderOutputFilterAttach(control, &halve, DECODER_FILTER_AT_HEAD), 1);
    std::vector<std::int32_t> seen;
    DecoderOutputFilterEnumerate(control, reinterpret_cast<std::uintptr_t>(&seen),
                                 [](std::uintptr_t user, const DecoderOutputFilter* filter) {
                                     reinterpret_cast<std::vector<std::int32_t>*>(user)->push_back(filter->id);
                                 });
    EXPECT_EQ(seen, (TIds{1}));

    RecordingOutput().capability = 0x55;
    ASSERT_EQ(DecoderOutputOpen(control), 0);
    EXPECT_EQ(control->output->capabilities, 0x55u);  // through the filter's empty slot
    EXPECT_EQ(RecordingOutput().opens, 1);
    DeliverFrames(4, 2, 44100, 10);
    ASSERT_EQ(DecoderPlayFrame(control), 0);
    EXPECT_EQ(gHalvedWrites, 1);
    ASSERT_EQ(RecordingOutput().writes.size(), 1u);
    EXPECT_EQ(RecordingOutput().writes[0].samples, (std::vector<std::int16_t>{5, 5, 6, 6, 7, 7, 8, 8}));
    EXPECT_EQ(RecordingOutput().formats.size(), 1u);

    EXPECT_EQ(DecoderOutputFilterDetach(control, "halve", DECODER_FILTER_BY_NAME), 0);
    ASSERT_EQ(DecoderPlayFrame(control), 0);
    EXPECT_EQ(RecordingOutput().writes[1].samples[0], 10);
}
