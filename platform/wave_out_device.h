#pragma once
// The part of an open wave-out device that every back end shares: the queue
// of written headers, their done flags, the played-byte position and the
// paused state. A back end consumes the queue (QueuedSpan) and reports how
// far playback has got (MarkPlayed); this class finishes the headers that
// lie wholly behind that point.
//
// Stream bytes count from the open or the last reset: a header covers
// [start, end) of that stream, end being the first byte not included.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/wave_out.h"

class CWaveOutDevice {
public:
    explicit CWaveOutDevice(const WAVEFORMATEX& format);
    CWaveOutDevice(const CWaveOutDevice&) = delete;
    CWaveOutDevice& operator=(const CWaveOutDevice&) = delete;
    // A back end stops its own thread in its destructor, before this runs.
    virtual ~CWaveOutDevice();

    MMRESULT Write(WAVEHDR* header);
    MMRESULT Pause();
    MMRESULT Restart();
    MMRESULT Reset();
    virtual MMRESULT GetPosition(MMTIME* time);

    const WAVEFORMATEX& Format() const { return format_; }
    bool Paused() const;
    // Bytes played since the open or the last reset.
    std::uint64_t PlayedBytes() const;
    // Bytes written since the open or the last reset.
    std::uint64_t QueuedBytes() const;
    // Headers written and not yet done.
    std::size_t HeadersQueued() const;

protected:
    // A piece of queued data not yet handed to the output.
    struct TSpan {
        const char* data = nullptr;
        std::uint32_t bytes = 0;
        std::uint64_t streamOffset = 0;
    };

    // Back-end hooks, called with the queue lock held; they must not block.
    virtual void OnWritten(const TSpan& /*written*/) {}
    virtual void OnPause(bool /*paused*/) {}
    virtual void OnReset() {}
    // Updates the played position from the back end's clock or hardware
    // before a position is reported; called without the lock.
    virtual void Refresh() {}

    // The first queued bytes at or after streamOffset that the output has
    // not taken yet; bytes 0 when there are none.
    TSpan QueuedSpan(std::uint64_t streamOffset) const;
    // Playback has reached played (clamped to what was written): headers
    // that end at or before it become done.
    void MarkPlayed(std::uint64_t played);
    // The generation changes at every reset, so a back end can tell that
    // the stream it was working on was thrown away.
    std::uint64_t Generation() const;
    // The same as the public queries, for a caller that holds the lock.
    std::uint64_t PlayedLocked() const { return played_; }
    std::uint64_t WrittenLocked() const { return written_; }
    bool PausedLocked() const { return paused_; }

    mutable std::mutex lock_;
    // Back-end threads wait here for data, a restart or the end.
    std::condition_variable changed_;

private:
    struct TQueued {
        WAVEHDR* header;
        std::uint64_t start;
        std::uint64_t end;
    };
    MMRESULT SetPaused(bool paused);
    void FinishHeader(WAVEHDR* header);
    void FinishAll();

    WAVEFORMATEX format_;
    std::deque<TQueued> queue_;
    std::uint64_t written_ = 0;
    std::uint64_t played_ = 0;
    std::uint64_t generation_ = 0;
    bool paused_ = false;
};

// Whether format is one the devices play: PCM, 1 or 2 channels, 8 or 16
// bits, a block alignment and rate that agree.
bool WaveOutFormatPlayable(const WAVEFORMATEX& format);
