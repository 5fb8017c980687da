#pragma once
// The Qt side of the program's messages (songsmith/app/app_message.h): a receiver is
// a small QObject living on the main thread with a handler; a posted message
// travels to it as one Qt event, so it arrives after the messages posted to
// the same receiver before it, in the receiver's event loop (modal loops
// included).

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>

#include "songsmith/app/app_message.h"

// The event that carries one message. Deleting it frees the payload still in
// it, so a message whose receiver dies while it is queued is freed by Qt's
// clean-up of the receiver's queued events.
class CAppMessageEvent : public QEvent {
public:
    explicit CAppMessageEvent(TAppMessage message);
    static QEvent::Type EventType();
    TAppMessage message;
};

// Receives messages by id for as long as it lives. The handler runs on the
// receiver's thread; it may take the payload over (std::move), otherwise the
// payload is freed after it returns.
class CAppMessageReceiver : public QObject {
public:
    using THandler = std::function<std::intptr_t(TAppMessage& message)>;
    explicit CAppMessageReceiver(THandler handler, QObject* parent = nullptr);
    ~CAppMessageReceiver() override;
    CAppMessageReceiver(const CAppMessageReceiver&) = delete;
    CAppMessageReceiver& operator=(const CAppMessageReceiver&) = delete;

    TReceiverId Id() const { return id_; }
    std::intptr_t Handle(TAppMessage& message) { return handler_(message); }

protected:
    bool event(QEvent* event) override;

private:
    THandler handler_;
    TReceiverId id_;
};

// The registry of live receivers and the program's poster. Installed as the
// poster of songsmith/app/app_message.h on first use.
class CAppMessageRouter : public IAppMessagePoster {
public:
    static CAppMessageRouter& Instance();

    bool Post(TReceiverId receiver, TAppMessage message) override;
    std::intptr_t Send(TReceiverId receiver, TAppMessage message) override;

    TReceiverId Register(CAppMessageReceiver* receiver);
    void Unregister(TReceiverId id);
};
