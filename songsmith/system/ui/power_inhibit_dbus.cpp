#include "songsmith/system/ui/power_inhibit_dbus.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A bus that does not answer must not hold a burn for long.
constexpr int kCallTimeoutMs = 3000;

// Made per call: an interface object belongs to the thread that made it, and
// the burn worker switches the inhibitors from its own thread.
std::unique_ptr<QDBusInterface> Interface(const char* service, const char* path, const char* name,
                                          const QDBusConnection& bus) {
    auto interface = std::make_unique<QDBusInterface>(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      QString::fromLatin1(name), bus);
    interface->setTimeout(kCallTimeoutMs);
    return interface;
}

std::unique_ptr<QDBusInterface> ScreenSaver() {
    return Interface("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                     QDBusConnection::sessionBus());
}

std::unique_ptr<QDBusInterface> Logind() {
    return Interface("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                     QDBusConnection::systemBus());
}

}  // namespace

std::unique_ptr<CDBusPowerInhibitBus> CDBusPowerInhibitBus::Connect() {
    if (!QDBusConnection::sessionBus().isConnected()) return nullptr;
    return std::unique_ptr<CDBusPowerInhibitBus>(new CDBusPowerInhibitBus);
}

bool CDBusPowerInhibitBus::InhibitScreenSaver(const char* application, const char* reason,
                                              std::uint32_t* cookie) {
    const QDBusReply<uint> reply =
        ScreenSaver()->call(QStringLiteral("Inhibit"), QString::fromUtf8(application), QString::fromUtf8(reason));
    if (!reply.isValid()) return false;
    *cookie = reply.value();
    return true;
}

void CDBusPowerInhibitBus::UnInhibitScreenSaver(std::uint32_t cookie) {
    ScreenSaver()->call(QStringLiteral("UnInhibit"), static_cast<uint>(cookie));
}

bool CDBusPowerInhibitBus::InhibitIdleSleep(const char* who, const char* why, int* handle) {
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        Logind()->call(QStringLiteral("Inhibit"), QStringLiteral("idle:sleep"), QString::fromUtf8(who),
                       QString::fromUtf8(why), QStringLiteral("block"));
    if (!reply.isValid() || !reply.value().isValid()) return false;
    // The reply's descriptor closes with the reply; the inhibitor needs one
    // of its own.
    const int fd = fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return false;
    *handle = fd;
    return true;
}

void CDBusPowerInhibitBus::ReleaseIdleSleep(int handle) {
    if (handle >= 0) close(handle);
}
