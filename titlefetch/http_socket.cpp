#include "titlefetch/http_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "titlefetch/errors.h"
#include "titlefetch/name_resolver.h"

namespace {

// Waits for events on fd until deadlineMs (steady clock). 1 ready, 0 timed
// out, -1 failed.
int PollUntil(int fd, short events, std::int64_t deadlineMs) {
    for (;;) {
        std::int64_t left = deadlineMs - SteadyMilliseconds();
        if (left < 0) left = 0;
        pollfd entry{fd, events, 0};
        const int result = ::poll(&entry, 1, static_cast<int>(left));
        if (result >= 0) return result;
        if (errno != EINTR) return -1;
    }
}

}  // namespace

bool CHTTPSocket::openSocket(int family) {
    close();
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    fd_ = fd;
    return true;
}

bool CHTTPSocket::waitFor(short events) {
    const int ready = PollUntil(fd_, events, SteadyMilliseconds() + timeoutMs_);
    if (ready > 0) return true;
    if (ready == 0) {
        SetLastError(CDDB_ERR_TIMED_OUT);
    } else {
        SetLastErrorFromErrno(errno);
    }
    return false;
}

bool CHTTPSocket::create() { return openSocket(AF_INET); }

bool CHTTPSocket::connectAddress(const sockaddr* address, unsigned length) {
    if (::connect(fd_, address, length) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (!waitFor(POLLOUT)) return false;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) {
        SetLastErrorFromErrno(error);
        return false;
    }
    return true;
}

bool CHTTPSocket::connect(const char* host, int port) {
    if (host == nullptr || *host == '\0' || port <= 0 || port > 65535) {
        SetLastError(CDDB_ERR_INVALID_ARGUMENT);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    char service[16];
    std::snprintf(service, sizeof service, "%d", port);
    // The name's lookup counts against the time-out as every other wait.
    AddressList addresses;
    switch (ResolveHost(host, service, hints, timeoutMs_, addresses)) {
        case ResolveOutcome::Found:
            break;
        case ResolveOutcome::NotFound:
            SetLastError(CDDB_ERR_INVALID_ARGUMENT);
            return false;
        case ResolveOutcome::TimedOut:
            SetLastError(CDDB_ERR_TIMED_OUT);
            return false;
    }
    // A socket whose connect failed cannot be reused, and the address may
    // be of either family, so every address gets a fresh socket.
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        if (openSocket(a->ai_family) && connectAddress(a->ai_addr, a->ai_addrlen)) return true;
    }
    close();
    return false;
}

bool CHTTPSocket::send(const char* data, std::size_t length) {
    if (!isOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    while (length > 0) {
        const ssize_t sent = ::send(fd_, data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(POLLOUT)) continue;
            return false;
        }
        SetLastErrorFromErrno(sent < 0 ? errno : EPIPE);
        return false;
    }
    return true;
}

long CHTTPSocket::receive(char* buffer, std::size_t size) {
    if (!isOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    for (;;) {
        const ssize_t count = ::recv(fd_, buffer, size, 0);
        if (count >= 0) return static_cast<long>(count);
        if (errno == EINTR) continue;
        // Nothing there yet: wait as a blocking receive would, bounded.
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (waitFor(POLLIN)) continue;
            return -1;
        }
        SetLastErrorFromErrno(errno);
        return -1;
    }
}

bool CHTTPSocket::dataWaiting(bool& waiting, int waitMs) {
    waiting = false;
    if (!isOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const int ready = PollUntil(fd_, POLLIN, SteadyMilliseconds() + (waitMs > 0 ? waitMs : 0));
    if (ready < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    // A hang-up or an error also counts: the next receive reports it.
    waiting = ready > 0;
    return true;
}

void CHTTPSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}
