#pragma once
// A reader callback for tests: records every status, sample and clock tick
// in order (with the sample bytes), lets a test act inside each callback, and
// waits for what it expects with a time limit.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "mediacore/wm_interfaces.h"
#include "testsupport/hang_limit.h"

namespace mediatest {

struct TReaderEvent {
    enum EKind { Status, Sample, Time };
    explicit TReaderEvent(EKind k) : kind(k) {}
    EKind kind;
    WMT_STATUS status = WMT_ERROR;
    HRESULT result = S_OK;
    QWORD time = 0;
    QWORD duration = 0;
    std::vector<std::int16_t> pcm;
};

class CReaderRecorder final : public IWMReaderCallback, public IWMReaderCallbackAdvanced {
public:
    // Called inside the reader's callback, after the event is recorded and
    // with no lock of the recorder held.
    std::function<void(const TReaderEvent&)> onEvent;

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (iid == IID_IWMReaderCallback || iid == IID_IUnknown) {
            *object = static_cast<IWMReaderCallback*>(this);
        } else if (iid == IID_IWMReaderCallbackAdvanced) {
            *object = static_cast<IWMReaderCallbackAdvanced*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // The recorder lives on the test's stack; the count only shows that the
    // reader gives back what it takes.
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }
    int References() const { return refs_; }

    HRESULT OnStatus(WMT_STATUS status, HRESULT result, WMT_ATTR_DATATYPE, BYTE*, void*) override {
        TReaderEvent event(TReaderEvent::Status);
        event.status = status;
        event.result = result;
        Record(std::move(event));
        return S_OK;
    }
    HRESULT OnSample(DWORD, QWORD time, QWORD duration, DWORD, INSSBuffer* sample, void*) override {
        TReaderEvent event(TReaderEvent::Sample);
        event.time = time;
        event.duration = duration;
        BYTE* bytes = nullptr;
        DWORD length = 0;
        sample->GetBufferAndLength(&bytes, &length);
        event.pcm.resize(length / 2);
        std::memcpy(event.pcm.data(), bytes, event.pcm.size() * 2);
        Record(std::move(event));
        return S_OK;
    }
    HRESULT OnTime(QWORD time, void*) override {
        TReaderEvent event(TReaderEvent::Time);
        event.time = time;
        Record(std::move(event));
        return S_OK;
    }
    HRESULT OnStreamSample(WORD, QWORD, QWORD, DWORD, INSSBuffer*, void*) override { return S_OK; }
    HRESULT OnStreamSelection(WORD, WORD*, WMT_STREAM_SELECTION*, void*) override { return S_OK; }
    HRESULT OnOutputPropsChanged(DWORD, WM_MEDIA_TYPE*, void*) override { return S_OK; }
    HRESULT AllocateForStream(WORD, DWORD, INSSBuffer**, void*) override { return E_NOTIMPL; }
    HRESULT AllocateForOutput(DWORD, DWORD, INSSBuffer**, void*) override { return E_NOTIMPL; }

    std::vector<TReaderEvent> Events() {
        std::lock_guard<std::mutex> guard(lock_);
        return events_;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> guard(lock_);
        return events_.size();
    }
    // Waits (at most limit) until some recorded status equals status, counting
    // from event index from on; true when it came.
    bool WaitForStatus(WMT_STATUS status, std::size_t from = 0,
                       std::chrono::milliseconds limit = testsupport::kHangLimit) {
        return WaitFor([&] { return FindStatus(status, from) >= 0; }, limit);
    }
    bool WaitForEvents(std::size_t count,
                       std::chrono::milliseconds limit = testsupport::kHangLimit) {
        return WaitFor([&] { return events_.size() >= count; }, limit);
    }

private:
    // Index of the first such status from index from, or -1; with the lock held.
    long FindStatus(WMT_STATUS status, std::size_t from = 0) const {
        for (std::size_t i = from; i < events_.size(); ++i) {
            if (events_[i].kind == TReaderEvent::Status && events_[i].status == status) return static_cast<long>(i);
        }
        return -1;
    }

    template <typename Predicate>
    bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(lock_);
        return changed_.wait_for(lock, limit, done);
    }
    void Record(TReaderEvent event) {
        TReaderEvent copy = onEvent ? event : TReaderEvent(event.kind);
        {
            std::lock_guard<std::mutex> guard(lock_);
            events_.push_back(std::move(event));
        }
        changed_.notify_all();
        if (onEvent) onEvent(copy);
    }

    std::atomic<int> refs_{0};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<TReaderEvent> events_;
};

}  // namespace mediatest
