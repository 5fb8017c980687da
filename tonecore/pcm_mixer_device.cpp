// Recording through a wave-in device. Until the wave-in layer is in place
// the mixer never records, and every such call answers failure or does
// nothing. Playback (pcm_mixer_playback.cpp) and rendering to a data sink
// need none of this.
#include "tonecore/pcm_mixer.h"

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
