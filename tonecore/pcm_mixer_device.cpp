// Playback and recording through a wave device. Until the device layer is
// in place the mixer has no device: it never opens, plays or records, and
// every such call answers failure or does nothing. Rendering to a data sink
// needs none of this.
#include "tonecore/pcm_mixer.h"

int CPCMMixer::Open() { return 0; }

void CPCMMixer::Close() { openCount_ = 0; }

int CPCMMixer::IsOpen() { return 0; }

int CPCMMixer::Play(CAudioAtom* root, std::int32_t startMs, std::int32_t lengthMs) {
    (void)root;
    (void)startMs;
    (void)lengthMs;
    return 0;
}

void CPCMMixer::Stop() {}

void CPCMMixer::SetAtomPlayMode(CAudioAtom* atom, int on, std::int32_t offset) {
    (void)atom;
    (void)on;
    (void)offset;
}

std::int32_t CPCMMixer::GetMillisecondsPlayedSoFar() { return 0; }

void CPCMMixer::StopAtom(CAudioAtom* atom, int force) {
    (void)atom;
    (void)force;
}

std::int32_t CPCMMixer::Latency() { return 0; }

void CPCMMixer::Pause(int on) { paused_ = on != 0 ? 1 : 0; }

int CPCMMixer::IsPaused() { return paused_; }

int CPCMMixer::FullDuplexTest(std::uint32_t device, WAVEFORMATEX* inFormat, WAVEFORMATEX* outFormat) {
    (void)device;
    (void)inFormat;
    (void)outFormat;
    return 0;
}

int CPCMMixer::Record(CPCMSound* sound, WAVEFORMATEX* format) {
    (void)sound;
    (void)format;
    return 0;
}

CPCMSound* CPCMMixer::GetRecordingSound() { return recordingSound_; }

int CPCMMixer::Recording() { return recording_; }

int CPCMMixer::StartRecording(WAVEFORMATEX* format, int buffers, std::uint32_t bufferBytes) {
    (void)format;
    (void)buffers;
    (void)bufferBytes;
    return 0;
}

int CPCMMixer::ContinueRecording() { return 0; }

void CPCMMixer::EndRecording() {}

void CPCMMixer::UpdatePeak(double left, double right, std::uint32_t position) {
    (void)left;
    (void)right;
    (void)position;
}

void CPCMMixer::SetPlayMode(int on) { playMode_ = on; }

int CPCMMixer::Mix() { return 0; }

void CPCMMixer::Idle() {}

int CPCMMixer::PlayAtom(CAudioAtom* atom, std::int32_t offset, double delayMs) {
    (void)atom;
    (void)offset;
    (void)delayMs;
    return 0;
}

int CPCMMixer::Playing() { return playMode_; }

std::int32_t CPCMMixer::CurrentOffset(CAudioAtom* atom) {
    (void)atom;
    return 0;
}
