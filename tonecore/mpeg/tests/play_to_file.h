#pragma once
// Decoding a stream file into an output file with DecoderPlayFrame and the
// file output module, and small written layer II streams to decode.

#include <cstdint>
#include <random>
#include <string>

#include "testsupport/temp_dir.h"
#include "tonecore/mpeg/decoder_output.h"
#include "tonecore/mpeg/file_output.h"
#include "tonecore/mpeg/tests/layer12_frame_writer.h"
#include "tonecore/mpeg/tests/mpeg_test_decode.h"

namespace mpegtest {

struct TPlayed {
    std::int32_t openResult = 0;
    std::int32_t endResult = 0;  // the result that ended playing
    int frames = 0;
};

// Plays `streamPath` into the file output named `outputName` ("wav:...")
// until the input ends, then closes the output.
inline TPlayed PlayToFile(const std::string& streamPath, const std::string& outputName) {
    TPlayed played;
    TDecoderPtr decoder = MakeMpegDecoder(FileInputModuleGetMethods);
    DecoderOutputModuleMethods output;
    FileOutputModuleGetMethods(&output);
    DecoderOutputModuleRegister(decoder.get(), &output);
    played.openResult = DecoderInputNew(decoder.get(), streamPath.c_str(), -1);
    if (played.openResult == 0) played.openResult = DecoderInputOpen(decoder.get());
    if (played.openResult == 0) played.openResult = DecoderOutputNew(decoder.get(), outputName.c_str(), -1);
    if (played.openResult == 0) played.openResult = DecoderOutputOpen(decoder.get());
    if (played.openResult != 0) return played;
    for (;;) {
        const std::int32_t result = DecoderPlayFrame(decoder.get());
        if (result == 0) {
            ++played.frames;
        } else if (result != DECODER_ERR_NO_FRAME) {
            played.endResult = result;
            break;
        }
    }
    const std::int32_t closed = DecoderOutputClose(decoder.get());
    if (closed != 0) played.endResult = closed;
    return played;
}

// `count` frames of random valid layer II data with the given header.
inline std::string WrittenLayer2Stream(bool lsf, int sampleRateIndex, int bitrateIndex, std::uint32_t mode,
                                       int count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const MpegFrameHeader header = layer3test::Layer12Header(2, lsf, sampleRateIndex, bitrateIndex, mode, 0);
    std::string stream;
    while (count > 0) {
        const std::string bytes = layer3test::WriteLayer12Frame(layer3test::RandomLayer12Frame(rng, header, 4));
        if (bytes.empty()) continue;
        stream += bytes;
        --count;
    }
    return stream;
}

// A layer II stream to write: its header values and the format it decodes to.
struct TLayer2Stream {
    const char* name;
    bool lsf;
    int sampleRateIndex;
    int bitrateIndex;
    std::uint32_t mode;
    std::uint32_t channels;
    std::uint32_t rate;
};

// Writes `count` frames of `spec` to "stream.mp2" in `dir` (its path goes
// to `path`) and decodes the file.
inline TDecoded WriteAndDecode(const testsupport::TempDir& dir, const TLayer2Stream& spec, int count,
                               std::uint32_t seed, std::string& path) {
    path = dir.File("stream.mp2");
    testsupport::WriteWholeFile(
        path, WrittenLayer2Stream(spec.lsf, spec.sampleRateIndex, spec.bitrateIndex, spec.mode, count, seed));
    return DecodeFile(path);
}

}  // namespace mpegtest
