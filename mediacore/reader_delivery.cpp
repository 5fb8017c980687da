#include "mediacore/reader_delivery.h"

#include "mediacore/asf_attribute_list.h"
#include "mediacore/ns_buffer.h"
#include "mediacore/no_throw.h"

CReaderDelivery::~CReaderDelivery() {
    // Only a thread that never ran leaves requests behind.
    for (TCommand& command : commands_) {
        if (command.callback != nullptr) command.callback->Release();
    }
    DropCallbacks();
}

HRESULT CReaderDelivery::RequestOpen(const std::string& path, IWMReaderCallback* callback, void* context) {
    std::lock_guard<std::mutex> guard(lock_);
    if (quit_ || fileState_ != EFileState::Closed) return NS_E_INVALID_REQUEST;
    TCommand command(ECommand::Open);
    command.path = path;
    command.callback = callback;
    command.context = context;
    commands_.push_back(std::move(command));
    callback->AddRef();
    fileState_ = EFileState::Opening;
    changed_.notify_all();
    return S_OK;
}

HRESULT CReaderDelivery::RequestClose() {
    std::lock_guard<std::mutex> guard(lock_);
    if (fileState_ != EFileState::Opening && fileState_ != EFileState::Open) return NS_E_INVALID_REQUEST;
    commands_.push_back(TCommand(ECommand::Close));
    fileState_ = EFileState::Closing;
    changed_.notify_all();
    return S_OK;
}

HRESULT CReaderDelivery::RequestStart(QWORD start, QWORD duration) {
    std::lock_guard<std::mutex> guard(lock_);
    if (fileState_ != EFileState::Open) return NS_E_INVALID_REQUEST;
    TCommand command(ECommand::Start);
    command.start = start;
    command.duration = duration;
    commands_.push_back(std::move(command));
    // A new run plays, and waits for a clock of its own.
    paused_ = false;
    clockTime_ = 0;
    clockOwed_ = false;
    changed_.notify_all();
    return S_OK;
}

HRESULT CReaderDelivery::RequestStop() {
    std::lock_guard<std::mutex> guard(lock_);
    if (fileState_ != EFileState::Open) return NS_E_INVALID_REQUEST;
    commands_.push_back(TCommand(ECommand::Stop));
    changed_.notify_all();
    return S_OK;
}

HRESULT CReaderDelivery::SetPaused(bool paused) {
    std::lock_guard<std::mutex> guard(lock_);
    if (fileState_ != EFileState::Open) return NS_E_INVALID_REQUEST;
    paused_ = paused;
    changed_.notify_all();
    return S_OK;
}

void CReaderDelivery::SetUserClock(bool on) {
    std::lock_guard<std::mutex> guard(lock_);
    userClock_ = on;
    changed_.notify_all();
}

HRESULT CReaderDelivery::DeliverTime(QWORD time) {
    std::lock_guard<std::mutex> guard(lock_);
    clockTime_ = time;
    clockOwed_ = true;
    changed_.notify_all();
    return S_OK;
}

bool CReaderDelivery::IsOpening() const {
    std::lock_guard<std::mutex> guard(lock_);
    return fileState_ != EFileState::Closed;
}

std::shared_ptr<const TOpenedFile> CReaderDelivery::OpenedFile() const {
    std::lock_guard<std::mutex> guard(lock_);
    return opened_;
}

void CReaderDelivery::Quit() {
    std::lock_guard<std::mutex> guard(lock_);
    quit_ = true;
    changed_.notify_all();
}

void CReaderDelivery::Run() {
    std::unique_lock<std::mutex> lock(lock_);
    while (!quit_) {
        // Requests come first, so Stop and Close never wait behind decoding.
        if (!commands_.empty()) {
            TCommand command = std::move(commands_.front());
            commands_.pop_front();
            lock.unlock();
            Handle(command);
            lock.lock();
            continue;
        }
        if (!DeliverStep(lock)) changed_.wait(lock);
    }
    // The reader is gone: no more callbacks, only the references dropped.
    std::deque<TCommand> left = std::move(commands_);
    lock.unlock();
    for (TCommand& command : left) {
        if (command.callback != nullptr) command.callback->Release();
    }
    DropCallbacks();
    decoder_.Close();
}

bool CReaderDelivery::DeliverStep(std::unique_lock<std::mutex>& lock) {
    if (!running_ || paused_) return false;
    if (!next_ && !ended_) {
        lock.unlock();
        TPcmChunk chunk;
        const HRESULT hr = NoThrow([&] { return decoder_.Next(chunk); });
        lock.lock();
        if (hr == S_OK && !(endTime_ && chunk.time >= *endTime_)) {
            next_ = std::move(chunk);
        } else {
            ended_ = true;
        }
        return true;
    }
    if (!next_) {
        running_ = false;
        const bool owed = clockOwed_;
        const QWORD clock = clockTime_;
        clockOwed_ = false;
        lock.unlock();
        Status(WMT_END_OF_FILE, S_OK);
        if (owed && advanced_ != nullptr) advanced_->OnTime(clock, context_);
        lock.lock();
        return true;
    }
    if (userClock_ && next_->time >= clockTime_) {
        // Everything before the clock is out: say so once, then wait for the
        // next DeliverTime.
        if (!clockOwed_) return false;
        clockOwed_ = false;
        const QWORD clock = clockTime_;
        lock.unlock();
        if (advanced_ != nullptr) advanced_->OnTime(clock, context_);
        lock.lock();
        return true;
    }
    TPcmChunk chunk = std::move(*next_);
    next_.reset();
    lock.unlock();
    CNSSBuffer* sample = nullptr;
    NoThrow([&] {
        sample = new CNSSBuffer(std::move(chunk.bytes));
        return S_OK;
    });
    if (sample != nullptr) {
        callback_->OnSample(0, chunk.time, chunk.duration, 0, sample, context_);
        sample->Release();
    }
    lock.lock();
    return true;
}

void CReaderDelivery::Handle(TCommand& command) {
    switch (command.kind) {
        case ECommand::Open: HandleOpen(command); break;
        case ECommand::Close: HandleClose(); break;
        case ECommand::Start: HandleStart(command); break;
        case ECommand::Stop: HandleStop(); break;
    }
}

void CReaderDelivery::HandleOpen(TCommand& command) {
    callback_ = command.callback;
    command.callback = nullptr;
    context_ = command.context;
    void* advanced = nullptr;
    if (SUCCEEDED(callback_->QueryInterface(IID_IWMReaderCallbackAdvanced, &advanced))) {
        advanced_ = static_cast<IWMReaderCallbackAdvanced*>(advanced);
    }
    std::shared_ptr<TOpenedFile> file;
    const HRESULT hr = NoThrow([&]() -> HRESULT {
        const HRESULT opened = decoder_.Open(command.path);
        if (FAILED(opened)) return opened;
        file = std::make_shared<TOpenedFile>();
        file->format = decoder_.Format();
        file->attributes = ListFileAttributes(decoder_.Header());
        return S_OK;
    });
    bool keepCallbacks = true;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (SUCCEEDED(hr)) {
            opened_ = std::move(file);
            if (fileState_ == EFileState::Opening) fileState_ = EFileState::Open;
        } else if (fileState_ == EFileState::Opening) {
            // A failed open leaves nothing to close; a close already asked
            // for still reports.
            fileState_ = EFileState::Closed;
            keepCallbacks = false;
        }
    }
    if (FAILED(hr)) decoder_.Close();
    Status(WMT_OPENED, hr);
    if (!keepCallbacks) DropCallbacks();
}

void CReaderDelivery::HandleClose() {
    running_ = false;
    ended_ = false;
    next_.reset();
    decoder_.Close();
    {
        std::lock_guard<std::mutex> guard(lock_);
        opened_.reset();
        fileState_ = EFileState::Closed;
    }
    Status(WMT_CLOSED, S_OK);
    DropCallbacks();
}

void CReaderDelivery::HandleStart(const TCommand& command) {
    next_.reset();
    ended_ = false;
    endTime_.reset();
    if (command.duration != 0) endTime_ = command.start + command.duration;
    const HRESULT hr =
        decoder_.IsOpen() ? NoThrow([&] { return decoder_.Seek(command.start); }) : NS_E_INVALID_REQUEST;
    running_ = SUCCEEDED(hr);
    Status(WMT_STARTED, hr);
}

void CReaderDelivery::HandleStop() {
    running_ = false;
    ended_ = false;
    next_.reset();
    Status(WMT_STOPPED, S_OK);
}

void CReaderDelivery::Status(WMT_STATUS status, HRESULT result) {
    if (callback_ != nullptr) callback_->OnStatus(status, result, WMT_TYPE_DWORD, nullptr, context_);
}

void CReaderDelivery::DropCallbacks() {
    if (advanced_ != nullptr) advanced_->Release();
    if (callback_ != nullptr) callback_->Release();
    advanced_ = nullptr;
    callback_ = nullptr;
    context_ = nullptr;
}
