#pragma once
// The recording half of the mixer: records from a wave-in device into a
// CPCMSound. The engine's service thread drives it (ContinueRecording on
// each pass while Recording answers 1): every buffer the device has filled
// goes, in order, to the sound's WriteData and back to the device. Between
// passes, CheckLatestRecordings reports the input's levels about every
// 80 ms of sound through UpdatePeak.
//
// The sound-card mixer derives from this and from IEngineMixer; a sound
// finds the recording half of the current mixer through a cross cast. Every
// recording operation takes the engine lock (engine_lock.h), which always
// comes before a sound's own lock.

#include <cstdint>
#include <vector>

#include "platform/wave_format.h"
#include "platform/wave_in.h"
#include "tonecore/mix/pcm_mix_buffer.h"

class CAudioAtom;
class CPCMSound;

class CPCMMixerRecording {
public:
    // Takes the recording record (InitRecording).
    explicit CPCMMixerRecording(const _tInitMixer* init);
    // Ends a recording that still runs.
    virtual ~CPCMMixerRecording();
    CPCMMixerRecording(const CPCMMixerRecording&) = delete;
    CPCMMixerRecording& operator=(const CPCMMixerRecording&) = delete;

    // Copies init as the record recordings start from. 1.
    virtual int InitRecording(const _tInitMixer* init);
    // Whether device can record in inFormat and play outFormat at once. 1
    // when both opened and the test ran; 0 when either would not open.
    virtual int FullDuplexTest(std::uint32_t device, WAVEFORMATEX* inFormat, WAVEFORMATEX* outFormat);
    // Records into sound in format, with the buffer count and size of the
    // recording record; a recording that runs is ended first. 1 on success,
    // when sound becomes the recording sound.
    virtual int Record(CPCMSound* sound, WAVEFORMATEX* format);
    virtual CPCMSound* GetRecordingSound();
    // 1 between a successful StartRecording and EndRecording.
    virtual int Recording();
    // Opens the recording device in format and queues buffers of silence
    // (buffers and bufferBytes replace the record's when buffers is not 0).
    // 1 when recording; 0, with the device closed again, when anything
    // failed.
    virtual int StartRecording(WAVEFORMATEX* format, int buffers, std::uint32_t bufferBytes);
    // One pass: reports levels and hands every filled buffer, in order, to
    // the recording sound. 1 while still recording.
    virtual int ContinueRecording();
    // Stops the device, hands what it recorded to the sound, frees the
    // buffers and closes the device. Nothing when no device is open.
    virtual void EndRecording();
    // Hears the recording's levels (full scale 1.0) at position bytes; does
    // nothing here.
    virtual void UpdatePeak(double left, double right, std::uint32_t position);
    // Scans what the device recorded since the last report and reports its
    // largest samples once at least the peak step has come in.
    void CheckLatestRecordings();
    // Ends the recording when atom is the recording sound (StopAtom's first
    // question). 1 when it was.
    int StopRecordingAtom(CAudioAtom* atom);

    // The mixer that records into atom, current or not; null when none does.
    static CPCMMixerRecording* RecorderOf(const CAudioAtom* atom);

    // State, for the mixer and tests.
    const _tInitMixer& RecordingInit() const { return recordInit_; }
    const _tInitMixer& ActiveRecording() const { return active_; }
    std::uint32_t PeakStepBytes() const { return peakStep_; }
    std::uint64_t BytesSeen() const { return bytesSeen_; }

private:
    // Hands one filled buffer to the sound. false when the sound refused it.
    bool HandToSound(_pcm_mix_buffer& buffer);
    // Silence into the buffer, prepared and queued. false when the device
    // refused it.
    bool QueueBuffer(_pcm_mix_buffer& buffer);
    // The device's position in bytes of the active format.
    std::uint64_t DevicePosition();
    // Resets and closes the device and frees every buffer.
    void CloseDevice();

    _tInitMixer recordInit_{};
    _tInitMixer active_{};
    HWAVEIN device_ = nullptr;
    std::vector<_pcm_mix_buffer> buffers_;
    std::size_t nextBuffer_ = 0;
    int recording_ = 0;
    CPCMSound* sound_ = nullptr;
    std::uint64_t bytesSeen_ = 0;
    std::uint32_t peakStep_ = 0;
    std::int64_t startTick_ = 0;
};
