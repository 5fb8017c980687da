#include "testsupport/scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

// How long the server waits for a client's request to arrive.
constexpr int kRequestWaitMs = 3000;

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// The Content-Length of a request header, 0 when it has none.
std::size_t ContentLength(const std::string& header) {
    static const std::string kName = "\r\nContent-Length:";
    const std::size_t at = header.find(kName);
    if (at == std::string::npos) return 0;
    return std::strtoul(header.c_str() + at + kName.size(), nullptr, 10);
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

ServerScript SendInPieces(const std::string& text, const std::vector<std::size_t>& sizes, int pauseMs) {
    ServerScript script;
    std::size_t at = 0;
    for (const std::size_t size : sizes) {
        if (at >= text.size()) break;
        script.push_back(ServerStep::Send(text.substr(at, size)));
        script.push_back(ServerStep::Wait(pauseMs));
        at += size;
    }
    if (at < text.size()) script.push_back(ServerStep::Send(text.substr(at)));
    script.push_back(ServerStep::Close());
    return script;
}

ScriptedServer::ScriptedServer(std::vector<ServerScript> scripts) : scripts_(std::move(scripts)) { Start(); }

ScriptedServer::ScriptedServer(Responder responder) : responder_(std::move(responder)) { Start(); }

void ScriptedServer::Start() {
    listener_ = ListenOnLoopback(port_);
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("pipe failed");
    }
    thread_ = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    const char stop = 's';
    [[maybe_unused]] const ssize_t written = ::write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

std::vector<std::string> ScriptedServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool ScriptedServer::WaitReadable(int fd, int ms) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, ms);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (entries[1].revents & POLLIN) != 0) return false;
        return (entries[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
}

void ScriptedServer::Run() {
    for (std::size_t next = 0;; ++next) {
        if (!WaitReadable(listener_, -1)) return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Serve(client, next);
        ::close(client);
    }
}

std::string ScriptedServer::ReadRequest(int client) {
    std::string request;
    std::size_t wanted = 0;
    char chunk[4096];
    for (;;) {
        const std::size_t headerEnd = request.find("\r\n\r\n");
        if (headerEnd != std::string::npos) {
            wanted = headerEnd + 4 + ContentLength(request.substr(0, headerEnd + 2));
            if (request.size() >= wanted) return request;
        }
        if (!WaitReadable(client, kRequestWaitMs)) return request;
        const ssize_t count = ::recv(client, chunk, sizeof chunk, 0);
        if (count <= 0) return request;
        request.append(chunk, static_cast<std::size_t>(count));
    }
}

void ScriptedServer::Serve(int client, std::size_t index) {
    const std::string request = ReadRequest(client);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    ServerScript made;
    if (responder_) made = responder_(request);
    const ServerScript* script = responder_ ? &made : index < scripts_.size() ? &scripts_[index] : nullptr;
    if (script == nullptr) return;
    for (const ServerStep& step : *script) {
        switch (step.kind) {
            case ServerStep::Kind::Send:
                if (!SendAll(client, step.bytes)) return;
                break;
            case ServerStep::Kind::Wait:
                // Ends early when the client goes or the server stops.
                WaitReadable(client, step.ms);
                break;
            case ServerStep::Kind::Stall: {
                char byte;
                while (WaitReadable(client, -1)) {
                    if (::recv(client, &byte, 1, 0) <= 0) return;
                }
                return;
            }
            case ServerStep::Kind::Close:
                return;
        }
    }
}

int UnusedLoopbackPort() {
    int port = 0;
    const int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

}  // namespace testsupport
