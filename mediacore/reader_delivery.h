#pragma once
// The asynchronous reader's engine: a queue of requests that the reader's
// methods fill and return from at once, and the delivery thread that works
// through them, decodes, and calls the application back. No lock of ours is
// held while a callback runs, so a callback may call any reader method
// (DeliverTime inside OnTime, Close inside OnSample), and a method called
// under a lock that a callback takes never waits for the thread.
//
// The reader owns the thread and joins it; the thread shares this object
// with the reader, so it outlives the reader when the last reference is
// dropped inside a callback.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "mediacore/asf_header.h"
#include "mediacore/pcm_decoder.h"
#include "mediacore/wm_interfaces.h"

// What a reader tells about its open file: the PCM it delivers and the
// file's attributes.
struct TOpenedFile {
    WAVEFORMATEX format{};
    std::vector<TAsfAttribute> attributes;
};

class CReaderDelivery {
public:
    CReaderDelivery() = default;
    ~CReaderDelivery();
    CReaderDelivery(const CReaderDelivery&) = delete;
    CReaderDelivery& operator=(const CReaderDelivery&) = delete;

    // Each answers at once; the work is done, and reported through the
    // callback, on the delivery thread. NS_E_INVALID_REQUEST when the state
    // does not allow the request (Start before the file is open, Open while
    // one is open or closing).
    HRESULT RequestOpen(const std::string& path, IWMReaderCallback* callback, void* context);
    HRESULT RequestClose();
    HRESULT RequestStart(QWORD start, QWORD duration);
    HRESULT RequestStop();
    HRESULT SetPaused(bool paused);
    void SetUserClock(bool on);
    HRESULT DeliverTime(QWORD time);
    // True from the open's success until the close is requested.
    bool IsOpening() const;

    // The open file, null while none is open.
    std::shared_ptr<const TOpenedFile> OpenedFile() const;

    // Ends the thread's loop: no callback comes after it returns to the loop.
    void Quit();
    // The thread's body.
    void Run();

private:
    enum class ECommand { Open, Close, Start, Stop };
    struct TCommand {
        explicit TCommand(ECommand k) : kind(k) {}
        ECommand kind;
        std::string path;
        IWMReaderCallback* callback = nullptr;  // one reference, for Open
        void* context = nullptr;
        QWORD start = 0;
        QWORD duration = 0;
    };
    enum class EFileState { Closed, Opening, Open, Closing };

    // On the delivery thread, without the lock.
    void Handle(TCommand& command);
    void HandleOpen(TCommand& command);
    void HandleClose();
    void HandleStart(const TCommand& command);
    void HandleStop();
    void Status(WMT_STATUS status, HRESULT result);
    void DropCallbacks();
    // With the lock held: one step of delivery, which may drop and retake the
    // lock around decoding and callbacks. False when there is nothing to do
    // until something changes.
    bool DeliverStep(std::unique_lock<std::mutex>& lock);

    mutable std::mutex lock_;
    std::condition_variable changed_;
    // Under lock_.
    std::deque<TCommand> commands_;
    EFileState fileState_ = EFileState::Closed;
    bool quit_ = false;
    bool paused_ = false;
    bool userClock_ = false;
    QWORD clockTime_ = 0;
    bool clockOwed_ = false;  // a DeliverTime whose OnTime has not come yet
    std::shared_ptr<const TOpenedFile> opened_;

    // The delivery thread's own.
    CPcmDecoder decoder_;
    IWMReaderCallback* callback_ = nullptr;
    IWMReaderCallbackAdvanced* advanced_ = nullptr;
    void* context_ = nullptr;
    bool running_ = false;
    bool ended_ = false;
    std::optional<QWORD> endTime_;
    std::optional<TPcmChunk> next_;
};
