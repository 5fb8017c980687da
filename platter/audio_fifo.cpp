#include "platter/audio_fifo.h"

#include <algorithm>

CAudioFifo::CAudioFifo(std::size_t capacityBytes) : ring_(std::max<std::size_t>(capacityBytes, 1)) {}

bool CAudioFifo::Push(const std::uint8_t* data, std::size_t bytes) {
    std::unique_lock<std::mutex> hold(lock_);
    while (bytes > 0) {
        changed_.wait(hold, [&] { return closed_ || size_ < ring_.size(); });
        if (closed_) return false;
        const std::size_t tail = (head_ + size_) % ring_.size();
        const std::size_t n = std::min({bytes, ring_.size() - size_, ring_.size() - tail});
        std::copy(data, data + n, ring_.begin() + static_cast<std::ptrdiff_t>(tail));
        size_ += n;
        data += n;
        bytes -= n;
        changed_.notify_all();
    }
    return true;
}

void CAudioFifo::Finish() {
    std::lock_guard<std::mutex> hold(lock_);
    finished_ = true;
    changed_.notify_all();
}

std::size_t CAudioFifo::Pop(std::uint8_t* out, std::size_t want) {
    std::unique_lock<std::mutex> hold(lock_);
    std::size_t taken = 0;
    while (taken < want) {
        const bool waiting = size_ == 0 && delivered_ && !finished_ && !closed_;
        const auto ready = [&] { return size_ > 0 || finished_ || closed_; };
        if (!ready()) {
            ++popWaits_;
            changed_.wait(hold, ready);
        }
        // Audio that came after a wait was late; the end of the rendering
        // (the last sector's padding) is not.
        if (waiting && size_ > 0) ranDry_ = true;
        if (size_ == 0) break;
        const std::size_t n = std::min({want - taken, size_, ring_.size() - head_});
        std::copy(ring_.begin() + static_cast<std::ptrdiff_t>(head_),
                  ring_.begin() + static_cast<std::ptrdiff_t>(head_ + n), out + taken);
        head_ = (head_ + n) % ring_.size();
        size_ -= n;
        taken += n;
        delivered_ = true;
        changed_.notify_all();
    }
    return taken;
}

void CAudioFifo::Close() {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    changed_.notify_all();
}

bool CAudioFifo::RanDry() {
    std::lock_guard<std::mutex> hold(lock_);
    return ranDry_;
}

std::size_t CAudioFifo::PopWaits() {
    std::lock_guard<std::mutex> hold(lock_);
    return popWaits_;
}

std::int32_t CAudioFifo::Sink(void* buffer, std::int32_t& length, void* fifo) {
    if (length <= 0) return 0;
    auto* queue = static_cast<CAudioFifo*>(fifo);
    if (!queue->Push(static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(length))) {
        length = 0;
        return 1;
    }
    return 0;
}

std::thread StartRendering(TBurnAudioCallback callback, void* context, CAudioFifo& fifo,
                           std::atomic<std::int32_t>& result) {
    return std::thread([callback, context, &fifo, &result] {
        result.store(callback(context, &CAudioFifo::Sink, &fifo));
        fifo.Finish();
    });
}
