#pragma once
// Posting the program's messages (app_messages.h) to windows, without Qt.
//
// A receiver is named by an id, the program's stand-in for a window handle:
// it stays valid to post to from any thread, and a post to a receiver that is
// gone (or never was) is refused instead of reaching freed memory. A message
// may carry a payload that the message owns: the receiver may take it over,
// and whatever is left is freed with the message, exactly once, whether the
// message was handled, ignored, refused, or dropped because its receiver
// died with it still queued.

#include <cstdint>
#include <memory>
#include <utility>

// Identifies a live receiver; 0 is none.
using TReceiverId = std::uint64_t;
inline constexpr TReceiverId kNoReceiver = 0;

// Base of anything a message carries.
class CAppPayload {
public:
    virtual ~CAppPayload() = default;
};

// A payload holding one value of type T.
template <class T>
class CAppPayloadOf : public CAppPayload {
public:
    explicit CAppPayloadOf(T value) : value(std::move(value)) {}
    T value;
};

struct TAppMessage {
    std::uint32_t number = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<CAppPayload> payload;

    // The payload's value when it holds a T; null otherwise.
    template <class T>
    T* PayloadAs() const {
        auto* typed = dynamic_cast<CAppPayloadOf<T>*>(payload.get());
        return typed == nullptr ? nullptr : &typed->value;
    }
};

// A message with a payload made from value.
template <class T>
TAppMessage MakeAppMessage(std::uint32_t number, std::uintptr_t wParam, std::intptr_t lParam,
                           T value) {
    TAppMessage message{number, wParam, lParam, nullptr};
    message.payload = std::make_unique<CAppPayloadOf<T>>(std::move(value));
    return message;
}

class IAppMessagePoster {
public:
    virtual ~IAppMessagePoster() = default;
    // Queues the message for the receiver; callable from any thread. The
    // receiver handles its messages on its own thread in the order they were
    // posted. False when the receiver does not exist (the payload is freed).
    virtual bool Post(TReceiverId receiver, TAppMessage message) = 0;
    // Hands the message to the receiver at once and returns its answer; only
    // on the receiver's own thread. 0 when the receiver does not exist.
    virtual std::intptr_t Send(TReceiverId receiver, TAppMessage message) = 0;
};

// The program's one poster, installed at start-up by the window layer (and
// by tests). Null until then.
IAppMessagePoster* GetAppMessagePoster();
void SetAppMessagePoster(IAppMessagePoster* poster);

// Posts through the installed poster; false (payload freed) without one.
bool PostAppMessage(TReceiverId receiver, TAppMessage message);
