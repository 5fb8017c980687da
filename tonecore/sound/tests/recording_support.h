#pragma once
// Helpers for the recording tests: a current mixer made of nothing but the
// recording half, over the fake wave-in device, and what a sound holds.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "filekit/ref_obj.h"
#include "platform/wave_in_fake.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/mix/pcm_mixer_recording.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/stream_copy.h"
#include "tonecore/pcm/tests/pcm_test_formats.h"

namespace rectest {

// The engine's current mixer while it lives; it records and never plays.
class CRecordingOnlyMixer : public IEngineMixer, public CPCMMixerRecording {
public:
    struct TPeakReport {
        double left;
        double right;
        std::uint32_t position;
    };

    CRecordingOnlyMixer(std::int32_t bufferCount, std::uint32_t bufferBytes, std::uint32_t device = 4)
        : CPCMMixerRecording(Init(bufferCount, bufferBytes, device)) {
        CEngineLockGuard engine(EngineLock());
        SetCurrentMixer(this);
    }
    ~CRecordingOnlyMixer() {
        CEngineLockGuard engine(EngineLock());
        EndRecording();
        if (GetCurrentMixer() == this) SetCurrentMixer(nullptr);
    }

    int Play(CAudioAtom*, std::int32_t, int) override { return 0; }
    void Idle() override {}
    int Playing() override { return 0; }
    int Recording() override { return CPCMMixerRecording::Recording(); }
    int ContinueRecording() override { return CPCMMixerRecording::ContinueRecording(); }
    int Mix() override { return 0; }
    int IsOpen() override { return 0; }
    void Close() override {}
    void UpdatePeak(double left, double right, std::uint32_t position) override {
        peaks.push_back({left, right, position});
    }

    std::vector<TPeakReport> peaks;

private:
    static const _tInitMixer* Init(std::int32_t bufferCount, std::uint32_t bufferBytes, std::uint32_t device) {
        static thread_local _tInitMixer init;
        init = _tInitMixer{};
        init.device = device;
        init.bufferCount = bufferCount;
        init.bufferBytes = bufferBytes;
        init.format = pcmtest::Pcm(44100, 2, 16);
        return &init;
    }
};

// Every data byte of a sound's stream, from its data start.
inline std::vector<std::uint8_t> SoundData(CPCMSound& sound) {
    std::vector<std::uint8_t> out;
    CRefObj* stream = sound.GetRefObj();
    if (stream == nullptr) return out;
    CopyStreamBytes(*stream, stream->GetDataStart(), stream->DataSize(), 4096,
                    [&out](const std::uint8_t* data, std::size_t bytes) {
                        out.insert(out.end(), data, data + bytes);
                        return true;
                    });
    return out;
}

// Bytes 0, 1, 2, ... of the given length (wrapping), distinct enough that a
// lost, doubled or moved block shows.
inline std::vector<std::uint8_t> Pattern(std::size_t bytes, std::uint8_t seed = 0) {
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 251);
    return out;
}

}  // namespace rectest
