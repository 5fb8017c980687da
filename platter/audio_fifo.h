#pragma once
// The bounded queue between the thread that renders audio on the fly (the
// program's audio callback pushing into our sink) and the thread that
// writes it: the renderer waits while the queue is full, the writer while it
// is empty, so memory stays bounded whatever their speeds.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platter/types.h"

class CAudioFifo {
public:
    explicit CAudioFifo(std::size_t capacityBytes);

    // Producer. Waits for room; false once the consumer has closed the queue.
    bool Push(const std::uint8_t* data, std::size_t bytes);
    // Producer: no more data will come.
    void Finish();

    // Consumer. Waits until want bytes are there or the producer finished;
    // the count taken (less than want only at the end).
    std::size_t Pop(std::uint8_t* out, std::size_t want);
    // Consumer: takes no more; a waiting or later Push returns false.
    void Close();
    // Whether a Pop, after audio had begun to flow, had to wait for audio
    // that then came: the writer was kept waiting by the renderer.
    bool RanDry();
    // How many times a Pop has waited for audio or the end: a test that
    // reads a new count knows the consumer is blocked waiting right now.
    std::size_t PopWaits();

    // A TPcmSink over a CAudioFifo passed as its context: 0 goes on, 1 stops
    // the rendering once the writer wants no more.
    static std::int32_t Sink(void* buffer, std::int32_t& length, void* fifo);

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> ring_;
    std::size_t head_ = 0;  // next byte to pop
    std::size_t size_ = 0;
    bool finished_ = false;
    bool closed_ = false;
    bool delivered_ = false;
    bool ranDry_ = false;
    std::size_t popWaits_ = 0;
};

// Runs the program's audio callback into fifo on a thread of its own, which
// the caller joins: result receives what the callback returned (the tracks
// it placed, 0 on failure), then the queue is finished.
std::thread StartRendering(TBurnAudioCallback callback, void* context, CAudioFifo& fifo,
                           std::atomic<std::int32_t>& result);
