#pragma once
// CPCMMixer: plays a tree of sound objects through a wave device, renders a
// sound group into a caller's data sink, and records from the sound card.
//
// The newest mixer is the engine's current mixer: the constructor makes
// itself current and the destructor clears the current mixer when it is
// this one. Playback and recording run under the engine lock (every public
// operation of theirs takes it; the service thread holds it while it drives
// the mixer). Rendering to a data sink runs on the caller's thread without
// the engine lock: it only reads the group and its sounds, which take their
// own locks, and the fields that others may read meanwhile (the sink flag,
// the sink format, the percentage and the sink list) are guarded apart.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/wave_format.h"
#include "platform/wave_out.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/mix/pcm_mix_buffer.h"
#include "tonecore/mix/pcm_mixer_recording.h"
#include "tonecore/engine/my_list.h"

class CAudioAtom;
class CPCMSound;
class CSoundGroup;

// What a data sink's write function answers: 0 to go on, anything else to
// end the rendering.
using TDataWriteCode = int;
// Takes bytes of PCM at data; may lower bytes to what it took.
using TDataWriteFunction = TDataWriteCode (*)(char* data, std::int32_t& bytes, void* user);

// The recording operations (InitRecording, FullDuplexTest, Record,
// GetRecordingSound, Recording, StartRecording, ContinueRecording,
// EndRecording, UpdatePeak) are the recording half's (pcm_mixer_recording.h).
class CPCMMixer : public IEngineMixer, public CPCMMixerRecording {
public:
    explicit CPCMMixer(const _tInitMixer* init);
    ~CPCMMixer();
    CPCMMixer(const CPCMMixer&) = delete;
    CPCMMixer& operator=(const CPCMMixer&) = delete;

    // Virtual operations, in this order.
    //
    // Takes the record: rate snapped to 11025, 22050 or 44100 Hz, the format
    // completed as PCM, buffer bytes rounded down to whole frames, the
    // buffers made anew. 0 when memory for them could not be had.
    virtual int InitPlayback(const _tInitMixer* init);
    virtual int Open();
    void Close() override;
    int IsOpen() override;
    int Play(CAudioAtom* root, std::int32_t startMs, std::int32_t lengthMs) override;
    virtual void Stop();
    // The format the next Open applies; 1.
    virtual int SetFormat(const WAVEFORMATEX* format);
    virtual void SetAtomPlayMode(CAudioAtom* atom, int on, std::int32_t offset);
    virtual std::int32_t GetMillisecondsPlayedSoFar();
    virtual void StopAtom(CAudioAtom* atom, int force);
    virtual std::int32_t Latency();
    virtual void Pause(int on);
    virtual int IsPaused();
    // Both bases ask these of the mixer; the recording half answers.
    int Recording() override { return CPCMMixerRecording::Recording(); }
    int ContinueRecording() override { return CPCMMixerRecording::ContinueRecording(); }
    // Renders group from its start into buffers of bufferBytes (-1: one
    // second of format) handed to write, until lengthMs of sound has been
    // taken or write answers non-zero. 1 when it ran to its end, 0 when the
    // buffer could not be had. Runs on the caller's thread.
    virtual int MixToDataSink(CSoundGroup* group, TDataWriteFunction write, void* user, const WAVEFORMATEX* format,
                              std::int32_t lengthMs, std::int32_t bufferBytes);
    virtual void SetPlayMode(int on);
    int Mix() override;
    void Idle() override;
    virtual int PlayAtom(CAudioAtom* atom, std::int32_t offset, double delayMs);

    int Playing() override;
    // The sink format while rendering to a data sink, else the device format
    // while the device is open, else the mixer format. A copy: the rendering
    // thread may change the sink format at any time.
    WAVEFORMATEX GetFormat();
    std::int32_t CurrentOffset(CAudioAtom* atom);
    // Enter and leave the engine lock, to group several calls.
    void Lock();
    void Unlock();

    // Whether sound is being rendered to the data sink.
    int MixingSoundToFile(CPCMSound* sound);
    std::int32_t GetPercentageMixedToFile() const { return percentMixed_; }
    void SetPercentMixedFile(std::int32_t percent) { percentMixed_ = percent; }

    // The time-window search of a rendering: sounds of group (and its
    // sub-groups) that start in [windowStart, windowEnd) ms, counted from
    // base, join the head of list, keyed by how far into the window they
    // start, loaded from their beginning; sounds that have ended before the
    // window leave it.
    void ReadAtomsOnRIFFList(CMyList* list, CSoundGroup* group, double windowStart, double windowEnd,
                             std::int32_t base);

    // The record and the buffers, for tests and the playback half.
    const _tInitMixer& PlaybackInit() const { return init_; }
    const std::vector<_pcm_mix_buffer>& Buffers() const { return buffers_; }
    double BufferDuration() const { return bufferDuration_; }
    // Playback state, for tests.
    int OpenCount() const { return openCount_; }
    double TimeWindow() const { return timeWindow_; }
    int MixingCount() const { return mixingList_.Count(); }
    CAudioAtom* Root() const { return root_; }

private:
    // One sound being read for playback. The sound holds the reference the
    // mixer took when it started it.
    struct TMixingEntry {
        CPCMSound* sound;
        int state;     // the last read's TRenderResult; 1 when made
        double delay;  // ms before its first sample; once finished, ms until its last is heard
    };

    // The playback half: the time window, the buffers and the mixing list.
    void IncrementTimeWindow(double ms);
    void MixTimeWindow(CSoundGroup* group, std::int32_t windowEnd, std::int32_t base);
    void MixIntoBuffer(_pcm_mix_buffer* buffer);
    void CleanUpPlayingSounds(int all);
    void StartMixingAtom(CAudioAtom* atom, std::int32_t offset, double delayMs);
    // Where a sound whose maps changed while it played resumes reading.
    std::int32_t RestartOffset(CPCMSound* sound);
    void StopMixingAtom(CAudioAtom* atom);
    // A sound member of a group in the window pass, starting at start ms.
    void MixSoundMember(CAudioAtom* member, std::int32_t start, std::int32_t windowEnd);
    // A group member in the window pass.
    void MixGroupMember(CSoundGroup* member, std::int32_t start, std::int32_t windowEnd);
    TMixingEntry* EntryAt(int index);
    // Frees the buffers the device is done with and mixes them anew.
    void RefillBuffers();
    bool AnyBufferQueued() const;
    // Sends the pending play-mode-on notices.
    void SendPlayModeNotices();
    // Playing, or started by this mixer and still waiting for its
    // play-mode-on notice: either way the mixer holds a reference on it.
    bool Started(CAudioAtom* atom);
    void PrepareBuffers();
    void UnprepareBuffers();
    // Stops playback, resets and closes the device.
    void CloseDevice();

    // Where rendering stands: the buffer, its window and what the sink has
    // not taken yet.
    struct TSinkRun;
    // One window of a rendering: the sounds read into the buffer; the end of
    // the largest read, in bytes.
    std::uint32_t MixSinkWindow(TSinkRun& run);
    // Takes sound off the sink list, when listed, and lets go of the list's
    // reference on it.
    void TakeOffSinkList(CMyList* list, CPCMSound* sound);
    // The sink list's keys become 0 (the list reverses, as each entry moves
    // to the head).
    void ResetSinkKeys();
    void SetSinkFormat(const WAVEFORMATEX& format);

    _tInitMixer init_{};
    WAVEFORMATEX mixerFormat_{};
    std::vector<_pcm_mix_buffer> buffers_;
    double bufferDuration_ = 0.0;

    // Playback state (the playback half).
    HWAVEOUT device_ = nullptr;
    int openCount_ = 0;
    CMyList mixingList_;
    CMyList playModeList_;
    CAudioAtom* root_ = nullptr;
    double timeWindow_ = 0.0;
    // The window time at which the buffer being mixed begins.
    double mixingFromMs_ = 0.0;
    double startOffset_ = 0.0;
    std::int64_t startTick_ = 0;  // the wait clock's ms at Play
    int paused_ = 0;
    int playMode_ = 0;

    // Rendering to a data sink.
    std::atomic<int> sinkFlag_{0};
    std::atomic<std::int32_t> percentMixed_{0};
    std::mutex sinkFormatLock_;
    WAVEFORMATEX sinkFormat_{};
    std::mutex sinkListLock_;
    CMyList sinkList_;
};
