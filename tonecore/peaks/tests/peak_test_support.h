#pragma once
// Helpers for the peak tests: signals cut into peaks the way a scan of a
// PCM song does, peak sets from plain values, and a fixture with its own
// temporary sound folder and the engine's default thresholds.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "filekit/file_obj.h"
#include "testsupport/temp_dir.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/my_array_list.h"
#include "tonecore/peaks/peak_accumulator.h"
#include "tonecore/peaks/peaks.h"

namespace peaktest {

// 16-bit stereo at 8000 Hz: small signals, 320 bytes per 10 ms peak.
inline WAVEFORMATEX StereoFormat(std::uint32_t rate = 8000) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = rate * 4;
    return f;
}

// A signal of segments: each segment's ms, then a sine of that amplitude
// (0 = silence) on the left and half of it on the right.
struct TSegment {
    std::uint32_t ms;
    std::int32_t amplitude;
};

inline std::vector<std::uint8_t> MakeSignal(const WAVEFORMATEX& f,
                                            std::initializer_list<TSegment> segments) {
    std::vector<std::uint8_t> bytes;
    std::uint64_t frame = 0;
    for (const TSegment& s : segments) {
        const std::uint64_t frames = std::uint64_t(s.ms) * f.nSamplesPerSec / 1000;
        for (std::uint64_t i = 0; i < frames; ++i, ++frame) {
            const double phase = 2.0 * M_PI * 440.0 * double(frame) / f.nSamplesPerSec;
            const auto left = static_cast<std::int16_t>(std::lround(s.amplitude * std::sin(phase)));
            const auto right = static_cast<std::int16_t>(left / 2);
            for (std::int16_t v : {left, right}) {
                bytes.push_back(static_cast<std::uint8_t>(v & 0xff));
                bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
            }
        }
    }
    return bytes;
}

// Cuts the PCM into peaks as a scan of a song does (through the same
// accumulator) and finishes the set: length = the audio's duration. source
// (a file object) makes the scan write the song's peaks file.
inline int ScanSignal(CPeaks& peaks, const std::vector<std::uint8_t>& pcm, const WAVEFORMATEX& f,
                      std::uint32_t msPerPeak, CRefObj* source = nullptr) {
    int toFile = source != nullptr ? 1 : 0;
    peaks.InitPeakData(msPerPeak, 0, 0);
    peaks.InitStreamPeaksFromParse(&toFile, source);
    CPeakAccumulator accumulator(f, msPerPeak);
    accumulator.Add(pcm.data(), pcm.size(), peaks, toFile);
    accumulator.Flush(peaks, toFile);
    const auto length =
        static_cast<std::int32_t>(std::uint64_t(pcm.size()) * 1000 / f.nAvgBytesPerSec);
    return peaks.FinishPeaksFromParse(accumulator.Count(), length, toFile);
}

// A list of peak values as LoadPeaksFromArrayList takes them.
inline CMyArrayList PeakList(const std::vector<std::uint8_t>& values) {
    CMyArrayList list;
    for (std::uint8_t v : values) list.AppendToTail(reinterpret_cast<void*>(std::uintptr_t(v)), 0);
    return list;
}

// Peak values 0, 1, ... 250, 0, 1, ... : every index tells its own value.
inline std::vector<std::uint8_t> RampPeaks(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i % 251);
    return v;
}

// The peaks a set holds in memory.
inline std::vector<std::uint8_t> BufferedPeaks(const CPeaks& peaks) {
    const std::uint8_t* data = peaks.GetDataPtr();
    if (data == nullptr) return {};
    return {data, data + peaks.GetBufferedPeaks()};
}

// Every peak of a set that lives in its file, read a window at a time.
inline std::vector<std::uint8_t> StreamAllPeaks(CPeaks& peaks) {
    std::vector<std::uint8_t> all;
    if (!peaks.OpenPeaksFile(nullptr, 0) || !peaks.SeekToPeakIndex(0)) return all;
    int atEnd = 0;
    while (!atEnd) {
        std::uint32_t got = 0;
        if (!peaks.StreamPeaksFromFile(peaks.GetBufferedPeaks(), &got, &atEnd) || got == 0) break;
        all.insert(all.end(), peaks.GetDataPtr(), peaks.GetDataPtr() + got);
    }
    peaks.ClosePeaksFile();
    return all;
}

inline void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

inline std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<std::uint8_t>(bytes[at + i])) << (8 * i);
    return v;
}

// A temporary sound folder of its own, the silence threshold at 4 and the
// partial-song threshold at its default.
class PeaksTest : public ::testing::Test {
protected:
    void SetUp() override {
        cache_ = dir_.File("cache");
        std::filesystem::create_directory(cache_);
        SetTempSndPath(cache_.c_str());
        SetSilenceThreshold(4);
        SetPartialSongThreshold(kDefaultPartialSongThreshold);
    }
    void TearDown() override {
        SetTempSndPath(nullptr);
        SetSilenceThreshold(0);
    }

    struct TReleaseStream {
        void operator()(CFileObj* file) const { DeleteRefObject(&file); }
    };
    using TSongFile = std::unique_ptr<CFileObj, TReleaseStream>;

    // A song file (its content does not matter to the peaks) opened as a
    // file object, as a scan holds it.
    TSongFile OpenSong(const std::string& name) {
        const std::string path = dir_.File(name);
        testsupport::WriteWholeFile(path, "song");
        TSongFile file(new CFileObj);
        EXPECT_EQ(file->Open(path.c_str(), 0, 0), 1);
        return file;
    }

    // A set of the given peaks as the scan of song name leaves it, with its
    // peaks file written; the length is the peaks' duration.
    std::unique_ptr<CPeaks> CachedSet(const std::string& name,
                                      const std::vector<std::uint8_t>& values,
                                      std::uint32_t msPerPeak = 10, std::int32_t maxLeft = 1,
                                      std::int32_t maxRight = 1) {
        auto song = OpenSong(name);
        auto peaks = std::make_unique<CPeaks>();
        CMyArrayList list = PeakList(values);
        const auto length = static_cast<std::int32_t>(values.size() * msPerPeak);
        EXPECT_EQ(
            peaks->LoadPeaksFromArrayList(list, msPerPeak, length, maxLeft, maxRight, song.get()),
            1);
        return peaks;
    }

    // Files in the temporary sound folder, recursively.
    std::vector<std::string> CacheFiles() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(cache_)) {
            if (e.is_regular_file()) out.push_back(e.path().string());
        }
        return out;
    }

    testsupport::TempDir dir_;
    std::string cache_;
};

}  // namespace peaktest
