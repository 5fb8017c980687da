#pragma once
// Helpers for the song-loading tests: small WAV files built in memory, songs
// made at test time by outside encoders (sox for the sounds, lame for MP3,
// twolame for MP2) with reference decodes by mpg123, and a fixture with the
// engine started and a temporary sound folder of its own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "filekit/file_obj.h"
#include "platform/last_error.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_startup.h"
#include "tonecore/load/initial_load.h"
#include "tonecore/peaks/tests/peak_test_support.h"

namespace songtest {

// Runs a shell command with its output discarded; true when it exits with 0.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool HaveTools(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!Run(std::string("command -v ") + name)) return false;
    return true;
}

inline void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// One RIFF chunk: id, size, data and a pad byte after odd data.
inline std::string Chunk(const char* id, const std::string& data) {
    std::string out(id, 4);
    PutLe(out, static_cast<std::uint32_t>(data.size()), 4);
    out += data;
    if (data.size() % 2 != 0) out.push_back('\0');
    return out;
}

inline std::string ListChunk(const char* type, const std::string& chunks) {
    return Chunk("LIST", std::string(type, 4) + chunks);
}

inline std::string Riff(const char* form, const std::string& chunks) {
    return Chunk("RIFF", std::string(form, 4) + chunks);
}

// A 16- or 18-byte "fmt " body.
inline std::string FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                              std::uint16_t bits, bool withCbSize = true) {
    std::string out;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    PutLe(out, tag, 2);
    PutLe(out, channels, 2);
    PutLe(out, rate, 4);
    PutLe(out, align * rate, 4);
    PutLe(out, align, 2);
    PutLe(out, bits, 2);
    if (withCbSize) PutLe(out, 0, 2);
    return out;
}

// 16-bit samples: a sine of the amplitude at 441 Hz on every channel.
inline std::string SinePcm(std::uint32_t rate, std::uint16_t channels, std::uint32_t frames,
                           int amplitude) {
    std::string out;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v =
            static_cast<std::int16_t>(amplitude * std::sin(2.0 * M_PI * 441.0 * i / rate));
        for (int c = 0; c < channels; ++c) PutLe(out, static_cast<std::uint16_t>(v), 2);
    }
    return out;
}

// Sets a file's modification time to now + offsetSeconds.
inline void SetAge(const std::string& path, int offsetSeconds) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) + offsetSeconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

inline std::vector<std::int16_t> ReadSamples(const std::string& path) {
    const std::string bytes = testsupport::ReadWholeFile(path);
    std::vector<std::int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Counts the progress calls and answers from a script (then 1).
struct TProgressLog {
    std::vector<std::uint32_t> calls;
    std::vector<int> answers;
    static int Callback(std::uint32_t bytes, void* context) {
        auto* log = static_cast<TProgressLog*>(context);
        const std::size_t n = log->calls.size();
        log->calls.push_back(bytes);
        return n < log->answers.size() ? log->answers[n] : 1;
    }
};

// The engine started (so that decoding objects are made) and a temporary
// sound folder of the test's own.
class SongLoadTest : public peaktest::PeaksTest {
protected:
    void SetUp() override {
        ASSERT_EQ(SoundEngineStartup(&instance_), 1);
        PeaksTest::SetUp();
    }
    void TearDown() override {
        PeaksTest::TearDown();
        SoundEngineShutdown();
    }

    using TStream = peaktest::PeaksTest::TSongFile;

    TStream Open(const std::string& path) {
        TStream file(new CFileObj);
        EXPECT_EQ(file->Open(path.c_str(), 0, 0), 1) << path;
        return file;
    }

    // Writes bytes as the named song and loads it.
    struct TLoaded {
        int result = 0;
        std::uint32_t error = 0;
    };
    TLoaded Load(CInitialLoad& load, const std::string& path, int seekMap = 0, int peaks = 0,
                 std::int32_t msPerPeak = 10, TProgressLog* progress = nullptr, int scan = 0) {
        TStream file = Open(path);
        TLoaded out;
        out.result =
            load.DoInitialLoad(file.get(), seekMap, scan, peaks, 0, msPerPeak,
                               progress != nullptr ? &TProgressLog::Callback : nullptr, progress);
        out.error = GetLastError();
        return out;
    }

    int instance_ = 0;
};

}  // namespace songtest

namespace songtest {

// A song made by the outside encoders, with mpg123's decode of it.
struct TEncodedSong {
    std::string path;
    std::uint32_t rate = 0;  // the stream's own sample rate
    int channels = 0;
    int layer = 3;
    std::vector<std::int16_t> reference;  // mpg123, interleaved, no gapless trimming

    std::uint32_t SamplesPerFrame() const {
        return layer == 1 ? 384 : layer == 3 && rate < 32000 ? 576 : 1152;
    }
    double FrameMs() const { return SamplesPerFrame() * 1000.0 / rate; }
    double ReferenceMs() const { return reference.size() / channels * 1000.0 / rate; }
};

// A sine of seconds at rate through sox, encoded by encoder ("lame ARGS" or
// "twolame ARGS", input and output appended) into folder/name. False when a
// tool failed.
inline bool MakeSong(const std::string& folder, const std::string& name, std::uint32_t rate,
                     int channels, double seconds, const std::string& encoder, TEncodedSong& song,
                     const char* sound = "sine 440") {
    const std::string wav = folder + "/" + name + ".wav";
    song.path = folder + "/" + name;
    song.rate = rate;
    song.channels = channels;
    song.layer = encoder.rfind("twolame", 0) == 0 ? 2 : 3;
    if (!Run("sox -R -D -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
             " -b 16 " + wav + " synth " + std::to_string(seconds) + " " + sound + " vol -6dB"))
        return false;
    if (!Run(encoder + " " + wav + " " + song.path)) return false;
    const std::string raw = song.path + ".raw";
    if (!Run("mpg123 -q --no-gapless -O " + raw + " " + song.path)) return false;
    song.reference = ReadSamples(raw);
    return !song.reference.empty();
}

}  // namespace songtest
