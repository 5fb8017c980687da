#pragma once
// The part of an open wave-in device that every back end shares: the queue
// of added headers, the started state and the recorded-byte position. A back
// end hands over what the card captured (Deliver); this class copies it into
// the queued buffers in order and marks each done as it fills.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/wave_in.h"

class CWaveInDevice {
public:
    explicit CWaveInDevice(const WAVEFORMATEX& format);
    CWaveInDevice(const CWaveInDevice&) = delete;
    CWaveInDevice& operator=(const CWaveInDevice&) = delete;
    // A back end stops its own thread in its destructor, before this runs.
    virtual ~CWaveInDevice();

    MMRESULT AddBuffer(WAVEHDR* header);
    MMRESULT Start();
    MMRESULT Stop();
    MMRESULT Reset();
    MMRESULT GetPosition(MMTIME* time);

    const WAVEFORMATEX& Format() const { return format_; }
    bool Started() const;
    // Bytes recorded into buffers since the open or the last reset.
    std::uint64_t RecordedBytes() const;
    // Bytes captured while no buffer was queued, since the open.
    std::uint64_t LostBytes() const;
    std::size_t HeadersQueued() const;

protected:
    // Back-end hooks, called with the lock held; they must not block.
    virtual void OnStart(bool /*started*/) {}
    virtual void OnReset() {}
    // Brings captured sound up to date before a position is reported;
    // called without the lock.
    virtual void Refresh() {}

    // Copies captured bytes into the queued buffers (whole frames only; a
    // ragged tail is dropped). Nothing is taken while stopped.
    void DeliverLocked(const char* data, std::uint64_t bytes);
    bool StartedLocked() const { return started_; }
    // The generation changes at every reset and stop, so a back end can tell
    // that what it captured before belongs to a stream that was ended.
    std::uint64_t Generation() const { return generation_; }

    mutable std::mutex lock_;
    // Back-end threads wait here for a start or the end.
    std::condition_variable changed_;

private:
    void FinishFront();
    void FinishAll();

    WAVEFORMATEX format_;
    std::deque<WAVEHDR*> queue_;
    std::uint64_t recorded_ = 0;
    std::uint64_t lost_ = 0;
    std::uint64_t generation_ = 0;
    bool started_ = false;
};
