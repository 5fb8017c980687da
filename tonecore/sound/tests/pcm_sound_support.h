#pragma once
// Helpers for the PCM sound tests: sounds loaded from WAV data held in
// memory, and reads that collect what a sound mixes into blocks.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filekit/mem_obj.h"
#include "platform/wave_format.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"
#include "tonecore/load/tests/song_load_support.h"

namespace soundtest {

// Sample values as interleaved PCM bytes of format (8-bit values are given
// on the 16-bit scale and narrowed).
inline std::string PcmBytes(const WAVEFORMATEX& format, const std::vector<int>& samples) {
    std::string out;
    for (const int s : samples) {
        if (format.wBitsPerSample == 8) {
            out.push_back(static_cast<char>((s >> 8) + 128));
        } else {
            songtest::PutLe(out, static_cast<std::uint16_t>(s), 2);
        }
    }
    return out;
}

inline std::string WavFile(const WAVEFORMATEX& format, const std::string& pcm) {
    return songtest::Riff("WAVE", songtest::Chunk("fmt ", songtest::FormatBody(WAVE_FORMAT_PCM, format.nChannels,
                                                                               format.nSamplesPerSec,
                                                                               format.wBitsPerSample)) +
                                      songtest::Chunk("data", pcm));
}

// A memory stream holding the bytes, released with the holder.
struct TReleaseStream {
    void operator()(CMemObj* stream) const { DeleteRefObject(&stream); }
};
using TMemStream = std::unique_ptr<CMemObj, TReleaseStream>;

inline TMemStream MemoryStream(const std::string& bytes) {
    TMemStream stream(new CMemObj);
    stream->Open(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<std::int64_t>(bytes.size()));
    return stream;
}

// Loads sound from a WAV file in memory with a buffer of bufferMs, without
// peaks. The sound keeps what it needs of the stream.
inline int LoadFromMemory(CPCMSound& sound, const WAVEFORMATEX& format, const std::string& pcm,
                          std::int32_t bufferMs) {
    TMemStream stream = MemoryStream(WavFile(format, pcm));
    return sound.InitialLoad(stream.get(), bufferMs, 0, 0, 0, 0, 10, nullptr, nullptr);
}

// Reads sound from where it was loaded until it finishes, in blocks of the
// sizes pieceBytes gives (whole output frames), into out's format. Each
// block starts as silence. Returns what was mixed, in order.
inline std::vector<std::uint8_t> ReadAll(CPCMSound& sound, const WAVEFORMATEX& out,
                                         const std::function<std::uint32_t()>& pieceBytes,
                                         TRenderResult* last = nullptr) {
    std::vector<std::uint8_t> mixed;
    TRenderResult result = RENDER_MORE;
    for (int guard = 0; guard < 100000 && result == RENDER_MORE; ++guard) {
        std::vector<std::uint8_t> block(pieceBytes(), out.wBitsPerSample == 8 ? 0x80 : 0);
        _bufferType buffer;
        buffer.format = &out;
        buffer.size = static_cast<std::uint32_t>(block.size());
        buffer.data = block.data();
        std::int32_t bytes = -1;
        result = sound.ReadData(&buffer, bytes);
        EXPECT_GE(bytes, 0);
        mixed.insert(mixed.end(), block.begin(), block.begin() + std::max(bytes, 0));
    }
    if (last != nullptr) *last = result;
    return mixed;
}

// Mixes one block of bytes into data (which keeps what it held).
inline TRenderResult ReadInto(CPCMSound& sound, const WAVEFORMATEX& out, std::vector<std::uint8_t>& data,
                              std::int32_t& bytes) {
    _bufferType buffer;
    buffer.format = &out;
    buffer.size = static_cast<std::uint32_t>(data.size());
    buffer.data = data.data();
    return sound.ReadData(&buffer, bytes);
}

inline std::vector<int> Samples16(const std::vector<std::uint8_t>& bytes) {
    return pcmtest::Samples16(bytes, bytes.size() / 2);
}

}  // namespace soundtest
