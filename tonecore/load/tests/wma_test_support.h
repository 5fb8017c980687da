#pragma once
// Helpers for the WMA tests: a song opened as the engine opens it, its
// decoding object loaded and copied as the initial load does, and reads
// through the WMA buffer.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "tonecore/convert/converter_factory.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/load/wma_buffer.h"
#include "testsupport/media_libraries_held.h"
#include "tonecore/load/wma_object.h"

namespace wmatest {

struct TStreamDeleter {
    void operator()(CRefObj* stream) const { DeleteRefObject(&stream); }
};
using TStream = std::unique_ptr<CRefObj, TStreamDeleter>;

inline TStream OpenFile(const std::string& path) {
    auto* file = new CFileObj;
    EXPECT_EQ(file->Open(path.c_str(), 0, 0), 1) << path;
    return TStream(file);
}

inline WAVEFORMATEX StartFormat() { return WMAObject::LoadStartFormat(); }

// A song loaded for decoding: the object that read its information, then a
// copy of it (the one that decodes), with the buffer over the stream.
struct TLoadedSong {
    TStream stream;
    std::unique_ptr<WMAObject> decoder;
    std::unique_ptr<CWMABuffer> buffer;
    TMusicInfo info;
    bool loaded = false;

    explicit TLoadedSong(const std::string& path) : stream(OpenFile(path)) {
        const WAVEFORMATEX start = StartFormat();
        WMAObject first(&start, 1);
        loaded = first.LoadInfo(stream.get(), &info);
        if (!loaded) return;
        decoder.reset(static_cast<WMAObject*>(first.Copy()));
        if (decoder->EnableStream(1) != 1) {
            loaded = false;
            return;
        }
        buffer.reset(static_cast<CWMABuffer*>(decoder->NewBuffer(static_cast<CSeekMap*>(nullptr))));
        buffer->SetACMObject(decoder.get());
        buffer->SetRefObj(stream.get());
    }
};

// Reads through the buffer in random pieces until it delivers nothing.
inline std::vector<std::int16_t> ReadToEnd(CWMABuffer& buffer, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::uint32_t> piece(1, 40000);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> chunk(40000);
    for (int guard = 0; guard < 100000; ++guard) {
        const std::uint32_t want = piece(random) & ~3u;
        if (want == 0) continue;
        const std::int64_t got = buffer.ReadData(chunk.data(), want);
        if (got <= 0) break;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

// The largest difference between two sample runs of the same length.
inline int MaxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                         std::size_t offset = 0) {
    int worst = 0;
    for (std::size_t i = 0; i < a.size() && offset + i < b.size(); ++i) {
        worst = std::max(worst, std::abs(a[i] - b[offset + i]));
    }
    return worst;
}

// Runs with the media module reported absent, and with it found again after.
struct TWithoutMediaModule {
    TWithoutMediaModule() {
        FreeConversionLibraries();
        setenv("SONGSMITH_WMA_SUPPORT", "0", 1);
    }
    ~TWithoutMediaModule() {
        unsetenv("SONGSMITH_WMA_SUPPORT");
        FreeConversionLibraries();
    }
};

}  // namespace wmatest
