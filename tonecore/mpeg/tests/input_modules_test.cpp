#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/decoder.h"
#include "tonecore/mpeg/file_input.h"
#include "tonecore/mpeg/memory_input.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"

using namespace decodertest;

namespace {

TDecoderPtr OpenInput(std::int32_t (*getMethods)(DecoderInputModuleMethods*), const std::string& name,
                      std::int32_t* openResult = nullptr) {
    TDecoderPtr decoder(MakeDecoder(getMethods));
    EXPECT_EQ(DecoderInputNew(decoder.get(), name.c_str(), -1), 0);
    const std::int32_t opened = DecoderInputOpen(decoder.get());
    if (openResult != nullptr) {
        *openResult = opened;
    } else {
        EXPECT_EQ(opened, 0);
    }
    return decoder;
}

std::string StreamText(DecoderControl* control, const char* name) {
    char text[64] = {};
    const std::int32_t result = control->services.GetStreamText(control, name, text, sizeof(text));
    if (result == 0) return text;
    // Appended rather than "<" + ... + ">": GCC 12 at -O3 warns falsely
    // (-Wrestrict) about the inserts that operator+ makes.
    std::string failed = "<";
    failed += std::to_string(result);
    failed += '>';
    return failed;
}

}  // namespace

TEST(MemoryInput, ProbeAcceptsOnlyEmptyOrHexAtHex) {
    DecoderInputModuleMethods methods;
    ASSERT_EQ(MemoryInputModuleGetMethods(&methods), 0);
    struct TCase {
        const char* name;
        std::int32_t expected;
    };
    const TCase cases[] = {
        {nullptr, 0},  {"", 0},         {"10@4000", 0},    {"aF@0", 0},    {"10@", -1},
        {"@4000", -1}, {"10", -1},      {"10@4000x", -1},  {"g@1", -1},    {"1@2@3", -1},
        {" 1@2", -1},  {"song.mp3", -1}, {"10@4000 ", -1},
    };
    for (const TCase& c : cases) EXPECT_EQ(methods.probe(c.name), c.expected) << (c.name ? c.name : "null");

    ExpectModuleInfo(methods.info, "Input From Memory", "Version 1.0", 1, "size@address", "static buffer", 1);
}

TEST(MemoryInput, StreamingRingKeepsOneByteFreeAndShortReadsTakeNothing) {
    TDecoderPtr decoder = OpenInput(MemoryInputModuleGetMethods, "");
    EXPECT_EQ(decoder->input->seekable, 0u);
    std::vector<std::uint8_t> data(70000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, data.data(), 70000), 65535);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, data.data(), 10), 0);

    const DecoderServices& services = decoder->services;
    std::vector<std::uint8_t> out(65536);
    EXPECT_EQ(services.ReadInput(decoder.get(), out.data(), 65536), DECODER_ERR_NEED_DATA);
    EXPECT_EQ(decoder->input->position, 0);
    ASSERT_EQ(services.ReadInput(decoder.get(), out.data(), 65535), 0);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 65535, data.begin()));

    // Pushes and reads of random sizes through the wrapping ring give the
    // bytes back in order.
    std::mt19937 rng(7);
    std::size_t pushed = 0;
    std::size_t pulled = 0;
    while (pulled < data.size()) {
        if (pushed < data.size()) {
            const std::uint32_t size = std::min<std::uint32_t>(1 + rng() % 9000, static_cast<std::uint32_t>(data.size() - pushed));
            const std::int32_t taken =
                DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, data.data() + pushed, size);
            ASSERT_GE(taken, 0);
            pushed += static_cast<std::size_t>(taken);
        }
        const std::uint32_t want = 1 + rng() % 7000;
        const std::int32_t result = services.ReadInput(decoder.get(), out.data(), want);
        if (result == DECODER_ERR_NEED_DATA) {
            if (pushed == data.size()) {
                ASSERT_EQ(services.ReadInput(decoder.get(), out.data(), static_cast<std::uint32_t>(pushed - pulled)), 0);
                ASSERT_TRUE(std::equal(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(pushed - pulled),
                                       data.begin() + static_cast<std::ptrdiff_t>(pulled)));
                pulled = pushed;
            }
            continue;
        }
        ASSERT_EQ(result, 0);
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + want, data.begin() + static_cast<std::ptrdiff_t>(pulled)));
        pulled += want;
    }

    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, data.data(), 100), 100);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_FLUSH, nullptr, 0), 0);
    EXPECT_EQ(services.ReadInput(decoder.get(), out.data(), 1), DECODER_ERR_NEED_DATA);
    EXPECT_EQ(services.SeekInput(decoder.get(), 0), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), 4242, nullptr, 0), DECODER_ERR_NO_METHOD);
}

TEST(MemoryInput, MimeAndDeclaredSizeTakeEffectAtOpen) {
    TDecoderPtr decoder(MakeDecoder(MemoryInputModuleGetMethods));
    ASSERT_EQ(DecoderInputNew(decoder.get(), "", -1), 0);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_SET_MIME, "audio/mpeg", 0), 0);
    const std::uint32_t size = 123456;
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_SET_SIZE, &size, 4), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(decoder->input->mimeType, "audio/mpeg");
    EXPECT_EQ(decoder->input->totalSize, 123456);
    ASSERT_EQ(DecoderInputClose(decoder.get()), 0);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_SET_MIME, nullptr, 0), 0);
    ASSERT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(decoder->input->mimeType, "unknown");
}

TEST(MemoryInput, StaticBufferReadsWholeOrNothing) {
    std::vector<std::uint8_t> block(16);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(0xA0 + i);
    TDecoderPtr decoder = OpenInput(MemoryInputModuleGetMethods, StaticName(block));
    EXPECT_EQ(decoder->input->totalSize, 16);
    const DecoderServices& services = decoder->services;
    std::uint8_t out[16] = {};
    ASSERT_EQ(services.ReadInput(decoder.get(), out, 10), 0);
    EXPECT_EQ(out[9], 0xA9);
    EXPECT_EQ(services.ReadInput(decoder.get(), out, 7), DECODER_ERR_END_OF_INPUT);  // 6 remain: none taken
    ASSERT_EQ(services.ReadInput(decoder.get(), out, 6), 0);
    EXPECT_EQ(out[5], 0xAF);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, out, 1), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_FLUSH, nullptr, 0), DECODER_ERR_BAD_ARGUMENT);
    ASSERT_EQ(services.SeekInput(decoder.get(), 15), 0);
    ASSERT_EQ(services.ReadInput(decoder.get(), out, 1), 0);
    EXPECT_EQ(out[0], 0xAF);

    TDecoderPtr bad(MakeDecoder(MemoryInputModuleGetMethods));
    DecoderInputModuleMethods methods;
    MemoryInputModuleGetMethods(&methods);
    void* instance = nullptr;
    EXPECT_EQ(methods.newInstance(&instance, "10@", nullptr, bad.get()), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(instance, nullptr);
}

TEST(FileInput, Id3v1TagIsPublishedForLowerCaseMp3Names) {
    testsupport::TempDir dir;
    std::string tag(128, '\0');
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, "Abcd    ", 8);                    // title, trailing blanks
    std::memset(tag.data() + 33, ' ', 30);                          // artist all blank
    std::memcpy(tag.data() + 63, "Album \xE9t\xE9", 10);            // Latin-1 becomes UTF-8
    std::memcpy(tag.data() + 93, "1999", 4);
    std::memcpy(tag.data() + 97, "a comment that fills all 30 ch", 30);  // no terminator in the file
    tag[127] = static_cast<char>(255);
    const std::string audio = "audio bytes before the tag";

    for (const char* name : {"song.mp3", "a.mp3", "SONG.MP3"}) {
        const std::string path = dir.File(name);
        testsupport::WriteWholeFile(path, audio + tag);
        TDecoderPtr decoder = OpenInput(FileInputModuleGetMethods, path);
        const bool tagged = std::string(name) == "song.mp3" || std::string(name) == "a.mp3";
        if (tagged) {
            EXPECT_EQ(StreamText(decoder.get(), "id3/title"), "Abcd");
            EXPECT_EQ(StreamText(decoder.get(), "id3/artist"), "");
            EXPECT_EQ(StreamText(decoder.get(), "id3/album"), "Album \xC3\xA9t\xC3\xA9");
            EXPECT_EQ(StreamText(decoder.get(), "id3/year"), "1999");
            EXPECT_EQ(StreamText(decoder.get(), "id3/comment"), "a comment that fills all 30 ch");
            std::int32_t genre = 0;
            EXPECT_EQ(decoder->services.GetStreamInteger(decoder.get(), "id3/genre", &genre), 0);
            EXPECT_EQ(genre, -1);
        } else {
            EXPECT_EQ(StreamText(decoder.get(), "id3/title"), "<-900>");
        }
        // Reading starts at the beginning of the file either way.
        char first[6] = {};
        ASSERT_EQ(decoder->services.ReadInput(decoder.get(), first, 5), 0) << name;
        EXPECT_STREQ(first, "audio");
        EXPECT_EQ(decoder->input->totalSize, static_cast<std::int64_t>(audio.size() + tag.size()));
    }
}

TEST(FileInput, ShortFileHasNoTagAndStaysAtTheStart) {
    testsupport::TempDir dir;
    const std::string path = dir.File("tiny.mp3");
    testsupport::WriteWholeFile(path, "TAGxyz");
    TDecoderPtr decoder = OpenInput(FileInputModuleGetMethods, path);
    EXPECT_EQ(StreamText(decoder.get(), "id3/title"), "<-900>");
    char got[3] = {};
    ASSERT_EQ(decoder->services.ReadInput(decoder.get(), got, 3), 0);
    EXPECT_EQ(std::string(got, 3), "TAG");
    EXPECT_EQ(decoder->services.ReadInput(decoder.get(), got, 5), DECODER_ERR_END_OF_INPUT);
}

TEST(FileInput, OpenFailuresAreReportedWithTheirCodes) {
    testsupport::TempDir dir;
    std::int32_t opened = 0;
    TDecoderPtr missing = OpenInput(FileInputModuleGetMethods, dir.File("missing.mp3"), &opened);
    EXPECT_EQ(opened, DECODER_ERR_NOT_FOUND);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().heading, "cannot open input file");
    EXPECT_EQ(Messages().back().detail, "file not found");
    EXPECT_EQ(missing->input->state, 0);
    EXPECT_NE(missing->input->instance, nullptr);

    if (geteuid() != 0) {  // the superuser may read anything
        const std::string locked = dir.File("locked.mp3");
        testsupport::WriteWholeFile(locked, "x");
        chmod(locked.c_str(), 0);
        TDecoderPtr denied = OpenInput(FileInputModuleGetMethods, locked, &opened);
        EXPECT_EQ(opened, DECODER_ERR_PERMISSION);
        EXPECT_EQ(Messages().back().detail, "permission denied");
    }

    TDecoderPtr decoder(MakeDecoder(FileInputModuleGetMethods));
    EXPECT_EQ(DecoderInputNew(decoder.get(), "", -1), DECODER_ERR_BAD_ARGUMENT);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back().detail, "null params or null/empty input name");
    EXPECT_EQ(decoder->input->instance, nullptr);
}
