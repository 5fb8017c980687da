#include "songsmith/app/ui/app_message_router.h"

#include <QCoreApplication>
#include <mutex>
#include <unordered_map>

namespace {

// Ids are never used twice, so a stale id cannot reach a later receiver.
struct TRegistry {
    std::mutex lock;
    std::unordered_map<TReceiverId, CAppMessageReceiver*> receivers;
    TReceiverId nextId = 1;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

}  // namespace

CAppMessageEvent::CAppMessageEvent(TAppMessage message)
    : QEvent(EventType()), message(std::move(message)) {}

QEvent::Type CAppMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CAppMessageReceiver::CAppMessageReceiver(THandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    id_ = CAppMessageRouter::Instance().Register(this);
}

CAppMessageReceiver::~CAppMessageReceiver() {
    // From here on no post reaches this object; the ones already queued are
    // deleted, payloads and all, by ~QObject.
    CAppMessageRouter::Instance().Unregister(id_);
}

bool CAppMessageReceiver::event(QEvent* event) {
    if (event->type() != CAppMessageEvent::EventType()) return QObject::event(event);
    handler_(static_cast<CAppMessageEvent*>(event)->message);
    return true;
}

CAppMessageRouter& CAppMessageRouter::Instance() {
    static CAppMessageRouter router;
    static const bool installed = (SetAppMessagePoster(&router), true);
    (void)installed;
    return router;
}

bool CAppMessageRouter::Post(TReceiverId receiver, TAppMessage message) {
    TRegistry& registry = Registry();
    // The lookup and the post happen under the lock that the receiver's
    // destructor takes, so the receiver cannot die in between.
    std::lock_guard<std::mutex> guard(registry.lock);
    const auto found = registry.receivers.find(receiver);
    if (found == registry.receivers.end()) return false;
    QCoreApplication::postEvent(found->second, new CAppMessageEvent(std::move(message)));
    return true;
}

std::intptr_t CAppMessageRouter::Send(TReceiverId receiver, TAppMessage message) {
    CAppMessageReceiver* target = nullptr;
    {
        std::lock_guard<std::mutex> guard(Registry().lock);
        const auto found = Registry().receivers.find(receiver);
        if (found != Registry().receivers.end()) target = found->second;
    }
    // Sends come from the receiver's own thread, where it cannot die while
    // its handler runs.
    return target == nullptr ? 0 : target->Handle(message);
}

TReceiverId CAppMessageRouter::Register(CAppMessageReceiver* receiver) {
    std::lock_guard<std::mutex> guard(Registry().lock);
    const TReceiverId id = Registry().nextId++;
    Registry().receivers.emplace(id, receiver);
    return id;
}

void CAppMessageRouter::Unregister(TReceiverId id) {
    std::lock_guard<std::mutex> guard(Registry().lock);
    Registry().receivers.erase(id);
}
