// The MPEG codec module over hand-built layer III streams (frames whose
// side information is all zero decode as silence): module information, the
// stream header probe with an ID3 version 2 tag and a Xing tag, what each
// decode call publishes, the output settings, and seeking through the table
// of contents.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "tonecore/mpeg/mpeg_codec_module.h"
#include "tonecore/mpeg/tests/decoder_test_support.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"
#include "testsupport/temp_dir.h"

namespace {

constexpr std::uint32_t kJoint128 = 0xFFFB9064;  // MPEG-1 layer III, 128 kbit/s, 44100 Hz, joint stereo
constexpr std::uint32_t kJoint160 = 0xFFFBA064;  // the same at 160 kbit/s
constexpr std::uint32_t kMono128 = 0xFFFB90C4;   // the same in mono

// A frame whose side information and main data are all zero.
void AppendSilentFrame(std::vector<std::uint8_t>& stream, std::uint32_t word) {
    const std::uint32_t length = MpegFrameLength(MpegParseHeader(word));
    for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<std::uint8_t>(word >> shift));
    stream.insert(stream.end(), length - 4, 0);
}

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::int32_t StreamInteger(DecoderControl* control, const char* name) {
    std::int32_t value = -1;
    control->services.GetStreamInteger(control, name, &value);
    return value;
}

const DecoderCodecModuleMethods& Methods(DecoderControl* control) {
    return control->codec->module->codec;
}

// A decoder over the streaming memory input with `stream` pushed whole (a
// streaming input is never probed).
mpegtest::TDecoderPtr PushedDecoder(const std::vector<std::uint8_t>& stream) {
    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    EXPECT_EQ(DecoderInputNew(decoder.get(), "", -1), 0);
    EXPECT_EQ(DecoderInputOpen(decoder.get()), 0);
    EXPECT_EQ(DecoderInputSendMessage(decoder.get(), MEMORY_INPUT_APPEND, stream.data(),
                                      static_cast<std::uint32_t>(stream.size())),
              static_cast<std::int32_t>(stream.size()));
    return decoder;
}

}  // namespace

TEST(MpegCodecModule, DescribesItself) {
    DecoderCodecModuleMethods methods;
    ASSERT_EQ(MpegCodecModuleGetMethods(&methods), 0);
    EXPECT_EQ(methods.endOfInput, nullptr);
    EXPECT_EQ(methods.probe("unknown", ""), 0);
    decodertest::ExpectModuleInfo(methods.info, "MPEG Audio Codec", "Version 1.2", 0, "MP1, MP2, MP3",
                                  "MPEG 1 or 2 audio", 0);
    DecoderModuleInfo info;
    ASSERT_EQ(methods.info(&info, DECODER_INFO_DEVICE_COUNT), 0);
    EXPECT_EQ(info.index, 1);
    ASSERT_EQ(methods.info(&info, DECODER_INFO_MAX_PCM | DECODER_INFO_CAPS), 0);
    EXPECT_EQ(info.index, 4608);
    EXPECT_EQ(info.deviceFlags, 3u);
}

// A 4096-byte ID3 version 2 tag, then a Xing frame with a frame count of
// 1000 and a table of contents: the audio starts after the tag, the
// duration comes from the count (1000 x 1152 / 44100 s), and decoding
// republishes nothing per frame. The Xing frame itself decodes as silence.
TEST(MpegCodecModule, ProbeSkipsTheId3TagAndReadsTheXingTag) {
    std::vector<std::uint8_t> stream(4096, 0);
    std::memcpy(stream.data(), "ID3\x03\x00\x00", 6);
    const std::uint32_t body = 4096 - 10;  // as four 7-bit bytes
    stream[6] = static_cast<std::uint8_t>(body >> 21 & 0x7F);
    stream[7] = static_cast<std::uint8_t>(body >> 14 & 0x7F);
    stream[8] = static_cast<std::uint8_t>(body >> 7 & 0x7F);
    stream[9] = static_cast<std::uint8_t>(body & 0x7F);
    AppendSilentFrame(stream, kJoint128);
    const std::size_t tag = 4096 + 36;
    std::memcpy(stream.data() + tag, "Xing", 4);
    PutBigEndian(stream, tag + 4, 1 | 4);
    PutBigEndian(stream, tag + 8, 1000);
    for (int i = 0; i < 100; ++i) stream[tag + 12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(2 * i);
    for (int i = 0; i < 20; ++i) AppendSilentFrame(stream, i < 10 ? kJoint128 : kMono128);

    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* control = decoder.get();
    ASSERT_EQ(DecoderInputNew(control, decodertest::StaticName(stream).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);
    const DecoderStreamInfo& info = control->timing->stream;
    EXPECT_EQ(info.flags, 7u);
    EXPECT_EQ(info.durationMs, 26122u);
    EXPECT_STREQ(info.mimeType, "audio/mpeg");
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.channels, 2u);
    const std::uint32_t audioBytes = static_cast<std::uint32_t>(stream.size()) - 4096;
    EXPECT_EQ(info.bitrateKbps, audioBytes * 8 / 26122);
    EXPECT_EQ(StreamInteger(control, "mpeg/level"), 1);
    EXPECT_EQ(StreamInteger(control, "mpeg/layer"), 3);
    EXPECT_EQ(StreamInteger(control, "mpeg/mode"), 1);
    EXPECT_EQ(control->input->position, 4096);

    // Entry 99 pairs with 256 at the end of the table.
    const float at = Methods(control).fractionToOffset(control->codec->instance, 0.995f);
    const double fileFraction = ((99.5 - 99) * (256 - 198) + 198) / 256.0;
    EXPECT_NEAR(at, (fileFraction * audioBytes + 4096) / (audioBytes + 4096.0), 1e-4);
    EXPECT_FLOAT_EQ(Methods(control).offsetToFraction(control->codec->instance, 4096), 0.0f);
    EXPECT_FLOAT_EQ(Methods(control).offsetToFraction(control->codec->instance, 100), 0.0f);

    int frames = 0;
    std::int32_t result = 0;
    while ((result = DecoderDecode(control, nullptr)) == 0) {
        EXPECT_EQ(info.flags, 0u) << frames;  // also where the stream turns mono
        ++frames;
    }
    EXPECT_EQ(result, DECODER_ERR_END_OF_INPUT);
    EXPECT_EQ(frames, 21);
    EXPECT_EQ(info.durationMs, 26122u);
    EXPECT_EQ(StreamInteger(control, "mpeg/mode"), 1);
}

// Without a tag (a streaming input is never probed) each decode call
// publishes what changed: everything at the first frame, nothing while the
// stream stays the same, the mode and the channel count when it turns mono.
// A variable bitrate moves the published bitrate only when the running
// average drifts more than 1/32 away from it.
TEST(MpegCodecModule, DecodeCallsPublishOnlyChanges) {
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 5; ++i) AppendSilentFrame(stream, kJoint128);
    for (int i = 0; i < 40; ++i) AppendSilentFrame(stream, i % 2 ? kJoint160 : kJoint128);
    for (int i = 0; i < 3; ++i) AppendSilentFrame(stream, kMono128);

    mpegtest::TDecoderPtr decoder = PushedDecoder(stream);
    DecoderControl* control = decoder.get();
    const DecoderStreamInfo& info = control->timing->stream;
    std::vector<std::uint32_t> flags;
    std::vector<std::uint32_t> bitrates;
    while (DecoderDecode(control, nullptr) == 0) {
        flags.push_back(info.flags);
        bitrates.push_back(info.bitrateKbps);
    }
    ASSERT_EQ(flags.size(), 48u);
    EXPECT_EQ(flags[0], 7u);
    EXPECT_EQ(bitrates[0], 128u);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(flags[static_cast<std::size_t>(i)], 0u) << i;
    int bitrateChanges = 0;
    for (std::size_t i = 5; i < 45; ++i) {
        EXPECT_EQ(flags[i] & DECODER_STREAM_PROPERTIES, 0u) << i;
        if (bitrates[i] != bitrates[i - 1]) {
            ++bitrateChanges;
            EXPECT_EQ(flags[i], DECODER_STREAM_TIMING) << i;
        }
    }
    EXPECT_GE(bitrateChanges, 1);
    EXPECT_LE(bitrateChanges, 6);
    // On its way from 128 to the mean of 144 (the average weighs each frame 1/32).
    EXPECT_GT(bitrates[44], 132u);
    EXPECT_LE(bitrates[44], 144u);
    EXPECT_EQ(flags[45] & (DECODER_STREAM_PROPERTIES | DECODER_STREAM_TIMING),
              DECODER_STREAM_PROPERTIES | DECODER_STREAM_TIMING);
    EXPECT_EQ(info.channels, 1u);
    EXPECT_EQ(StreamInteger(control, "mpeg/mode"), 3);
    EXPECT_EQ(control->outputBuffer->channels, 1u);
}

// Routing, rate reduction and the equaliser go in and come back out; the
// output follows the routing and the reduction the stream's rate allows.
TEST(MpegCodecModule, OutputSettings) {
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 4; ++i) AppendSilentFrame(stream, kJoint128);
    for (int i = 0; i < 4; ++i) AppendSilentFrame(stream, decodertest::kMpeg2Layer3_64k_22050);

    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* control = decoder.get();
    ASSERT_EQ(DecoderInputNew(control, decodertest::StaticName(stream).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);
    const DecoderCodecModuleMethods& methods = Methods(control);
    void* instance = control->codec->instance;

    std::int8_t equalizer[64];
    for (int i = 0; i < 64; ++i) equalizer[i] = static_cast<std::int8_t>(i - 32);
    DecoderOutputSettings in;
    in.channelRouting = 3;
    in.rateReduction = 2;
    in.equalizer = equalizer;
    ASSERT_EQ(methods.setOutputSettings(instance, &in, 7), 0);
    std::int8_t back[64] = {};
    DecoderOutputSettings out;
    out.equalizerOut = back;
    ASSERT_EQ(methods.getOutputSettings(instance, &out, 7), 0);
    EXPECT_EQ(out.channelRouting, 3);
    EXPECT_EQ(out.rateReduction, 2);
    EXPECT_EQ(std::memcmp(back, equalizer, 64), 0);

    // Quarter rate at 44100 Hz, half rate at 22050 Hz; one mixed channel.
    const DecoderOutputBuffer& buffer = *control->outputBuffer;
    ASSERT_EQ(DecoderDecode(control, nullptr), 0);
    EXPECT_EQ(buffer.samplesPerChannel, 288u);
    EXPECT_EQ(buffer.sampleRate, 11025u);
    EXPECT_EQ(buffer.channels, 1u);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(DecoderDecode(control, nullptr), 0);
    EXPECT_EQ(buffer.samplesPerChannel, 288u);
    EXPECT_EQ(buffer.sampleRate, 11025u);

    // No equaliser: zeros and -1; no output buffer: -102.
    in.equalizer = nullptr;
    ASSERT_EQ(methods.setOutputSettings(instance, &in, 4), 0);
    EXPECT_EQ(methods.getOutputSettings(instance, &out, 4), DECODER_ERR_NO_METHOD);
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(back[63], 0);
    out.equalizerOut = nullptr;
    EXPECT_EQ(methods.getOutputSettings(instance, &out, 4), DECODER_ERR_BAD_ARGUMENT);
    EXPECT_EQ(methods.getOutputSettings(nullptr, &out, 1), DECODER_ERR_BAD_ARGUMENT);

    // Routing 0 and full rate: both channels, the whole frame.
    in.channelRouting = 0;
    in.rateReduction = 0;
    ASSERT_EQ(methods.setOutputSettings(instance, &in, 3), 0);
    ASSERT_EQ(DecoderDecode(control, nullptr), 0);
    EXPECT_EQ(buffer.samplesPerChannel, 576u);
    EXPECT_EQ(buffer.sampleRate, 22050u);
    EXPECT_EQ(buffer.channels, 2u);
}

// Frames with impossible side information are abandoned (the call returns
// "no frame") and decoding goes on with the next frame; a frame whose main
// data lies before the start plays as silence.
TEST(MpegCodecModule, AbandonedFramesLeaveTheNextFrameDecodable) {
    std::vector<std::uint8_t> stream;
    AppendSilentFrame(stream, kJoint128);
    // main_data_begin 511: nothing before the first frame.
    stream[4] = 0xFF;
    stream[5] = 0x80;
    const std::size_t second = stream.size();
    AppendSilentFrame(stream, kJoint128);
    // Granule 0, left channel: big_values 289 (side information bits 32 to 40).
    stream[second + 8] = 0x90;
    stream[second + 9] = 0x80;
    const std::size_t third = stream.size();
    AppendSilentFrame(stream, kJoint128);
    // Granule 0, left channel: part2_3_length 4095, more than the frame holds.
    stream[third + 6] = 0x0F;
    stream[third + 7] = 0xFF;
    AppendSilentFrame(stream, kJoint128);

    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* control = decoder.get();
    ASSERT_EQ(DecoderInputNew(control, decodertest::StaticName(stream).c_str(), -1), 0);
    ASSERT_EQ(DecoderInputOpen(control), 0);
    ASSERT_EQ(DecoderDecode(control, nullptr), 0);
    EXPECT_EQ(control->outputBuffer->samplesPerChannel, 1152u);
    EXPECT_EQ(DecoderDecode(control, nullptr), DECODER_ERR_NO_FRAME);
    EXPECT_EQ(DecoderDecode(control, nullptr), DECODER_ERR_NO_FRAME);
    ASSERT_EQ(DecoderDecode(control, nullptr), 0);
    EXPECT_EQ(control->outputBuffer->samplesPerChannel, 1152u);
    EXPECT_EQ(DecoderDecode(control, nullptr), DECODER_ERR_END_OF_INPUT);
}

namespace {

// An ID3 version 2.3 tag of `bytes` bytes (header included) whose body is
// `body` followed by zeros.
std::vector<std::uint8_t> Id3Tag(std::uint32_t bytes, const std::vector<std::uint8_t>& body = {}) {
    std::vector<std::uint8_t> tag(bytes, 0);
    std::memcpy(tag.data(), "ID3\x03\x00\x00", 6);
    const std::uint32_t size = bytes - 10;  // as four 7-bit bytes
    for (int i = 0; i < 4; ++i) tag[6 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (21 - 7 * i) & 0x7F);
    std::copy(body.begin(), body.end(), tag.begin() + 10);
    return tag;
}

int FramesDecoded(const std::vector<std::uint8_t>& stream) {
    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    EXPECT_EQ(DecoderInputNew(decoder.get(), decodertest::StaticName(stream).c_str(), -1), 0);
    EXPECT_EQ(DecoderInputOpen(decoder.get()), 0);
    int frames = 0;
    for (;;) {
        const std::int32_t result = DecoderDecode(decoder.get(), nullptr);
        if (result == 0) ++frames;
        if (result != 0 && result != DECODER_ERR_NO_FRAME) break;
    }
    return frames;
}

}  // namespace

// The frame search starts after every leading ID3 version 2 tag, whether or
// not a frame header follows the tag directly: frames inside a tag (a
// private frame holding MP3 data) are never decoded.
TEST(MpegCodecModule, FramesInsideLeadingTagsAreNeverDecoded) {
    std::vector<std::uint8_t> hidden;  // 12 frames the tag carries
    for (int i = 0; i < 12; ++i) AppendSilentFrame(hidden, kJoint128);
    std::vector<std::uint8_t> audio;   // the 8 frames of the song
    for (int i = 0; i < 8; ++i) AppendSilentFrame(audio, kJoint128);
    struct TCase {
        const char* name;
        std::vector<std::uint8_t> before;
    };
    const std::vector<std::uint8_t> carrier = Id3Tag(6000, hidden);
    std::vector<std::uint8_t> zeros(300, 0);
    std::vector<std::uint8_t> twoTags = carrier;
    const std::vector<std::uint8_t> second = Id3Tag(200);
    twoTags.insert(twoTags.end(), second.begin(), second.end());
    std::vector<std::uint8_t> tagAndZeros = carrier;
    tagAndZeros.insert(tagAndZeros.end(), zeros.begin(), zeros.end());
    const TCase cases[] = {
        {"a tag, then the frames", carrier},
        {"a tag, zero bytes, then the frames", tagAndZeros},
        {"two tags, then the frames", twoTags},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> stream = c.before;
        stream.insert(stream.end(), audio.begin(), audio.end());
        EXPECT_EQ(FramesDecoded(stream), 8);
    }
}

// Closing and opening a static memory input again starts from its first
// byte, so the probe sees the tags again and the second pass decodes the
// same frames as the first.
TEST(MpegCodecModule, ReopenedMemoryInputDecodesTheSameFrames) {
    std::vector<std::uint8_t> stream = Id3Tag(1000);
    for (int i = 0; i < 6; ++i) AppendSilentFrame(stream, kJoint128);
    mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
    DecoderControl* control = decoder.get();
    ASSERT_EQ(DecoderInputNew(control, decodertest::StaticName(stream).c_str(), -1), 0);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        ASSERT_EQ(DecoderInputOpen(control), 0);
        EXPECT_EQ(control->input->position, 1000);
        int frames = 0;
        while (DecoderDecode(control, nullptr) == 0) ++frames;
        EXPECT_EQ(frames, 6);
        ASSERT_EQ(DecoderInputClose(control), 0);
    }
}

// The first frame publishes every stream fact, also the values a zeroed
// record already holds: plain stereo is mode 0 and MPEG-2.5 is level 0.
TEST(MpegCodecModule, FirstFramePublishesModeZeroAndLevelZero) {
    struct TCase {
        const char* name;
        std::uint32_t word;
        std::int32_t level;
        std::int32_t mode;
        std::uint32_t channels;
    };
    const TCase cases[] = {
        {"MPEG-1 plain stereo", 0xFFFB9004, 1, 0, 2},
        {"MPEG-2.5 joint stereo", 0xFFE38044, 0, 1, 2},
        {"MPEG-2.5 plain stereo", 0xFFE38004, 0, 0, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> stream;
        for (int i = 0; i < 3; ++i) AppendSilentFrame(stream, c.word);
        mpegtest::TDecoderPtr decoder = PushedDecoder(stream);
        DecoderControl* control = decoder.get();
        ASSERT_EQ(DecoderDecode(control, nullptr), 0);
        EXPECT_EQ(StreamInteger(control, "mpeg/level"), c.level);
        EXPECT_EQ(StreamInteger(control, "mpeg/mode"), c.mode);
        EXPECT_EQ(control->timing->stream.channels, c.channels);
    }
}

// A Xing frame count of 0 says nothing: the duration comes from the bitrate
// (not 0:00); a count far beyond the file gives a duration held to 32 bits
// instead of a wrapped one.
TEST(MpegCodecModule, XingFrameCountsOfZeroOrBeyondReasonAreNotTrusted) {
    struct TCase {
        const char* name;
        std::uint32_t frames;
        bool fromBitrate;
    };
    const TCase cases[] = {{"count 0", 0, true}, {"count 2^32 - 1", 0xFFFFFFFFu, false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> stream;
        AppendSilentFrame(stream, kJoint128);
        std::memcpy(stream.data() + 36, "Xing", 4);
        PutBigEndian(stream, 40, 1);
        PutBigEndian(stream, 44, c.frames);
        for (int i = 0; i < 40; ++i) AppendSilentFrame(stream, kJoint128);
        mpegtest::TDecoderPtr decoder = mpegtest::MakeMpegDecoder(MemoryInputModuleGetMethods);
        DecoderControl* control = decoder.get();
        ASSERT_EQ(DecoderInputNew(control, decodertest::StaticName(stream).c_str(), -1), 0);
        ASSERT_EQ(DecoderInputOpen(control), 0);
        const DecoderStreamInfo& info = control->timing->stream;
        if (c.fromBitrate) {
            // Bytes over bytes per millisecond at 128 kbit/s.
            EXPECT_EQ(info.durationMs, static_cast<std::uint32_t>(stream.size()) / 16);
            EXPECT_EQ(info.bitrateKbps, 128u);
        } else {
            EXPECT_EQ(info.durationMs, UINT32_MAX);
        }
    }
}

// A pipe cannot go back: the file input answers "not seekable", so no probe
// reads ahead and the first frame is decoded like every other.
TEST(MpegCodecModule, PipedFileInputKeepsItsFirstFrame) {
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 5; ++i) AppendSilentFrame(stream, kJoint128);
    testsupport::TempDir dir;
    const std::string fifo = dir.File("stream.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        FILE* out = std::fopen(fifo.c_str(), "wb");  // waits for the reader
        if (out == nullptr) return;
        std::fwrite(stream.data(), 1, stream.size(), out);
        std::fclose(out);
    });
    mpegtest::TDecoded decoded = mpegtest::DecodeFile(fifo);
    writer.join();
    EXPECT_EQ(decoded.openResult, 0);
    EXPECT_EQ(decoded.frameSamples.size(), 5u);
}
