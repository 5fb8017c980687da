#pragma once
// CHTTPSocket: the small blocking TCP socket the CDDB client speaks HTTP
// over. The descriptor itself is non-blocking so that every wait (connect,
// send, receive) can be bounded by the client's time-out; to the caller each
// call still blocks until it is done or the time-out passes.

#include <cstddef>
#include <cstdint>

class CHTTPSocket {
public:
    // timeoutMs bounds each wait of connect and send.
    explicit CHTTPSocket(std::uint32_t timeoutMs = 2000) : timeoutMs_(timeoutMs) {}
    ~CHTTPSocket() { close(); }
    CHTTPSocket(const CHTTPSocket&) = delete;
    CHTTPSocket& operator=(const CHTTPSocket&) = delete;

    // A stream socket of the internet family. False (last error from errno)
    // when the system gives none.
    bool create();
    // Connects to host (a name or a numeric address) and port, trying each
    // address the name resolves to in turn, each bounded by the time-out, as
    // is the name's lookup. An unresolvable name sets the last error to
    // 10022, a time-out to 10060, other failures the error of the last
    // address tried.
    bool connect(const char* host, int port);
    // Sends all of data, waiting for room at most the time-out each time.
    // Never raises SIGPIPE when the peer has gone.
    bool send(const char* data, std::size_t length);
    // One receive of at most size bytes, waiting at most the time-out for
    // them: the count, 0 when the peer closed, -1 on failure or when nothing
    // arrived in time.
    long receive(char* buffer, std::size_t size);
    // Waits at most waitMs for data (or the peer's close) and reports it in
    // waiting. False when the wait itself fails.
    bool dataWaiting(bool& waiting, int waitMs = 0);
    void close();

    bool isOpen() const { return fd_ >= 0; }

private:
    bool openSocket(int family);
    // Waits at most the time-out for events; false (last error set) when
    // they do not come.
    bool waitFor(short events);
    bool connectAddress(const struct sockaddr* address, unsigned length);

    int fd_ = -1;
    std::uint32_t timeoutMs_;
};
